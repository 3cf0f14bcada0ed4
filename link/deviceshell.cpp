#include "link/deviceshell.h"

#include <algorithm>
#include <string>

#include "link/answerreader.h"
#include "link/portaccess.h"
#include "link/talocomport.h"
#include "link/taloconsole.h"

namespace ShellText {

QString UnableToOpen(const QString& port, int openError) {
  if (TaloComPort::IsNotSerialPortError(openError))
    return QStringLiteral("Unable to open ") + port + QStringLiteral("!\n\n") +
           NotASerialPort(port);
  return QStringLiteral("Unable to open ") + port +
         QStringLiteral("!\n\nPlease make sure there is no other application using the port!!");
}

QString NotASerialPort(const QString& port) {
  return port + QStringLiteral(" is not a serial port (it is a file, a folder or another kind of "
                               "device): choose the port the controller's cable is on.");
}

QString UnableToSend(const QString& commandLine) {
  return QStringLiteral("Unable to send command '") + commandLine +
         QStringLiteral(
             "'!\n\nPlease make sure the TALO-7100 is in INIT mode\n\nand no program is running");
}

QString Disconnected(const QString& port) {
  return QStringLiteral("The serial port ") + port +
         QStringLiteral(" was disconnected! Please plug the adapter in again, then retry.");
}

QString NothingAnswers(const QString& port) {
  return QStringLiteral("Nothing answers on ") + port +
         QStringLiteral(": check the cable and that the controller is powered");
}

QString DriveError() {
  return QStringLiteral("The controller reports a drive error: ABORT, then FORMAT if it persists");
}

QString KeepsSending(const QByteArray& commandLine) {
  QByteArray command = commandLine;
  while (command.endsWith('\r')) command.chop(1);
  return QStringLiteral("The TALO-7100 does not stop answering '%1'!\n\nReading stopped after "
                        "%2 lines, 1 MiB or %3 minutes; the answer was not used.")
      .arg(QString::fromLatin1(command))
      .arg(AnswerReader::kAnswerLines)
      .arg((AnswerReader::kAnswerMs + 30000) / 60000);
}

QString WithCause(const QString& message, const QString& cause) {
  const QString first = message.section(QLatin1Char('\n'), 0, 0);
  return first.isEmpty() ? cause : first + QStringLiteral("\n\n") + cause;
}

}  // namespace ShellText

namespace {

constexpr uint8_t kLineFeed = 10;
constexpr uint32_t kCommandTimeoutMs = 1000;

}  // namespace

DeviceShell::DeviceShell(TaloConsole& console, UserDialogs& dialogs)
    : ConsoleRef(console), DialogsRef(dialogs) {}

bool DeviceShell::IsPrompt(const QByteArray& text, PromptAt where) {
  if (where == PromptAt::Anywhere) return text.contains("C:\\") || text.contains("D:\\");
  // Read up to the carriage return, the prompt comes after the previous
  // line's line feed.
  const QByteArrayView start = text.startsWith('\n') ? QByteArrayView(text).sliced(1) : QByteArrayView(text);
  if (where == PromptAt::Closed &&
      (!start.endsWith('>') || start.contains('\n') || start.contains('\r')))
    return false;
  return start.startsWith("C:\\") || start.startsWith("D:\\");
}

void DeviceShell::AppendConsoleLine(const QString& text) {
  QString line = text;
  line.remove(QLatin1Char('\r'));
  line.remove(QLatin1Char('\n'));
  if (line.isEmpty()) return;
  // The console belongs to the main thread: a job's line is handed over.
  JobRunner::OnMainThread([this, &line] {
    // Finished lines only: a console whose text ends with a line end has an
    // empty last line, which is where the next line goes.
    const int lines = ConsoleRef.LineCount() - (ConsoleRef.LastLine().isEmpty() ? 1 : 0);
    if (lines >= kConsoleClearLines) ConsoleRef.Clear();
    ConsoleRef.AppendLine(line);
  });
}

void DeviceShell::Report(const JobResult& result) {
  if (result.Cancelled()) {
    AppendConsoleLine(JobRunner::StoppedText());
  } else if (!result.Text.isEmpty() && !result.Ok()) {
    if (result.Warning)
      DialogsRef.ShowWarning(result.Text);
    else
      DialogsRef.ShowError(result.Text);
  }
}

void DeviceShell::AppendConsoleLine(const QByteArray& bytes) {
  AppendConsoleLine(QString::fromLatin1(bytes));
}

bool DeviceShell::SendEchoed(TaloComPort& port, const QByteArray& commandLine, bool* answered) {
  if (answered) *answered = false;
  if (commandLine.isEmpty()) return false;
  AppendConsoleLine(commandLine);
  return TypeEchoed(port, commandLine, answered);
}

bool DeviceShell::TypeEchoed(TaloComPort& port, const QByteArray& commandLine, bool* answered) {
  if (answered) *answered = false;
  if (commandLine.isEmpty()) return false;
  // One byte at a time: each write purges the input first, so the byte read
  // back is the echo of this byte and not something older.
  for (const char c : commandLine) {
    const auto sent = static_cast<uint8_t>(c);
    uint8_t echo = 0;
    size_t received = 0;
    if (!port.Write(1, &sent)) return false;
    const bool read = port.Read(1, &echo, &received);
    if (answered && received > 0) *answered = true;
    if (!read || echo != sent) return false;
  }
  return true;
}

bool DeviceShell::WaitForPrompt(TaloComPort& port, const QByteArray& lastText, PromptAt where,
                                uint32_t budgetMs, const LineHandler& onLine) {
  return AnswerReader(*this, port, where, onLine).WaitForPrompt(lastText, budgetMs) ==
         AnswerEnd::Prompt;
}

void DeviceShell::Drain(TaloComPort& port, size_t limit, uint32_t silenceMs) {
  for (size_t i = 0; i < limit; ++i) {
    uint8_t discarded = 0;
    if (!(silenceMs > 0 ? port.ReadByteWithin(discarded, silenceMs) : port.Read(1, &discarded)))
      return;
  }
}

JobResult DeviceShell::Exchange(const QByteArray& commandLine, uint32_t timeoutMs,
                                uint8_t terminator, const LineHandler& onLine, uint32_t budgetMs,
                                PromptAt where, Pace pace) {
  ShellSession session(*this, timeoutMs, terminator, pace);
  if (!session.IsOpen()) return JobResult::Failed(session.OpenErrorText());
  if (!session.Send(commandLine) || !session.ReadAnswer(onLine, budgetMs, where))
    // Echoed but never back at the prompt: a program still runs there.
    return session.Failure(ShellText::UnableToSend(QString::fromLatin1(commandLine)));
  return JobResult::Done();
}  // the port is closed before anyone shows the result

JobResult DeviceShell::CommandExchange(const QByteArray& commandLine) {
  return Exchange(commandLine, kCommandTimeoutMs, kLineFeed);
}

ShellSession::ShellSession(DeviceShell& shell, uint32_t timeoutMs, uint8_t terminator,
                           DeviceShell::Pace pace)
    : Shell(shell) {
  // A job's worker leaves the busy state to the pane that started it.
  if (!JobRunner::OnWorker()) Busy.emplace(shell.Dialogs());
  if (pace == DeviceShell::Pace::QuickWhenChosen && shell.QuickAnswers())
    SettleMs = DeviceShell::kQuickSettleMs;
  ComPort = std::make_unique<TaloComPort>(shell.SelectedPort().toStdString());
  Opened = ComPort->Open();
  Shell.Hint = PortAccess::PermissionHint(ComPort->DevicePath(), ComPort->LastError());
  if (!Opened) {
    if (!Shell.Hint.isEmpty()) Shell.AppendConsoleLine(Shell.Hint);
    return;
  }
  ComPort->SetTerminator(terminator);
  // A port that refuses its settings fails visibly at the first echo check.
  (void)ComPort->Configure(kControllerLine);
  (void)ComPort->SetTimeouts(timeoutMs);
  DeviceShell::Drain(*ComPort, DeviceShell::kDrainLimit, SettleMs);
}

ShellSession::~ShellSession() {
  ComPort->Close();
  ComPort.reset();
}

bool ShellSession::IsOpen() const { return Opened; }

QString ShellSession::OpenErrorText() const {
  return ShellText::UnableToOpen(Shell.SelectedPort(), ComPort->LastError());
}

bool ShellSession::Disconnected() const { return Opened && ComPort->IsDisconnected(); }

QString ShellSession::FailureText(const QString& usual) const {
  if (Disconnected()) return ShellText::Disconnected(Shell.SelectedPort());
  switch (Seen) {
    case Cause::None:
    case Cause::Silence:
    case Cause::Cancelled: break;
    case Cause::NoEcho:
      return ShellText::WithCause(usual, ShellText::NothingAnswers(Shell.SelectedPort()));
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

bool ShellSession::Send(const QByteArray& commandLine) {
  if (!Opened) return false;
  LastCommand = commandLine;
  bool answered = false;
  if (Shell.SendEchoed(*ComPort, commandLine, &answered)) {
    if (Seen == Cause::Silence) Seen = Cause::None;  // the shell answers again
    return true;
  }
  if (Seen != Cause::DriveError) Seen = answered ? Cause::None : Cause::NoEcho;
  return false;
}

bool ShellSession::ReadAnswer(const DeviceShell::LineHandler& onLine, uint32_t budgetMs,
                              DeviceShell::PromptAt where) {
  AnswerReader reader(Shell, *ComPort, where, onLine, SettleMs);
  const DeviceShell::AnswerEnd end = reader.ReadAnswer(budgetMs);
  LongLineSkipped = reader.SkippedLongLine();
  if (end == DeviceShell::AnswerEnd::DriveError) Seen = Cause::DriveError;
  if (end == DeviceShell::AnswerEnd::Endless) Seen = Cause::Endless;
  if (end == DeviceShell::AnswerEnd::Silence && Seen != Cause::DriveError) Seen = Cause::Silence;
  if (end == DeviceShell::AnswerEnd::Cancelled) Seen = Cause::Cancelled;
  return end == DeviceShell::AnswerEnd::Prompt;
}

TaloComPort& ShellSession::Port() { return *ComPort; }
