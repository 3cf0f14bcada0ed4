#pragma once
// StreamConsole: the console of the command-line front end. Finished lines go
// to a stdio stream (stdout) as they are finished; the line being written is
// kept until it ends. Clearing (the exchange's 300-line rule) and the
// terminal path's resets only restart the count: nothing printed is lost.
// A null stream keeps the count and prints nothing (a quiet console).
// Lines are printed escaped (EscapeControls): the controller's bytes never
// act on the user's terminal.

#include <QString>
#include <cstdio>

#include "link/taloconsole.h"

class StreamConsole : public TaloConsole {
 public:
  explicit StreamConsole(FILE* out = stdout) : Out(out) {}
  ~StreamConsole() override;  // prints a pending last line

  int LineCount() const override { return Finished + 1; }
  void Clear() override;
  void AppendLine(const QString& text) override;
  void AppendToLastLine(const QString& text) override { Last += text; }
  void EraseLastChar() override { Last.chop(1); }
  void ClearLastLine() override { Last.clear(); }
  void NewLine() override;
  void ResetTo(const QStringList& lines) override;
  QString LastLine() const override { return Last; }
  void BeginUpdate() override {}
  void EndUpdate() override {
    if (Out) std::fflush(Out);
  }

  // Prints the pending last line, if any, as a finished line.
  void Flush();

 private:
  void Print(const QString& line);

  FILE* Out;
  int Finished = 0;
  QString Last;
};
