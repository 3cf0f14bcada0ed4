#pragma once
// TransferFile: uploads one PC file into a device directory behind the
// transfer dialog. The configuration, image and DIO features use it for their
// own files, each with its own console.
//
// Principles of operation
// - Main thread only. Opens its own port on host.PortName (OpenControllerPort:
//   500 ms time-outs, carriage return as line terminator), runs the batch in
//   single-file mode through host.Presenter and closes the port before it
//   returns, whatever happened: the port can be opened again at once.
// - Shows no box of its own: a port that cannot be opened gives Failed with
//   the "Unable to open" text, a failed file the batch's result (Failed or
//   Disconnected, with its text), a cancelled one Cancelled without a text,
//   and a file that was skipped (no usable name) Failed without a text. The
//   caller tells it (ResultTeller) where it has always been told.
// - The device folder is not listed again; that is the caller's business.

#include <QString>
#include <cstdint>
#include <memory>

#include "link/jobs/jobrunner.h"
#include "transfer/transferhost.h"

class TaloComPort;

namespace TransferPort {
// Opens and configures the port for a transfer. On failure returns null and
// sets failure to the "Unable to open" text.
std::unique_ptr<TaloComPort> Open(const TransferHost& host, QString& failure);
}  // namespace TransferPort


// Ok when the file arrived. cancelEnabled: whether the dialog's Cancel
// button may be used (the DIO set-up leaves it off, the configuration and
// image dialogs on). A port that went away during a failed file gives
// Disconnected with the message that says so: callers need not add one of
// their own.
JobResult TransferFile(const TransferHost& host, const QString& targetDir,
                       const QString& sourcePath, bool cancelEnabled = false);
