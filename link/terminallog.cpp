#include "link/terminallog.h"

#include "link/escapecontrols.h"
#include "link/foreignlink.h"

bool TerminalLog::Open(const QString& path, QString* error) {
  Close();
  if (ForeignLink::IsForeignLink(path)) {
    if (error) *error = QStringLiteral("it is a symbolic link that belongs to another user");
    return false;
  }
  File.setFileName(path);
  // Owner only: the log holds whatever was typed into the terminal.
  if (!File.open(QIODevice::WriteOnly | QIODevice::Append,
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
    if (error) *error = File.errorString();
    return false;
  }
  AtLineStart = true;
  return true;
}

void TerminalLog::Close() {
  if (!File.isOpen()) return;
  if (!AtLineStart) WriteOpenLine();
  File.close();
  AtLineStart = true;
}

void TerminalLog::WriteOpenLine() {
  File.write((OpenLineStamp + EscapeControls(OpenLine) + QLatin1Char('\n')).toUtf8());
  OpenLine.clear();
  AtLineStart = true;
}

QString TerminalLog::Stamp(const QDateTime& time) {
  return QLatin1Char('[') + time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")) +
         QStringLiteral("] ");
}

void TerminalLog::Write(const QString& text) {
  if (!File.isOpen() || text.isEmpty()) return;
  bool lineEnded = false;
  for (const QChar c : text) {
    if (c == QLatin1Char('\r')) continue;
    if (AtLineStart) {
      OpenLineStamp = Stamp(Now());
      AtLineStart = false;
    }
    if (c == QLatin1Char('\n')) {
      WriteOpenLine();
      lineEnded = true;
    } else {
      OpenLine += c;
    }
  }
  if (lineEnded) File.flush();
}

void TerminalLog::EraseLastChar() {
  if (!AtLineStart) OpenLine.chop(1);
}

void TerminalLog::ClearLine() {
  if (!AtLineStart) OpenLine.clear();
}

void TerminalLog::WriteLine(const QString& text) {
  Write(AtLineStart ? text + QLatin1Char('\n') : QLatin1Char('\n') + text + QLatin1Char('\n'));
}
