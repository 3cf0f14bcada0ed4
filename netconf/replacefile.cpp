#include "netconf/replacefile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>

namespace ReplaceFile {

namespace {

QString Reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

bool WriteAll(int fd, const QByteArray& bytes) {
  const char* data = bytes.constData();
  size_t left = static_cast<size_t>(bytes.size());
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = EIO;
      return false;
    }
    data += written;
    left -= static_cast<size_t>(written);
  }
  return true;
}

}  // namespace

QString Write(const QString& path, const QByteArray& bytes, mode_t mode) {
  QByteArray tempName = QFile::encodeName(path) + ".XXXXXX";
  // mkstemp creates the file for its owner only; the mode is widened (never
  // narrowed) once the content is in place.
  const int fd = ::mkstemp(tempName.data());
  if (fd < 0) return Reason(errno);
  int error = 0;
  if (!WriteAll(fd, bytes) || ::fsync(fd) != 0 || ::fchmod(fd, mode) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(tempName.constData(), QFile::encodeName(path).constData()) != 0)
    error = errno;
  if (error == 0) return {};
  ::unlink(tempName.constData());
  return Reason(error);
}

}  // namespace ReplaceFile
