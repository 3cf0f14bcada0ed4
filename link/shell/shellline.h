#pragma once
// ShellLine: the controller shell's input line as shared state - erasing
// what a command line that was not finished left in it, and remembering a
// port whose line may still hold such text.
//
// Principles of operation
// - The shell collects typed bytes into its line until a carriage return
//   runs it. Bytes typed by a command line that was not finished (a wrong
//   echo, a Cancel, Ctrl+C, a failed write) stay in that line, and the next
//   command line typed would complete them: "C:\DLFMT D: /C" left behind
//   and "d:" typed next run as "C:\DLFMT D: /Cd:". So the line is erased
//   before the port is released, and the next command starts on an empty
//   line.
// - Erasing uses the shell's own line editing: each backspace deletes one
//   character and is echoed as BS, blank, BS; on an empty line a backspace
//   is ignored and echoes nothing. Backspaces go out one at a time until
//   one gets no answer within the echo wait (EchoWaitMs): the line is then
//   empty, and nothing was sent that could run anything. (Esc, which
//   cancels the whole line at once, would leave nothing to tell an empty
//   line by without typing a carriage return.)
// - An erase is Confirmed when the shell showed itself alive - it deleted a
//   character, or echoed a byte of the interrupted line - before the
//   silence that ends it. Without a single answer the silence says nothing
//   (a cable out, the port gone): the port's line is then remembered as
//   possibly holding text (Remember), and the next command line typed on
//   it in this process is preceded by an erase (DeviceShell::TypeEchoed,
//   the terminal's start). A remembered line is forgotten once an erase on
//   it is confirmed, or the shell echoes a byte after the erase.
// - Reads during an erase ignore the port's stop flag: a stop is what
//   usually calls for the erase, and it must still see its echoes.
// - Ports are remembered by their device path (TaloComPort::DevicePath),
//   so a by-id name and its tty are one line. The memory is the process's;
//   any thread may use it.

#include <cstdint>
#include <string>

class TaloComPort;

class ShellLine {
 public:
  // A DOS shell's line holds 127 characters; one more backspace finds it
  // empty in any case.
  static constexpr int kMaxLine = 127;
  static constexpr uint32_t kMinEchoWaitMs = 100;
  static constexpr uint32_t kMaxEchoWaitMs = 500;

  enum class Erased { Confirmed, Unconfirmed };

  // Erases the line (see above). echoSeen: the shell echoed a byte of the
  // line just typed, so a silence at once means an empty line. Remembers
  // or forgets the port's line by the outcome.
  static Erased Erase(TaloComPort& port, bool echoSeen);
  // How long a backspace's echo is awaited: 2T within 100..500 ms (the
  // terminal's port runs at T = 1 ms).
  static uint32_t EchoWaitMs(const TaloComPort& port);

  static bool MayHoldText(const TaloComPort& port);
  static void Remember(const TaloComPort& port);
  static void Forget(const TaloComPort& port);
  // For tests: by device path.
  static void Remember(const std::string& devicePath);
  static bool MayHoldText(const std::string& devicePath);
  static void ForgetAll();
};
