#include "remote/devicetextfile.h"

#include <memory>
#include <utility>

#include "items/paneitem.h"
#include "link/port/talocomport.h"
#include "link/shell/devicepath.h"
#include "link/shell/deviceshell.h"
#include "link/shell/shellsession.h"
#include "remote/devicebrowser.h"
#include "remote/devicecommands.h"
#include "remote/devicetexts.h"

namespace DeviceTextFile {
namespace {

constexpr uint8_t kLineFeed = 10;
constexpr char kEndOfText = '\x1A';

bool IsLineEnd(const QByteArray& line) { return line == "\n" || line == "\r\n"; }

// A refusal stands alone in place of the text.
QString RefusalOf(const QByteArray& text) {
  if (text.contains('\n')) return {};
  return DeviceCommand::RefusalIn(text);
}

}  // namespace

bool ShowsWhole(const QByteArray& typed, int64_t size) {
  constexpr int64_t kBlock = 128;
  if (FileBytes(typed, size)) return true;
  const int64_t shown = typed.size();
  return shown <= size && size - shown < kBlock + 2;
}

namespace {
QString Extension(const QString& name) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : name.mid(dot + 1).toUpper();
}
}  // namespace

bool IsTextName(const QString& name) {
  const QString extension = Extension(name);
  for (const char* text : {"CFG", "UPW", "TXT", "INI", "LOG", "BAT"})
    if (extension == QLatin1String(text)) return true;
  return false;
}

bool OpensInViewer(const QString& name) {
  // Batch files are the controller's programs (START.BAT, STOP.BAT): they
  // run, as executables do; View in the menu still shows them.
  return IsTextName(name) && Extension(name) != QLatin1String("BAT");
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
  if (const QString refusal = RefusalOf(text); !refusal.isEmpty()) return {{}, refusal, {}};
  const QByteArray typed = text;
  qsizetype end = text.size();
  while (end > 0 && text[end - 1] == '\0') --end;
  if (end > 0 && text[end - 1] == kEndOfText) --end;
  text.truncate(end);
  return {text, {}, typed};
}

std::optional<QByteArray> FileBytes(const QByteArray& typed, int64_t size) {
  // Padding zeros may end a file; a zero or a ^Z before its end is no text.
  qsizetype end = typed.size();
  while (end > 0 && typed[end - 1] == '\0') --end;
  if (typed.left(end).contains('\0') || typed.contains(kEndOfText)) return std::nullopt;
  // The shell's line end before the prompt stood for the file's last one
  // when the file is that much longer than what was typed.
  for (const QByteArray& ending : {QByteArray(), QByteArray("\r\n"), QByteArray("\n")})
    if (typed.size() + ending.size() == size) return typed + ending;
  return std::nullopt;
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
  return static_cast<int>((bytes + kControllerBytesPerSecond - 1) / kControllerBytesPerSecond);
}

TextRead Read(DeviceShell& shell, const QString& folder, const QString& name,
              const DeviceTimeouts& timeouts) {
  const auto failed = [](JobResult result) { return TextRead{{}, std::move(result), {}, false}; };
  const DeviceCommand::CommandLine command = DeviceCommand::TypeFile(folder, name);
  if (command.Refused()) return failed(JobResult::Failed(command.Refusal));
  const QString path = DevicePath::OnDriveD(folder, name);
  QByteArrayList lines;
  ShellSession session(shell, timeouts.FileCommandMs, kLineFeed);
  const auto keep = [&lines](const QByteArray& line) {
    lines.append(line);
    return true;
  };
  if (!session.IsOpen()) return failed(JobResult::Failed(session.OpenErrorText()));
  // A line of the file may begin like a prompt: only the shell's own, with
  // no line end after its ">", ends the answer.
  if (!session.Send(command.Line) ||
      !session.ReadAnswer(keep, timeouts.PromptBudgetMs, DeviceShell::PromptAt::Closed))
    return failed(session.Failure(ShellText::UnableToSend(QString::fromLatin1(command.Line))));
  if (session.SkippedLongLine()) {
    TextRead tooLong = failed(JobResult::Failed(DeviceText::TextLineTooLong(path)));
    tooLong.LineTooLong = true;
    return tooLong;
  }
  Answer answer = FromAnswer(lines);
  if (!answer.Refusal.isEmpty())
    return failed(
        JobResult::Failed(DeviceText::ShellRefusal(answer.Refusal + QLatin1Char('\n'), path)));
  return {std::move(answer.Text), JobResult::Done(), std::move(answer.Typed), false};
}

bool ViewItem(DeviceBrowser& browser, int index, ViewDone done) {
  const PaneItem* item = browser.DeviceItemAt(index);
  if (!item || item->IsFolder()) return false;
  const QString name = item->Name;
  const int64_t size = item->SizeBytes;
  DeviceShell& shell = browser.Shell();
  if (size > kAskAboveBytes &&
      !shell.Dialogs().AskYesNo(DeviceText::AskViewLarge(name, size, SecondsOnLine(size))))
    return false;
  const QString folder = browser.FolderShown();
  auto read = std::make_shared<TextRead>();
  return shell.Jobs().Start(
      [&shell, folder, name, read, timeouts = browser.Lister().Timeouts()] {
        *read = Read(shell, folder, name, timeouts);
        return read->Result;
      },
      [name, read, done = std::move(done)](const JobResult&) { done(name, *read); });
}

}  // namespace DeviceTextFile
