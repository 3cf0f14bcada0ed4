#include "link/terminal/taloterminal.h"

#include <algorithm>
#include <utility>

#include "link/port/portaccess.h"
#include "link/port/portopener.h"
#include "link/port/talocomport.h"
#include "link/shell/shellline.h"
#include "link/taloconsole.h"
#include "link/terminal/talodataring.h"
#include "link/terminal/terminalprinter.h"
#include "link/terminal/terminalreader.h"
#include "link/terminal/terminaltext.h"

namespace {

constexpr uint8_t kCarriageReturn = 13;
constexpr uint8_t kLineFeed = 10;

}  // namespace

TaloTerminal::TaloTerminal(TaloConsole& console, std::function<void()> bell)
    : ConsoleRef(console),
      RingPtr(std::make_unique<TaloDataRing>()),
      ReceiverPtr(std::make_unique<TerminalReader>(RingPtr.get())),
      PrinterPtr(std::make_unique<TerminalPrinter>(RingPtr.get(), &console)) {
  if (bell) PrinterPtr->SetBell(std::move(bell));
  ReceiverPtr->SetLineLostHandler([this] { LineLost(); });
  PasteTimer.setSingleShot(true);
  PasteTimer.setTimerType(Qt::PreciseTimer);
  connect(&PasteTimer, &QTimer::timeout, this, &TaloTerminal::SendNextPasteStep);
}

TaloTerminal::~TaloTerminal() { ShutDown(); }

bool TaloTerminal::Start(const QString& portName, QString& errorText) {
  if (IsOn()) return true;
  if (!ReceiverPtr || !PrinterPtr) {
    // After shut-down the workers are gone; the terminal cannot run without them.
    errorText = TerminalText::UnableToOpen(portName);
    return false;
  }
  // 1. Open the port for the selected name, with the line settings and the
  // short time-out that bounds a key's write.
  PortOpening opening = OpenControllerPort(portName, kPortTimeoutMs);
  OpenHint.clear();
  if (!opening.Opened) {
    // 2. The terminal stays off; the caller shows the message.
    OpenHint = PortAccess::PermissionHint(opening.Port->DevicePath(), opening.Error);
    errorText = TerminalText::UnableToOpen(portName, opening.Error);
    return false;
  }
  std::unique_ptr<TaloComPort> port = std::move(opening.Port);
  // 3. A line an earlier operation could not erase is erased before the
  // carriage return below would run it; if that cannot be confirmed, no
  // carriage return goes out at all.
  const bool lineClean =
      !ShellLine::MayHoldText(*port) || ShellLine::Erase(*port, false) == ShellLine::Erased::Confirmed;
  Port = std::move(port);
  PortName = portName;
  StopAfterLoss = false;
  TypedLine.clear();
  HistoryAt = History.size();
  ReceiverPtr->SetPort(Port.get());
  // 4. Workers: receiver first, so the printer finds bytes to show.
  ResumeWorkers();
  // 5. A bare CR makes the shell print a fresh prompt.
  const uint8_t cr = kCarriageReturn;
  if (lineClean) (void)Port->Write(1, &cr);
  KeyGate = true;
  return true;
}

void TaloTerminal::Stop() {
  if (!IsOn()) return;
  PasteTimer.stop();
  PendingPaste.clear();
  KeysAfterPaste.clear();
  PauseWorkers();
  // The console output thread may have been paused in the middle of a burst,
  // with repainting held: the console must not stay frozen until next time.
  if (PrinterPtr) PrinterPtr->ReleaseHold();
  // From here on the port is this thread's alone.
  if (ReceiverPtr) ReceiverPtr->SetPort(nullptr);
  if (!TypedLine.isEmpty()) EraseTypedLine();
  ReleasePort();
}

void TaloTerminal::EraseTypedLine() {
  TypedLine.clear();
  // The receiver has let go of the port: the backspaces' echoes are the
  // erase's alone.
  const ShellLine::Erased erased = ShellLine::Erase(*Port, false);
  ConsoleRef.AppendLine(erased == ShellLine::Erased::Confirmed
                            ? TerminalText::LineErased()
                            : TerminalText::LineMayHoldText());
}

void TaloTerminal::NoteTyped(const QByteArray& bytes) {
  constexpr char kBackspace = 8, kEscape = 27, kCtrlC = 3, kDelete = 127;
  for (const char c : bytes) {
    if (c == kCarriageReturn) {
      Remember(TypedLine);
      TypedLine.clear();
    } else if (c == kEscape || c == kCtrlC) {
      TypedLine.clear();
    } else if (c == kBackspace || c == kDelete) {
      TypedLine.chop(1);
    } else if (c != kLineFeed) {
      TypedLine += c;
    }
  }
}

void TaloTerminal::Remember(const QByteArray& line) {
  if (!line.trimmed().isEmpty() && (History.empty() || History.back() != line)) {
    History.push_back(line);
    if (History.size() > kHistoryLines) History.pop_front();
  }
  HistoryAt = History.size();
}

void TaloTerminal::ReleasePort() {
  // Clear the receiver's port first: it waits for a read in progress, and
  // the next read finds no port instead of a destroyed one.
  if (ReceiverPtr) ReceiverPtr->SetPort(nullptr);
  if (Port) {
    Port->Close();
    Port.reset();
  }
}

void TaloTerminal::LineLost() {
  if (StopAfterLoss) return;
  StopAfterLoss = true;
  // Not here: the receiver's hand-over that saw the loss is still running.
  QMetaObject::invokeMethod(this, &TaloTerminal::StopAfterLineLost, Qt::QueuedConnection);
}

void TaloTerminal::StopAfterLineLost() {
  if (!StopAfterLoss) return;  // turned off (or on afresh) meanwhile
  StopAfterLoss = false;
  if (!IsOn()) return;
  Stop();
  emit Disconnected(PortName);
}

void TaloTerminal::PauseWorkers() {
  if (PrinterPtr) PrinterPtr->Suspend();
  if (ReceiverPtr) ReceiverPtr->Suspend();
}

void TaloTerminal::ResumeWorkers() {
  if (ReceiverPtr) ReceiverPtr->Resume();
  if (PrinterPtr) PrinterPtr->Resume();
}

void TaloTerminal::WriteTyped(const QByteArray& bytes) {
  bool lost = false;
  {
    // The receiver holds the port only for a read that does not wait.
    const auto hold = ReceiverPtr->HoldPort();
    lost = !Port->Write(static_cast<size_t>(bytes.size()),
                        reinterpret_cast<const uint8_t*>(bytes.constData()),
                        TaloComPort::UnreadInput::Keep) &&
           Port->IsDisconnected();
  }
  if (lost) LineLost();
}

void TaloTerminal::KeyPress(QChar character) {
  if (!IsOn()) return;        // the read-only console ignores the key
  if (!KeyGate) return;       // a key is still being sent: drop this one
  if (character.unicode() > 0xFF) return;  // the shell speaks 8-bit characters
  const QByteArray key(1, static_cast<char>(character.unicode()));
  if (IsPasting()) {
    KeysAfterPaste.push_back(key);
    return;
  }
  SendKey(key);
}

void TaloTerminal::SendKey(const QByteArray& key) {
  KeyGate = false;
  NoteTyped(key);
  WriteTyped(key);
  KeyGate = true;
}

void TaloTerminal::SendKeysAfterPaste() {
  while (!KeysAfterPaste.empty() && IsOn()) {
    const QByteArray key = KeysAfterPaste.front();
    KeysAfterPaste.pop_front();
    SendKey(key);
  }
}

QByteArray TaloTerminal::SpecialKeySequence(SpecialKey key) {
  switch (key) {
    case SpecialKey::F1: return QByteArrayLiteral("\x1bOP");
    case SpecialKey::F2: return QByteArrayLiteral("\x1bOQ");
    case SpecialKey::F3: return QByteArrayLiteral("\x1bOR");
    case SpecialKey::F4: return QByteArrayLiteral("\x1bOS");
    // The shell takes Esc as "cancel the line" and keeps the rest as typed
    // text: a cursor key's sequence would leave "[A" on its line.
    case SpecialKey::Up:
    case SpecialKey::Down:
    case SpecialKey::Right:
    case SpecialKey::Left: return {};
  }
  return {};
}

void TaloTerminal::SendSpecialKey(SpecialKey key) {
  if (!IsOn() || !KeyGate) return;
  if (key == SpecialKey::Up || key == SpecialKey::Down) {
    RecallLine(key == SpecialKey::Up);
    return;
  }
  const QByteArray bytes = SpecialKeySequence(key);
  if (bytes.isEmpty()) return;
  if (IsPasting()) {
    KeysAfterPaste.push_back(bytes);
    return;
  }
  SendKey(bytes);
}

std::optional<QByteArray> TaloTerminal::RecalledLine(bool older) {
  if (History.empty()) return std::nullopt;
  if (older) {
    if (HistoryAt == 0) return std::nullopt;
    --HistoryAt;
  } else {
    if (HistoryAt >= History.size()) return std::nullopt;
    ++HistoryAt;
  }
  return HistoryAt < History.size() ? History[HistoryAt] : QByteArray();
}

void TaloTerminal::RecallLine(bool older) {
  // Keys typed during a paste wait for it; a recall would change the line
  // under them, so it is not taken then.
  if (IsPasting()) return;
  const std::optional<QByteArray> line = RecalledLine(older);
  if (!line) return;
  // Backspaces take the typed line off the shell's line, one at a time as a
  // hand would type them, then the recalled line goes out the same way,
  // paced like a paste; nothing is entered.
  std::vector<PasteStep> steps;
  steps.reserve(static_cast<size_t>(TypedLine.size() + line->size()));
  for (qsizetype i = 0; i < TypedLine.size(); ++i) steps.push_back({8, 0, false});
  for (const char c : *line) steps.push_back({static_cast<uint8_t>(c), 0, false});
  if (steps.empty()) return;
  PendingPaste.assign(steps.begin(), steps.end());
  PasteTimer.start(0);
}

std::vector<TaloTerminal::PasteStep> TaloTerminal::PlanPaste(const QString& text) {
  const QString head = text.left(kPasteLimit);
  std::vector<PasteStep> steps;
  steps.reserve(static_cast<size_t>(head.size()));
  for (qsizetype i = 0; i < head.size(); ++i) {
    const char16_t c = head.at(i).unicode();
    const bool crBeforeLf = c == kCarriageReturn && i + 1 < head.size() &&
                            head.at(i + 1).unicode() == kLineFeed;
    if (crBeforeLf || c == kLineFeed) {
      // Clipboard lines end with LF (or CR LF); the shell ends a typed line
      // with CR alone.
      steps.push_back({kCarriageReturn, kPasteLineEndMs, true});
      if (crBeforeLf) ++i;
      continue;
    }
    if (c > 0xFF) continue;
    steps.push_back({static_cast<uint8_t>(c), 0, false});
  }
  return steps;
}

void TaloTerminal::Paste(const QString& text) {
  if (!IsOn() || IsPasting()) return;
  const auto steps = PlanPaste(text);
  if (steps.empty()) return;
  PendingPaste.assign(steps.begin(), steps.end());
  PasteTimer.start(PendingPaste.front().DelayBeforeMs);
}

void TaloTerminal::SendNextPasteStep() {
  if (PendingPaste.empty() || !IsOn()) return;
  const PasteStep step = PendingPaste.front();
  PendingPaste.pop_front();
  const QByteArray byte(1, static_cast<char>(step.Byte));
  NoteTyped(byte);
  WriteTyped(byte);
  if (PendingPaste.empty()) {
    SendKeysAfterPaste();
    emit PasteFinished();
    return;
  }
  PasteTimer.start(kPasteGapMs + PendingPaste.front().DelayBeforeMs);
}

void TaloTerminal::ShutDown() {
  // Off first, as the user would switch it: a typed line is erased.
  if (IsOn()) Stop();
  PasteTimer.stop();
  PendingPaste.clear();
  KeysAfterPaste.clear();
  // Workers first: a running one is asked to end and joined (the join keeps
  // serving what it hands to the main thread); a paused one leaves at its
  // safe point without running again.
  for (TaloThread* worker : {static_cast<TaloThread*>(PrinterPtr.get()),
                             static_cast<TaloThread*>(ReceiverPtr.get())}) {
    if (!worker) continue;
    worker->Terminate();
    if (worker->Started()) worker->WaitFor();
  }
  // A hold the output thread took before it was paused ends with it.
  if (PrinterPtr) PrinterPtr->ReleaseHold();
  PrinterPtr.reset();
  ReceiverPtr.reset();
  // Then the ring they used, then the port.
  RingPtr.reset();
  if (Port) {
    Port->Close();
    Port.reset();
  }
}
