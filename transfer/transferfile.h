#pragma once
// TransferFile: uploads one PC file into a device directory behind the
// transfer dialog. The configuration, image and DIO features use it for their
// own files, each with its own console.
//
// Principles of operation
// - Main thread only. Opens its own port on host.PortName (kControllerLine,
//   500 ms time-outs, carriage return as line terminator), runs the batch in
//   single-file mode through host.Presenter and closes the port before it
//   returns, whatever happened: the port can be opened again at once.
// - A port that cannot be opened gives the "Unable to open" error box and
//   false. A failed file gives the batch's error box and false; a cancelled
//   one gives false without a box.
// - The device folder is not listed again; that is the caller's business.

#include <QString>
#include <cstdint>
#include <memory>

class TaloComPort;
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

namespace TransferPort {
// Opens and configures the port for a transfer. On failure shows the
// "Unable to open" error box and returns null.
std::unique_ptr<TaloComPort> Open(const TransferHost& host);
}  // namespace TransferPort

// True when the file arrived. cancelEnabled: whether the dialog's Cancel
// button may be used (the DIO set-up leaves it off, the configuration and
// image dialogs on). *disconnected (when given) tells whether the port went
// away, which the batch's box has already said: callers need not add a
// message of their own.
bool TransferFile(const TransferHost& host, const QString& targetDir, const QString& sourcePath,
                  bool cancelEnabled = false, bool* disconnected = nullptr);
