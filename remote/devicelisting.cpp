#include "remote/devicelisting.h"

#include <QLatin1StringView>

namespace DeviceListing {
namespace {

constexpr QLatin1StringView kDirTag("<DIR>");
constexpr QLatin1StringView kBytesFree("bytes free");
// The header "dir" prints before a folder's entries; "dir/s" prints one per
// folder. A deep folder makes it long enough to reach the entry columns.
constexpr QLatin1StringView kDirectoryHeader("Directory of ");

// Bytes first..last (1-based, inclusive) of the line, as far as it reaches.
QString Field(const QByteArray& line, int first, int last) {
  return QString::fromLatin1(line.mid(first - 1, last - first + 1));
}

QString TrimmedField(const QByteArray& line, int first, int last) {
  return TrimField(Field(line, first, last));
}

bool IsDirectoryHeader(const QByteArray& line) {
  return TrimField(QString::fromLatin1(line)).startsWith(kDirectoryHeader);
}

bool HasDirTag(const QByteArray& line) { return Field(line, 14, 18) == kDirTag; }

// Name plus "." and extension when the extension is not empty.
QString EntryName(const QByteArray& line) {
  QString name = TrimmedField(line, 1, 8);
  const QString extension = TrimmedField(line, 10, 12);
  if (!extension.isEmpty()) name += QLatin1Char('.') + extension;
  return name;
}

// The shell prints the meridiem as one letter ("12:00p"); the "m" makes it a
// word the date conversion knows. A time without the letter then fails.
QString EntryDateText(const QByteArray& line) {
  return TrimField(Field(line, 28, 43) + QLatin1Char('m'));
}

// A run of decimal digits as a non-negative 32-bit number.
std::optional<int32_t> ParseDecimal32(QStringView digits) {
  if (digits.isEmpty()) return std::nullopt;
  int64_t value = 0;
  for (QChar c : digits) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
    value = value * 10 + (c.unicode() - '0');
    if (value > INT32_MAX) return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

// Reads 1..maxDigits decimal digits at pos; returns the count read (0: none).
int ReadNumber(QStringView text, int& pos, int maxDigits, int& value) {
  int count = 0;
  value = 0;
  while (pos < text.size() && count < maxDigits && text[pos].isDigit() &&
         text[pos].unicode() < 128) {
    value = value * 10 + (text[pos].unicode() - '0');
    ++pos;
    ++count;
  }
  return count;
}

bool Expect(QStringView text, int& pos, QChar c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

int SkipBlanks(QStringView text, int& pos) {
  const int start = pos;
  while (pos < text.size() && text[pos] == QLatin1Char(' ')) ++pos;
  return pos - start;
}

int WindowedYear(int twoDigits, int currentYear) {
  const int windowStart = currentYear - 50;
  int year = windowStart - windowStart % 100 + twoDigits;
  if (year < windowStart) year += 100;
  return year;
}

void FillEntryDate(ListingLine& entry, const QByteArray& line, int currentYear,
                   const DateFormat& dates) {
  const std::optional<QDateTime> when = ParseListingDate(EntryDateText(line), currentYear);
  entry.DateRead = when.has_value();
  entry.Item.ModifiedText = when ? dates.Format(*when) : QString();
  if (when) entry.Item.ModifiedAt = *when;
}

}  // namespace

QString FolderMarker() { return QStringLiteral("<DIR>"); }

QString TrimField(const QString& text) {
  int first = 0;
  int last = static_cast<int>(text.size());
  while (first < last && text[first].unicode() <= ' ') ++first;
  while (last > first && text[last - 1].unicode() <= ' ') --last;
  return text.mid(first, last - first);
}

ListingLine ParseListingLine(const QByteArray& line, int currentYear, const DateFormat& dates) {
  ListingLine result;
  if (line.size() < kMinEntryLength || IsDirectoryHeader(line)) return result;

  if (HasDirTag(line)) {
    const QString name = EntryName(line);
    if (name == QLatin1String(".") || name == QLatin1String("..")) return result;
    result.LineKind = ListingLine::Kind::Item;
    result.Item.Name = name;
    result.Item.Folder = true;
    result.Item.RelativeId = FolderMarker();
    FillEntryDate(result, line, currentYear, dates);
    return result;
  }

  const QString text = QString::fromLatin1(line);
  if (text.contains(kBytesFree)) {
    result.LineKind = ListingLine::Kind::FreeSpace;
    result.FreeCaption = QLatin1Char('(') + TrimField(text) + QLatin1Char(')');
    QString digits;
    for (QChar c : text)
      if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) digits += c;
    result.FreeBytes = ParseDecimal32(digits).value_or(0);
    return result;
  }

  result.LineKind = ListingLine::Kind::Item;
  result.Item.Name = EntryName(line);
  result.Item.SizeBytes = ParseSizeText(TrimmedField(line, 20, 26));
  result.Item.SizeKB = PaneItem::RoundUpKB(result.Item.SizeBytes);
  FillEntryDate(result, line, currentYear, dates);
  return result;
}

TreeLine ClassifyTreeLine(const QByteArray& line) {
  TreeLine result;
  if (line.size() < kMinEntryLength || IsDirectoryHeader(line)) return result;
  if (HasDirTag(line)) {
    // Only the name part decides: "." and ".." are the folder itself and its
    // parent, which every folder's own listing repeats.
    const QString name = TrimmedField(line, 1, 8);
    if (name != QLatin1String(".") && name != QLatin1String(".."))
      result.LineKind = TreeLine::Kind::Folder;
    return result;
  }
  if (line.contains(kBytesFree.data())) return result;
  result.LineKind = TreeLine::Kind::File;
  result.SizeBytes = ParseSizeText(TrimmedField(line, 20, 26));
  return result;
}

int32_t ParseSizeText(const QString& text) {
  QString digits = text;
  digits.remove(QLatin1Char(','));
  return ParseDecimal32(digits).value_or(0);
}

std::optional<QDateTime> ParseListingDate(const QString& text, int currentYear) {
  const QStringView s(text);
  int pos = 0;
  int month = 0, day = 0, year = 0, hour = 0, minute = 0;
  if (!ReadNumber(s, pos, 2, month) || !Expect(s, pos, QLatin1Char('-'))) return std::nullopt;
  if (!ReadNumber(s, pos, 2, day) || !Expect(s, pos, QLatin1Char('-'))) return std::nullopt;
  const int yearDigits = ReadNumber(s, pos, 4, year);
  if (yearDigits == 0) return std::nullopt;
  if (yearDigits <= 2) year = WindowedYear(year, currentYear);

  if (SkipBlanks(s, pos) == 0) return std::nullopt;
  if (!ReadNumber(s, pos, 2, hour) || !Expect(s, pos, QLatin1Char(':'))) return std::nullopt;
  if (ReadNumber(s, pos, 2, minute) != 2) return std::nullopt;
  SkipBlanks(s, pos);
  const QStringView meridiem = s.mid(pos);
  const bool pm = meridiem.compare(QLatin1String("pm"), Qt::CaseInsensitive) == 0;
  const bool am = meridiem.compare(QLatin1String("am"), Qt::CaseInsensitive) == 0;
  if ((!am && !pm) || hour > 12 || minute > 59) return std::nullopt;
  if (hour == 12) hour = 0;
  if (pm) hour += 12;

  const QDate date(year, month, day);
  if (!date.isValid()) return std::nullopt;
  // UTC: a listing time is a wall-clock text, which a daylight-saving gap of
  // the PC's zone must not shift.
  return QDateTime(date, QTime(hour, minute), Qt::UTC);
}

QString ConvertListingDate(const QString& text, int currentYear, const DateFormat& dates) {
  const std::optional<QDateTime> when = ParseListingDate(text, currentYear);
  return when ? dates.Format(*when) : QString();
}

}  // namespace DeviceListing
