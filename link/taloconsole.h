#pragma once
// TaloConsole: the terminal console as the device logic sees it.
//
// Principles of operation
// - A list of lines; the last line is the one being written. An empty console
//   counts as one empty line.
// - Every call runs on the main thread. Workers hand their calls over with
//   TaloThread::Synchronize.
// - The widget implementation is the memo of the main window; the command-line
//   front end prints finished lines to stdout; tests record the calls.

#include <QString>
#include <QStringList>

class TaloConsole {
 public:
  virtual ~TaloConsole() = default;

  // Number of lines, the last (possibly empty) line included: a console whose
  // text ends with a line end has an empty last line.
  virtual int LineCount() const = 0;
  // Removes everything (one empty line remains).
  virtual void Clear() = 0;
  // The log path of the shell exchanges: text fills the last line when that
  // is empty, else a new line after it; an empty last line follows.
  virtual void AppendLine(const QString& text) = 0;

  // Terminal path: the line being written.
  virtual void AppendToLastLine(const QString& text) = 0;
  virtual void EraseLastChar() = 0;
  virtual void ClearLastLine() = 0;
  // Ends the last line; a new empty last line follows it.
  virtual void NewLine() = 0;
  // Replaces the whole content with these finished lines and an empty last line.
  virtual void ResetTo(const QStringList& lines) = 0;
  virtual QString LastLine() const = 0;

  // Holds and releases repainting during bursts.
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
};
