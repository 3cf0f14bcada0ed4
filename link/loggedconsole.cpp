#include "link/loggedconsole.h"

void LoggedConsole::AppendLine(const QString& text) {
  Inner.AppendLine(text);
  Log.WriteLine(text);
}

void LoggedConsole::AppendToLastLine(const QString& text) {
  Inner.AppendToLastLine(text);
  Log.Write(text);
}

void LoggedConsole::NewLine() {
  Inner.NewLine();
  Log.Write(QStringLiteral("\n"));
}
