#pragma once
// Icons of the local pane's tool bar: the desktop theme's when it has them,
// else pictures of our own, so no button is ever blank.

#include <QIcon>

namespace ToolIcons {

enum class Kind { OpenDir, Up, Refresh, LargeIcons, SmallIcons, List, Report };

QIcon For(Kind kind);
// Our own picture, whatever the theme has (tests, and the fallback).
QIcon Drawn(Kind kind);

}  // namespace ToolIcons
