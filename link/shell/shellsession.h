#pragma once
// ShellSession: one standard exchange with the controller's shell on the
// selected port (see DeviceShell).
//
// Principles of operation
// - Construction is the exchange's opening: busy cursor (outside a job),
//   the selected port opened by OpenControllerPort (exclusively, with
//   terminator, kControllerLine and time-out; a port that refuses its
//   settings does not open), then stale input drained. Then any number of
//   Send + ReadAnswer steps; the destructor closes the port and restores
//   the cursor.
// - Every failure is handed back as a JobResult whose text tells the cause
//   where the bytes allow it (FailureText); the session shows no box.
// - One thread: the one that created it (the main thread, or a job's worker).

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "link/busycursor.h"
#include "link/jobs/jobrunner.h"
#include "link/shell/deviceshell.h"

class TaloComPort;

class ShellSession {
 public:
  ShellSession(DeviceShell& shell, uint32_t timeoutMs, uint8_t terminator,
               DeviceShell::Pace pace = DeviceShell::Pace::Standard);
  ~ShellSession();
  ShellSession(const ShellSession&) = delete;
  ShellSession& operator=(const ShellSession&) = delete;

  // False when the port could not be opened; OpenErrorText() then says why.
  bool IsOpen() const;
  QString OpenErrorText() const;
  // True when the port disconnected during the session.
  bool Disconnected() const;
  // The message of a failed step: usual, or what the bytes tell of the
  // cause - the port went away, not one byte of echo came, the shell asked
  // "Abort, Retry, Fail?", the answer passed its ceiling. usual's first
  // line stays the first line where a cause is added.
  QString FailureText(const QString& usual) const;
  // The same as a result: its status tells a lost port, a shell that did
  // not answer in time and a job stopped by the user (no text) apart.
  JobResult Failure(const QString& usual) const;
  // Failure after the command line was entered: MayHaveRun is set.
  JobResult AfterEnterFailure(const QString& usual) const;

  // Types a command line (SendEchoed). False when it was not typed whole;
  // CommandEntered() then tells whether its carriage return went out all
  // the same (the shell may be running it), and a line stopped before that
  // has been erased from the shell's line.
  [[nodiscard]] bool Send(const QByteArray& commandLine);
  bool CommandEntered() const { return Entered; }
  // Reads the answer (AnswerReader::ReadAnswer): every line before the
  // prompt is part of it, whatever pauses the shell made, and goes to onLine
  // while it wants them. True when the prompt came: an answer without it may
  // have been cut off (a controller that stopped answering), which an
  // exchange whose lines are its result must not take for the whole answer.
  [[nodiscard]] bool ReadAnswer(const DeviceShell::LineHandler& onLine = {},
                  uint32_t budgetMs = DeviceShell::kPromptBudgetMs,
                  DeviceShell::PromptAt where = DeviceShell::PromptAt::Start);
  // One command of the standard exchange: Send, then ReadAnswer. Ok when
  // the line was typed and its answer ended at the prompt. A line that was
  // not typed whole fails with the "Unable to send" text (and nothing ran);
  // a failure after its carriage return went out carries MayHaveRun.
  [[nodiscard]] JobResult Run(const QByteArray& commandLine,
                              const DeviceShell::LineHandler& onLine = {},
                              uint32_t budgetMs = DeviceShell::kPromptBudgetMs,
                              DeviceShell::PromptAt where = DeviceShell::PromptAt::Start);
  // True when the last answer had a line past the line limit, which was
  // shown but not passed on.
  bool SkippedLongLine() const { return LongLineSkipped; }
  TaloComPort& Port();

 private:
  // What the bytes of this session said about a failure, latest first; a
  // drive error stays, as the shell answers nothing else until it is met.
  enum class Cause { None, NoEcho, Silence, DriveError, Endless, Cancelled };

  DeviceShell& Shell;
  std::optional<BusyCursor> Busy;
  std::unique_ptr<TaloComPort> ComPort;
  bool Opened = false;
  int OpenError = 0;  // the failed opening's error (TaloComPort::LastError)
  uint32_t SettleMs = 0;  // 0: the standard ending; else quick answers
  Cause Seen = Cause::None;
  bool LongLineSkipped = false;
  QByteArray LastCommand;
  bool Entered = false;  // the last command line's carriage return went out
  bool LineUncertain = false;  // ... with its echo damaged: the line may hold it
};
