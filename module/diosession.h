#pragma once
// DioSession: the exchanges of the DIO panel on the open module port - one
// poll, one output switch, and the release of the simulation program.
//
// Principles of operation
// - An output switch counts only when the state read back right after it
//   shows the output as asked: the module's acknowledgement alone is no
//   proof.
// - Each call runs to its end on the calling thread and blocks it: a silent
//   module costs about 2 s per command (a one-byte read gives up after twice
//   the port's 1000 ms time-out). The desktop panel therefore calls them on
//   its worker (DioWorker), one at a time; the command line calls them
//   directly. Never two calls at once: the port is not shared.
// - Release() ends the simulation ("#01OL", its answer not needed), pauses
//   1000 ms, deletes D:\simu7101.exe, pauses 2000 ms and deletes D:\MODID.exe.
//   The deletes are typed with echo check but nobody waits for the shell's
//   prompt in between: the pauses give the shell its time. The first delete
//   that is not echoed ends it.
// - A port that disconnects (the adapter unplugged) fails every call at once;
//   a poll then says so (DioReading::Disconnected) and the release gives up
//   without its pauses. Disconnected() and DisconnectedText() let the owner
//   say so once.
// - The release hands back a JobResult: Ok with the "released" text,
//   Failed with kDeleteFailed, Disconnected with the port's message. The
//   owner tells it (ResultTeller).
// - The session owns the module object; the port is borrowed and stays open.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/jobs/jobrunner.h"
#include "module/diopanelstate.h"

class TaloComPort;
class DioModule;

// One output switch and the state read back after it.
struct DioSetResult {
  bool Acknowledged = false;  // the module answered the write
  DioReading ReadBack;        // the poll that followed (when acknowledged)
  // The read-back shows the output as asked. A module that acknowledges and
  // keeps its outputs has not switched anything.
  bool Applied = false;
};

// The timings of the start flow and the panel. Only tests change them, to
// keep the drains and the closing pauses short against a simulator that
// answers at once.
struct DioTimings {
  uint32_t PortTimeoutMs = 1000;      // the module port's time-out value
  uint32_t TransferTimeoutMs = 500;   // the uploads' port
  int PollIntervalMs = 500;
  uint32_t AnswerPauseMs = 100;       // before the identification's lines are read
  uint32_t ReleasePauseMs = 1000;     // after the end command
  uint32_t DeletePauseMs = 2000;      // between the two deletes
  // How a pause is waited for (a sleep; tests record them).
  std::function<void(uint32_t ms)> Pause;
};

// Sleeps on the calling thread, or uses timings.Pause when set.
void DioPause(const DioTimings& timings, uint32_t ms);

class DioSession {
 public:
  DioSession(TaloComPort& port, const std::string& address, DioTimings timings);
  ~DioSession();
  DioSession(const DioSession&) = delete;
  DioSession& operator=(const DioSession&) = delete;

  DioModule& Module() { return *ModulePtr; }

  DioReading Poll();
  // A poll's and a switch's ends as a result: Ok, Disconnected with the
  // port's message, or Failed - with kSetFailed for a switch that was not
  // acknowledged or did not take, without a text where the read-back's
  // lamps tell it.
  JobResult PollResult(const DioReading& reading) const;
  JobResult SetResult(const DioSetResult& set) const;
  // On the thread that uses the session, or after it has ended.
  bool Disconnected() const;
  // The message for it; any thread (the port's name never changes).
  QString DisconnectedText() const;
  // Writes the output and, when the module acknowledged, polls at once
  // (the poll that follows every output change) to check that it switched.
  [[nodiscard]] DioSetResult SetOutput(int channel, const std::string& value);
  JobResult Release();
  // The release's two deletes on the shell's prompt, with its pause between
  // them: for a start that ran MODID and was stopped before the simulation.
  static JobResult DeleteCompanions(TaloComPort& port, const DioTimings& timings);

  // Types text with echo check and shows nothing; false for a missing port
  // or an empty text.
  static bool SendText(TaloComPort* port, const std::string& text);

 private:
  // The release's result for a port that went away.
  static JobResult Lost(const TaloComPort& port);

  TaloComPort& Port;
  std::unique_ptr<DioModule> ModulePtr;
  DioTimings Timings;
};
