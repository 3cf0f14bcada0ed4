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

void LoggedConsole::EraseLastChar() {
  Inner.EraseLastChar();
  Log.EraseLastChar();
}

void LoggedConsole::ClearLastLine() {
  Inner.ClearLastLine();
  Log.ClearLine();
}
