#include "remote/devicecommands.h"

#include <initializer_list>

#include "link/shell/devicename.h"
#include "link/shell/devicepath.h"
#include "remote/devicetexts.h"

namespace DeviceCommand {
namespace {

// The controller's shell speaks single-byte text; names from its listings
// are Latin-1 and go back the same way.
QByteArray Line(const QString& text) { return text.toLatin1() + '\r'; }

// text as a line when folder and every name pass the check.
CommandLine Checked(const QString& folder, std::initializer_list<QString> names,
                    const QString& text) {
  QString refusal = CheckPath(folder);
  for (const QString& name : names)
    if (refusal.isEmpty()) refusal = CheckName(name);
  if (!refusal.isEmpty()) return {{}, refusal};
  return {Line(text), {}};
}

CommandLine OnPath(const char* command, const QString& folder, const QString& name) {
  return Checked(folder, {name},
                 QLatin1String(command) + QLatin1Char(' ') + DevicePath::OnDriveD(folder, name));
}

}  // namespace

QByteArray SelectDrive() { return Line(QStringLiteral("d:")); }
CommandLine ChangeFolder(const QString& path) {
  return Checked(path, {}, QStringLiteral("cd") + path);
}
QByteArray ListFolder() { return Line(QStringLiteral("dir")); }
CommandLine CountTree(const QString& folder, const QString& name) {
  // The folder itself when no name is given.
  if (name.isEmpty())
    return Checked(folder, {}, QStringLiteral("dir/s ") + DevicePath::OnDriveD(folder));
  return OnPath("dir/s", folder, name);
}
CommandLine DeleteFile(const QString& folder, const QString& name) {
  return OnPath("del", folder, name);
}
CommandLine RemoveFolder(const QString& folder, const QString& name) {
  return OnPath("rd", folder, name);
}
CommandLine MakeFolder(const QString& folder, const QString& name) {
  return OnPath("md", folder, name);
}
CommandLine TypeFile(const QString& folder, const QString& name) {
  return OnPath("type", folder, name);
}
CommandLine Rename(const QString& folder, const QString& oldName, const QString& newName) {
  return Checked(folder, {oldName, newName},
                 QStringLiteral("ren ") + DevicePath::OnDriveD(folder, oldName) +
                     QLatin1Char(' ') + newName);
}
CommandLine AppendToAutoRun(const QString& folder, const QString& name) {
  const bool root = folder.isEmpty() || folder == QLatin1String("\\");
  const QString program = root ? name : folder + QLatin1Char('\\') + name;
  const QString batch = root ? QStringLiteral("AutoRun.bat") : QStringLiteral("\\AutoRun.bat");
  return Checked(folder, {name}, QStringLiteral("echo ") + program + QStringLiteral(">>") + batch);
}
QByteArray ShowMemory() { return Line(QStringLiteral("C:\\mem")); }
QByteArray AnswerAbort() { return Line(QStringLiteral("A")); }
QByteArray FormatDriveD() { return Line(QStringLiteral("C:\\DLFMT D: /C")); }

QString CheckName(const QString& name) {
  const QString why = DeviceName::Refusal(name);
  return why.isEmpty() ? QString() : DeviceText::UnsafeName(name, why);
}

QString CheckPath(const QString& path) {
  const DeviceName::PathRefusal refused = DeviceName::CheckPath(path);
  return refused.Why.isEmpty() ? QString() : DeviceText::UnsafeName(refused.Name, refused.Why);
}

QString RefusalIn(const QByteArray& line) {
  // What the shell prints instead of an answer about a path it cannot use.
  // Shells word the rest of the line their own way ("File not found -
  // D:\X.TXT"): the start decides.
  static const char* const kRefusals[] = {
      "File not found",    "Path not found",  "Access denied",
      "Invalid drive",     "Invalid file name", "Invalid directory",
      "Invalid path",      "Required parameter missing", "Too many parameters"};
  const QByteArray text = line.trimmed();
  for (const char* refusal : kRefusals)
    if (text.startsWith(refusal)) return QString::fromLatin1(text);
  return {};
}

}  // namespace DeviceCommand
