#pragma once
// The start flow of the DIO panel (the device tool bar's "Config TALO"):
// copy the two companion programs to D:\, ask the first which module is
// fitted, start the second (which makes the module answer module commands on
// the console line) and hand the open port to the panel.
//
// Principles of operation
// - Main thread only; the uploads run behind the presenter (the transfer
//   dialog or the command line's progress), the rest blocks behind the busy
//   cursor for a few seconds. Messages go through the shell's dialogs, every
//   command and every line the identification prints to its console.
// - The companion programs come from the installation's Config folder and
//   are copied and started afresh at every run; the device folder is not
//   listed again.
// - The panel runner gets the module port open at 1000 ms, carriage return
//   as terminator, the simulation running. When it returns the port is
//   closed. Failures close it too and show their message after that.

#include <cstdint>
#include <functional>

#include "diosession.h"

class DeviceShell;
class TaloComPort;
class TransferPresenter;

struct DioHost {
  DeviceShell& Shell;            // selected port, console and dialogs
  TransferPresenter& Presenter;  // shows the two uploads
  int64_t DeviceFreeBytes = 0;   // 0: the device pane was never listed
  DioTimings Timings;
};

// Shows the panel on the open port; returns when it has closed.
using DioPanelRunner = std::function<void(TaloComPort& port)>;

enum class DioStartResult {
  NotStarted,  // not listed yet, or the question was answered No
  Failed,      // a message said why
  PanelShown,
};

namespace DioStartFlow {
inline constexpr size_t kDrainLimit = 513;
inline constexpr size_t kLineLimit = 512;
inline constexpr char kModuleAddress[] = "01";

DioStartResult Run(const DioHost& host, const DioPanelRunner& showPanel);
}  // namespace DioStartFlow
