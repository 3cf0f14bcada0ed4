#pragma once
// ScriptedShell: the controller's command shell played by a test thread on a
// pty, for the tests that need a shell answering as scripted, or failing to,
// rather than the simulator's.
//
// It echoes every byte it reads (unless told not to, or told to echo a wrong
// byte); a backspace deletes a typed byte and echoes BS blank BS, and on an
// empty line is ignored without an echo, as a DOS shell's line input does.
// After the CR of a command line, it writes what the answer returns:
// by default a line feed and the prompt. The answer runs on the shell's
// thread and may use the line itself, as a receiving program does, until the
// shell is stopping. The accessors are thread-safe; the line is held until
// destruction.

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/ptypair.h"

class ScriptedShell {
 public:
  using Answer = std::function<std::string(const std::string& commandLine, PtyPair& line,
                                           const std::atomic<bool>& stopping)>;

  // Each listed command answers with its output, any other with nothing;
  // both followed by the prompt.
  static Answer Outputs(std::map<std::string, std::string> outputs = {}) {
    return [outputs = std::move(outputs)](const std::string& command, PtyPair&, const auto&) {
      const auto found = outputs.find(command);
      return "\n" + (found == outputs.end() ? std::string() : found->second) + "D:\\>";
    };
  }

  explicit ScriptedShell(Answer answer = Outputs()) : Reply(std::move(answer)) {
    Worker = std::thread([this] { Serve(); });
  }
  ~ScriptedShell() {
    Stop = true;
    Worker.join();
  }
  ScriptedShell(const ScriptedShell&) = delete;
  ScriptedShell& operator=(const ScriptedShell&) = delete;

  const std::string& Path() const { return Line.SlavePath(); }
  // Writes towards the port outside any answer (stale output, boot text).
  bool Emit(const std::string& bytes) { return Line.Write(bytes); }
  // No echo and no answer at all (a program is running), or wrongEcho in
  // place of every byte.
  void SetEcho(bool echo, char wrongEcho = 0) {
    WrongEcho = wrongEcho;
    Echo = echo;
  }
  std::vector<std::string> Commands() const {
    std::lock_guard lock(Guard);
    return Seen;
  }
  // Every byte the shell itself read (not what an answer read).
  std::string Received() const {
    std::lock_guard lock(Guard);
    return Got;
  }

 private:
  void Serve() {
    std::string typed;
    while (!Stop) {
      const std::string in = Line.Read(1, 10);
      if (in.empty()) continue;
      {
        std::lock_guard lock(Guard);
        Got += in;
      }
      if (!Echo) continue;
      if (in[0] == '\b') {
        if (typed.empty()) continue;
        typed.pop_back();
        Line.Write(WrongEcho ? std::string(1, WrongEcho.load()) : std::string("\b \b"));
        continue;
      }
      Line.Write(WrongEcho ? std::string(1, WrongEcho.load()) : in);
      if (in[0] != '\r') {
        typed += in;
        continue;
      }
      {
        std::lock_guard lock(Guard);
        Seen.push_back(typed);
      }
      Line.Write(Reply(typed, Line, Stop));
      typed.clear();
    }
  }

  PtyPair Line;
  Answer Reply;
  std::atomic<bool> Echo{true};
  std::atomic<char> WrongEcho{0};
  std::atomic<bool> Stop{false};
  mutable std::mutex Guard;
  std::vector<std::string> Seen;
  std::string Got;
  std::thread Worker;
};
