// talo7100: the desktop program.
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>

#include "taloapplication.h"
#include "tfrmmain.h"

int main(int argc, char** argv) {
  TaloApplication app(argc, argv);

  QCommandLineParser options;
  options.setApplicationDescription(QStringLiteral(
      "Manages a TALO-7100 controller over one RS-232 line: its D: drive, file uploads "
      "and a terminal on its shell.\n\nPorts are device names (ttyUSB0, ttyS0...), full paths "
      "(/dev/pts/3) or COM1..COM255; TALO7100_PORTS adds names to the port list "
      "(colon-separated)."));
  options.addHelpOption();
  options.addVersionOption();
  const QCommandLineOption port(QStringLiteral("port"),
                                QStringLiteral("Selects <name> in the port box (adding it when "
                                               "the scan did not find it) and lists the "
                                               "controller's D: drive through it."),
                                QStringLiteral("name"));
  options.addOption(port);
  const QCommandLineOption log(QStringLiteral("log"),
                               QStringLiteral("Appends what the console shows, each line "
                                              "timestamped, to <file>."),
                               QStringLiteral("file"));
  options.addOption(log);
  options.process(app);

  TfrmMain window;
  window.StartUp(options.value(port));
  if (options.isSet(log)) (void)window.StartTerminalLog(options.value(log));
  window.showMaximized();
  if (options.isSet(port)) QTimer::singleShot(0, &window, &TfrmMain::OpenDeviceRoot);
  return app.exec();
}
