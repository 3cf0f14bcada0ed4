#include "sim/controllerport.h"

#include <algorithm>

namespace talosim {

ControllerPort::ControllerPort(PtyLine& line, SimState& state, uint32_t latencyMs)
    : Line(line), Shared(state), Latency(latencyMs) {}

FaultPlan ControllerPort::Faults() const {
  std::lock_guard lock(Shared.Mutex);
  return Shared.Faults;
}

void ControllerPort::ServeRequests() {
  std::string emit;
  bool hangUp = false;
  {
    std::lock_guard lock(Shared.Mutex);
    emit.swap(Shared.EmitQueue);
    hangUp = Shared.HangUpRequested;
    Shared.HangUpRequested = false;
  }
  if (hangUp) Line.HangUp();
  if (!emit.empty()) Write(emit);
}

void ControllerPort::LogReceived(uint8_t byte) {
  Shared.Received.push_back(static_cast<char>(byte));
  if (Shared.Received.size() > SimState::kReceivedLimit)
    Shared.Received.erase(0, Shared.Received.size() - SimState::kReceivedLimit / 2);
}

bool ControllerPort::ApplyReceiveFaults(uint8_t& byte) {
  std::lock_guard lock(Shared.Mutex);
  LogReceived(byte);
  const FaultPlan& faults = Shared.Faults;
  std::uniform_real_distribution<double> chance(0.0, 1.0);
  if (faults.DropRate > 0 && chance(Shared.Random) < faults.DropRate) return false;
  if (faults.CorruptRate > 0 && chance(Shared.Random) < faults.CorruptRate) {
    std::uniform_int_distribution<int> mask(1, 255);
    byte = static_cast<uint8_t>(byte ^ mask(Shared.Random));
  }
  return true;
}

std::optional<uint8_t> ControllerPort::ReadByte(Millis timeout) {
  const auto deadline = PtyLine::Clock::now() + timeout;
  for (;;) {
    ServeRequests();
    uint8_t byte = 0;
    switch (Line.Read(byte, deadline)) {
      case LineRead::Byte:
        if (!ApplyReceiveFaults(byte)) continue;
        LastWasRead = true;
        return byte;
      case LineRead::Woken:
        continue;
      case LineRead::Timeout:
      case LineRead::Down:
        return std::nullopt;
    }
  }
}

std::string ControllerPort::ReadExact(size_t count, Millis firstTimeout, Millis gapTimeout) {
  std::string bytes;
  while (bytes.size() < count) {
    auto byte = ReadByte(bytes.empty() ? firstTimeout : gapTimeout);
    if (!byte) break;
    bytes.push_back(static_cast<char>(*byte));
  }
  return bytes;
}

bool ControllerPort::WriteUnlessInterrupted(std::string_view bytes, bool& interrupted) {
  // Short pieces: at 57600 baud one takes under 3 ms on the wire.
  constexpr size_t kPiece = 16;
  constexpr uint8_t kCtrlC = 3;
  interrupted = false;
  for (size_t done = 0; done < bytes.size(); done += kPiece) {
    const std::string taken = Line.TakeThrough(kCtrlC);
    if (!taken.empty()) {
      std::lock_guard lock(Shared.Mutex);
      for (const char c : taken) LogReceived(static_cast<uint8_t>(c));
      interrupted = true;
      return false;
    }
    if (!Write(bytes.substr(done, kPiece))) return false;
  }
  return true;
}

void ControllerPort::Purge(Millis quiet) {
  while (ReadByte(quiet)) {
  }
}

bool ControllerPort::Write(std::string_view bytes) {
  if (LastWasRead && Latency.count() > 0) Line.Pause(Latency);
  LastWasRead = false;
  size_t done = 0;
  while (done < bytes.size()) {
    if (!Alive()) return false;
    int64_t allowed = static_cast<int64_t>(bytes.size() - done);
    bool hangUp = false, stall = false;
    {
      std::lock_guard lock(Shared.Mutex);
      const FaultPlan& f = Shared.Faults;
      if (f.HangUpAfterBytes >= 0 && Shared.SentSinceFaults + allowed >= f.HangUpAfterBytes) {
        allowed = std::max<int64_t>(0, f.HangUpAfterBytes - Shared.SentSinceFaults);
        hangUp = true;
      }
      if (f.StallAfterBytes >= 0 && Shared.SentSinceFaults + allowed >= f.StallAfterBytes) {
        allowed = std::max<int64_t>(0, f.StallAfterBytes - Shared.SentSinceFaults);
        stall = !hangUp || f.StallAfterBytes < f.HangUpAfterBytes;
        hangUp = hangUp && !stall;
      }
      Shared.SentSinceFaults += allowed;
    }
    if (allowed > 0) {
      if (!Line.Write(bytes.substr(done, static_cast<size_t>(allowed)))) return false;
      done += static_cast<size_t>(allowed);
    }
    if (hangUp) {
      Line.HangUp();
      return false;
    }
    if (done == bytes.size()) break;
    if (stall) {
      // A stalled controller neither answers nor reads; it comes back only
      // when the fault is lifted.
      Line.Pause(Millis(20));
    }
  }
  return true;
}

}  // namespace talosim
