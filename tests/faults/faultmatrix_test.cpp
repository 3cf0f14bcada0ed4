// The fault matrix: every fault the simulated controller can inject against
// every operation of the utility, through the device logic the windows and
// the command line share.
//
// Each row is one test of FaultMatrix. Nearly all of a cell's time is spent
// waiting for read time-outs, so FaultMatrixRun.everyRow runs the rows as
// child processes of this program, a few at a time, gathers their cells and
// prints the table and its summary line. Run alone (--gtest_filter), a row
// prints its own table.
#include "tests/faults/faultmatrix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "image/imagekeeper.h"
#include "image/imageprogress.h"
#include "image/imagetext.h"
#include "image/restoreworker.h"
#include "installation/taloappfolders.h"
#include "link/jobs/talothread.h"
#include "link/port/talocomport.h"
#include "link/shell/deviceshell.h"
#include "link/shell/shellline.h"
#include "link/taloconsole.h"
#include "link/terminal/taloterminal.h"
#include "module/diosession.h"
#include "module/diostartflow.h"
#include "module/diotext.h"
#include "netconf/netconfig.h"
#include "netconf/netconftext.h"
#include "remote/devicebrowser.h"
#include "remote/devicecli.h"
#include "remote/devicefilecommands.h"
#include "remote/devicelister.h"
#include "tests/faults/deviceoperations.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/simfixture.h"
#include "transfer/copytodevice.h"
#include "transfer/terminalprogress.h"
#include "transfer/transferbatch.h"
#include "transfer/transferfile.h"
#include "transfer/transferview.h"

using namespace faultmatrix;

namespace {

Matrix& TheMatrix() {
  static Matrix matrix;
  return matrix;
}

// A child process saves its row for the parent; run alone, a row prints it.
constexpr char kRowOutput[] = "TALO_FAULT_ROW_OUTPUT";
class MatrixPrinter : public ::testing::Environment {
 public:
  void TearDown() override {
    if (qEnvironmentVariableIsSet(kRowOutput))
      (void)TheMatrix().Save(qEnvironmentVariable(kRowOutput).toStdString());
    else if (!Gathered)
      TheMatrix().Print(stdout);
  }
  static inline bool Gathered = false;
};
const auto* const kPrinter = ::testing::AddGlobalTestEnvironment(new MatrixPrinter);

// The fault plan of one cell. The byte counts of the stall and the hang-up
// are counted from the moment the plan is set; each operation gives the
// count that lands in the middle of its exchange.
talosim::FaultPlan PlanFor(Fault fault, int64_t cutAfterBytes) {
  talosim::FaultPlan plan;
  switch (fault) {
    case Fault::NoEcho: plan.NoEcho = true; break;
    case Fault::WrongEcho: plan.WrongEchoEvery = 5; break;
    case Fault::Drop: plan.DropRate = 0.02; break;
    case Fault::Corrupt: plan.CorruptRate = 0.02; break;
    case Fault::NakBlock:
      plan.XmodemNakBlock = 1;
      plan.XmodemNakCount = 3;
      break;
    case Fault::CanBlock: plan.XmodemCanAtBlock = 1; break;
    case Fault::CorruptFrame:
      plan.BackupCorruptFrame = 2;
      plan.BackupCorruptTimes = 1000;
      break;
    case Fault::RestoreReply:
      plan.RestoreReply = "999";
      plan.RestoreReplyBlock = 2;
      break;
    case Fault::NoHelper: plan.ImageHelpersMissing = true; break;
    case Fault::Stall: plan.StallAfterBytes = cutAfterBytes; break;
    case Fault::HangUp: plan.HangUpAfterBytes = cutAfterBytes; break;
    case Fault::EchoThenNext: plan.WrongEchoEvery = 7; break;
  }
  return plan;
}

// What one row is made of: the faults that mean something to it, and the
// byte count after which its exchange is cut.
struct RowShape {
  std::vector<Fault> Faults;
  int64_t CutAfterBytes = 40;
  // The user types the command lines (the terminal): no line of the
  // utility's own to compare what ran with.
  bool UserTypes = false;
};

const std::vector<Fault> kShellFaults = {Fault::NoEcho,  Fault::WrongEcho, Fault::Drop,
                                         Fault::Corrupt, Fault::Stall,     Fault::HangUp,
                                         Fault::EchoThenNext};

std::vector<Fault> With(std::vector<Fault> faults, std::initializer_list<Fault> more) {
  faults.insert(faults.end(), more.begin(), more.end());
  return faults;
}

// Nothing ran that the utility did not type whole (a command line it
// stopped typing, completed by the next one, is in no console line), and the
// next operation's command lines run as they are typed.
void NextOperationRunsAsTyped(OperationWorld& world, bool userTypes, Findings& findings) {
  world.Sim().SetFaults({});
  // A line whose carriage return went out runs after the operation gave up.
  (void)world.Sim().WaitUntilIdle(std::chrono::seconds(3));
  const QString typed = world.Console.History.join(QLatin1Char('\n'));
  for (const std::string& ran : world.Sim().Commands())
    if (!userTypes && !typed.contains(QString::fromLatin1(ran)))
      findings.push_back("the shell ran '" + ran + "', which was never typed whole");
  const size_t before = world.Sim().Commands().size();
  DeviceBrowser browser(world.Shell);
  browser.Lister().SetTimeouts(DeviceOperations::PaneTimeouts());
  browser.PortChanged();
  const std::vector<std::string> all = world.Sim().Commands();
  const std::vector<std::string> next(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
  const std::vector<std::string> listing = {"d:", "cd\\", "dir"};
  if (next != listing) {
    std::string ran;
    for (const std::string& command : next) ran += "'" + command + "' ";
    findings.push_back("the next listing ran " + ran);
  }
}

class FaultMatrix : public ::testing::Test {
 protected:
  // Runs every applicable cell of one row and records it.
  void RunRow(const std::string& row, const RowShape& shape,
              const std::function<Operation()>& makeOperation) {
    for (Fault fault : shape.Faults) {
      Findings findings;
      RunCell(fault, shape, makeOperation(), findings);
      std::string joined;
      for (const std::string& f : findings) joined += (joined.empty() ? "" : "; ") + f;
      TheMatrix().Record(row, fault, findings.empty() ? Verdict::Held : Verdict::Failed, joined);
      EXPECT_TRUE(findings.empty()) << row << " x " << FaultName(fault) << ": " << joined;
    }
  }

 private:
  static void RunCell(Fault fault, const RowShape& shape, const Operation& operation,
                      Findings& findings) {
    const Resources before = Resources::Now();
    {
      OperationWorld world;
      if (!world.Start()) {
        findings.push_back("the simulator did not start: " + world.Harness.LastError());
        return;
      }
      operation.Prepare(world, findings);
      if (!findings.empty()) return;
      world.Dialogs.Messages.clear();
      world.Sim().SetFaults(PlanFor(fault, shape.CutAfterBytes));
      world.Fault = fault;
      operation.Act(world, findings);
      // A block refused a few times is sent again until it arrives.
      if (fault == Fault::NakBlock && !world.Done)
        findings.push_back("the upload gave up on a block the receiver asked for again");
      if (fault == Fault::EchoThenNext) NextOperationRunsAsTyped(world, shape.UserTypes, findings);
      // What the user was told, for a look at the cells behind the table.
      if (qEnvironmentVariableIsSet("TALO_FAULT_VERBOSE"))
        std::fprintf(stderr, "%s: controller sent %lld bytes; %s\n", FaultName(fault),
                     static_cast<long long>(world.Sim().SentSinceFaults()),
                     world.AllMessages().c_str());
      // The program stays usable: the same port opens again at once (after a
      // hang-up, that of a controller plugged in again on the same path).
      if (fault == Fault::HangUp) {
        if (!world.Start()) findings.push_back("no new simulator: " + world.Harness.LastError());
      } else {
        world.Sim().SetFaults({});
      }
      TaloComPort again(world.PortPath().toStdString());
      if (!again.Open()) findings.push_back("the port does not open again");
    }
    ShellLine::ForgetAll();
    const Resources after = Resources::SettledTo(before);
    if (after.Threads != before.Threads)
      findings.push_back("threads " + std::to_string(before.Threads) + " -> " +
                         std::to_string(after.Threads));
    if (after.Descriptors != before.Descriptors)
      findings.push_back("file descriptors " + std::to_string(before.Descriptors) + " -> " +
                         std::to_string(after.Descriptors));
  }
};

// ---- the rows ------------------------------------------------------------------

namespace Ops = DeviceOperations;

const std::vector<Fault> kUploadFaults = With(kShellFaults, {Fault::NakBlock, Fault::CanBlock});

TEST_F(FaultMatrix, listing) { RunRow("listing", {kShellFaults, 60}, Ops::Listing); }

TEST_F(FaultMatrix, fileCommand) { RunRow("file command", {kShellFaults, 30}, Ops::Rename); }

// A folder's: "dir/s".
TEST_F(FaultMatrix, properties) {
  RunRow("properties", {kShellFaults, 40}, Ops::FolderProperties);
}

// A file: "del" with its full path.
TEST_F(FaultMatrix, deleteFile) {
  RunRow("delete", {kShellFaults, 10}, [] { return Ops::Delete(false); });
}

TEST_F(FaultMatrix, viewText) { RunRow("view", {kShellFaults, 18}, Ops::View); }

TEST_F(FaultMatrix, getText) { RunRow("get text", {kShellFaults, 18}, Ops::GetText); }

// A program below the root: "d:", "cd\", "echo".
TEST_F(FaultMatrix, autorun) {
  RunRow("autorun", {kShellFaults, 30}, [] { return Ops::AutoRun(true); });
}

TEST_F(FaultMatrix, copy) { RunRow("copy", {kUploadFaults, 27}, [] { return Ops::Copy(1); }); }

TEST_F(FaultMatrix, settingsUpdate) {
  RunRow("settings update", {kUploadFaults, 38}, Ops::SettingsUpdate);
}

TEST_F(FaultMatrix, accountUpdate) {
  RunRow("account update", {kUploadFaults, 38}, Ops::AccountUpdate);
}

TEST_F(FaultMatrix, systemInitialisation) {
  RunRow("system initialisation", {kUploadFaults, 200}, Ops::SystemInitialisation);
}

TEST_F(FaultMatrix, backup) {
  RunRow("backup", {With(kUploadFaults, {Fault::CorruptFrame, Fault::NoHelper}), 40'000},
         Ops::Backup);
}

TEST_F(FaultMatrix, restore) {
  RunRow("restore", {With(kUploadFaults, {Fault::RestoreReply, Fault::NoHelper}), 600},
         Ops::Restore);
}

TEST_F(FaultMatrix, dioStartAndPoll) {
  RunRow("DIO start and poll", {kUploadFaults, 290}, [] {
    return Ops::Dio({4, false, [](uint32_t ms) {
                       std::this_thread::sleep_for(
                           std::chrono::milliseconds(std::min<uint32_t>(ms, 20)));
                     }});
  });
}

TEST_F(FaultMatrix, terminal) { RunRow("terminal", {kShellFaults, 30, true}, Ops::Terminal); }

// ---- all rows ------------------------------------------------------------------------

// The rows in the order of the table: test name and the label its cells carry.
const std::vector<std::pair<const char*, const char*>> kRows = {
    {"listing", "listing"},
    {"fileCommand", "file command"},
    {"properties", "properties"},
    {"deleteFile", "delete"},
    {"viewText", "view"},
    {"getText", "get text"},
    {"autorun", "autorun"},
    {"copy", "copy"},
    {"settingsUpdate", "settings update"},
    {"accountUpdate", "account update"},
    {"systemInitialisation", "system initialisation"},
    {"backup", "backup"},
    {"restore", "restore"},
    {"dioStartAndPoll", "DIO start and poll"},
    {"terminal", "terminal"},
};
constexpr int kRowsAtOnce = 4;

// Starts this program on one row, its output to /dev/null (the table carries
// each cell's findings; sanitizer reports come on the error channel and show
// in the suite's output). -1 when it could not be started.
pid_t StartRow(const char* testName, const std::string& outputPath) {
  const std::string self = QCoreApplication::applicationFilePath().toStdString();
  const std::string filter = std::string("--gtest_filter=FaultMatrix.") + testName;
  std::string output = kRowOutput;
  output.append(1, '=').append(outputPath);
  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) environment.emplace_back(*entry);
  environment.push_back(output);
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::vector<char*> argv = {const_cast<char*>(self.c_str()), const_cast<char*>(filter.c_str()),
                             nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int started = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return started == 0 ? pid : -1;
}

TEST(FaultMatrixRun, everyRow) {
  if (qEnvironmentVariableIsSet(kRowOutput)) GTEST_SKIP() << "a row's own process";
  QTemporaryDir outputs;
  ASSERT_TRUE(outputs.isValid());
  struct Child {
    pid_t Pid = -1;
    bool Done = false;
    int Status = 0;
    std::string Output;
  };
  std::vector<Child> children(kRows.size());
  size_t next = 0, running = 0;
  // Each row ends on its own; the deadline only keeps a hung row from hanging
  // the suite (ctest's own time-out is the last resort).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(4);
  while ((next < kRows.size() || running > 0) && std::chrono::steady_clock::now() < deadline) {
    while (running < kRowsAtOnce && next < kRows.size()) {
      Child& child = children[next];
      child.Output = outputs.filePath(QString::number(next)).toStdString();
      child.Pid = StartRow(kRows[next].first, child.Output);
      child.Done = child.Pid < 0;
      running += child.Pid >= 0;
      ++next;
    }
    for (size_t i = 0; i < next; ++i) {
      Child& child = children[i];
      if (child.Done || waitpid(child.Pid, &child.Status, WNOHANG) != child.Pid) continue;
      child.Done = true;
      --running;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  for (size_t i = 0; i < kRows.size(); ++i) {
    Child& child = children[i];
    const char* row = kRows[i].second;
    if (child.Pid < 0) {
      TheMatrix().RecordBrokenRow(row, i < next ? "its process could not be started"
                                                : "not started before the deadline");
      continue;
    }
    if (!child.Done) {
      kill(child.Pid, SIGKILL);
      waitpid(child.Pid, &child.Status, 0);
      TheMatrix().RecordBrokenRow(row, "still running at the deadline");
      continue;
    }
    const int failedBefore = TheMatrix().Failed();
    if (!WIFEXITED(child.Status))
      TheMatrix().RecordBrokenRow(row, "its process crashed");
    else if (!TheMatrix().Load(child.Output))
      TheMatrix().RecordBrokenRow(row, "its process left no cells");
    // A row process that failed without a failed cell met something else:
    // a sanitizer finding, for one.
    else if (WEXITSTATUS(child.Status) != 0 && TheMatrix().Failed() == failedBefore)
      TheMatrix().RecordBrokenRow(
          row, "its process ended with status " + std::to_string(WEXITSTATUS(child.Status)));
  }
  MatrixPrinter::Gathered = true;
  TheMatrix().Print(stdout);
  EXPECT_EQ(TheMatrix().Failed(), 0) << "see the table above";
}

}  // namespace
