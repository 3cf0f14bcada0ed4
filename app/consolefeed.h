#pragma once
// ConsoleFeed: the console as the device logic sees it (TaloConsole), drawn
// by a QPlainTextEdit.
//
// Principles of operation
// - Main thread only (workers hand their calls over).
// - Every change goes through the document's block API at its end, so an
//   added line never lays out the whole document again. The document has no
//   block limit of its own: trimming is the console output thread's job.
// - Frames: with a frame length set, the terminal's edits of the line being
//   written (AppendToLastLine, NewLine, EraseLastChar, ClearLastLine) are
//   collected and reach the widget together at most one frame later: one
//   edit block, one layout, one scroll to the end, one repaint, instead of
//   one of each per hand-over from the console output thread. LineCount and
//   LastLine answer from the collected edits, so the device logic never sees
//   the delay. Everything else applies them first and then acts at once:
//   AppendLine (the exchange log keeps its order), Clear and ResetTo (which
//   simply drop them), the release of a repaint hold, Flush, and the memo's
//   own readers (find, save, copy, select all, caret moves) when the memo is
//   a ConsoleView. While repainting is held, the edits wait for the
//   release. Without a frame length every edit reaches the widget at once.
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
#include <QTimer>

#include "link/taloconsole.h"

class QPlainTextEdit;
class ConsoleView;

class ConsoleFeed : public TaloConsole {
 public:
  // The frame of the main window's console: about 30 repaints a second at
  // most, quick enough that an echoed key shows without a noticeable lag.
  static constexpr int kFrameMs = 33;

  // frameMs 0: every edit reaches the widget at once.
  explicit ConsoleFeed(QPlainTextEdit& memo, int frameMs = 0);
  ~ConsoleFeed() override;
  ConsoleFeed(const ConsoleFeed&) = delete;
  ConsoleFeed& operator=(const ConsoleFeed&) = delete;

  void SetAlwaysShowEnd(bool on);
  // Applies the collected edits to the widget now.
  void Flush();
  bool HasPendingEdits() const { return Cut > 0 || !Tail.isEmpty(); }

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
  // After an edit was collected: at once without frames, else by the frame.
  void Schedule();
  void DropPending();
  // Length of the widget's last line (without the edits not yet applied).
  int WidgetLastLineLength() const;

  QPlainTextEdit& Memo;
  ConsoleView* Reader = nullptr;  // the memo, when it has readers to serve
  const int FrameMs;
  QTimer FrameTimer;
  // The edits not yet in the widget: Cut characters come off the end of the
  // widget's last line, then Tail is appended, each '\n' in it ending a line
  // (TailBreaks of them).
  int Cut = 0;
  QString Tail;
  int TailBreaks = 0;
  int HoldDepth = 0;
  bool FollowAfterHold = false;
  bool Following = true;
  bool AlwaysShowEnd = false;
  QMetaObject::Connection RangeWatch;
  QMetaObject::Connection ValueWatch;
};
