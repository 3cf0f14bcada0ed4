#include "widgets/toolicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ToolIcons {

namespace {

const QColor kInk(0x30, 0x40, 0x60);
const QColor kFolder(0xE8, 0xB8, 0x40);
const QColor kArrow(0x20, 0x70, 0x30);

void DrawFolder(QPainter& p, bool open) {
  p.setPen(QPen(kInk, 0.8));
  p.setBrush(kFolder);
  QPainterPath back;
  back.moveTo(1.5, 4);
  back.lineTo(6, 4);
  back.lineTo(7, 5.5);
  back.lineTo(14.5, 5.5);
  back.lineTo(14.5, 13.5);
  back.lineTo(1.5, 13.5);
  back.closeSubpath();
  p.drawPath(back);
  if (open) {
    p.setBrush(kFolder.lighter(120));
    const QPointF flap[] = {{3.5, 8}, {15.5, 8}, {14.5, 13.5}, {1.5, 13.5}};
    p.drawPolygon(flap, 4);
  }
}

void DrawArrowUp(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(kArrow);
  const QPointF head[] = {{8, 1}, {13, 7}, {10, 7}, {10, 12}, {6, 12}, {6, 7}, {3, 7}};
  p.drawPolygon(head, 7);
}

void DrawRefresh(QPainter& p) {
  p.setPen(QPen(kArrow, 2.0, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(3, 3, 10, 10), 60 * 16, 280 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(kArrow);
  const QPointF head[] = {{9.5, 0.5}, {13.5, 4}, {8.5, 6}};
  p.drawPolygon(head, 3);
}

// A small item picture: a square and, when wide, a text line beside it.
void DrawItem(QPainter& p, QRectF square, qreal lineLength) {
  p.setPen(QPen(kInk, 0.6));
  p.setBrush(QColor(0x60, 0x90, 0xD0));
  p.drawRect(square);
  if (lineLength > 0) {
    p.setPen(QPen(kInk, 1.0));
    const qreal y = square.center().y();
    p.drawLine(QPointF(square.right() + 1.5, y), QPointF(square.right() + 1.5 + lineLength, y));
  }
}

void DrawPicture(QPainter& p, Kind kind) {
  switch (kind) {
    case Kind::OpenDir:
      DrawFolder(p, true);
      break;
    case Kind::Up:
      DrawFolder(p, false);
      DrawArrowUp(p);
      break;
    case Kind::Refresh:
      DrawRefresh(p);
      break;
    case Kind::LargeIcons:
      for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 2; ++col) DrawItem(p, QRectF(2 + col * 7, 2 + row * 7, 5, 5), 0);
      break;
    case Kind::SmallIcons:
      for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 2; ++col) DrawItem(p, QRectF(1 + col * 8, 2 + row * 4.5, 2.5, 2.5), 3);
      break;
    case Kind::List:
      for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 2; ++col) DrawItem(p, QRectF(1 + col * 8, 1.5 + row * 3.5, 2, 2), 3.5);
      break;
    case Kind::Report:
      for (int row = 0; row < 4; ++row) DrawItem(p, QRectF(1, 1.5 + row * 3.5, 2, 2), 11);
      break;
  }
}

const char* ThemeName(Kind kind) {
  switch (kind) {
    case Kind::OpenDir: return "folder-open";
    case Kind::Up: return "go-up";
    case Kind::Refresh: return "view-refresh";
    case Kind::LargeIcons: return "view-list-icons";
    case Kind::SmallIcons: return "view-grid";
    case Kind::List: return "view-list-text";
    case Kind::Report: return "view-list-details";
  }
  return "";
}

}  // namespace

QIcon Painted(const PaintFunction& paint, qreal designSize) {
  QIcon icon;
  for (const int size : {16, 24, 32}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / designSize, size / designSize);
    paint(painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

QIcon Themed(const char* themeName, const QIcon& fallback) {
  return QIcon::fromTheme(QString::fromLatin1(themeName), fallback);
}

// The pane pictures are drawn on 16 units.
QIcon Drawn(Kind kind) {
  return Painted([kind](QPainter& p) { DrawPicture(p, kind); }, 16);
}

QIcon For(Kind kind) { return Themed(ThemeName(kind), Drawn(kind)); }

}  // namespace ToolIcons
