#include "installation/helperfiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <algorithm>

namespace HelperFiles {

namespace {

using F = TaloAppFolders;

constexpr Entry kCatalogue[] = {
    {"backup", &F::ProgramFolder, "KEEPERRD.EXE", true, false},
    {"restore", &F::ProgramFolder, "KEEPERWR.EXE", true, false},
    {"DIO panel", &F::ConfigFolder, "MODID.EXE", true, false},
    {"DIO panel", &F::ConfigFolder, "SIMU7101.EXE", true, false},
    {"initialisation", &F::SourceFolder, "Drive_D/Default_files/CONF/SOCKET.UPW", false, false},
    {"initialisation", &F::SourceFolder, "Drive_D/Default_files/CONF/SOCKET.CFG", false, false},
    {"initialisation", &F::SourceFolder, "Drive_D/Default_files/autorun.bat", false, false},
    {"initialisation", &F::SourceFolder, "Drive_D/Default_files/AX8796.COM", true, false},
    {"initialisation", &F::SourceFolder, "Drive_D/Default_files/CFGIO.EXE", true, false},
    {"initialisation", &F::SourceFolder, "Drive_D/Default_files/SOCKETP.EXE", true, false},
    {"initialisation", &F::SourceFolder, "Drive_D/Extension_files/WebRoot/httpftpd.exe", true, true},
    {"initialisation", &F::SourceFolder, "Drive_D/Extension_files/WebRoot/ftpd.exe", true, true},
    {"initialisation", &F::SourceFolder, "Drive_D/Extension_files/WebRoot/httpd.exe", true, true},
};

// Every readable file under root by its name in small letters, the first in
// path order where several share a name.
QHash<QString, QString> FilesUnder(const QString& root) {
  QStringList paths;
  QDirIterator it(root, QDir::Files | QDir::Readable | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
  while (it.hasNext()) paths.append(it.next());
  std::sort(paths.begin(), paths.end());
  QHash<QString, QString> byName;
  for (const QString& path : paths) {
    const QString name = QFileInfo(path).fileName().toLower();
    if (!byName.contains(name)) byName.insert(name, path);
  }
  return byName;
}

// Copies from to to whole or not at all.
QString CopyWhole(const QString& from, const QString& to) {
  if (!QDir().mkpath(QFileInfo(to).absolutePath())) return QStringLiteral("cannot create its folder");
  QFile source(from);
  if (!source.open(QIODevice::ReadOnly)) return source.errorString();
  QSaveFile target(to);
  if (!target.open(QIODevice::WriteOnly)) return target.errorString();
  const QByteArray bytes = source.readAll();
  if (source.error() != QFileDevice::NoError) return source.errorString();
  if (target.write(bytes) != bytes.size() || !target.commit()) return target.errorString();
  return {};
}

}  // namespace

std::span<const Entry> Catalogue() { return kCatalogue; }

QString NameOf(const Entry& file) { return QFileInfo(QString::fromLatin1(file.Path)).fileName(); }

std::vector<State> Check(const TaloAppFolders& folders) {
  std::vector<State> states;
  for (const Entry& file : kCatalogue) {
    State state;
    state.File = &file;
    state.Where = folders.*file.Folder + QString::fromLatin1(file.Path);
    const QFileInfo info(state.Where);
    state.Present = info.isFile() && info.isReadable();
    state.Size = state.Present ? info.size() : 0;
    states.push_back(state);
  }
  return states;
}

ImportResult Import(const QString& fromFolder, const TaloAppFolders& folders) {
  ImportResult result;
  const QDir install(folders.InstallFolder);
  const QHash<QString, QString> offered = FilesUnder(fromFolder);
  for (const State& state : Check(folders)) {
    const QString shown = install.relativeFilePath(state.Where);
    if (state.Present) {
      result.Kept.append(shown);
      continue;
    }
    const QString found = offered.value(NameOf(*state.File).toLower());
    if (found.isEmpty()) {
      result.NotFound.append(shown);
      continue;
    }
    if (const QString why = CopyWhole(found, state.Where); !why.isEmpty())
      result.Failed.append(QStringLiteral("%1: %2").arg(shown, why));
    else
      result.Copied.append(shown);
  }
  return result;
}

}  // namespace HelperFiles
