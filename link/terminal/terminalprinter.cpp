#include "link/terminal/terminalprinter.h"

#include "link/taloconsole.h"
#include "link/terminal/talodataring.h"

namespace {
constexpr uint8_t kBell = 7;
constexpr uint8_t kNul = 0;
constexpr uint8_t kBackspace = 8;
constexpr uint8_t kLineFeed = 10;
constexpr uint8_t kCarriageReturn = 13;
constexpr int kBellMs = 100;
}  // namespace

TerminalPrinter::TerminalPrinter(TaloDataRing* ring, TaloConsole* console)
    : Ring(ring), Console(console) {}

TerminalPrinter::~TerminalPrinter() {
  Terminate();
  WaitFor();
}

void TerminalPrinter::Collect(std::function<void()> change) {
  if (Changes.empty()) FirstChange = std::chrono::steady_clock::now();
  Changes.push_back(std::move(change));
}

bool TerminalPrinter::HandOverChanges() {
  if (Changes.empty()) return true;
  std::vector<std::function<void()>> batch;
  batch.swap(Changes);
  return Synchronize([&batch] {
    for (const auto& change : batch) change();
  });
}

void TerminalPrinter::Execute() {
  int idleWaits = 0;
  while (!Terminated()) {
    const size_t taken = Ring->Pop(Taken.data(), Taken.size());
    if (taken > 0) {
      Shown += taken;
      for (size_t i = 0; i < taken; ++i) {
        const uint8_t byte = Taken[i];
        if (PendingCR) {
          if (byte == kLineFeed) {
            FinishLine();
            ResetLine();
            ControlRepaint();
            continue;
          }
          if (byte == kCarriageReturn) continue;
          // A lone CR starts the line again: the new text replaces the old.
          Collect([this] { Console->ClearLastLine(); });
          ResetLine();
        }
        HandleByte(byte);
        ControlRepaint();
      }
      if (std::chrono::steady_clock::now() - FirstChange >= std::chrono::milliseconds(kHandOverMs) &&
          !HandOverChanges())
        break;
      continue;
    }
    // Text without a line end (a prompt) is shown after a short silence;
    // the waits add up across short bursts until the flush.
    if (Column > 0 && idleWaits < kIdleWaits) {
      ++idleWaits;
      if (std::chrono::steady_clock::now() - FirstChange >= std::chrono::milliseconds(kHandOverMs) &&
          !HandOverChanges())
        break;
      Sleep(kIdleWaitMs);
      continue;
    }
    if (Column > 0) {
      FlushBuffer();
      ResetLine();
      idleWaits = 0;
    }
    BurstLines = 0;
    ControlRepaint();
    if (!HandOverChanges()) break;
    Sleep(kIdleSleepMs);
  }
  if (Held) SynchronizeOnExit([this] { ReleaseHold(); });
}

void TerminalPrinter::HandleByte(uint8_t byte) {
  switch (byte) {
    case kBackspace:
      if (Column > 0) {
        LineBuffer.chop(1);
        --Column;
      } else {
        Collect([this] { Console->EraseLastChar(); });
      }
      return;
    case kLineFeed:
      FinishLine();
      ResetLine();
      return;
    case kCarriageReturn:
      PendingCR = true;
      return;
    case kBell:
      // What came before the bell is shown before it rings.
      (void)HandOverChanges();
      SoundBell();
      return;
    case kNul:
      // Padding (an XMODEM upload fills the last block with zeros, and
      // "type" prints them): nothing to show, nothing to log or save.
      return;
    default:
      if (Column < kLineChunk) {
        LineBuffer.append(QChar::fromLatin1(static_cast<char>(byte)));
        ++Column;
      } else {
        // Long lines are handed over in chunks, all on the same console line.
        FlushBuffer();
        LineBuffer = QString(QChar::fromLatin1(static_cast<char>(byte)));
        Column = 1;
        ++BurstLines;
      }
  }
}

void TerminalPrinter::ControlRepaint() {
  if (!Held && BurstLines > kHoldThreshold) {
    // A hold collected just before a pause must not start once the thread
    // is paused: nothing would release it until the next resume. Held is
    // set when the change runs; until then no second hold is collected.
    Collect([this] {
      if (Held || Suspended()) return;
      Held = true;
      Console->BeginUpdate();
    });
    (void)HandOverChanges();
  }
  if (Held && (BurstLines > kReleaseThreshold || BurstLines == 0)) {
    Collect([this] { ReleaseHold(); });
    (void)HandOverChanges();
    BurstLines = kHoldThreshold;
    Sleep(kReleasePauseMs);
  }
}

void TerminalPrinter::ReleaseHold() {
  if (!Held) return;
  Held = false;
  Console->EndUpdate();
}

void TerminalPrinter::SoundBell() {
  if (Bell)
    Bell();
  else
    Sleep(kBellMs);
}

void TerminalPrinter::FinishLine() {
  ++BurstLines;
  Collect([this, text = LineBuffer] {
    Console->AppendToLastLine(text);
    const QString finished = Console->LastLine();
    Console->NewLine();
    // Past half the limit, remember each finished line; at the limit start
    // again from those, so the most recent output always stays.
    if (Console->LineCount() > kMemoLineLimit / 2) KeptLines.append(finished);
    if (Console->LineCount() > kMemoLineLimit) {
      Console->ResetTo(KeptLines);
      KeptLines.clear();
    }
  });
}

void TerminalPrinter::FlushBuffer() {
  Collect([this, text = LineBuffer] { Console->AppendToLastLine(text); });
}

void TerminalPrinter::ResetLine() {
  LineBuffer.clear();
  Column = 0;
  PendingCR = false;
}
