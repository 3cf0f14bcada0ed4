#pragma once
// The texts the terminal shows. They are the program's own words: keep them
// byte for byte.

#include <QString>

namespace TerminalText {

// "Unable to open " + port + " !", and what the path is when it is no serial
// port (openError as TaloComPort::LastError gives it).
QString UnableToOpen(const QString& port, int openError = 0);
// The console's line when the terminal, switched off, erased what was typed
// without a carriage return; or could not tell that it did.
QString LineErased();
QString LineMayHoldText();

}  // namespace TerminalText
