#pragma once
// Interruption: a stop asked of the whole process from outside - Ctrl+C
// (SIGINT) or SIGTERM in the command line.
//
// Principles of operation
// - One flag for the process. InstallSignalHandlers() (the command line's
//   start) makes SIGINT and SIGTERM set it instead of ending the program, so
//   that the work in hand stops at its next safe point: a command line
//   being typed is not finished but erased, the port is released, the
//   terminal's echo comes back, temporary files go. A second SIGINT ends
//   the program the usual way.
// - Device work sees the flag through JobRunner::StopRequested(), as it sees
//   a Cancel; loops that wait on their own (progress, polls) read
//   Requested(). The command line exits with 130 once the work has stopped.
// - Async-signal-safe: the handler only stores to a lock-free atomic.
// - Reset() is for tests that run several commands in one process.

#include <atomic>

namespace Interruption {

void InstallSignalHandlers();
bool Requested();
// The flag itself, for a port's stop watch (TaloComPort::SetStopFlag).
const std::atomic<bool>& Flag();
// As a signal would: sets the flag.
void Request();
void Reset();

}  // namespace Interruption
