#include "link/shell/deviceshell.h"

#include <algorithm>
#include <string>

#include "link/port/portaccess.h"
#include "link/port/talocomport.h"
#include "link/shell/answerreader.h"
#include "link/shell/shellline.h"
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

namespace {
// A command line as a message quotes it: without the carriage return that
// ends it, which a terminal would show as a control character.
QString Quoted(const QString& commandLine) {
  QString command = commandLine;
  while (command.endsWith(QLatin1Char('\r'))) command.chop(1);
  return command;
}
const QString kCheckFirst = QStringLiteral("Check what it did before you go on.");
}  // namespace

QString UnableToSend(const QString& commandLine) {
  return QStringLiteral("Unable to send command '") + Quoted(commandLine) +
         QStringLiteral(
             "'!\n\nPlease make sure the TALO-7100 is in INIT mode\n\nand no program is running");
}

QString EnterNotEchoed(const QString& commandLine) {
  return QStringLiteral("The TALO-7100 may have run '%1': its carriage return went out, but "
                        "the echo did not come back right.\n\n")
             .arg(Quoted(commandLine)) +
         kCheckFirst;
}

QString NoPromptAfter(const QString& commandLine) {
  return QStringLiteral("The TALO-7100 did not come back to its prompt after '%1': it may have "
                        "run it, or be running it still.\n\n")
             .arg(Quoted(commandLine)) +
         kCheckFirst;
}

JobResult WithCheck(JobResult result, const QString& check) {
  if (!result.MayHaveRun) return result;
  if (result.Text.isEmpty())
    result.Text = check;
  else if (result.Text.endsWith(kCheckFirst))
    result.Text = result.Text.chopped(kCheckFirst.size()) + check;
  else
    result.Text += QStringLiteral("\n\n") + check;
  return result;
}

QString LineErased() {
  return QStringLiteral("(the unfinished command line was erased from the TALO-7100's line)");
}

QString LineMayHoldText() {
  return QStringLiteral("(the unfinished command line may still be in the TALO-7100's line: it "
                        "is erased before the next command)");
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

constexpr uint8_t kCarriageReturn = 13;

}  // namespace

DeviceShell::DeviceShell(TaloConsole& console, UserDialogs& dialogs, ResultTeller& teller)
    : ConsoleRef(console), DialogsRef(dialogs), TellerRef(teller) {}

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

void DeviceShell::Tell(const JobResult& result) {
  if (result.Cancelled()) AppendConsoleLine(JobRunner::StoppedText());
  TellerRef.Tell(result);
}

void DeviceShell::Tell(const std::vector<JobResult>& results) {
  for (const JobResult& result : results) Tell(result);
}

void DeviceShell::AppendConsoleLine(const QByteArray& bytes) {
  AppendConsoleLine(QString::fromLatin1(bytes));
}

bool DeviceShell::SendEchoed(TaloComPort& port, const QByteArray& commandLine, Typing* typing) {
  Typing local;
  Typing& how = typing ? *typing : local;
  how = {};
  if (commandLine.isEmpty()) return false;
  AppendConsoleLine(commandLine);
  if (TypeEchoed(port, commandLine, &how)) return true;
  if (how.Erased) AppendConsoleLine(ShellText::LineErased());
  if (how.MayHoldText) AppendConsoleLine(ShellText::LineMayHoldText());
  return false;
}

bool DeviceShell::TypeEchoed(TaloComPort& port, const QByteArray& commandLine, Typing* typing) {
  Typing local;
  Typing& how = typing ? *typing : local;
  how = {};
  if (commandLine.isEmpty()) return false;
  // What an earlier line left that could not be erased then (the port was
  // gone, nothing answered) goes before anything is typed onto it.
  bool remembered = ShellLine::MayHoldText(port);
  if (remembered) remembered = ShellLine::Erase(port, false) != ShellLine::Erased::Confirmed;
  const auto stopped = [&port] { return JobRunner::StopRequested() || port.StopAsked(); };
  // Stopped before the carriage return: nothing may stay in the shell's
  // line for the next command line to complete.
  const auto abandon = [&](bool anythingTyped) {
    if (anythingTyped || !port.IsOpen()) {
      how.Erased = ShellLine::Erase(port, how.Answered) == ShellLine::Erased::Confirmed;
      how.MayHoldText = !how.Erased;
    }
    return false;
  };
  // One byte at a time: each write purges the input first, so the byte read
  // back is the echo of this byte and not something older.
  bool typed = false;
  for (const char c : commandLine) {
    if (stopped()) {
      how.Stopped = true;
      return abandon(typed);
    }
    const auto sent = static_cast<uint8_t>(c);
    if (!port.Write(1, &sent)) return abandon(true);
    typed = true;
    if (sent == kCarriageReturn) how.Entered = true;
    uint8_t echo = 0;
    size_t received = 0;
    bool read = false;
    {
      // A stop is seen between bytes, not inside a byte's echo: an echo
      // still on its way would meet the erase that follows the stop.
      const StopsHeld wholeEcho;
      read = port.Read(1, &echo, &received);
    }
    if (received > 0) how.Answered = true;
    if (remembered && how.Answered) {
      // The erase before met silence, and the shell answers: the line was
      // empty then.
      ShellLine::Forget(port);
      remembered = false;
    }
    if (read && echo == sent) continue;
    // Entered: the shell runs what it holds, whatever came back - unless
    // the carriage return itself reached it damaged, which leaves the line
    // typed: the next line typed here erases first.
    if (how.Entered) {
      ShellLine::Remember(port);
      return false;
    }
    how.Stopped = !read && stopped();
    return abandon(true);
  }
  return true;
}

bool DeviceShell::WaitForPrompt(TaloComPort& port, const QByteArray& lastText, PromptAt where,
                                uint32_t budgetMs, const LineHandler& onLine) {
  return AnswerReader([this](const QString& text) { AppendConsoleLine(text); }, port, where, onLine).WaitForPrompt(lastText, budgetMs) ==
         AnswerEnd::Prompt;
}

void DeviceShell::Drain(TaloComPort& port, size_t limit, uint32_t silenceMs) {
  for (size_t i = 0; i < limit; ++i) {
    uint8_t discarded = 0;
    if (!(silenceMs > 0 ? port.ReadByteWithin(discarded, silenceMs) : port.Read(1, &discarded)))
      return;
  }
}
