#pragma once
// The start flow of the DIO panel (the device tool bar's "Config TALO"):
// copy the two companion programs to D:\, ask the first which module is
// fitted, start the second (which makes the module answer module commands on
// the console line) and hand the open port to the panel.
//
// Principles of operation
// - Started on the main thread. The question about free space comes first,
//   on the main thread; the uploads run behind the presenter (the transfer
//   dialog or the command line's progress); the identification and the
//   start of the simulation run on the shell's job runner (Await: the
//   window paints meanwhile, the busy cursor shows), every command and every
//   line the identification prints going to the shell's console.
// - Shows no message itself: Run returns a DioStart whose results the top
//   level (the panel's start in the window, the command line's dio) tells
//   as Told lists them - an upload's own failure first, then the flow's (the refusal
//   before a listing as a warning, the cable, module and command texts as
//   errors). A start stopped on request says nothing.
// - The companion programs come from the installation's Config folder and
//   are copied and started afresh at every run; the device folder is not
//   listed again.
// - The panel runner gets the module port open at 1000 ms, carriage return
//   as terminator, the simulation running. When it returns the port is
//   closed. Failures close it too and show their message after that.
// - A stop flag (the command line's Ctrl+C) ends the start at once: the
//   uploads can then be cancelled, the identification's reads end when it is
//   set, and no further step is taken (Interrupted, no message). A command
//   line is never typed half: the flag is not watched while one is echoed.
//   A start stopped after MODID ran deletes both companion programs; once
//   the simulation line has gone out the panel runner gets the port even
//   when the flag is set, so that it releases the simulation.

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "link/jobs/jobrunner.h"
#include "module/diosession.h"

class DeviceShell;
class TaloComPort;
class TransferPresenter;

struct DioHost {
  DeviceShell& Shell;            // selected port, console and dialogs
  TransferPresenter& Presenter;  // shows the two uploads
  int64_t DeviceFreeBytes = 0;   // 0: the device pane was never listed
  DioTimings Timings;
  // Set from elsewhere (a signal handler) to stop the start; none in the
  // window, whose uploads cannot be cancelled and which has no Ctrl+C.
  const std::atomic<bool>* StopFlag = nullptr;
};

// Shows the panel on the open port; returns when it has closed.
using DioPanelRunner = std::function<void(TaloComPort& port)>;

enum class DioStartResult {
  NotStarted,  // not listed yet, or the question was answered No
  Failed,      // the results say why
  Interrupted, // the stop flag ended the start before the simulation ran
  PanelShown,
};

// What a start came to, for the top level to report.
struct DioStart {
  DioStartResult State = DioStartResult::NotStarted;
  JobResult Upload;  // an upload's own failure (shown first)
  JobResult Result;  // the flow's: Ok, Cancelled, or why it did not go on
};

namespace DioStartFlow {
inline constexpr size_t kDrainLimit = 513;
inline constexpr size_t kLineLimit = 512;
inline constexpr char kModuleAddress[] = "01";

[[nodiscard]] DioStart Run(const DioHost& host, const DioPanelRunner& showPanel);
// What the start has to tell, in the order it arose.
std::vector<JobResult> Told(const DioStart& start);
}  // namespace DioStartFlow
