#include "link/shell/shellline.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <set>

#include "link/jobs/jobrunner.h"
#include "link/port/talocomport.h"

namespace {

constexpr uint8_t kBackspace = 8;
constexpr uint8_t kBell = 7;
constexpr uint32_t kRestOfEchoMs = 50;

std::mutex RememberedMutex;
std::set<std::string>& Remembered() {
  static std::set<std::string> paths;
  return paths;
}

// A by-id link and the tty it points to are one line.
std::string LineKey(const std::string& devicePath) {
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(devicePath, error);
  return error || resolved.empty() ? devicePath : resolved.string();
}

// The erase must write and read its echoes even when a stop is what called
// for it: neither the port's own flag nor the job's stop ends its waits.
class StopFlagHeld {
 public:
  explicit StopFlagHeld(TaloComPort& port) : Port(port), Saved(port.GetStopFlag()) {
    Port.SetStopFlag(nullptr);
  }
  ~StopFlagHeld() { Port.SetStopFlag(Saved); }
  StopFlagHeld(const StopFlagHeld&) = delete;
  StopFlagHeld& operator=(const StopFlagHeld&) = delete;

 private:
  TaloComPort& Port;
  const std::atomic<bool>* Saved;
  StopsHeld JobStops;
};

}  // namespace

uint32_t ShellLine::EchoWaitMs(const TaloComPort& port) {
  return std::clamp(2 * port.GetTimeout(), kMinEchoWaitMs, kMaxEchoWaitMs);
}

ShellLine::Erased ShellLine::Erase(TaloComPort& port, bool echoSeen) {
  const auto unconfirmed = [&port] {
    Remember(port);
    return Erased::Unconfirmed;
  };
  if (!port.IsOpen()) return unconfirmed();
  StopFlagHeld held(port);
  const uint32_t waitMs = EchoWaitMs(port);
  bool alive = echoSeen;
  for (int i = 0; i <= kMaxLine + 1; ++i) {
    // Each write discards what came before: the reply read is this
    // backspace's own.
    if (!port.Write(1, &kBackspace)) return unconfirmed();
    uint8_t reply = 0;
    if (!port.ReadByteWithin(reply, waitMs) || reply == kBell) {
      // Silence (or a shell that rings at an empty line): nothing is left
      // to delete - if anything was listening.
      if (port.IsDisconnected() || !(alive || reply == kBell)) return unconfirmed();
      Forget(port);
      return Erased::Confirmed;
    }
    alive = true;
    // The blank and the second backspace of "BS blank BS" follow at once.
    if (reply == kBackspace)
      for (int rest = 0; rest < 2 && port.ReadByteWithin(reply, std::min(waitMs, kRestOfEchoMs));
           ++rest) {
      }
  }
  // Still deleting after a whole line: not a shell's line editing.
  return unconfirmed();
}

bool ShellLine::MayHoldText(const TaloComPort& port) { return MayHoldText(port.DevicePath()); }

void ShellLine::Remember(const TaloComPort& port) { Remember(port.DevicePath()); }

void ShellLine::Forget(const TaloComPort& port) {
  const std::string key = LineKey(port.DevicePath());
  std::lock_guard lock(RememberedMutex);
  Remembered().erase(key);
}

void ShellLine::Remember(const std::string& devicePath) {
  const std::string key = LineKey(devicePath);
  std::lock_guard lock(RememberedMutex);
  Remembered().insert(key);
}

bool ShellLine::MayHoldText(const std::string& devicePath) {
  const std::string key = LineKey(devicePath);
  std::lock_guard lock(RememberedMutex);
  return Remembered().count(key) > 0;
}

void ShellLine::ForgetAll() {
  std::lock_guard lock(RememberedMutex);
  Remembered().clear();
}
