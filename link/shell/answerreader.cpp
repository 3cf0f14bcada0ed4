#include "link/shell/answerreader.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "link/jobs/jobrunner.h"
#include "link/port/talocomport.h"

AnswerReader::AnswerReader(ShowLine show, TaloComPort& port, ShellAnswer::PromptAt where,
                           const ShellAnswer::LineHandler& onLine, uint32_t settleMs)
    : Show(std::move(show)),
      Port(port),
      Where(where),
      OnLine(onLine),
      Wanted(static_cast<bool>(onLine)),
      SettleMs(settleMs) {
  Since.start();
}

ShellAnswer::AnswerEnd AnswerReader::ReadAnswer(uint32_t budgetMs) {
  // Whole lines until the first short read; the text it gathered (normally
  // the prompt) is where the wait begins.
  for (;;) {
    if (JobRunner::StopRequested()) return Finish(ShellAnswer::AnswerEnd::Cancelled);
    const Piece piece = ReadPiece(false);
    if (const auto end = EndOf(piece)) return Finish(*end);
    if (piece != Piece::Line) return WaitForPrompt({}, budgetMs);
  }
}

ShellAnswer::AnswerEnd AnswerReader::WaitForPrompt(const QByteArray& lastText, uint32_t budgetMs) {
  if (ShellAnswer::IsPrompt(lastText, Where)) return Finish(ShellAnswer::AnswerEnd::Prompt);
  if (AsksAbortRetryFail(lastText)) return Finish(ShellAnswer::AnswerEnd::DriveError);
  // A time-out of 0 still costs one unit, or a silent line would never end
  // the wait.
  const uint64_t unit = std::max<uint32_t>(Port.GetTimeout(), 1);
  for (uint64_t spent = 0; spent < budgetMs && !Port.IsDisconnected();) {
    if (JobRunner::StopRequested()) return Finish(ShellAnswer::AnswerEnd::Cancelled);
    const Piece piece = ReadPiece(true);
    if (const auto end = EndOf(piece)) return Finish(*end);
    // A line means the shell is still talking: the budget starts again.
    spent = piece == Piece::Pause ? spent + unit : 0;
  }
  return Finish(Port.IsDisconnected() ? ShellAnswer::AnswerEnd::Disconnected
                                      : ShellAnswer::AnswerEnd::Silence);
}

std::optional<ShellAnswer::AnswerEnd> AnswerReader::EndOf(Piece piece) {
  switch (piece) {
    case Piece::Prompt: return ShellAnswer::AnswerEnd::Prompt;
    case Piece::DriveError: return ShellAnswer::AnswerEnd::DriveError;
    case Piece::Endless: return ShellAnswer::AnswerEnd::Endless;
    case Piece::Line:
    case Piece::LongLine:
    case Piece::Pause: break;
  }
  return std::nullopt;
}

AnswerReader::Piece AnswerReader::ReadPiece(bool promptLines) {
  std::string raw;
  size_t consumed = 0;
  const TaloComPort::EarlyEnd quick{SettleMs,
                                    [this](std::string_view text) { return EndsAtPrompt(text); }};
  const bool whole =
      Port.ReadLine(ShellAnswer::kLineLimit, raw, &consumed, SettleMs > 0 ? &quick : nullptr);
  const bool overflowed = !whole && consumed >= ShellAnswer::kLineLimit;
  QByteArray text = Pending + QByteArray::fromStdString(raw);
  Pending.clear();
  Bytes += static_cast<qsizetype>(consumed);
  if (whole || overflowed) ++Lines;
  if (Bytes > kAnswerBytes || Lines > kAnswerLines || Since.elapsed() > CeilingMs) {
    Show(text);
    return Piece::Endless;
  }
  if (!whole && !overflowed) {
    // The read timed out: the prompt, the drive error's question, or the
    // start of a line the shell has not finished yet.
    if (ShellAnswer::IsPrompt(text, Where)) return Piece::Prompt;
    if (AsksAbortRetryFail(text)) {
      Show(text);
      return Piece::DriveError;
    }
    Pending = text;
    return Piece::Pause;
  }
  // A line, or a piece of one past the line limit (the limit counts from
  // the line's start, across a pause too).
  const bool longLine =
      InLongLine || overflowed || text.size() >= static_cast<qsizetype>(ShellAnswer::kLineLimit);
  InLongLine = overflowed;
  if (!longLine && promptLines && ShellAnswer::IsPrompt(text, Where)) return Piece::Prompt;
  Show(text);
  if (longLine) {
    Skipped = true;
    return Piece::LongLine;
  }
  if (Wanted) Wanted = OnLine(text);
  return Piece::Line;
}

ShellAnswer::AnswerEnd AnswerReader::Finish(ShellAnswer::AnswerEnd end) {
  if (!Pending.isEmpty()) Show(Pending);
  Pending.clear();
  return end;
}

bool AnswerReader::EndsAtPrompt(std::string_view text) const {
  // The prompt is the folder and ">", and the shell then waits for a key:
  // the cheap test first, as it runs for every byte.
  const bool closed = text.empty() ? Pending.endsWith('>') : text.back() == '>';
  return closed && ShellAnswer::IsPrompt(
                       Pending + QByteArray(text.data(), static_cast<qsizetype>(text.size())), Where);
}

bool AnswerReader::AsksAbortRetryFail(const QByteArray& text) {
  return text.trimmed().endsWith(ShellAnswer::kAbortRetryFail);
}
