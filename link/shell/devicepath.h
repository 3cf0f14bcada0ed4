#pragma once
// DevicePath: a folder of the controller's D: drive as a user types it on
// the command line, in the form the device listing takes. QtCore only.

#include <QString>

namespace DevicePath {

// "DATA\LOG", "\DATA\LOG\", "/DATA/LOG", "D:\DATA\LOG" -> "\DATA\LOG";
// "", "D:" -> "\".
QString Normalised(const QString& text);

// The full path of name in folder (a path as Normalised gives it), drive
// included, as the file commands type it: "D:\DATA\X.TXT"; "D:\DATA" for an
// empty name, "D:\" for the root itself. It names the same thing whatever
// the shell's current drive and folder are.
QString OnDriveD(const QString& folder, const QString& name = QString());

}  // namespace DevicePath
