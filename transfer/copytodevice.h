#pragma once
// CopyToDevice: the copy button between the panes. Sends the selected PC
// files into the folder the device pane shows, then lists that folder again.
//
// Principles of operation
// - Main thread only. The panes hand in plain values (the selected local
//   items in order, the device pane's free space and path box text) and one
//   callback, the device pane's refresh that keeps the user's sort column and
//   selection; nothing here reads a widget. The listing the pane holds goes
//   to the batch, which asks before a file replaces one of the same name.
// - What the copy has to tell is handed to the top level's teller as it
//   arises (the batch's failure must come before the refresh's own).
// - The checks run in a fixed order and the first one that fails tells its
//   warning and sends nothing: nothing selected, a folder selected, no listing
//   yet, not enough space (the whole 64-bit total against the free space).
// - The port is opened after the checks and closed before the refresh; the
//   refresh runs whenever the port could be opened, also after a failure or
//   a cancel. This is the batch's top level: an "Unable to open" and the
//   batch's failure (TransferBatch::Result) are told here, the latter once
//   the port is closed and before the refresh.
// - The refreshed listing is the proof of the copy: every file the batch
//   counts as sent must be listed with the size it was sent with, or with
//   that size rounded up to whole 128-byte blocks (XMODEM pads the last
//   block). Any other size, or no entry at all, is a loss the receiver did
//   not report; it is named in one warning and kept in CopyReport::Mismatches.
//   A listing that failed has shown its own message and proves nothing.
// - Files the user skipped (No to a replace question, Cancel at a name
//   prompt) are named at the end, each on a console line and all together
//   in one information box with the count of files copied.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "transfer/transferbatch.h"

struct TransferHost;

struct CopySelection {
  QString FullPath;
  bool IsFolder = false;
  int64_t SizeBytes = 0;
};

struct CopyRequest {
  std::vector<CopySelection> Selected;  // in the order of the list view
  int64_t DeviceFreeBytes = 0;          // 0: the device pane was never listed
  QString DevicePathText;               // the device path box: "\" or e.g. \DATA
  // What that folder held at its last listing: files of the same names are
  // replaced only after a question, new names are chosen free of them.
  std::vector<DeviceFolderEntry> DeviceListing;
  // Device names chosen in advance, one per selected file; empty: the PC
  // file names, checked one by one as they come up.
  QStringList DeviceNames;
  // Lists the folder again keeping the user's view; copiedName is the device
  // name of the file when exactly one was copied (empty otherwise), which
  // keeps the highlight on it wherever the sort puts it. Hands what the
  // folder now holds (none when the listing failed) to listed: at once, or
  // once the listing's job has ended (the window's pane).
  using Listing = std::vector<DeviceFolderEntry>;
  using Listed = std::function<void(std::optional<Listing>)>;
  std::function<void(const QString& copiedName, Listed listed)> RefreshDevicePane;
};

struct CopyReport {
  bool Started = false;  // the checks passed and the port opened
  bool AllSucceeded = false;
  // The port went away during the batch: the folder was not listed again.
  bool Disconnected = false;
  std::vector<TransferOutcome> Outcomes;
  // The batch's result, its failure already shown.
  JobResult Result;
  // One line per file sent that the refreshed listing does not show whole;
  // filled here when the listing came at once (the command line).
  QStringList Mismatches;
};

namespace CopyToDeviceLogic {
// The paths to send, or the warning that refuses the copy.
struct Checked {
  QStringList Sources;
  int64_t TotalBytes = 0;
  std::optional<QString> Warning;
};
Checked CheckSelection(const std::vector<CopySelection>& selected, int64_t deviceFreeBytes);
// "D:\" for "\", otherwise "D:" + the folder + "\".
QString TargetDirFor(const QString& devicePathText);
// The files of outcomes that were sent but are missing from listing or
// listed with a size that is neither the sent one nor that size padded to
// whole 128-byte blocks; one message line each.
QStringList UploadMismatches(const std::vector<TransferOutcome>& outcomes,
                             const std::vector<DeviceFolderEntry>& listing);
}  // namespace CopyToDeviceLogic

class ResultTeller;
CopyReport CopyToDevice(const TransferHost& host, const CopyRequest& request,
                        ResultTeller& teller);
