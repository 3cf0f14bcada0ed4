#pragma once
// PtyPair: a pseudo-terminal pair for tests that need a real serial line.
//
// The code under test opens SlavePath() like a serial device; the test plays
// the controller on MasterFd(). The pair is put in raw mode (no echo, no line
// editing, no CR/LF translation) from the master side, so bytes pass as sent.
//
// By default the pair keeps a descriptor of the slave open itself: the master
// then never sees a hang-up between two opens of the port, and bytes written
// while the port is closed wait in the line as on a real cable. It never reads
// from that descriptor; tests may write through it (FillTowardsMaster) to fill
// the line towards the master.
//
// Every read and write takes a deadline; nothing here can hang a test.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <string_view>
#include <thread>

class PtyPair {
 public:
  explicit PtyPair(bool holdSlave = true) {
    Master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (Master < 0) return;
    char name[128] = {};
    if (::grantpt(Master) != 0 || ::unlockpt(Master) != 0 ||
        ::ptsname_r(Master, name, sizeof name) != 0) {
      CloseMaster();
      return;
    }
    Slave = name;
    termios t{};
    if (::tcgetattr(Master, &t) == 0) {
      ::cfmakeraw(&t);
      ::tcsetattr(Master, TCSANOW, &t);
    }
    if (holdSlave) HeldSlave = ::open(Slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  }
  ~PtyPair() {
    ReleaseSlave();
    CloseMaster();
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool IsValid() const { return Master >= 0 && !Slave.empty(); }
  int MasterFd() const { return Master; }
  const std::string& SlavePath() const { return Slave; }

  // Hangs the line up: the slave side sees POLLHUP and its path goes away.
  void CloseMaster() {
    if (Master >= 0) ::close(Master);
    Master = -1;
  }
  void ReleaseSlave() {
    if (HeldSlave >= 0) ::close(HeldSlave);
    HeldSlave = -1;
  }

  // Writes all bytes to the master (towards the port) within the deadline.
  bool Write(std::string_view bytes, int timeoutMs = 2000) {
    return WriteAll(Master, bytes, timeoutMs);
  }
  // Writes towards the master through the held slave descriptor until the
  // line takes no more; returns how many bytes went in. The kernel moves
  // bytes between its buffers in the background, so a full line is only
  // believed after it stayed full for a while.
  size_t FillTowardsMaster(size_t limit = 1 << 20) {
    if (HeldSlave < 0) return 0;
    std::string block(4096, 'F');
    size_t total = 0;
    for (int quietRounds = 0; quietRounds < 3 && total < limit;) {
      const ssize_t w = ::write(HeldSlave, block.data(), std::min(block.size(), limit - total));
      if (w > 0) {
        total += static_cast<size_t>(w);
        quietRounds = 0;
        continue;
      }
      ++quietRounds;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return total;
  }

  // Reads from the master until count bytes arrived or the deadline passed.
  std::string Read(size_t count, int timeoutMs) {
    return ReadWhile(timeoutMs, [&](const std::string& got) { return got.size() < count; });
  }
  // Reads until the text read ends with `end` (or the deadline passed).
  std::string ReadUntil(std::string_view end, int timeoutMs) {
    return ReadWhile(timeoutMs, [&](const std::string& got) {
      return got.size() < end.size() || std::string_view(got).substr(got.size() - end.size()) != end;
    });
  }

 private:
  template <typename Pred>
  std::string ReadWhile(int timeoutMs, Pred wantMore) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (wantMore(got)) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || Master < 0) break;
      pollfd p{Master, POLLIN, 0};
      const int rc = ::poll(&p, 1, static_cast<int>(left.count()));
      if (rc <= 0) {
        if (rc < 0 && errno == EINTR) continue;
        break;
      }
      char c;
      const ssize_t r = ::read(Master, &c, 1);  // one by one: never past what is wanted
      if (r == 1) {
        got.push_back(c);
      } else if (!(r < 0 && (errno == EAGAIN || errno == EINTR))) {
        // No slave open (EIO): wait a little instead of spinning on POLLHUP.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    }
    return got;
  }

  static bool WriteAll(int fd, std::string_view bytes, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t done = 0;
    while (done < bytes.size() && fd >= 0) {
      const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (w > 0) {
        done += static_cast<size_t>(w);
        continue;
      }
      if (w < 0 && errno != EAGAIN && errno != EINTR) return false;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd p{fd, POLLOUT, 0};
      ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 10)));
    }
    return done == bytes.size();
  }

  int Master = -1;
  int HeldSlave = -1;
  std::string Slave;
};
