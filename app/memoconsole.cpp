#include "memoconsole.h"

#include <QPlainTextEdit>
#include <algorithm>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {
// Room kept right of the caret when the view scrolls sideways to it.
constexpr int kCaretMargin = 16;
}  // namespace

MemoConsole::MemoConsole(QPlainTextEdit& memo) : Memo(memo) {
  QScrollBar* bar = Memo.verticalScrollBar();
  // The range grows after the change has been made (a new line, or the
  // horizontal bar taking height): a following view goes with it.
  RangeWatch = QObject::connect(bar, &QScrollBar::rangeChanged, [this](int, int maximum) {
    if (Following || AlwaysShowEnd) Memo.verticalScrollBar()->setValue(maximum);
  });
  ValueWatch = QObject::connect(bar, &QScrollBar::valueChanged, [this](int value) {
    Following = value >= Memo.verticalScrollBar()->maximum();
  });
}

MemoConsole::~MemoConsole() {
  QObject::disconnect(RangeWatch);
  QObject::disconnect(ValueWatch);
}

int MemoConsole::LineCount() const { return Memo.document()->blockCount(); }

void MemoConsole::SetAlwaysShowEnd(bool on) {
  AlwaysShowEnd = on;
  if (on) ShowEnd();
}

void MemoConsole::ShowEnd() {
  QScrollBar* bar = Memo.verticalScrollBar();
  bar->setValue(bar->maximum());
  Following = true;
  if (AlwaysShowEnd) ShowEndOfLastLine();
}

void MemoConsole::ShowEndOfLastLine() {
  QTextCursor end(Memo.document());
  end.movePosition(QTextCursor::End);
  const QRect caret = Memo.cursorRect(end);
  const int width = Memo.viewport()->width();
  if (caret.left() >= 0 && caret.right() < width) return;
  QScrollBar* bar = Memo.horizontalScrollBar();
  bar->setValue(bar->value() + caret.right() - std::max(0, width - kCaretMargin));
}

template <typename Edit>
void MemoConsole::AtEnd(Edit edit) {
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

void MemoConsole::Clear() {
  Memo.clear();
  ShowEnd();
}

void MemoConsole::AppendLine(const QString& text) {
  AtEnd([&](QTextCursor& cursor) {
    if (!cursor.block().text().isEmpty()) cursor.insertBlock();
    cursor.insertText(text);
    cursor.insertBlock();
  });
}

void MemoConsole::AppendToLastLine(const QString& text) {
  if (text.isEmpty()) return;
  AtEnd([&](QTextCursor& cursor) { cursor.insertText(text); });
}

void MemoConsole::EraseLastChar() {
  AtEnd([](QTextCursor& cursor) {
    if (!cursor.block().text().isEmpty()) cursor.deletePreviousChar();
  });
}

void MemoConsole::ClearLastLine() {
  AtEnd([](QTextCursor& cursor) {
    cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
  });
}

void MemoConsole::NewLine() {
  AtEnd([](QTextCursor& cursor) { cursor.insertBlock(); });
}

void MemoConsole::ResetTo(const QStringList& lines) {
  QString text = lines.join(QLatin1Char('\n'));
  if (!lines.isEmpty()) text += QLatin1Char('\n');
  Memo.setPlainText(text);
  if (HoldDepth > 0)
    FollowAfterHold = true;
  else
    ShowEnd();
}

QString MemoConsole::LastLine() const { return Memo.document()->lastBlock().text(); }

void MemoConsole::BeginUpdate() {
  if (HoldDepth++ == 0) {
    FollowAfterHold = Following;
    Memo.setUpdatesEnabled(false);
  }
}

void MemoConsole::EndUpdate() {
  if (HoldDepth == 0) return;
  if (--HoldDepth == 0) {
    Memo.setUpdatesEnabled(true);
    if (FollowAfterHold) ShowEnd();
  }
}
