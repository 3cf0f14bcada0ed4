// One received line of "dir" and of "dir/s": arbitrary bytes, the first of
// which also places the current year. Besides not crashing or reading outside
// the line, the parsers must agree with the columns:
// - an entry is at least 43 bytes long, its name at most 8.3 and trimmed;
// - a file's size is what the digits of columns 20-26 say (commas dropped),
//   0 when they are not a 32-bit decimal number, and its KB rounded up;
// - "dir/s" counts a line as a file exactly when "dir" lists it as a file,
//   with the same size;
// - a free-space figure is never negative or beyond 32 bits.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

#include "remote/devicelisting.h"

namespace {

// What columns 20-26 say, read independently of the parser.
int64_t SizeColumn(const QByteArray& line) {
  QByteArray text = line.mid(19, 7);
  while (!text.isEmpty() && static_cast<uint8_t>(text.front()) <= ' ') text.remove(0, 1);
  while (!text.isEmpty() && static_cast<uint8_t>(text.back()) <= ' ') text.chop(1);
  text.replace(",", "");
  if (text.isEmpty()) return 0;
  int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
    if (value > INT32_MAX) return 0;
  }
  return value;
}

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A deep copy: QByteArray::fromRawData would let a read past the end go
  // unnoticed into the fuzzer's own buffer.
  const QByteArray line(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const int year = size > 0 ? 1900 + data[0] : 2026;

  using DeviceListing::ListingLine;
  using DeviceListing::TreeLine;
  static const DateFormat dates = DateSettings::ListingFormat();
  const ListingLine parsed = DeviceListing::ParseListingLine(line, year, dates);
  const TreeLine tree = DeviceListing::ClassifyTreeLine(line);

  if (parsed.LineKind != ListingLine::Kind::Ignored)
    Require(line.size() >= DeviceListing::kMinEntryLength);
  if (parsed.LineKind == ListingLine::Kind::FreeSpace)
    Require(parsed.FreeBytes >= 0 && parsed.FreeBytes <= INT32_MAX);
  if (parsed.LineKind == ListingLine::Kind::Item) {
    const PaneItem& item = parsed.Item;
    Require(item.Name.size() <= 12);
    Require(item.Name == DeviceListing::TrimField(item.Name));
    if (!item.Folder) {
      Require(item.SizeBytes == SizeColumn(line));
      Require(item.SizeKB == PaneItem::RoundUpKB(item.SizeBytes));
    }
  }
  const bool listedFile = parsed.LineKind == ListingLine::Kind::Item && !parsed.Item.Folder;
  Require(listedFile == (tree.LineKind == TreeLine::Kind::File));
  if (listedFile) Require(tree.SizeBytes == parsed.Item.SizeBytes);
  return 0;
}
