#include "app/apptext.h"

#include "link/deviceshell.h"
#include "link/talocomport.h"

namespace AppText {

QString MainCaption() {
  return QStringLiteral("TALO-7100 Series Utility (Ver " TALO_VERSION ")");
}
QString ExitQuestion() { return QStringLiteral("Are you sure to exit?"); }
QString TerminalUnableToOpen(const QString& port, int openError) {
  const QString first = QStringLiteral("Unable to open ") + port + QStringLiteral(" !");
  if (!TaloComPort::IsNotSerialPortError(openError)) return first;
  return first + QStringLiteral("\n\n") + ShellText::NotASerialPort(port);
}
QString CopyTooLong() { return QStringLiteral("The selected text exceeds 1024 bytes!"); }

QString TerminalLineErased() {
  return QStringLiteral("(the line typed without Enter was erased from the TALO-7100's line)");
}

QString TerminalLineMayHoldText() {
  return QStringLiteral("(the line typed without Enter may still be in the TALO-7100's line: it "
                        "is erased before the next command)");
}

QString InitInitializing() { return QStringLiteral("Initializing..."); }
QString InitScanningLocal() { return QStringLiteral("Scanning local system..."); }
QString InitScanningPorts() { return QStringLiteral("Scanning COM port..."); }
QString InitConstructingLocal() { return QStringLiteral("Constructing local view..."); }
QString InitStartingThreads() { return QStringLiteral("Starting COM thread..."); }
QString InitDone() { return QStringLiteral("Initialization done!!"); }

QString AboutCaption() { return QStringLiteral("About TALO-7100 Utility"); }
QString AboutProduct() { return QStringLiteral("TALO-7100 Series Utility"); }
QString AboutVersion() { return QStringLiteral("Version: " TALO_VERSION); }
QString AboutBuild() { return QStringLiteral("(" TALO_BUILD_TAG ")"); }
QString AboutMakerNotice() {
  return QStringLiteral("Copyright (C) 2026 The talo7100 developers");
}

QString CopyButtonHint() { return QStringLiteral("Copy file to TALO"); }

}  // namespace AppText
