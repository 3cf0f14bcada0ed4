#pragma once
// The texts the main window, the console and the start-up and about dialogs
// show (the terminal's own are in link/terminal/terminaltext.h). They are the program's own words: keep them byte for byte.

#include <QString>

namespace AppText {

// The version and the build come from the project (TALO_VERSION,
// TALO_BUILD_TAG).
QString MainCaption();                         // "TALO-7100 Series Utility (Ver " + version + ")"
QString ExitQuestion();                        // "Are you sure to exit?"
QString CopyTooLong();                         // "The selected text exceeds 1024 bytes!"

// Start-up steps shown by the progress dialog.
QString InitInitializing();
QString InitScanningLocal();
QString InitScanningPorts();
QString InitConstructingLocal();
QString InitStartingThreads();
QString InitDone();

QString AboutCaption();     // "About TALO-7100 Utility"
QString AboutProduct();     // "TALO-7100 Series Utility"
QString AboutVersion();     // "Version: " + version
QString AboutBuild();       // "(" + build tag + ")"
QString AboutMakerNotice();

QString CopyButtonHint();   // "Copy file to TALO"

}  // namespace AppText
