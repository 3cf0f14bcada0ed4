#include "sim/xmodemreceiver.h"

namespace talosim {
namespace {

constexpr uint8_t kSoh = 0x01;
constexpr uint8_t kEot = 0x04;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;
constexpr uint8_t kCan = 0x18;
constexpr int kMaxErrors = 10;
constexpr size_t kBlockBytes = 128;

}  // namespace

XmodemReceiver::XmodemReceiver(ControllerPort& port, const Timings& times, const FaultPlan& faults, uint64_t room)
    : Port(port), Times(times), Faults(faults), Room(room) {}

bool XmodemReceiver::InviteSender(uint8_t& first) {
  const char invite = Faults.XmodemAnswerC ? 'C' : static_cast<char>(kNak);
  const auto giveUp = PtyLine::Clock::now() + Times.StartGiveUp;
  while (Port.Alive() && PtyLine::Clock::now() < giveUp) {
    Port.Write(std::string_view(&invite, 1));
    if (auto byte = Port.ReadByte(Times.NakInterval)) {
      first = *byte;
      return true;
    }
  }
  return false;
}

XmodemReceiver::Frame XmodemReceiver::ReadFrame(std::string& payload) {
  const std::string body = Port.ReadExact(kBlockBytes + 3, Times.ByteGap, Times.ByteGap);
  if (body.size() < kBlockBytes + 3) return Frame::Bad;
  const uint8_t number = static_cast<uint8_t>(body[0]);
  const uint8_t complement = static_cast<uint8_t>(body[1]);
  uint8_t sum = 0;
  for (size_t i = 0; i < kBlockBytes; ++i) sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(body[2 + i]));
  if (static_cast<uint8_t>(number + complement) != 0xFF || sum != static_cast<uint8_t>(body[2 + kBlockBytes]))
    return Frame::Bad;
  const uint8_t expected = static_cast<uint8_t>(Delivered + 1);
  if (number == static_cast<uint8_t>(expected - 1) && Delivered > 0) return Frame::Repeat;
  if (number != expected) return Frame::OutOfSequence;
  payload = body.substr(2, kBlockBytes);
  return Frame::Good;
}

bool XmodemReceiver::RejectFrame() {
  if (++Errors >= kMaxErrors) return false;
  // Let the rest of a damaged frame go by before asking again.
  Port.Purge(Times.ByteGap / 3);
  Port.Write(std::string(1, static_cast<char>(kNak)));
  return true;
}

void XmodemReceiver::CancelTransfer() { Port.Write(std::string(2, static_cast<char>(kCan))); }

XmodemReceiver::Outcome XmodemReceiver::GiveUp() {
  CancelTransfer();
  return Outcome::Failed;
}

XmodemReceiver::Outcome XmodemReceiver::Receive(std::string& data) {
  data.clear();
  // 1. Invite the sender until it starts.
  uint8_t head = 0;
  if (!InviteSender(head)) return XmodemReceiver::Outcome::NoSender;
  // 2. Take frames until EOT.
  for (;;) {
    if (head == kEot) {
      Port.Write(std::string(1, static_cast<char>(kAck)));
      return Outcome::Received;
    }
    if (head == kCan) {
      auto second = Port.ReadByte(Times.ByteGap);
      if (second && *second == kCan) return Outcome::Cancelled;
      if (!RejectFrame()) return GiveUp();
    } else if (head != kSoh) {
      if (!RejectFrame()) return GiveUp();
    } else {
      std::string payload;
      const Frame frame = ReadFrame(payload);
      const uint32_t sequence = Delivered + 1;  // counted from 1, not wrapped
      if (frame == Frame::OutOfSequence) return GiveUp();
      if (frame == Frame::Bad) {
        if (!RejectFrame()) return GiveUp();
      } else if (frame == Frame::Repeat) {
        Port.Write(std::string(1, static_cast<char>(kAck)));
      } else if (static_cast<int64_t>(sequence) == Faults.XmodemCanAtBlock) {
        CancelTransfer();
        return Outcome::CancelledByUs;
      } else if (static_cast<int64_t>(sequence) == Faults.XmodemNakBlock && NaksGiven < Faults.XmodemNakCount) {
        ++NaksGiven;
        Port.Write(std::string(1, static_cast<char>(kNak)));
      } else if (data.size() + kBlockBytes > Room) {
        CancelTransfer();
        return Outcome::NoRoom;
      } else {
        data += payload;
        ++Delivered;
        Errors = 0;
        Port.Write(std::string(1, static_cast<char>(kAck)));
      }
    }
    // 3. Wait for the next frame; silence counts as an error.
    for (;;) {
      if (auto byte = Port.ReadByte(Times.BlockWait)) {
        head = *byte;
        break;
      }
      if (!Port.Alive()) return Outcome::Failed;
      if (++Errors >= kMaxErrors) return GiveUp();
      Port.Write(std::string(1, static_cast<char>(kNak)));
    }
  }
}

}  // namespace talosim
