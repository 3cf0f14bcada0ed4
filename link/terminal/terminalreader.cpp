#include "link/terminal/terminalreader.h"

#include "link/port/talocomport.h"
#include "link/terminal/talodataring.h"

TerminalReader::TerminalReader(TaloDataRing* ring) : Ring(ring) {}

TerminalReader::~TerminalReader() {
  Terminate();
  WaitFor();
}

void TerminalReader::ReadWaitingBytes() {
  ++Reads;
  ChunkSize = 0;
  // The terminal clears Port when it stops and destroys its port object; a
  // read handed over just before that must not touch the dead object.
  if (!Port) return;
  if (!Port->Read(1, Chunk.data())) {
    if (Port->IsDisconnected()) {
      // A dead port is not read again: it would fail at once, every 50 ms,
      // for as long as the terminal stayed on.
      Port = nullptr;
      if (LineLost) LineLost();
    }
    return;
  }
  ChunkSize = 1;
  // Whatever else has arrived comes along, so a stream costs one hand-over
  // per burst rather than one per byte; the breather still falls after the
  // same byte.
  const size_t room = kBreatherBytes - StreamBytes;
  if (room > 1) ChunkSize += Port->ReadWaiting(room - 1, Chunk.data() + 1);
}

void TerminalReader::Execute() {
  while (!Terminated()) {
    // The read runs on the main thread, the only user of the terminal's port,
    // so it never overlaps the keys the console writes to it.
    if (!Synchronize([this] { ReadWaitingBytes(); })) break;
    if (ChunkSize == 0) {
      Sleep(kIdleSleepMs);
      continue;
    }
    for (size_t i = 0; i < ChunkSize; ++i) Ring->Push(Chunk[i]);
    Pushes += ChunkSize;
    // A breather every 258 bytes of an unbroken stream for the output thread
    // and the main thread to draw.
    StreamBytes += ChunkSize;
    if (StreamBytes >= kBreatherBytes) {
      StreamBytes = 0;
      Sleep(kBurstPauseMs);
    } else {
      // The read emptied the port: let the next bytes gather.
      Sleep(kGatherMs);
    }
  }
}
