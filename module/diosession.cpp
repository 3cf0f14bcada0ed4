#include "module/diosession.h"

#include <QByteArray>
#include <chrono>
#include <thread>

#include "link/port/talocomport.h"
#include "link/shell/deviceshell.h"
#include "module/diomodule.h"
#include "module/diotext.h"
#include "module/moduleprotocol.h"

void DioPause(const DioTimings& timings, uint32_t ms) {
  if (timings.Pause)
    timings.Pause(ms);
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

DioSession::DioSession(TaloComPort& port, const std::string& address, DioTimings timings)
    : Port(port), ModulePtr(std::make_unique<DioModule>(&port, address)), Timings(std::move(timings)) {}

DioSession::~DioSession() = default;

DioReading DioSession::Poll() {
  DioReading reading;
  reading.Ok = ModulePtr->ReadDIO(reading.DOByte, reading.DIByte);
  reading.Disconnected = !reading.Ok && Port.IsDisconnected();
  return reading;
}

JobResult DioSession::PollResult(const DioReading& reading) const {
  if (reading.Disconnected) return Lost(Port);
  return reading.Ok ? JobResult::Done() : JobResult::Failed(QString());
}

JobResult DioSession::SetResult(const DioSetResult& set) const {
  const QString failed = QString::fromLatin1(DioText::kSetFailed);
  if (!set.Acknowledged) return JobResult::Failed(failed);
  if (set.ReadBack.Disconnected) return Lost(Port);
  // A read-back without an answer shows as such in the lamps.
  if (!set.ReadBack.Ok) return JobResult::Failed(QString());
  // A module that acknowledged but kept its output has not switched it.
  return set.Applied ? JobResult::Done() : JobResult::Failed(failed);
}

bool DioSession::Disconnected() const { return Port.IsDisconnected(); }

QString DioSession::DisconnectedText() const { return Lost(Port).Text; }

DioSetResult DioSession::SetOutput(int channel, const std::string& value) {
  DioSetResult result;
  result.Acknowledged = ModulePtr->WriteDOChannel(channel, value);
  if (!result.Acknowledged) return result;
  result.ReadBack = Poll();
  const unsigned outputs = ModuleProtocol::ReadHex(result.ReadBack.DOByte);
  result.Applied = result.ReadBack.Ok && ((outputs >> channel) & 1U) == (value == "1" ? 1U : 0U);
  return result;
}

JobResult DioSession::Release() {
  // Typed and read whole after a stop too: it is how a stopped panel ends.
  const StopsHeld ending;
  // 2. End the simulation; whether it answered changes nothing below.
  (void)ModulePtr->SendOL();
  if (Port.IsDisconnected()) return Lost(Port);
  // 3.-4. The shell needs a moment to come back before it takes commands.
  DioPause(Timings, Timings.ReleasePauseMs);
  return DeleteCompanions(Port, Timings);
}

JobResult DioSession::DeleteCompanions(TaloComPort& port, const DioTimings& timings) {
  // Typed after a stop too: it is how a stopped panel or start ends.
  const StopsHeld cleanup;
  const auto failed = [&port] {
    return port.IsDisconnected() ? Lost(port)
                                 : JobResult::Failed(QString::fromLatin1(DioText::kDeleteFailed));
  };
  if (!SendText(&port, DioText::kDeleteSimulationLine)) return failed();
  // 5.-6. No prompt is awaited: the pause gives the first delete its time.
  DioPause(timings, timings.DeletePauseMs);
  if (!SendText(&port, DioText::kDeleteModidLine)) return failed();
  return JobResult::Done(QString::fromLatin1(DioText::kReleased));
}

JobResult DioSession::Lost(const TaloComPort& port) {
  return {JobStatus::Disconnected, ShellText::Disconnected(QString::fromStdString(port.PortName()))};
}

bool DioSession::SendText(TaloComPort* port, const std::string& text) {
  if (!port || text.empty()) return false;
  return DeviceShell::TypeEchoed(*port, QByteArray::fromStdString(text));
}
