// Prints how fast the simulated line carries bytes: paced output against the
// baud rate asked for, unpaced bulk output, the echo round trip that every
// typed command byte costs, and the image helper's frame round trip.
// Figures only; nothing is asserted.

#include <chrono>
#include <cstdio>
#include <string>

#include "sim/crc16.h"
#include "tests/support/simfixture.h"
#include "tests/support/simterminal.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

void PacedOutput(uint32_t baud, size_t bytes) {
  SimHarness harness;
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Baud = baud;
  if (!harness.Start(options)) return;
  harness.Sim().PutFile("\\BULK.TXT", std::string(bytes, 'x'));
  SimTerminal term(harness.PortPath());
  term.Command("cd");
  term.TypeEchoed("type BULK.TXT\r");
  const auto start = Clock::now();
  const std::string answer = term.ReadUntilPrompt(std::chrono::seconds(60));
  const double seconds = Seconds(start);
  std::printf("paced %6u baud: %8zu bytes in %6.3f s = %9.0f bytes/s (expected %6u, %+.1f%%)\n", baud,
              answer.size(), seconds, answer.size() / seconds, baud / 10,
              100.0 * (answer.size() / seconds - baud / 10.0) / (baud / 10.0));
}

void UnpacedOutput(size_t bytes) {
  SimHarness harness;
  if (!harness.Start()) return;
  harness.Sim().PutFile("\\BULK.TXT", std::string(bytes, 'x'));
  SimTerminal term(harness.PortPath());
  term.TypeEchoed("type BULK.TXT\r");
  const auto start = Clock::now();
  const std::string answer = term.ReadUntilPrompt(std::chrono::seconds(60));
  std::printf("unpaced bulk output: %zu bytes at %.1f MB/s\n", answer.size(), answer.size() / Seconds(start) / 1e6);
}

void EchoRoundTrip(int bytes) {
  SimHarness harness;
  if (!harness.Start()) return;
  SimTerminal term(harness.PortPath());
  const auto start = Clock::now();
  for (int i = 0; i < bytes; ++i) term.TypeEchoed(std::string(1, static_cast<char>('a' + i % 26)));
  std::printf("unpaced echo round trip: %.1f us per typed byte (%d bytes)\n", Seconds(start) / bytes * 1e6, bytes);
  term.Write("\x03");
}

void BackupFrames(int frames) {
  SimHarness harness;
  if (!harness.Start()) return;
  harness.Sim().PutFile("\\KEEPERRD.EXE", "MZ");
  SimTerminal term(harness.PortPath());
  term.TypeEchoed("D:\\KEEPERRD 2 3 4 5\r");
  const std::string ok = talosim::WithCrc("111");
  const auto start = Clock::now();
  int done = 0;
  for (; done < frames && term.ReadExact(10).size() == 10; ++done) term.Write(ok);
  const double seconds = Seconds(start);
  std::printf("backup frames: %.1f us per round trip; a full backup (131072) would take %.1f s unpaced\n",
              seconds / done * 1e6, seconds / done * 131072);
}

}  // namespace

int main() {
  PacedOutput(57600, 28800);
  PacedOutput(9600, 4800);
  PacedOutput(115200, 57600);
  UnpacedOutput(512 * 1024);
  EchoRoundTrip(2000);
  BackupFrames(20000);
  return 0;
}
