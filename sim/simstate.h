#pragma once
// SimState: everything the simulator's public calls share with the
// controller thread, behind one mutex. The controller thread holds the mutex
// only for short steps (a disk operation, a counter update), never while it
// waits on the line.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "sim/talosim.h"
#include "sim/virtualdisk.h"

namespace talosim {

struct SimState {
  static constexpr size_t kReceivedLimit = 8u << 20;  // keeps the newest bytes

  mutable std::mutex Mutex;
  FaultPlan Faults;
  std::mt19937 Random{1};
  int64_t SentSinceFaults = 0;  // stall and hang-up limits count from SetFaults
  int64_t Echoed = 0;           // echoed bytes, for the wrong-echo fault
  std::string Received;
  std::vector<std::string> Commands;
  std::string EmitQueue;
  bool HangUpRequested = false;

  VirtualDisk DriveC{"TALO-ROM", true};
  VirtualDisk DriveD{"FLASH-DISK"};

  std::optional<uint8_t> ModuleInputs;  // set from outside; otherwise a pattern
  uint8_t ModuleOutputs = 0;
  std::chrono::steady_clock::time_point Started = std::chrono::steady_clock::now();
  std::optional<DosStamp> Clock;  // SimOptions::Clock; none: the PC's clock
  // Since when the shell waits at its prompt with nothing typed; none while
  // it reads a line or runs a command.
  std::optional<std::chrono::steady_clock::time_point> IdleSince;

  // The stamp of a file or folder made now.
  DosStamp Now() const { return Clock ? *Clock : DosStamp::Now(); }

  void SetFaults(const FaultPlan& faults) {
    Faults = faults;
    Random.seed(faults.Seed);
    SentSinceFaults = 0;
    Echoed = 0;
  }
  uint8_t CurrentInputs() const {
    if (ModuleInputs) return *ModuleInputs & 0x0F;
    // A walking count, one step a second, so that a panel shows life.
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - Started).count();
    return static_cast<uint8_t>(seconds & 0x0F);
  }
};

}  // namespace talosim
