#include "module/cli/diocli.h"

#include <unistd.h>

#include <QCommandLineParser>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

#include "clisupport/progressline.h"
#include "link/escapecontrols.h"
#include "link/jobs/interruption.h"
#include "link/shell/deviceshell.h"
#include "link/terminallog.h"
#include "link/userdialogs.h"
#include "module/diostartflow.h"
#include "module/diotext.h"
#include "remote/devicecli.h"
#include "transfer/terminalprogress.h"
#include "transfer/transferpresenter.h"

namespace DioCli {

namespace {

// Ctrl+C and SIGTERM (Interruption) stop the start, the watch and the polls.
bool StopRequested() { return Interruption::Requested(); }

// The shell's dialogs, with the start question answered yes.
class YesDialogs : public UserDialogs {
 public:
  explicit YesDialogs(UserDialogs& inner) : Inner(inner) {}
  bool AskYesNo(const QString&, BoxKind) override { return true; }
  std::optional<QString> AskName(const QString& c, const QString& p, const QString& i, int m) override {
    return Inner.AskName(c, p, i, m);
  }
  std::optional<QString> ChooseOpenFile(const QString& c, const QString& n, const QString& f) override {
    return Inner.ChooseOpenFile(c, n, f);
  }
  std::optional<QString> ChooseSaveFile(const QString& c, const QString& n, const QString& f) override {
    return Inner.ChooseSaveFile(c, n, f);
  }
  std::optional<QString> ChooseFolder(const QString& c, const QString& s) override {
    return Inner.ChooseFolder(c, s);
  }
  std::optional<QString> ChooseFont(const QString& c) override { return Inner.ChooseFont(c); }
  void BeginBusy() override { Inner.BeginBusy(); }
  void EndBusy() override { Inner.EndBusy(); }
  void Beep() override { Inner.Beep(); }

 private:
  UserDialogs& Inner;
};

// The uploads' progress bar. A Ctrl+C it takes (it cancels the upload in
// hand) stops the whole start.
class StoppingPresenter : public TransferPresenter {
 public:
  explicit StoppingPresenter(TerminalProgress& inner) : Inner(inner) {}
  void Present(TransferBatch& batch, bool cancelEnabled) override {
    Inner.Present(batch, cancelEnabled);
    if (Inner.CancelledByUser()) Interruption::Request();
  }

 private:
  TerminalProgress& Inner;
};

void Print(FILE* out, const QString& line) { PrintEscapedLine(out, line); }

// The panel's part: polls, sets and watch on the running simulation, then
// the release. True when every poll and set succeeded.
class Panel {
 public:
  Panel(TaloComPort& port, const Output& output, const DioTimings& timings)
      : Session(port, DioStartFlow::kModuleAddress, timings), Out(output), Timings(timings) {}

  bool Run(const Arguments& arguments, ResultTeller& teller) {
    Watching = arguments.Watch;
    if (!StopRequested()) Poll();
    for (const Setting& setting : arguments.Settings) {
      if (StopRequested() || Lost) {
        AllGood = false;  // a set that was not applied is no success
        break;
      }
      Set(setting);
    }
    if (!Polled) AllGood = false;
    while (arguments.Watch && !StopRequested() && !Lost) {
      if (WaitInterval()) Poll();
    }
    // A port that went away takes the release with it.
    const JobResult released =
        Lost ? JobResult{JobStatus::Disconnected, Session.DisconnectedText()} : Session.Release();
    if (released.Status == JobStatus::Disconnected) AllGood = false;
    teller.Tell(released);
    return AllGood;
  }

 private:
  void Poll() { Show(Session.Poll()); }
  void Show(const DioReading& reading) {
    Polled = true;
    State.Apply(reading);
    if (reading.Disconnected) {
      // Said once, by Run, instead of a failed poll every interval.
      Lost = true;
      AllGood = false;
      return;
    }
    if (State.StatusKey() == QLatin1String("0") || State.StatusKey() == QLatin1String("1")) {
      // A watch tells what changed, and when; a poll of its own, every state.
      const QString channels = State.ChannelsText();
      if (Watching && channels == LastShown) return;
      LastShown = channels;
      const QDateTime now = QDateTime::currentDateTime();
      if (Out.Json) {
        QJsonObject poll = PollObject();
        if (Watching) poll.insert("time", now.toString(Qt::ISODateWithMs));
        PrintJson(Out.Lines, poll);
      } else {
        Print(Out.Lines, Watching ? TerminalLog::Stamp(now) + channels : channels);
      }
    } else {
      AllGood = false;
      Print(Out.Messages, State.StatusMessage());
    }
  }
  // {"hex", "inputs": [0|1, ...], "outputs": [0|1, ...]}, channel 0 first.
  QJsonObject PollObject() const {
    QJsonArray inputs;
    QJsonArray outputs;
    for (int channel = 0; channel < State.DICount(); ++channel) inputs.append(State.DIOn(channel) ? 1 : 0);
    for (int channel = 0; channel < State.DOCount(); ++channel) outputs.append(State.DOOn(channel) ? 1 : 0);
    return {{"hex", State.HexText()}, {"inputs", inputs}, {"outputs", outputs}};
  }
  void Set(const Setting& setting) {
    const std::optional<std::string> value = State.ToggleValue(setting.Channel);
    if (value && (*value == "1") != setting.On) return;  // already as asked
    if (value) {
      const DioSetResult result = Session.SetOutput(setting.Channel, *value);
      // The read-back is the poll that follows every switch; it tells of
      // its own failure. An output it shows unchanged was not switched.
      if (result.Acknowledged) Show(result.ReadBack);
      if (result.Applied || Lost || (result.Acknowledged && !result.ReadBack.Ok)) return;
    }
    AllGood = false;
    if (Session.Disconnected()) {
      Lost = true;
      return;
    }
    Print(Out.Messages, QString::fromLatin1(DioText::kSetFailed));
  }
  // Waits one poll interval in short steps, so Ctrl+C is seen at once.
  bool WaitInterval() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Timings.PollIntervalMs);
    while (!StopRequested() && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return !StopRequested();
  }

  DioSession Session;
  DioPanelState State;
  const Output& Out;
  const DioTimings& Timings;
  bool AllGood = true;
  bool Polled = false;
  bool Lost = false;  // the port went away
  bool Watching = false;
  QString LastShown;  // the channels as last printed
};

}  // namespace

void RequestStop() { Interruption::Request(); }

std::optional<Arguments> ParseArguments(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption set(QStringLiteral("set"), QStringLiteral("Switch output CH (0-3)."),
                               QStringLiteral("CH=0|1"));
  const QCommandLineOption watch(QStringLiteral("watch"), QStringLiteral("Poll until Ctrl+C."));
  const QCommandLineOption yes(QStringLiteral("yes"), QStringLiteral("Answer the question yes."));
  parser.addOptions({set, watch, yes});
  if (!parser.parse(QStringList{QStringLiteral("dio")} + arguments) ||
      !parser.positionalArguments().isEmpty())
    return std::nullopt;
  Arguments parsed;
  parsed.Watch = parser.isSet(watch);
  parsed.Yes = parser.isSet(yes);
  for (const QString& value : parser.values(set)) {
    const QStringList parts = value.split(QLatin1Char('='));
    bool number = false;
    const int channel = parts.value(0).toInt(&number);
    if (parts.size() != 2 || !number || channel < 0 || channel > 3 ||
        (parts[1] != QLatin1String("0") && parts[1] != QLatin1String("1")))
      return std::nullopt;
    parsed.Settings.push_back({channel, parts[1] == QLatin1String("1")});
  }
  return parsed;
}

int Run(DeviceShell& shell, const QStringList& arguments, const Output& output,
        const DioTimings& timings) {
  const std::optional<Arguments> parsed = ParseArguments(arguments);
  if (!parsed) return kUsageError;
  Interruption::InstallSignalHandlers();
  // The start flow's check of the free space needs a listing.
  const std::optional<int64_t> free = DeviceCli::ReadFreeSpace(shell, QStringLiteral("\\"));
  if (StopRequested()) return kExitInterrupted;
  if (!free) return kExitFailed;

  YesDialogs yes(shell.Dialogs());
  DeviceShell yesShell(shell.Console(), yes, shell.Teller());
  yesShell.SetSelectedPort(shell.SelectedPort());
  DeviceShell& flowShell = parsed->Yes ? yesShell : shell;
  TerminalProgress progress(output.Messages, output.Interactive);
  StoppingPresenter uploads(progress);
  DioHost host{flowShell, uploads, *free, timings};
  host.StopFlag = &Interruption::Flag();
  bool allGood = false;
  bool stoppedInStart = false;
  const DioStart start = DioStartFlow::Run(host, [&](TaloComPort& port) {
    // A Ctrl+C as the simulation started: the panel only releases it.
    stoppedInStart = StopRequested();
    Panel panel(port, output, timings);
    allGood = panel.Run(*parsed, flowShell.Teller());
  });
  flowShell.Tell(DioStartFlow::Told(start));
  if (start.State == DioStartResult::Interrupted || stoppedInStart) return kExitInterrupted;
  return start.State == DioStartResult::PanelShown && allGood ? kExitOk : kExitFailed;
}

namespace {

int RunDio(CliContext& context, const QStringList& arguments) {
  return Run(context.Shell, arguments,
             {stdout, stderr, ProgressLine::Interactive(stderr), context.Json});
}

const CliCommand kCommands[] = {
    {.Name = "dio",
     .Arguments = kArguments,
     .Summary = "Polls and switches the embedded DIO module.",
     .Run = RunDio,
     .ShowConsole = false,
     .OwnOptions = true,
     .JoinsFleet = true},
};

}  // namespace

std::span<const CliCommand> Commands() { return kCommands; }

}  // namespace DioCli
