#include "link/port/portaccess.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

QString UserName() {
  if (const passwd* user = ::getpwuid(::geteuid())) return QString::fromLocal8Bit(user->pw_name);
  return QStringLiteral("$USER");
}

}  // namespace

namespace PortAccess {

QString PermissionHint(const std::string& devicePath, int error) {
  if (error != EACCES && error != EPERM) return {};
  const QString device = QString::fromStdString(devicePath);
  struct stat info {};
  if (::stat(devicePath.c_str(), &info) != 0)
    return QStringLiteral("No permission to open %1.").arg(device);
  const group* owner = ::getgrgid(info.st_gid);
  const QString groupName =
      owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);
  const bool groupMayOpen = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
  if (!groupMayOpen || info.st_gid == 0) {
    return QStringLiteral("No permission to open %1 (group %2 may not open it either): ask the "
                          "administrator for access, for example by a udev rule giving it the "
                          "group dialout, then add yourself to that group.")
        .arg(device, groupName);
  }
  return QStringLiteral("No permission to open %1: it belongs to the group %2. Add the user %3 "
                        "to it (sudo usermod -aG %2 %3), then log out and in again.")
      .arg(device, groupName, UserName());
}

}  // namespace PortAccess
