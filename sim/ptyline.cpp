#include "sim/ptyline.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <thread>

namespace talosim {
namespace {

// The wait until deadline for ppoll: a received byte becomes readable at its
// exact wire time, so the controller must not wake up to a millisecond late.
timespec TimeUntil(PtyLine::Clock::time_point deadline) {
  const auto left = std::max<long long>(
      0, std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - PtyLine::Clock::now()).count());
  return timespec{static_cast<time_t>(left / 1'000'000'000), static_cast<long>(left % 1'000'000'000)};
}

int MillisUntil(PtyLine::Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - PtyLine::Clock::now()).count();
  if (left <= 0) return 0;
  return static_cast<int>(std::min<long long>((left + 999) / 1000, INT_MAX));
}

}  // namespace

PtyLine::~PtyLine() { Close(); }

bool PtyLine::Open(uint32_t baud, const std::string& linkPath, std::string& error,
                   std::chrono::milliseconds adapterLatency) {
  Close();
  Stopping = false;
  AdapterLatency = adapterLatency;
  ByteTime = baud ? std::chrono::nanoseconds(10'000'000'000LL / baud) : std::chrono::nanoseconds(0);
  if (pipe2(WakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = std::string("cannot create a pipe: ") + std::strerror(errno);
    return false;
  }
  Master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  char name[128];
  if (Master < 0 || grantpt(Master) != 0 || unlockpt(Master) != 0 || ptsname_r(Master, name, sizeof name) != 0) {
    error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
    Close();
    return false;
  }
  Slave = name;
  SlaveKeepAlive = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (SlaveKeepAlive < 0) {
    error = "cannot open " + Slave + ": " + std::strerror(errno);
    Close();
    return false;
  }
  // Raw 8N1 so that a test or terminal opening the slave without setting it
  // up sees the bytes unchanged; the utility sets its own mode anyway.
  termios mode{};
  tcgetattr(SlaveKeepAlive, &mode);
  cfmakeraw(&mode);
  cfsetispeed(&mode, B57600);
  cfsetospeed(&mode, B57600);
  tcsetattr(SlaveKeepAlive, TCSANOW, &mode);
  fcntl(Master, F_SETFL, fcntl(Master, F_GETFL) | O_NONBLOCK);
  if (!linkPath.empty()) {
    struct stat info{};
    // Replace a stale link from an earlier run, never a real file.
    if (lstat(linkPath.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) unlink(linkPath.c_str());
    if (symlink(Slave.c_str(), linkPath.c_str()) != 0) {
      error = "cannot make the link " + linkPath + ": " + std::strerror(errno);
      Close();
      return false;
    }
    Link = linkPath;
  }
  // Watched only once our own descriptor is open: what it reports is the PC's.
  if (Observer) {
    PortWatch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (PortWatch < 0 || inotify_add_watch(PortWatch, Slave.c_str(), IN_OPEN | IN_CLOSE) < 0) {
      error = std::string("cannot watch the pseudo-terminal: ") + std::strerror(errno);
      if (PortWatch >= 0) close(PortWatch);
      PortWatch = -1;
      Close();
      return false;
    }
  }
  LastArrival = WireFree = Clock::now();
  if (AdapterLatency.count() > 0) {
    AdapterStopping = false;
    Held.clear();
    Adapter = std::thread([this] { RunAdapter(); });
  }
  return true;
}

void PtyLine::Close() {
  HangUp();
  if (!Link.empty()) {
    char target[256];
    const ssize_t length = readlink(Link.c_str(), target, sizeof target - 1);
    if (length > 0 && std::string(target, static_cast<size_t>(length)) == Slave) unlink(Link.c_str());
    Link.clear();
  }
  for (int& fd : WakePipe) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  Pending.clear();
}

void PtyLine::HangUp() {
  if (PortWatch >= 0) {
    ReportPortEvents();
    close(PortWatch);  // before our own descriptor closes
    PortWatch = -1;
    if (Master >= 0 && !Stopping) Observer->Port(LineObserver::PortEvent::HungUp, Clock::now());
  }
  StopAdapter();  // it writes to the master: gone before the master closes
  if (SlaveKeepAlive >= 0) close(SlaveKeepAlive);
  if (Master >= 0) close(Master);
  SlaveKeepAlive = Master = -1;
}

void PtyLine::Wake() {
  if (WakePipe[1] >= 0) {
    const char poke = 1;
    [[maybe_unused]] ssize_t ignored = write(WakePipe[1], &poke, 1);
  }
}

void PtyLine::RequestStop() {
  Stopping = true;
  Wake();
}

void PtyLine::DrainWakePipe() {
  char sink[64];
  while (read(WakePipe[0], sink, sizeof sink) > 0) {
  }
}

void PtyLine::SetBlocking(bool blocking) {
  if (Master < 0) return;
  const int flags = fcntl(Master, F_GETFL);
  fcntl(Master, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK);
}

void PtyLine::ReportPortEvents() {
  alignas(inotify_event) char buffer[4096];
  ssize_t got = 0;
  while ((got = read(PortWatch, buffer, sizeof buffer)) > 0) {
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->mask & IN_OPEN) Observer->Port(LineObserver::PortEvent::Opened, Clock::now());
      if (event->mask & IN_CLOSE) Observer->Port(LineObserver::PortEvent::Closed, Clock::now());
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
}

bool PtyLine::FillInput(Clock::time_point deadline, bool& woken) {
  pollfd fds[3] = {{Master, POLLIN, 0}, {WakePipe[0], POLLIN, 0}, {PortWatch, POLLIN, 0}};
  const timespec wait = TimeUntil(deadline);
  const int ready = ppoll(fds, PortWatch >= 0 ? 3 : 2, &wait, nullptr);
  if (ready < 0) return errno == EINTR;
  // The PC opens the port before it writes: its opening goes first.
  if (PortWatch >= 0 && ((fds[2].revents | fds[0].revents) & POLLIN)) ReportPortEvents();
  if (fds[1].revents & POLLIN) {
    DrainWakePipe();
    woken = true;
  }
  if (fds[0].revents & POLLIN) {
    uint8_t buffer[4096];
    const ssize_t got = read(Master, buffer, sizeof buffer);
    if (got > 0) {
      const auto now = Clock::now();
      if (Observer) Observer->Received(std::string_view(reinterpret_cast<const char*>(buffer), static_cast<size_t>(got)), now);
      for (ssize_t i = 0; i < got; ++i) {
        // Bytes queue on the wire one after the other.
        LastArrival = ByteTime.count() ? std::max(now, LastArrival) + ByteTime : now;
        Pending.emplace_back(buffer[i], LastArrival);
      }
    } else if (got < 0 && errno != EAGAIN && errno != EINTR) {
      return false;
    }
  } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
    // We hold the slave ourselves, so this means the line is gone.
    return false;
  }
  return true;
}

LineRead PtyLine::Read(uint8_t& byte, Clock::time_point deadline) {
  for (;;) {
    if (Stopping) return LineRead::Down;
    if (Master < 0) return LineRead::Down;
    const auto now = Clock::now();
    if (!Pending.empty() && Pending.front().second <= now) {
      byte = Pending.front().first;
      Pending.pop_front();
      return LineRead::Byte;
    }
    if (now >= deadline) return LineRead::Timeout;
    const auto until = Pending.empty() ? deadline : std::min(deadline, Pending.front().second);
    bool woken = false;
    if (!FillInput(until, woken)) {
      HangUp();
      return LineRead::Down;
    }
    if (woken) return Stopping ? LineRead::Down : LineRead::Woken;
  }
}

void PtyLine::DiscardInput() {
  const auto now = Clock::now();
  bool woken = false;
  FillInput(now, woken);
  while (!Pending.empty() && Pending.front().second <= now) Pending.pop_front();
  if (woken) Wake();  // keep the poke for the next Read
}

std::string PtyLine::TakeThrough(uint8_t byte) {
  const auto now = Clock::now();
  bool woken = false;
  FillInput(now, woken);
  if (woken) Wake();  // keep the poke for the next Read
  const auto found = std::find_if(Pending.begin(), Pending.end(), [&](const auto& entry) {
    return entry.second <= now && entry.first == byte;
  });
  if (found == Pending.end()) return {};
  std::string taken;
  for (auto it = Pending.begin(); it != std::next(found); ++it) taken.push_back(static_cast<char>(it->first));
  Pending.erase(Pending.begin(), std::next(found));
  return taken;
}

void PtyLine::Pause(std::chrono::milliseconds duration) {
  const auto until = Clock::now() + duration;
  while (!Stopping && Clock::now() < until) {
    pollfd fd{WakePipe[0], POLLIN, 0};
    if (poll(&fd, 1, MillisUntil(until)) > 0 && Stopping) return;
    if (fd.revents & POLLIN) {
      // A poke that is not a stop (an Emit) must not be lost.
      DrainWakePipe();
      Wake();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
}

bool PtyLine::WriteNow(const char* bytes, size_t count) {
  while (count > 0) {
    if (Master < 0 || Stopping) return false;
    const ssize_t done = write(Master, bytes, count);
    if (done > 0) {
      bytes += done;
      count -= static_cast<size_t>(done);
      continue;
    }
    if (done < 0 && errno != EAGAIN && errno != EINTR) {
      HangUp();
      return false;
    }
    // The utility is not reading: wait for room, as a flow-controlled line would.
    pollfd fds[2] = {{Master, POLLOUT, 0}, {WakePipe[0], POLLIN, 0}};
    poll(fds, 2, 100);
    if (fds[1].revents & POLLIN) {
      DrainWakePipe();
      if (!Stopping) Wake();
    }
  }
  return true;
}

bool PtyLine::Deliver(const char* bytes, size_t count) {
  if (Master < 0 || Stopping) return false;
  if (Observer) Observer->Sent(std::string_view(bytes, count), Clock::now());
  if (AdapterLatency.count() == 0) return WriteNow(bytes, count);
  {
    std::lock_guard lock(AdapterMutex);
    if (Held.empty()) HeldSince = Clock::now();
    Held.append(bytes, count);
  }
  AdapterWake.notify_one();
  return true;
}

void PtyLine::RunAdapter() {
  const int master = Master;  // stays open until StopAdapter has joined us
  std::unique_lock lock(AdapterMutex);
  while (!AdapterStopping) {
    if (Held.empty()) {
      AdapterWake.wait(lock);
      continue;
    }
    const auto due = HeldSince + AdapterLatency;
    if (Held.size() < kAdapterPacket && Clock::now() < due) {
      AdapterWake.wait_until(lock, due);
      continue;
    }
    const size_t count = std::min(Held.size(), kAdapterPacket);
    std::string packet = Held.substr(0, count);
    Held.erase(0, count);
    HeldSince = Clock::now();  // the timer starts again for what is left
    lock.unlock();
    size_t done = 0;
    while (done < packet.size() && !AdapterStopping) {
      const ssize_t wrote = write(master, packet.data() + done, packet.size() - done);
      if (wrote > 0) {
        done += static_cast<size_t>(wrote);
      } else if (wrote < 0 && errno != EAGAIN && errno != EINTR) {
        break;  // the line is going down; the controller thread notices
      } else {
        pollfd fd{master, POLLOUT, 0};
        poll(&fd, 1, 50);  // the PC is not reading: wait for room
      }
    }
    lock.lock();
  }
}

void PtyLine::StopAdapter() {
  if (!Adapter.joinable()) return;
  {
    std::lock_guard lock(AdapterMutex);
    AdapterStopping = true;
  }
  AdapterWake.notify_one();
  Adapter.join();
  Held.clear();
}

bool PtyLine::Write(std::string_view bytes) {
  if (ByteTime.count() == 0) return Deliver(bytes.data(), bytes.size());
  // A byte reaches the PC when its last bit is on the wire. The wire clock
  // starts afresh only when the line was idle; within one write, a late
  // wake-up is made good by handing over every byte that fell due meanwhile,
  // so the average rate stays the baud rate and a short frame still takes
  // its own time.
  if (WireFree < Clock::now()) WireFree = Clock::now();
  size_t sent = 0;
  while (sent < bytes.size()) {
    const auto due = WireFree + ByteTime;
    const auto now = Clock::now();
    if (due > now) {
      if (due - now > std::chrono::milliseconds(2)) {
        Pause(std::chrono::duration_cast<std::chrono::milliseconds>(due - now));
      } else {
        std::this_thread::sleep_until(due);
      }
      if (Stopping) return false;
      continue;
    }
    size_t count = 0;
    while (sent + count < bytes.size() && WireFree + ByteTime <= now) {
      WireFree += ByteTime;
      ++count;
    }
    if (!Deliver(bytes.data() + sent, count)) return false;
    sent += count;
  }
  return true;
}

}  // namespace talosim
