#pragma once
// Helpers of the DIO tests: the simulated controller with its module, an
// installation folder holding the companion programs, the shell a window
// lends the start flow, and short timings whose pauses are recorded.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/shell/deviceshell.h"
#include "module/diosession.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/simfixture.h"

namespace diotest {

// A pause as the release took it, with what the controller had received.
struct PauseSeen {
  uint32_t Ms;
  std::string ReceivedBefore;
};

class DioSimTest : public SimFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Home.isValid());
    QDir().mkpath(Home.filePath("Config"));
    for (const char* name : {"MODID.EXE", "SIMU7101.EXE"})
      ASSERT_TRUE(QFile::copy(QStringLiteral(TALO_DEMO_CONFIG_DIR "/") + name,
                              Home.filePath(QStringLiteral("Config/") + name)));
    qputenv("TALO7100_HOME", Home.path().toLocal8Bit());
  }
  void TearDown() override {
    qunsetenv("TALO7100_HOME");
    SimFixture::TearDown();
  }
  void Start(const std::string& module = "7101", int inputs = 0x0A) {
    talosim::SimOptions options = SimHarness::DefaultOptions();
    options.Module = module;
    options.ModuleInputs = inputs;
    StartSim(options);
    Shell.SetSelectedPort(QString::fromStdString(PortPath()));
  }
  // Time-outs a simulator that answers at once does not need, and pauses
  // recorded (and kept short).
  DioTimings Timings() {
    DioTimings timings;
    timings.PortTimeoutMs = 100;
    timings.TransferTimeoutMs = 200;
    timings.PollIntervalMs = 50;
    timings.Pause = [this](uint32_t ms) {
      {
        std::lock_guard lock(PauseGuard);
        Pauses.push_back({ms, Sim().Received()});
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min<uint32_t>(ms, 40)));
    };
    return timings;
  }
  // The release awaits no prompt after its last line: the simulated shell may
  // still be deleting when the flow returns, so it gets a moment on a loaded
  // machine.
  bool CompanionsDeleted() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (Sim().Exists("\\MODID.EXE") || Sim().Exists("\\SIMU7101.EXE")) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }
  std::vector<PauseSeen> RecordedPauses() {
    std::lock_guard lock(PauseGuard);
    return Pauses;
  }

  QTemporaryDir Home;
  RecordingConsole Console;
  ScriptedDialogs Dialogs;
  DeviceShell Shell{Console, Dialogs, Dialogs};
  std::mutex PauseGuard;
  std::vector<PauseSeen> Pauses;
};

}  // namespace diotest
