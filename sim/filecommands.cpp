#include "sim/filecommands.h"

#include <cctype>

#include "sim/dirformatter.h"
#include "sim/shelltexts.h"

namespace talosim {
namespace {

std::vector<std::string> SplitBlanks(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

bool IsDriveLetter(char drive) { return drive == 'C' || drive == 'D'; }

}  // namespace

FileCommands::Target FileCommands::Locate(std::string_view text) {
  Target target;
  const ParsedPath parsed = ParseDosPath(Trim(text));
  target.Drive = parsed.Drive.value_or(Where.Drive);
  if (!IsDriveLetter(target.Drive)) return target;
  const DosPath start = parsed.Absolute ? DosPath{} : Where.Cwd(target.Drive);
  std::vector<std::string> folderParts = parsed.Parts;
  if (!folderParts.empty()) {
    target.Last = folderParts.back();
    folderParts.pop_back();
  }
  const auto folder = ResolveDosPath(start, folderParts);
  if (!folder || !Disk(target.Drive).IsFolder(*folder)) return target;
  target.Folder = *folder;
  target.Valid = true;
  return target;
}

FileCommands::Lines FileCommands::ChangeDir(std::string_view args) {
  const std::string text = Trim(args);
  if (text.empty()) return {DosPathText(Where.Drive, Where.Cwd())};
  const ParsedPath parsed = ParseDosPath(text);
  const char drive = parsed.Drive.value_or(Where.Drive);
  if (!IsDriveLetter(drive)) return {ShellText::kInvalidDrive};
  // "cd D:" shows that drive's current folder without changing anything.
  if (parsed.Drive && !parsed.Absolute && parsed.Parts.empty()) return {DosPathText(drive, Where.Cwd(drive))};
  const auto folder = ResolveDosPath(parsed.Absolute ? DosPath{} : Where.Cwd(drive), parsed.Parts);
  if (!folder || !Disk(drive).IsFolder(*folder)) return {ShellText::kInvalidDirectory};
  Where.Cwd(drive) = *folder;
  return {};
}

FileCommands::Lines FileCommands::Dir(std::string_view args) {
  bool tree = false;
  std::string pathText;
  const std::string text(args);
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '/') {
      const char option = i + 1 < text.size() ? static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1]))) : ' ';
      if (option == 'S') {
        tree = true;
      } else if (option != 'P') {  // paging means nothing on a serial line
        return {std::string(ShellText::kInvalidSwitch) + "/" + (option == ' ' ? std::string() : std::string(1, option))};
      }
      ++i;
    } else if (std::isspace(static_cast<unsigned char>(c))) {
      if (!pathText.empty() && pathText.back() != ' ') pathText += ' ';
    } else {
      pathText += c;
    }
  }
  pathText = Trim(pathText);
  if (pathText.find(' ') != std::string::npos) return {ShellText::kTooManyParameters};

  char drive = Where.Drive;
  DosPath folder = Where.Cwd();
  std::string pattern;
  if (!pathText.empty()) {
    const ParsedPath parsed = ParseDosPath(pathText);
    drive = parsed.Drive.value_or(Where.Drive);
    if (!IsDriveLetter(drive)) return {ShellText::kInvalidDrive};
    const DosPath start = parsed.Absolute ? DosPath{} : Where.Cwd(drive);
    const auto whole = ResolveDosPath(start, parsed.Parts);
    if (whole && Disk(drive).IsFolder(*whole)) {
      folder = *whole;
    } else {
      const Target target = Locate(pathText);
      if (!target.Valid || target.Last.empty()) return {ShellText::kFileNotFound};
      folder = target.Folder;
      pattern = target.Last;
    }
  }
  const VirtualDisk& disk = Disk(drive);
  if (tree) return DirFormatter::TreeListing(disk, drive, folder, pattern);
  Lines lines = DirFormatter::Listing(disk, drive, folder, pattern);
  // Entries the drive does not hold go before the summary and free lines.
  if (drive == 'D' && lines.size() >= 4 && lines.back().find("bytes free") != std::string::npos) {
    Lines extra;
    for (const FaultPlan::ListingEntry& entry : State.Faults.ListingEntries)
      extra.push_back(DirFormatter::RawEntryLine(entry.Name, entry.Folder));
    lines.insert(lines.end() - 2, extra.begin(), extra.end());
  }
  return lines;
}

void FileCommands::MoveAfterListing() {
  const std::string& text = State.Faults.FolderAfterListing;
  if (text.empty()) return;
  const ParsedPath parsed = ParseDosPath(text);
  const char drive = parsed.Drive.value_or('D');
  if (!IsDriveLetter(drive)) return;
  const auto folder = ResolveDosPath({}, parsed.Parts);
  if (!folder || !Disk(drive).IsFolder(*folder)) return;
  Where.Drive = drive;
  Where.Cwd(drive) = *folder;
}

FileCommands::Lines FileCommands::MakeDir(std::string_view args) {
  if (Trim(args).empty()) return {ShellText::kRequiredParameter};
  const Target target = Locate(args);
  if (!target.Valid || target.Last.empty()) return {ShellText::kUnableToCreate};
  const auto name = NormalizeDosName(target.Last);
  if (!name) return {ShellText::kInvalidDirName};
  DosPath path = target.Folder;
  path.push_back(*name);
  if (Disk(target.Drive).MakeDir(path, State.Now()) != DiskStatus::Ok) return {ShellText::kUnableToCreate};
  return {};
}

FileCommands::Lines FileCommands::RemoveDir(std::string_view args) {
  const std::string text = Trim(args);
  if (text.empty()) return {ShellText::kRequiredParameter};
  const Lines refused{ShellText::kRdRefused1, ShellText::kRdRefused2};
  const ParsedPath parsed = ParseDosPath(text);
  const char drive = parsed.Drive.value_or(Where.Drive);
  if (!IsDriveLetter(drive)) return {ShellText::kInvalidDrive};
  const auto folder = ResolveDosPath(parsed.Absolute ? DosPath{} : Where.Cwd(drive), parsed.Parts);
  if (!folder || folder->empty()) return refused;
  const DosPath& cwd = Where.Cwd(drive);
  if (cwd.size() >= folder->size() && std::equal(folder->begin(), folder->end(), cwd.begin()))
    return {ShellText::kRdCurrent + DosPathText(drive, *folder)};
  const DiskStatus status = Disk(drive).RemoveDir(*folder);
  if (status == DiskStatus::ReadOnly) return {ShellText::kAccessDenied};
  if (status != DiskStatus::Ok) return refused;
  return {};
}

FileCommands::Lines FileCommands::Delete(std::string_view args) {
  if (Trim(args).empty()) return {ShellText::kRequiredParameter};
  const Target target = Locate(args);
  if (!target.Valid) return {ShellText::kPathNotFound};
  if (target.Last.empty() || target.Last == "." || target.Last == "..") return {ShellText::kAccessDenied};
  VirtualDisk& disk = Disk(target.Drive);
  if (disk.IsReadOnly()) return {ShellText::kAccessDenied};
  std::vector<std::string> names;
  if (HasWildcards(target.Last)) {
    for (const auto& child : disk.Find(target.Folder)->Children)
      if (!child->IsDir && MatchesDosPattern(child->Name, target.Last)) names.push_back(child->Name);
  } else if (const auto name = NormalizeDosName(target.Last)) {
    DosPath path = target.Folder;
    path.push_back(*name);
    const DiskEntry* entry = disk.Find(path);
    if (entry && entry->IsDir) return {ShellText::kAccessDenied};
    if (entry) names.push_back(*name);
  }
  if (names.empty()) return {ShellText::kFileNotFound};
  for (const std::string& name : names) {
    DosPath path = target.Folder;
    path.push_back(name);
    (void)disk.DeleteFile(path);
  }
  return {};
}

FileCommands::Lines FileCommands::Rename(std::string_view args) {
  const auto words = SplitBlanks(args);
  if (words.size() < 2) return {ShellText::kRequiredParameter};
  if (words.size() > 2) return {ShellText::kTooManyParameters};
  if (words[1].find_first_of("\\:") != std::string::npos || HasWildcards(words[1]))
    return {ShellText::kInvalidFileName};
  const auto newName = NormalizeDosName(words[1]);
  if (!newName) return {ShellText::kInvalidFileName};
  const Target target = Locate(words[0]);
  if (!target.Valid || HasWildcards(target.Last)) return {ShellText::kDuplicate};
  const auto oldName = NormalizeDosName(target.Last);
  if (!oldName) return {ShellText::kDuplicate};
  DosPath path = target.Folder;
  path.push_back(*oldName);
  const DiskStatus status = Disk(target.Drive).Rename(path, *newName);
  if (status == DiskStatus::ReadOnly) return {ShellText::kAccessDenied};
  if (status != DiskStatus::Ok) return {ShellText::kDuplicate};
  return {};
}

FileCommands::Lines FileCommands::Echo(std::string_view args) {
  std::string text(args);
  const bool dot = !text.empty() && text[0] == '.';
  // The character that ends the word "echo" is not part of the text.
  if (!text.empty() && std::string_view(" \t.;,=").find(text[0]) != std::string_view::npos) text.erase(0, 1);
  const size_t redirect = text.find('>');
  if (redirect == std::string::npos) {
    if (text.empty() && !dot) return {ShellText::kEchoOn};
    return {text};
  }
  const bool append = redirect + 1 < text.size() && text[redirect + 1] == '>';
  const std::string fileText = Trim(std::string_view(text).substr(redirect + (append ? 2 : 1)));
  std::string content = text.substr(0, redirect);
  if (content.empty() && !dot) content = ShellText::kEchoOn;
  const Target target = Locate(fileText);
  if (fileText.empty() || !target.Valid) return {ShellText::kFileCreation};
  const auto name = NormalizeDosName(target.Last, NameRule::Truncate);
  if (!name) return {ShellText::kFileCreation};
  DosPath path = target.Folder;
  path.push_back(*name);
  switch (Disk(target.Drive).WriteFile(path, content + "\r\n", append, State.Now())) {
    case DiskStatus::Ok:
      return {};
    case DiskStatus::DiskFull:
    case DiskStatus::TableFull:
      return {ShellText::kDiskFull};
    case DiskStatus::ReadOnly:
      return {ShellText::kAccessDenied};
    default:
      return {ShellText::kFileCreation};
  }
}

FileCommands::Lines FileCommands::Type(std::string_view args) {
  if (Trim(args).empty()) return {ShellText::kRequiredParameter};
  const Target target = Locate(args);
  if (!target.Valid || HasWildcards(target.Last)) return {ShellText::kFileNotFound};
  const auto name = NormalizeDosName(target.Last);
  if (!name) return {ShellText::kFileNotFound};
  DosPath path = target.Folder;
  path.push_back(*name);
  const DiskEntry* entry = Disk(target.Drive).Find(path);
  if (!entry) return {ShellText::kFileNotFound};
  if (entry->IsDir) return {ShellText::kAccessDenied};
  // Text files end at Ctrl+Z; the line end before the prompt comes from the
  // shell, so one final line end of the file is not doubled.
  std::string content = entry->Data.substr(0, entry->Data.find('\x1A'));
  if (content.size() >= 2 && content.compare(content.size() - 2, 2, "\r\n") == 0)
    content.resize(content.size() - 2);
  else if (!content.empty() && content.back() == '\n')
    content.pop_back();
  return {content};
}

FileCommands::Lines FileCommands::Volume() {
  return {DirFormatter::VolumeLine(Where.Drive, Disk(Where.Drive).Label())};
}

}  // namespace talosim
