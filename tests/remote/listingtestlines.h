#pragma once
// Listing lines in the controller's fixed columns, for the parser tests.

#include <QByteArray>
#include <QString>

namespace ListingLines {

// name 1-8, extension 10-12, "<DIR>" 14-18, size 20-26 (right-aligned), date
// and time 28-43, then CR LF: 45 bytes.
inline QByteArray Entry(const char* name, const char* ext, bool dir, const char* size,
                        const char* dateTime) {
  const QByteArray tag = dir ? QByteArray("<DIR>") : QByteArray("     ");
  return QByteArray(name).leftJustified(8, ' ', true) + ' ' +
         QByteArray(ext).leftJustified(3, ' ', true) + ' ' + tag + ' ' +
         QByteArray(size).rightJustified(7, ' ', true) + ' ' +
         QByteArray(dateTime).leftJustified(16, ' ', true) + "\r\n";
}

inline QByteArray Folder(const char* name, const char* dateTime = "12-31-05  12:00p") {
  return Entry(name, "", true, "", dateTime);
}

inline QByteArray File(const char* name, const char* ext, const char* size,
                       const char* dateTime = "12-31-05  12:00p") {
  return Entry(name, ext, false, size, dateTime);
}

inline QByteArray FreeSpace(const char* figure) {
  return QByteArray(25, ' ') + figure + " bytes free\r\n";
}

}  // namespace ListingLines
