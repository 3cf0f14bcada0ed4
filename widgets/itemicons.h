#pragma once
// The icon of a listed item, either pane's, from its freedesktop icon names:
// the theme's icon of the name, else of the generic name, else the style's
// own folder, drive or file icon, so that no row is drawn without one.
// Main thread only.

#include <QIcon>
#include <QString>

namespace ItemIcons {

QIcon For(const QString& name, const QString& genericName, bool folder);

}  // namespace ItemIcons
