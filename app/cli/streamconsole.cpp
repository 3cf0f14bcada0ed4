#include "streamconsole.h"

#include <QByteArray>

StreamConsole::~StreamConsole() { Flush(); }

void StreamConsole::Print(const QString& line) {
  if (!Out) return;
  const QByteArray bytes = line.toLocal8Bit();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), Out);
  std::fputc('\n', Out);
  std::fflush(Out);
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
