#include "image/imageworker.h"

#include <cstring>
#include <utility>

#include "image/imageframe.h"
#include "image/imagetext.h"
#include "link/jobs/jobrunner.h"
#include "link/port/portopener.h"
#include "link/port/talocomport.h"
#include "link/shell/deviceshell.h"

JobResult ImageWorker::Run() {
  Succeeded = false;
  PortLost = false;
  ErrorText.clear();
  Execute();
  if (Succeeded) return JobResult::Done();
  if (!ErrorText.isEmpty())
    return {PortLost ? JobStatus::Disconnected : JobStatus::Failed, ErrorText};
  return StopWasRequested() ? JobResult::Stopped() : JobResult::Failed(QString());
}

void ImageWorker::Progressed(uint32_t block, uint32_t count) { JobRunner::Report(block, count); }

bool ImageWorker::StopWasRequested() { return JobRunner::StopRequested(); }

std::unique_ptr<TaloComPort> ImageWorker::OpenPort() {
  PortOpening opening = OpenControllerPort(PortName, kTimeoutMs);
  if (!opening.Opened) {
    ErrorText = ShellText::UnableToOpen(PortName, opening.Error);
    return nullptr;
  }
  return std::move(opening.Port);
}

bool ImageWorker::ReadFrame(TaloComPort& port, uint8_t* buffer, size_t count,
                                bool* shellSpoke) {
  if (shellSpoke) *shellSpoke = false;
  // The port's waits end at the job's stop: so does this loop.
  while (!StopWasRequested()) {
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
