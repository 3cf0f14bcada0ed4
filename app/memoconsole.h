#pragma once
// MemoConsole: the console as the device logic sees it (TaloConsole), drawn
// by a QPlainTextEdit.
//
// Principles of operation
// - Main thread only (workers hand their calls over).
// - Every change goes through the document's block API at its end, so an
//   added line never lays out the whole document again. The document has no
//   block limit of its own: trimming is the console output thread's job.
// - The view follows the end while it is at the end; a user who scrolled up
//   keeps his place until he scrolls back down. Following is a state kept
//   from the user's scrolling, not read off the scroll bar at each change:
//   when a long line brings up the horizontal bar, the view loses a line of
//   height after the change, and the end would slip out of sight for good.
// - SetAlwaysShowEnd (the terminal is on): every change brings the end of
//   the text into view, vertically and horizontally, so the line being
//   written is always visible.
// - BeginUpdate/EndUpdate nest; while held the widget does not repaint, and
//   the release repaints once and brings the end into view.

#include <QMetaObject>
#include <QString>

#include "taloconsole.h"

class QPlainTextEdit;

class MemoConsole : public TaloConsole {
 public:
  explicit MemoConsole(QPlainTextEdit& memo);
  ~MemoConsole() override;
  MemoConsole(const MemoConsole&) = delete;
  MemoConsole& operator=(const MemoConsole&) = delete;

  void SetAlwaysShowEnd(bool on);

  int LineCount() const override;
  void Clear() override;
  void AppendLine(const QString& text) override;
  void AppendToLastLine(const QString& text) override;
  void EraseLastChar() override;
  void ClearLastLine() override;
  void NewLine() override;
  void ResetTo(const QStringList& lines) override;
  QString LastLine() const override;
  void BeginUpdate() override;
  void EndUpdate() override;

 private:
  // Runs edit at the end of the document and keeps the view at the end when
  // it was there before.
  template <typename Edit>
  void AtEnd(Edit edit);
  void ShowEnd();
  void ShowEndOfLastLine();

  QPlainTextEdit& Memo;
  int HoldDepth = 0;
  bool FollowAfterHold = false;
  bool Following = true;
  bool AlwaysShowEnd = false;
  QMetaObject::Connection RangeWatch;
  QMetaObject::Connection ValueWatch;
};
