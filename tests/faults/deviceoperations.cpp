#include "tests/faults/deviceoperations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "image/copytopc.h"
#include "image/imagekeeper.h"
#include "image/imageprogress.h"
#include "image/imagetext.h"
#include "image/restoreworker.h"
#include "installation/taloappfolders.h"
#include "link/jobs/talothread.h"
#include "link/terminal/taloterminal.h"
#include "module/diosession.h"
#include "module/diostartflow.h"
#include "module/diotext.h"
#include "netconf/netconfig.h"
#include "netconf/netconftext.h"
#include "remote/devicebrowser.h"
#include "remote/devicecli.h"
#include "remote/devicefilecommands.h"
#include "remote/devicetextfile.h"
#include "transfer/copytodevice.h"
#include "transfer/terminalprogress.h"
#include "transfer/transferbatch.h"
#include "transfer/transferfile.h"

using faultmatrix::Fault;

namespace {

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

// A failure must have told the user, in an error or warning box.
void ExpectToldOrDone(OperationWorld& world, bool done, Findings& findings, const char* what) {
  world.Done = done;
  if (!done && !world.ErrorShown())
    findings.push_back(std::string(what) + " failed without a message: " + world.AllMessages());
}

// The listing, file command and properties operations share the pane's logic.
DeviceTimeouts QuickListing() {
  DeviceTimeouts t;
  t.ListingMs = 50;
  t.FileCommandMs = 50;
  t.DeviceCommandMs = 50;
  t.FormatMs = 50;
  t.PromptBudgetMs = 150;
  return t;
}

const QStringList kRootNames = {"DATA", "LOG", "A.TXT", "B.BIN", "C.DAT"};

void PrepareDrive(OperationWorld& world, Findings& findings) {
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
  for (const PaneItem& item : browser.DeviceItems()) names.append(item.Name);
  return names;
}

// The drive prepared and its root listed through a new browser, as the pane
// has it before a file command or the properties.
void PrepareListedRoot(OperationWorld& world, Findings& findings,
                       std::unique_ptr<DeviceBrowser>& browser) {
  PrepareDrive(world, findings);
  browser = std::make_unique<DeviceBrowser>(world.Shell);
  browser->Lister().SetTimeouts(QuickListing());
  browser->PortChanged();
  // No fault is set yet: a listing that failed here lost a race with a
  // loaded machine (the time-outs are short), so it is simply tried again.
  for (int again = 0; again < 2 && Names(*browser) != kRootNames; ++again) browser->Refresh();
  if (Names(*browser) != kRootNames) findings.push_back("no clean listing first");
}

// An operation of the pane's file commands: the drive prepared and its root
// listed (then more, when given), the command run on the browser that holds
// the listing.
using PaneStep = std::function<void(DeviceBrowser&, OperationWorld&, Findings&)>;
Operation PaneOperation(const PaneStep& act, const PaneStep& prepareMore = {}) {
  auto browser = std::make_shared<std::unique_ptr<DeviceBrowser>>();
  return Operation{[browser, prepareMore](OperationWorld& world, Findings& findings) {
                     PrepareListedRoot(world, findings, *browser);
                     if (prepareMore) prepareMore(**browser, world, findings);
                   },
                   [browser, act](OperationWorld& world, Findings& findings) {
                     act(**browser, world, findings);
                     browser->reset();
                   }};
}

// A command line device command on the prepared drive: its exit status is
// its result.
Operation CliOperation(const std::function<int(OperationWorld&, QStringList&)>& run,
                       const std::function<void(OperationWorld&, const QStringList&, Findings&)>& check) {
  return Operation{PrepareDrive, [run, check](OperationWorld& world, Findings& findings) {
                     QStringList lines;
                     const bool done = run(world, lines) == 0;
                     if (done) check(world, lines, findings);
                     ExpectToldOrDone(world, done, findings, "the command");
                   }};
}

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
Operation ConfUpdate(const char* deviceName,
                     const std::function<ConfigResult(NetConfig&)>& update) {
  const std::string devicePath = std::string("\\CONF\\") + deviceName;
  return Operation{[devicePath](OperationWorld& world, Findings& findings) {
                     if (!world.Sim().PutFile(devicePath, "the old file"))
                       findings.push_back("no old file on the device");
                   },
                   [devicePath, deviceName, update](OperationWorld& world, Findings& findings) {
                     NetConfig config(world.Shell, world.Presenter, QuickNetTimes());
                     const ConfigResult result = update(config);
                     world.Shell.Tell(result.Told());
                     const bool done = result.Ok();
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

constexpr size_t kImageBytes = 1048576;

// One image operation as the command line runs it, output thrown away.
bool RunImage(OperationWorld& world, bool backup, const QString& path) {
  FILE* null = std::fopen("/dev/null", "w");
  TerminalProgress bar(null, false);
  ImageProgress view(null, false);
  bool done = false;
  {
    ImageKeeperHost host{world.PortPath(), bar.Console(world.Console), world.Dialogs, bar, view,
                         100};
    host.WatchdogTickMs = 100;
    ImageKeeper keeper(host);
    view.SetKeeper(&keeper);
    const JobResult result = backup ? keeper.Backup(path) : keeper.Restore(path);
    world.Dialogs.Tell(result);  // as the command line tells it
    done = result.Ok();
  }
  std::fclose(null);
  return done;
}

}  // namespace

void DirectPresenter::Present(TransferBatch& batch, bool) { batch.Run(View); }

OperationWorld::OperationWorld() {
  Root = Home.path() + QStringLiteral("/home");
  qputenv("TALO7100_HOME", Root.toLocal8Bit());
  Prepared = TaloAppDir::PrepareInstallationFolder(
      Root, {QStringLiteral(TALO_SHARE_DIR "/defaults"), QStringLiteral(TALO_SHARE_DIR "/demo")});
  Shell.SetSelectedPort(QString::fromStdString(Harness.PortPath()));
}

OperationWorld::~OperationWorld() { qunsetenv("TALO7100_HOME"); }

talosim::SimOptions OperationWorld::DefaultOptions() {
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.ModuleInputs = 0x0A;
  return options;
}

bool OperationWorld::Start(const talosim::SimOptions& options) {
  return Prepared && Harness.Start(options);
}

std::string OperationWorld::AllMessages() const {
  std::string text;
  for (const auto& m : Dialogs.Messages) text += "[" + m.Text.toStdString() + "] ";
  return text;
}

bool OperationWorld::Shown(const QString& text) const {
  for (const auto& m : Dialogs.Messages)
    if (m.Text == text) return true;
  return false;
}

bool OperationWorld::ErrorShown() const {
  for (const auto& m : Dialogs.Messages)
    if ((m.Type == ScriptedDialogs::Message::Error ||
         m.Type == ScriptedDialogs::Message::Warning) &&
        !m.Text.trimmed().isEmpty())
      return true;
  return false;
}

namespace DeviceOperations {

DeviceTimeouts PaneTimeouts() { return QuickListing(); }

// ---- listing and navigation ---------------------------------------------------

Operation Listing() {
  return Operation{PrepareDrive, [](OperationWorld& world, Findings& findings) {
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
}

Operation ListFolder() {
  return CliOperation(
      [](OperationWorld& world, QStringList& lines) {
        return DeviceCli::ListFolder(world.Shell, QStringLiteral("\\DATA"), lines, QuickListing());
      },
      [](OperationWorld&, const QStringList& lines, Findings& findings) {
        if (lines.isEmpty() || !lines.join('\n').contains(QStringLiteral("D1.TXT")))
          findings.push_back("the folder's file is not listed");
      });
}

Operation Navigation() {
  return PaneOperation([](DeviceBrowser& browser, OperationWorld& world, Findings& findings) {
    browser.OpenItem(browser.IndexOfName("DATA"));
    if (browser.DevicePath() != QStringLiteral("\\DATA") ||
        Names(browser) != QStringList{"SUB", "D1.TXT"})
      findings.push_back("not in \\DATA: " + browser.DevicePath().toStdString());
    browser.GoUp();
    const bool back = browser.DevicePath() == QStringLiteral("\\") && Names(browser) == kRootNames;
    if (!back) findings.push_back("not back in the root");
    ExpectToldOrDone(world, back && !world.ErrorShown(), findings, "the navigation");
  });
}

// ---- file commands -------------------------------------------------------------

Operation Rename() {
  return PaneOperation([](DeviceBrowser& browser, OperationWorld& world, Findings& findings) {
    DeviceFileCommands commands(browser, world.Shell);
    world.Dialogs.NameAnswers.push_back(QStringLiteral("NEW.TXT"));
    const bool done = commands.Rename(browser.IndexOfName("A.TXT"));
    const bool renamed = world.Sim().Exists("\\NEW.TXT");
    if (done && !renamed) findings.push_back("rename reported done, the file is not renamed");
    const auto kept = world.Sim().GetFile(renamed ? "\\NEW.TXT" : "\\A.TXT");
    if (kept != std::optional<std::string>("alpha")) findings.push_back("the file was lost");
    ExpectToldOrDone(world, done, findings, "rename");
  });
}

Operation FolderProperties() {
  return PaneOperation([](DeviceBrowser& browser, OperationWorld& world, Findings& findings) {
    DeviceFileCommands commands(browser, world.Shell);
    std::optional<DeviceProperties> shown;
    commands.SetPropertiesView([&](const DeviceProperties& p) { shown = p; });
    commands.ShowProperties(browser.IndexOfName("DATA"));
    const bool counted = shown && !shown->PropContains.isEmpty();
    // Figures shown must be the folder's: 2 files, 1 folder, 500 bytes.
    if (counted && !world.ErrorShown() &&
        (shown->PropContains != "2 file(s), 1 folder(s)" || shown->PropSize != "500 byte(s)"))
      findings.push_back("wrong figures shown without a message: " +
                         shown->PropContains.toStdString() + ", " +
                         shown->PropSize.toStdString());
    ExpectToldOrDone(world, counted, findings, "the count");
  });
}

Operation FileCount() {
  return CliOperation(
      [](OperationWorld& world, QStringList& lines) {
        return DeviceCli::MeasureFolder(world.Shell, QStringLiteral("\\B.BIN"), lines,
                                        QuickListing());
      },
      [](OperationWorld&, const QStringList& lines, Findings& findings) {
        if (lines != QStringList{QStringLiteral("1 file(s), 0 folder(s)\t900 byte(s)")})
          findings.push_back("wrong count: " + lines.join('|').toStdString());
      });
}

Operation Delete(bool folder) {
  return PaneOperation([folder](DeviceBrowser& browser, OperationWorld& world, Findings& findings) {
    DeviceFileCommands commands(browser, world.Shell);
    const char* path = folder ? "\\LOG" : "\\A.TXT";
    const bool done = commands.Delete(browser.IndexOfName(folder ? "LOG" : "A.TXT"));
    if (done && world.Sim().Exists(path))
      findings.push_back(std::string("delete reported done, ") + path + " is still there");
    if (world.Sim().GetFile("\\DATA\\D1.TXT") != Pattern(300, 'd') ||
        world.Sim().GetFile("\\C.DAT") != Pattern(40, 'c'))
      findings.push_back("another file was lost");
    ExpectToldOrDone(world, done, findings, "delete");
  });
}

Operation View() {
  return PaneOperation([](DeviceBrowser& browser, OperationWorld& world, Findings& findings) {
    // The pane's part: the failure reported, the text shown.
    std::optional<QByteArray> text;
    (void)DeviceTextFile::ViewItem(browser, browser.IndexOfName("A.TXT"),
                                   [&](const QString&, const DeviceTextFile::TextRead& read) {
                                     browser.Shell().Tell(read.Result);
                                     if (read.Result.Ok()) text = read.Text;
                                   });
    if (text && *text != "alpha")
      findings.push_back("a wrong or partial text passed as whole: " + text->toStdString());
    ExpectToldOrDone(world, text.has_value(), findings, "view");
  });
}

Operation GetText() {
  return PaneOperation([](DeviceBrowser& browser, OperationWorld& world, Findings& findings) {
    const QString out = world.WorkFile(QStringLiteral("A.TXT"));
    CopyToPc::Plan plan;
    plan.Sources.push_back({QStringLiteral("\\"), *browser.DeviceItemAt(browser.IndexOfName("A.TXT"))});
    plan.Destination = world.Work.path();
    FILE* null = std::fopen("/dev/null", "w");
    ImageProgress view(null, false);
    CopyToPc::Host host{world.Shell, world.Presenter, view, /*AskBeforeImage=*/true, QuickListing()};
    // A text that did not come whole is not read from the whole drive here.
    world.Dialogs.YesNoAnswers = {false};
    const JobResult result = CopyToPc::Copy(host, plan);
    std::fclose(null);
    world.Shell.Tell(result);
    const std::string copied = ReadAll(out);
    if (result.Ok() && copied != "alpha") findings.push_back("get told done, the copy holds: " + copied);
    if (!result.Ok() && QFile::exists(out) && copied != "alpha")
      findings.push_back("a failed get left a part of the file: " + copied);
    ExpectToldOrDone(world, result.Ok(), findings, "get");
  });
}

Operation MakeDirectory() {
  return PaneOperation([](DeviceBrowser& browser, OperationWorld& world, Findings& findings) {
    DeviceFileCommands commands(browser, world.Shell);
    world.Dialogs.NameAnswers.push_back(QStringLiteral("NEWDIR"));
    const bool done = commands.MakeDirectory();
    if (done && !world.Sim().Exists("\\NEWDIR"))
      findings.push_back("make directory reported done, there is no folder");
    ExpectToldOrDone(world, done, findings, "make directory");
  });
}

Operation Memory() {
  return PaneOperation([](DeviceBrowser& browser, OperationWorld& world, Findings& findings) {
    DeviceFileCommands commands(browser, world.Shell);
    ExpectToldOrDone(world, commands.ShowMemory(), findings, "MEM");
  });
}

Operation Abort() {
  return PaneOperation([](DeviceBrowser& browser, OperationWorld& world, Findings& findings) {
    DeviceFileCommands commands(browser, world.Shell);
    commands.Abort();
    ExpectToldOrDone(world, !world.ErrorShown(), findings, "ABORT");
  });
}

Operation Format() {
  return PaneOperation([](DeviceBrowser& browser, OperationWorld& world, Findings& findings) {
    DeviceFileCommands commands(browser, world.Shell);
    const bool done = commands.Format();
    if (done && (world.Sim().Exists("\\A.TXT") || browser.ItemCount() != 0))
      findings.push_back("FORMAT reported done, the drive still holds files");
    ExpectToldOrDone(world, done, findings, "FORMAT");
  });
}

// ---- autorun: "d:", "cd\", "echo" ------------------------------------------------

Operation AutoRun(bool inSubfolder) {
  return PaneOperation(
      [inSubfolder](DeviceBrowser& browser, OperationWorld& world, Findings& findings) {
        DeviceFileCommands commands(browser, world.Shell);
        const bool done = commands.SetAutoRun(browser.IndexOfName("RUN.EXE"));
        const auto batch = world.Sim().GetFile("\\AUTORUN.BAT");
        const std::string line = inSubfolder ? "\\DATA\\RUN.EXE\r\n" : "RUN.EXE\r\n";
        if (done && batch != std::optional<std::string>(line))
          findings.push_back("autorun reported done, AutoRun.bat holds " + batch.value_or("nothing"));
        if (world.Sim().Exists("\\DATA\\AUTORUN.BAT"))
          findings.push_back("a batch file nothing runs was made in \\DATA");
        ExpectToldOrDone(world, done, findings, "autorun");
      },
      [inSubfolder](DeviceBrowser& browser, OperationWorld& world, Findings& findings) {
        const char* program = inSubfolder ? "\\DATA\\RUN.EXE" : "\\RUN.EXE";
        if (!world.Sim().PutFile(program, "MZ")) findings.push_back("no program");
        if (inSubfolder)
          browser.OpenItem(browser.IndexOfName("DATA"));
        else
          browser.Refresh();
      });
}

// ---- copy to device --------------------------------------------------------------

Operation Copy(int files) {
  // B.BIN replaces the one D: holds (after a question, answered Yes); N.BIN is new.
  struct Sent {
    QString Name;
    std::string Bytes;
  };
  const std::vector<Sent> all = {{"B.BIN", Pattern(300, 'n')}, {"N.BIN", Pattern(200, 'm')}};
  const std::vector<Sent> sent(all.begin(), all.begin() + std::clamp(files, 1, 2));
  return Operation{
      [sent](OperationWorld& world, Findings& findings) {
        PrepareDrive(world, findings);
        for (const Sent& file : sent)
          if (!WriteAll(world.WorkFile(file.Name), file.Bytes)) findings.push_back("no PC file");
      },
      [sent](OperationWorld& world, Findings& findings) {
        const std::string old = *world.Sim().GetFile("\\B.BIN");
        TransferHost host{world.PortPath(), world.Console, world.Dialogs, world.Presenter};
        host.TimeoutMs = 100;
        CopyRequest request;
        for (const Sent& file : sent)
          request.Selected.push_back(
              {world.WorkFile(file.Name), false, static_cast<int64_t>(file.Bytes.size())});
        request.DeviceFreeBytes = 500'000;
        request.DevicePathText = QStringLiteral("\\");
        request.DeviceListing = {{"B.BIN", false, 900, ""}};
        request.RefreshDevicePane = [&](const QString&, const CopyRequest::Listed& listed) {
          std::vector<PaneItem> items;
          if (!DeviceCli::ReadFreeSpace(world.Shell, QStringLiteral("\\"), QuickListing(), &items))
            return listed(std::nullopt);
          CopyRequest::Listing listing;
          for (const PaneItem& item : items)
            listing.push_back({item.Name, item.IsFolder(), item.SizeBytes, item.ModifiedText});
          listed(listing);
        };
        const CopyReport report = CopyToDevice(host, request, world.Dialogs);
        for (const Sent& file : sent) {
          const auto stored = world.Sim().GetFile("\\" + file.Name.toStdString());
          if (report.AllSucceeded && stored != Padded(file.Bytes))
            findings.push_back("the copy was reported done but did not arrive");
          const std::optional<std::string> before =
              file.Name == QStringLiteral("B.BIN") ? std::optional<std::string>(old) : std::nullopt;
          if (!report.AllSucceeded && stored != Padded(file.Bytes) && stored != before)
            findings.push_back("a failed copy damaged the device's file");
          if (ReadAll(world.WorkFile(file.Name)) != file.Bytes)
            findings.push_back("the PC file changed");
        }
        ExpectToldOrDone(world, report.AllSucceeded, findings, "the copy");
      }};
}

// ---- network configuration ---------------------------------------------------

Operation SettingsUpdate() {
  return ConfUpdate("SOCKET.CFG", [](NetConfig& config) {
    AddressSettings settings;
    settings.Ip = {"192", "168", "0", "7"};
    settings.Gateway = {"192", "168", "0", "1"};
    settings.AutoDns = true;
    return config.UpdateSettings(settings);
  });
}

Operation AccountUpdate() {
  return ConfUpdate("SOCKET.UPW", [](NetConfig& config) {
    return config.UpdateAccounts({"admin", "s3cret", "dr", "web", "pw", "e"});
  });
}

Operation SystemInitialisation() {
  return Operation{PrepareDrive, [](OperationWorld& world, Findings& findings) {
                     NetConfig config(world.Shell, world.Presenter, QuickNetTimes());
                     bool done = false;
                     if (NetConfig::ConfirmFormat(world.Shell.Dialogs())) {
                       const ConfigResult result = config.InitialiseSystem({});
                       world.Shell.Tell(result.Told());
                       done = result.Ok();
                     }
                     const bool toldDone = world.Shown(NetConfText::InitSucceeded());
                     if (done != toldDone)
                       findings.push_back("the end told does not match the result");
                     if (done) {
                       for (const NetConfig::InitFile& file : NetConfig::SystemFiles()) {
                         const QString name = file.RelativePath.section('/', -1).toUpper();
                         const std::string local =
                             ReadAll(world.Root + QStringLiteral("/Source/") + file.RelativePath);
                         const std::string dir = file.TargetDir.mid(2).toStdString();
                         if (world.Sim().GetFile(dir + name.toStdString()) != Padded(local))
                           findings.push_back("initialisation told done, " + name.toStdString() +
                                              " did not arrive");
                       }
                     }
                     ExpectToldOrDone(world, done, findings, "the initialisation");
                   }};
}

// ---- image backup and restore ---------------------------------------------------

Operation Backup() {
  return Operation{
      [](OperationWorld& world, Findings& findings) {
        PrepareDrive(world, findings);
        if (!WriteAll(world.WorkFile("7100D.img"), "an older image"))
          findings.push_back("no old image");
      },
      [](OperationWorld& world, Findings& findings) {
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
}

Operation Restore() {
  auto image = std::make_shared<std::string>();
  return Operation{
      [image](OperationWorld& world, Findings& findings) {
        // An image of a drive holding other files than the one now.
        PrepareDrive(world, findings);
        world.Sim().PutFile("\\RESTORED.TXT", "from the image");
        const std::vector<uint8_t> drive = world.Sim().Image();
        image->assign(drive.begin(), drive.end());
        world.Sim().Format();
        if (!WriteAll(world.WorkFile("7100D.img"), *image)) findings.push_back("no image");
      },
      [image](OperationWorld& world, Findings& findings) {
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
        const std::string command = RestoreWorker::kCommandLine;
        const size_t at = received.rfind(command);
        if (world.Fault == Fault::NoHelper && at != std::string::npos &&
            at + command.size() != received.size())
          findings.push_back(std::to_string(received.size() - at - command.size()) +
                             " bytes typed into the shell after the helper's command");
        ExpectToldOrDone(world, done, findings, "the restore");
      }};
}

// ---- DIO -------------------------------------------------------------------------

Operation Dio(const DioPlan& plan) {
  return Operation{
      [](OperationWorld&, Findings&) {},
      [plan](OperationWorld& world, Findings& findings) {
        DioTimings timings;
        timings.PortTimeoutMs = 50;
        timings.TransferTimeoutMs = 100;
        timings.PollIntervalMs = 20;
        timings.Pause = plan.Pause;
        const DioHost host{world.Shell, world.Presenter, 1'000'000, timings};
        const DioStart start = DioStartFlow::Run(host, [&](TaloComPort& port) {
          DioSession session(port, DioStartFlow::kModuleAddress, timings);
          DioPanelState state;
          for (int i = 0; i < plan.Polls; ++i) {
            const DioReading reading = session.Poll();
            state.Apply(reading);
            if (!reading.Ok) {
              if (state.StatusMessage() != QString::fromLatin1(DioText::kPollFailed))
                findings.push_back("a failed poll without its status");
            } else if (reading.DIByte != "0A" || reading.DOByte != "00") {
              findings.push_back("a poll read " + reading.DIByte + reading.DOByte + " as good");
            }
          }
          if (plan.Set && !session.SetOutput(2, "1").Applied)
            world.Dialogs.Tell(JobResult::Failed(QStringLiteral("output 2 did not switch")));
          const JobResult released = session.Release();
          if (released.Status == JobStatus::Failed) world.Dialogs.Tell(released);
        });
        world.Shell.Tell(DioStartFlow::Told(start));
        const DioStartResult result = start.State;
        world.Done = result == DioStartResult::PanelShown;
        if (result == DioStartResult::Failed && !world.ErrorShown())
          findings.push_back("the start failed without a message: " + world.AllMessages());
        if (result == DioStartResult::NotStarted) findings.push_back("not started");
      }};
}

// ---- terminal ----------------------------------------------------------------------

Operation Terminal() {
  return Operation{PrepareDrive, [](OperationWorld& world, Findings& findings) {
                     RecordingConsole console;
                     TaloTerminal terminal(console, [] {});
                     // What the main window does when the terminal says the port went.
                     bool disconnected = false;
                     QObject::connect(&terminal, &TaloTerminal::Disconnected,
                                      [&](const QString& port) {
                                        disconnected = true;
                                        world.Dialogs.Tell(JobResult::Failed(ShellText::Disconnected(port)));
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
                     if (world.Fault == Fault::HangUp) {
                       const auto settle = std::chrono::steady_clock::now() + std::chrono::seconds(1);
                       while (std::chrono::steady_clock::now() < settle &&
                              (terminal.IsOn() || !disconnected)) {
                         Pump();
                         std::this_thread::sleep_for(std::chrono::milliseconds(5));
                       }
                       if (terminal.IsOn()) findings.push_back("the terminal stayed on after a hang-up");
                       if (!disconnected) findings.push_back("the terminal did not report the hang-up");
                     }
                     terminal.Stop();
                     terminal.ShutDown();
                   }};
}

}  // namespace DeviceOperations
