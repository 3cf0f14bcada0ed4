#include "link/terminal/terminaltext.h"

#include "link/port/talocomport.h"
#include "link/shell/deviceshell.h"

namespace TerminalText {

QString UnableToOpen(const QString& port, int openError) {
  const QString first = QStringLiteral("Unable to open ") + port + QStringLiteral(" !");
  if (!TaloComPort::IsNotSerialPortError(openError)) return first;
  return first + QStringLiteral("\n\n") + ShellText::NotASerialPort(port);
}
QString LineErased() {
  return QStringLiteral("(the line typed without Enter was erased from the TALO-7100's line)");
}

QString LineMayHoldText() {
  return QStringLiteral("(the line typed without Enter may still be in the TALO-7100's line: it "
                        "is erased before the next command)");
}

}  // namespace TerminalText
