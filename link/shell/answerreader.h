#pragma once
// AnswerReader: reads one answer of the controller's shell, up to its prompt.
//
// Principles of operation
// - Two steps, as the standard exchange reads: ReadAnswer first takes whole
//   lines until a read ends short (a pause of the shell, an over-long line),
//   then waits for the prompt. Only that wait takes a line beginning with
//   "C:\" or "D:\" for the prompt (a listing's lines never do).
//   WaitForPrompt is the wait alone, after a caller's own reads.
// - Every text read is shown in the console; every whole line of the answer
//   goes to the handler, until it returns false. A line that came in pieces
//   because the shell paused inside it is joined before it is shown and
//   passed on. A line longer than the line limit is shown but never passed
//   on: its pieces are no lines of their own.
// - The prompt budget counts waiting, not lines: each read that ends in a
//   time-out (after 2T of silence) spends the port's time-out value T; a
//   whole line gives the budget back. A silent shell is given up after
//   budget / T reads of 2T each, as it always was; a busy one may pause as
//   often as it likes, and one that keeps sending is read to its prompt.
// - The ceiling: an answer is not read past kAnswerBytes bytes,
//   kAnswerLines lines or kAnswerMs (Endless). The time ceiling is twice
//   what the byte ceiling takes at the line's rate: a shell that drips a
//   line now and then renews the prompt budget with each one, and would
//   otherwise take hours to reach the other two. Nothing is kept but the
//   console's lines and what the handler keeps, so memory stays flat
//   however long the controller talks.
// - A shell that asks "Abort, Retry, Fail?" waits for a key, not for time:
//   the wait ends at once (DriveError). A port that disconnects ends it too.
// - Quick answers (settleMs above 0): a text read that ends in ">" and is a
//   prompt waits only settleMs for a next byte; none, and the answer ends
//   there. A byte carries the line on as usual, so nothing the shell sent
//   before falling silent is cut off. Everything else reads as above: a
//   pause that is no prompt is waited out within the budget.
// - A job asked to stop (JobRunner::StopRequested) ends the answer before
//   its next read (Cancelled).
// - The thread of the exchange it reads for; one answer per object.

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "link/port/talocomport.h"
#include "link/shell/shellanswer.h"

class AnswerReader {
 public:
  static constexpr qsizetype kAnswerBytes = qsizetype{1} << 20;
  static constexpr int kAnswerLines = 20000;
  static constexpr int64_t kAnswerMs = 2 * kAnswerBytes * 1000 / kControllerBytesPerSecond;

  // settleMs: 0 for the standard ending, else the quick one's silence.
  // show: puts a text read on the console (the exchange's console path).
  using ShowLine = std::function<void(const QString& text)>;
  AnswerReader(ShowLine show, TaloComPort& port, ShellAnswer::PromptAt where,
               const ShellAnswer::LineHandler& onLine, uint32_t settleMs = 0);

  [[nodiscard]] ShellAnswer::AnswerEnd ReadAnswer(uint32_t budgetMs);
  // lastText: what the caller's last read gathered (not shown here).
  [[nodiscard]] ShellAnswer::AnswerEnd WaitForPrompt(const QByteArray& lastText, uint32_t budgetMs);
  // The time ceiling, counted from the reader's making; kAnswerMs unless a
  // test shortens it.
  void SetTimeCeiling(int64_t ms) { CeilingMs = ms; }
  // True when a line past the line limit was shown but not passed on: an
  // exchange whose lines are its result is then missing a part of it.
  bool SkippedLongLine() const { return Skipped; }

 private:
  // What one line read brought.
  enum class Piece { Line, LongLine, Pause, Prompt, DriveError, Endless };
  [[nodiscard]] Piece ReadPiece(bool promptLines);
  // The end of the answer a piece makes, if it makes one.
  static std::optional<ShellAnswer::AnswerEnd> EndOf(Piece piece);
  // Shows what a pause left unfinished, once the answer ends.
  ShellAnswer::AnswerEnd Finish(ShellAnswer::AnswerEnd end);
  static bool AsksAbortRetryFail(const QByteArray& text);
  // Whether the text gathered so far (after Pending) is a whole prompt.
  bool EndsAtPrompt(std::string_view text) const;

  ShowLine Show;
  TaloComPort& Port;
  ShellAnswer::PromptAt Where;
  const ShellAnswer::LineHandler& OnLine;
  bool Wanted;
  uint32_t SettleMs;
  QByteArray Pending;     // a line's start, read before the shell paused
  bool InLongLine = false;  // the line being read passed the line limit
  bool Skipped = false;
  qsizetype Bytes = 0;
  int Lines = 0;
  int64_t CeilingMs = kAnswerMs;
  QElapsedTimer Since;
};
