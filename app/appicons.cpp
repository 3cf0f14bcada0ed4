#include "appicons.h"

#include <QPainter>
#include <QPainterPath>

#include "toolicons.h"

namespace {

// The main window's pictures are drawn on 32 units.
QIcon Drawn(const ToolIcons::PaintFunction& paint) { return ToolIcons::Painted(paint, 32); }

}  // namespace

namespace AppIcons {

QIcon ProgramIcon() {
  static const QIcon icon = Drawn([](QPainter& p) {
    // A controller box with a serial port and a green status lamp.
    p.setPen(QPen(QColor(0x1f, 0x3a, 0x68), 1.5));
    p.setBrush(QColor(0x3c, 0x6e, 0xb4));
    p.drawRoundedRect(QRectF(2.5, 6.5, 27, 19), 3, 3);
    p.setBrush(QColor(0xe8, 0xec, 0xf2));
    p.drawRect(QRectF(6.5, 11.5, 13, 8));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x3a, 0x68));
    for (int i = 0; i < 4; ++i) p.drawEllipse(QRectF(8 + i * 2.8, 14, 1.8, 1.8));
    p.setBrush(QColor(0x30, 0xd0, 0x40));
    p.drawEllipse(QRectF(23, 13, 4, 4));
  });
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
