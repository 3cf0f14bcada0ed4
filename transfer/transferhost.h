#pragma once
// TransferHost: what an upload needs from the window or command that starts
// it - the port, the console and dialogs to use, the presenter that shows
// the transfer - and the port settings of a transfer.
//
// Principles of operation
// - The references are borrowed for one upload; main thread only.

#include <QString>
#include <cstdint>

class TaloConsole;
class TransferPresenter;
class UserDialogs;

namespace TransferPort {
inline constexpr uint32_t kTimeoutMs = 500;
inline constexpr uint8_t kTerminator = 13;
}  // namespace TransferPort

// What a transfer needs from the window that starts it.
struct TransferHost {
  QString PortName;  // the selected port
  TaloConsole& Console;
  UserDialogs& Dialogs;
  TransferPresenter& Presenter;
  // The port's time-out value. Only tests change it, to keep the drain and
  // the closing reads short against a peer that answers at once.
  uint32_t TimeoutMs = TransferPort::kTimeoutMs;
};
