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
// This header is the API that tests, benchmarks and talo7100-sim use.

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
  int XmodemNakBlock = -1;             // NAK the first XmodemNakCount sends of this block
  int XmodemNakCount = 0;
  int XmodemCanAtBlock = -1;           // answer this block with CAN
  bool XmodemAnswerC = false;          // receiver sends 'C' instead of NAK
  int BackupCorruptFrame = -1;         // corrupt this backup frame once
  std::string RestoreReply;            // a reply other than "111"/"444" (3 chars)
  int64_t StallAfterBytes = -1;        // stop answering after this many sent bytes
  int64_t HangUpAfterBytes = -1;       // close the pty after this many sent bytes
  uint32_t Seed = 1;
};

struct SimOptions {
  uint32_t Baud = 0;            // 0: unpaced; otherwise 10 bit times per byte
  uint32_t LatencyMs = 0;       // turnaround delay before each answer
  std::string Module = "7101";  // module MODID names; "NONE" for none
  std::string DiskFile;         // load at start, save at Stop (1 MiB image)
  std::string LinkPath;         // optional symbolic link to the slave
  std::string XmodemReceiverCommand;  // external receiver for "C:\transfer /R"
  bool FastTimeouts = false;    // shorten the programs' own waits for tests
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

  // The virtual D: drive. Paths are DOS-like: "\DATA\LOG.TXT" or "DATA\LOG.TXT".
  bool PutFile(const std::string& path, const std::string& bytes);
  std::optional<std::string> GetFile(const std::string& path) const;
  bool MakeDir(const std::string& path);
  bool Exists(const std::string& path) const;
  uint32_t FreeBytes() const;
  std::vector<uint8_t> Image() const;            // 1,048,576 bytes
  bool LoadImage(const std::vector<uint8_t>& image);
  void Format();

  // Everything the utility sent since the last ClearReceived.
  std::string Received() const;
  void ClearReceived();
  // Lines the shell has executed, in order.
  std::vector<std::string> Commands() const;

  void SetFaults(const FaultPlan& faults);
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
