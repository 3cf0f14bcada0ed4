#pragma once
// DevicePath: a folder of the controller's D: drive as a user types it on
// the command line, in the form the device listing takes. QtCore only.

#include <QString>

namespace DevicePath {

// "DATA\LOG", "\DATA\LOG\", "/DATA/LOG", "D:\DATA\LOG" -> "\DATA\LOG";
// "", "D:" -> "\".
QString Normalised(const QString& text);

}  // namespace DevicePath
