#pragma once
// CopyToPcFlow: the device pane's Copy to PC, in the window.
//
// Principles of operation
// - The items selected in the device pane's listing go into the folder the
//   local pane shows; where it shows none (the computer location) the user
//   chooses one. Files that would be replaced are named in a question
//   first; No copies nothing.
// - Then CopyToPc (image/copytopc.h): texts are typed, and before anything
//   comes from a backup of the whole drive the user is asked. The helper's
//   upload shows in the transfer window, the backup in the wait window with
//   its Cancel; the result in a box. Main thread only; the caller runs it
//   only while nothing else holds the port.

#include <QString>
#include <vector>

#include "items/paneitem.h"

class DeviceShell;
class QWidget;

namespace CopyToPcFlow {

// How far it went: Ran when the copy ran (the local pane may show new
// files); DriveRead when a backup ran too, which put its helper on D: (the
// device pane's free space is then forgotten, as after the image dialog).
struct Outcome {
  bool Ran = false;
  bool DriveRead = false;
};
Outcome Run(QWidget* parent, DeviceShell& shell, const QString& deviceFolder,
            const std::vector<PaneItem>& items, const QString& localFolder);

}  // namespace CopyToPcFlow
