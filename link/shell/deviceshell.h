#pragma once
// DeviceShell: short, self-contained conversations with the controller's
// command shell, on the main thread or on a job's worker.
//
// Principles of operation
// - The controller echoes every character (CR included), ends its lines with
//   CR LF and shows a prompt such as D:\> without a line end. A text is a
//   prompt when it begins with "C:\" or "D:\".
// - A ShellSession is one standard exchange: busy cursor, open the selected
//   port exclusively, set terminator and time-out, kControllerLine, drain stale
//   input; then any number of Send + ReadAnswer steps; the destructor closes
//   the port and restores the cursor. Error texts are shown by the caller
//   after the session has ended (so the port is already closed).
// - A port that disconnects (the adapter unplugged) ends the session's reads
//   at once; Disconnected() then tells the caller to show
//   ShellText::Disconnected rather than its usual failure, and a partly
//   read answer never passes for a whole one.
// - Every command line and every line read is appended to the console, which
//   is cleared when it reaches 300 lines through this path.
// - Answers are read by AnswerReader (link/shell/answerreader.h): the prompt budget
//   counts the shell's silence, not its lines, and every answer has a
//   ceiling. A failed exchange's message tells the causes apart where the
//   bytes allow it (FailureText).
// - Quick answers, the user's choice (SetQuickAnswers; off in a new shell,
//   on in the command line and the window unless the standard waits are
//   chosen):
//   the exchanges that take them (Pace::QuickWhenChosen: listings, "dir/s",
//   the file commands, MEM) drain until kQuickSettleMs of silence and end
//   an answer once its prompt has come and kQuickSettleMs passed without a
//   byte, instead of waiting out 2T for each. The bytes typed are the same.
//   Nothing of an answer is lost: the prompt is the last thing the shell
//   prints before it waits for the next line, a byte within the settle
//   time carries the answer on, and a pause that is no prompt is waited out
//   within the prompt budget as before. What the shell might print after
//   its prompt belongs to no answer in either pace: the next write's purge
//   discards it.
// - Inside a job (link/jobs/jobrunner.h) the exchanges run on the job's worker:
//   every console line is handed to the main thread as it is read (in
//   order, the worker waiting for it), the busy cursor is the starting
//   pane's and not the session's, and an answer stops being read at the
//   next line once the job is asked to stop (the port is then closed; the
//   next exchange's drain and purge discard the rest). Outside a job, and
//   in an inline one, everything runs on the main thread as before.
// - Exchange, CommandExchange and the sessions hand their failure back as a
//   JobResult and show no box; only the top level tells it (Tell: the front's
//   ResultTeller, which the shell carries for the flows that hand results up).

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "link/jobs/jobrunner.h"
#include "link/shell/shellanswer.h"
#include "link/resultteller.h"
#include "link/userdialogs.h"

class TaloComPort;
class TaloConsole;

// Texts the shell exchanges show.
namespace ShellText {
// "Unable to open " + port + "!\n\nPlease make sure..."; for a path that is
// no serial port at all (openError as TaloComPort::LastError gives it), the
// first line and what the path is.
QString UnableToOpen(const QString& port, int openError = 0);
QString NotASerialPort(const QString& port);
// "Unable to send command '" + line + "'!\n\n...", the line without its
// carriage return.
QString UnableToSend(const QString& commandLine);
// After the command line's carriage return went out: its echo was wrong or
// missing; the prompt did not come back. Both end in a paragraph that asks
// the user to check what the command did, which WithCheck replaces with
// what the caller knows to check.
QString EnterNotEchoed(const QString& commandLine);
QString NoPromptAfter(const QString& commandLine);
JobResult WithCheck(JobResult result, const QString& check);
// The console's line after an unfinished command line was erased, or when
// that could not be confirmed.
QString LineErased();
QString LineMayHoldText();
// The port went away in the middle of an operation (one line, so that the
// command line prints it as one).
QString Disconnected(const QString& port);
// Causes of a failed exchange, told apart by what came back: not one byte of
// echo; the shell's question after a drive error; an answer without end.
QString NothingAnswers(const QString& port);
QString DriveError();
QString KeepsSending(const QByteArray& commandLine);
// The first line of message, a blank line and the cause.
QString WithCause(const QString& message, const QString& cause);
// Every feature that needs the device's free space refuses with this while
// the device pane has not listed a folder.
inline constexpr char kRefreshFirst[] =
    "Please press 'Refresh folder' button in the TALO-7100 panel first.";
}  // namespace ShellText

class DeviceShell {
 public:
  static constexpr size_t kLineLimit = ShellAnswer::kLineLimit;
  static constexpr size_t kDrainLimit = 1025;
  static constexpr uint32_t kPromptBudgetMs = 5000;
  static constexpr int kConsoleClearLines = 300;
  // The silence that ends a quick drain and, after a prompt, a quick answer:
  // a few dozen character times at 57600 baud, far less than 2T, yet more
  // than a USB adapter in low-latency mode holds bytes back (about a
  // millisecond) and a PC's timer slack. A prompt split by a pause is no
  // prompt until its ">" has come, so the settle only ever follows a whole
  // one.
  static constexpr uint32_t kQuickSettleMs = 5;

  // Whether an exchange may end its answers at the prompt (see above).
  enum class Pace { Standard, QuickWhenChosen };

  DeviceShell(TaloConsole& console, UserDialogs& dialogs, ResultTeller& teller);

  TaloConsole& Console() { return ConsoleRef; }
  UserDialogs& Dialogs() { return DialogsRef; }
  // The front's teller of results (the window's, the command line's).
  ResultTeller& Teller() { return TellerRef; }
  // The one runner of the device work that goes through this shell.
  JobRunner& Jobs() { return Runner; }
  // The top level's part: a stopped job as a console line, then the result
  // to the front's teller.
  void Tell(const JobResult& result);
  // An operation's results, told in their order.
  void Tell(const std::vector<JobResult>& results);

  // The port every exchange opens (empty when none is selected).
  const QString& SelectedPort() const { return Port; }
  void SetSelectedPort(const QString& port) { Port = port; }
  // Set when the last session could not open the port for lack of permission:
  // which group owns the device and what to do (also shown in the console
  // beside the error box); empty otherwise.
  const QString& PermissionHint() const { return Hint; }
  // The user's choice of quick answers (off until set).
  bool QuickAnswers() const { return Quick; }
  void SetQuickAnswers(bool on) { Quick = on; }

  // Where a prompt may stand in a text read (ShellAnswer::PromptAt).
  using PromptAt = ShellAnswer::PromptAt;

  static bool IsPrompt(const QByteArray& text, PromptAt where = PromptAt::Start) {
    return ShellAnswer::IsPrompt(text, where);
  }

  // Strips CR and LF, ignores an empty result, clears the console at 300
  // lines, adds the line.
  void AppendConsoleLine(const QString& text);
  void AppendConsoleLine(const QByteArray& bytes);
  // How the typing of a command line ended.
  struct Typing {
    bool Answered = false;  // at least one byte came back
    // Its carriage return went out: the shell may be running the line even
    // though the echo check failed.
    bool Entered = false;
    bool Stopped = false;  // a stop request ended it before the carriage return
    bool Erased = false;   // what it typed was erased from the shell's line
    // It typed something that could not be erased for sure (nothing
    // answered, the port went away): the port's line is remembered.
    bool MayHoldText = false;
  };
  // Shows the line, then types it byte by byte, each byte's echo read back
  // and compared. False on the first failed write, missing or wrong echo,
  // or a stop request (checked before each byte); *typing (when given)
  // tells how it ended. A line stopped before its carriage return went out
  // is erased from the shell's line before this returns (ShellLine), and a
  // port whose line may still hold text from earlier is erased before the
  // first byte.
  [[nodiscard]] bool SendEchoed(TaloComPort& port, const QByteArray& commandLine,
                                Typing* typing = nullptr);
  // The typing of SendEchoed without the console: for a thread other than the
  // main one, or a line nobody needs to see. False for an empty line.
  [[nodiscard]] static bool TypeEchoed(TaloComPort& port, const QByteArray& commandLine,
                                       Typing* typing = nullptr);
  // How the reading of an answer ended.
  using AnswerEnd = ShellAnswer::AnswerEnd;
  // Reads lines until one is a prompt, within a budget (5000 ms unless an
  // exchange gives its own) that the shell's silence spends (AnswerReader),
  // showing every other non-empty one. True when the prompt came. A busy
  // shell can pause longer than one time-out in the middle of its answer:
  // every whole line read here (with its line end, as the reads before the
  // pause pass them) goes to onLine too, until it returns false. A text cut
  // off by a time-out is shown but not passed on.
  using LineHandler = ShellAnswer::LineHandler;
  bool WaitForPrompt(TaloComPort& port, const QByteArray& lastText,
                     PromptAt where = PromptAt::Start, uint32_t budgetMs = kPromptBudgetMs,
                     const LineHandler& onLine = {});
  // Reads single bytes until a read times out (after silenceMs when given,
  // else 2T) or limit bytes were read.
  static void Drain(TaloComPort& port, size_t limit = kDrainLimit, uint32_t silenceMs = 0);

  // The standard exchange with one command; the answer's lines go to onLine
  // (after the console) until it returns false, also those that follow a
  // pause of the shell. Each line is passed as read, with its CR LF (the
  // first is normally the lone LF after the command's echo). Ok when the
  // command line was sent and its answer ended with the prompt: one that
  // never came (a program still running), the answer's ceiling and a lost
  // port are failures, with their message (ShellSession::Failure). An
  // exchange that reads up to the carriage return gives PromptAt::Anywhere;
  // budgetMs is its prompt budget, pace whether it takes quick answers.
  [[nodiscard]] JobResult Exchange(const QByteArray& commandLine, uint32_t timeoutMs,
                                   uint8_t terminator, const LineHandler& onLine = {},
                                   uint32_t budgetMs = kPromptBudgetMs,
                                   PromptAt where = PromptAt::Start, Pace pace = Pace::Standard);
  // The standard exchange at 1000 ms with line feed as terminator.
  [[nodiscard]] JobResult CommandExchange(const QByteArray& commandLine);

 private:
  friend class ShellSession;
  TaloConsole& ConsoleRef;
  UserDialogs& DialogsRef;
  ResultTeller& TellerRef;
  JobRunner Runner;
  QString Port;
  QString Hint;
  bool Quick = false;
};
