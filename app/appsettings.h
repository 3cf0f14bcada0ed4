#pragma once
// What the desktop program remembers between runs: the last port, the
// main window's size and place, the image dialog's "Verify after restore",
// the device pane's "Quick listings" and each pane's sort order.
//
// Principles of operation
// - One file per user, talo7100/talo7100.conf under the XDG config folder
//   ($XDG_CONFIG_HOME, default ~/.config).
// - Read at start-up and written when the program ends. A port given on the
//   command line wins over the remembered one; a remembered port whose device
//   is gone is not offered again (the first port found is selected instead).
// - Only the program's entry uses it: windows made by tests leave the user's
//   file alone.

#include <QByteArray>
#include <QString>

#include "items/listsort.h"

class QSettings;

class AppSettings {
 public:
  AppSettings();
  ~AppSettings();
  AppSettings(const AppSettings&) = delete;
  AppSettings& operator=(const AppSettings&) = delete;

  QString LastPort() const;
  void SetLastPort(const QString& port);
  QByteArray WindowGeometry() const;
  void SetWindowGeometry(const QByteArray& geometry);
  bool VerifyAfterRestore() const;  // false when never set
  void SetVerifyAfterRestore(bool verify);
  bool QuickListings() const;  // true when never set: "Standard waits" is off
  void SetQuickListings(bool quick);
  // Each pane's list order (name ascending when never set).
  ListSort LocalSort() const;
  void SetLocalSort(const ListSort& sort);
  ListSort DeviceSort() const;
  void SetDeviceSort(const ListSort& sort);
  // Writes to the file; false when it cannot be written.
  bool Save();

  // The port to select at start-up: the one given on the command line, else
  // the remembered one when its device is still there, else none.
  static QString StartPort(const QString& commandLinePort, const QString& remembered);

 private:
  QSettings* Store;
};
