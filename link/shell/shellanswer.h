#pragma once
// ShellAnswer: the facts of a shell's answer that the exchange (DeviceShell,
// ShellSession) and its reader (AnswerReader) share - where a prompt may
// stand, how reading an answer ended, the handler its lines go to and the
// line limit.
//
// Principles of operation
// - The controller ends its lines with CR LF and shows a prompt such as D:\>
//   without a line end. A text is a prompt when it begins with "C:\" or
//   "D:\" (see PromptAt for where it may stand).
// - Pure; any thread.

#include <QByteArray>
#include <cstddef>
#include <functional>

namespace ShellAnswer {

// The longest line an exchange takes; a longer one is shown, never passed on.
inline constexpr size_t kLineLimit = 1024;

// Where a prompt may stand in a text read. The shell's exchanges read lines
// up to the line feed, so the prompt begins the last text; read up to the
// carriage return (FORMAT), it follows the previous line's line feed,
// which Start allows for. A helper program's output read up to the
// carriage return may hold the prompt anywhere. An answer that carries a
// file's lines ("type") may hold lines that begin like a prompt: for it
// only a text that also ends in ">" with no line end after it is one
// (Closed), so that a line of the file never ends the answer.
enum class PromptAt { Start, Anywhere, Closed };

bool IsPrompt(const QByteArray& text, PromptAt where = PromptAt::Start);

// The shell's question after a failed drive access; it then waits for A, R
// or F and prints no prompt.
inline constexpr char kAbortRetryFail[] = "Abort, Retry, Fail?";

// How the reading of an answer ended.
enum class AnswerEnd { Prompt, Silence, Endless, DriveError, Disconnected, Cancelled };

// Takes each whole line of an answer (with its line end) until it returns
// false.
using LineHandler = std::function<bool(const QByteArray& line)>;

}  // namespace ShellAnswer
