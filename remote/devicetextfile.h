#pragma once
// DeviceTextFile: a text file of the controller's D: drive, read back
// through the shell's "type" - for the pane's viewer, talo7100-cli cat and
// the configuration's read-back. QtCore only.
//
// Principles of operation
// - One standard exchange (ShellSession) with one command line, "type" and
//   the file's full path, built by DeviceCommand: every name of the path
//   passes the check every typed name passes, or nothing is typed.
// - The text is what the shell prints between the line end that follows
//   the command and the line end it prints before its prompt: the file's
//   bytes with their line ends as stored. Two things at the file's end are
//   not text: the zero bytes an XMODEM upload pads its last block with, and
//   a final ^Z (the DOS end-of-text mark).
// - The shell prints its refusal ("File not found", "Access denied"...,
//   each maybe followed by more words) in place of the text. An answer of
//   one line that begins with one of those (DeviceCommand::RefusalIn) is
//   taken for the refusal, shown as an error with the shell's words and the
//   path; a file holding nothing but such a line cannot be told from it.
// - The answer ends at the shell's prompt, a text that begins with "C:\" or
//   "D:\" and ends in ">" with no line end after it: a line of the file
//   that begins so, after a pause of the shell or not, is part of the text.
// - A text is whole or not at all: an answer without the prompt (cut off,
//   endless, a drive error) or with a line past the shell exchange's line
//   limit (shown in the console, never passed on) is an error, never a
//   shorter text.
// - Read shows nothing: it hands the text back, or the failure as a
//   JobResult (Failed for a refused name, a refusal of the shell or a line
//   too long; TimedOut, Disconnected or Failed as the exchange ended;
//   Cancelled when its job was asked to stop, between the lines of the
//   answer). The caller's top level shows it. It runs on a job's worker or
//   inline; the port is closed when it returns.
// - The pane's View asks its question on the main thread, then reads the
//   file as a job on the shell's runner and hands the read to the pane once
//   the job is done.
// - Whether the text is the whole file takes the file's listed size:
//   "type" stops at a ^Z, and the shell's own line end before its prompt
//   may stand for the file's last one. FileBytes tells the file's bytes
//   from what was typed when the size allows only one reading, and refuses
//   a text holding ^Z or NUL before its end (a console may drop or act on
//   them). The line reads drop every zero byte, so a file holding any
//   (XMODEM padding included) comes out shorter than listed and is refused
//   too: where its zeros stood cannot be told. Only a text FileBytes gives
//   is saved or copied as the file.

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

#include "link/jobs/jobrunner.h"
#include "remote/devicelister.h"

class DeviceBrowser;
class DeviceShell;

namespace DeviceTextFile {

// Typing more than this takes long enough on the line to ask first.
inline constexpr int64_t kAskAboveBytes = 64 * 1024;

// The name has an extension of a text file (CFG, UPW, TXT, INI, LOG, BAT;
// any case): "type" may carry it.
bool IsTextName(const QString& name);
// A text the pane opens in its viewer on a double-click: not a batch file,
// which is a program and runs in the terminal.
bool OpensInViewer(const QString& name);

// The answer to "type" as its lines were passed on (each with its line end,
// the first being the command's own): the text, or the shell's refusal.
struct Answer {
  QByteArray Text;
  QString Refusal;  // the shell's line, when it refused
  // What the shell typed before its own line end, nothing else taken off.
  QByteArray Typed;
};
Answer FromAnswer(const QByteArrayList& lines);

// The text's lines without their line ends (CR LF or LF); a final line end
// adds no empty line. Bytes are Latin-1, as the shell speaks.
QStringList Lines(const QByteArray& text);

// Seconds the controller's line takes for bytes, rounded up.
int SecondsOnLine(int64_t bytes);

// The file's bytes, when typed is all of a file of size bytes (see
// above); none when "type" cannot have carried it whole.
std::optional<QByteArray> FileBytes(const QByteArray& typed, int64_t size);

// Whether the text shows all of a file of size bytes: FileBytes gives it,
// or what is missing is no more than the padding of an upload's last
// 128-byte block (zeros, which a text shows nothing of) and the final line
// end. For showing, not saving.
bool ShowsWhole(const QByteArray& typed, int64_t size);

// A file read back: its text when Result is Ok, else nothing.
struct TextRead {
  QByteArray Text;
  JobResult Result;
  QByteArray Typed;  // Answer::Typed
  // The answer held a line past the exchange's limit: the file is no text
  // that "type" can carry (Result says so).
  bool LineTooLong = false;
};

// The text of name in folder (a path of D: such as "\CONF"), at the file
// commands' time-out and prompt budget.
TextRead Read(DeviceShell& shell, const QString& folder, const QString& name,
              const DeviceTimeouts& timeouts = {});

// The pane's View of the file at index of the browser's list, in its
// folder: asks first when the file is larger than kAskAboveBytes, then
// reads it as a job on the shell's runner and calls done with the file's
// name and the read. False, and done never called, for a folder, no item,
// No, or a runner busy with another job.
using ViewDone = std::function<void(const QString& name, const TextRead& read)>;
bool ViewItem(DeviceBrowser& browser, int index, ViewDone done);

}  // namespace DeviceTextFile
