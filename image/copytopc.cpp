#include "image/copytopc.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "image/fatvolume.h"
#include "image/imageextract.h"
#include "image/imagekeeper.h"
#include "image/imagetext.h"
#include "link/shell/deviceshell.h"
#include "link/userdialogs.h"
#include "remote/devicetextfile.h"

namespace CopyToPc {
namespace {

// How one road ended for the sources it was given.
struct Tally {
  int Files = 0;
  int64_t Bytes = 0;
  QStringList Problems;
};

QString OnDriveD(const QString& path) { return QStringLiteral("D:") + path; }

// The text road for one file: Ok when it was written, a problem in tally,
// or into the image road (imageRoad) when "type" cannot carry it. A result
// that is no Ok and no Failed ends the whole copy.
JobResult TypeFile(Host& host, const Plan& plan, const Source& source, Tally& tally,
                   std::vector<Source>& imageRoad) {
  DeviceShell& shell = host.Shell;
  DeviceTextFile::TextRead read;
  const JobResult typed = shell.Jobs().Await([&] {
    read = DeviceTextFile::Read(shell, source.Folder, source.Item.Name, host.Timeouts);
    return read.Result;
  });
  if (read.LineTooLong) {
    imageRoad.push_back(source);
    return JobResult::Done();
  }
  if (typed.Status != JobStatus::Ok && typed.Status != JobStatus::Failed) return typed;
  if (!typed) {
    tally.Problems.append(typed.Text);
    return JobResult::Done();
  }
  const std::optional<QByteArray> bytes = DeviceTextFile::FileBytes(read.Typed, source.Item.SizeBytes);
  if (!bytes) {
    imageRoad.push_back(source);
    return JobResult::Done();
  }
  const QString target = TargetOf(plan, source);
  const QString why = ImageExtract::WriteFile(target, *bytes, source.Item.ModifiedAt, plan.Replace);
  if (!why.isEmpty()) {
    tally.Problems.append(QStringLiteral("%1: %2").arg(target, why));
    return JobResult::Done();
  }
  ++tally.Files;
  tally.Bytes += bytes->size();
  if (host.Copied) host.Copied(ImageText::CopiedByType(OnDriveD(source.Path()), target, bytes->size()));
  return JobResult::Done();
}

// The image road: one backup, then every source extracted from it.
JobResult FromImage(Host& host, const Plan& plan, const std::vector<Source>& sources, Tally& tally) {
  const QTemporaryDir scratch;
  if (!scratch.isValid()) return JobResult::Failed(ImageText::NoScratchFolder(scratch.errorString()));
  const QString imagePath = scratch.filePath(QString::fromLatin1(ImageText::kDefaultImageName));
  DeviceShell& shell = host.Shell;
  ImageKeeperHost keeperHost{shell.SelectedPort(), host.Console ? *host.Console : shell.Console(),
                             shell.Dialogs(), host.Presenter, host.View, host.TransferTimeoutMs};
  JobResult backup;
  {
    // The keeper (and its worker, with the image file) goes before the folder.
    ImageKeeper keeper(keeperHost);
    if (host.KeeperMade) host.KeeperMade(&keeper);
    backup = keeper.Backup(imagePath);
    if (host.KeeperMade) host.KeeperMade(nullptr);
  }
  // The backup's own words speak of an image file the user chose; the stop
  // the user asked for is told as a console line only.
  if (backup.Cancelled()) return JobResult::Stopped();
  if (!backup) {
    if (!backup.Text.isEmpty()) backup.Text.prepend(QString::fromLatin1(ImageText::kDriveNotRead));
    return backup;
  }
  const Expected<FatVolume> volume = FatVolume::OpenFile(imagePath);
  if (!volume) return JobResult::Failed(volume.Error());
  for (const Source& source : sources) {
    const Expected<FatItem> item = volume->Find(source.Path());
    if (!item) {
      tally.Problems.append(item.Error());
      continue;
    }
    ImageExtract::Outcome outcome;
    const QString target = TargetOf(plan, source);
    ImageExtract::Extract(*volume, source.Path(), *item, target, plan.Replace, outcome);
    tally.Files += outcome.Files;
    tally.Bytes += outcome.Bytes;
    tally.Problems += outcome.Problems;
    if (host.Copied && (outcome.Files > 0 || outcome.Folders > 0))
      host.Copied(ImageText::CopiedFromImage(OnDriveD(source.Path()), target, outcome.Files, outcome.Bytes));
  }
  return JobResult::Done();
}

}  // namespace

QString Source::Path() const {
  return Folder.endsWith(QLatin1Char('\\')) ? Folder + Item.Name : Folder + QLatin1Char('\\') + Item.Name;
}

QString TargetOf(const Plan& plan, const Source& source) {
  return plan.IntoFolder ? QDir(plan.Destination).filePath(source.Item.Name) : plan.Destination;
}

QStringList ExistingTargets(const Plan& plan) {
  QStringList existing;
  for (const Source& source : plan.Sources) {
    const QFileInfo target(TargetOf(plan, source));
    // A folder copied onto a folder fills it; only a file is replaced.
    if (target.exists() && !(source.Item.IsFolder() && target.isDir())) existing.append(target.filePath());
  }
  return existing;
}

JobResult Copy(Host& host, const Plan& plan) {
  // 1. Every target checked before anything is typed.
  for (const Source& source : plan.Sources)
    if (plan.IntoFolder && !ImageExtract::SafeName(source.Item.Name))
      return JobResult::Failed(QStringLiteral("%1: %2").arg(OnDriveD(source.Path()),
                                                             QString::fromLatin1(ImageText::kUnsafeName)));
  if (const QStringList existing = ExistingTargets(plan); !plan.Replace && !existing.isEmpty())
    return JobResult::Failed(ImageText::TargetsExist(existing));
  // 2. The texts, typed.
  Tally tally;
  bool driveRead = false;
  std::vector<Source> imageRoad;
  for (const Source& source : plan.Sources) {
    if (source.Item.IsFolder() || !DeviceTextFile::IsTextName(source.Item.Name)) {
      imageRoad.push_back(source);
      continue;
    }
    if (JobResult typed = TypeFile(host, plan, source, tally, imageRoad); !typed) return typed;
  }
  // 3. Everything else from a backup of the whole drive, after saying so.
  if (!imageRoad.empty()) {
    QStringList names;
    for (const Source& source : imageRoad) names.append(OnDriveD(source.Path()));
    const QString notice = ImageText::ImageRoadNotice(names);
    UserDialogs& dialogs = host.Shell.Dialogs();
    if (host.AskBeforeImage && !dialogs.AskYesNo(notice + QStringLiteral("\n\n") +
                                                 QString::fromLatin1(ImageText::kImageRoadQuestion))) {
      for (const QString& name : names) tally.Problems.append(ImageText::NotCopied(name));
    } else {
      // Said at once, before the long read (the command line's front).
      if (!host.AskBeforeImage) host.Shell.Teller().Tell(JobResult::Done(notice));
      if (JobResult read = FromImage(host, plan, imageRoad, tally); !read) return read;
      driveRead = true;
    }
  }
  // 4. What came of it.
  QString done = ImageText::CopiedTotals(tally.Files, tally.Bytes, plan.Destination);
  // The backup helper's own advice after it ran.
  if (driveRead) done += QStringLiteral("\n") + QString::fromLatin1(ImageText::kRebootAfterBackup);
  if (!tally.Problems.isEmpty()) return JobResult::Failed(done + QLatin1Char('\n') + tally.Problems.join(QLatin1Char('\n')));
  return JobResult::Done(done);
}

}  // namespace CopyToPc
