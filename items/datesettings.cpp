#include "items/datesettings.h"

#include <QLocale>
#include <QRegularExpression>

namespace {
// Empty: the locale's own short format.
QString gPattern;

// The locale's long time format without its time-zone field, which a
// desktop's "long time" setting does not show.
QString LongTimePattern() {
  QString pattern = QLocale().timeFormat(QLocale::LongFormat);
  static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
  pattern.remove(zone);
  return pattern.trimmed();
}
}  // namespace

QString DateFormat::Format(const QDateTime& when) const {
  if (!when.isValid()) return {};
  const QString date = when.date().toString(DatePattern);
  if (when.time() == QTime(0, 0)) return date;
  return date + QLatin1Char(' ') + when.time().toString(TimePattern);
}

namespace DateSettings {

void NoteListingConversion(bool succeeded) {
  // A failed conversion leaves the month-first pattern with "-" between the
  // fields, the separator the controller's own dates use.
  gPattern = succeeded ? ListingFormat().DatePattern : QStringLiteral("M-dd-yy");
}

QString ShortDatePattern() {
  return gPattern.isEmpty() ? QLocale().dateFormat(QLocale::ShortFormat) : gPattern;
}

DateFormat Current() { return {ShortDatePattern(), LongTimePattern()}; }

DateFormat ListingFormat() { return {QStringLiteral("yyyy/MM/dd"), LongTimePattern()}; }

QString FormatDateTime(const QDateTime& when) { return Current().Format(when); }

void Reset() { gPattern.clear(); }

}  // namespace DateSettings
