#pragma once
// JobResult: what a job, or a step of one, came to - a status and the text
// the user is to be told.
//
// Principles of operation
// - A value: device logic returns it and shows nothing; the top level that
//   started the work turns it into a box, a console line or an exit code.
// - Text is empty when there is nothing to tell (a stop the user asked for,
//   a question answered No).

#include <QString>

enum class JobStatus { Ok, Failed, TimedOut, Disconnected, Cancelled };

// What a job, or a step of one, came to.
struct [[nodiscard]] JobResult {
  JobStatus Status = JobStatus::Ok;
  QString Text;  // the user's text; empty when there is nothing to tell
  // A refusal that is shown as a warning rather than an error.
  bool Warning = false;
  // The command line's carriage return went out before the failure (or the
  // stop): the controller may have run it, and Text says what to check.
  bool MayHaveRun = false;

  bool Ok() const { return Status == JobStatus::Ok; }
  bool Cancelled() const { return Status == JobStatus::Cancelled; }
  explicit operator bool() const { return Ok(); }

  static JobResult Done(const QString& text = QString()) { return {JobStatus::Ok, text}; }
  static JobResult Failed(const QString& text) { return {JobStatus::Failed, text}; }
  static JobResult Warned(const QString& text) { return {JobStatus::Failed, text, true}; }
  static JobResult Stopped() { return {JobStatus::Cancelled, QString()}; }
};

// How a result is told, in the window (a box of that kind) and on the
// command line (a line with that kind in front) alike: nothing without a
// text; a success's text informs; a stop's text informs, or warns when it
// is a warning or the stopped command may have run (what to check); any
// other failure is an error, or a warning for a refusal that is only one.
enum class ToldAs { Nothing, Information, Warning, Error };

inline ToldAs HowTold(const JobResult& result) {
  if (result.Text.isEmpty()) return ToldAs::Nothing;
  if (result.Ok()) return ToldAs::Information;
  if (result.Cancelled())
    return result.Warning || result.MayHaveRun ? ToldAs::Warning : ToldAs::Information;
  return result.Warning ? ToldAs::Warning : ToldAs::Error;
}
