#include "app/consolefeed.h"

#include <QPlainTextEdit>
#include <algorithm>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "app/consoleview.h"

namespace {
// Room kept right of the caret when the view scrolls sideways to it.
constexpr int kCaretMargin = 16;

// Characters the document turns into a line break of its own when they are
// inserted; a text holding one cannot be collected as part of a line.
bool BreaksLines(const QString& text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar(0xFDD0) ||
           c == QChar(0xFDD1);
  });
}
}  // namespace

ConsoleFeed::ConsoleFeed(QPlainTextEdit& memo, int frameMs) : Memo(memo), FrameMs(frameMs) {
  QScrollBar* bar = Memo.verticalScrollBar();
  // The range grows after the change has been made (a new line, or the
  // horizontal bar taking height): a following view goes with it.
  RangeWatch = QObject::connect(bar, &QScrollBar::rangeChanged, [this](int, int maximum) {
    if (Following || AlwaysShowEnd) Memo.verticalScrollBar()->setValue(maximum);
  });
  ValueWatch = QObject::connect(bar, &QScrollBar::valueChanged, [this](int value) {
    Following = value >= Memo.verticalScrollBar()->maximum();
  });
  FrameTimer.setSingleShot(true);
  FrameTimer.setInterval(FrameMs);
  QObject::connect(&FrameTimer, &QTimer::timeout, [this] {
    if (HoldDepth == 0) Flush();
  });
  // What the memo reads of its own text (find, save, copy...) must include
  // the edits still waiting for their frame.
  Reader = qobject_cast<ConsoleView*>(&Memo);
  if (Reader) Reader->SetPendingEdits([this] { Flush(); });
}

ConsoleFeed::~ConsoleFeed() {
  if (Reader) Reader->SetPendingEdits(nullptr);
  QObject::disconnect(RangeWatch);
  QObject::disconnect(ValueWatch);
}

int ConsoleFeed::LineCount() const { return Memo.document()->blockCount() + TailBreaks; }

int ConsoleFeed::WidgetLastLineLength() const {
  return Memo.document()->lastBlock().length() - 1;  // without the block's end
}

void ConsoleFeed::SetAlwaysShowEnd(bool on) {
  AlwaysShowEnd = on;
  if (on) ShowEnd();
}

void ConsoleFeed::ShowEnd() {
  QScrollBar* bar = Memo.verticalScrollBar();
  bar->setValue(bar->maximum());
  Following = true;
  if (AlwaysShowEnd) ShowEndOfLastLine();
}

void ConsoleFeed::ShowEndOfLastLine() {
  QTextCursor end(Memo.document());
  end.movePosition(QTextCursor::End);
  const QRect caret = Memo.cursorRect(end);
  const int width = Memo.viewport()->width();
  if (caret.left() >= 0 && caret.right() < width) return;
  QScrollBar* bar = Memo.horizontalScrollBar();
  bar->setValue(bar->value() + caret.right() - std::max(0, width - kCaretMargin));
}

template <typename Edit>
void ConsoleFeed::AtEnd(Edit edit) {
  const bool follow = AlwaysShowEnd || (HoldDepth > 0 ? FollowAfterHold : Following);
  QTextCursor cursor(Memo.document());
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  edit(cursor);
  cursor.endEditBlock();
  if (HoldDepth > 0)
    FollowAfterHold = follow;
  else if (follow)
    ShowEnd();
}

void ConsoleFeed::Schedule() {
  if (FrameMs <= 0)
    Flush();
  else if (HoldDepth == 0 && !FrameTimer.isActive())
    FrameTimer.start();
}

void ConsoleFeed::DropPending() {
  FrameTimer.stop();
  Cut = 0;
  Tail.clear();
  TailBreaks = 0;
}

void ConsoleFeed::Flush() {
  FrameTimer.stop();
  if (!HasPendingEdits()) return;
  const int cut = Cut;
  const QString tail = Tail;
  DropPending();
  AtEnd([&](QTextCursor& cursor) {
    if (cut > 0) {
      cursor.setPosition(cursor.position() - cut, QTextCursor::KeepAnchor);
      cursor.removeSelectedText();
    }
    if (!tail.isEmpty()) cursor.insertText(tail);  // each '\n' becomes a new block
  });
}

void ConsoleFeed::Clear() {
  DropPending();
  Memo.clear();
  ShowEnd();
}

void ConsoleFeed::AppendLine(const QString& text) {
  Flush();
  AtEnd([&](QTextCursor& cursor) {
    if (!cursor.block().text().isEmpty()) cursor.insertBlock();
    cursor.insertText(text);
    cursor.insertBlock();
  });
}

void ConsoleFeed::AppendToLastLine(const QString& text) {
  if (text.isEmpty()) return;
  if (BreaksLines(text)) {
    // Rare (the output thread never sends one): the line count must come
    // from the document, so this goes in at once.
    Flush();
    AtEnd([&](QTextCursor& cursor) { cursor.insertText(text); });
    return;
  }
  Tail += text;
  Schedule();
}

void ConsoleFeed::NewLine() {
  Tail += QLatin1Char('\n');
  ++TailBreaks;
  Schedule();
}

void ConsoleFeed::EraseLastChar() {
  if (!Tail.isEmpty()) {
    if (Tail.back() == u'\n') return;  // the last line is empty
    Tail.chop(1);
    if (Tail.isEmpty() && Cut == 0) FrameTimer.stop();  // nothing left to apply
    return;
  }
  if (WidgetLastLineLength() - Cut <= 0) return;
  ++Cut;
  Schedule();
}

void ConsoleFeed::ClearLastLine() {
  if (TailBreaks > 0) {
    Tail.truncate(Tail.lastIndexOf(QLatin1Char('\n')) + 1);
    return;
  }
  Tail.clear();
  Cut = WidgetLastLineLength();
  if (Cut > 0)
    Schedule();
  else
    FrameTimer.stop();
}

void ConsoleFeed::ResetTo(const QStringList& lines) {
  DropPending();  // the new content replaces them
  QString text = lines.join(QLatin1Char('\n'));
  if (!lines.isEmpty()) text += QLatin1Char('\n');
  Memo.setPlainText(text);
  if (HoldDepth > 0)
    FollowAfterHold = true;
  else
    ShowEnd();
}

QString ConsoleFeed::LastLine() const {
  if (TailBreaks > 0) return Tail.mid(Tail.lastIndexOf(QLatin1Char('\n')) + 1);
  const QString shown = Memo.document()->lastBlock().text();
  return Cut > 0 ? shown.left(shown.size() - Cut) + Tail : shown + Tail;
}

void ConsoleFeed::BeginUpdate() {
  if (HoldDepth++ == 0) {
    FollowAfterHold = Following;
    Memo.setUpdatesEnabled(false);
  }
}

void ConsoleFeed::EndUpdate() {
  if (HoldDepth == 0) return;
  if (--HoldDepth == 0) {
    Flush();
    Memo.setUpdatesEnabled(true);
    if (FollowAfterHold) ShowEnd();
  }
}
