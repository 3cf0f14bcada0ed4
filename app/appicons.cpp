#include "app/appicons.h"

#include <QPainter>
#include <QPainterPath>

#include "widgets/toolicons.h"

namespace {

// The main window's pictures are drawn on 32 units.
QIcon Drawn(const ToolIcons::PaintFunction& paint) { return ToolIcons::Painted(paint, 32); }

}  // namespace

namespace AppIcons {

QIcon ProgramIcon() {
  // The installed program icon (share/icons, drawn as talo7100.svg) in the
  // sizes the desktop asks for: a controller box with a serial port and a
  // green status lamp.
  static const QIcon icon = [] {
    QIcon sizes;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
      sizes.addFile(QStringLiteral(":/icons/talo7100-%1.png").arg(size), QSize(size, size));
    return sizes;
  }();
  return icon;
}

QIcon CopyToDevice() {
  static const QIcon fallback = Drawn([](QPainter& p) {
    QPainterPath arrow;
    arrow.moveTo(4, 12);
    arrow.lineTo(17, 12);
    arrow.lineTo(17, 5);
    arrow.lineTo(29, 16);
    arrow.lineTo(17, 27);
    arrow.lineTo(17, 20);
    arrow.lineTo(4, 20);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0x14, 0x5a, 0x14), 1.5));
    p.setBrush(QColor(0x2e, 0xa0, 0x2e));
    p.drawPath(arrow);
  });
  return ToolIcons::Themed("go-next", fallback);
}

QIcon Exit() {
  static const QIcon fallback = Drawn([](QPainter& p) {
    p.setPen(QPen(QColor(0xb0, 0x20, 0x20), 3));
    p.drawLine(8, 8, 24, 24);
    p.drawLine(24, 8, 8, 24);
  });
  return ToolIcons::Themed("application-exit", fallback);
}

QIcon About() { return ToolIcons::Themed("help-about", ProgramIcon()); }

}  // namespace AppIcons
