// UI stall: how long the main window stops answering while it works with the
// controller. A 10 ms timer runs on the main thread of the main window
// (offscreen) while a simulated controller at the 57600-baud line model,
// with its programs' real waits, serves the device operations as a user
// starts them: the device pane's refresh of a folder of 100 entries, FORMAT
// from the device menu (its question answered yes), an upload of 16 KiB
// dropped on the device list, the system initialisation from the
// configuration dialog (its shell steps and its copies apart). Prints, per
// operation, the longest gap between two ticks and the operation's time;
// asserts nothing.
// A window that answers keeps every gap at 50 ms or less.
//
// The simulator runs in a child process forked before anything else starts,
// so that the main thread shares nothing with it.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include "app/mainwindow.h"
#include "installation/taloappfolders.h"
#include "netconf/ui/networkdialog.h"
#include "remote/devicebrowser.h"
#include "remote/deviceitemmodel.h"
#include "remote/devicepane.h"
#include "sim/talosim.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/simprocess.h"

namespace {

constexpr int kTickMs = 10;
constexpr int kGoalMs = 50;
constexpr int kEntries = 100;
constexpr qint64 kOperationLimitMs = 90000;

// One operation: started from the event loop, finished when Done() says so
// (a listing shown, a message given), whether the start call returned at the
// end of the work or at once.
struct Operation {
  const char* Name;
  std::function<void()> Start;
  std::function<bool()> Done;
};

// Drives the operations one after the other from the ticking timer itself,
// so that it goes on whatever event loop runs (a modal dialog's included).
class StallWatch {
 public:
  StallWatch() {
    Tick.setTimerType(Qt::PreciseTimer);
    Tick.setInterval(kTickMs);
    QObject::connect(&Tick, &QTimer::timeout, [this] { OnTick(); });
  }

  // Steps run in order: each is either an operation (measured) or a wait
  // (a condition to reach first, unmeasured).
  void AddWait(std::function<bool()> ready) { Steps.push_back({nullptr, {}, std::move(ready)}); }
  void Add(Operation operation) { Steps.push_back(std::move(operation)); }

  void Run() {
    Clock.start();
    Tick.start();
    QApplication::exec();
  }

 private:
  void OnTick() {
    const qint64 now = Clock.elapsed();
    Longest = std::max(Longest, now - LastTick);
    LastTick = now;
    if (Next > Steps.size()) return;
    if (Started) {
      const Operation& step = Steps[Next - 1];
      const bool done = step.Done();
      if (!done && now - StartedAt < kOperationLimitMs) return;
      if (step.Name)
        std::printf("%-16s longest gap %6lld ms  (goal %d ms)  duration %6lld ms%s\n", step.Name,
                    static_cast<long long>(Longest), kGoalMs,
                    static_cast<long long>(now - StartedAt), done ? "" : "  DID NOT FINISH");
      Started = false;
    }
    if (Next == Steps.size()) {
      ++Next;
      QApplication::quit();
      return;
    }
    Operation& step = Steps[Next++];
    Started = true;
    StartedAt = now;
    Longest = 0;
    // From the event loop, as a click would come: the tick returns first.
    if (step.Start) QTimer::singleShot(0, step.Start);
  }

  QTimer Tick;
  QElapsedTimer Clock;
  std::vector<Operation> Steps;
  size_t Next = 0;
  bool Started = false;
  qint64 StartedAt = 0;
  qint64 LastTick = 0;
  qint64 Longest = 0;
};

bool FillDrive(talosim::Simulator& controller) {
  if (!controller.MakeDir("\\BIG")) return false;
  for (int i = 0; i < kEntries; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "\\BIG\\FILE%04d.DAT", i);
    if (!controller.PutFile(name, std::string(static_cast<size_t>(100 + i), 'x'))) return false;
  }
  return true;
}

// A message (not a question) given since the first `from` ones.
bool Told(const ScriptedDialogs& dialogs, size_t from) {
  const auto first = dialogs.Messages.begin() + static_cast<std::ptrdiff_t>(from);
  return std::any_of(first, dialogs.Messages.end(), [](const auto& message) {
    return message.Type != ScriptedDialogs::Message::Question;
  });
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  SimProcess sim;
  talosim::SimOptions options;
  options.Baud = 57600;
  if (!sim.Start(options, FillDrive)) {
    std::printf("the simulator did not start\n");
    return 1;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const QTemporaryDir home;
  qputenv("TALO7100_HOME", home.path().toLocal8Bit());
  if (!TaloAppDir::PrepareInstallationFolder(
          home.path(),
          {QStringLiteral(TALO_SHARE_DIR "/defaults"), QStringLiteral(TALO_SHARE_DIR "/demo")})) {
    std::printf("the installation folder could not be prepared\n");
    return 1;
  }

  ScriptedDialogs dialogs;  // every question answered yes
  MainWindow window(&dialogs, &dialogs);
  window.resize(1200, 800);
  window.StartUp(QString::fromStdString(sim.Port()));
  window.show();
  DevicePane& pane = *window.DevicePanel();
  int resets = 0;
  QObject::connect(&pane.Model(), &QAbstractItemModel::modelReset, [&] { ++resets; });
  const auto action = [&](const char* name) {
    return window.findChild<QAction*>(QLatin1String(name));
  };
  const auto configDialog = [&] {
    auto* dialog = qobject_cast<NetworkDialog*>(QApplication::activeModalWidget());
    return dialog && dialog->isVisible() ? dialog : nullptr;
  };

  std::printf("UI stall: longest gap of a %d ms main-thread timer, simulator at 57600 baud\n",
              kTickMs);
  StallWatch watch;
  // The folder of 100 entries, shown once before its refresh is measured.
  bool returned = false;
  int resetsAtStart = 0;
  size_t messagesAtStart = 0;
  watch.Add({nullptr, [&] { pane.Browser().OpenDeviceFolder(QStringLiteral("\\BIG")); },
             [&] { return pane.Model().rowCount() >= kEntries; }});
  const auto trigger = [&](const char* name) {
    return [&, name] {
      resetsAtStart = resets;
      returned = false;
      action(name)->trigger();
      returned = true;
    };
  };
  const auto listedAgain = [&] { return returned && resets > resetsAtStart; };
  watch.Add({"listing (100)", trigger("tbtnRefresh"), listedAgain});
  // FORMAT from the root, which stays (and is listed again) after it.
  watch.Add({nullptr, [&] { pane.Browser().OpenDeviceFolder(QStringLiteral("\\")); },
             [&] { return pane.Model().rowCount() < kEntries && pane.DeviceFreeBytes() > 0; }});
  watch.Add({"FORMAT", trigger("FORMAT1"), listedAgain});
  // An upload into the root, dropped on the device list.
  const QString upload = home.filePath(QStringLiteral("UPLOAD.BIN"));
  {
    QFile file(upload);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(16 * 1024, 'u')) != 16 * 1024) {
      std::printf("the file to upload could not be written\n");
      return 1;
    }
  }
  watch.Add({"upload (16 KiB)",
             [&] {
               resetsAtStart = resets;
               returned = false;
               window.CopyDroppedFiles({upload});
               returned = true;
             },
             listedAgain});
  // The configuration dialog opens (unmeasured); its initialisation is.
  watch.Add({nullptr, trigger("tbtnTCPConf"), [&] { return configDialog() != nullptr; }});
  // Measured in two parts: the format and the folders (the shell steps),
  // until the first copy's transfer window is up; then the copies.
  watch.Add({"init: shell",
             [&] {
               messagesAtStart = dialogs.Messages.size();
               if (QDialog* dialog = configDialog())
                 dialog->findChild<QPushButton*>(QStringLiteral("Bt_SystemInit"))->click();
               else
                 std::printf("the configuration dialog did not open\n");
             },
             [&] { return !configDialog() || Told(dialogs, messagesAtStart); }});
  watch.Add({"init: copies", nullptr, [&] { return Told(dialogs, messagesAtStart); }});
  watch.AddWait([&] {
    if (QDialog* dialog = configDialog()) dialog->reject();
    return returned;
  });
  watch.Run();

  for (const auto& message : dialogs.Messages)
    if (message.Type != ScriptedDialogs::Message::Question)
      std::printf("  message: %s\n",
                  qPrintable(QString(message.Text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
  return 0;
}
