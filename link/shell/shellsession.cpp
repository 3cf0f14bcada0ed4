#include "link/shell/shellsession.h"

#include <utility>

#include "link/port/portaccess.h"
#include "link/port/portopener.h"
#include "link/port/talocomport.h"
#include "link/shell/answerreader.h"
#include "link/shell/shellline.h"

namespace {

constexpr uint8_t kLineFeedTerminator = 10;
constexpr uint32_t kCommandExchangeTimeoutMs = 1000;

}  // namespace

ShellSession::ShellSession(DeviceShell& shell, uint32_t timeoutMs, uint8_t terminator,
                           DeviceShell::Pace pace)
    : Shell(shell) {
  // A job's worker leaves the busy state to the pane that started it.
  if (!JobRunner::OnWorker()) Busy.emplace(shell.Dialogs());
  if (pace == DeviceShell::Pace::QuickWhenChosen && shell.QuickAnswers())
    SettleMs = DeviceShell::kQuickSettleMs;
  PortOpening opening = OpenControllerPort(shell.SelectedPort(), timeoutMs, terminator);
  ComPort = std::move(opening.Port);
  Opened = opening.Opened;
  OpenError = opening.Error;
  Shell.Hint = PortAccess::PermissionHint(ComPort->DevicePath(), OpenError);
  if (!Opened) {
    if (!Shell.Hint.isEmpty()) Shell.AppendConsoleLine(Shell.Hint);
    return;
  }
  DeviceShell::Drain(*ComPort, DeviceShell::kDrainLimit, SettleMs);
}

ShellSession::~ShellSession() {
  ComPort->Close();
  ComPort.reset();
}

bool ShellSession::IsOpen() const { return Opened; }

QString ShellSession::OpenErrorText() const {
  return ShellText::UnableToOpen(Shell.SelectedPort(), OpenError);
}

bool ShellSession::Disconnected() const { return Opened && ComPort->IsDisconnected(); }

QString ShellSession::FailureText(const QString& usual) const {
  if (Disconnected()) return ShellText::Disconnected(Shell.SelectedPort());
  switch (Seen) {
    case Cause::None:
    case Cause::Silence:
    case Cause::Cancelled: break;
    case Cause::NoEcho:
      // The bytes cannot tell a cable from a program that does not echo:
      // the usual text names the program, the hint the cable.
      return usual + QStringLiteral("\n\n") + ShellText::NothingAnswers(Shell.SelectedPort());
    case Cause::DriveError: return ShellText::WithCause(usual, ShellText::DriveError());
    case Cause::Endless: return ShellText::KeepsSending(LastCommand);
  }
  return usual;
}

JobResult ShellSession::Failure(const QString& usual) const {
  if (Seen == Cause::Cancelled) return JobResult::Stopped();
  const QString text = FailureText(usual);
  if (Disconnected()) return {JobStatus::Disconnected, text};
  if (Seen == Cause::NoEcho || Seen == Cause::Silence) return {JobStatus::TimedOut, text};
  return JobResult::Failed(text);
}

JobResult ShellSession::Run(const QByteArray& commandLine, const DeviceShell::LineHandler& onLine,
                            uint32_t budgetMs, DeviceShell::PromptAt where) {
  const QString command = QString::fromLatin1(commandLine);
  if (!Send(commandLine)) {
    if (!Entered) return Failure(ShellText::UnableToSend(command));
    // The carriage return went out although its echo did not come back
    // right: the shell may be running the line. Its answer is waited for
    // (and shown) as any other, but not taken for this command's.
    (void)ReadAnswer({}, budgetMs, where);
    return AfterEnterFailure(ShellText::EnterNotEchoed(command));
  }
  if (ReadAnswer(onLine, budgetMs, where)) return JobResult::Done();
  // The shell asked about its drive before it ran anything.
  if (Seen == Cause::DriveError) return Failure(ShellText::UnableToSend(command));
  return AfterEnterFailure(ShellText::NoPromptAfter(command));
}

JobResult ShellSession::AfterEnterFailure(const QString& usual) const {
  JobResult result = Failure(usual);
  result.MayHaveRun = true;
  return result;
}

bool ShellSession::Send(const QByteArray& commandLine) {
  if (!Opened) return false;
  LastCommand = commandLine;
  DeviceShell::Typing typing;
  const bool typed = Shell.SendEchoed(*ComPort, commandLine, &typing);
  Entered = typed || typing.Entered;
  // Entered with a damaged echo: the line is known empty once the prompt
  // comes back (ReadAnswer).
  LineUncertain = !typed && typing.Entered;
  if (typed) {
    if (Seen == Cause::Silence) Seen = Cause::None;  // the shell answers again
    return true;
  }
  if (typing.Stopped)
    Seen = Cause::Cancelled;
  else if (Seen != Cause::DriveError)
    Seen = typing.Answered ? Cause::None : Cause::NoEcho;
  return false;
}

bool ShellSession::ReadAnswer(const DeviceShell::LineHandler& onLine, uint32_t budgetMs,
                              DeviceShell::PromptAt where) {
  AnswerReader reader([this](const QString& text) { Shell.AppendConsoleLine(text); }, *ComPort, where,
                      onLine, SettleMs);
  const DeviceShell::AnswerEnd end = reader.ReadAnswer(budgetMs);
  LongLineSkipped = reader.SkippedLongLine();
  if (end == DeviceShell::AnswerEnd::DriveError) Seen = Cause::DriveError;
  if (end == DeviceShell::AnswerEnd::Endless) Seen = Cause::Endless;
  if (end == DeviceShell::AnswerEnd::Silence && Seen != Cause::DriveError) Seen = Cause::Silence;
  if (end == DeviceShell::AnswerEnd::Cancelled) Seen = Cause::Cancelled;
  if (end != DeviceShell::AnswerEnd::Prompt) return false;
  // Back at the prompt, the shell's line is empty whatever ran.
  if (LineUncertain) ShellLine::Forget(*ComPort);
  LineUncertain = false;
  return true;
}

TaloComPort& ShellSession::Port() { return *ComPort; }

// The standard exchange is one session with one command: defined here, with
// the session it opens.
JobResult DeviceShell::Exchange(const QByteArray& commandLine, uint32_t timeoutMs,
                                uint8_t terminator, const LineHandler& onLine, uint32_t budgetMs,
                                PromptAt where, Pace pace) {
  ShellSession session(*this, timeoutMs, terminator, pace);
  if (!session.IsOpen()) return JobResult::Failed(session.OpenErrorText());
  return session.Run(commandLine, onLine, budgetMs, where);
}  // the port is closed before anyone shows the result

JobResult DeviceShell::CommandExchange(const QByteArray& commandLine) {
  return Exchange(commandLine, kCommandExchangeTimeoutMs, kLineFeedTerminator);
}
