#include "devicecommands.h"

namespace DeviceCommand {
namespace {

// The controller's shell speaks single-byte text; names from its listings
// are Latin-1 and go back the same way.
QByteArray Line(const QString& text) { return text.toLatin1() + '\r'; }

}  // namespace

QByteArray SelectDrive() { return Line(QStringLiteral("d:")); }
QByteArray ChangeFolder(const QString& path) { return Line(QStringLiteral("cd") + path); }
QByteArray ListFolder() { return Line(QStringLiteral("dir")); }
QByteArray CountTree(const QString& argument) { return Line(QStringLiteral("dir/s ") + argument); }
QByteArray DeleteFile(const QString& name) { return Line(QStringLiteral("del ") + name); }
QByteArray RemoveFolder(const QString& name) { return Line(QStringLiteral("rd ") + name); }
QByteArray MakeFolder(const QString& name) { return Line(QStringLiteral("md ") + name); }
QByteArray Rename(const QString& oldName, const QString& newName) {
  return Line(QStringLiteral("ren ") + oldName + QLatin1Char(' ') + newName);
}
QByteArray AppendToAutoRun(const QString& name) {
  return Line(QStringLiteral("echo ") + name + QStringLiteral(">>AutoRun.bat"));
}
QByteArray ShowMemory() { return Line(QStringLiteral("C:\\mem")); }
QByteArray AnswerAbort() { return Line(QStringLiteral("A")); }
QByteArray FormatDriveD() { return Line(QStringLiteral("C:\\DLFMT D: /C")); }

bool IsSafeTypedName(const QString& name) {
  if (name.isEmpty()) return false;
  for (QChar c : name) {
    const char16_t u = c.unicode();
    // Outside Latin-1 the name could not be typed byte for byte either.
    if (u <= ' ' || u == 0x7f || u > 0xff || (u >= 0x80 && u < 0xa0)) return false;
    if (u == '<' || u == '>' || u == '|') return false;
  }
  return true;
}

}  // namespace DeviceCommand
