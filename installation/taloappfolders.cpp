#include "installation/taloappfolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

#include "installation/installationtext.h"

namespace {

const QStringList kSubfolders{QStringLiteral("program"), QStringLiteral("Config"),
                              QStringLiteral("Source")};

bool EndsWithSeparator(const QString& path) {
  return path.endsWith(QLatin1Char('/')) || path.endsWith(QDir::separator());
}

// Copies every file below seed into root, keeping relative paths; files that
// exist in root are left alone so that the user's changes survive.
void CopyMissingFiles(const QString& seed, const QString& root) {
  const QDir seedDir(seed);
  QDirIterator it(seed, QDir::Files | QDir::Hidden | QDir::NoSymLinks,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString source = it.next();
    const QString target = QDir(root).filePath(seedDir.relativeFilePath(source));
    if (QFileInfo::exists(target)) continue;
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile::copy(source, target);
  }
}

}  // namespace

namespace TaloAppDir {

QString InstallationFolder() {
  const QString home = qEnvironmentVariable("TALO7100_HOME");
  if (!home.isEmpty()) return home;
  QString data = qEnvironmentVariable("XDG_DATA_HOME");
  // The XDG rule: a relative value is invalid and ignored.
  if (data.isEmpty() || QDir::isRelativePath(data))
    data = QDir::homePath() + QStringLiteral("/.local/share");
  return JoinFolder(data, QStringLiteral("talo7100")).chopped(1);
}

QStringList DefaultSeedFolders() {
  QStringList folders;
  if (!QCoreApplication::instance()) return folders;
  const QString appDir = QCoreApplication::applicationDirPath();
  for (const QString& candidate : {appDir + QStringLiteral("/../share/talo7100/defaults"),
                                   appDir + QStringLiteral("/defaults")}) {
    if (QFileInfo(candidate).isDir()) folders.append(QDir::cleanPath(candidate));
  }
  return folders;
}

QString JoinFolder(const QString& base, const QString& name) {
  return (EndsWithSeparator(base) ? base : base + QLatin1Char('/')) + name + QLatin1Char('/');
}

TaloAppFolders FoldersOf(const QString& installFolder) {
  TaloAppFolders folders;
  folders.InstallFolder = installFolder;
  folders.ProgramFolder = JoinFolder(installFolder, kSubfolders[0]);
  folders.ConfigFolder = JoinFolder(installFolder, kSubfolders[1]);
  folders.SourceFolder = JoinFolder(installFolder, kSubfolders[2]);
  return folders;
}

bool PrepareInstallationFolder(const QString& root, const QStringList& seedFolders, QString* why) {
  // Not prepared before: its program folder is missing.
  const bool fresh = !QFileInfo(JoinFolder(root, kSubfolders[0])).isDir();
  for (const QString& sub : kSubfolders) {
    std::error_code error;
    const QByteArray path = QFile::encodeName(JoinFolder(root, sub));
    std::filesystem::create_directories(path.toStdString(), error);
    if (!error) continue;
    if (why) *why = QString::fromLocal8Bit(error.message());
    return false;
  }
  // Only a new installation is seeded: a default file the user removed on
  // purpose does not come back.
  if (fresh)
    for (const QString& seed : seedFolders) CopyMissingFiles(seed, root);
  return true;
}

QString ShippedFile(QString TaloAppFolders::*subfolder, const QString& name, QString& why) {
  const TaloAppFolders folders = GetTaloAppDir();
  why = folders.Error;
  if (!why.isEmpty()) return {};
  const QString path = folders.*subfolder + name;
  const QFileInfo file(path);
  if (file.isFile() && file.isReadable()) return path;
  why = InstallationText::ShippedFileMissing(name, folders.*subfolder);
  return {};
}

}  // namespace TaloAppDir

TaloAppFolders GetTaloAppDir() {
  const QString root = TaloAppDir::InstallationFolder();
  TaloAppFolders folders = TaloAppDir::FoldersOf(root);
  QString why;
  if (!TaloAppDir::PrepareInstallationFolder(root, TaloAppDir::DefaultSeedFolders(), &why))
    folders.Error = InstallationText::FolderUnusable(root, why);
  return folders;
}
