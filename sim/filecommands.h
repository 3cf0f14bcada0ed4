#pragma once
// FileCommands: the shell's built-in file commands ("cd", "dir", "md", "rd",
// "del", "ren", "echo", "type") on the drives. Each takes the argument text
// as typed after the command word and returns the lines to print.
// The caller holds the state mutex for the duration of a call.

#include <string>
#include <string_view>
#include <vector>

#include "sim/controller.h"

namespace talosim {

class FileCommands {
 public:
  using Lines = std::vector<std::string>;

  FileCommands(SimState& state, ShellLocation& location) : State(state), Where(location) {}

  Lines ChangeDir(std::string_view args);
  Lines Dir(std::string_view args);
  Lines MakeDir(std::string_view args);
  Lines RemoveDir(std::string_view args);
  Lines Delete(std::string_view args);
  Lines Rename(std::string_view args);
  Lines Echo(std::string_view args);
  Lines Type(std::string_view args);
  Lines Volume();
  // The fault that moves the shell's folder after a listing, when set.
  void MoveAfterListing();

 private:
  struct Target {
    char Drive = 'D';
    DosPath Folder;    // the folder the last component lives in
    std::string Last;  // last component as typed (may hold wildcards)
    bool Valid = false;
  };
  // Splits a path argument into its folder (resolved) and its last part.
  Target Locate(std::string_view text);
  VirtualDisk& Disk(char drive) { return drive == 'C' ? State.DriveC : State.DriveD; }

  SimState& State;
  ShellLocation& Where;
};

}  // namespace talosim
