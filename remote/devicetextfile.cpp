#include "remote/devicetextfile.h"

#include "items/shellitem.h"
#include "link/devicepath.h"
#include "link/deviceshell.h"
#include "remote/devicebrowser.h"
#include "remote/devicecommands.h"
#include "remote/devicetexts.h"

namespace DeviceTextFile {
namespace {

constexpr uint8_t kLineFeed = 10;
constexpr char kEndOfText = '\x1A';
constexpr int64_t kLineBytesPerSecond = 57600 / 10;

// What the shell prints instead of a file it cannot type.
const char* const kRefusals[] = {"File not found",   "Path not found", "Access denied",
                                 "Invalid drive",    "Invalid file name",
                                 "Invalid directory", "Required parameter missing",
                                 "Too many parameters"};

bool IsLineEnd(const QByteArray& line) { return line == "\n" || line == "\r\n"; }

QString RefusalOf(const QByteArray& text) {
  if (text.contains('\n')) return {};
  const QByteArray line = text.trimmed();
  for (const char* refusal : kRefusals)
    if (line == refusal) return QString::fromLatin1(line);
  return {};
}

}  // namespace

bool IsTextName(const QString& name) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot < 0) return false;
  const QString extension = name.mid(dot + 1).toUpper();
  for (const char* text : {"BAT", "CFG", "UPW", "TXT", "INI", "LOG"})
    if (extension == QLatin1String(text)) return true;
  return false;
}

Answer FromAnswer(const QByteArrayList& lines) {
  QByteArray text;
  for (qsizetype i = 0; i < lines.size(); ++i)
    if (i > 0 || !IsLineEnd(lines[i])) text += lines[i];
  // The shell ends the text with a line end of its own before the prompt.
  if (text.endsWith("\r\n"))
    text.chop(2);
  else if (text.endsWith('\n'))
    text.chop(1);
  if (const QString refusal = RefusalOf(text); !refusal.isEmpty()) return {{}, refusal};
  qsizetype end = text.size();
  while (end > 0 && text[end - 1] == '\0') --end;
  if (end > 0 && text[end - 1] == kEndOfText) --end;
  text.truncate(end);
  return {text, {}};
}

QStringList Lines(const QByteArray& text) {
  QStringList lines;
  if (text.isEmpty()) return lines;
  const QByteArray body = text.endsWith('\n') ? text.left(text.size() - 1) : text;
  for (QByteArray line : body.split('\n')) {
    if (line.endsWith('\r')) line.chop(1);
    lines.append(QString::fromLatin1(line));
  }
  return lines;
}

int SecondsOnLine(int64_t bytes) {
  return static_cast<int>((bytes + kLineBytesPerSecond - 1) / kLineBytesPerSecond);
}

std::optional<QByteArray> Read(DeviceShell& shell, const QString& folder, const QString& name,
                               const DeviceTimeouts& timeouts) {
  const DeviceCommand::CommandLine command = DeviceCommand::TypeFile(folder, name);
  if (command.Refused()) {
    shell.Dialogs().ShowError(command.Refusal);
    return std::nullopt;
  }
  const QString path = DevicePath::OnDriveD(folder, name);
  QByteArrayList lines;
  QString error;
  {
    ShellSession session(shell, timeouts.FileCommandMs, kLineFeed);
    const auto keep = [&lines](const QByteArray& line) {
      lines.append(line);
      return true;
    };
    if (!session.IsOpen())
      error = session.OpenErrorText();
    else if (!session.Send(command.Line) || !session.ReadAnswer(keep, timeouts.PromptBudgetMs))
      error = session.FailureText(ShellText::UnableToSend(QString::fromLatin1(command.Line)));
    else if (session.SkippedLongLine())
      error = DeviceText::TextLineTooLong(path);
  }  // the port is closed before anything is shown
  const Answer answer = error.isEmpty() ? FromAnswer(lines) : Answer{};
  if (!answer.Refusal.isEmpty()) error = DeviceText::ShellRefusal(answer.Refusal + QLatin1Char('\n'), path);
  if (error.isEmpty()) return answer.Text;
  shell.Dialogs().ShowError(error);
  return std::nullopt;
}

std::optional<QByteArray> ReadItem(DeviceBrowser& browser, int index) {
  const PShellItem* item = browser.DeviceItemAt(index);
  if (!item || item->IsFolder()) return std::nullopt;
  const QString name = item->Name;
  const int64_t size = item->SizeBytes;
  if (size > kAskAboveBytes &&
      !browser.Shell().Dialogs().AskYesNo(
          DeviceText::AskViewLarge(name, size, SecondsOnLine(size))))
    return std::nullopt;
  const QString folder = browser.DevicePath().isEmpty() ? QStringLiteral("\\") : browser.DevicePath();
  return Read(browser.Shell(), folder, name, browser.Lister().Timeouts());
}

}  // namespace DeviceTextFile
