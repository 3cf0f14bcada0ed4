#include "remote/devicelister.h"

#include <QDate>

#include "items/datesettings.h"
#include "link/deviceshell.h"
#include "remote/devicecommands.h"
#include "remote/devicetexts.h"

namespace {
constexpr uint8_t kLineFeed = 10;
}  // namespace

int DeviceLister::CurrentYear() const {
  return FixedYear != 0 ? FixedYear : QDate::currentDate().year();
}

QString DeviceLister::SelectFolder(ShellSession& session, const QString& path) {
  const DeviceCommand::CommandLine changeFolder = DeviceCommand::ChangeFolder(path);
  if (changeFolder.Refused()) {
    Failure = ListingFailure::FolderRefused;
    return changeFolder.Refusal;
  }
  // Drive D:.
  if (!session.Send(DeviceCommand::SelectDrive())) {
    Failure = ListingFailure::NoAnswer;
    return session.FailureText(DeviceText::UnableToSendDrive());
  }
  (void)session.ReadAnswer({}, Times.PromptBudgetMs);
  // The folder; the shell refuses a missing one with an "Invalid" line.
  if (!session.Send(changeFolder.Line))
    return session.FailureText(DeviceText::UnableToSendChangeFolder(path));
  QString error;
  (void)session.ReadAnswer(
      [&](const QByteArray& line) {
        if (!line.contains("Invalid")) return true;
        error = DeviceText::ShellRefusal(QString::fromLatin1(line), path);
        Failure = ListingFailure::FolderRefused;
        return false;
      },
      Times.PromptBudgetMs);
  return error;
}

bool DeviceLister::ListDeviceFolder(const QString& path, const LineSink& onLine,
                                    QString* errorText) {
  Failure = ListingFailure::None;
  QString error = DeviceCommand::CheckPath(path);
  if (!error.isEmpty()) {
    Failure = ListingFailure::FolderRefused;
  } else {
    ShellSession session(Shell, Times.ListingMs, kLineFeed, DeviceShell::Pace::QuickWhenChosen);
    const int year = CurrentYear();
    const DateFormat dates = DateSettings::ListingFormat();
    // 1. Port open, configured and drained by the session.
    if (!session.IsOpen()) {
      error = session.OpenErrorText();
      Failure = ListingFailure::PortNotOpened;
    }
    // 2, 3. Drive D: and the folder.
    else if (error = SelectFolder(session, path); error.isEmpty()) {
      // 4. The listing, parsed line by line as it comes.
      if (!session.Send(DeviceCommand::ListFolder())) {
        error = session.FailureText(DeviceText::UnableToSendList());
      } else {
        const bool whole = session.ReadAnswer(
            [&](const QByteArray& line) {
              DeviceListing::ListingLine parsed =
                  DeviceListing::ParseListingLine(line, year, dates);
              // Each entry's date leaves the process-wide format as it ended.
              if (parsed.LineKind == DeviceListing::ListingLine::Kind::Item)
                DateSettings::NoteListingConversion(parsed.DateRead);
              if (onLine) onLine(parsed);
              return true;
            },
            Times.PromptBudgetMs);
        // A listing cut off by the line going away is no listing; one the
        // controller stopped answering before its prompt is none either.
        if (!whole) error = session.FailureText(DeviceText::ListingCutShort());
      }
    }
    // Whatever broke off after the first echo left the listing incomplete,
    // unless the line itself went away.
    if (!error.isEmpty() && Failure == ListingFailure::None) Failure = ListingFailure::Incomplete;
    if (!error.isEmpty() && session.Disconnected()) Failure = ListingFailure::Disconnected;
  }  // The port is closed before anything is shown.
  if (errorText)
    *errorText = error;
  else if (!error.isEmpty())
    Shell.Dialogs().ShowError(error);
  return error.isEmpty();
}

bool DeviceLister::MeasureDeviceFolder(const QString& folder, const QString& name,
                                       TreeCounts& counts) {
  counts = TreeCounts{};
  const DeviceCommand::CommandLine countTree = DeviceCommand::CountTree(folder, name);
  QString error = countTree.Refusal;
  if (error.isEmpty()) {
    ShellSession session(Shell, Times.ListingMs, kLineFeed, DeviceShell::Pace::QuickWhenChosen);
    if (!session.IsOpen()) {
      error = session.OpenErrorText();
    } else if (!session.Send(countTree.Line)) {
      error = session.FailureText(DeviceText::UnableToSendCountTree());
    } else {
      const bool whole = session.ReadAnswer(
          [&](const QByteArray& line) {
            const DeviceListing::TreeLine entry = DeviceListing::ClassifyTreeLine(line);
            if (entry.LineKind == DeviceListing::TreeLine::Kind::Folder) ++counts.Folders;
            if (entry.LineKind == DeviceListing::TreeLine::Kind::File) {
              ++counts.Files;
              counts.Bytes += entry.SizeBytes;
            }
            return true;
          },
          Times.PromptBudgetMs);
      if (!whole) error = session.FailureText(DeviceText::CountCutShort());
    }
  }
  if (!error.isEmpty()) Shell.Dialogs().ShowError(error);
  return error.isEmpty();
}
