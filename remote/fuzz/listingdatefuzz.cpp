// The date and time column of a listing ("12-31-05  12:00pm"): arbitrary
// text, the first byte also placing the current year. A date that parses
// must be a real one, a two-digit year must land in the 100-year window
// around the current year, and the date written back in the controller's
// form must parse to the same moment.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "remote/devicelisting.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// How many digits the year has: the run of digits after the second "-".
int YearDigits(const QString& text) {
  const qsizetype first = text.indexOf(QLatin1Char('-'));
  const qsizetype second = first < 0 ? -1 : text.indexOf(QLatin1Char('-'), first + 1);
  if (second < 0) return 0;
  int count = 0;
  for (qsizetype i = second + 1; i < text.size() && text[i] >= QLatin1Char('0') &&
                                 text[i] <= QLatin1Char('9');
       ++i)
    ++count;
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int year = size > 0 ? 1900 + data[0] : 2026;
  const QString text = QString::fromLatin1(
      QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));

  const std::optional<QDateTime> when = DeviceListing::ParseListingDate(text, year);
  static const DateFormat dates = DateSettings::ListingFormat();
  Require(DeviceListing::ConvertListingDate(text, year, dates).isEmpty() == !when.has_value());
  if (!when) return 0;
  Require(when->isValid() && when->time().second() == 0);
  const int parsedYear = when->date().year();
  if (YearDigits(text) <= 2) Require(parsedYear >= year - 50 && parsedYear < year + 50);

  // Written back as the controller prints it, with a four-digit year.
  const int hour12 = when->time().hour() % 12 == 0 ? 12 : when->time().hour() % 12;
  const QString again = QStringLiteral("%1-%2-%3 %4:%5%6")
                            .arg(when->date().month(), 2, 10, QLatin1Char('0'))
                            .arg(when->date().day(), 2, 10, QLatin1Char('0'))
                            .arg(parsedYear, 4, 10, QLatin1Char('0'))
                            .arg(hour12)
                            .arg(when->time().minute(), 2, 10, QLatin1Char('0'))
                            .arg(when->time().hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm"));
  Require(DeviceListing::ParseListingDate(again, year) == when);
  return 0;
}
