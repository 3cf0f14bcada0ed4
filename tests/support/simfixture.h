#pragma once
// SimFixture: a TALO-7100 simulator running in-process on a temporary link
// path, for end-to-end tests.
//
// - SimHarness owns a temporary folder, starts a talosim::Simulator whose
//   pty is linked at PortPath() (<folder>/ttyTALO), and stops it and removes
//   the folder when destroyed. Use it directly when a test needs two
//   simulators or no gtest fixture.
// - SimFixture is the gtest fixture around one harness: call StartSim() in
//   the test (or in a derived SetUp) with the options wanted; the default
//   options shorten the controller programs' own waits (FastTimeouts).
//   The simulator stops at TearDown; SimError() is its last error.
//
//   class MyTest : public SimFixture {};
//   TEST_F(MyTest, ListsRoot) {
//     StartSim();
//     Sim().PutFile("\\AUTORUN.BAT", "PROG.EXE\r\n");
//     TaloComPort port(PortPath()); ...
//   }

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "sim/talosim.h"

class SimHarness {
 public:
  SimHarness() {
    char pattern[] = "/tmp/talosim-XXXXXX";
    if (mkdtemp(pattern)) Folder = pattern;
  }
  ~SimHarness() {
    Stop();
    std::error_code ignored;
    if (!Folder.empty()) std::filesystem::remove_all(Folder, ignored);
  }
  SimHarness(const SimHarness&) = delete;
  SimHarness& operator=(const SimHarness&) = delete;

  static talosim::SimOptions DefaultOptions() {
    talosim::SimOptions options;
    options.FastTimeouts = true;
    return options;
  }

  // Starts a simulator with these options (LinkPath is set here); false with
  // LastError() when it could not start.
  bool Start(talosim::SimOptions options = DefaultOptions()) {
    Stop();
    options.LinkPath = PortPath();
    Simulator = std::make_unique<talosim::Simulator>(options);
    return Simulator->Start();
  }
  void Stop() {
    if (Simulator) Simulator->Stop();
  }

  talosim::Simulator& Sim() { return *Simulator; }
  bool Started() const { return Simulator != nullptr; }
  // The link to the pty: what the utility opens as its port.
  std::string PortPath() const { return Folder + "/ttyTALO"; }
  std::string SlavePath() const { return Simulator ? Simulator->SlavePath() : std::string(); }
  std::string LastError() const { return Simulator ? Simulator->LastError() : std::string("not started"); }
  // A scratch folder that lives as long as the harness (disk images, files).
  const std::string& TempDir() const { return Folder; }

 private:
  std::string Folder;
  std::unique_ptr<talosim::Simulator> Simulator;
};

class SimFixture : public ::testing::Test {
 protected:
  void StartSim(talosim::SimOptions options = SimHarness::DefaultOptions()) {
    ASSERT_TRUE(Harness.Start(options)) << Harness.LastError();
  }
  void TearDown() override { Harness.Stop(); }

  talosim::Simulator& Sim() { return Harness.Sim(); }
  std::string PortPath() const { return Harness.PortPath(); }
  std::string SimError() const { return Harness.LastError(); }
  const std::string& TempDir() const { return Harness.TempDir(); }

  SimHarness Harness;
};
