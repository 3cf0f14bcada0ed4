#include "sim/dirformatter.h"

#include <cstdio>

namespace talosim {
namespace {

std::string PadRight(std::string text, size_t width) {
  text.resize(width, ' ');
  return text;
}

std::string PadLeft(const std::string& text, size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

bool MatchesAll(std::string_view pattern) { return pattern.empty() || pattern == "*.*" || pattern == "*"; }

}  // namespace

std::string DirFormatter::SizeText(uint64_t size) {
  std::string digits = std::to_string(size);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string DirFormatter::EntryLine(const std::string& name, bool isDir, uint64_t size, DosStamp stamp) {
  std::string base, ext;
  if (name == "." || name == "..")
    base = name;
  else
    SplitDosName(name, base, ext);
  return Columns(base, ext, isDir, size, stamp);
}

std::string DirFormatter::RawEntryLine(const std::string& rawName, bool isDir) {
  std::string base = rawName, ext;
  const size_t dot = rawName.rfind('.');
  if (dot != std::string::npos && dot > 0 && rawName.size() - dot - 1 >= 1 && rawName.size() - dot - 1 <= 3 &&
      rawName.find('\\', dot) == std::string::npos) {
    base = rawName.substr(0, dot);
    ext = rawName.substr(dot + 1);
  }
  return Columns(base, ext, isDir, isDir ? 0 : 1, DosStamp::Make(2024, 1, 2, 12, 0));
}

std::string DirFormatter::Columns(const std::string& base, const std::string& ext, bool isDir, uint64_t size,
                                  DosStamp stamp) {
  const int hour = stamp.Hour() % 12 == 0 ? 12 : stamp.Hour() % 12;
  char when[32];
  std::snprintf(when, sizeof when, "%02d-%02d-%02d  %2d:%02d%c", stamp.Month() % 100, stamp.Day() % 100,
                stamp.Year() % 100, hour % 100, stamp.Minute() % 100, stamp.Hour() < 12 ? 'a' : 'p');
  std::string line = PadRight(base, 8) + ' ' + PadRight(ext, 3) + ' ';
  line += isDir ? "<DIR>" : "     ";
  line += ' ' + PadLeft(isDir ? std::string() : SizeText(size), 7) + ' ' + when;
  return line;
}

std::string DirFormatter::VolumeLine(char drive, const std::string& label) {
  if (label.empty()) return std::string(" Volume in drive ") + drive + " has no label";
  return std::string(" Volume in drive ") + drive + " is " + label;
}

std::string DirFormatter::HeaderLine(const std::string& folderText) { return " Directory of " + folderText; }

std::string DirFormatter::SummaryLine(uint64_t files, uint64_t bytes) {
  return PadLeft(std::to_string(files), 9) + " file(s) " + PadLeft(SizeText(bytes), 14) + " bytes";
}

std::string DirFormatter::FreeLine(uint64_t freeBytes) { return PadLeft(SizeText(freeBytes), 34) + " bytes free"; }

bool DirFormatter::FolderLines(const VirtualDisk& disk, const DosPath& folder, std::string_view pattern,
                               std::vector<std::string>& lines, Totals& totals) {
  const DiskEntry* entry = disk.Find(folder);
  bool any = false;
  // The root has no "." and ".." entries, as on a DOS drive.
  if (!folder.empty()) {
    for (const char* dot : {".", ".."}) {
      if (!MatchesAll(pattern) && !MatchesDosPattern(dot, pattern)) continue;
      lines.push_back(EntryLine(dot, true, 0, entry->Stamp));
      any = true;
    }
  }
  for (const auto& child : entry->Children) {
    if (!MatchesAll(pattern) && !MatchesDosPattern(child->Name, pattern)) continue;
    lines.push_back(EntryLine(child->Name, child->IsDir, child->Data.size(), child->Stamp));
    any = true;
    if (!child->IsDir) {
      ++totals.Files;
      totals.Bytes += child->Data.size();
    }
  }
  return any;
}

std::vector<std::string> DirFormatter::Listing(const VirtualDisk& disk, char drive, const DosPath& folder,
                                               std::string_view pattern) {
  std::vector<std::string> lines{VolumeLine(drive, disk.Label()), HeaderLine(DosPathText(drive, folder))};
  Totals totals;
  // An empty folder still reports its free space: the utility needs that
  // figure before it copies anything onto a freshly formatted drive.
  if (!FolderLines(disk, folder, pattern, lines, totals) && !MatchesAll(pattern)) {
    lines.push_back(kFileNotFound);
    return lines;
  }
  lines.push_back(SummaryLine(totals.Files, totals.Bytes));
  lines.push_back(FreeLine(disk.FreeBytes()));
  return lines;
}

void DirFormatter::TreeLines(const VirtualDisk& disk, char drive, const DosPath& folder, std::string_view pattern,
                             std::vector<std::string>& lines, Totals& totals) {
  std::vector<std::string> own{HeaderLine(DosPathText(drive, folder))};
  Totals folderTotals;
  if (FolderLines(disk, folder, pattern, own, folderTotals) || MatchesAll(pattern)) {
    own.push_back(SummaryLine(folderTotals.Files, folderTotals.Bytes));
    lines.insert(lines.end(), own.begin(), own.end());
    totals.Files += folderTotals.Files;
    totals.Bytes += folderTotals.Bytes;
  }
  for (const auto& child : disk.Find(folder)->Children) {
    if (!child->IsDir) continue;
    DosPath sub = folder;
    sub.push_back(child->Name);
    TreeLines(disk, drive, sub, pattern, lines, totals);
  }
}

std::vector<std::string> DirFormatter::TreeListing(const VirtualDisk& disk, char drive, const DosPath& folder,
                                                   std::string_view pattern) {
  std::vector<std::string> lines{VolumeLine(drive, disk.Label())};
  Totals totals;
  TreeLines(disk, drive, folder, pattern, lines, totals);
  if (lines.size() == 1) {
    lines.push_back(kFileNotFound);
    return lines;
  }
  lines.push_back("Total files listed:");
  lines.push_back(SummaryLine(totals.Files, totals.Bytes));
  lines.push_back(FreeLine(disk.FreeBytes()));
  return lines;
}

}  // namespace talosim
