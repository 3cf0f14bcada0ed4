#pragma once
// PaneItem: one listed item of either pane.
//
// Local pane: AbsoluteId is the item's absolute path (or the computer
// location's identifier), RelativeId its name in the folder that was read.
// Device pane: RelativeId marks a folder (non-empty, as Folder), SizeBytes
// holds the size in bytes and SizeKB is derived from it.

#include <QDateTime>
#include <QString>
#include <cstdint>

struct PaneItem {
  QString AbsoluteId;
  QString RelativeId;
  bool DetailsPending = true;
  QString Name;
  QString TypeText;
  QString ModifiedText;
  // Device items: the date and time ModifiedText shows (invalid when the
  // listing's did not parse), for a copy that keeps it.
  QDateTime ModifiedAt;
  int IconIndex = 0;
  int64_t SizeKB = 0;
  int64_t SizeBytes = 0;
  uint32_t AttributeBits = 0;  // bit 0 read-only, bit 1 hidden, bit 2 system

  static constexpr uint32_t kReadOnly = 1;
  static constexpr uint32_t kHidden = 2;
  static constexpr uint32_t kSystem = 4;

  // Filled when the item is listed: a folder (local or device).
  bool Folder = false;
  bool IsFolder() const { return Folder; }

  // Size in KB rounded up: 0 -> 0, 1..1024 -> 1, 1025 -> 2.
  static int64_t RoundUpKB(int64_t bytes) { return bytes / 1024 + (bytes % 1024 ? 1 : 0); }
};
