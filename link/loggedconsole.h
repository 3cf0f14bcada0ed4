#pragma once
// LoggedConsole: a console that also writes what it shows into a terminal
// log (when one is open).
//
// Principles of operation
// - It puts the log in front of any console: the GUI's memo and the command
//   line's stdout use the same one. Every call goes to the inner console
//   first; lines and pieces of lines then go to the log. Main thread only,
//   as the log is.

#include "link/taloconsole.h"
#include "link/terminallog.h"

class LoggedConsole : public TaloConsole {
 public:
  LoggedConsole(TaloConsole& inner, TerminalLog& log) : Inner(inner), Log(log) {}

  int LineCount() const override { return Inner.LineCount(); }
  void Clear() override { Inner.Clear(); }
  void AppendLine(const QString& text) override;
  void AppendToLastLine(const QString& text) override;
  void EraseLastChar() override;
  void ClearLastLine() override;
  void NewLine() override;
  void ResetTo(const QStringList& lines) override { Inner.ResetTo(lines); }
  QString LastLine() const override { return Inner.LastLine(); }
  void BeginUpdate() override { Inner.BeginUpdate(); }
  void EndUpdate() override { Inner.EndUpdate(); }

 private:
  TaloConsole& Inner;
  TerminalLog& Log;
};
