#include "link/port/portopener.h"

PortOpening OpenControllerPort(const QString& name, uint32_t timeoutMs, uint8_t terminator) {
  PortOpening opening;
  opening.Port = std::make_unique<TaloComPort>(name.toStdString());
  TaloComPort& port = *opening.Port;
  if (port.Open()) {
    port.SetTerminator(terminator);
    opening.Opened = port.Configure(kControllerLine) && port.SetTimeouts(timeoutMs);
  }
  if (!opening.Opened) {
    port.Close();
    opening.Error = port.LastError();
  }
  return opening;
}
