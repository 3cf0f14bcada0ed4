#include "remote/devicelister.h"

#include <QDate>
#include <optional>

#include "items/datesettings.h"
#include "link/shell/devicepath.h"
#include "link/shell/deviceshell.h"
#include "link/shell/shellsession.h"
#include "remote/devicecommands.h"
#include "remote/devicetexts.h"

namespace {
constexpr uint8_t kLineFeed = 10;
}  // namespace

int DeviceLister::CurrentYear() const {
  return FixedYear != 0 ? FixedYear : QDate::currentDate().year();
}

JobResult DeviceLister::SelectFolder(ShellSession& session, const QString& path) {
  const DeviceCommand::CommandLine changeFolder = DeviceCommand::ChangeFolder(path);
  if (changeFolder.Refused()) {
    Failure = ListingFailure::FolderRefused;
    return JobResult::Failed(changeFolder.Refusal);
  }
  // Drive D:.
  if (!session.Send(DeviceCommand::SelectDrive())) {
    Failure = ListingFailure::NoAnswer;
    return session.Failure(DeviceText::UnableToSendDrive());
  }
  if (!session.ReadAnswer({}, Times.PromptBudgetMs) && JobRunner::StopRequested())
    return JobResult::Stopped();
  // The folder; the shell refuses a missing one with an "Invalid" line.
  if (!session.Send(changeFolder.Line))
    return session.Failure(DeviceText::UnableToSendChangeFolder(path));
  QString error;
  const bool prompt = session.ReadAnswer(
      [&](const QByteArray& line) {
        if (!line.contains("Invalid")) return true;
        error = DeviceText::ShellRefusal(QString::fromLatin1(line), path);
        Failure = ListingFailure::FolderRefused;
        return false;
      },
      Times.PromptBudgetMs);
  if (!prompt && error.isEmpty() && JobRunner::StopRequested()) return JobResult::Stopped();
  return error.isEmpty() ? JobResult::Done() : JobResult::Failed(error);
}

FolderListing DeviceLister::ReadFolder(const QString& path, int year) {
  FolderListing listing;
  listing.Result = ReadListing(path, [&](DeviceListing::ListingLine& line) {
    using Kind = DeviceListing::ListingLine::Kind;
    if (line.LineKind == Kind::Item) {
      listing.Items.push_back(std::move(line.Item));
    } else if (line.LineKind == Kind::FreeSpace) {
      listing.HasFreeSpace = true;
      listing.FreeCaption = line.FreeCaption;
      listing.FreeBytes = line.FreeBytes;
    }
  }, year);
  listing.Failure = Failure;
  return listing;
}

JobResult DeviceLister::ReadListing(const QString& path, const LineSink& onLine, int year) {
  Failure = ListingFailure::None;
  if (QString refusal = DeviceCommand::CheckPath(path); !refusal.isEmpty()) {
    Failure = ListingFailure::FolderRefused;
    return JobResult::Failed(refusal);
  }
  ShellSession session(Shell, Times.ListingMs, kLineFeed, DeviceShell::Pace::QuickWhenChosen);
  if (year == 0) year = CurrentYear();
  const DateFormat dates = DateSettings::ListingFormat();
  std::optional<bool> lastDate;
  JobResult result = JobResult::Done();
  // 1. Port open, configured and drained by the session.
  if (!session.IsOpen()) {
    Failure = ListingFailure::PortNotOpened;
    return JobResult::Failed(session.OpenErrorText());
  }
  // 2, 3. Drive D: and the folder.
  if (result = SelectFolder(session, path); result.Ok()) {
    // 4. The listing, parsed line by line as it comes.
    if (!session.Send(DeviceCommand::ListFolder())) {
      result = session.Failure(DeviceText::UnableToSendList());
    } else {
      const bool whole = session.ReadAnswer(
          [&](const QByteArray& line) {
            DeviceListing::ListingLine parsed = DeviceListing::ParseListingLine(line, year, dates);
            if (parsed.LineKind == DeviceListing::ListingLine::Kind::Item)
              lastDate = parsed.DateRead;
            if (onLine) onLine(parsed);
            return true;
          },
          Times.PromptBudgetMs);
      // A listing cut off by the line going away is no listing; one the
      // controller stopped answering before its prompt is none either.
      if (!whole) result = session.Failure(DeviceText::ListingCutShort());
    }
  }
  // Each entry's date conversion leaves the process-wide format as it
  // ended: the last one decides, noted where the format is read.
  if (lastDate) JobRunner::OnMainThread([&] { DateSettings::NoteListingConversion(*lastDate); });
  // Whatever broke off after the first echo left the listing incomplete,
  // unless the line itself went away.
  if (!result.Ok() && Failure == ListingFailure::None) Failure = ListingFailure::Incomplete;
  if (!result.Ok() && session.Disconnected()) Failure = ListingFailure::Disconnected;
  return result;
}  // The port is closed before anything is shown.

JobResult DeviceLister::MeasureDeviceFolder(const QString& folder, const QString& name,
                                            TreeCounts& counts) {
  counts = TreeCounts{};
  const DeviceCommand::CommandLine countTree = DeviceCommand::CountTree(folder, name);
  if (countTree.Refused()) return JobResult::Failed(countTree.Refusal);
  ShellSession session(Shell, Times.ListingMs, kLineFeed, DeviceShell::Pace::QuickWhenChosen);
  if (!session.IsOpen()) return JobResult::Failed(session.OpenErrorText());
  if (!session.Send(countTree.Line)) return session.Failure(DeviceText::UnableToSendCountTree());
  QByteArray refusal;
  const bool whole = session.ReadAnswer(
      [&](const QByteArray& line) {
        if (refusal.isEmpty() && !DeviceCommand::RefusalIn(line).isEmpty()) refusal = line;
        const DeviceListing::TreeLine entry = DeviceListing::ClassifyTreeLine(line);
        if (entry.LineKind == DeviceListing::TreeLine::Kind::Folder) ++counts.Folders;
        if (entry.LineKind == DeviceListing::TreeLine::Kind::File) {
          ++counts.Files;
          counts.Bytes += entry.SizeBytes;
        }
        return true;
      },
      Times.PromptBudgetMs);
  if (!whole) return session.Failure(DeviceText::CountCutShort());
  // A path the shell refuses counts nothing: it is no empty folder. A drive
  // with nothing on it is the one thing a shell may answer "File not found"
  // for when the path is there: its root has no "." and ".." to list.
  const bool root = name.isEmpty() && (folder.isEmpty() || folder == QLatin1String("\\"));
  if (!refusal.isEmpty() && !(root && refusal.startsWith("File not found")))
    return JobResult::Failed(
        DeviceText::ShellRefusal(QString::fromLatin1(refusal), DevicePath::OnDriveD(folder, name)));
  return JobResult::Done();
}  // The port is closed before anything is shown.
