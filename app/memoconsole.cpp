#include "memoconsole.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

MemoConsole::MemoConsole(QPlainTextEdit& memo) : Memo(memo) {}

int MemoConsole::LineCount() const { return Memo.document()->blockCount(); }

bool MemoConsole::ViewAtEnd() const {
  const QScrollBar* bar = Memo.verticalScrollBar();
  return bar->value() >= bar->maximum();
}

void MemoConsole::ShowEnd() {
  QScrollBar* bar = Memo.verticalScrollBar();
  bar->setValue(bar->maximum());
}

template <typename Edit>
void MemoConsole::AtEnd(Edit edit) {
  const bool follow = HoldDepth > 0 ? FollowAfterHold : ViewAtEnd();
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
    FollowAfterHold = ViewAtEnd();
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
