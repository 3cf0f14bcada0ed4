#pragma once
// Helpers of the network configuration tests: an installation folder of
// their own (TALO7100_HOME), seeded like the demo's from the default tree
// and the stand-ins, and short reads of its files.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include "installation/taloappfolders.h"

namespace netconftest {

inline QString ShareDir() { return QStringLiteral(TALO_SHARE_DIR); }

inline QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A fresh installation folder for one test; TALO7100_HOME points at it while
// the object lives.
class TestInstallation {
 public:
  TestInstallation() {
    Root = Dir.path() + QStringLiteral("/home");
    qputenv("TALO7100_HOME", Root.toLocal8Bit());
    Prepared = TaloAppDir::PrepareInstallationFolder(
        Root, {ShareDir() + QStringLiteral("/defaults"), ShareDir() + QStringLiteral("/demo")});
  }
  ~TestInstallation() { qunsetenv("TALO7100_HOME"); }
  TestInstallation(const TestInstallation&) = delete;
  TestInstallation& operator=(const TestInstallation&) = delete;

  bool Ready() const { return Prepared; }
  QString Program(const QString& name) const { return Root + QStringLiteral("/program/") + name; }
  QString Source(const QString& relative) const {
    return Root + QStringLiteral("/Source/") + relative;
  }

 private:
  QTemporaryDir Dir;
  QString Root;
  bool Prepared = false;
};

}  // namespace netconftest
