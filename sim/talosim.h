#pragma once
// talosim: the TALO-7100 controller on a pseudo-terminal.
//
// Principles of operation
// - Simulator owns a pty pair; the utility opens SlavePath() like a serial
//   device. The controller side runs on the simulator's own thread.
// - The shell, the virtual D: drive and the helper programs behave as the
//   controller does on the wire, byte for byte. Everything else about the
//   controller's inner working is this simulator's own choice.
// - Faults are injected through FaultPlan (deterministic for a given seed).
// - All public calls are thread-safe; they may be made while the simulator
//   serves the line.
//
// - Start() fails (false, LastError) when the pty cannot be made or the disk
//   file cannot be loaded; nothing is served then and Stop() saves nothing.
// - A hang-up (HangUp() or the fault) closes the pty for good: the utility
//   sees the device vanish; Stop() still saves the disk.
// - The controller starts on D:\ and prints nothing until it is spoken to.
//
// This header is the API that tests, benchmarks and talo7100-sim use.

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace talosim {

struct FaultPlan {
  bool NoEcho = false;                 // shell does not echo (a program runs)
  int WrongEchoEvery = 0;              // every n-th echoed byte is wrong (0: never)
  double DropRate = 0.0;               // received bytes lost on the line
  double CorruptRate = 0.0;            // received bytes corrupted on the line
  // XMODEM block numbers count from 1 and do not wrap; image frames from 0.
  int XmodemNakBlock = -1;             // NAK the first XmodemNakCount sends of this block
  int XmodemNakCount = 0;
  int XmodemCanAtBlock = -1;           // answer this block with CAN
  bool XmodemAnswerC = false;          // receiver sends 'C' instead of NAK
  // A silent loss: EOT is acknowledged but only this many bytes of the file
  // are stored (-1: all of it).
  int64_t XmodemStoreBytes = -1;
  int BackupCorruptFrame = -1;         // corrupt this backup frame ...
  int BackupCorruptTimes = 1;          // ... on this many of its first sends
  // The PC's "111" for this backup block is damaged on the way: the helper
  // sends the block again, which the PC takes for the next one.
  int BackupReplyDamagedBlock = -1;
  std::string RestoreReply;            // a reply other than "111"/"444" (3 chars)
  int RestoreReplyBlock = 0;           // ... sent before this block (0: the first)
  int RestoreBadReplies = 0;           // from that block, this many replies with a bad CRC
  // The restore helper stores this block (from 0) with its first byte
  // changed, and still answers "111": a drive that differs from the image
  // without the exchange showing it.
  int RestoreMisstoreBlock = -1;
  // keeperwr stops before it asks for this block (from 0), as after a write
  // error on the drive: it prints RestoreHelperEndText (may be empty) and
  // the shell takes over with its prompt. What it had received is not
  // written to the drive.
  int RestoreHelperEndsAtBlock = -1;
  std::string RestoreHelperEndText;
  // KEEPERRD and keeperwr are not found ("Bad command or file name"), as
  // when their upload reached a full drive or the controller runs another
  // firmware.
  bool ImageHelpersMissing = false;
  // Counted from Start() or the last SetFaults().
  int64_t StallAfterBytes = -1;        // stop answering after this many sent bytes
  int64_t HangUpAfterBytes = -1;       // close the pty after this many sent bytes
  // A busy controller: every "dir" answer stops this long after its first
  // folder header line (0: never).
  uint32_t PauseListingMs = 0;
  // A controller slow to carry out some commands (writing its drive): every
  // command line whose first word is SlowCommand (any case; "mkdir", "D:",
  // "dir") is answered SlowCommandMs after its carriage return. "" never.
  std::string SlowCommand;
  uint32_t SlowCommandMs = 500;
  // The module acknowledges an output change (">") but keeps its outputs.
  bool ModuleIgnoresSets = false;
  // A controller that lists what its drive does not hold: every "dir" of a
  // folder of D: shows these entries after its own, names as they stand
  // (anything at all, NUL bytes included). A last full stop followed by 1
  // to 3 characters without "\" starts the extension columns.
  struct ListingEntry {
    std::string Name;
    bool Folder = false;
  };
  std::vector<ListingEntry> ListingEntries;
  // A shell whose folder moves between exchanges, as a program or a "cd"
  // typed in the terminal moves it: after every "dir" or "dir/s" answered,
  // the current drive and folder become this path ("D:\DATA", "C:\"); ""
  // never.
  std::string FolderAfterListing;
  // A controller that never stops: every "dir" and "dir/s" answer goes on
  // with made-up entries for ever, until Ctrl+C comes or the line goes.
  bool EndlessListing = false;
  uint32_t Seed = 1;                   // drop and corrupt decisions
};

struct SimOptions {
  uint32_t Baud = 0;            // 0: unpaced; otherwise 10 bit times per byte
  uint32_t LatencyMs = 0;       // turnaround delay before each answer
  // A USB serial adapter's latency timer on the way to the PC (0: none):
  // what the controller sends waits until this many ms have passed or 62
  // bytes are waiting.
  uint32_t AdapterLatencyMs = 0;
  std::string Module = "7101";  // module MODID names; "NONE" for none
  std::string DiskFile;         // load at start, save at Stop (1 MiB image)
  std::string LinkPath;         // optional symbolic link to the slave
  // External receiver for "C:\transfer /R": run through /bin/sh with the
  // line as stdin and stdout; the target's last part is appended as the last
  // argument and is in $TALO_TARGET_NAME, the target as typed in $TALO_TARGET.
  std::string XmodemReceiverCommand;
  bool FastTimeouts = false;    // shorten the programs' own waits for tests
  bool Demo = false;            // fill an empty D: with the demonstration files
  int ModuleInputs = -1;        // the module's inputs (low 4 bits); -1: a walking count
  bool DamagedDrive = false;    // start with D: damaged (see Damage())
  // The shell's line feed after the echoed carriage return of a command
  // that starts KEEPERRD, keeperwr or simu7101, before the program's first
  // byte. The controller sends it; false leaves it out.
  bool HelperLineFeed = true;
  // The date and time ("YYYY-MM-DD HH:MM") of every file and folder the
  // controller makes; empty: the PC's clock. A fixed one makes listings and
  // images the same from run to run.
  std::string Clock;
  // Text in the shell's line at start, typed and not entered, as an earlier
  // session may have left it: the next command line typed completes it.
  std::string StaleLine;
  // Writes a transcript of the line to this file as it goes (see
  // transcript.h): the bytes each way in order, the silences between them
  // in whole quanta, and the PC opening and closing the port. Empty: none.
  std::string TranscriptFile;
  uint32_t TranscriptQuantumMs = 100;
  FaultPlan Faults;
};

class Simulator {
 public:
  explicit Simulator(SimOptions options = {});
  ~Simulator();

  bool Start();
  void Stop();
  const std::string& SlavePath() const;
  std::string LastError() const;

  // The virtual D: drive. Paths are DOS-like: "\DATA\LOG.TXT" or "DATA\LOG.TXT",
  // always from the root ("C:\..." reads the system drive). PutFile and
  // MakeDir make missing folders on the way.
  bool PutFile(const std::string& path, const std::string& bytes);
  std::optional<std::string> GetFile(const std::string& path) const;
  bool MakeDir(const std::string& path);
  bool Exists(const std::string& path) const;
  uint32_t FreeBytes() const;
  std::vector<uint8_t> Image() const;            // 1,048,576 bytes
  bool LoadImage(const std::vector<uint8_t>& image);
  void Format();
  void FillDemo();  // replaces D:'s content with the demonstration files
  // Breaks D:'s file system: commands on D: then ask "Abort, Retry, Fail?"
  // until it is formatted ("C:\DLFMT D: /C", Format) or loaded (LoadImage).
  void Damage();

  // True once the shell has waited at its prompt with nothing typed for a
  // moment (50 ms, in which the line takes in what the PC did meanwhile,
  // such as closing the port); false at the deadline. For a test that stops
  // the simulator after an operation that did not wait for the last answer.
  bool WaitUntilIdle(std::chrono::milliseconds timeout);

  // Everything the utility sent since the last ClearReceived.
  std::string Received() const;
  void ClearReceived();
  // Lines the shell has executed, in order.
  std::vector<std::string> Commands() const;

  void SetFaults(const FaultPlan& faults);
  // Bytes the controller has sent since Start() or the last SetFaults(): what
  // the stall and hang-up limits count, so a test can place them.
  int64_t SentSinceFaults() const;
  void SetModuleInputs(uint8_t inputs);  // low 4 bits
  uint8_t ModuleOutputs() const;
  // Makes the controller print bytes on its own (bulk output, boot text).
  void Emit(const std::string& bytes);
  void HangUp();

 private:
  struct Impl;
  std::unique_ptr<Impl> P;
};

}  // namespace talosim
