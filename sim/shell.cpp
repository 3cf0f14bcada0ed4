#include "sim/shell.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <thread>

#include "sim/dirformatter.h"
#include "sim/programs.h"
#include "sim/shelltexts.h"

namespace talosim {
namespace {

constexpr size_t kMaxLine = 127;  // the shell's line buffer; more rings the bell
constexpr char kBackspace = 8;
constexpr char kDelete = 127;
constexpr char kCtrlC = 3;
constexpr char kEscape = 27;

}  // namespace

Shell::Shell(ControllerContext& context)
    : Context(context), Files(context.State, context.Location), Typed(context.Options.StaleLine) {
  if (Typed.size() > kMaxLine) Typed.resize(kMaxLine);
}

void Shell::Run() {
  while (Context.Port.Alive()) {
    auto line = ReadCommandLine();
    if (!line) return;
    Execute(*line);
  }
}

void Shell::SetIdle(bool idle) {
  std::lock_guard lock(Context.State.Mutex);
  if (!idle)
    Context.State.IdleSince.reset();
  else if (!Context.State.IdleSince)
    Context.State.IdleSince = std::chrono::steady_clock::now();
}

void Shell::Echo(char c) {
  char out = c;
  {
    std::lock_guard lock(Context.State.Mutex);
    const FaultPlan& faults = Context.State.Faults;
    if (faults.NoEcho) return;
    if (faults.WrongEchoEvery > 0 && ++Context.State.Echoed % faults.WrongEchoEvery == 0) out = static_cast<char>(c ^ 0x01);
  }
  Context.Port.Write(std::string_view(&out, 1));
}

std::optional<std::string> Shell::ReadCommandLine() {
  std::string& line = Typed;
  SetIdle(line.empty());
  while (Context.Port.Alive()) {
    const auto byte = Context.Port.ReadByte(std::chrono::milliseconds(500));
    if (!byte) continue;
    SetIdle(false);
    const char c = static_cast<char>(*byte);
    switch (c) {
      case '\r': {
        Echo(c);
        std::string entered;
        entered.swap(line);
        return entered;
      }
      case '\n':  // terminals that send CR LF: the LF means nothing here
        break;
      case kBackspace:
      case kDelete:
        if (!line.empty()) {
          line.pop_back();
          for (char erase : {kBackspace, ' ', kBackspace}) Echo(erase);
        }
        break;
      case kCtrlC:
        line.clear();
        Context.Port.Write("^C\r\n" + Prompt());
        break;
      case kEscape:  // cancels the line, as DOS does: a backslash and a new line
        line.clear();
        Context.Port.Write("\\\r\n");
        break;
      default:
        if (line.size() >= kMaxLine) {
          Context.Port.Write("\a");
        } else {
          line += c;
          Echo(c);
        }
    }
  }
  return std::nullopt;
}

std::string Shell::Prompt() {
  std::lock_guard lock(Context.State.Mutex);
  // The drive may have changed under the shell (format, restore, a test).
  for (char drive : {'C', 'D'})
    if (!Context.Disk(drive).IsFolder(Context.Location.Cwd(drive))) Context.Location.Cwd(drive).clear();
  return Context.Location.Prompt();
}

void Shell::Print(const FileCommands::Lines& lines) {
  std::string out = "\r\n";
  for (const std::string& line : lines) out += line + "\r\n";
  out += Prompt();
  WriteOutput(out);
}

void Shell::WriteOutput(const std::string& out) {
  bool interrupted = false;
  if (!Context.Port.WriteUnlessInterrupted(out, interrupted) && interrupted)
    Context.Port.Write("^C\r\n" + Prompt());
}

void Shell::PrintListing(const FileCommands::Lines& lines) {
  uint32_t pauseMs = 0;
  bool endless = false;
  {
    std::lock_guard lock(Context.State.Mutex);
    pauseMs = Context.State.Faults.PauseListingMs;
    endless = Context.State.Faults.EndlessListing;
  }
  if (endless) return PrintEndlessListing(lines);
  const auto header = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.find("Directory of") != std::string::npos;
  });
  if (pauseMs == 0 || header == lines.end()) return Print(lines);
  std::string head = "\r\n";
  for (auto line = lines.begin(); line <= header; ++line) head += *line + "\r\n";
  Context.Port.Write(head);
  std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
  std::string rest;
  for (auto line = header + 1; line != lines.end(); ++line) rest += *line + "\r\n";
  WriteOutput(rest + Prompt());
}

void Shell::PrintEndlessListing(const FileCommands::Lines& lines) {
  std::string out = "\r\n";
  for (const std::string& line : lines) out += line + "\r\n";
  constexpr int kBatch = 50;
  for (uint32_t entry = 1; Context.Port.Write(out);) {
    out.clear();
    for (int i = 0; i < kBatch; ++i, ++entry) {
      const std::string name = "E" + std::to_string(1000000 + entry % 1000000).substr(1) + ".DAT";
      const DosStamp stamp = DosStamp::Make(2026, 1, 2, 3, 4);
      out += DirFormatter::EntryLine(name, false, entry % 100000, stamp) + "\r\n";
    }
    // Ctrl+C stops it as it stops a command line; other keys are not taken.
    const auto byte = Context.Port.ReadByte(std::chrono::milliseconds(0));
    if (byte && *byte == kCtrlC) {
      Context.Port.Write("^C\r\n" + Prompt());
      return;
    }
  }
}

void Shell::Execute(const std::string& line) {
  std::string slowWord;
  uint32_t slowMs = 0;
  {
    std::lock_guard lock(Context.State.Mutex);
    Context.State.Commands.push_back(line);
    slowWord = ToUpper(Context.State.Faults.SlowCommand);
    slowMs = Context.State.Faults.SlowCommandMs;
  }
  const std::string text = Trim(line);
  if (!slowWord.empty() && ToUpper(text.substr(0, text.find_first_of(" \t"))) == slowWord)
    std::this_thread::sleep_for(std::chrono::milliseconds(slowMs));
  if (text.empty()) {
    Print({});
    return;
  }
  if (text.size() == 2 && text[1] == ':' && std::isalpha(static_cast<unsigned char>(text[0]))) {
    const char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    if (drive != 'C' && drive != 'D') {
      Print({ShellText::kInvalidDrive});
      return;
    }
    Context.Location.Drive = drive;
    Print({});
    return;
  }
  // A built-in's word may run straight into its argument: "cd\", "dir/s", "cd..".
  size_t wordEnd = 0;
  while (wordEnd < text.size() && std::isalpha(static_cast<unsigned char>(text[wordEnd]))) ++wordEnd;
  const std::string word = ToUpper(text.substr(0, wordEnd));
  const std::string rest = text.substr(wordEnd);
  const bool builtIn = wordEnd > 0 && (rest.empty() || std::strchr(" \t\\/.;,=+>", rest[0]));
  if (NeedsDriveD(text, word, builtIn) && !DriveDReady()) return;
  if (builtIn && RunBuiltIn(word, rest)) return;

  const size_t tokenEnd = text.find_first_of(" \t/");
  const std::string token = text.substr(0, tokenEnd);
  const std::string args = tokenEnd == std::string::npos ? std::string() : Trim(text.substr(tokenEnd));
  const ProgramFile program = FindProgram(token);
  if (program.Kind == Program::None) {
    Print({ShellText::kBadCommand});
    return;
  }
  RunProgram(program, args);
}

bool Shell::NeedsDriveD(const std::string& text, const std::string& word, bool builtIn) {
  const std::string upper = ToUpper(text);
  // Formatting is what mends a damaged drive, so it never asks.
  if (!builtIn && upper.find("DLFMT") != std::string::npos) return false;
  if (upper.find("D:") != std::string::npos) return true;
  if (builtIn) {
    if (word == "VER" || word == "CLS") return false;
    if (word == "ECHO" && text.find('>') == std::string::npos) return false;
    if (word == "CD" || word == "CHDIR" || word == "DIR" || word == "MD" || word == "MKDIR" || word == "RD" ||
        word == "RMDIR" || word == "DEL" || word == "ERASE" || word == "REN" || word == "RENAME" ||
        word == "ECHO" || word == "TYPE" || word == "VOL")
      return Context.Location.Drive == 'D';
  }
  // A program named with C: is found without D:; any other is searched for
  // on D: too.
  return upper.rfind("C:", 0) != 0;
}

bool Shell::DriveDReady() {
  auto damaged = [this] {
    std::lock_guard lock(Context.State.Mutex);
    return Context.State.DriveD.IsDamaged();
  };
  if (!damaged()) return true;
  Context.Port.Write(std::string("\r\n") + ShellText::kGeneralFailure + "\r\n" + ShellText::kAbortRetryFail);
  while (Context.Port.Alive()) {
    const auto byte = Context.Port.ReadByte(std::chrono::milliseconds(500));
    if (!byte) continue;
    const char answer = static_cast<char>(std::toupper(*byte));
    if (answer != 'A' && answer != 'R' && answer != 'F') continue;  // other keys are not taken
    Echo(static_cast<char>(*byte));
    Context.Port.Write("\r\n");
    if (answer == 'R') {
      if (!damaged()) return true;
      Context.Port.Write(std::string(ShellText::kGeneralFailure) + "\r\n" + ShellText::kAbortRetryFail);
      continue;
    }
    Context.Port.Write(Prompt());
    return false;
  }
  return false;
}

bool Shell::RunBuiltIn(const std::string& word, const std::string& args) {
  FileCommands::Lines lines;
  {
    std::lock_guard lock(Context.State.Mutex);
    if (word == "CD" || word == "CHDIR")
      lines = Files.ChangeDir(args);
    else if (word == "DIR")
      lines = Files.Dir(args);
    else if (word == "MD" || word == "MKDIR")
      lines = Files.MakeDir(args);
    else if (word == "RD" || word == "RMDIR")
      lines = Files.RemoveDir(args);
    else if (word == "DEL" || word == "ERASE")
      lines = Files.Delete(args);
    else if (word == "REN" || word == "RENAME")
      lines = Files.Rename(args);
    else if (word == "ECHO")
      lines = Files.Echo(args);
    else if (word == "TYPE")
      lines = Files.Type(args);
    else if (word == "VOL")
      lines = Files.Volume();
    else if (word == "VER")
      lines = {ShellText::kVersion};
    else if (word != "CLS")
      return false;
  }
  if (word != "DIR") {
    Print(lines);
    return true;
  }
  PrintListing(lines);
  std::lock_guard lock(Context.State.Mutex);
  Files.MoveAfterListing();
  return true;
}

Shell::ProgramFile Shell::FindProgram(const std::string& token) {
  const ParsedPath parsed = ParseDosPath(token);
  if (parsed.Parts.empty()) return {};
  std::vector<std::string> folderParts = parsed.Parts;
  const auto name = NormalizeDosName(folderParts.back());
  folderParts.pop_back();
  if (!name) return {};
  std::string base, ext;
  SplitDosName(*name, base, ext);
  std::vector<std::string> candidates;
  if (!ext.empty()) {
    if (ext != "COM" && ext != "EXE" && ext != "BAT") return {};
    candidates.push_back(*name);
  } else {
    for (const char* suffix : {".COM", ".EXE", ".BAT"}) candidates.push_back(*name + suffix);
  }
  ShellLocation& where = Context.Location;
  std::vector<std::pair<char, DosPath>> places;
  if (parsed.Drive || parsed.Absolute || !folderParts.empty()) {
    const char drive = parsed.Drive.value_or(where.Drive);
    if (drive != 'C' && drive != 'D') return {};
    const auto folder = ResolveDosPath(parsed.Absolute ? DosPath{} : where.Cwd(drive), folderParts);
    if (!folder) return {};
    places.emplace_back(drive, *folder);
  } else {
    // The current folder first, then the search path C:\;D:\.
    places = {{where.Drive, where.Cwd()}, {'C', {}}, {'D', {}}};
  }
  std::lock_guard lock(Context.State.Mutex);
  for (const auto& [drive, folder] : places) {
    for (const std::string& candidate : candidates) {
      DosPath path = folder;
      path.push_back(candidate);
      const DiskEntry* entry = Context.Disk(drive).Find(path);
      if (!entry || entry->IsDir) continue;
      std::string stem, suffix;
      SplitDosName(candidate, stem, suffix);
      Program kind = Program::Other;
      if (drive == 'C') {
        if (stem == "TRANSFER") kind = Program::Transfer;
        if (stem == "DLFMT") kind = Program::Format;
        if (stem == "MEM") kind = Program::Memory;
        if (stem == "COMMAND") kind = Program::Shell;
      } else {
        const bool helper = stem == "KEEPERRD" || stem == "KEEPERWR";
        if (helper && Context.State.Faults.ImageHelpersMissing) continue;
        if (stem == "KEEPERRD") kind = Program::KeeperRead;
        if (stem == "KEEPERWR") kind = Program::KeeperWrite;
        if (stem == "MODID") kind = Program::ModuleId;
        if (stem == "SIMU7101") kind = Program::ModuleSim;
      }
      return {kind, candidate};
    }
  }
  return {};
}

void Shell::RunProgram(const ProgramFile& program, const std::string& args) {
  const bool binary = program.Kind == Program::KeeperRead || program.Kind == Program::KeeperWrite ||
                      program.Kind == Program::ModuleSim;
  // The shell ends the command's line before the program starts; the image
  // and module programs then speak binary, so only its line feed is left
  // after the echoed carriage return.
  if (!binary)
    Context.Port.Write("\r\n");
  else if (Context.Options.HelperLineFeed)
    Context.Port.Write("\n");
  switch (program.Kind) {
    case Program::Transfer:
      RunTransfer(Context, args);
      break;
    case Program::Format:
      RunDiskFormat(Context, args);
      break;
    case Program::Memory:
      RunMemoryReport(Context);
      break;
    case Program::Shell:
      Context.Port.Write(std::string(ShellText::kVersion) + "\r\n");
      break;
    case Program::KeeperRead:
      RunKeeperRead(Context);
      break;
    case Program::KeeperWrite:
      RunKeeperWrite(Context);
      break;
    case Program::ModuleId:
      RunModuleId(Context);
      break;
    case Program::ModuleSim:
      RunModuleSimulation(Context);
      break;
    case Program::Other:
    case Program::None:
      RunOtherProgram(Context, program.FileName);
      break;
  }
  Context.Port.Write(Prompt());
}

}  // namespace talosim
