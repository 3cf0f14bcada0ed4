// Reads SOCKET.CFG back from the simulator paced at 57600 baud, as
// talo7100-cli netconf --show does, and sets the time against its goal: the
// file's bytes at the line's rate plus one standard exchange, within 10 %.
// The standard exchange is measured, not assumed: "type" of an empty file
// whose path is as long, which costs the same drain, echo round trips and
// final wait and carries no text. The file is the one an upload leaves: the
// writer's bytes padded with zeros to the XMODEM block.
// Prints figures; asserts nothing.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include "link/shell/deviceshell.h"
#include "link/silentdialogs.h"
#include "netconf/settingsparser.h"
#include "netconf/settingsreadback.h"
#include "remote/devicetextfile.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/simfixture.h"

namespace {

constexpr int kRuns = 3;
constexpr uint32_t kBaud = 57600;
constexpr size_t kBlock = 128;

// The best of kRuns, in ms, and the bytes each way of the last run;
// negative when one failed.
struct Figures {
  double BestMs = 1e12;
  size_t Typed = 0;
  int64_t Answered = 0;
};

Figures Measure(talosim::Simulator& sim, const std::function<bool()>& read) {
  Figures figures;
  for (int run = 0; run < kRuns; ++run) {
    sim.ClearReceived();
    sim.SetFaults({});  // restarts the count of bytes sent
    QElapsedTimer timer;
    timer.start();
    if (!read()) return {-1, 0, 0};
    figures.BestMs = std::min(figures.BestMs, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    figures.Typed = sim.Received().size();
    figures.Answered = sim.SentSinceFaults();
  }
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  SimHarness harness;
  talosim::SimOptions options;
  options.Baud = kBaud;
  if (!harness.Start(options)) {
    std::fprintf(stderr, "simulator: %s\n", harness.LastError().c_str());
    return 1;
  }
  talosim::Simulator& sim = harness.Sim();
  AddressSettings settings;
  settings.Ip = {"192", "168", "100", "20"};
  settings.Gateway = {"192", "168", "100", "1"};
  settings.Dns = {"192", "168", "100", "2"};
  const QByteArray written =
      NetSettings::SocketCfgBytes(settings, NetSettings::CheckAddresses(settings));
  std::string file(written.constData(), static_cast<size_t>(written.size()));
  file.resize((file.size() + kBlock - 1) / kBlock * kBlock, '\0');
  sim.MakeDir("\\CONF");
  sim.PutFile("\\CONF\\SOCKET.CFG", file);
  sim.PutFile("\\CONF\\EMPTY0.CFG", "");

  RecordingConsole console;
  SilentDialogs dialogs;
  DeviceShell shell(console, dialogs, dialogs);
  shell.SetSelectedPort(QString::fromStdString(harness.PortPath()));
  const DeviceTimeouts timeouts;

  const Figures show = Measure(sim, [&] {
    const auto read = SettingsReadBack::ReadSettings(shell, timeouts);
    return read.Value &&
           NetSettings::SettingsOptions(*read.Value) == NetSettings::SettingsOptions(settings);
  });
  const Figures empty = Measure(sim, [&] {
    const DeviceTextFile::TextRead read =
        DeviceTextFile::Read(shell, "\\CONF", "EMPTY0.CFG", timeouts);
    return read.Result.Ok() && read.Text.isEmpty();
  });
  if (show.BestMs < 0 || empty.BestMs < 0) {
    std::fprintf(stderr, "read failed: %s\n", qPrintable(dialogs.LastMessage()));
    return 1;
  }
  const double fileMs = static_cast<double>(file.size()) * 10.0 * 1000.0 / kBaud;
  const double goalMs = fileMs + empty.BestMs;
  std::printf("netconf --show: SOCKET.CFG of %zu bytes (%lld written, padded) at %u baud, "
              "time-out T = %u ms, best of %d\n",
              file.size(), static_cast<long long>(written.size()), kBaud,
              timeouts.FileCommandMs, kRuns);
  std::printf("  time taken:              %.0f ms\n", show.BestMs);
  std::printf("  bytes on the line:       %zu typed, %lld received\n", show.Typed,
              static_cast<long long>(show.Answered));
  std::printf("  one standard exchange:   %.0f ms (type of an empty file: %zu typed, %lld "
              "received)\n",
              empty.BestMs, empty.Typed, static_cast<long long>(empty.Answered));
  std::printf("  the file at line rate:   %.0f ms\n", fileMs);
  std::printf("  against the goal:        %+.1f %% of %.0f ms (goal <= +10 %%)\n",
              100.0 * (show.BestMs - goalMs) / goalMs, goalMs);
  return 0;
}
