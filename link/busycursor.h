#pragma once
// BusyCursor: shows the busy cursor (UserDialogs::BeginBusy) for the lifetime
// of the guard. Main thread only.

#include "link/userdialogs.h"

class BusyCursor {
 public:
  explicit BusyCursor(UserDialogs& dialogs) : Dialogs(dialogs) { Dialogs.BeginBusy(); }
  ~BusyCursor() { Dialogs.EndBusy(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  UserDialogs& Dialogs;
};
