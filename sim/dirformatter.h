#pragma once
// DirFormatter: the shell's "dir" and "dir/s" listings, in the fixed columns
// the utility parses by position (1-based, before CR LF):
//   name 1-8, extension 10-12, "<DIR>" 14-18, size 20-26 with thousands
//   commas, date and time 28-43 as "mm-dd-yy  hh:mma" (one-letter meridiem).
// Every line but the entries and the free-space line stays shorter than 41
// characters so that the utility skips it. Lines carry no line end here.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/virtualdisk.h"

namespace talosim {

class DirFormatter {
 public:
  static std::string EntryLine(const std::string& name, bool isDir, uint64_t size, DosStamp stamp);
  // An entry the drive does not hold, its name laid out as it stands (a
  // hostile or garbled controller's listing): the part after the last full
  // stop goes to the extension columns when it is 1 to 3 characters without
  // a "\", the rest to the name columns (cut at 8).
  static std::string RawEntryLine(const std::string& rawName, bool isDir);
  static std::string SizeText(uint64_t size);  // 54645 -> "54,645"
  static std::string VolumeLine(char drive, const std::string& label);
  static std::string HeaderLine(const std::string& folderText);
  static std::string SummaryLine(uint64_t files, uint64_t bytes);
  static std::string FreeLine(uint64_t freeBytes);
  static constexpr const char* kFileNotFound = "File not found";

  // "dir [pattern]" of one folder: empty pattern lists everything.
  static std::vector<std::string> Listing(const VirtualDisk& disk, char drive, const DosPath& folder,
                                          std::string_view pattern);
  // "dir/s": the folder and every folder below it, then the totals.
  static std::vector<std::string> TreeListing(const VirtualDisk& disk, char drive, const DosPath& folder,
                                              std::string_view pattern);

 private:
  static std::string Columns(const std::string& base, const std::string& ext, bool isDir, uint64_t size,
                             DosStamp stamp);
  struct Totals {
    uint64_t Files = 0;
    uint64_t Bytes = 0;
  };
  // Entry lines of one folder that match; false when none matched.
  static bool FolderLines(const VirtualDisk& disk, const DosPath& folder, std::string_view pattern,
                          std::vector<std::string>& lines, Totals& totals);
  static void TreeLines(const VirtualDisk& disk, char drive, const DosPath& folder, std::string_view pattern,
                        std::vector<std::string>& lines, Totals& totals);
};

}  // namespace talosim
