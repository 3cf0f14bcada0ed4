#include "deviceshell.h"

#include <algorithm>
#include <string>

#include "portaccess.h"
#include "talocomport.h"
#include "taloconsole.h"

namespace ShellText {

QString UnableToOpen(const QString& port, int openError) {
  if (TaloComPort::IsNotSerialPortError(openError))
    return QStringLiteral("Unable to open ") + port + QStringLiteral("!\n\n") + NotASerialPort(port);
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

}  // namespace ShellText

namespace {

constexpr uint8_t kLineFeed = 10;
constexpr uint32_t kCommandTimeoutMs = 1000;

QByteArray ToBytes(const std::string& text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

DeviceShell::DeviceShell(TaloConsole& console, UserDialogs& dialogs)
    : ConsoleRef(console), DialogsRef(dialogs) {}

bool DeviceShell::IsPrompt(const QByteArray& text, PromptAt where) {
  if (where == PromptAt::Anywhere) return text.contains("C:\\") || text.contains("D:\\");
  // Read up to the carriage return, the prompt comes after the previous
  // line's line feed.
  const QByteArrayView start = text.startsWith('\n') ? QByteArrayView(text).sliced(1) : QByteArrayView(text);
  return start.startsWith("C:\\") || start.startsWith("D:\\");
}

void DeviceShell::AppendConsoleLine(const QString& text) {
  QString line = text;
  line.remove(QLatin1Char('\r'));
  line.remove(QLatin1Char('\n'));
  if (line.isEmpty()) return;
  // Finished lines only: a console whose text ends with a line end has an
  // empty last line, which is where the next line goes.
  const int lines = ConsoleRef.LineCount() - (ConsoleRef.LastLine().isEmpty() ? 1 : 0);
  if (lines >= kConsoleClearLines) ConsoleRef.Clear();
  ConsoleRef.AppendLine(line);
}

void DeviceShell::AppendConsoleLine(const QByteArray& bytes) {
  AppendConsoleLine(QString::fromLatin1(bytes));
}

bool DeviceShell::SendEchoed(TaloComPort& port, const QByteArray& commandLine) {
  if (commandLine.isEmpty()) return false;
  AppendConsoleLine(commandLine);
  return TypeEchoed(port, commandLine);
}

bool DeviceShell::TypeEchoed(TaloComPort& port, const QByteArray& commandLine) {
  if (commandLine.isEmpty()) return false;
  // One byte at a time: each write purges the input first, so the byte read
  // back is the echo of this byte and not something older.
  for (const char c : commandLine) {
    const auto sent = static_cast<uint8_t>(c);
    uint8_t echo = 0;
    if (!port.Write(1, &sent)) return false;
    if (!port.Read(1, &echo)) return false;
    if (echo != sent) return false;
  }
  return true;
}

bool DeviceShell::WaitForPrompt(TaloComPort& port, const QByteArray& lastText, PromptAt where,
                                uint32_t budgetMs, const LineHandler& onLine) {
  if (IsPrompt(lastText, where)) return true;
  // The budget counts time-out units, not elapsed time: a talkative shell ends
  // the wait after as many lines as a silent one gets read attempts. A time-out
  // of 0 still counts as one unit, or the wait would never end.
  const uint64_t unit = std::max<uint32_t>(port.GetTimeout(), 1);
  bool wanted = static_cast<bool>(onLine);
  for (uint64_t spent = 0; spent < budgetMs && !port.IsDisconnected(); spent += unit) {
    std::string text;
    const bool whole = port.ReadLine(kLineLimit, text);  // a timed-out partial line counts too
    const QByteArray line = ToBytes(text);
    if (IsPrompt(line, where)) return true;
    if (!line.isEmpty()) AppendConsoleLine(line);
    if (whole && wanted) wanted = onLine(line);
  }
  return false;
}

void DeviceShell::Drain(TaloComPort& port, size_t limit) {
  for (size_t i = 0; i < limit; ++i) {
    uint8_t discarded = 0;
    if (!port.Read(1, &discarded)) return;
  }
}

bool DeviceShell::RunStandardExchange(const QByteArray& commandLine, uint32_t timeoutMs,
                                      uint8_t terminator, const LineHandler& onLine,
                                      uint32_t budgetMs, PromptAt where) {
  QString error;
  {
    ShellSession session(*this, timeoutMs, terminator);
    if (!session.IsOpen())
      error = session.OpenErrorText();
    else if (!session.Send(commandLine))
      error = session.FailureText(ShellText::UnableToSend(QString::fromLatin1(commandLine)));
    else
      (void)session.ReadAnswer(onLine, budgetMs, where);  // a missing prompt is not reported
    // The answer broke off with the line: no success to report.
    if (error.isEmpty() && session.AnswerCut()) error = session.FailureText({});
  }  // port closed and cursor restored before the message shows
  if (error.isEmpty()) return true;
  DialogsRef.ShowError(error);
  return false;
}

bool DeviceShell::RunDeviceCommand(const QByteArray& commandLine) {
  return RunStandardExchange(commandLine, kCommandTimeoutMs, kLineFeed);
}

ShellSession::ShellSession(DeviceShell& shell, uint32_t timeoutMs, uint8_t terminator)
    : Shell(shell), Busy(shell.Dialogs()) {
  ComPort = std::make_unique<TaloComPort>(shell.SelectedPort().toStdString());
  Opened = ComPort->Open();
  Shell.Hint = PortAccess::PermissionHint(ComPort->DevicePath(), ComPort->LastError());
  if (!Opened) {
    if (!Shell.Hint.isEmpty()) Shell.AppendConsoleLine(Shell.Hint);
    return;
  }
  ComPort->SetTerminator(terminator);
  // A port that refuses its settings fails visibly at the first echo check.
  (void)ComPort->Configure(57600, 8, 0, 0);
  (void)ComPort->SetTimeouts(timeoutMs);
  DeviceShell::Drain(*ComPort);
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
  return Disconnected() ? ShellText::Disconnected(Shell.SelectedPort()) : usual;
}

bool ShellSession::Send(const QByteArray& commandLine) {
  return Opened && Shell.SendEchoed(*ComPort, commandLine);
}

bool ShellSession::ReadAnswer(const DeviceShell::LineHandler& onLine, uint32_t budgetMs,
                              DeviceShell::PromptAt where) {
  std::string text;
  bool wanted = true;
  while (wanted) {
    text.clear();
    if (!ComPort->ReadLine(DeviceShell::kLineLimit, text)) break;
    const QByteArray line = ToBytes(text);
    Shell.AppendConsoleLine(line);
    if (onLine) wanted = onLine(line);
    if (!wanted) text.clear();
  }
  // The read that failed holds the partial text it gathered: normally the
  // prompt. Anything else (an over-long line's first 1023 bytes, output
  // without a line end) is shown too, so the console misses nothing.
  const QByteArray last = ToBytes(text);
  if (!last.isEmpty() && !DeviceShell::IsPrompt(last, where)) Shell.AppendConsoleLine(last);
  // A pause of the shell ended the loop above; the lines after it still
  // belong to the answer.
  const bool prompted = Shell.WaitForPrompt(*ComPort, last, where, budgetMs,
                                            wanted ? onLine : DeviceShell::LineHandler{});
  // A line lost after the prompt cost nothing: the answer was whole.
  Cut = !prompted && ComPort->IsDisconnected();
  return prompted;
}

TaloComPort& ShellSession::Port() { return *ComPort; }
