#pragma once
// SimTerminal: a bare raw terminal on a pty for tests that talk to the
// simulator byte by byte, without the product's port class.
// Every read has a deadline; nothing here can hang a test.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>

class SimTerminal {
 public:
  using Millis = std::chrono::milliseconds;

  SimTerminal() = default;
  explicit SimTerminal(const std::string& path) { Open(path); }
  ~SimTerminal() { Close(); }
  SimTerminal(const SimTerminal&) = delete;
  SimTerminal& operator=(const SimTerminal&) = delete;

  bool Open(const std::string& path) {
    Close();
    Fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (Fd < 0) return false;
    termios mode{};
    tcgetattr(Fd, &mode);
    cfmakeraw(&mode);
    tcsetattr(Fd, TCSANOW, &mode);
    return true;
  }
  void Close() {
    if (Fd >= 0) close(Fd);
    Fd = -1;
  }
  bool IsOpen() const { return Fd >= 0; }
  int Descriptor() const { return Fd; }

  bool Write(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t done = write(Fd, bytes.data(), bytes.size());
      if (done <= 0) return false;
      bytes.remove_prefix(static_cast<size_t>(done));
    }
    return true;
  }

  // Reads until the line has been quiet for `quiet`, or `total` has passed.
  std::string ReadQuiet(Millis quiet = Millis(150), Millis total = Millis(5000)) {
    std::string out;
    const auto end = std::chrono::steady_clock::now() + total;
    while (std::chrono::steady_clock::now() < end) {
      if (!WaitReadable(quiet)) break;
      if (!ReadSome(out)) break;
    }
    return out;
  }

  // Reads until the text read ends with `marker`, or the timeout passes.
  std::string ReadUntil(std::string_view marker, Millis timeout = Millis(5000)) {
    return ReadUntilDone([&](const std::string& text) { return EndsWith(text, marker); }, timeout);
  }

  // Exactly count bytes unless `gap` passes without one; returns what came.
  std::string ReadExact(size_t count, Millis gap = Millis(2000)) {
    std::string out;
    char buffer[4096];
    while (out.size() < count && WaitReadable(gap)) {
      const ssize_t got = read(Fd, buffer, std::min(sizeof buffer, count - out.size()));
      if (got <= 0) break;
      out.append(buffer, static_cast<size_t>(got));
    }
    return out;
  }

  // One byte within the timeout, or -1.
  int ReadByte(Millis timeout = Millis(2000)) {
    if (!WaitReadable(timeout)) return -1;
    unsigned char byte = 0;
    return read(Fd, &byte, 1) == 1 ? byte : -1;
  }

  // Types a command line as the utility does: one byte, then its echo.
  // False at the first missing or wrong echo.
  bool TypeEchoed(std::string_view line, Millis timeout = Millis(2000)) {
    for (char c : line) {
      if (!Write(std::string_view(&c, 1))) return false;
      if (ReadByte(timeout) != static_cast<unsigned char>(c)) return false;
    }
    return true;
  }

  // Types `command` and CR with echo check and returns what the shell
  // printed up to and including the prompt (ending in ">"), or "" when the
  // echo failed.
  std::string Command(std::string_view command, Millis timeout = Millis(5000)) {
    if (!TypeEchoed(std::string(command) + "\r")) return {};
    return ReadUntilPrompt(timeout);
  }

  // Reads until a prompt such as D:\DATA> ends the text read so far.
  std::string ReadUntilPrompt(Millis timeout = Millis(5000)) {
    return ReadUntilDone(&EndsWithPrompt, timeout);
  }

  static bool EndsWithPrompt(const std::string& text) {
    if (text.empty() || text.back() != '>') return false;
    const size_t lineStart = text.find_last_of('\n');
    const std::string last = text.substr(lineStart == std::string::npos ? 0 : lineStart + 1);
    return last.size() >= 4 && (last.rfind("C:\\", 0) == 0 || last.rfind("D:\\", 0) == 0);
  }

 private:
  template <typename Done>
  std::string ReadUntilDone(Done done, Millis timeout) {
    std::string out;
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done(out)) {
      const auto left = std::chrono::duration_cast<Millis>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0 || !WaitReadable(left) || !ReadSome(out)) break;
    }
    return out;
  }
  static bool EndsWith(const std::string& text, std::string_view tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
  }
  bool WaitReadable(Millis timeout) {
    pollfd fd{Fd, POLLIN, 0};
    return poll(&fd, 1, static_cast<int>(timeout.count())) > 0 && (fd.revents & POLLIN);
  }
  bool ReadSome(std::string& out) {
    char buffer[4096];
    const ssize_t got = read(Fd, buffer, sizeof buffer);
    if (got <= 0) return false;
    out.append(buffer, static_cast<size_t>(got));
    return true;
  }

  int Fd = -1;
};
