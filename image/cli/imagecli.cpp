#include "image/cli/imagecli.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdio>
#include <optional>

#include "clisupport/progressline.h"
#include "image/cli/imagefilescli.h"
#include "image/imagekeeper.h"
#include "image/imageprogress.h"
#include "image/imagetext.h"
#include "link/escapecontrols.h"
#include "link/shell/deviceshell.h"
#include "transfer/terminalprogress.h"

namespace ImageCli {

std::optional<Call> ParseCall(const char* name, const QStringList& arguments, bool withYes,
                              QString& why) {
  why.clear();
  QCommandLineParser parser;
  parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("the image file"));
  const QCommandLineOption yes(QStringLiteral("yes"), QStringLiteral("answer the warning question yes"));
  const QCommandLineOption verify(QStringLiteral("verify"),
                                  QStringLiteral("read the drive back and compare it with the image"));
  if (withYes) parser.addOptions({yes, verify});
  if (!parser.parse(QStringList{QString::fromLatin1(name)} + arguments)) {
    why = QStringLiteral("talo7100-cli %1: %2").arg(QLatin1String(name), parser.errorText());
    return std::nullopt;
  }
  if (parser.positionalArguments().size() != 1) return std::nullopt;
  return Call{parser.positionalArguments().front(), withYes && parser.isSet(yes),
              withYes && parser.isSet(verify)};
}

namespace {

enum class Direction { Backup, Restore };

int Run(DeviceShell& shell, const Call& call, Direction direction) {
  // Progress only: the image file is the result.
  const bool interactive = ProgressLine::Interactive(stderr);
  TerminalProgress upload(stderr, interactive);
  ImageProgress progress(stderr, interactive);
  const ImageKeeperHost host{shell.SelectedPort(), upload.Console(shell.Console()), shell.Dialogs(),
                             upload, progress};
  ImageKeeper keeper(host);
  progress.SetKeeper(&keeper);
  const QString path = QFileInfo(call.ImagePath).absoluteFilePath();
  const JobResult result =
      direction == Direction::Backup ? keeper.Backup(path) : keeper.Restore(path, call.Verify);
  shell.Teller().Tell(result);
  // The success stands, but the damaged blocks must not pass unseen in a
  // summary of many ports.
  if (result.Ok() && keeper.Answered444() > 0)
    PrintEscapedLine(stderr, QLatin1String(kNoteLinePrefix) + QLatin1Char(' ') +
                                 ImageText::Answered444Summary(keeper.Answered444()));
  if (upload.CancelledByUser() || progress.InterruptedByUser()) return kExitInterrupted;
  return result ? kExitOk : kExitFailed;
}

// The call, or none after saying what is wrong with it.
std::optional<Call> Parse(const char* name, const QStringList& arguments, bool withYes) {
  QString why;
  std::optional<Call> call = ParseCall(name, arguments, withYes, why);
  if (!why.isEmpty()) PrintEscapedLine(stderr, why);
  return call;
}

}  // namespace

int Backup(DeviceShell& shell, const QStringList& arguments) {
  const std::optional<Call> call = Parse("backup", arguments, false);
  if (!call) return kUsageError;
  return Run(shell, *call, Direction::Backup);
}

int Restore(DeviceShell& shell, const QStringList& arguments) {
  const std::optional<Call> call = Parse("restore", arguments, true);
  if (!call) return kUsageError;
  if (!call->Yes && !shell.Dialogs().AskYesNo(QString::fromLatin1(ImageText::kRestoreQuestion),
                                           UserDialogs::BoxKind::Warning))
    return kExitFailed;
  return Run(shell, *call, Direction::Restore);
}

namespace {

const CliCommand kCommands[] = {
    {.Name = "backup",
     .Arguments = kBackupArguments,
     .Summary = "Saves the whole D: drive into an image file.",
     .Run = [](CliContext& context, const QStringList& arguments) {
       return Backup(context.Shell, arguments);
     },
     .OwnOptions = true,
     .JoinsFleet = true},
    {.Name = "restore",
     .Arguments = kRestoreArguments,
     .Summary = "Writes an image file back onto D: (erases it).",
     .Run = [](CliContext& context, const QStringList& arguments) {
       return Restore(context.Shell, arguments);
     },
     .OwnOptions = true,
     .JoinsFleet = true},
    {.Name = "get",
     .Arguments = ImageFilesCli::kGetArguments,
     .Summary = "Copies files of D: to the PC (texts typed, others from a backup).",
     .Run = ImageFilesCli::RunGet,
     .ShowConsole = false,
     .OwnOptions = true},
    {.Name = "image",
     .Arguments = ImageFilesCli::kImageArguments,
     .Summary = "Lists, copies out of and compares drive image files.",
     .Run = ImageFilesCli::RunImage,
     .NeedsPort = false,
     .ShowConsole = false,
     .OwnOptions = true},
};

}  // namespace

std::span<const CliCommand> Commands() { return kCommands; }

}  // namespace ImageCli
