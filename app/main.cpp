// talo7100: the desktop program.
#include <QCommandLineParser>
#include <algorithm>
#include <cstdio>

#include "app/appsettings.h"
#include "app/cli/programtext.h"
#include "app/mainwindow.h"
#include "local/localpane.h"
#include "remote/devicebrowser.h"
#include "remote/devicepane.h"
#include "app/taloapplication.h"

namespace {

const QString kProgram = QStringLiteral("talo7100");

QString Usage() {
  return ProgramText::UsageHead(kProgram, QStringLiteral("[--port NAME] [--log FILE]")) +
         QStringLiteral(
             "\n"
             "Manages a TALO-7100 controller over one RS-232 line: its D: drive, file uploads\n"
             "and a terminal on its shell.\n\n"
             "Options:\n"
             "  --port NAME  selects NAME in the port box (adding it when the scan did not\n"
             "               find it) and lists the controller's D: drive through it;\n"
             "               NAME is a device name (ttyUSB0, ttyS0), a full path\n"
             "               (/dev/pts/3, /dev/serial/by-id/...) or COM1..COM255;\n"
             "               TALO7100_PORTS adds names to the port list (colon-separated);\n"
             "               without it the port of the last run is listed, when it is there\n"
             "  --log FILE   appends what the console shows, each line timestamped, to FILE\n"
             "  --help       show this text\n"
             "  --version    show the version\n");
}

void Print(FILE* out, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), out);
  std::fflush(out);
}

}  // namespace

int main(int argc, char** argv) {
  // --help and --version work without a display: they are answered before
  // the application starts (which takes its own options, -platform and the
  // like, out of the list).
  const auto argumentList = [&] {
    QStringList list;
    for (int i = 0; i < argc; ++i) list.append(QString::fromLocal8Bit(argv[i]));
    return list;
  };
  const QStringList arguments = argumentList();
  QCommandLineParser options;
  options.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("name"));
  const QCommandLineOption log(QStringLiteral("log"), QString(), QStringLiteral("file"));
  const QCommandLineOption help(QStringLiteral("help"));
  const QCommandLineOption version(QStringLiteral("version"));
  options.addOptions({port, log, help, version});
  const auto wrongCall = [&] {
    const QString problem = options.positionalArguments().isEmpty()
                                ? options.errorText()
                                : QStringLiteral("unexpected argument %1")
                                      .arg(options.positionalArguments().front());
    Print(stderr, ProgramText::WrongCall(kProgram, problem) + QLatin1Char('\n'));
    return 2;
  };
  // A wrong option is reported before the application starts too, unless it
  // may be one of the toolkit's own (-platform, -style...), which only the
  // application can tell.
  if (options.parse(arguments)) {
    if (!options.positionalArguments().isEmpty()) return wrongCall();
  } else {
    static const QStringList toolkitOptions = {
        QStringLiteral("platform"), QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"), QStringLiteral("plugin"), QStringLiteral("qmljsdebugger"),
        QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowicon"),
        QStringLiteral("qwindowtitle"), QStringLiteral("reverse"), QStringLiteral("session"),
        QStringLiteral("display"), QStringLiteral("geometry"), QStringLiteral("style"),
        QStringLiteral("stylesheet"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
        QStringLiteral("dograb"), QStringLiteral("name"), QStringLiteral("title"),
        QStringLiteral("visual"), QStringLiteral("fontengine"), QStringLiteral("dialogs")};
    const QStringList unknown = options.unknownOptionNames();
    const bool toolkit = std::any_of(unknown.begin(), unknown.end(), [](const QString& name) {
      return toolkitOptions.contains(name);
    });
    if (!toolkit) return wrongCall();
  }
  if (arguments.contains(QStringLiteral("--help")) && options.parse(arguments) &&
      options.isSet(help)) {
    Print(stdout, Usage());
    return 0;
  }
  if (arguments.contains(QStringLiteral("--version")) && options.parse(arguments) &&
      options.isSet(version)) {
    Print(stdout, ProgramText::VersionLine(kProgram) + QLatin1Char('\n'));
    return 0;
  }

  TaloApplication app(argc, argv);
  // The application took its own options out of argv.
  if (!options.parse(argumentList()) || !options.positionalArguments().isEmpty())
    return wrongCall();

  AppSettings settings;
  MainWindow window;
  window.VerifyAfterRestore = settings.VerifyAfterRestore();
  window.Shell().SetQuickAnswers(settings.QuickListings());
  const QString startPort = AppSettings::StartPort(options.value(port), settings.LastPort());
  window.LocalPanel()->SetSortOrder(settings.LocalSort());
  window.DevicePanel()->Browser().SetSortOrder(settings.DeviceSort());
  window.StartUp(startPort);
  if (options.isSet(log)) (void)window.StartTerminalLog(options.value(log));
  // A port given or remembered is listed as soon as the window has been
  // painted, as a pick from the box would list it.
  if (!startPort.isEmpty()) window.OpenDeviceRootOncePainted();
  if (window.restoreGeometry(settings.WindowGeometry()))
    window.show();
  else
    window.showMaximized();
  const int status = app.exec();
  settings.SetLastPort(window.SelectedPort());
  settings.SetWindowGeometry(window.saveGeometry());
  settings.SetVerifyAfterRestore(window.VerifyAfterRestore);
  settings.SetQuickListings(window.Shell().QuickAnswers());
  settings.SetLocalSort(window.LocalPanel()->SortOrder());
  settings.SetDeviceSort(window.DevicePanel()->Browser().SortOrder());
  settings.Save();
  return status;
}
