#pragma once
// The order of the items of a folder: folders first, then by the chosen
// column (0 name, 1 size, 2 type, 3 modified), the name breaking ties. A
// descending order turns round the order within folders and within files;
// folders stay first.
// Names compare without regard to case and with runs of digits by their
// value ("file9" before "file10").

#include <QString>
#include <cstdint>

namespace ItemOrder {

// Negative, zero or positive.
int CompareNames(const QString& a, const QString& b);

struct Key {
  bool Folder = false;
  const QString* Name = nullptr;
  int64_t Size = 0;
  const QString* TypeText = nullptr;
  int64_t ModifiedMs = 0;
};

// True when a sorts before b by the column.
bool Less(const Key& a, const Key& b, int column, bool descending = false);

}  // namespace ItemOrder
