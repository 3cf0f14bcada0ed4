#pragma once
// Shell: the controller's command shell on the line.
//
// Principles of operation
// - Runs on the controller thread until the line goes down or a stop.
// - Echoes every received character as it arrives, CR included; Backspace
//   erases (BS, blank, BS) and on an empty line is ignored without an echo,
//   Ctrl+C drops the line. After the CR: CR LF, the
//   command's lines each ended by CR LF, then the prompt without a line end,
//   all in one write so that a listing has no gaps. A Ctrl+C that arrives
//   while they go out stops them: "^C", CR LF and the prompt follow.
// - Programs that begin a binary exchange at once (the image helpers and the
//   module simulation) get no CR LF before their first byte.
// - A command on a damaged D: asks "Abort, Retry, Fail?" and takes one key
//   (A, R or F, echoed with CR LF); nothing else is read until it is
//   answered. The utility's ABORT ("A") answers it.

#include <optional>
#include <string>

#include "sim/controller.h"
#include "sim/filecommands.h"

namespace talosim {

class Shell {
 public:
  explicit Shell(ControllerContext& context);
  void Run();

 private:
  enum class Program { None, Transfer, Format, Memory, Shell, KeeperRead, KeeperWrite, ModuleId, ModuleSim, Other };
  struct ProgramFile {
    Program Kind = Program::None;
    std::string FileName;
  };

  std::optional<std::string> ReadCommandLine();
  // At the prompt with nothing typed (SimState::IdleSince), or not.
  void SetIdle(bool idle);
  void Echo(char c);
  void Execute(const std::string& line);
  bool RunBuiltIn(const std::string& word, const std::string& args);
  ProgramFile FindProgram(const std::string& token);
  void RunProgram(const ProgramFile& program, const std::string& args);
  void Print(const FileCommands::Lines& lines);
  // A command's output, stopped by Ctrl+C.
  void WriteOutput(const std::string& out);
  // A listing, paused after its first folder header when the faults ask so.
  void PrintListing(const FileCommands::Lines& lines);
  // The listing's lines, then made-up entries until Ctrl+C or the line goes.
  void PrintEndlessListing(const FileCommands::Lines& lines);
  // Whether a command line reads or writes drive D:.
  bool NeedsDriveD(const std::string& text, const std::string& word, bool builtIn);
  // The DOS critical-error question for a damaged D:. True when a retry
  // found the drive readable; false when the command is to be given up
  // (the prompt has then been printed).
  bool DriveDReady();
  std::string Prompt();

  ControllerContext& Context;
  FileCommands Files;
  // The line being typed. It outlives the PC's openings and closings of
  // the port, as a real controller's does: what one session typed without
  // a carriage return, the next one's first line completes.
  std::string Typed;
};

}  // namespace talosim
