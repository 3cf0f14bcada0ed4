#include "image/taloghostworker.h"

#include <cstring>

#include "image/imagecrc.h"
#include "link/deviceshell.h"
#include "link/talocomport.h"

TaloGhostWorker::~TaloGhostWorker() { StopAndJoin(); }

void TaloGhostWorker::StopAndJoin() {
  RequestStop();
  Terminate();
  if (Started()) WaitFor();
}

std::unique_ptr<TaloComPort> TaloGhostWorker::OpenPort() {
  auto port = std::make_unique<TaloComPort>(PortName.toStdString());
  port->SetTerminator(13);
  if (!port->Open() || !port->Configure(kControllerLine) || !port->SetTimeouts(kTimeoutMs)) {
    port->Close();
    ErrorText = ShellText::UnableToOpen(PortName, port->LastError());
    return nullptr;
  }
  port->SetStopFlag(&StopRequested);
  return port;
}

bool TaloGhostWorker::ReadFrame(TaloComPort& port, uint8_t* buffer, size_t count) {
  while (!StopRequested.load()) {
    if (port.Read(count, buffer)) return true;
    // A port that went away fails every read at once: say so now rather than
    // let the watchdog call it a stall seconds later.
    if (port.IsDisconnected()) {
      ErrorText = ShellText::Disconnected(PortName);
      return false;
    }
  }
  return false;
}

bool TaloGhostWorker::ReadFirstFrame(TaloComPort& port, uint8_t* buffer, size_t count) {
  if (!ReadFrame(port, buffer, count)) return false;
  // A whole frame with its CRC checks to 0.
  if (count < 2 || buffer[0] != '\n' || Crc16(buffer, count) == 0) return true;
  std::memmove(buffer, buffer + 1, count - 1);
  return ReadFrame(port, buffer + count - 1, 1);
}

QString TaloGhostWorker::SendFailureText(const TaloComPort& port, const char* commandLine) const {
  return port.IsDisconnected() ? ShellText::Disconnected(PortName)
                               : ShellText::UnableToSend(QString::fromLatin1(commandLine));
}

void TaloGhostWorker::Finish(bool ok) {
  Succeeded = ok;
  Done = true;
}
