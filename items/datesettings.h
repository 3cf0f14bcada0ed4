#pragma once
// The process-wide date format for every date text the program shows.
//
// Until the first device listing, dates follow the user's locale (its short
// date format). Each conversion of a listing date leaves the settings as it
// ended: "yyyy/MM/dd" (2005/12/31) after a successful one, "M-dd-yy"
// (12-31-05) after a failed one; the device lister notes each. Local file
// dates are formatted with whatever is in force. The listing parser itself
// is given its format (ListingFormat) and reads no settings. Main thread
// only.

#include <QDateTime>
#include <QString>

// How a date and time are shown: the date, and after a blank the time
// unless it is midnight. Patterns are QDateTime format strings.
struct DateFormat {
  QString DatePattern;
  QString TimePattern;
  // Empty for an invalid date and time.
  QString Format(const QDateTime& when) const;
};

namespace DateSettings {

// The device lister notes how each listing date's conversion ended.
void NoteListingConversion(bool succeeded);
// The short date pattern in force (a QDateTime format string).
QString ShortDatePattern();
// The short date pattern in force and the locale's long time.
DateFormat Current();
// How the controller's listing dates are shown: "yyyy/MM/dd" and the long
// time, the format a successful conversion leaves in force.
DateFormat ListingFormat();
// Current().Format(when).
QString FormatDateTime(const QDateTime& when);
// Back to the locale's format (tests).
void Reset();

}  // namespace DateSettings
