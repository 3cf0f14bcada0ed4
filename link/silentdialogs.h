#pragma once
// SilentDialogs: the dialog service where nobody can be asked - a worker that
// only needs the shell's console path, a pane before the main window hands
// over its own, a benchmark.
//
// Principles of operation
// - Shows nothing; answers every question No and cancels every prompt and
//   choice, so no answer of its own starts anything destructive.
// - Keeps the text of the last message, for a caller that reports it itself.

#include <QString>
#include <optional>

#include "link/resultteller.h"
#include "link/userdialogs.h"

class SilentDialogs : public UserDialogs, public ResultTeller {
 public:
  // The last error, warning or information text; empty when there was none.
  const QString& LastMessage() const { return Last; }

  void Tell(const JobResult& result) override {
    if (HowTold(result) != ToldAs::Nothing) Last = result.Text;
  }
  bool AskYesNo(const QString&, BoxKind) override { return false; }
  std::optional<QString> AskName(const QString&, const QString&, const QString&, int) override {
    return std::nullopt;
  }
  std::optional<QString> ChooseOpenFile(const QString&, const QString&, const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> ChooseSaveFile(const QString&, const QString&, const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> ChooseFolder(const QString&, const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> ChooseFont(const QString&) override { return std::nullopt; }
  void BeginBusy() override {}
  void EndBusy() override {}
  void Beep() override {}

 private:
  QString Last;
};
