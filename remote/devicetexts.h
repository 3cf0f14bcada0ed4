#pragma once
// Every text the device pane shows: messages, questions, prompts, status and
// properties texts. Kept together so that the wording lives in one place.

#include <QString>
#include <cstdint>

#include "remote/devicelister.h"

namespace DeviceText {

// Listing and counting exchanges.
QString UnableToSendDrive();  // "d:" was not echoed
QString UnableToSendChangeFolder(const QString& path);
QString UnableToSendList();
QString UnableToSendCountTree();
// The answer to "dir" or "dir/s" stopped before the shell's prompt.
QString ListingCutShort();
QString CountCutShort();
// A shell line that refuses a command, followed by the name concerned:
// the line exactly as received (CR LF included) + "'" + name + "'!".
QString ShellRefusal(const QString& line, const QString& name);

// File commands.
QString FolderNotEmpty(const QString& name);
QString AskDeleteFolder(const QString& name);
QString AskDeleteFile(const QString& name);
QString AskDeleteItems(qsizetype count);  // "Delete 5 items from the TALO-7100?"
QString RenameCaption(const QString& oldName);
QString RenamePrompt();
QString MakeDirectoryCaption();
QString MakeDirectoryPrompt();
QString AskFormat();
// What to check when a command's carriage return went out but its end was
// not seen (ShellText::WithCheck).
QString FormatMayHaveStarted();
QString CommandMayHaveRun();
// A name the utility will not type: which name and why.
QString UnsafeName(const QString& name, const QString& why);
// Command-line file commands.
QString NotFound(const QString& path);        // no such file or folder
QString NotAProgram(const QString& path);     // autorun of a non-.EXE
QString NotAFile(const QString& path);        // rename of a folder
QString WouldBeCut(const QString& typed, const QString& shortName);

// Viewing a text file.
QString AskViewLarge(const QString& name, int64_t bytes, int seconds);
// A line of the file too long for the shell's answer to carry whole.
QString TextLineTooLong(const QString& path);
// The viewer's Save as... for a text that is not the whole file, and cat's
// word after printing one.
QString NotReadWhole(const QString& name);
QString PrintedNotWhole(const QString& path);

// Status bar and properties.
// Panel 1 after a failed listing, in place of the sizes: what went wrong and
// what to do, short enough for the panel.
QString ListingFailedStatus(ListingFailure failure, const QString& port);
QString ObjectCount(qsizetype count);              // "N object(s)"
QString SizeText(uint64_t totalBytes);             // "1023 byte(s)", "1.0 KB", "1.0 MB"
QString ByteCount(int64_t bytes);                  // "N byte(s)"
QString Contents(int64_t files, int64_t folders);  // "N file(s), M folder(s)"
QString ModuleName();                              // "TALO-7100"
QString RootType();                                // "TALO disk (D:)"
QString FolderType();                              // "Folder"
QString ItemCount(qsizetype count);                // "5 items" (several selected)
QString SeveralTypes();                            // several items of more than one type
QString CancelCaption();                           // the status bar's button that stops a job

}  // namespace DeviceText
