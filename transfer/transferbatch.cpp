#include "transfer/transferbatch.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <thread>

#include "link/jobs/talothread.h"
#include "link/port/talocomport.h"
#include "link/shell/devicename.h"
#include "link/shell/deviceshell.h"
#include "link/userdialogs.h"
#include "transfer/transfertext.h"
#include "transfer/transferview.h"
#include "transfer/xmodemsender.h"

TransferBatch::TransferBatch(TaloComPort& port, TaloConsole& console, UserDialogs& dialogs)
    : Port(port), Console(console), Dialogs(dialogs) {}

TransferBatch::~TransferBatch() = default;

void TransferBatch::SetSourceList(const QStringList& sources, const QString& targetDir) {
  SingleFile = false;
  SourceList = sources;
  TargetDir = targetDir;
}

void TransferBatch::SetSingleFile(const QString& sourcePath, const QString& targetDir,
                                  bool* result) {
  SingleFile = true;
  SingleCount = 1;
  SourcePath = sourcePath;
  TargetDir = targetDir;
  SingleResult = result;
}

int TransferBatch::FileCount() const {
  return SingleFile ? SingleCount : static_cast<int>(SourceList.size());
}

void TransferBatch::SetDeviceListing(std::vector<DeviceFolderEntry> listing) {
  Names = DeviceNames(std::move(listing));
}

bool TransferBatch::ValidFileName(const QString& name) { return DeviceNames::ValidName(name); }

void TransferBatch::Run(TransferView& view) {
  const int total = FileCount();
  Results.assign(static_cast<size_t>(total), TransferOutcome{});
  for (int i = 0; i < total; ++i) {
    Results[i].SourcePath = SingleFile ? SourcePath : SourceList[i];
    Results[i].Number = i + 1;
  }

  for (int i = 0; i < total; ++i) {
    // A Cancel that came in while no sender ran (the rename prompt of the
    // command line) still stops the batch.
    if (CancelPressed) {
      Succeeded = false;
      Outcome = JobResult::Stopped();
      return;
    }
    if (!SingleFile) SourcePath = SourceList[i];
    const std::optional<QString> name =
        AcceptedName(i < GivenNames.size() ? GivenNames[i] : QFileInfo(SourcePath).fileName());
    if (!name) {
      Results[i].SkipReason = LastSkip;
      Finish(i, TransferOutcome::Result::Skipped, view);
      continue;
    }
    const int32_t state = SendOne(i, total, *name, view);
    if (CancelPressed) {
      // A cancelled file did not arrive, and neither did the ones after it:
      // the caller sees a failure, the user has seen no message box.
      const bool arrived = state == 0;
      Finish(i, arrived ? TransferOutcome::Result::Sent : TransferOutcome::Result::Cancelled,
             view);
      if (!arrived && SingleResult) *SingleResult = false;
      if (!arrived || i + 1 < total) {
        Succeeded = false;
        Outcome = JobResult::Stopped();
      }
      return;
    }
    if (state == 0) {
      Finish(i, TransferOutcome::Result::Sent, view);
      continue;
    }
    Finish(i, TransferOutcome::Result::Failed, view);
    if (SingleResult) *SingleResult = false;
    Succeeded = false;
    // An unplugged adapter is not the file's fault: say what happened.
    Outcome = Port.IsDisconnected()
                  ? JobResult{JobStatus::Disconnected,
                              ShellText::Disconnected(QString::fromStdString(Port.PortName()))}
                  : JobResult::Failed(TransferText::FailedToTransfer(*name));
    return;
  }
}

// The file's name as the controller will store it: as it is when it is a
// free 8.3 name, or as the user renames it. None when the user skips the
// file or will not have it replace the listed one.
std::optional<QString> TransferBatch::AcceptedName(const QString& name) {
  QString candidate = name;
  for (;;) {
    const DeviceNames::Verdict verdict = Names.Examine(candidate);
    if (verdict == DeviceNames::Verdict::Free) break;
    if (verdict == DeviceNames::Verdict::FileListed) {
      if (MayReplace(candidate)) break;
      LastSkip = TransferOutcome::Skip::KeptListedFile;
      return std::nullopt;
    }
    // The prompt states the 8.3 rule and shows what the text typed becomes;
    // that is the name sent. A text that makes no name is asked for again.
    const std::optional<QString> entered = Dialogs.AskDeviceName(
        TransferText::InvalidNameCaption(candidate),
        DeviceName::PromptWithRule(QString::fromLatin1(TransferText::kNewNamePrompt)),
        Names.Suggest(QFileInfo(SourcePath).fileName()), DeviceName::kPromptLength);
    if (!entered) {
      LastSkip = TransferOutcome::Skip::NoName;
      return std::nullopt;
    }
    const DeviceName::ShortName form = DeviceName::ShortForm(*entered);
    candidate = form.Name.isEmpty() ? *entered : form.Name;
  }
  Names.Take(candidate);
  return candidate;
}

bool TransferBatch::MayReplace(const QString& name) {
  if (ReplaceAll) return true;
  const DeviceFolderEntry* listed = Names.Listed(name);
  switch (Dialogs.AskYesNoToAll(TransferText::ReplaceQuestion(listed->Name, listed->SizeBytes,
                                                               listed->ModifiedText))) {
    case UserDialogs::Answer::YesToAll:
      ReplaceAll = true;
      return true;
    case UserDialogs::Answer::Yes:
      return true;
    case UserDialogs::Answer::No:
      break;
  }
  return false;
}

int32_t TransferBatch::SendOne(int index, int total, const QString& name, TransferView& view) {
  Results[index].TargetName = TargetDir + name;
  Worker = std::make_unique<XmodemSender>();
  Worker->Port = &Port;
  Worker->Console = &Console;
  Worker->SourcePath = SourcePath;
  Worker->TargetName = Results[index].TargetName.toLatin1();
  Worker->Resume();
  AwaitSender(index, total, view);
  view.ShowProgress(Worker->Progress.load(), Worker->Acknowledged.load(),
                    Worker->FileSize.load());
  const int32_t state = Worker->TransferState.load();
  Results[index].Size = Worker->FileSize.load();
  Worker.reset();  // joins the sender's thread
  return state;
}

void TransferBatch::Finish(int index, TransferOutcome::Result result, TransferView& view) {
  Results[index].Outcome = result;
  view.FileEnded(Results[index]);
}

void TransferBatch::AwaitSender(int index, int total, TransferView& view) {
  const auto tick = [&] {
    UpdateView(index, total, view);
    view.Tick();
    if (CancelPressed) Worker->CancelRequested = true;
    return Worker->TransferState.load() == 1;
  };
  const QCoreApplication* app = QCoreApplication::instance();
  if (app && QThread::currentThread() == app->thread()) {
    // The sender hands its status lines to this thread through the event
    // loop; the loop also paints and delivers Cancel.
    QEventLoop loop;
    QTimer timer;
    timer.setInterval(kPumpIntervalMs);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
      if (!tick()) loop.quit();
    });
    timer.start();
    if (tick()) loop.exec();
    return;
  }
  while (tick()) {
    TaloThread::ServeMainThread();
    std::this_thread::sleep_for(std::chrono::milliseconds(kPumpIntervalMs));
  }
}

void TransferBatch::UpdateView(int index, int total, TransferView& view) {
  view.ShowFile(SourcePath, index + 1, total);
  view.ShowProgress(Worker->Progress.load(), Worker->Acknowledged.load(),
                    Worker->FileSize.load());
}
