#pragma once
// Icons of the tool bars and buttons: the desktop theme's when it has them,
// else pictures of our own, so no button is ever blank. The two panes show
// the same icon for the same command; the main window paints its own
// pictures with the same helpers. Main thread only.

#include <QIcon>
#include <functional>

class QPainter;

namespace ToolIcons {

// The commands that both panes' tool bars have.
enum class Kind { OpenDir, Up, Refresh, LargeIcons, SmallIcons, List, Report };

QIcon For(Kind kind);
// Our own picture, whatever the theme has (the fallback of For).
QIcon Drawn(Kind kind);

// A picture that paint draws on a square of designSize units, rendered
// antialiased at 16, 24 and 32 pixels.
using PaintFunction = std::function<void(QPainter&)>;
QIcon Painted(const PaintFunction& paint, qreal designSize);
// The theme's icon of that name, else the fallback.
QIcon Themed(const char* themeName, const QIcon& fallback);

}  // namespace ToolIcons
