#pragma once
// Icons of the main window. Each comes from the desktop's icon theme when it
// has one, else from a small drawing of our own, so no button is ever blank.

#include <QIcon>

namespace AppIcons {

QIcon ProgramIcon();
QIcon CopyToDevice();  // btnCopy: an arrow pointing to the device pane
QIcon Exit();
QIcon About();

}  // namespace AppIcons
