// talo7100-sim: the TALO-7100 controller on a pseudo-terminal.
// Prints the slave's path on the first line, then serves until SIGINT,
// SIGTERM or SIGHUP, saving the disk file (--disk) on the way out.

#include <signal.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "sim/talosim.h"

namespace {

constexpr const char* kUsage = R"(Usage: talo7100-sim [OPTIONS]
       talo7100-sim --help | --version

Serves the TALO-7100 controller's shell on a pseudo-terminal. The first line
printed is the terminal's path; open it like a serial port (57600 8N1).
Ends cleanly on Ctrl+C, SIGTERM or SIGHUP.

Line and drive:
  --link PATH             also make a symbolic link PATH to the terminal
  --disk FILE             load D: from this 1 MiB FAT12 image (if it
                          exists) and save it there when ending
  --demo                  fill an empty D: with demonstration files
  --damaged               start with D:'s file system broken: commands on
                          D: ask "Abort, Retry, Fail?" until it is formatted
  --baud N                pace both directions at N baud, 10 bit times a
                          byte (57600 gives 5760 bytes/s); default unpaced
  --latency MS            turnaround delay before each answer
  --adapter-latency MS    a USB serial adapter between the wire and the PC:
                          it holds what the controller sends until MS ms
                          passed or 62 bytes wait (16 on common chips)
  --fast                  shorten the programs' own waits (for tests)
  --no-helper-lf          leave out the shell's line feed after the echoed
                          CR of KEEPERRD, keeperwr and simu7101
  --module M              module MODID reports: 7101 (default), NONE, 7xxx
  --inputs HEX            fix the module's 4 digital inputs (default: a
                          count that steps once a second)
  --xmodem-receiver CMD   run CMD through /bin/sh for "C:\transfer /R",
                          with the line as its stdin and stdout; the
                          target's file name is appended as the last
                          argument and set in $TALO_TARGET_NAME, the
                          target as typed in $TALO_TARGET
                          (e.g. 'cd /tmp/in && rx -q')
  --clock 'YYYY-MM-DD HH:MM'
                          stamp every file and folder made with this date
                          and time instead of the PC's clock
  --stale-line TEXT       start with TEXT typed into the shell's line and not
                          entered, as an interrupted session leaves it

Transcript:
  --transcript FILE       write what crosses the line to FILE as it goes:
                          "> " bytes from the PC, "< " bytes to it, "= "
                          bytes typed with each one echoed, "~ N ms"
                          silences, "| open" and "| close" of the port;
                          long binary bursts as length and CRC-32,
                          repeated exchanges folded into one line
  --transcript-quantum MS count silences in whole MS ms (default 100)

Faults (deterministic for a given --seed):
  --seed N                seed for the drop and corrupt decisions (1)
  --no-echo               the shell echoes nothing (as while a program runs)
  --wrong-echo N          every N-th echoed byte is wrong
  --drop RATE             lose received bytes with this probability (0-1)
  --corrupt RATE          corrupt received bytes with this probability
  --nak-block N           NAK XMODEM block N (counted from 1) ...
  --nak-count K           ... the first K times it comes (default 1)
  --can-block N           answer XMODEM block N with CAN
  --answer-c              the receiver invites with 'C' instead of NAK
  --corrupt-frame N       send backup frame N (from 0) once with a bad CRC
  --corrupt-times N       ... on its first N sends (default 1)
  --restore-reply XYZ     the restore helper replies XYZ instead of 111 ...
  --restore-reply-block N ... before block N (default 0)
  --bad-replies N         from that block on, N restore replies with a bad CRC
  --damaged-reply N       the PC's reply to backup block N arrives damaged:
                          the helper sends the block again
  --misstore-block N      the restore helper stores block N (from 0) wrongly
                          while answering 111
  --no-keepers            KEEPERRD and keeperwr are not found on D:
  --stall-after N         stop answering after N sent bytes
  --hangup-after N        close the terminal after N sent bytes
  --pause-listing MS      pause MS ms after the folder header of every
                          "dir" and "dir/s" answer (a busy controller)
  --slow-command WORD     answer every command line whose first word is WORD
                          (any case) only after a pause, as a controller
                          busy writing its drive
  --slow-ms MS            ... that pause (default 500)
  --module-ignores-sets   the module acknowledges output changes (">") but
                          keeps its outputs
  --listing-name NAME     every "dir" of D: also lists a file NAME that the
                          drive does not hold, raw (\xHH for any byte);
                          may be given again
  --listing-folder NAME   ... the same for a folder NAME
  --folder-after-listing PATH
                          after every "dir" and "dir/s", the shell's current
                          drive and folder become PATH ("D:\DATA", "C:\"),
                          as a program or a terminal's "cd" leaves them
  --endless-listing       every "dir" and "dir/s" answer goes on for ever
                          with made-up entries, until Ctrl+C

  --help                  show this text
  --version               show the version
)";
// The project's version and build, as the product's programs print theirs.
constexpr const char* kVersion = "talo7100-sim " TALO_VERSION " (" TALO_BUILD_TAG ")\n";

bool ParseNumber(const char* text, long long& value) {
  char* end = nullptr;
  value = std::strtoll(text, &end, 0);
  return end && *end == '\0' && end != text;
}

// "\xHH" stands for the byte HH; anything else is taken as it stands.
std::string Unescaped(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\\x") == 0 && i + 3 < text.size() &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 3]))) {
      out += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool ParseRate(const char* text, double& value) {
  char* end = nullptr;
  value = std::strtod(text, &end);
  return end && *end == '\0' && end != text && value >= 0.0 && value <= 1.0;
}

// Fills the options from the command line; false with a message on a bad one.
bool ParseOptions(int argc, char** argv, talosim::SimOptions& options, bool& help, bool& version,
                  std::string& error) {
  talosim::FaultPlan& faults = options.Faults;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    auto flag = [&](const char* option, bool& target) {
      if (name != option) return false;
      target = true;
      return true;
    };
    if (flag("--help", help) || flag("--version", version) || flag("--demo", options.Demo) || flag("--damaged", options.DamagedDrive) || flag("--fast", options.FastTimeouts) ||
        flag("--no-echo", faults.NoEcho) || flag("--answer-c", faults.XmodemAnswerC) ||
        flag("--no-keepers", faults.ImageHelpersMissing) ||
        flag("--module-ignores-sets", faults.ModuleIgnoresSets) ||
        flag("--endless-listing", faults.EndlessListing))
      continue;
    if (name == "--no-helper-lf") {
      options.HelperLineFeed = false;
      continue;
    }
    if (name.rfind("--", 0) != 0) {
      error = "unexpected argument " + name;
      return false;
    }
    if (i + 1 >= argc) {
      error = "unknown option or missing value: " + name;
      return false;
    }
    const char* value = argv[++i];
    long long number = 0;
    double rate = 0;
    const bool isNumber = ParseNumber(value, number);
    auto needNumber = [&](long long minimum) {
      if (!isNumber || number < minimum) error = "bad value for " + name + ": " + value;
      return error.empty();
    };
    if (name == "--link") {
      options.LinkPath = value;
    } else if (name == "--disk") {
      options.DiskFile = value;
    } else if (name == "--stale-line") {
      options.StaleLine = value;
    } else if (name == "--module") {
      options.Module = value;
    } else if (name == "--xmodem-receiver") {
      options.XmodemReceiverCommand = value;
    } else if (name == "--clock") {
      options.Clock = value;
    } else if (name == "--transcript") {
      options.TranscriptFile = value;
    } else if (name == "--listing-name" || name == "--listing-folder") {
      faults.ListingEntries.push_back({Unescaped(value), name == "--listing-folder"});
    } else if (name == "--slow-command") {
      faults.SlowCommand = value;
    } else if (name == "--slow-ms" && needNumber(0)) {
      faults.SlowCommandMs = static_cast<uint32_t>(number);
    } else if (name == "--folder-after-listing") {
      faults.FolderAfterListing = value;
    } else if (name == "--restore-reply") {
      if (std::strlen(value) != 3) error = "--restore-reply needs three characters";
      faults.RestoreReply = value;
    } else if (name == "--inputs") {
      char* end = nullptr;
      const long inputs = std::strtol(value, &end, 16);
      if (!end || *end || inputs < 0 || inputs > 15) error = "bad value for --inputs: " + std::string(value);
      options.ModuleInputs = static_cast<int>(inputs);
    } else if (name == "--drop" || name == "--corrupt") {
      if (!ParseRate(value, rate)) error = "bad rate for " + name + ": " + value;
      (name == "--drop" ? faults.DropRate : faults.CorruptRate) = rate;
    } else if (name == "--baud" && needNumber(0)) {
      options.Baud = static_cast<uint32_t>(number);
    } else if (name == "--latency" && needNumber(0)) {
      options.LatencyMs = static_cast<uint32_t>(number);
    } else if (name == "--transcript-quantum" && needNumber(1)) {
      options.TranscriptQuantumMs = static_cast<uint32_t>(number);
    } else if (name == "--adapter-latency" && needNumber(0)) {
      options.AdapterLatencyMs = static_cast<uint32_t>(number);
    } else if (name == "--seed" && needNumber(0)) {
      faults.Seed = static_cast<uint32_t>(number);
    } else if (name == "--wrong-echo" && needNumber(1)) {
      faults.WrongEchoEvery = static_cast<int>(number);
    } else if (name == "--nak-block" && needNumber(1)) {
      faults.XmodemNakBlock = static_cast<int>(number);
      if (faults.XmodemNakCount == 0) faults.XmodemNakCount = 1;
    } else if (name == "--nak-count" && needNumber(0)) {
      faults.XmodemNakCount = static_cast<int>(number);
    } else if (name == "--can-block" && needNumber(1)) {
      faults.XmodemCanAtBlock = static_cast<int>(number);
    } else if (name == "--corrupt-frame" && needNumber(0)) {
      faults.BackupCorruptFrame = static_cast<int>(number);
    } else if (name == "--corrupt-times" && needNumber(1)) {
      faults.BackupCorruptTimes = static_cast<int>(number);
    } else if (name == "--bad-replies" && needNumber(0)) {
      faults.RestoreBadReplies = static_cast<int>(number);
    } else if (name == "--damaged-reply" && needNumber(0)) {
      faults.BackupReplyDamagedBlock = static_cast<int>(number);
    } else if (name == "--misstore-block" && needNumber(0)) {
      faults.RestoreMisstoreBlock = static_cast<int>(number);
    } else if (name == "--restore-reply-block" && needNumber(0)) {
      faults.RestoreReplyBlock = static_cast<int>(number);
    } else if (name == "--stall-after" && needNumber(0)) {
      faults.StallAfterBytes = number;
    } else if (name == "--hangup-after" && needNumber(0)) {
      faults.HangUpAfterBytes = number;
    } else if (name == "--pause-listing" && needNumber(0)) {
      faults.PauseListingMs = static_cast<uint32_t>(number);
    } else if (error.empty()) {
      error = "unknown option: " + name;
    }
    if (!error.empty()) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  talosim::SimOptions options;
  bool help = false;
  bool version = false;
  std::string error;
  if (!ParseOptions(argc, argv, options, help, version, error)) {
    std::cerr << "talo7100-sim: " << error << "\nTry talo7100-sim --help.\n";
    return 2;
  }
  if (help) {
    std::cout << kUsage;
    return 0;
  }
  if (version) {
    std::cout << kVersion;
    return 0;
  }
  // The signals are taken by sigwait below, never by a handler, so that the
  // simulator's threads are never interrupted half-way.
  sigset_t endSignals;
  sigemptyset(&endSignals);
  sigaddset(&endSignals, SIGINT);
  sigaddset(&endSignals, SIGTERM);
  sigaddset(&endSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

  talosim::Simulator simulator(options);
  if (!simulator.Start()) {
    std::cerr << "talo7100-sim: " << simulator.LastError() << "\n";
    return 1;
  }
  std::cout << simulator.SlavePath() << std::endl;
  int received = 0;
  sigwait(&endSignals, &received);
  simulator.Stop();
  if (!simulator.LastError().empty()) {
    std::cerr << "talo7100-sim: " << simulator.LastError() << "\n";
    return 1;
  }
  return 0;
}
