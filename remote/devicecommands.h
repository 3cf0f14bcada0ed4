#pragma once
// The shell command lines the device pane types, in one table.
//
// Every line ends with the carriage return that makes the shell run it. Names
// are relative to the shell's current folder, which the last listing made
// the folder the pane shows. The shell has no quoting: a name is typed as it
// stands, so names the user types go through CheckTypedName first.

#include <QByteArray>
#include <QString>

namespace DeviceCommand {

QByteArray SelectDrive();                       // "d:"
QByteArray ChangeFolder(const QString& path);   // "cd" + path (no blank: cd\DATA)
QByteArray ListFolder();                        // "dir"
QByteArray CountTree(const QString& argument);  // "dir/s " + argument
QByteArray DeleteFile(const QString& name);     // "del " + name
QByteArray RemoveFolder(const QString& name);   // "rd " + name
QByteArray MakeFolder(const QString& name);     // "md " + name
QByteArray Rename(const QString& oldName, const QString& newName);  // "ren old new"
QByteArray AppendToAutoRun(const QString& name);  // "echo " + name + ">>AutoRun.bat"
QByteArray ShowMemory();                          // "C:\mem"
QByteArray AnswerAbort();                         // "A"
QByteArray FormatDriveD();                        // "C:\DLFMT D: /C"

// A name the user typed is safe to put on a command line when it is not
// empty and holds no blank, no control character and none of the shell's
// redirection characters "<", ">" and "|": any of those would split or
// redirect the command. 8.3 rules and duplicates stay the shell's to judge.
bool IsSafeTypedName(const QString& name);

}  // namespace DeviceCommand
