#include "image/imageworker.h"

#include <cstring>
#include <utility>

#include "image/imageframe.h"
#include "image/imagetext.h"
#include "link/port/portopener.h"
#include "link/port/talocomport.h"
#include "link/shell/deviceshell.h"

ImageWorker::~ImageWorker() { StopAndJoin(); }

void ImageWorker::StopAndJoin() {
  RequestStop();
  Terminate();
  if (Started()) WaitFor();
}

std::unique_ptr<TaloComPort> ImageWorker::OpenPort() {
  PortOpening opening = OpenControllerPort(PortName, kTimeoutMs);
  if (!opening.Opened) {
    ErrorText = ShellText::UnableToOpen(PortName, opening.Error);
    return nullptr;
  }
  opening.Port->SetStopFlag(&StopRequested);
  return std::move(opening.Port);
}

bool ImageWorker::ReadFrame(TaloComPort& port, uint8_t* buffer, size_t count,
                                bool* shellSpoke) {
  if (shellSpoke) *shellSpoke = false;
  // The port's waits end at a stop of the process too (Ctrl+C): so does
  // this loop.
  while (!StopRequested.load() && !JobRunner::StopRequested()) {
    size_t received = 0;
    if (port.Read(count, buffer, &received)) return true;
    // A port that went away fails every read at once: say so now rather than
    // let the watchdog call it a stall seconds later.
    if (port.IsDisconnected()) {
      PortLost = true;
      ErrorText = ShellText::Disconnected(PortName);
      return false;
    }
    if (shellSpoke && HoldsShellTalk(buffer, received)) {
      *shellSpoke = true;
      return false;
    }
  }
  return false;
}

bool ImageWorker::ReadFirstFrame(TaloComPort& port, uint8_t* buffer, size_t count) {
  if (!ReadFrame(port, buffer, count)) return false;
  // A whole frame with its CRC checks to 0.
  if (count < 2 || buffer[0] != '\n' || Crc16(buffer, count) == 0) return true;
  std::memmove(buffer, buffer + 1, count - 1);
  return ReadFrame(port, buffer + count - 1, 1);
}

QString ImageWorker::SendFailureText(const TaloComPort& port, const char* commandLine,
                                         bool entered) {
  // The port's reads give up once a stop is asked for: an echo cut short
  // by the user's stop is no failure to send.
  if (StopWasRequested() && !entered) return QString();
  PortLost = port.IsDisconnected();
  if (PortLost) return ShellText::Disconnected(PortName);
  return entered ? ShellText::EnterNotEchoed(QString::fromLatin1(commandLine))
                 : ShellText::UnableToSend(QString::fromLatin1(commandLine));
}

void ImageWorker::GiveUp() {
  Stalled = true;
  RequestStop();
}

JobResult ImageWorker::Result() const {
  // Given up, the worker may still be writing its own end: nothing of it
  // is read.
  if (Stalled) return {JobStatus::TimedOut, QString::fromLatin1(ImageText::kStalled)};
  if (Succeeded) return JobResult::Done();
  if (!ErrorText.isEmpty())
    return {PortLost ? JobStatus::Disconnected : JobStatus::Failed, ErrorText};
  return StopWasRequested() ? JobResult::Stopped() : JobResult::Failed(QString());
}

void ImageWorker::Finish(bool ok) {
  Succeeded = ok;
  Done = true;
}
