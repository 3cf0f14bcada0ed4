#pragma once
// OpenControllerPort: the one way a port to the controller is opened for
// use - the shell's sessions, an upload, the image helpers' workers, the DIO
// session and the terminal all go through it.
//
// Principles of operation
// - Opens the named port exclusively, then sets its line terminator, the
//   controller's line settings (kControllerLine) and the caller's time-out
//   value T, in that order. Each caller keeps its own time-out.
// - A port that opens but refuses its settings is as useless as one that
//   does not open: it is closed again and the opening fails the same way,
//   Error then being what the port kept (TaloComPort::LastError, 0 when the
//   open itself went through). Every caller says so with the text it shows
//   for a port that does not open, so a failed configure reads the same
//   everywhere.
// - Port is always made, open only when Opened: its DevicePath and
//   LastError serve the caller's permission hint.
// - Any thread; the port then belongs to the caller's thread.

#include <QString>
#include <cstdint>
#include <memory>

#include "link/port/talocomport.h"

struct PortOpening {
  std::unique_ptr<TaloComPort> Port;
  bool Opened = false;
  int Error = 0;  // why it failed, as TaloComPort::LastError gives it
};

inline constexpr uint8_t kCarriageReturnTerminator = 13;

PortOpening OpenControllerPort(const QString& name, uint32_t timeoutMs,
                               uint8_t terminator = kCarriageReturnTerminator);
