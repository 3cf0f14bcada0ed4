#pragma once
// HelperFiles: the files the utility copies to the controller for its own
// use, where each lives in the installation folder, and bringing them in from
// a folder the user names (a CD, the maker's archive).
//
// Principles of operation
// - One table (Catalogue) names every file once: the feature that needs it,
//   its place under the installation folder (the subfolder and the path the
//   feature looks it up by), whether the utility ships it or the
//   controller's maker does, and whether the feature can run without it (an
//   option of the initialisation). The README's list is this table.
// - Check looks each file up now, in the installation folder as it is found
//   (TALO7100_HOME or the user's data folder): present with its size, or
//   missing. Nothing is cached.
// - Import looks for each missing file under a folder, in any of its
//   subfolders and in any letter case (DOS names arrive as "keeperrd.exe"
//   too), and copies the first match in path order to the place the feature
//   looks it up. A file that is there already is kept, never replaced: an
//   import only fills gaps. A copy goes through a temporary file in the
//   target folder and is renamed into place, so a full disk never leaves half
//   a program where a feature would upload it.
// - QtCore only; any thread (files and the environment only).

#include <QString>
#include <QStringList>
#include <span>
#include <vector>

#include "installation/taloappfolders.h"

namespace HelperFiles {

struct Entry {
  const char* Feature;           // "backup", "restore", "DIO panel", "initialisation"
  QString TaloAppFolders::*Folder;  // the subfolder the feature looks in
  const char* Path;              // below it, as the feature looks it up
  bool FromMaker;                // the controller's maker provides it; else the utility ships it
  bool Optional;                 // the feature runs without it (a box left unticked)
};

std::span<const Entry> Catalogue();

struct State {
  const Entry* File = nullptr;
  QString Where;  // the full path it is looked up by
  bool Present = false;
  qint64 Size = 0;
};

std::vector<State> Check(const TaloAppFolders& folders);

struct ImportResult {
  QStringList Copied;   // paths below the installation folder
  QStringList Kept;     // there already
  QStringList NotFound; // still missing
  QStringList Failed;   // "path: reason"
};

ImportResult Import(const QString& fromFolder, const TaloAppFolders& folders);

// The file's name alone ("KEEPERRD.EXE").
QString NameOf(const Entry& file);

}  // namespace HelperFiles
