#pragma once
// LocalIconProvider: how the folder model gets icons without linking the
// GUI library.
//
// The widgets implement it and hand it to the model; the model asks once
// per icon index (FileTypes) and keeps the answer. The QVariant holds a
// QIcon. Main thread only. Without a provider the model shows no icons.

#include <QVariant>

#include "items/filetypes.h"

class LocalIconProvider {
 public:
  virtual ~LocalIconProvider() = default;
  virtual QVariant Icon(const FileTypes::IconNames& names) = 0;
};
