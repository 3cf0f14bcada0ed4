#include "image/cli/imagefilescli.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <optional>

#include "clisupport/progressline.h"
#include "image/copytopc.h"
#include "image/fatvolume.h"
#include "image/imagediff.h"
#include "image/imageextract.h"
#include "image/imagelisting.h"
#include "image/imageprogress.h"
#include "image/imagetext.h"
#include "link/escapecontrols.h"
#include "link/shell/devicepath.h"
#include "link/shell/deviceshell.h"
#include "link/userdialogs.h"
#include "remote/devicecli.h"
#include "remote/devicetexts.h"
#include "transfer/terminalprogress.h"

namespace ImageFilesCli {
namespace {

void Print(const QStringList& lines) {
  for (const QString& line : lines) PrintEscapedLine(stdout, line);
  std::fflush(stdout);
}

// The call's positional arguments after its options (--force when allowed);
// none, after saying why, on a wrong option.
std::optional<QStringList> Parse(const QString& name, const QStringList& arguments, bool& force) {
  QCommandLineParser parser;
  const QCommandLineOption forceOption(QStringLiteral("force"), QStringLiteral("replace existing files"));
  parser.addOption(forceOption);
  if (!parser.parse(QStringList{name} + arguments)) {
    PrintEscapedLine(stderr, QStringLiteral("talo7100-cli %1: %2").arg(name, parser.errorText()));
    return std::nullopt;
  }
  force = parser.isSet(forceOption);
  return parser.positionalArguments();
}

std::optional<FatVolume> OpenVolume(CliContext& context, const QString& path) {
  Expected<FatVolume> volume = FatVolume::OpenFile(path);
  if (!volume) {
    context.Shell.Teller().Tell(
        JobResult::Failed(QStringLiteral("%1: %2").arg(path, volume.Error())));
    return std::nullopt;
  }
  return std::move(*volume);
}

// Where the items go: into DEST when it is a folder; as DEST when one file
// goes. None (a wrong call) otherwise.
std::optional<bool> IntoFolder(const QString& destination, int count, bool firstIsFolder) {
  if (QFileInfo(destination).isDir()) return true;
  if (count == 1 && !firstIsFolder) return false;
  return std::nullopt;
}

int ImageLs(CliContext& context, const QStringList& arguments) {
  if (arguments.isEmpty() || arguments.size() > 2) return kUsageError;
  const std::optional<FatVolume> volume = OpenVolume(context, arguments[0]);
  if (!volume) return kExitFailed;
  const QString path = arguments.value(1, QStringLiteral("\\"));
  const Expected<FatItem> item = volume->Find(path);
  if (!item) {
    context.Shell.Teller().Tell(JobResult::Failed(item.Error()));
    return kExitFailed;
  }
  std::vector<FatItem> items{*item};
  if (item->Folder) {
    FatVolume::Listing listing = volume->ListFolder(*item);
    if (!listing.Error.isEmpty()) {
      context.Shell.Teller().Tell(JobResult::Failed(QStringLiteral("%1: %2").arg(path, listing.Error)));
      return kExitFailed;
    }
    items = std::move(listing.Items);
  }
  ImageListing::Sort(items);
  Print(ImageListing::Lines(items, *volume));
  return kExitOk;
}

int ImageGet(CliContext& context, const QStringList& arguments, bool force) {
  if (arguments.size() < 3) return kUsageError;
  const QString destination = arguments.back();
  const QStringList paths = arguments.mid(1, arguments.size() - 2);
  const std::optional<FatVolume> volume = OpenVolume(context, arguments[0]);
  if (!volume) return kExitFailed;
  // Every path found before anything is written.
  std::vector<std::pair<QString, FatItem>> items;
  for (const QString& path : paths) {
    const Expected<FatItem> item = volume->Find(path);
    if (!item) {
      context.Shell.Teller().Tell(JobResult::Failed(item.Error()));
      return kExitFailed;
    }
    items.emplace_back(path, *item);
  }
  const std::optional<bool> into = IntoFolder(destination, static_cast<int>(items.size()), items.front().second.Folder);
  if (!into) return kUsageError;
  ImageExtract::Outcome outcome;
  for (const auto& [path, item] : items) {
    // The root goes into DEST itself; anything else under its own name.
    const bool root = item.FirstCluster == 0 && item.Folder;
    if (*into && !root && !ImageExtract::SafeName(item.Name)) {
      outcome.Problems.append(QStringLiteral("%1: %2").arg(path, QString::fromLatin1(ImageText::kUnsafeName)));
      continue;
    }
    const QString target = !*into ? destination : root ? destination : QDir(destination).filePath(item.Name);
    ImageExtract::Extract(*volume, path, item, target, force, outcome);
  }
  Print({ImageText::CopiedTotals(outcome.Files, outcome.Bytes, destination)});
  for (const QString& problem : outcome.Problems) context.Shell.Teller().Tell(JobResult::Failed(problem));
  return outcome.Ok() ? kExitOk : kExitFailed;
}

int ImageDiffRun(CliContext& context, const QStringList& arguments) {
  if (arguments.size() != 2) return kUsageError;
  const std::optional<FatVolume> first = OpenVolume(context, arguments[0]);
  const std::optional<FatVolume> second = first ? OpenVolume(context, arguments[1]) : std::nullopt;
  if (!first || !second) return kExitFailed;
  const ImageDiff::Result result = ImageDiff::Compare(*first, *second);
  Print(ImageDiff::Lines(result));
  return result.Equal() ? kExitOk : kExitFailed;
}

}  // namespace

int RunImage(CliContext& context, const QStringList& arguments) {
  if (arguments.isEmpty()) return kUsageError;
  const QString what = arguments.front();
  bool force = false;
  const std::optional<QStringList> rest =
      Parse(QStringLiteral("image ") + what, arguments.mid(1), force);
  if (!rest) return kUsageError;
  if (what == QLatin1String("ls") && !force) return ImageLs(context, *rest);
  if (what == QLatin1String("get")) return ImageGet(context, *rest, force);
  if (what == QLatin1String("diff") && !force) return ImageDiffRun(context, *rest);
  return kUsageError;
}

int RunGet(CliContext& context, const QStringList& arguments) {
  bool force = false;
  const std::optional<QStringList> rest = Parse(QStringLiteral("get"), arguments, force);
  if (!rest || rest->size() < 2) return kUsageError;
  DeviceShell& shell = context.Shell;
  const QString destination = rest->back();
  // Every path checked and found in a listing of its folder first.
  CopyToPc::Plan plan;
  plan.Replace = force;
  plan.Destination = destination;
  for (const QString& path : rest->mid(0, rest->size() - 1)) {
    if (!DeviceCli::CheckNameArgument(shell, path, true)) return kUsageError;
    const QString folder = DeviceCli::FolderOf(path);
    std::vector<PaneItem> listed;
    if (!DeviceCli::ReadFreeSpace(shell, folder, {}, &listed)) return kExitFailed;
    const QString name = DeviceCli::NameOf(path);
    const auto found = std::find_if(listed.begin(), listed.end(), [&](const PaneItem& item) {
      return item.Name.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (found == listed.end()) {
      shell.Teller().Tell(JobResult::Failed(DeviceText::NotFound(DevicePath::Normalised(path))));
      return kExitFailed;
    }
    plan.Sources.push_back({folder, *found});
  }
  const std::optional<bool> into =
      IntoFolder(destination, static_cast<int>(plan.Sources.size()), plan.Sources.front().Item.IsFolder());
  if (!into) return kUsageError;
  plan.IntoFolder = *into;

  // The copied files' lines on stdout, the progress on stderr.
  const bool interactive = ProgressLine::Interactive(stderr);
  TerminalProgress upload(stderr, interactive);
  ImageProgress progress(stderr, interactive);
  CopyToPc::Host host{shell, upload, progress, /*AskBeforeImage=*/false};
  host.Console = &upload.Console(shell.Console());
  host.KeeperMade = [&progress](ImageKeeper* keeper) { progress.SetKeeper(keeper); };
  host.Copied = [](const QString& line) { Print({line}); };
  const JobResult result = CopyToPc::Copy(host, plan);
  if (upload.CancelledByUser() || progress.InterruptedByUser()) return kExitInterrupted;
  if (result.Ok())
    Print({result.Text});
  else
    shell.Tell(result);
  return result.Ok() ? kExitOk : kExitFailed;
}

}  // namespace ImageFilesCli
