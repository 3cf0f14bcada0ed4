#pragma once
// Transcript: what crossed the line, written as text that a person can read
// and a test can compare with the transcript of an earlier run.
//
// Principles of operation
// - The line (PtyLine) reports every byte the controller receives, as it
//   comes out of the pty and before any fault acts on it, every byte it
//   sends, and the PC opening and closing the port. Each becomes part of a
//   line:
//     > bytes          received from the PC
//     < bytes          sent to the PC
//     = bytes          typed by the PC a byte at a time, each echoed before
//                      the next came (the shell's echo-checked typing)
//     ~ 200 ms         a silence
//     | open           the PC opened the port (close; hang-up: the line's)
//     * 37 x { ... }   a repeated exchange, folded (below)
// - A burst is the bytes of one direction with no silence, port event or
//   byte of the other direction between them. Its line is broken after each
//   line feed, the lines that follow indented by two blanks.
// - Bytes: printable ASCII as it stands, \r \n \t and \xhh for the others. A
//   backslash is doubled only where the character after it would otherwise
//   read as an escape, so that DOS paths stay readable.
// - A binary burst (holding a byte other than printable ASCII, CR, LF and
//   tab) of more than 8 bytes is shown by its length and CRC-32: an XMODEM
//   frame, an image block.
// - Silences are counted in whole quanta (100 ms unless given). A silence
//   measured from a byte is rounded down once a quarter quantum is added:
//   the utility's waits never end early and a busy machine only makes them
//   longer, so up to three quarters of a quantum of lateness changes
//   nothing. One measured from a port event is rounded to the nearest: the
//   controller notices an opening a scheduling delay late. Less than one
//   quantum is no silence; nothing is written before the first event.
// - Folding: one to four lines that come three times or more in a row, each
//   time the same, are written once with their count. A burst of more than
//   8 bytes that is binary or holds no line feed (a block of data may happen
//   to be all text) repeats when its direction and length do; such bursts
//   of a run are summed up per direction, length and CRC-32 of all their
//   bytes. A 1 MiB image exchange takes a few lines, and a file still
//   differs from another where one byte of the exchange does. A silence
//   inside a run that goes on after it is left out: a wait that changed
//   nothing on the line was a busy machine's, not a time-out.
// - A close stands after what the controller sends within a quantum of it
//   and after the bytes the PC wrote before it: the PC may close the port
//   without waiting for an answer, and the pty hands written bytes over a
//   moment after the write, so either can be seen a moment later than the
//   close; bytes that arrive while the PC holds the port nowhere were
//   written before it closed. That order does not change from run to run
//   (as long as the PC does not open the port again within the moment the
//   pty takes, which the utility never does: it waits a time-out out
//   between its last byte and a closing followed by another exchange).
// - Lines are written as soon as they are known, so that a transcript can be
//   followed while it grows; Finish() writes what is held back (the last
//   burst, a run).
// - Called on the controller thread only, Finish() once it has ended.

#include <chrono>
#include <cstdint>
#include <deque>
#include <ostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/ptyline.h"

namespace talosim {

class Transcript : public LineObserver {
 public:
  // Writes to out, which must outlive the transcript.
  Transcript(std::ostream& out, std::chrono::milliseconds quantum);

  // An event told with a time before the last one's follows it at once.
  void Received(std::string_view bytes, Clock::time_point at) override;
  void Sent(std::string_view bytes, Clock::time_point at) override;
  void Port(PortEvent event, Clock::time_point at) override;
  // Writes what is held back; nothing may follow.
  void Finish();

  // The text of bytes as a transcript line shows them (without line breaks).
  static std::string Escaped(std::string_view bytes);
  static uint32_t Crc32(std::string_view bytes, uint32_t crc = 0);

 private:
  // breakLines: a line break and two blanks after each line feed but the last.
  static std::string Escape(std::string_view bytes, bool breakLines);
  struct Item {
    std::string Text;   // as written
    std::string Shape;  // what a repetition must match
    char Kind = 0;
    std::string Counted;  // the bytes of a burst a run shows by length
  };
  struct RunTotal {
    uint64_t Bytes = 0;
    uint32_t Crc = 0;
  };

  // Writes the silence since the last event, if there is one.
  void Mark(Clock::time_point at, bool portEvent);
  void TellClose();  // the close held back, if any
  void CloseBurst();
  void Flush();  // the burst and a lone received byte
  void Emit(char kind, const std::string& bytes);
  void Fold(Item item);
  void EndRun();
  void Write(const std::string& text);

  std::ostream& Out;
  int64_t QuantumUs;
  bool Started = false;
  bool LastWasPort = false;
  Clock::time_point Last{};

  int PcDescriptors = 0;  // the PC's open descriptors of the port
  std::optional<Clock::time_point> HeldClose;

  char BurstKind = 0;  // '>', '<', '=' or none
  std::string Burst;
  // A lone byte received: typed, if its echo follows.
  std::optional<char> Lone;

  static constexpr size_t kLongestUnit = 4;
  static constexpr size_t kRunRepeats = 3;
  std::deque<Item> Pending;  // lines that may still start a run
  bool InRun = false;
  std::vector<std::string> Unit;
  std::vector<Item> Partial;  // the current repetition so far
  std::optional<Item> Lull;   // a silence the run may go on after
  uint64_t Repeats = 0;
  RunTotal RunSent, RunReceived;
};

}  // namespace talosim
