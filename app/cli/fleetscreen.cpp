#include "app/cli/fleetscreen.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "link/escapecontrols.h"

namespace {

struct TerminalSize {
  int Columns = 80;
  int Rows = 24;
};

TerminalSize SizeOf(FILE* stream) {
  TerminalSize size;
  winsize window{};
  if (::ioctl(fileno(stream), TIOCGWINSZ, &window) == 0 && window.ws_col > 0 && window.ws_row > 0) {
    size.Columns = window.ws_col;
    size.Rows = window.ws_row;
  }
  return size;
}

}  // namespace

FleetScreen::FleetScreen(FILE* out, FILE* err, bool drawProgress, QStringList names)
    : Out(out), Err(err), Draw(drawProgress), Names(std::move(names)), Slots(Names.size()) {
  LastDraw.start();
}

void FleetScreen::Started(int port) {
  Slots[port].Running = true;
  Slots[port].Since.start();
  Dirty = true;
  Refresh();
}

void FleetScreen::Ended(int port) {
  Slots[port].Running = false;
  Slots[port].Frame.clear();
  EraseBlock();
  DrawBlock();
}

void FleetScreen::Line(int port, bool error, const QString& text) {
  const QString prefix = QLatin1Char('[') + Names[port] + QLatin1Char(']');
  Plain(error ? Err : Out, text.isEmpty() ? prefix : prefix + QLatin1Char(' ') + text);
}

void FleetScreen::Progress(int port, const QString& frame) {
  if (Slots[port].Frame == frame) return;
  Slots[port].Frame = frame;
  Dirty = true;
  Refresh();
}

void FleetScreen::Plain(FILE* stream, const QString& text) {
  EraseBlock();
  PrintEscapedLine(stream, text);
  DrawBlock();
}

void FleetScreen::Refresh() {
  // The running times count on once a second.
  const bool stale = BlockLines > 0 && LastDraw.elapsed() >= 1000;
  if (!Draw || !(Dirty || stale) || LastDraw.elapsed() < kRedrawIntervalMs) return;
  EraseBlock();
  DrawBlock();
}

void FleetScreen::EraseBlock() {
  if (BlockLines == 0) return;
  // From the line's start: the terminal may have echoed ^C after the block.
  std::fprintf(Err, "\r\033[%dA\033[J", BlockLines);
  std::fflush(Err);
  BlockLines = 0;
}

void FleetScreen::DrawBlock() {
  if (!Draw) return;
  // Whatever went to standard output is on the screen before the block.
  std::fflush(Out);
  const TerminalSize size = SizeOf(Err);
  QList<int> running;
  for (int port = 0; port < Slots.size(); ++port)
    if (Slots[port].Running) running.append(port);
  const int room = std::max(1, size.Rows - 2);
  QStringList lines;
  for (int i = 0; i < running.size() && lines.size() < room; ++i) {
    if (lines.size() == room - 1 && running.size() > room) {
      lines.append(QStringLiteral("... and %1 more running").arg(running.size() - i));
      break;
    }
    lines.append(SlotText(running[i]));
  }
  for (const QString& line : lines)
    std::fprintf(Err, "%s\n", EscapeControls(line).left(size.Columns - 1).toLocal8Bit().constData());
  std::fflush(Err);
  BlockLines = static_cast<int>(lines.size());
  Dirty = false;
  LastDraw.restart();
}

QString FleetScreen::SlotText(int port) const {
  const Slot& slot = Slots[port];
  const QString text = slot.Frame.isEmpty()
                           ? QStringLiteral("running, %1 s").arg(slot.Since.elapsed() / 1000)
                           : slot.Frame;
  return QLatin1Char('[') + Names[port] + QStringLiteral("] ") + text;
}
