// "C:\transfer /R <target>": receives one file by XMODEM into the target,
// or hands the line to an outside receiver command.

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <vector>

#include "sim/programs.h"
#include "sim/shelltexts.h"
#include "sim/xmodemreceiver.h"

extern char** environ;

namespace talosim {
namespace {

struct TransferTarget {
  char Drive = 'D';
  DosPath Path;  // folder names and the file name
  std::string Error;
};

// The target as a DOS program would open it: relative to the drive's current
// folder, with over-long name parts cut to 8.3.
TransferTarget ResolveTarget(ControllerContext& context, const std::string& text) {
  TransferTarget target;
  const ParsedPath parsed = ParseDosPath(text);
  target.Drive = parsed.Drive.value_or(context.Location.Drive);
  if (target.Drive != 'C' && target.Drive != 'D') {
    target.Error = ShellText::kInvalidDrive;
    return target;
  }
  if (parsed.Parts.empty()) {
    target.Error = ShellText::kInvalidFileName;
    return target;
  }
  std::vector<std::string> folderParts = parsed.Parts;
  const auto name = NormalizeDosName(folderParts.back(), NameRule::Truncate);
  folderParts.pop_back();
  if (!name) {
    target.Error = ShellText::kInvalidFileName;
    return target;
  }
  std::lock_guard lock(context.State.Mutex);
  const auto folder =
      ResolveDosPath(parsed.Absolute ? DosPath{} : context.Location.Cwd(target.Drive), folderParts);
  const VirtualDisk& disk = context.Disk(target.Drive);
  if (!folder || !disk.IsFolder(*folder)) {
    target.Error = ShellText::kPathNotFound;
    return target;
  }
  target.Path = *folder;
  target.Path.push_back(*name);
  if (disk.IsReadOnly()) target.Error = ShellText::kAccessDenied;
  const DiskEntry* existing = disk.Find(target.Path);
  if (existing && existing->IsDir) target.Error = ShellText::kAccessDenied;
  return target;
}

// Room for the file: free space plus what replacing an existing file frees.
uint64_t RoomFor(ControllerContext& context, const TransferTarget& target) {
  std::lock_guard lock(context.State.Mutex);
  const VirtualDisk& disk = context.Disk(target.Drive);
  const DiskEntry* existing = disk.Find(target.Path);
  return disk.FreeBytes() + (existing ? disk.ClusterBytesFor(existing->Data.size()) : 0);
}

// Copies what is readable on from to to; false when from has ended.
bool Relay(int from, int to) {
  char buffer[4096];
  const ssize_t got = read(from, buffer, sizeof buffer);
  if (got == 0) return false;
  if (got < 0) return errno == EAGAIN || errno == EINTR;
  for (ssize_t done = 0; done < got;) {
    const ssize_t put = write(to, buffer + done, static_cast<size_t>(got - done));
    if (put > 0) {
      done += put;
    } else if (put < 0 && errno != EAGAIN && errno != EINTR) {
      return false;
    } else {
      pollfd ready{to, POLLOUT, 0};
      (void)poll(&ready, 1, 50);
    }
  }
  return true;
}

// Runs the outside receiver with the line as its standard input and output.
// The target's last part goes in $TALO_TARGET_NAME (and is appended as the
// command's last argument), the target as typed in $TALO_TARGET.
//
// The receiver gets a pair of pipes that the simulator relays to the line,
// never the line itself: a receiver that flushes or resets its terminal on
// the way out (lrzsz does) would otherwise throw away its own last ACK.
void RunOutsideReceiver(ControllerContext& context, const std::string& command, const std::string& targetText,
                        const std::string& targetName) {
  PtyLine& line = context.Port.RawLine();
  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) environment.emplace_back(*entry);
  environment.push_back("TALO_TARGET=" + targetText);
  environment.push_back("TALO_TARGET_NAME=" + targetName);
  std::vector<char*> envp;
  for (auto& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string script = command + " \"$TALO_TARGET_NAME\"";
  char shell[] = "/bin/sh", dashC[] = "-c";
  char* argv[] = {shell, dashC, script.data(), nullptr};

  int toChild[2] = {-1, -1}, fromChild[2] = {-1, -1};
  if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) {
    for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]})
      if (fd >= 0) close(fd);
    context.Port.Write("Cannot start the receiver.\r\n");
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
  posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setpgroup(&attributes, 0);  // its own group, so that a stop ends all of it
  // The simulator's program blocks its ending signals in every thread; the
  // receiver must not inherit that.
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
  pid_t child = -1;
  const int spawned = posix_spawn(&child, "/bin/sh", &actions, &attributes, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(toChild[0]);
  close(fromChild[1]);
  fcntl(fromChild[0], F_SETFL, O_NONBLOCK);
  // A receiver that has quit leaves a broken pipe: the write fails with EPIPE,
  // and the signal must not end the simulator (or the test that hosts it).
  sigset_t pipeSignal, previous;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  int status = 0;
  if (spawned == 0) {
    bool childOutput = true;
    for (;;) {
      pollfd fds[2] = {{line.MasterFd(), POLLIN, 0}, {fromChild[0], POLLIN, 0}};
      (void)poll(fds, childOutput ? 2 : 1, 20);
      if (fds[0].revents & POLLIN) (void)Relay(line.MasterFd(), toChild[1]);
      if (childOutput && (fds[1].revents & (POLLIN | POLLHUP)))
        childOutput = Relay(fromChild[0], line.MasterFd());
      if (!childOutput && waitpid(child, &status, WNOHANG) == child) break;
      if (line.StopRequested()) {
        kill(-child, SIGTERM);
        usleep(100000);
        kill(-child, SIGKILL);
        waitpid(child, &status, 0);
        break;
      }
    }
  }
  close(toChild[1]);
  close(fromChild[0]);
  const timespec now{0, 0};
  while (sigtimedwait(&pipeSignal, nullptr, &now) == SIGPIPE) {
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (spawned != 0)
    context.Port.Write("Cannot start the receiver.\r\n");
  else if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
    context.Port.Write("Transfer complete.\r\n");
  else
    context.Port.Write("Transfer failed.\r\n");
}

std::string ReceiverClosingLine(XmodemReceiver::Outcome outcome, const std::string& name, size_t bytes) {
  switch (outcome) {
    case XmodemReceiver::Outcome::Received:
      return "Received " + name + ", " + std::to_string(bytes) + " bytes.";
    case XmodemReceiver::Outcome::Cancelled:
      return "Transfer cancelled by the sender.";
    case XmodemReceiver::Outcome::CancelledByUs:
      return "Transfer cancelled.";
    case XmodemReceiver::Outcome::NoSender:
      return "No sender, transfer aborted.";
    case XmodemReceiver::Outcome::NoRoom:
      return std::string(ShellText::kDiskFull) + ", transfer aborted.";
    case XmodemReceiver::Outcome::Failed:
      break;
  }
  return "Transfer failed.";
}

}  // namespace

void RunTransfer(ControllerContext& context, std::string_view args) {
  // 1. "/R" and the target.
  const std::string text = Trim(args);
  if (text.size() < 2 || text[0] != '/' || std::toupper(static_cast<unsigned char>(text[1])) != 'R' ||
      Trim(text.substr(2)).empty()) {
    context.Port.Write("Usage: TRANSFER /R filename\r\n");
    return;
  }
  const std::string targetText = Trim(text.substr(2));
  // The outside receiver stores where it likes: the drive is not consulted.
  if (!context.Options.XmodemReceiverCommand.empty()) {
    const size_t slash = targetText.find_last_of("\\:");
    RunOutsideReceiver(context, context.Options.XmodemReceiverCommand, targetText,
                       slash == std::string::npos ? targetText : targetText.substr(slash + 1));
    return;
  }
  const TransferTarget target = ResolveTarget(context, targetText);
  if (!target.Error.empty()) {
    context.Port.Write(target.Error + "\r\n");
    return;
  }
  // 2. Receive.
  XmodemReceiver receiver(context.Port, context.Times, context.Port.Faults(), RoomFor(context, target));
  std::string data;
  XmodemReceiver::Outcome outcome = receiver.Receive(data);
  if (!context.Port.Alive()) return;
  // 3. Store the file whole, or not at all.
  if (outcome == XmodemReceiver::Outcome::Received) {
    const int64_t keep = context.Port.Faults().XmodemStoreBytes;
    if (keep >= 0 && static_cast<uint64_t>(keep) < data.size()) data.resize(static_cast<size_t>(keep));
    std::lock_guard lock(context.State.Mutex);
    if (context.Disk(target.Drive).WriteFile(target.Path, data, false, context.State.Now()) != DiskStatus::Ok)
      outcome = XmodemReceiver::Outcome::NoRoom;
  }
  // Let the sender's last bytes (repeated EOTs, CANs) pass before the prompt.
  context.Port.Purge(context.Times.ByteGap / 3);
  context.Port.Write(ReceiverClosingLine(outcome, target.Path.back(), data.size()) + "\r\n");
}

}  // namespace talosim
