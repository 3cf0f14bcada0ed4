#pragma once
// The controller's "dir" and "dir/s" output, parsed by column.
//
// Principles of operation
// - The shell prints one entry per line in fixed columns. Positions below are
//   1-based byte positions in the line exactly as received, its CR LF
//   included: name 1-8, extension 10-12, "<DIR>" 14-18, size 20-26, date and
//   time 28-43. Lines shorter than 43 bytes (CR LF counted) are never
//   entries; that drops the volume label, the header and the summary lines.
// - A "Directory of" header that a deep folder stretches to 43 bytes or more
//   is recognised as a header, not taken for a file.
// - Everything here is pure: no clock (the caller passes the current year for
//   the two-digit-year window), no settings (the caller passes the format
//   dates are shown in), no I/O. Any thread.
// - Sizes are 32-bit as the controller prints them; an unparsable or
//   out-of-range figure is 0. They are handed out in 64-bit fields so that
//   totals never wrap.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

#include "items/datesettings.h"
#include "items/paneitem.h"

namespace DeviceListing {

// Shortest line (CR LF included) that can be an entry or the free-space line.
inline constexpr int kMinEntryLength = 43;

// What one line of a "dir" answer is.
struct ListingLine {
  enum class Kind { Ignored, Item, FreeSpace };
  Kind LineKind = Kind::Ignored;
  PaneItem Item;        // Kind::Item
  bool DateRead = false;  // Kind::Item: its date and time parsed
  QString FreeCaption;    // Kind::FreeSpace: "(" + the trimmed line + ")"
  int64_t FreeBytes = 0;  // Kind::FreeSpace: 0 when the figure is not a 32-bit number
};

// What one line of a "dir/s" answer counts as.
struct TreeLine {
  enum class Kind { NotEntry, Folder, File };
  Kind LineKind = Kind::NotEntry;
  int64_t SizeBytes = 0;  // Kind::File
};

// The folder marker stored in a device item's RelativeId.
QString FolderMarker();

// One line of "dir". currentYear places two-digit years; dates shows them.
ListingLine ParseListingLine(const QByteArray& line, int currentYear, const DateFormat& dates);
// One line of "dir/s".
TreeLine ClassifyTreeLine(const QByteArray& line);

// "54,645" -> 54645. Commas are dropped; anything else but decimal digits, an
// empty text or a value above 2147483647 gives 0.
int32_t ParseSizeText(const QString& text);

// "12-31-05 12:00pm": month-day-year, h:mm or hh:mm, am/pm in any case with
// blanks allowed before it. Two-digit years fall into the 100 years starting
// 50 years before currentYear.
std::optional<QDateTime> ParseListingDate(const QString& text, int currentYear);
// The display text of a listing date in the format given (the time left out
// at midnight); empty when the text does not parse.
QString ConvertListingDate(const QString& text, int currentYear, const DateFormat& dates);

// Removes leading and trailing blanks and control characters.
QString TrimField(const QString& text);

}  // namespace DeviceListing
