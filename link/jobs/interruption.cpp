#include "link/jobs/interruption.h"

#include <signal.h>

#include "link/jobs/jobrunner.h"
#include "link/port/talocomport.h"

namespace {

std::atomic<bool> Interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnStopSignal(int signalNumber) {
  Interrupted.store(true);
  // A second Ctrl+C ends the program the usual way.
  if (signalNumber == SIGINT) ::signal(SIGINT, SIG_DFL);
}

}  // namespace

namespace Interruption {

void InstallSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a blocking read of the terminal (a question, a
  // password) ends with the signal instead of waiting for a line; every
  // wait on the port has its own deadline and goes on after EINTR.
  action.sa_flags = 0;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
  // A wait on the line ends at the signal, as at a job's stop.
  TaloComPort::WatchStops(&JobRunner::StopRequested);
}

bool Requested() { return Interrupted.load(); }

const std::atomic<bool>& Flag() { return Interrupted; }

void Request() { Interrupted.store(true); }

void Reset() { Interrupted.store(false); }

}  // namespace Interruption
