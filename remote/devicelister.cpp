#include "devicelister.h"

#include <QDate>

#include "devicecommands.h"
#include "deviceshell.h"
#include "devicetexts.h"

namespace {
constexpr uint8_t kLineFeed = 10;
}  // namespace

int DeviceLister::CurrentYear() const {
  return FixedYear != 0 ? FixedYear : QDate::currentDate().year();
}

bool DeviceLister::ListDeviceFolder(const QString& path, const LineSink& onLine,
                                    QString* errorText) {
  QString error;
  {
    ShellSession session(Shell, Times.ListingMs, kLineFeed);
    const int year = CurrentYear();
    // 1. Port open, configured and drained by the session.
    if (!session.IsOpen()) {
      error = session.OpenErrorText();
    }
    // 2. Drive D:.
    else if (!session.Send(DeviceCommand::SelectDrive())) {
      error = session.FailureText(DeviceText::UnableToSendDrive());
    } else {
      (void)session.ReadAnswer({}, Times.PromptBudgetMs);
      // 3. The folder; the shell refuses a missing one with an "Invalid" line.
      if (!session.Send(DeviceCommand::ChangeFolder(path))) {
        error = session.FailureText(DeviceText::UnableToSendChangeFolder(path));
      } else {
        (void)session.ReadAnswer(
            [&](const QByteArray& line) {
              if (!line.contains("Invalid")) return true;
              error = DeviceText::ShellRefusal(QString::fromLatin1(line), path);
              return false;
            },
            Times.PromptBudgetMs);
      }
      // 4. The listing, parsed line by line as it comes.
      if (error.isEmpty()) {
        if (!session.Send(DeviceCommand::ListFolder())) {
          error = session.FailureText(DeviceText::UnableToSendList());
        } else {
          const bool whole = session.ReadAnswer(
              [&](const QByteArray& line) {
                DeviceListing::ListingLine parsed = DeviceListing::ParseListingLine(line, year);
                if (onLine) onLine(parsed);
                return true;
              },
              Times.PromptBudgetMs);
          // A listing cut off by the line going away is no listing; one the
          // controller stopped answering before its prompt is none either.
          if (!whole) error = session.FailureText(DeviceText::ListingCutShort());
        }
      }
    }
  }  // The port is closed before anything is shown.
  if (errorText)
    *errorText = error;
  else if (!error.isEmpty())
    Shell.Dialogs().ShowError(error);
  return error.isEmpty();
}

bool DeviceLister::MeasureDeviceFolder(const QString& argument, TreeCounts& counts) {
  counts = TreeCounts{};
  QString error;
  {
    ShellSession session(Shell, Times.ListingMs, kLineFeed);
    if (!session.IsOpen()) {
      error = session.OpenErrorText();
    } else if (!session.Send(DeviceCommand::CountTree(argument))) {
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
