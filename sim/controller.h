#pragma once
// What the controller's shell and programs work with: the line, the shared
// state, the options and the waits of the programs.

#include <chrono>
#include <string>

#include "sim/controllerport.h"
#include "sim/dosname.h"
#include "sim/simstate.h"
#include "sim/talosim.h"

namespace talosim {

// Waits of the controller's own programs. FastTimeouts shortens them so that
// tests of silence and give-up paths run in well under a second.
struct Timings {
  using Millis = std::chrono::milliseconds;
  Millis NakInterval;   // receiver repeats its start NAK this often
  Millis StartGiveUp;   // receiver gives up when no block came
  Millis ByteGap;       // a frame's next byte must come within this
  Millis BlockWait;     // receiver waits this long for the next block
  Millis PeerSilence;   // image helpers give up after this much silence
  Millis FormatStep;    // pause between the format program's lines

  static Timings For(bool fast) {
    if (fast) return {Millis(100), Millis(3000), Millis(300), Millis(1000), Millis(1500), Millis(20)};
    return {Millis(1000), Millis(60000), Millis(1000), Millis(10000), Millis(30000), Millis(200)};
  }
};

// The shell's current drive and the current folder of each drive.
struct ShellLocation {
  char Drive = 'D';
  DosPath CwdC;
  DosPath CwdD;
  DosPath& Cwd(char drive) { return drive == 'C' ? CwdC : CwdD; }
  DosPath& Cwd() { return Cwd(Drive); }
  std::string Prompt() const { return DosPathText(Drive, Drive == 'C' ? CwdC : CwdD) + ">"; }
};

struct ControllerContext {
  ControllerPort& Port;
  SimState& State;
  const SimOptions& Options;
  Timings Times;
  ShellLocation Location;

  VirtualDisk& Disk(char drive) { return drive == 'C' ? State.DriveC : State.DriveD; }
};

}  // namespace talosim
