#include "link/port/talocomport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// The longest single wait we ever hand to ppoll; the loops recompute the
// remaining time anyway, this only keeps the arithmetic far from overflow.
constexpr std::chrono::milliseconds kMaxWait{24LL * 3600 * 1000};

// T*n+T, saturated.
Clock::time_point TotalDeadline(Clock::time_point start, uint32_t timeout, size_t count) {
  const uint64_t perByte = timeout;
  const uint64_t n = count;
  uint64_t ms = perByte + perByte * n;
  if (n != 0 && ms / (n + 1) != perByte) ms = UINT64_MAX;  // overflow
  const auto capped = std::min<uint64_t>(ms, static_cast<uint64_t>(kMaxWait.count()));
  return start + std::chrono::milliseconds(capped);
}

std::atomic<TaloComPort::StopCheck> ProcessStopCheck{nullptr};

enum class WaitResult { Ready, TimedOut, HungUp };

// Waits for the fd to become readable or writable until the deadline.
WaitResult WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    // A deadline already passed still gets one look without waiting: a
    // caller that takes only what has arrived must see a hang-up as well.
    const auto left = std::max(std::chrono::nanoseconds(0),
                               std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now()));
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(left.count() / 1000000000);
    ts.tv_nsec = static_cast<long>(left.count() % 1000000000);
    pollfd p{fd, events, 0};
    const int rc = ::ppoll(&p, 1, &ts, nullptr);
    if (rc < 0) {
      if (errno == EINTR) continue;
      return WaitResult::HungUp;
    }
    if (rc == 0) {
      if (left.count() == 0) return WaitResult::TimedOut;
      continue;  // the next look decides whether the deadline passed
    }
    // Checked first: a hung-up tty also reports readable, yet reads 0 for ever.
    // Callers read before they wait, so no pending byte is lost here.
    if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return WaitResult::HungUp;
    if (p.revents & events) return WaitResult::Ready;
  }
}

speed_t SpeedFor(uint32_t baud) {
  switch (baud) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
  }
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

TaloComPort::TaloComPort(std::string_view portName) : Name(portName) {}

TaloComPort::~TaloComPort() { Close(); }

std::string TaloComPort::ResolveDevicePath(std::string_view portName) {
  if (portName.empty()) return {};
  if (portName.find('/') != std::string_view::npos) return std::string(portName);
  // "COMn" is how the controller's documentation names the PC's ports; map it
  // to the conventional Linux device of the n-th UART.
  if (portName.size() > 3 && EqualsIgnoringCase(portName.substr(0, 3), "com")) {
    const auto digits = portName.substr(3);
    const bool allDigits =
        digits.size() <= 6 && std::all_of(digits.begin(), digits.end(),
                                          [](char c) { return c >= '0' && c <= '9'; });
    if (allDigits) {
      const unsigned long n = std::stoul(std::string(digits));
      if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
    }
  }
  return "/dev/" + std::string(portName);
}

bool TaloComPort::Open() {
  if (Fd >= 0) return true;
  const std::string path = ResolveDevicePath(Name);
  if (path.empty()) {
    OpenError = ENOENT;
    return false;
  }
  // O_NONBLOCK: the open must not wait for carrier, and every read and write
  // waits in poll() with its own deadline.
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    OpenError = errno;
    return false;
  }
  // flock is what stops a second open even for root; TIOCEXCL additionally
  // keeps out programs that do not lock (unless they run as root).
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    OpenError = (errno == EWOULDBLOCK) ? EBUSY : errno;
    ::close(fd);
    return false;
  }
  termios current{};
  if (::tcgetattr(fd, &current) != 0) {
    OpenError = errno;  // not a terminal device
    ::close(fd);
    return false;
  }
  ::ioctl(fd, TIOCEXCL);
  Latency.Enter(fd);
  Fd = fd;
  OpenError = 0;
  Disconnected = false;
  return true;
}

bool TaloComPort::Close() {
  if (Fd < 0) return true;
  const int fd = Fd;
  Fd = -1;
  Latency.Leave(fd);
  // The exclusive flag lives on the tty, not on our descriptor: clear it so
  // that a later open (ours after a hard error, or another program's) works.
  ::ioctl(fd, TIOCNXCL);
  return ::close(fd) == 0 || errno == EINTR;
}

bool TaloComPort::Configure(const LineSettings& settings) {
  Line = settings;
  Configured = true;
  return ApplyLineSettings();
}

bool TaloComPort::ApplyLineSettings() {
  if (Fd < 0) return false;
  termios t{};
  if (::tcgetattr(Fd, &t) != 0) return false;
  const speed_t speed = SpeedFor(Line.BaudRate);
  if (speed == B0) return false;
  // Binary mode: no echo, no line editing, no translation of CR/LF, no
  // software or hardware flow control. Reads never block in the driver
  // (VMIN = VTIME = 0); the time-outs are ours.
  ::cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
  switch (Line.DataBits) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    case 8: t.c_cflag |= CS8; break;
    default: return false;
  }
  switch (Line.Parity) {
    case LineParity::None: break;
    case LineParity::Odd: t.c_cflag |= PARENB | PARODD; break;
    case LineParity::Even: t.c_cflag |= PARENB; break;
    case LineParity::Mark: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case LineParity::Space: t.c_cflag |= PARENB | CMSPAR; break;
    default: return false;
  }
  switch (Line.StopBits) {
    case LineStopBits::One: break;
    case LineStopBits::Two: t.c_cflag |= CSTOPB; break;
    default: return false;  // one and a half: termios has no such setting
  }
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0) return false;
  return ::tcsetattr(Fd, TCSANOW, &t) == 0;
}

bool TaloComPort::SetTimeouts(uint32_t milliseconds) {
  Timeout = milliseconds;
  return Fd >= 0;
}

bool TaloComPort::PurgeInput() { return Fd >= 0 && ::tcflush(Fd, TCIFLUSH) == 0; }

bool TaloComPort::IsHeldElsewhere() const {
  return OpenError == EBUSY || OpenError == EWOULDBLOCK;
}

bool TaloComPort::IsNotSerialPortError(int openError) {
  return openError == ENOTTY || openError == EISDIR;
}

bool TaloComPort::RecoverFromHardError() {
  // The device went away under us (adapter unplugged, pty master closed).
  // Drop the descriptor and try once to get the port back; a re-opened tty
  // starts in the driver's cooked mode, so the line settings in force are
  // applied again. The operation that hit the error fails either way.
  if (Close() && Open() && Configured) (void)ApplyLineSettings();
  Disconnected = Fd < 0;
  return false;
}

bool TaloComPort::Write(size_t count, const uint8_t* bytes, UnreadInput unread) {
  if (Fd < 0) return false;
  if (unread == UnreadInput::Discard) PurgeInput();
  const auto deadline = TotalDeadline(Clock::now(), Timeout, count);
  size_t done = 0;
  while (done < count) {
    const ssize_t w = ::write(Fd, bytes + done, count - done);
    if (w > 0) {
      done += static_cast<size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno != EAGAIN) return RecoverFromHardError();
    const Waited waited = WaitWatchingStops(POLLOUT, deadline);
    if (waited == Waited::TimedOut) return false;
    if (waited == Waited::HungUp) return RecoverFromHardError();
  }
  return true;
}

bool TaloComPort::WriteText(std::string_view text) {
  return Write(text.size(), reinterpret_cast<const uint8_t*>(text.data()));
}

TaloComPort::IoResult TaloComPort::ReadSome(size_t count, uint8_t* buffer, size_t& got,
                                            int64_t totalMs) {
  got = 0;
  const auto total = totalMs < 0 ? TotalDeadline(Clock::now(), Timeout, count)
                                 : Clock::now() + std::chrono::milliseconds(totalMs);
  auto deadline = total;
  while (got < count) {
    const ssize_t r = ::read(Fd, buffer + got, count - got);
    if (r > 0) {
      got += static_cast<size_t>(r);
      // After a byte the line may fall silent for at most T.
      deadline = std::min(total, Clock::now() + std::chrono::milliseconds(Timeout));
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && errno != EAGAIN) return IoResult::HardError;
    // Nothing there (raw mode reads 0, or EAGAIN): wait for more.
    const Waited waited = WaitWatchingStops(POLLIN, deadline);
    if (waited == Waited::TimedOut) return IoResult::TimedOut;
    if (waited == Waited::HungUp) return IoResult::HardError;
  }
  return IoResult::Complete;
}

void TaloComPort::WatchStops(StopCheck check) { ProcessStopCheck = check; }

bool TaloComPort::StopAsked() const {
  if (StopFlag && StopFlag->load()) return true;
  const StopCheck check = ProcessStopCheck.load();
  return check && check();
}

TaloComPort::Waited TaloComPort::WaitWatchingStops(short events,
                                                   Clock::time_point deadline) const {
  const bool watched = StopFlag || ProcessStopCheck.load();
  for (;;) {
    if (watched && StopAsked()) return Waited::TimedOut;
    const auto slice =
        watched ? std::min(deadline, Clock::now() + std::chrono::milliseconds(kStopPollMs))
                : deadline;
    const WaitResult waited = WaitFor(Fd, events, slice);
    if (waited == WaitResult::Ready) return Waited::Ready;
    if (waited == WaitResult::HungUp) return Waited::HungUp;
    if (slice == deadline) return Waited::TimedOut;
  }
}

bool TaloComPort::ReadCounted(size_t count, uint8_t* buffer, size_t* received, int64_t totalMs) {
  if (received) *received = 0;
  if (Fd < 0) return false;
  size_t got = 0;
  const IoResult result = ReadSome(count, buffer, got, totalMs);
  if (received) *received = got;
  if (result == IoResult::HardError) return RecoverFromHardError();
  return result == IoResult::Complete;
}

bool TaloComPort::Read(size_t count, uint8_t* buffer, size_t* received) {
  return ReadCounted(count, buffer, received, kByTimeout);
}

bool TaloComPort::ReadByteWithin(uint8_t& byte, uint32_t waitMs) {
  return ReadCounted(1, &byte, nullptr, waitMs);
}

size_t TaloComPort::ReadWaiting(size_t limit, uint8_t* buffer) {
  if (Fd < 0 || limit == 0) return 0;
  size_t got = 0;
  if (ReadSome(limit, buffer, got, 0) == IoResult::HardError) RecoverFromHardError();
  return got;
}

bool TaloComPort::ReadLine(size_t limit, std::string& text, size_t* consumed,
                           const EarlyEnd* early) {
  text.clear();
  size_t counted = 0;
  const auto done = [&](bool whole) {
    if (consumed) *consumed = counted;
    return whole;
  };
  if (Fd < 0 || limit == 0) return done(false);
  for (;;) {
    uint8_t byte = 0;
    const bool settling = early && early->Settled(text);
    // The text keeps what arrived (a prompt).
    if (!(settling ? ReadByteWithin(byte, early->SettleMs) : Read(1, &byte))) return done(false);
    ++counted;
    if (counted >= limit) return done(false);  // the limit-th byte is consumed and dropped
    if (byte != 0) text.push_back(static_cast<char>(byte));
    if (byte == Terminator) return done(true);
  }
}
