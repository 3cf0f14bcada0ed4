#pragma once
// The subcommands that bring files back to the PC:
//   image ls IMG [PATH]         a folder of a drive image, as ls lists one of D:
//   image get [--force] IMG PATH... DEST
//                               files and folders of an image copied out,
//                               byte for byte, their dates kept
//   image diff A B              what two images hold differently; exit 0 when
//                               they hold the same files and folders, else 1
//   get [--force] PATH... DEST  files and folders of the controller's D:
//                               copied to the PC (CopyToPc: texts through
//                               "type", anything else through a backup)
//
// Principles of operation
// - DEST is a folder of the PC that exists, or the file to write when one
//   file is copied. An existing file is replaced only with --force.
// - An image that holds no FAT file system, a path it does not hold and a
//   file it cannot give whole are errors on standard error; listings and
//   copy lines go to standard output, escaped.
// - Exit status: 0 when all went through (diff: the images are equal), 1
//   otherwise, 2 for a wrong call, 130 after Ctrl+C during get's backup.
// - Main thread only.

#include <QStringList>

#include "clisupport/clicommand.h"

namespace ImageFilesCli {

inline constexpr char kImageArguments[] = "ls IMG [PATH] | get [--force] IMG PATH... DEST | diff A B";
inline constexpr char kGetArguments[] = "[--force] PATH... DEST";

int RunImage(CliContext& context, const QStringList& arguments);
int RunGet(CliContext& context, const QStringList& arguments);

}  // namespace ImageFilesCli
