#include "link/terminal/terminalreader.h"

#include <algorithm>

#include "link/port/talocomport.h"
#include "link/terminal/talodataring.h"

TerminalReader::TerminalReader(TaloDataRing* ring) : Ring(ring) {}

TerminalReader::~TerminalReader() {
  Terminate();
  WaitFor();
}

void TerminalReader::SetPort(TaloComPort* port) {
  std::lock_guard hold(PortLock);
  Port = port;
}

TaloComPort* TerminalReader::GetPort() const {
  std::lock_guard hold(PortLock);
  return Port;
}

size_t TerminalReader::ReadWaitingBytes() {
  ++Reads;
  const size_t limit = std::min(kBreatherBytes - StreamBytes, Ring->Room());
  std::lock_guard hold(PortLock);
  if (!Port || limit == 0) return 0;
  const size_t got = Port->ReadWaiting(limit, Chunk.data());
  if (got == 0 && Port->IsDisconnected()) {
    // A dead port is not read again: it would fail at once, every 50 ms,
    // for as long as the terminal stayed on.
    Port = nullptr;
    LostLine = true;
  }
  return got;
}

void TerminalReader::Execute() {
  while (!Terminated()) {
    const size_t got = ReadWaitingBytes();
    if (LostLine) {
      LostLine = false;
      // Outside the port hold: the main thread may be waiting for it.
      if (!Synchronize([this] {
            if (LineLost) LineLost();
          }))
        break;
    }
    if (got == 0) {
      Sleep(kIdleSleepMs);
      continue;
    }
    Ring->Push(Chunk.data(), got);
    Pushes += got;
    // A breather every 258 bytes of an unbroken stream for the console to
    // draw.
    StreamBytes += got;
    if (StreamBytes >= kBreatherBytes) {
      StreamBytes = 0;
      Sleep(kBurstPauseMs);
    } else {
      // The read emptied the port: let the next bytes gather.
      Sleep(kGatherMs);
    }
  }
}
