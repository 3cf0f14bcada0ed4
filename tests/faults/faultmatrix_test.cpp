// The fault matrix: every fault the simulated controller can inject against
// every operation of the utility, through the device logic the windows and
// the command line share.
//
// Each row is one test of FaultMatrix. Nearly all of a cell's time is spent
// waiting for read time-outs, so FaultMatrixRun.everyRow runs the rows as
// child processes of this program, a few at a time, gathers their cells and
// prints the table and its summary line. Run alone (--gtest_filter), a row
// prints its own table.
#include "faultmatrix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "devicebrowser.h"
#include "devicefilecommands.h"
#include "devicelister.h"
#include "devicetextfile.h"
#include "deviceshell.h"
#include "diosession.h"
#include "diostartflow.h"
#include "diotext.h"
#include "imagekeeper.h"
#include "imageprogress.h"
#include "imagetext.h"
#include "taloghostresthread.h"
#include "netconfig.h"
#include "netconftext.h"
#include "devicecli.h"
#include "recordingconsole.h"
#include "scripteddialogs.h"
#include "simfixture.h"
#include "taloappdir.h"
#include "talocomport.h"
#include "taloconsole.h"
#include "taloterminal.h"
#include "talothread.h"
#include "terminalprogress.h"
#include "transferbatch.h"
#include "transferfile.h"
#include "transferview.h"
#include "copytodevice.h"

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

std::string ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray all = file.readAll();
  return std::string(all.constData(), static_cast<size_t>(all.size()));
}

bool WriteAll(const QString& path, const std::string& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) &&
         file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
             static_cast<qint64>(bytes.size());
}

std::string Padded(std::string bytes) {
  bytes.resize((bytes.size() + 127) / 128 * 128, '\0');
  return bytes;
}

std::string Pattern(size_t size, char seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + (i * 7) % 61);
  return bytes;
}

void Pump() {
  QCoreApplication::processEvents();
  TaloThread::ServeMainThread();
}

// Runs a transfer batch at once, as a dialog whose first timer tick has come.
class DirectView : public TransferView {
 public:
  void ShowFile(const QString&, int, int) override {}
  void ShowProgress(int, int64_t, int64_t) override {}
  void ProcessEvents() override { Pump(); }
};
class DirectPresenter : public TransferPresenter {
 public:
  void Present(TransferBatch& batch, bool) override { batch.Run(View); }
  DirectView View;
};

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
  }
  return plan;
}

// What one row is made of: the faults that mean something to it, and the
// byte count after which its exchange is cut.
struct RowShape {
  std::vector<Fault> Faults;
  int64_t CutAfterBytes = 40;
};

const std::vector<Fault> kShellFaults = {Fault::NoEcho, Fault::WrongEcho, Fault::Drop,
                                         Fault::Corrupt, Fault::Stall, Fault::HangUp};

std::vector<Fault> With(std::vector<Fault> faults, std::initializer_list<Fault> more) {
  faults.insert(faults.end(), more.begin(), more.end());
  return faults;
}

// One cell's world: an installation folder, a PC work folder, the simulator
// and the seams through which the operations reach a person.
class CellWorld {
 public:
  CellWorld() {
    Root = Home.path() + QStringLiteral("/home");
    qputenv("TALO7100_HOME", Root.toLocal8Bit());
    Prepared = TaloAppDir::PrepareInstallationFolder(
        Root, {QStringLiteral(TALO_SHARE_DIR "/defaults"), QStringLiteral(TALO_SHARE_DIR "/demo")});
    Shell.SetSelectedPort(QString::fromStdString(Harness.PortPath()));
  }
  ~CellWorld() { qunsetenv("TALO7100_HOME"); }

  bool Start() {
    talosim::SimOptions options = SimHarness::DefaultOptions();
    options.ModuleInputs = 0x0A;
    return Prepared && Harness.Start(options);
  }
  talosim::Simulator& Sim() { return Harness.Sim(); }
  QString PortPath() const { return QString::fromStdString(Harness.PortPath()); }
  QString WorkFile(const QString& name) const { return Work.filePath(name); }

  // Every message the user was shown, one per line.
  std::string AllMessages() const {
    std::string text;
    for (const auto& m : Dialogs.Messages) text += "[" + m.Text.toStdString() + "] ";
    return text;
  }
  bool Shown(const QString& text) const {
    for (const auto& m : Dialogs.Messages)
      if (m.Text == text) return true;
    return false;
  }
  bool ErrorShown() const {
    for (const auto& m : Dialogs.Messages)
      if ((m.Type == ScriptedDialogs::Message::Error ||
           m.Type == ScriptedDialogs::Message::Warning) &&
          !m.Text.trimmed().isEmpty())
        return true;
    return false;
  }

  QTemporaryDir Home;
  QTemporaryDir Work;
  QString Root;
  bool Prepared = false;
  SimHarness Harness;
  RecordingConsole Console;
  ScriptedDialogs Dialogs;
  DeviceShell Shell{Console, Dialogs};
  DirectPresenter Presenter;
};

// Whether the last operation reported success.
bool LastDone = false;

// The listing, file command and properties rows share the pane's logic.
DeviceTimeouts QuickListing() {
  DeviceTimeouts t;
  t.ListingMs = 50;
  t.FileCommandMs = 50;
  t.DeviceCommandMs = 50;
  t.FormatMs = 50;
  t.PromptBudgetMs = 150;
  return t;
}

// An operation as a cell runs it: Prepare sets the drive and the PC files up
// (no fault yet); Act runs the operation with the fault in place and checks
// what the user was told against what the drive and the PC files hold.
struct Operation {
  std::function<void(CellWorld&, Findings&)> Prepare;
  std::function<void(CellWorld&, Findings&)> Act;
};

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

  // The fault of the cell being run.
  static inline Fault CurrentFault = Fault::NoEcho;

 private:
  static void RunCell(Fault fault, const RowShape& shape, const Operation& operation,
                      Findings& findings) {
    const Resources before = Resources::Now();
    {
      CellWorld world;
      if (!world.Start()) {
        findings.push_back("the simulator did not start: " + world.Harness.LastError());
        return;
      }
      operation.Prepare(world, findings);
      if (!findings.empty()) return;
      world.Dialogs.Messages.clear();
      world.Sim().SetFaults(PlanFor(fault, shape.CutAfterBytes));
      CurrentFault = fault;
      LastDone = false;
      operation.Act(world, findings);
      // A block refused a few times is sent again until it arrives.
      if (fault == Fault::NakBlock && !LastDone)
        findings.push_back("the upload gave up on a block the receiver asked for again");
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
    const Resources after = Resources::SettledTo(before);
    if (after.Threads != before.Threads)
      findings.push_back("threads " + std::to_string(before.Threads) + " -> " +
                         std::to_string(after.Threads));
    if (after.Descriptors != before.Descriptors)
      findings.push_back("file descriptors " + std::to_string(before.Descriptors) + " -> " +
                         std::to_string(after.Descriptors));
  }
};

// A failure must have told the user, in an error or warning box.
void ExpectToldOrDone(CellWorld& world, bool done, Findings& findings, const char* what) {
  LastDone = done;
  if (!done && !world.ErrorShown())
    findings.push_back(std::string(what) + " failed without a message: " + world.AllMessages());
}

// ---- listing ----------------------------------------------------------------

const QStringList kRootNames = {"DATA", "LOG", "A.TXT", "B.BIN", "C.DAT"};

void PrepareDrive(CellWorld& world, Findings& findings) {
  bool ok = world.Sim().PutFile("\\A.TXT", "alpha") &&
            world.Sim().PutFile("\\B.BIN", Pattern(900, 'b')) &&
            world.Sim().PutFile("\\C.DAT", Pattern(40, 'c')) &&
            world.Sim().PutFile("\\DATA\\D1.TXT", Pattern(300, 'd')) &&
            world.Sim().PutFile("\\DATA\\SUB\\D2.TXT", Pattern(200, 'e')) &&
            world.Sim().MakeDir("\\LOG");
  if (!ok) findings.push_back("the drive could not be prepared");
}

QStringList Names(const DeviceBrowser& browser) {
  QStringList names;
  for (const PShellItem& item : browser.DeviceItems()) names.append(item.Name);
  return names;
}

// The drive prepared and its root listed through a new browser, as the pane
// has it before a file command or the properties.
void PrepareListedRoot(CellWorld& world, Findings& findings, std::unique_ptr<DeviceBrowser>& browser) {
  PrepareDrive(world, findings);
  browser = std::make_unique<DeviceBrowser>(world.Shell);
  browser->Lister().SetTimeouts(QuickListing());
  browser->PortChanged();
  // No fault is set yet: a listing that failed here lost a race with a
  // loaded machine (the time-outs are short), so it is simply tried again.
  for (int again = 0; again < 2 && Names(*browser) != kRootNames; ++again) browser->Refresh();
  if (Names(*browser) != kRootNames) findings.push_back("no clean listing first");
}

TEST_F(FaultMatrix, listing) {
  RunRow("listing", {kShellFaults, 60}, [] {
    return Operation{PrepareDrive, [](CellWorld& world, Findings& findings) {
                       DeviceBrowser browser(world.Shell);
                       browser.Lister().SetTimeouts(QuickListing());
                       browser.PortChanged();
                       const bool whole = browser.LastListingRead() && !world.ErrorShown();
                       // A listing shown without a message must be the folder's content.
                       if (whole && Names(browser) != kRootNames)
                         findings.push_back("a partial listing passed as whole: " +
                                            Names(browser).join(',').toStdString());
                       if (!browser.LastListingRead() &&
                           (browser.ItemCount() != 0 || browser.DeviceFreeBytes() != 0))
                         findings.push_back("a failed listing left entries or free space behind");
                       ExpectToldOrDone(world, whole, findings, "the listing");
                       if (world.Dialogs.BusyDepth != 0) findings.push_back("busy cursor left on");
                     }};
  });
}

// An operation of the pane's file commands: the drive prepared and its root
// listed (then more, when given), the command run on the browser that holds
// the listing.
using PaneStep = std::function<void(DeviceBrowser&, CellWorld&, Findings&)>;
Operation PaneOperation(const PaneStep& act, const PaneStep& prepareMore = {}) {
  auto browser = std::make_shared<std::unique_ptr<DeviceBrowser>>();
  return Operation{[browser, prepareMore](CellWorld& world, Findings& findings) {
                     PrepareListedRoot(world, findings, *browser);
                     if (prepareMore) prepareMore(**browser, world, findings);
                   },
                   [browser, act](CellWorld& world, Findings& findings) {
                     act(**browser, world, findings);
                     browser->reset();
                   }};
}

// ---- file command (rename) ----------------------------------------------------

TEST_F(FaultMatrix, fileCommand) {
  RunRow("file command", {kShellFaults, 30}, [] {
    return PaneOperation([](DeviceBrowser& browser, CellWorld& world, Findings& findings) {
      DeviceFileCommands commands(browser, world.Shell);
      world.Dialogs.NameAnswers.push_back(QStringLiteral("NEW.TXT"));
      const bool done = commands.Rename1Click(browser.IndexOfName("A.TXT"));
      const bool renamed = world.Sim().Exists("\\NEW.TXT");
      if (done && !renamed) findings.push_back("rename reported done, the file is not renamed");
      const auto kept = world.Sim().GetFile(renamed ? "\\NEW.TXT" : "\\A.TXT");
      if (kept != std::optional<std::string>("alpha")) findings.push_back("the file was lost");
      ExpectToldOrDone(world, done, findings, "rename");
    });
  });
}

// ---- properties (a folder: "dir/s") -------------------------------------------

TEST_F(FaultMatrix, properties) {
  RunRow("properties", {kShellFaults, 40}, [] {
    return PaneOperation([](DeviceBrowser& browser, CellWorld& world, Findings& findings) {
      DeviceFileCommands commands(browser, world.Shell);
      std::optional<DeviceProperties> shown;
      commands.SetPropertiesView([&](const DeviceProperties& p) { shown = p; });
      commands.Properities1Click(browser.IndexOfName("DATA"));
      const bool counted = shown && !shown->PropContains.isEmpty();
      // Figures shown must be the folder's: 2 files, 1 folder, 500 bytes.
      if (counted && !world.ErrorShown() &&
          (shown->PropContains != "2 file(s), 1 folder(s)" || shown->PropSize != "500 byte(s)"))
        findings.push_back("wrong figures shown without a message: " +
                           shown->PropContains.toStdString() + ", " +
                           shown->PropSize.toStdString());
      ExpectToldOrDone(world, counted, findings, "the count");
    });
  });
}

// ---- delete (a file: "del" with its full path) ---------------------------------

TEST_F(FaultMatrix, deleteFile) {
  RunRow("delete", {kShellFaults, 10}, [] {
    return PaneOperation([](DeviceBrowser& browser, CellWorld& world, Findings& findings) {
      DeviceFileCommands commands(browser, world.Shell);
      const bool done = commands.Delete1Click(browser.IndexOfName("A.TXT"));
      if (done && world.Sim().Exists("\\A.TXT"))
        findings.push_back("delete reported done, the file is still there");
      if (world.Sim().GetFile("\\DATA\\D1.TXT") != Pattern(300, 'd') ||
          world.Sim().GetFile("\\C.DAT") != Pattern(40, 'c'))
        findings.push_back("another file was lost");
      ExpectToldOrDone(world, done, findings, "delete");
    });
  });
}

// ---- view (a text file: "type" with its full path) ----------------------------

TEST_F(FaultMatrix, viewText) {
  RunRow("view", {kShellFaults, 18}, [] {
    return PaneOperation([](DeviceBrowser& browser, CellWorld& world, Findings& findings) {
      const std::optional<QByteArray> text =
          DeviceTextFile::ReadItem(browser, browser.IndexOfName("A.TXT"));
      if (text && *text != "alpha")
        findings.push_back("a wrong or partial text passed as whole: " + text->toStdString());
      ExpectToldOrDone(world, text.has_value(), findings, "view");
    });
  });
}

// ---- autorun (a program below the root: "d:", "cd\", "echo") -------------------

TEST_F(FaultMatrix, autorun) {
  RunRow("autorun", {kShellFaults, 30}, [] {
    return PaneOperation(
        [](DeviceBrowser& browser, CellWorld& world, Findings& findings) {
          DeviceFileCommands commands(browser, world.Shell);
          const bool done = commands.Talo7100TCP1Click(browser.IndexOfName("RUN.EXE"));
          const auto batch = world.Sim().GetFile("\\AUTORUN.BAT");
          if (done && batch != std::optional<std::string>("\\DATA\\RUN.EXE\r\n"))
            findings.push_back("autorun reported done, AutoRun.bat holds " + batch.value_or("nothing"));
          if (world.Sim().Exists("\\DATA\\AUTORUN.BAT"))
            findings.push_back("a batch file nothing runs was made in \\DATA");
          ExpectToldOrDone(world, done, findings, "autorun");
        },
        [](DeviceBrowser& browser, CellWorld& world, Findings& findings) {
          if (!world.Sim().PutFile("\\DATA\\RUN.EXE", "MZ")) findings.push_back("no program");
          browser.OpenItem(browser.IndexOfName("DATA"));
        });
  });
}

// ---- copy to device -------------------------------------------------------------

const std::vector<Fault> kUploadFaults = With(kShellFaults, {Fault::NakBlock, Fault::CanBlock});

TEST_F(FaultMatrix, copy) {
  RunRow("copy", {kUploadFaults, 27}, [] {
    return Operation{
        [](CellWorld& world, Findings& findings) {
          PrepareDrive(world, findings);
          if (!WriteAll(world.WorkFile("B.BIN"), Pattern(300, 'n')))
            findings.push_back("no PC file");
        },
        [](CellWorld& world, Findings& findings) {
          const std::string local = Pattern(300, 'n');
          const std::string old = *world.Sim().GetFile("\\B.BIN");
          TransferHost host{world.PortPath(), world.Console, world.Dialogs, world.Presenter};
          host.TimeoutMs = 100;
          CopyRequest request;
          request.Selected = {{world.WorkFile("B.BIN"), false, 300}};
          request.DeviceFreeBytes = 500'000;
          request.DevicePathText = QStringLiteral("\\");
          request.DeviceListing = {{"B.BIN", false, 900, ""}};
          request.RefreshDevicePane = [&](const QString&) -> std::optional<CopyRequest::Listing> {
            std::vector<PShellItem> items;
            if (!DeviceCli::ReadFreeSpace(world.Shell, QStringLiteral("\\"), QuickListing(), &items))
              return std::nullopt;
            CopyRequest::Listing listing;
            for (const PShellItem& item : items)
              listing.push_back({item.Name, item.IsFolder(), item.SizeBytes, item.ModifiedText});
            return listing;
          };
          const CopyReport report = CopyToDevice(host, request);
          const auto stored = world.Sim().GetFile("\\B.BIN");
          if (report.AllSucceeded && stored != Padded(local))
            findings.push_back("the copy was reported done but did not arrive");
          if (!report.AllSucceeded && stored != Padded(local) && stored != old)
            findings.push_back("a failed copy damaged the device's file");
          if (ReadAll(world.WorkFile("B.BIN")) != local) findings.push_back("the PC file changed");
          ExpectToldOrDone(world, report.AllSucceeded, findings, "the copy");
        }};
  });
}

// ---- network configuration ---------------------------------------------------

NetConfigTimes QuickNetTimes() {
  NetConfigTimes times;
  times.FormatTimeoutMs = 100;
  times.FormatBudgetMs = 100;
  times.CommandTimeoutMs = 50;
  times.CommandBudgetMs = 50;
  times.TransferTimeoutMs = 100;
  return times;
}

// An update of one file in D:\CONF: done means the device holds it whole and
// "Update Successfully!" was shown; otherwise the device keeps the old file.
Operation ConfUpdate(const char* deviceName, const std::function<bool(NetConfig&)>& update) {
  const std::string devicePath = std::string("\\CONF\\") + deviceName;
  return Operation{[devicePath](CellWorld& world, Findings& findings) {
                     if (!world.Sim().PutFile(devicePath, "the old file"))
                       findings.push_back("no old file on the device");
                   },
                   [devicePath, deviceName, update](CellWorld& world, Findings& findings) {
                     NetConfig config(world.Shell, world.Presenter, QuickNetTimes());
                     const bool done = update(config);
                     const std::string local =
                         ReadAll(world.Root + QStringLiteral("/program/") + deviceName);
                     const auto stored = world.Sim().GetFile(devicePath);
                     const bool toldDone =
                         world.Shown(QString::fromLatin1(NetConfText::kUpdateSuccessful));
                     if ((done || toldDone) && stored != Padded(local))
                       findings.push_back("the update was reported done but did not arrive");
                     if (!done && toldDone) findings.push_back("a failed update was told done");
                     if (!done && stored != Padded(local) &&
                         stored != std::optional<std::string>("the old file"))
                       findings.push_back("a failed update damaged the device's file");
                     ExpectToldOrDone(world, done, findings, "the update");
                   }};
}

TEST_F(FaultMatrix, settingsUpdate) {
  RunRow("settings update", {kUploadFaults, 38}, [] {
    return ConfUpdate("SOCKET.CFG", [](NetConfig& config) {
      AddressSettings settings;
      settings.Ip = {"192", "168", "0", "7"};
      settings.Gateway = {"192", "168", "0", "1"};
      settings.AutoDns = true;
      return config.UpdateSettings(settings);
    });
  });
}

TEST_F(FaultMatrix, accountUpdate) {
  RunRow("account update", {kUploadFaults, 38}, [] {
    return ConfUpdate("SOCKET.UPW", [](NetConfig& config) {
      return config.UpdateAccounts({"admin", "s3cret", "dr", "web", "pw", "e"});
    });
  });
}

TEST_F(FaultMatrix, systemInitialisation) {
  RunRow("system initialisation", {kUploadFaults, 200}, [] {
    return Operation{PrepareDrive, [](CellWorld& world, Findings& findings) {
                       NetConfig config(world.Shell, world.Presenter, QuickNetTimes());
                       const bool done = config.InitialiseSystem({});
                       const bool toldDone =
                           world.Shown(NetConfText::InitSucceeded());
                       if (done != toldDone)
                         findings.push_back("the end told does not match the result");
                       if (done) {
                         for (const NetConfig::InitFile& file : NetConfig::SystemFiles()) {
                           const QString name = file.RelativePath.section('/', -1).toUpper();
                           const std::string local =
                               ReadAll(world.Root + QStringLiteral("/Source/") + file.RelativePath);
                           const std::string dir = file.TargetDir.mid(2).toStdString();
                           if (world.Sim().GetFile(dir + name.toStdString()) != Padded(local))
                             findings.push_back("initialisation told done, " +
                                                name.toStdString() + " did not arrive");
                         }
                       }
                       ExpectToldOrDone(world, done, findings, "the initialisation");
                     }};
  });
}

// ---- image backup and restore ---------------------------------------------------

constexpr size_t kImageBytes = 1048576;

// One image operation as the command line runs it, output thrown away.
bool RunImage(CellWorld& world, bool backup, const QString& path) {
  FILE* null = std::fopen("/dev/null", "w");
  TerminalProgress bar(null, false);
  ImageProgress view(null, false);
  view.TickIntervalMs = 100;
  bool done = false;
  {
    ImageKeeperHost host{world.PortPath(), bar.Console(world.Console), world.Dialogs, bar, view,
                         100};
    ImageKeeper keeper(host);
    view.SetKeeper(&keeper);
    done = backup ? keeper.Backup(path) : keeper.Restore(path);
  }
  std::fclose(null);
  return done;
}

TEST_F(FaultMatrix, backup) {
  RunRow("backup",
         {With(kUploadFaults, {Fault::CorruptFrame, Fault::NoHelper}), 40'000},
         [] {
           return Operation{
               [](CellWorld& world, Findings& findings) {
                 PrepareDrive(world, findings);
                 if (!WriteAll(world.WorkFile("7100D.img"), "an older image"))
                   findings.push_back("no old image");
               },
               [](CellWorld& world, Findings& findings) {
                 const QString path = world.WorkFile("7100D.img");
                 const bool done = RunImage(world, true, path);
                 const std::string image = ReadAll(path);
                 const std::vector<uint8_t> drive = world.Sim().Image();
                 const bool whole = image.size() == kImageBytes &&
                                    std::equal(drive.begin(), drive.end(),
                                               reinterpret_cast<const uint8_t*>(image.data()));
                 if (done && !whole) findings.push_back("backup told done, the image differs");
                 if (!done && image != "an older image")
                   findings.push_back("a failed backup touched the existing image");
                 if (done != world.Shown(QString::fromLatin1(ImageText::kBackupDone)))
                   findings.push_back("the end told does not match the result");
                 if (QDir(world.Work.path()).entryList(QDir::Files | QDir::Hidden).size() != 1)
                   findings.push_back("files left beside the image");
                 ExpectToldOrDone(world, done, findings, "the backup");
               }};
         });
}

TEST_F(FaultMatrix, restore) {
  RunRow("restore",
         {With(kUploadFaults, {Fault::RestoreReply, Fault::NoHelper}), 600},
         [] {
           auto image = std::make_shared<std::string>();
           return Operation{
               [image](CellWorld& world, Findings& findings) {
                 // An image of a drive holding other files than the one now.
                 PrepareDrive(world, findings);
                 world.Sim().PutFile("\\RESTORED.TXT", "from the image");
                 const std::vector<uint8_t> drive = world.Sim().Image();
                 image->assign(drive.begin(), drive.end());
                 world.Sim().Format();
                 if (!WriteAll(world.WorkFile("7100D.img"), *image)) findings.push_back("no image");
               },
               [image](CellWorld& world, Findings& findings) {
                 const QString path = world.WorkFile("7100D.img");
                 const bool done = RunImage(world, false, path);
                 if (ReadAll(path) != *image) findings.push_back("the image file changed");
                 const std::vector<uint8_t> drive = world.Sim().Image();
                 if (done && std::string(drive.begin(), drive.end()) != *image)
                   findings.push_back("restore told done, the drive differs");
                 if (done != world.Shown(QString::fromLatin1(ImageText::kRestoreDone)))
                   findings.push_back("the end told does not match the result");
                 // A helper that never started leaves the shell listening:
                 // nothing of the image may follow the command line.
                 const std::string received = world.Sim().Received();
                 const std::string command = TaloGhostResThread::kCommandLine;
                 const size_t at = received.rfind(command);
                 if (CurrentFault == Fault::NoHelper && at != std::string::npos &&
                     at + command.size() != received.size())
                   findings.push_back(std::to_string(received.size() - at - command.size()) +
                                      " bytes typed into the shell after the helper's command");
                 ExpectToldOrDone(world, done, findings, "the restore");
               }};
         });
}

// ---- DIO start and poll ------------------------------------------------------------

TEST_F(FaultMatrix, dioStartAndPoll) {
  RunRow("DIO start and poll", {kUploadFaults, 290}, [] {
    return Operation{
        [](CellWorld&, Findings&) {},
        [](CellWorld& world, Findings& findings) {
          DioTimings timings;
          timings.PortTimeoutMs = 50;
          timings.TransferTimeoutMs = 100;
          timings.PollIntervalMs = 20;
          timings.Pause = [](uint32_t ms) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min<uint32_t>(ms, 20)));
          };
          const DioHost host{world.Shell, world.Presenter, 1'000'000, timings};
          const DioStartResult result = DioStartFlow::Run(host, [&](TaloComPort& port) {
            DioSession session(port, DioStartFlow::kModuleAddress, timings);
            DioPanelState state;
            for (int i = 0; i < 4; ++i) {
              const DioReading reading = session.Poll();
              state.Apply(reading);
              if (!reading.Ok) {
                if (state.StatusMessage() != QString::fromLatin1(DioText::kPollFailed))
                  findings.push_back("a failed poll without its status");
              } else if (reading.DIByte != "0A" || reading.DOByte != "00") {
                findings.push_back("a poll read " + reading.DIByte + reading.DOByte +
                                   " as good");
              }
            }
            if (session.Release() == DioSession::ReleaseResult::DeleteFailed)
              world.Dialogs.ShowError(QString::fromLatin1(DioText::kDeleteFailed));
          });
          LastDone = result == DioStartResult::PanelShown;
          if (result == DioStartResult::Failed && !world.ErrorShown())
            findings.push_back("the start failed without a message: " + world.AllMessages());
          if (result == DioStartResult::NotStarted) findings.push_back("not started");
        }};
  });
}

// ---- terminal ----------------------------------------------------------------------

TEST_F(FaultMatrix, terminal) {
  RunRow("terminal", {kShellFaults, 30}, [] {
    return Operation{
        PrepareDrive, [](CellWorld& world, Findings& findings) {
          RecordingConsole console;
          TaloTerminal terminal(console, [] {});
          // What the main window does when the terminal says the port went.
          bool disconnected = false;
          QObject::connect(&terminal, &TaloTerminal::Disconnected, [&](const QString& port) {
            disconnected = true;
            world.Dialogs.ShowError(ShellText::Disconnected(port));
          });
          QString error;
          if (!terminal.Start(world.PortPath(), error)) {
            findings.push_back("the terminal did not start: " + error.toStdString());
            return;
          }
          for (QChar c : QStringLiteral("dir\r")) terminal.KeyPress(c);
          // The answer, or the hang-up, within a deadline; the terminal must
          // keep serving meanwhile.
          const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
          while (std::chrono::steady_clock::now() < deadline && terminal.IsOn() &&
                 !console.Text().contains("bytes free")) {
            Pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
          }
          // On a hang-up the terminal turns itself off and says so.
          if (CurrentFault == Fault::HangUp) {
            const auto settle = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            while (std::chrono::steady_clock::now() < settle && (terminal.IsOn() || !disconnected)) {
              Pump();
              std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            if (terminal.IsOn()) findings.push_back("the terminal stayed on after a hang-up");
            if (!disconnected) findings.push_back("the terminal did not report the hang-up");
          }
          terminal.Stop();
          terminal.ShutDown();
        }};
  });
}

// ---- all rows ------------------------------------------------------------------------

// The rows in the order of the table: test name and the label its cells carry.
const std::vector<std::pair<const char*, const char*>> kRows = {
    {"listing", "listing"},
    {"fileCommand", "file command"},
    {"properties", "properties"},
    {"deleteFile", "delete"},
    {"viewText", "view"},
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
  const std::string output = std::string(kRowOutput) + "=" + outputPath;
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
