#pragma once
// SimProcess: a simulator in a child process, for benchmarks whose figures
// (CPU time, memory, descriptors, threads) must be the utility's alone.
//
// - Start() forks: call it before the process starts any thread (before the
//   QCoreApplication), since only the forking thread lives on in the child.
//   The child builds a talosim::Simulator with the options given, lets
//   prepare() fill its drive, prints the port path to the parent and serves
//   until the parent stops it (or ends).
// - Stop() ends the child and reaps it; the destructor does too.

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "sim/talosim.h"

class SimProcess {
 public:
  using Prepare = std::function<bool(talosim::Simulator&)>;

  SimProcess() = default;
  ~SimProcess() { Stop(); }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // False when the child could not start its simulator or prepare() failed.
  bool Start(const talosim::SimOptions& options, const Prepare& prepare = {}) {
    int toParent[2], fromParent[2];
    if (pipe(toParent) != 0) return false;
    if (pipe(fromParent) != 0) {
      close(toParent[0]);
      close(toParent[1]);
      return false;
    }
    Pid = fork();
    if (Pid == 0) {
      close(toParent[0]);
      close(fromParent[1]);
      talosim::Simulator controller(options);
      std::string line = "\n";
      if (controller.Start() && (!prepare || prepare(controller)))
        line = controller.SlavePath() + "\n";
      (void)!write(toParent[1], line.data(), line.size());
      char ignored;
      while (read(fromParent[0], &ignored, 1) > 0) {
      }
      controller.Stop();
      _exit(0);
    }
    close(toParent[1]);
    close(fromParent[0]);
    if (Pid < 0) {
      close(toParent[0]);
      close(fromParent[1]);
      return false;
    }
    Release = fromParent[1];
    char c;
    while (read(toParent[0], &c, 1) == 1 && c != '\n') Path += c;
    close(toParent[0]);
    return !Path.empty();
  }

  void Stop() {
    if (Release >= 0) close(Release);
    Release = -1;
    if (Pid > 0) waitpid(Pid, nullptr, 0);
    Pid = -1;
  }

  // The pty the utility opens as its port.
  const std::string& Port() const { return Path; }

 private:
  pid_t Pid = -1;
  int Release = -1;  // closing it ends the child
  std::string Path;
};
