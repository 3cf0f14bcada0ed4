#include "link/port/portnames.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>

#include "link/port/talocomport.h"

namespace PortNames {

QString DeviceKey(const QString& portName) {
  const QString path =
      QString::fromStdString(TaloComPort::ResolveDevicePath(portName.toStdString()));
  struct stat info {};
  if (!path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0) {
    if (S_ISCHR(info.st_mode)) return QStringLiteral("char:%1").arg(info.st_rdev);
    return QStringLiteral("path:") + QFileInfo(path).canonicalFilePath();
  }
  return QStringLiteral("name:") + path;
}

QString ShortName(const QString& portName) {
  const QString name = portName.section(QLatin1Char('/'), -1);
  if (name == QLatin1String(".") || name == QLatin1String("..")) return {};
  return name;
}

}  // namespace PortNames
