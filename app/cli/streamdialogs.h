#pragma once
// StreamDialogs: the dialog service and the teller of results of the
// command-line front end. Results go to a stdio stream (stderr) with their
// kind (HowTold) in front; questions are
// answered yes when the user gave --yes and refused otherwise; name prompts
// and file, folder and font choices are refused (there is nobody to ask).
// Counts the errors, which decide the exit status. Messages are printed
// escaped (EscapeControls): they quote the controller's lines and names;
// as JSON, {"kind": "error", "text": ...} one a line, when asked for.

#include <QString>
#include <cstdio>

#include "link/resultteller.h"
#include "link/userdialogs.h"

class StreamDialogs : public UserDialogs, public ResultTeller {
 public:
  explicit StreamDialogs(bool assumeYes, FILE* out = stderr, bool json = false)
      : AssumeYes(assumeYes), Out(out), Json(json) {}

  // The command line's telling of a result: its kind (HowTold) and text.
  void Tell(const JobResult& result) override;
  bool AskYesNo(const QString& text, BoxKind kind) override;
  std::optional<QString> AskName(const QString& caption, const QString& prompt,
                                 const QString& initial, int maxLength) override;
  std::optional<QString> ChooseOpenFile(const QString& caption, const QString& fileName,
                                        const QString& filter) override;
  std::optional<QString> ChooseSaveFile(const QString& caption, const QString& fileName,
                                        const QString& filter) override;
  std::optional<QString> ChooseFolder(const QString& caption, const QString& start) override;
  std::optional<QString> ChooseFont(const QString& current) override;
  void BeginBusy() override {}
  void EndBusy() override {}
  void Beep() override {}

  int ErrorCount() const { return Errors; }
  QString LastError() const { return LastErrorText; }

 private:
  void Print(const char* kind, const QString& text);
  std::optional<QString> Refuse(const QString& what);

  bool AssumeYes;
  FILE* Out;
  bool Json;
  int Errors = 0;
  QString LastErrorText;
};
