#pragma once
// TaloTerminal: the live terminal on the controller's shell.
//
// Principles of operation
// - Owns the receive ring, the receiver thread, the console output thread and,
//   while the terminal is on, the terminal's port. All three long-lived objects
//   are created paused by the constructor, before anything that can fail, so
//   no later call can reach a missing object.
// - Main thread only. The receiver is the one reader of the port: its thread
//   reads and passes the bytes through the ring to the console output
//   thread, which hands the console's changes to the main thread in batches.
//   The console is only ever touched here; the port is shared with the
//   receiver under its port hold (TerminalReader::HoldPort).
// - Keys: each typed character is written as one byte, a PF key as one
//   three-byte write, while holding the port; the workers go on and nothing
//   sleeps. The shell cancels its line at an Esc and keeps what follows as
//   text, so the cursor keys send nothing: Up and Down recall the lines typed
//   in this terminal (the last kHistoryLines, a line repeated at once kept
//   once), going out as backspaces over the typed line and then the recalled
//   text, paced as a paste is; Left and Right are ignored. A key that arrives while another is being sent is dropped
//   (KeyGate). Key and paste writes keep the port's unread input: output the
//   controller sent and the receiver has not read yet still reaches the
//   console, in order.
// - Paste: the text is cut to 1023 characters; a line end (LF or CR LF) goes
//   out as one CR. Bytes are paced (10 ms apart, 20 ms more before a line
//   end) by a timer, so the window stays live while a long text is sent.
//   Keys typed meanwhile wait, in order, until the paste has gone out, so the
//   controller never gets them in the middle of a pasted line.
// - Stop (and destruction) pause the workers and clear the receiver's port
//   (which waits for a read in progress) before a typed line is erased and
//   the port is closed and destroyed, so the receiver never reads the
//   erase's echoes or a destroyed port. A repaint hold the console output
//   thread had taken is released, so the console keeps painting while the
//   terminal is off. Destruction stops and joins both workers before the ring goes,
//   and the ring goes before the port.
// - Failures travel as values: Start reports the text to show; a write that
//   fails while typing or pasting loses the character silently.
// - The shell's line: the terminal keeps what the user typed since the
//   last carriage return (Esc and Ctrl+C cancel a line, backspace deletes).
//   Switching the terminal off (or shutting it down) with typed bytes left
//   erases them from the shell's line (ShellLine) and says so in the
//   console, so that the next command line the utility types does not
//   complete them ("del " and then "d:" would run "del d:"). Start erases
//   a line this process remembers as possibly holding text before its
//   carriage return, and sends no carriage return when the erase could
//   not be confirmed.
// - A port that disconnects while the terminal is on (the adapter unplugged;
//   seen by the receiver's read or by a key's write) turns the terminal off
//   from the event loop, as Stop does, and then emits Disconnected: nothing
//   goes on reading or writing a dead port. The next Start opens the port
//   afresh by its name.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TaloComPort;
class TerminalReader;
class TaloConsole;
class TaloDataRing;
class TerminalPrinter;

class TaloTerminal : public QObject {
  Q_OBJECT

 public:
  static constexpr int kPasteLimit = 1023;
  static constexpr int kPasteGapMs = 10;
  static constexpr int kPasteLineEndMs = 20;
  static constexpr uint32_t kPortTimeoutMs = 1;
  static constexpr size_t kHistoryLines = 100;

  enum class SpecialKey { Up, Down, Right, Left, F1, F2, F3, F4 };

  // One byte of a paste and the extra pause before it.
  struct PasteStep {
    uint8_t Byte = 0;
    int DelayBeforeMs = 0;
    bool LineEnd = false;
    bool operator==(const PasteStep&) const = default;
  };

  // bell runs on the console output thread when the controller sends BEL;
  // it must not block the main thread.
  TaloTerminal(TaloConsole& console, std::function<void()> bell);
  ~TaloTerminal() override;
  TaloTerminal(const TaloTerminal&) = delete;
  TaloTerminal& operator=(const TaloTerminal&) = delete;

  // Bytes typed into the shell's line and not yet entered, as far as the
  // terminal knows.
  int TypedSinceEnter() const { return static_cast<int>(TypedLine.size()); }
  // True while the terminal holds its port.
  bool IsOn() const { return static_cast<bool>(Port); }

  // Opens portName, sets the line up, starts the workers and sends one CR so
  // the shell answers with a fresh prompt. False (terminal stays off) with the
  // text to show when the port cannot be opened.
  [[nodiscard]] bool Start(const QString& portName, QString& errorText);
  // After a failed Start: which group owns the device and what to do, when
  // the port could not be opened for lack of permission; empty otherwise.
  const QString& PermissionHint() const { return OpenHint; }
  // Pauses the workers, cancels a paste, releases the port. Bytes left in the
  // ring are shown when the terminal next starts.
  void Stop();

  // A character typed in the console (Latin-1; others are dropped).
  void KeyPress(QChar character);
  // A PF key: its VT100 sequence in one write. Up and Down: the previous or
  // next line typed in this terminal (past the newest, an empty line);
  // ignored during a paste. Left and Right: nothing.
  void SendSpecialKey(SpecialKey key);
  // Keys typed during a paste, waiting for its end.
  size_t KeysWaiting() const { return KeysAfterPaste.size(); }
  static QByteArray SpecialKeySequence(SpecialKey key);

  // Sends text as typed lines; ignored while the terminal is off or a paste
  // is still being sent.
  void Paste(const QString& text);
  bool IsPasting() const { return !PendingPaste.empty(); }
  static std::vector<PasteStep> PlanPaste(const QString& text);

  // For measurements and tests.
  TaloDataRing& Ring() { return *RingPtr; }
  TerminalReader& Receiver() { return *ReceiverPtr; }
  TerminalPrinter& Printer() { return *PrinterPtr; }

  // Stops and joins the workers, then releases the ring and the port. Safe to
  // call more than once; the terminal cannot be started afterwards.
  void ShutDown();

 signals:
  void PasteFinished();
  // The terminal has turned itself off because its port went away.
  void Disconnected(const QString& portName);

 private:
  TaloConsole& ConsoleRef;
  QString OpenHint;
  void PauseWorkers();
  void ResumeWorkers();
  // Typed bytes onto the line, keeping its unread input; a write that finds
  // the port gone turns the terminal off.
  void WriteTyped(const QByteArray& bytes);
  // A key as it goes out: one typed byte, or a special key's sequence.
  void SendKey(const QByteArray& key);
  void SendKeysAfterPaste();
  void SendNextPasteStep();
  void ReleasePort();
  // Follows the shell's line as the typed bytes change it.
  void NoteTyped(const QByteArray& bytes);
  // A line entered: kept for Up and Down.
  void Remember(const QByteArray& line);
  // The history's line one step older or newer; none at its ends.
  std::optional<QByteArray> RecalledLine(bool older);
  // Replaces the typed line with a recalled one.
  void RecallLine(bool older);
  // Erases what the user typed without a carriage return (Stop, ShutDown).
  void EraseTypedLine();
  // Arranges the stop after a disconnection (once; from the event loop).
  void LineLost();
  void StopAfterLineLost();

  std::unique_ptr<TaloDataRing> RingPtr;
  std::unique_ptr<TerminalReader> ReceiverPtr;
  std::unique_ptr<TerminalPrinter> PrinterPtr;
  std::unique_ptr<TaloComPort> Port;
  QString PortName;
  QByteArray TypedLine;
  std::deque<QByteArray> History;
  size_t HistoryAt = 0;  // History.size(): not browsing
  bool KeyGate = true;
  bool StopAfterLoss = false;
  std::deque<PasteStep> PendingPaste;
  std::deque<QByteArray> KeysAfterPaste;
  QTimer PasteTimer;
};
