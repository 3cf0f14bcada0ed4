#include "app/cli/streamconsole.h"

#include "link/escapecontrols.h"

StreamConsole::~StreamConsole() { Flush(); }

void StreamConsole::Print(const QString& line) {
  if (Out) PrintEscapedLine(Out, line);
}

void StreamConsole::Clear() {
  Flush();
  Finished = 0;
}

void StreamConsole::AppendLine(const QString& text) {
  if (!Last.isEmpty()) NewLine();
  Print(text);
  ++Finished;
}

void StreamConsole::NewLine() {
  Print(Last);
  Last.clear();
  ++Finished;
}

void StreamConsole::ResetTo(const QStringList& lines) {
  // The lines were printed when they were finished.
  Finished = static_cast<int>(lines.size());
  Last.clear();
}

void StreamConsole::Flush() {
  if (!Last.isEmpty()) NewLine();
}
