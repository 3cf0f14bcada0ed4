#pragma once
// DioPanelState: what the DIO panel shows and remembers between polls, apart
// from the widgets that show it - so the desktop panel and the command line
// read a poll the same way.
//
// Principles of operation
// - Apply() takes one poll's result. A good one flips the heartbeat, sets the
//   lamps, DOState and the hex text ("0x" + DI byte + DO byte) and the
//   working status; a failed one flips the heartbeat and sets the failure
//   status, and keeps lamps, DOState and hex text as they were: nothing that
//   was never read stands in for the module's state.
// - ToggleValue() is what a click on a DO button sends: the opposite of the
//   state last read, none while no poll has succeeded yet.
// - Plain data; the owner's thread only.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

// One ReadDIO: its result and the two hexadecimal byte texts.
struct DioReading {
  bool Ok = false;
  std::string DOByte;
  std::string DIByte;
  bool Disconnected = false;  // the port went away: no poll will work again
};

class DioPanelState {
 public:
  static constexpr int kMaxChannels = 16;

  int DICount() const { return 4; }
  int DOCount() const { return 4; }

  void Apply(const DioReading& reading);

  // "1" to switch the channel on, "0" off; none before the first good poll
  // or for a channel outside the module's.
  std::optional<std::string> ToggleValue(int channel) const;

  bool HasState() const { return Read; }
  int Heartbeat() const { return Beat; }
  bool DOOn(int channel) const { return DOState[static_cast<size_t>(channel)] != 0; }
  bool DIOn(int channel) const { return DIState[static_cast<size_t>(channel)] != 0; }
  // Status panel 0 (messages) and panel 1 (the key of the status image:
  // "0"/"1" working, "2"/"3" failing).
  const QString& StatusMessage() const { return Message; }
  const QString& StatusKey() const { return Key; }
  void SetStatusMessage(const QString& text) { Message = text; }
  // edtDI_Hex, e.g. "0x0A05".
  const QString& HexText() const { return Hex; }
  // The lamps as text, channel 0 first: "DI 0101 DO 1010".
  QString LampsText() const;
  // Each channel by its name: "DI0=0 DI1=1 DI2=0 DI3=1 DO0=1 DO1=0 DO2=1 DO3=0".
  QString ChannelsText() const;

 private:
  int Beat = 0;
  bool Read = false;
  std::array<uint8_t, kMaxChannels> DOState{};
  std::array<uint8_t, kMaxChannels> DIState{};
  QString Message;
  QString Key = QStringLiteral("0");
  QString Hex;
};
