#include "link/shell/devicename.h"

#include <QStringList>

namespace DeviceName {
namespace {

constexpr qsizetype kBaseLength = 8;
constexpr qsizetype kExtensionLength = 3;

bool IsAsciiLetterOrDigit(char16_t u) {
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9');
}

bool IsDosNameChar(char16_t u) {
  return IsAsciiLetterOrDigit(u) || QStringView(u"!#$%&'()-@^_`{}~").contains(QChar(u));
}

// Why the shell would take c for something other than part of a name; empty
// for a character that stays inside one.
QString DangerOf(char16_t u) {
  if (u < 0x20 || u == 0x7f) return QStringLiteral("it holds a control character");
  switch (u) {
    case ' ':
      return QStringLiteral("it holds a blank");
    case '"':
      return QStringLiteral("it holds a quotation mark");
    case '*':
    case '?':
      return QStringLiteral("it holds a wildcard (* ?)");
    case '<':
    case '>':
    case '|':
      return QStringLiteral("it holds a redirection or pipe (< > |)");
    case '\\':
    case '/':
    case ':':
      return QStringLiteral("it holds a path separator (\\ / :)");
    case '+':
    case ',':
    case ';':
    case '=':
    case '[':
    case ']':
      return QStringLiteral("it holds a separator of the shell's commands (+ , ; = [ ])");
    default:
      return {};
  }
}

QString NotAllowed(QChar c, const QString& allowed) {
  return QStringLiteral("it holds the character '%1'; %2").arg(c, allowed);
}

QString DotName() { return QStringLiteral("\".\" and \"..\" name no file or folder of their own"); }

}  // namespace

QString Refusal(const QString& name) {
  if (name.isEmpty()) return QStringLiteral("it is empty");
  if (name == QLatin1String(".") || name == QLatin1String("..")) return DotName();
  for (const QChar c : name) {
    const char16_t u = c.unicode();
    if (const QString danger = DangerOf(u); !danger.isEmpty()) return danger;
    // Bytes from 0x80 up are letters of the controller's code page; a
    // character past one byte has no byte to be typed as.
    if (u > 0xff)
      return NotAllowed(c, QStringLiteral("the controller's names hold one byte per character"));
  }
  const qsizetype dot = name.indexOf(QLatin1Char('.'));
  const qsizetype baseLength = dot < 0 ? name.size() : dot;
  const qsizetype extensionLength = dot < 0 ? 0 : name.size() - dot - 1;
  if (baseLength == 0 || baseLength > kBaseLength || name.indexOf(QLatin1Char('.'), dot + 1) > 0 ||
      (dot >= 0 && (extensionLength == 0 || extensionLength > kExtensionLength)))
    return QStringLiteral("it is not an 8.3 name (") + NewNameRule().section(QLatin1Char(';'), 0, 0) +
           QLatin1Char(')');
  return {};
}

PathRefusal CheckPath(const QString& path) {
  for (const QString& name : path.split(QLatin1Char('\\'), Qt::SkipEmptyParts))
    if (const QString why = Refusal(name); !why.isEmpty()) return {name, why};
  // Doubled or trailing separators would hide an empty name.
  if (path != QLatin1String("\\") && (path.contains(QLatin1String("\\\\")) ||
                                      path.endsWith(QLatin1Char('\\'))))
    return {path, QStringLiteral("it holds an empty folder name")};
  return {};
}

QString NewNameRule() {
  return QStringLiteral(
      "8 characters, a dot, 3 characters; letters, digits and ! # $ % & ' ( ) - @ ^ _ ` { } ~ only");
}

ShortName ShortForm(const QString& typed) {
  const QString text = typed.trimmed();
  if (text.isEmpty()) return {{}, QStringLiteral("it is empty")};
  if (text == QLatin1String(".") || text == QLatin1String("..")) return {{}, DotName()};
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (const QString danger = DangerOf(u); !danger.isEmpty()) return {{}, danger};
    if (u != '.' && !IsNewNameChar(c))
      return {{}, NotAllowed(c, QStringLiteral("new names hold ASCII letters, digits and "
                                                "! # $ % & ' ( ) - @ ^ _ ` { } ~ only"))};
  }
  const QStringList parts = text.split(QLatin1Char('.'));
  if (parts.size() > 2) return {{}, QStringLiteral("it holds more than one full stop")};
  if (parts[0].isEmpty()) return {{}, QStringLiteral("it has no name before the full stop")};
  const QString base = parts[0].left(kBaseLength);
  const QString extension = parts.value(1).left(kExtensionLength);
  ShortName result;
  result.Name = (extension.isEmpty() ? base : base + QLatin1Char('.') + extension).toUpper();
  result.Cut = result.Name.size() != text.size();
  return result;
}

// Those of a DOS name that are ASCII, so that the name reads the same on
// the PC and on the controller.
bool IsNewNameChar(QChar c) { return IsDosNameChar(c.unicode()); }

bool IsNewName(const QString& name) {
  const ShortName form = ShortForm(name);
  return !form.Name.isEmpty() && !form.Cut && name == name.trimmed();
}

QString PromptWithRule(const QString& prompt) {
  return prompt + QStringLiteral("\n(") + NewNameRule() + QLatin1Char(')');
}

Preview ShortFormPreview(const QString& typed) {
  if (typed.trimmed().isEmpty()) return {};
  const ShortName form = ShortForm(typed);
  if (form.Name.isEmpty()) return {QStringLiteral("Cannot be sent: ") + form.Why, false};
  return {QStringLiteral("Sent as ") + form.Name +
              (form.Cut ? QStringLiteral(" (cut to fit 8.3)") : QString()),
          true};
}

}  // namespace DeviceName
