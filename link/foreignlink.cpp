#include "link/foreignlink.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

namespace ForeignLink {

bool IsForeignLink(const QString& path) {
  struct stat link {};
  if (lstat(QFile::encodeName(path).constData(), &link) != 0) return false;  // a new file
  return S_ISLNK(link.st_mode) && link.st_uid != geteuid();
}

}  // namespace ForeignLink
