#include "app/apptext.h"


namespace AppText {

QString MainCaption() {
  return QStringLiteral("TALO-7100 Series Utility (Ver " TALO_VERSION ")");
}
QString ExitQuestion() { return QStringLiteral("Are you sure to exit?"); }
QString CopyTooLong() { return QStringLiteral("The selected text exceeds 1024 bytes!"); }

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
