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
//   keeps his place until he scrolls back down.
// - BeginUpdate/EndUpdate nest; while held the widget does not repaint, and
//   the release repaints once and brings the end into view.

#include <QString>

#include "taloconsole.h"

class QPlainTextEdit;

class MemoConsole : public TaloConsole {
 public:
  explicit MemoConsole(QPlainTextEdit& memo);

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
  bool ViewAtEnd() const;
  void ShowEnd();

  QPlainTextEdit& Memo;
  int HoldDepth = 0;
  bool FollowAfterHold = false;
};
