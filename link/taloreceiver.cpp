#include "taloreceiver.h"

#include "talocomport.h"
#include "talodataring.h"

TaloComReceiver::TaloComReceiver(TaloDataRing* ring) : Ring(ring) {}

TaloComReceiver::~TaloComReceiver() {
  Terminate();
  WaitFor();
}

void TaloComReceiver::ReadOneByte() {
  ++Reads;
  // The terminal clears Port when it stops and destroys its port object; a
  // read handed over just before that must not touch the dead object.
  GotByte = Port && Port->Read(1, &LastByte);
}

void TaloComReceiver::Execute() {
  GotByte = false;
  while (!Terminated()) {
    // The read runs on the main thread, the only user of the terminal's port,
    // so it never overlaps the keys the console writes to it.
    if (!Synchronize([this] { ReadOneByte(); })) break;
    if (GotByte) {
      Ring->Push(LastByte);
      ++Pushes;
      // A breather every 258 bytes of an unbroken stream for the output thread
      // and the main thread to draw.
      if (Counter > kBurstBytes) {
        Counter = 0;
        Sleep(kBurstPauseMs);
      } else {
        ++Counter;
      }
    } else {
      Sleep(kIdleSleepMs);
    }
  }
}
