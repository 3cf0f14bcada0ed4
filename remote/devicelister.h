#pragma once
// DeviceLister: the two exchanges that read the controller's D: drive,
// "dir" for one folder and "dir/s" for a whole tree.
//
// Principles of operation
// - Each call is one ShellSession (link/shell/shellsession.h) at 200 ms time-outs
//   with line feed as terminator: it opens the selected port, drains it,
//   types its commands with echo check and closes the port. Every line read
//   is in the console. Failures come back as a JobResult, once the port is
//   closed: whoever started the operation shows them; nothing here shows a
//   box.
// - The end of an answer is the prompt, awaited after a 200 ms silence ends
//   the first reads (a busy shell pauses); with quick answers chosen
//   (DeviceShell::SetQuickAnswers) the prompt ends it as soon as it came. A "dir" or "dir/s" answer whose
//   prompt never comes was cut off - the controller stopped answering - and
//   fails with its own message: a part of a folder is not shown as the
//   whole of it, nor counted as its size.
// - Every path and name is checked before the port is opened
//   (DeviceCommand): one the shell would take for more than a name is not
//   typed, and the message names it.
// - A successful ReadListing leaves the shell on D: in the folder
//   listed, but nothing relies on that later: the shell's folder may move
//   between two exchanges. "dir/s" names its folder by its full path.
// - Runs on the thread of the exchange (a job's worker, or the main thread):
//   the process-wide date format (items/datesettings.h) is left as the last
//   entry's date conversion ended, set on the main thread once the listing
//   has been read.

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "items/paneitem.h"
#include "link/jobs/jobrunner.h"

#include "remote/devicelisting.h"

class DeviceShell;
class ShellSession;

// The time-out value T of each kind of exchange; a read gives up after 2T.
// The defaults are the controller's; tests shorten them against a fast
// simulator.
struct DeviceTimeouts {
  uint32_t ListingMs = 200;         // "d:", "cd", "dir", "dir/s"
  uint32_t FileCommandMs = 200;     // "del", "rd", "md", "ren", autorun
  uint32_t DeviceCommandMs = 1000;  // MEM, ABORT
  uint32_t FormatMs = 1000;         // the formatter
  // How long each exchange waits for the prompt, counted in time-out units.
  uint32_t PromptBudgetMs = 5000;
};

// Why the last ReadListing failed, for the pane's status text.
enum class ListingFailure {
  None,
  PortNotOpened,  // the port could not be opened
  NoAnswer,       // "d:", the first thing typed, was not echoed
  Disconnected,   // the port went away during the exchange
  FolderRefused,  // the shell refused "cd" to the folder
  Incomplete,     // the answer broke off before the shell's prompt
};

// One folder's listing as a job read it, for the pane to show.
struct FolderListing {
  std::vector<PaneItem> Items;
  bool HasFreeSpace = false;  // the listing had its free-space line
  int64_t FreeBytes = 0;
  QString FreeCaption;
  ListingFailure Failure = ListingFailure::None;
  JobResult Result;
};

struct TreeCounts {
  int64_t Files = 0;
  int64_t Bytes = 0;
  int64_t Folders = 0;
};

class DeviceLister {
 public:
  explicit DeviceLister(DeviceShell& shell) : Shell(shell) {}

  const DeviceTimeouts& Timeouts() const { return Times; }
  void SetTimeouts(const DeviceTimeouts& timeouts) { Times = timeouts; }

  // Two-digit listing years are placed relative to this year; 0 (the
  // default) reads the clock at each listing.
  void SetCurrentYear(int year) { FixedYear = year; }
  // The year two-digit years are placed by. A job reads it on the main
  // thread before it starts: the clock's time zone is the main thread's.
  int CurrentYear() const;

  // "d:", "cd" + path, "dir": each parsed line goes to onLine as it arrives,
  // so items parsed before a failure are kept by the caller. Ok when all
  // three were sent, "cd" was not refused and the answer ended with the
  // prompt; year 0 is CurrentYear().
  using LineSink = std::function<void(DeviceListing::ListingLine&)>;
  [[nodiscard]] JobResult ReadListing(const QString& path, const LineSink& onLine, int year = 0);
  // The folder's items and free space as ReadListing reads them.
  [[nodiscard]] FolderListing ReadFolder(const QString& path, int year = 0);
  ListingFailure LastFailure() const { return Failure; }

  // "dir/s" on name in folder (a path of D:), or on folder itself when name
  // is empty. counts is zeroed first. Ok when the command was sent, its
  // answer read and the path not refused (a refusal counts nothing, and
  // must not pass for an empty folder before "rd").
  [[nodiscard]] JobResult MeasureDeviceFolder(const QString& folder, const QString& name,
                                              TreeCounts& counts);

  // Within an open session: "d:", then "cd" + path, the shell's refusal of
  // the folder read from its answer.
  [[nodiscard]] JobResult SelectFolder(ShellSession& session, const QString& path);

 private:

  DeviceShell& Shell;
  DeviceTimeouts Times;
  int FixedYear = 0;
  ListingFailure Failure = ListingFailure::None;
};
