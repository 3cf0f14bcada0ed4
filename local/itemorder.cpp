#include "local/itemorder.h"

namespace ItemOrder {

namespace {

bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Compares two runs of digits by value: leading zeros skipped, then the
// longer run is the larger number, then digit by digit.
int CompareNumbers(const QString& a, qsizetype& i, const QString& b, qsizetype& j) {
  qsizetype startA = i, startB = j;
  while (i < a.size() && IsDigit(a[i])) ++i;
  while (j < b.size() && IsDigit(b[j])) ++j;
  qsizetype firstA = startA, firstB = startB;
  while (firstA < i - 1 && a[firstA] == QLatin1Char('0')) ++firstA;
  while (firstB < j - 1 && b[firstB] == QLatin1Char('0')) ++firstB;
  const qsizetype lengthA = i - firstA, lengthB = j - firstB;
  if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
  for (qsizetype k = 0; k < lengthA; ++k)
    if (a[firstA + k] != b[firstB + k]) return a[firstA + k] < b[firstB + k] ? -1 : 1;
  // Equal values: fewer leading zeros first, so "1" < "01" and the order is total.
  const qsizetype zerosA = firstA - startA, zerosB = firstB - startB;
  return zerosA == zerosB ? 0 : (zerosA < zerosB ? -1 : 1);
}

}  // namespace

int CompareNames(const QString& a, const QString& b) {
  qsizetype i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      if (const int byValue = CompareNumbers(a, i, b, j)) return byValue;
      continue;
    }
    const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
    if (ca != cb) return ca < cb ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
  // Names equal but for case: a fixed order keeps sorting deterministic.
  return QString::compare(a, b, Qt::CaseSensitive);
}

namespace {

// a before b within one group (both folders or both files), ascending.
bool Before(const Key& a, const Key& b, int column) {
  switch (column) {
    case 1:
      if (a.Size != b.Size) return a.Size < b.Size;
      break;
    case 2:
      if (const int byType = QString::compare(*a.TypeText, *b.TypeText, Qt::CaseInsensitive))
        return byType < 0;
      break;
    case 3:
      if (a.ModifiedMs != b.ModifiedMs) return a.ModifiedMs < b.ModifiedMs;
      break;
    default:
      break;
  }
  return CompareNames(*a.Name, *b.Name) < 0;
}

}  // namespace

bool Less(const Key& a, const Key& b, int column, bool descending) {
  if (a.Folder != b.Folder) return a.Folder;
  return descending ? Before(b, a, column) : Before(a, b, column);
}

}  // namespace ItemOrder
