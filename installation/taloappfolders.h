#pragma once
// The installation folder on this PC and its subfolders, which hold the
// controller programs and default files the utility copies to the device.
//
// Principles of operation
// - The installation folder is $TALO7100_HOME when set (and not empty),
//   otherwise $XDG_DATA_HOME/talo7100 (default ~/.local/share/talo7100).
// - It is created on first use with its "program", "Config" and "Source"
//   subfolders and seeded with the default files shipped with the utility:
//   the content of each seed folder (same subfolder layout) is copied in,
//   never overwriting a file that is there. Seed folders are
//   <binary dir>/../share/talo7100/defaults and <binary dir>/defaults, when
//   they exist; callers may name others.
// - Subfolder texts end with "/". A folder that already ends in a separator
//   is used as it is, so no separator is ever doubled.
// - The look-up is repeated at every call; nothing is cached. A folder that
//   cannot be created is an error that names it and the reason (Error); its
//   subfolder texts still point into it, never at the current directory, so
//   nothing is ever read from or written to wherever the program was started.
// - A file the utility copies to the controller (a helper program, a
//   default file) is looked up with ShippedFile, which says which file is
//   missing from which folder instead of letting the upload fail as if the
//   cable were at fault.
// - Any thread (it touches only the file system and the environment).

#include <QString>
#include <QStringList>

struct TaloAppFolders {
  QString InstallFolder;  // as looked up
  QString ProgramFolder;  // InstallFolder + "/program/"
  QString ConfigFolder;   // InstallFolder + "/Config/"
  QString SourceFolder;   // InstallFolder + "/Source/"
  QString Error;          // why the folder cannot be used; empty when it can
};

namespace TaloAppDir {

// Where the installation folder is, without touching the disk.
QString InstallationFolder();
// The folders whose content seeds a new installation folder.
QStringList DefaultSeedFolders();
// base + "/" + name + "/", without doubling a separator base ends in.
QString JoinFolder(const QString& base, const QString& name);
// The subfolder texts of one installation folder.
TaloAppFolders FoldersOf(const QString& installFolder);
// Creates root and its subfolders when missing and copies the seed folders'
// files that are not there yet. False when the folders cannot be created,
// with the system's reason in *why.
bool PrepareInstallationFolder(const QString& root, const QStringList& seedFolders,
                               QString* why = nullptr);
// The path of the file name in one subfolder of the installation folder
// (&TaloAppFolders::ProgramFolder, ...), looked up now. Empty, with the
// message to show in why, when the installation folder cannot be used or
// the file is not there to be read.
QString ShippedFile(QString TaloAppFolders::*subfolder, const QString& name, QString& why);

}  // namespace TaloAppDir

// Looks the installation up, prepares it and returns its folders (with
// Error set when it cannot be prepared).
TaloAppFolders GetTaloAppDir();
