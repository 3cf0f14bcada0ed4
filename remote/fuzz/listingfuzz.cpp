// Feeds arbitrary bytes to the listing parsers as one received line each.
// The parsers must neither crash nor read outside the line.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

#include "listingparser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A deep copy: QByteArray::fromRawData would let a read past the end go
  // unnoticed into the fuzzer's own buffer.
  const QByteArray line(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  // The first byte varies the current year, so the year window is exercised
  // far from today as well.
  const int year = size > 0 ? 1900 + data[0] : 2026;

  const DeviceListing::ListingLine parsed = DeviceListing::ParseListingLine(line, year);
  if (parsed.LineKind == DeviceListing::ListingLine::Kind::FreeSpace && parsed.FreeBytes < 0)
    __builtin_trap();
  const DeviceListing::TreeLine tree = DeviceListing::ClassifyTreeLine(line);
  if (tree.SizeBytes < 0) __builtin_trap();
  (void)DeviceListing::ConvertListingDate(QString::fromLatin1(line), year);
  (void)DeviceListing::ParseSizeText(QString::fromLatin1(line));
  return 0;
}
