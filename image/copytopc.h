#pragma once
// CopyToPc: files and folders of the controller's D: copied to the PC - the
// device pane's Copy to PC and talo7100-cli get.
//
// Principles of operation
// - The controller's transfer program only receives, so there are two
//   roads. A file with a text's name (DeviceTextFile::IsTextName) is typed
//   ("type") and kept when what came is the whole file, as its listed size
//   tells (DeviceTextFile::FileBytes): then it is written byte for byte.
//   Every other file, a text that "type" could not carry whole (a ^Z, a
//   zero byte - the line reads drop them, so the padding of an XMODEM
//   upload too - or a line too long for the exchange), and every folder
//   come from the drive image: a backup of the whole drive into a temporary
//   folder (ImageKeeper: the helper's upload, the wait window and its
//   watchdog, Cancel), from which they are extracted with their dates
//   (ImageExtract). The temporary image goes in every case.
// - The image road reads the whole drive, which takes minutes: the user is
//   told first, naming what goes that way. With AskBeforeImage (the window)
//   it is a question, and No leaves those items out; otherwise (the command
//   line) it is said and the copy goes on.
// - Before anything is typed, each target is checked: a name that could
//   name another file on the PC is refused, and an existing file is
//   replaced only with Replace (ExistingTargets lists those a question may
//   ask about; files inside a folder are found once the image is read).
// - Each "type" runs as a job on the shell's runner (JobRunner::Await): a
//   window keeps painting and its Cancel stops the read between two lines.
//   A lost port, a controller that stopped answering or a stop ends the
//   copy; a file the shell refuses is a problem and the copy goes on.
// - The result is a value: Ok with what was copied; Failed with every
//   problem (what was copied is copied); the backup's own failure or stop
//   as it came. Nothing is shown here. Main thread only.

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "items/paneitem.h"
#include "link/jobs/jobrunner.h"
#include "remote/devicelister.h"

class DeviceShell;
class ImageKeeper;
class ImageKeeperView;
class TaloConsole;
class TransferPresenter;

namespace CopyToPc {

struct Source {
  QString Folder;   // its folder on D: ("\", "\DATA")
  PaneItem Item;  // as that folder's listing showed it
  QString Path() const;  // "\DATA\LOG.TXT"
};

struct Plan {
  std::vector<Source> Sources;
  QString Destination;  // a PC folder, or the file to write for one source
  bool IntoFolder = true;
  bool Replace = false;
};

struct Host {
  DeviceShell& Shell;              // port, console, dialogs
  TransferPresenter& Presenter;    // the backup helper's upload
  ImageKeeperView& View;           // the backup's wait window and watchdog
  bool AskBeforeImage = true;
  DeviceTimeouts Timeouts = {};
  uint32_t TransferTimeoutMs = 500;  // the helper upload's (tests shorten it)
  // A line for each source copied ("D:\X.TXT -> /home/ana/X.TXT: ...").
  std::function<void(const QString& line)> Copied = {};
  // The backup's console, when not the shell's (a progress bar's wrapper).
  TaloConsole* Console = nullptr;
  // Told of the backup's keeper while it lives (the view's watchdog and
  // Cancel reach it), then of null.
  std::function<void(ImageKeeper* keeper)> KeeperMade = {};
};

// Where a source goes.
QString TargetOf(const Plan& plan, const Source& source);
// The targets that exist already (files and folders given, not their
// contents).
QStringList ExistingTargets(const Plan& plan);

JobResult Copy(Host& host, const Plan& plan);

}  // namespace CopyToPc
