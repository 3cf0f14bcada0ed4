#pragma once
// The shell command lines the device pane types, in one table.
//
// Principles of operation
// - Every line ends with the carriage return that makes the shell run it.
// - The shell has no quoting: a name is typed as it stands. Every line that
//   carries a name is built here, and only after the name (or each name of a
//   path) passed DeviceName's check; a refused one gives no line but the
//   message that says which name and why. Names from listings and names the
//   user typed go through the same check.
// - The file commands name what they act on by its full path with the drive
//   (del D:\DATA\X.TXT, dir/s D:\DATA\SUB). The shell's current drive and
//   folder are not the pane's to rely on: a program on the controller or a
//   "cd" or "c:" typed in the terminal moves them between two exchanges,
//   and a relative "del CONFIG.INI" would then delete another folder's file
//   without a word. A full path is one line with no state behind it; the
//   upload names its target the same way. The one exception is the autorun
//   line, whose batch file is the root's: it is typed after "d:" and "cd\"
//   in the same exchange (DeviceFileCommands).

#include <QByteArray>
#include <QString>

namespace DeviceCommand {

// A command line that carries names, or why it may not be typed.
struct CommandLine {
  QByteArray Line;  // with its carriage return; empty when refused
  QString Refusal;  // the message for the user when refused
  bool Refused() const { return !Refusal.isEmpty(); }
};

QByteArray SelectDrive();                      // "d:"
CommandLine ChangeFolder(const QString& path);  // "cd" + path (no blank: cd\DATA)
QByteArray ListFolder();                       // "dir"
// folder is a path of D: ("\" or "\DATA"); name is inside it.
CommandLine CountTree(const QString& folder, const QString& name);  // "dir/s D:\folder\name"
CommandLine DeleteFile(const QString& folder, const QString& name);    // "del D:\..."
CommandLine RemoveFolder(const QString& folder, const QString& name);  // "rd D:\..."
CommandLine MakeFolder(const QString& folder, const QString& name);    // "md D:\..."
CommandLine TypeFile(const QString& folder, const QString& name);      // "type D:\..."
// "ren D:\folder\old new"
CommandLine Rename(const QString& folder, const QString& oldName, const QString& newName);
// To be typed with the root of D: current: "echo NAME>>AutoRun.bat" for a
// program in the root, "echo \FOLDER\NAME>>\AutoRun.bat" for one below it,
// so that the root's AutoRun.bat, the one run at boot, starts it.
CommandLine AppendToAutoRun(const QString& folder, const QString& name);
QByteArray ShowMemory();                        // "C:\mem"
QByteArray AnswerAbort();                       // "A"
QByteArray FormatDriveD();                      // "C:\DLFMT D: /C"

// The shell's refusal of a command that names a path ("File not found",
// "Path not found", "Invalid drive"... followed by anything): the line
// without its line end, or empty when line is none.
QString RefusalIn(const QByteArray& line);

// The message that refuses a name (or the first refused name of a path of
// D:), or empty when it may be typed.
QString CheckName(const QString& name);
QString CheckPath(const QString& path);

}  // namespace DeviceCommand
