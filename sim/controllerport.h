#pragma once
// ControllerPort: the serial line as the controller's shell and programs use
// it, with the simulated line's faults and turnaround delay applied.
//
// Principles of operation
// - Controller thread only. Wraps the PtyLine and the shared SimState.
// - Every received byte is logged raw (before faults) for Simulator::Received.
//   Drop and corrupt faults act on received bytes; stall and hang-up faults
//   act on sent bytes, counted from the last SetFaults.
// - Bytes queued by Simulator::Emit and a requested hang-up are served
//   whenever the controller waits for input.
// - Once the line is down or a stop is requested, reads fail at once and
//   writes are dropped: programs unwind by checking Alive().

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sim/ptyline.h"
#include "sim/simstate.h"

namespace talosim {

class ControllerPort {
 public:
  using Millis = std::chrono::milliseconds;

  ControllerPort(PtyLine& line, SimState& state, uint32_t latencyMs);

  std::optional<uint8_t> ReadByte(Millis timeout);
  // Exactly count bytes: the first within firstTimeout, each next one within
  // gapTimeout. Returns what arrived (shorter on a time-out).
  std::string ReadExact(size_t count, Millis firstTimeout, Millis gapTimeout);
  bool Write(std::string_view bytes);
  // Writes as Write does, in short pieces, and stops early when Ctrl+C has
  // arrived meanwhile, as a DOS shell's output stops (the Ctrl+C and what
  // came before it are taken from the input and logged as received). False
  // when it stopped or the line went down; interrupted tells which.
  bool WriteUnlessInterrupted(std::string_view bytes, bool& interrupted);
  // Discards input until the line has been quiet for the given time.
  void Purge(Millis quiet);
  void Pause(Millis duration) { Line.Pause(duration); }
  bool Alive() const { return Line.IsUp() && !Line.StopRequested(); }

  FaultPlan Faults() const;
  SimState& State() { return Shared; }
  PtyLine& RawLine() { return Line; }

 private:
  void ServeRequests();
  bool ApplyReceiveFaults(uint8_t& byte);
  void LogReceived(uint8_t byte);

  PtyLine& Line;
  SimState& Shared;
  Millis Latency;
  bool LastWasRead = false;
};

}  // namespace talosim
