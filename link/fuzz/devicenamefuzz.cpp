// A name as a listing or a user gives it: arbitrary bytes, read as Latin-1
// the way listing lines are. Whatever the check accepts must be one name of
// the folder, safe to put on a command line as it stands:
// - 1 to 8 characters, at most one full stop followed by 1 to 3, each a
//   letter, a digit, ! # $ % & ' ( ) - @ ^ _ ` { } ~ or a byte from 0x80 up;
// - so no blank to split it, nothing that redirects, pipes, quotes, matches
//   several files or names another folder.
// A path passes exactly when each of its names passes, and a new name's
// short form, when there is one, is an ASCII name the check accepts.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

#include "link/shell/devicename.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

bool IsDosNameChar(QChar c) {
  const char16_t u = c.unicode();
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
         QStringView(u"!#$%&'()-@^_`{}~").contains(c) || (u >= 0x80 && u <= 0xff);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromLatin1(
      QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));

  if (DeviceName::Refusal(text).isEmpty()) {
    const QStringList parts = text.split(QLatin1Char('.'));
    Require(parts.size() <= 2);
    Require(!parts[0].isEmpty() && parts[0].size() <= 8);
    if (parts.size() == 2) Require(!parts[1].isEmpty() && parts[1].size() <= 3);
    for (const QString& part : parts)
      for (const QChar c : part) Require(IsDosNameChar(c));
  }

  const QString path = QLatin1Char('\\') + text;
  bool everyNamePasses = !path.contains(QLatin1String("\\\\")) && !path.endsWith(QLatin1Char('\\'));
  for (const QString& name : path.split(QLatin1Char('\\'), Qt::SkipEmptyParts))
    everyNamePasses = everyNamePasses && DeviceName::Refusal(name).isEmpty();
  if (path == QLatin1String("\\")) everyNamePasses = true;
  Require(DeviceName::CheckPath(path).Why.isEmpty() == everyNamePasses);

  const DeviceName::ShortName form = DeviceName::ShortForm(text);
  Require(form.Name.isEmpty() != form.Why.isEmpty());
  if (!form.Name.isEmpty()) {
    Require(DeviceName::Refusal(form.Name).isEmpty());
    Require(form.Name == form.Name.toUpper());
    Require(DeviceName::IsNewName(form.Name));
    for (const QChar c : form.Name) Require(c.unicode() < 0x80);
  }
  return 0;
}
