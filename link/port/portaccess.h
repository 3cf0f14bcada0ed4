#pragma once
// What to tell a user whose port cannot be opened for lack of permission.
//
// Principles of operation
// - Serial devices belong to a group (on Debian "dialout") whose members may
//   open them. A user added to that group gets the right only in a new login
//   session, which the hint says too.
// - The group is read from the device itself (stat), never assumed. When the
//   group may not open the device either, or it is root's own group, the hint
//   asks for access instead of suggesting a group that would not help.
// - Any thread; file system only.

#include <QString>
#include <string>

namespace PortAccess {

// The hint for an open that failed with error on the device at devicePath;
// empty unless error is EACCES or EPERM.
QString PermissionHint(const std::string& devicePath, int error);

}  // namespace PortAccess
