#pragma once
// XmodemReceiver: the receiving side of basic XMODEM (128-byte blocks,
// arithmetic checksum), as the controller's "transfer" program plays it.
//
// Steps: invite with NAK (repeated while the sender is silent); then for each
// frame check block number, its complement and the checksum, and answer ACK
// (a repeat of the previous block is acknowledged and dropped) or NAK; EOT is
// acknowledged and ends the transfer; two CAN in a row cancel it. Ten errors
// in a row, an out-of-sequence block or a file that outgrows the room left
// on the drive end it with CAN CAN.
// Blocks are kept exactly as received, the padding of the last one included.
// Runs on the controller thread; faults of the plan given are applied here.

#include <cstdint>
#include <string>

#include "sim/controller.h"

namespace talosim {

class XmodemReceiver {
 public:
  enum class Outcome { Received, Cancelled, CancelledByUs, NoSender, Failed, NoRoom };

  XmodemReceiver(ControllerPort& port, const Timings& times, const FaultPlan& faults, uint64_t room);
  [[nodiscard]] Outcome Receive(std::string& data);
  uint32_t Blocks() const { return Delivered; }

 private:
  enum class Frame { Good, Repeat, Bad, OutOfSequence };
  [[nodiscard]] bool InviteSender(uint8_t& first);
  [[nodiscard]] Frame ReadFrame(std::string& payload);
  [[nodiscard]] bool RejectFrame();  // NAK; false after too many errors
  void CancelTransfer();
  [[nodiscard]] Outcome GiveUp();  // cancels and reports the failure

  ControllerPort& Port;
  Timings Times;
  FaultPlan Faults;
  uint64_t Room;
  uint32_t Delivered = 0;
  int Errors = 0;
  int NaksGiven = 0;
};

}  // namespace talosim
