#pragma once
// The process-wide date format for every date text the program shows.
//
// Until the first device listing, dates follow the user's locale (its short
// date format). Each conversion of a listing date leaves the settings as it
// ended: "yyyy/MM/dd" (2005/12/31) after a successful one, "M-dd-yy"
// (12-31-05) after a failed one. Local file dates are formatted with whatever
// is in force. Main thread only.

#include <QDateTime>
#include <QString>

namespace DateSettings {

// Called by the listing's date conversion.
void NoteListingConversion(bool succeeded);
// The short date pattern in force (a QDateTime format string).
QString ShortDatePattern();
// Short date, a blank and the long time; the date alone at midnight.
QString FormatDateTime(const QDateTime& when);
// Back to the locale's format (tests).
void Reset();

}  // namespace DateSettings
