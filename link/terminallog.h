#pragma once
// TerminalLog: a file that records what the console shows, each line opened
// by the time it began, "[YYYY-MM-DD hh:mm:ss.mmm] " (local time).
//
// Principles of operation
// - Main thread only: it is written where the console is fed, so it adds no
//   lock and no wait to the receive path (the receiver only fills the ring).
// - Write takes text as it comes, in pieces of any size. A timestamp goes in
//   front of the first character of every line, so a line that arrives in
//   several reads carries one timestamp, the time of its first piece. A
//   carriage return is kept out of the file; a line feed ends the line.
//   Other control characters are written escaped (EscapeControls): reading
//   the log in a terminal shows them instead of obeying them.
// - The unfinished line is kept until its line feed, and edits of it as the
//   console makes them (a character erased by the shell's backspace echo, a
//   line rewritten from its start) apply to it: the log holds the line the
//   shell ran, not the keystrokes that made it.
// - Each line is written and flushed at its end, so a crash or a pulled plug
//   loses at most the unfinished line. Opening appends to an existing file; a new
//   one is created readable by its owner only (it holds what was typed).
//   A symbolic link in the file's place that belongs to another user is
//   refused (ForeignLink): the log is not written through it.
// - LoggedConsole puts it in front of any console.

#include <QDateTime>
#include <QFile>
#include <QString>
#include <functional>


class TerminalLog {
 public:
  using Clock = std::function<QDateTime()>;
  explicit TerminalLog(Clock clock = &QDateTime::currentDateTime) : Now(std::move(clock)) {}
  ~TerminalLog() { Close(); }
  TerminalLog(const TerminalLog&) = delete;
  TerminalLog& operator=(const TerminalLog&) = delete;

  // False, with the reason in *error, when the file cannot be opened.
  bool Open(const QString& path, QString* error = nullptr);
  // Ends an unfinished line and closes the file.
  void Close();
  bool IsOpen() const { return File.isOpen(); }
  QString Path() const { return File.fileName(); }

  void Write(const QString& text);
  // Edits of the unfinished line (the console's EraseLastChar, ClearLastLine).
  void EraseLastChar();
  void ClearLine();
  // text as a whole line of its own (ending an unfinished one first).
  void WriteLine(const QString& text);

  static QString Stamp(const QDateTime& time);  // "[2026-12-08 03:04:05.678] "

 private:
  Clock Now;
  QFile File;
  bool AtLineStart = true;
  QString OpenLine;
  QString OpenLineStamp;

  void WriteOpenLine();
};
