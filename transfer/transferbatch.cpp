#include "transfer/transferbatch.h"

#include <QFileInfo>

#include "link/port/talocomport.h"
#include "link/shell/devicename.h"
#include "link/shell/deviceshell.h"
#include "link/userdialogs.h"
#include "transfer/transfertext.h"
#include "transfer/transferview.h"
#include "transfer/xmodemsender.h"

TransferBatch::TransferBatch(TaloComPort& port, TaloConsole& console, UserDialogs& dialogs)
    : Port(port), Console(console), Dialogs(dialogs) {
  QObject::connect(&Runner, &JobRunner::ProgressChanged, &Runner,
                   [this](qint64 done, qint64 total) {
                     if (!View) return;
                     View->ShowProgress(XmodemSender::PercentOf(done, total), done, total);
                     View->Tick();
                   });
}

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

void TransferBatch::Start(TransferView& view, std::function<void()> done) {
  View = &view;
  OnEnded = std::move(done);
  Total = FileCount();
  Index = 0;
  Results.assign(static_cast<size_t>(Total), TransferOutcome{});
  for (int i = 0; i < Total; ++i) {
    Results[i].SourcePath = SingleFile ? SourcePath : SourceList[i];
    Results[i].Number = i + 1;
  }
  Next();
}

void TransferBatch::PressCancel() {
  CancelPressed = true;
  Runner.Cancel();
}

void TransferBatch::Next() {
  if (Stepping) {
    StepAgain = true;
    return;
  }
  Stepping = true;
  do {
    StepAgain = false;
    Step();
  } while (StepAgain);
  Stepping = false;
}

void TransferBatch::Step() {
  for (; Index < Total; ++Index) {
    // A Cancel that came in while no sender ran (the rename prompt of the
    // command line) still stops the batch.
    if (CancelPressed) {
      Succeeded = false;
      Outcome = JobResult::Stopped();
      break;
    }
    if (!SingleFile) SourcePath = SourceList[Index];
    const std::optional<QString> name = AcceptedName(
        Index < GivenNames.size() ? GivenNames[Index] : QFileInfo(SourcePath).fileName());
    if (!name) {
      Results[Index].SkipReason = LastSkip;
      Finish(Index, TransferOutcome::Result::Skipped);
      continue;
    }
    SendOne(*name);
    return;
  }
  End();
}

void TransferBatch::SendOne(const QString& name) {
  Results[Index].TargetName = TargetDir + name;
  Worker = std::make_unique<XmodemSender>();
  Worker->Port = &Port;
  Worker->Console = &Console;
  Worker->SourcePath = SourcePath;
  Worker->TargetName = Results[Index].TargetName.toLatin1();
  View->ShowFile(SourcePath, Index + 1, Total);
  View->ShowProgress(0, 0, 0);
  // Nothing else runs on the batch's runner: it is free once a job has ended.
  (void)Runner.Start([sender = Worker.get()] { return sender->Send(); },
                     [this, name](const JobResult& result) { Sent(result, name); });
}

void TransferBatch::Sent(const JobResult& result, const QString& name) {
  Results[Index].Size = Worker->MeasuredSize();
  Worker.reset();
  // What the command line polls (Ctrl+C) is looked at once more.
  View->Tick();
  const bool arrived = result.Ok();
  if (CancelPressed || result.Cancelled()) {
    // A cancelled file did not arrive, and neither did the ones after it:
    // the caller sees a failure, the user has seen no message box.
    Finish(Index, arrived ? TransferOutcome::Result::Sent : TransferOutcome::Result::Cancelled);
    if (!arrived && SingleResult) *SingleResult = false;
    if (!arrived || Index + 1 < Total) {
      Succeeded = false;
      Outcome = JobResult::Stopped();
    }
    End();
    return;
  }
  if (arrived) {
    Finish(Index, TransferOutcome::Result::Sent);
    ++Index;
    Next();
    return;
  }
  Finish(Index, TransferOutcome::Result::Failed);
  if (SingleResult) *SingleResult = false;
  Succeeded = false;
  // An unplugged adapter is not the file's fault: say what happened.
  Outcome = Port.IsDisconnected()
                ? JobResult{JobStatus::Disconnected,
                            ShellText::Disconnected(QString::fromStdString(Port.PortName()))}
                : JobResult::Failed(TransferText::FailedToTransfer(name));
  End();
}

void TransferBatch::End() {
  View = nullptr;
  Index = Total;
  const std::function<void()> done = std::move(OnEnded);
  OnEnded = {};
  if (done) done();
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

void TransferBatch::Finish(int index, TransferOutcome::Result result) {
  Results[index].Outcome = result;
  View->FileEnded(Results[index]);
}
