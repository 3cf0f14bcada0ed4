#pragma once
// TransferPeer: a scripted controller on a pty for the transfer tests. Its
// shell echoes what it is sent and answers with the prompt; "C:\transfer /R"
// starts either its own XMODEM receiver (with faults) or an external receiver
// such as lrzsz rx, relayed through pipes. Everything runs on the peer's own
// thread; the accessors are thread-safe.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct TransferPeerOptions {
  bool Echo = true;
  bool AnswerC = false;      // asks for CRC mode with 'C' and never starts
  int FailTransfer = -1;     // this transfer (1-based) answers its first block with CAN
  int StartDelayMs = 0;      // silence before the first NAK
  std::string ExternalReceiver;  // shell command; the target's base name is appended
  std::string WorkDir;           // where the external receiver runs
};

class TransferPeer {
 public:
  using Options = TransferPeerOptions;


  explicit TransferPeer(Options options = {}) : Opts(std::move(options)) {}
  ~TransferPeer() { Stop(); }

  bool Start() {
    Master = posix_openpt(O_RDWR | O_NOCTTY);
    if (Master < 0 || grantpt(Master) != 0 || unlockpt(Master) != 0) return false;
    Slave = ptsname(Master);
    // Keep the slave open once so that the line survives until the port opens.
    HoldFd = open(Slave.c_str(), O_RDWR | O_NOCTTY);
    Worker = std::thread([this] { Serve(); });
    return true;
  }

  void Stop() {
    Stopping = true;
    if (Worker.joinable()) Worker.join();
    if (HoldFd >= 0) close(HoldFd);
    if (Master >= 0) close(Master);
    HoldFd = Master = -1;
  }

  template <typename F>
  auto Locked(F f) const -> decltype(f()) {
    std::lock_guard lock(Mutex);
    return f();
  }

  const std::string& SlavePath() const { return Slave; }

  std::vector<std::string> Commands() const { return Locked([&] { return CommandLines; }); }
  // Files the own receiver stored, by target name (padding included).
  std::map<std::string, std::string> Files() const { return Locked([&] { return Stored; }); }
  // Every byte the peer read while a receiver ran.
  std::string ReceiverInput() const { return Locked([&] { return RxBytes; }); }
  // Every byte an external receiver sent.
  std::string ReceiverOutput() const { return Locked([&] { return TxBytes; }); }
  int Transfers() const { return Locked([&] { return TransferCount; }); }
  // CAN bytes in the run that cancelled the last transfer (own receiver).
  int CancelRun() const { return Locked([&] { return CancelBytes; }); }

 private:

  // One byte within timeoutMs, or -1 (also when stopping).
  int ReadByte(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!Stopping) {
      pollfd p{Master, POLLIN, 0};
      const int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                            deadline - std::chrono::steady_clock::now())
                                            .count());
      if (left <= 0) return -1;
      if (poll(&p, 1, std::min(left, 50)) > 0 && (p.revents & POLLIN)) {
        uint8_t b = 0;
        if (read(Master, &b, 1) == 1) return b;
      } else if (p.revents & (POLLHUP | POLLERR)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    return -1;
  }

  void Send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(Master, bytes.data() + done, bytes.size() - done);
      if (n <= 0) return;
      done += static_cast<size_t>(n);
    }
  }
  void SendByte(uint8_t b) { Send(std::string(1, static_cast<char>(b))); }

  void Serve() {
    const std::string prompt = "D:\\>";
    std::string line;
    while (!Stopping) {
      const int b = ReadByte(100);
      if (b < 0) continue;
      if (Opts.Echo) SendByte(static_cast<uint8_t>(b));
      if (b != '\r') {
        line += static_cast<char>(b);
        continue;
      }
      Locked([&] {
        CommandLines.push_back(line);
        return 0;
      });
      SendByte('\n');
      const std::string command = "C:\\transfer /R ";
      if (line.rfind(command, 0) == 0) RunReceiver(line.substr(command.size()));
      line.clear();
      Send("\r\n" + prompt);
    }
  }

  void RunReceiver(const std::string& target) {
    const int transfer = Locked([&] { return ++TransferCount; });
    if (!Opts.ExternalReceiver.empty())
      RunExternal(target);
    else
      RunOwn(target, transfer);
  }

  void Note(int b) {
    Locked([&] {
      RxBytes += static_cast<char>(b);
      return 0;
    });
  }

  void RunOwn(const std::string& target, int transfer) {
    if (Opts.StartDelayMs) std::this_thread::sleep_for(std::chrono::milliseconds(Opts.StartDelayMs));
    if (Opts.AnswerC) {
      // Keeps asking for CRC mode until the sender has given up and is silent.
      for (int i = 0; i < 400 && !Stopping; ++i) {
        SendByte('C');
        const int b = ReadByte(20);
        if (b >= 0) {
          Note(b);
          i = 0;
        }
      }
      return;
    }
    std::string data;
    uint8_t expected = 1;
    int first = -1;
    for (int i = 0; i < 20 && first < 0 && !Stopping; ++i) {
      SendByte(0x15);
      first = ReadByte(1000);
    }
    for (int b = first; b >= 0 && !Stopping; b = ReadByte(3000)) {
      Note(b);
      if (b == 0x04) {
        SendByte(0x06);
        Locked([&] {
          Stored[target] = data;
          return 0;
        });
        Send("\r\nFile received\r\n");
        return;
      }
      if (b == 0x18) {
        int cancels = 1;
        for (int c = ReadByte(300); c == 0x18; c = ReadByte(300)) ++cancels;
        Locked([&] { return CancelBytes = cancels; });
        Send("\r\nTransfer cancelled\r\n");
        return;
      }
      if (b != 0x01) continue;
      std::string frame(131, '\0');
      int got = 0;
      for (; got < 131; ++got) {
        const int c = ReadByte(1000);
        if (c < 0) break;
        Note(c);
        frame[got] = static_cast<char>(c);
      }
      if (got < 131) {
        SendByte(0x15);
        continue;
      }
      const auto number = static_cast<uint8_t>(frame[0]);
      const int position = static_cast<int>(data.size() / 128) + 1;  // the block expected
      const bool repeat = position > 1 && number == static_cast<uint8_t>(expected - 1);
      const int block = repeat ? position - 1 : position;
      uint8_t sum = 0;
      for (int i = 2; i < 130; ++i) sum = static_cast<uint8_t>(sum + frame[i]);
      const bool valid = static_cast<uint8_t>(frame[1]) == 255 - number &&
                         sum == static_cast<uint8_t>(frame[130]);
      if (transfer == Opts.FailTransfer && block == 1) {
        Send("\x18\x18");
        Send("\r\nTransfer aborted\r\n");
        return;
      }
      if (repeat) {
        SendByte(0x06);  // the block already stored, its ACK was lost
        continue;
      }
      if (!valid || number != expected) {
        SendByte(0x15);
        continue;
      }
      data += frame.substr(2, 128);
      ++expected;
      SendByte(0x06);
    }
  }

  // Relays between the line and an external receiver on pipes until it ends.
  void RunExternal(const std::string& target) {
    const size_t cut = target.find_last_of("\\:");
    const std::string name = cut == std::string::npos ? target : target.substr(cut + 1);
    int toChild[2], fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) return;
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(toChild[0], 0);
      dup2(fromChild[1], 1);
      close(toChild[1]);
      close(fromChild[0]);
      if (!Opts.WorkDir.empty() && chdir(Opts.WorkDir.c_str()) != 0) _exit(127);
      const std::string command = Opts.ExternalReceiver + " '" + name + "' 2>/dev/null";
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    signal(SIGPIPE, SIG_IGN);
    bool childOpen = true;
    while (childOpen && !Stopping) {
      pollfd p[2] = {{Master, POLLIN, 0}, {fromChild[0], POLLIN, 0}};
      if (poll(p, 2, 50) <= 0) continue;
      uint8_t buf[512];
      if (p[0].revents & POLLIN) {
        const ssize_t n = read(Master, buf, sizeof buf);
        if (n > 0) {
          for (ssize_t i = 0; i < n; ++i) Note(buf[i]);
          (void)!write(toChild[1], buf, static_cast<size_t>(n));
        }
      }
      if (p[1].revents & (POLLIN | POLLHUP)) {
        const ssize_t n = read(fromChild[0], buf, sizeof buf);
        if (n > 0) {
          const std::string out(reinterpret_cast<char*>(buf), static_cast<size_t>(n));
          Locked([&] { return TxBytes += out; });
          Send(out);
        }
        else
          childOpen = false;
      }
    }
    close(toChild[1]);
    close(fromChild[0]);
    if (Stopping) kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    Send("\r\nFile received\r\n");
  }

  Options Opts;
  int Master = -1;
  int HoldFd = -1;
  std::string Slave;
  std::thread Worker;
  std::atomic<bool> Stopping{false};
  mutable std::mutex Mutex;
  std::vector<std::string> CommandLines;
  std::map<std::string, std::string> Stored;
  std::string RxBytes;
  std::string TxBytes;
  int TransferCount = 0;
  int CancelBytes = 0;
};
