#include "taloghostworker.h"

#include "deviceshell.h"
#include "talocomport.h"

TaloGhostWorker::~TaloGhostWorker() { StopAndJoin(); }

void TaloGhostWorker::StopAndJoin() {
  RequestStop();
  Terminate();
  if (Started()) WaitFor();
}

std::unique_ptr<TaloComPort> TaloGhostWorker::OpenPort() {
  auto port = std::make_unique<TaloComPort>(PortName.toStdString());
  port->SetTerminator(13);
  if (!port->Open() || !port->Configure(kBaudRate, 8, 0, 0) || !port->SetTimeouts(kTimeoutMs)) {
    port->Close();
    ErrorText = ShellText::UnableToOpen(PortName);
    return nullptr;
  }
  port->SetStopFlag(&StopRequested);
  return port;
}

bool TaloGhostWorker::ReadFrame(TaloComPort& port, uint8_t* buffer, size_t count) {
  while (!StopRequested.load()) {
    if (port.Read(count, buffer)) return true;
    // A port whose re-open after a hard error failed fails every read at
    // once; the watchdog ends the run, this loop must not spin meanwhile.
    if (!port.IsOpen()) Sleep(static_cast<int>(kTimeoutMs));
  }
  return false;
}

void TaloGhostWorker::Finish(bool ok) {
  Succeeded = ok;
  Done = true;
}
