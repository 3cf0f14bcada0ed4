#include "link/port/lowlatencymode.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

#include <atomic>

namespace {

int SystemIoctl(int fd, unsigned long request, serial_struct* settings) {
  return ::ioctl(fd, request, settings);
}

std::atomic<LowLatencyMode::IoctlFn> Ioctl{&SystemIoctl};

}  // namespace

void LowLatencyMode::SetIoctlForTesting(IoctlFn ioctlFn) {
  Ioctl = ioctlFn ? ioctlFn : &SystemIoctl;
}

void LowLatencyMode::Enter(int fd) {
  ChangedFlag = false;
  serial_struct settings{};
  const IoctlFn call = Ioctl;
  if (call(fd, TIOCGSERIAL, &settings) != 0) return;
  if (settings.flags & ASYNC_LOW_LATENCY) return;
  settings.flags |= ASYNC_LOW_LATENCY;
  ChangedFlag = call(fd, TIOCSSERIAL, &settings) == 0;
}

void LowLatencyMode::Leave(int fd) {
  if (!ChangedFlag) return;
  ChangedFlag = false;
  serial_struct settings{};
  const IoctlFn call = Ioctl;
  if (call(fd, TIOCGSERIAL, &settings) != 0) return;
  settings.flags &= ~ASYNC_LOW_LATENCY;
  (void)call(fd, TIOCSSERIAL, &settings);
}
