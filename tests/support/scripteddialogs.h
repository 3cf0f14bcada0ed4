#pragma once
// UserDialogs for tests: records every message and answers from scripts.

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

#include "link/resultteller.h"
#include "link/userdialogs.h"

class ScriptedDialogs : public UserDialogs, public ResultTeller {
 public:
  struct Message {
    enum Kind { Error, Warning, Information, Question } Type;
    QString Text;
    BoxKind Box = BoxKind::Question;  // a question's icon
  };
  std::vector<Message> Messages;
  std::deque<bool> YesNoAnswers;               // default: Yes
  std::deque<Answer> YesNoAllAnswers;          // default: Yes
  std::deque<std::optional<QString>> NameAnswers;  // default: cancelled
  std::deque<std::optional<QString>> FileAnswers;  // open, save and folder choices
  std::deque<std::optional<QString>> FontAnswers;
  QStringList NamePrompts;  // captions of the name prompts shown
  QStringList NameSuggestions;  // the text each name prompt started with
  QStringList NameTexts;        // the prompt text of each
  int BusyDepth = 0;
  int MaxBusyDepth = 0;
  int Beeps = 0;

  // A told result is recorded as the box it would show.
  void Tell(const JobResult& result) override {
    switch (HowTold(result)) {
      case ToldAs::Nothing:
        return;
      case ToldAs::Information:
        return Messages.push_back({Message::Information, result.Text});
      case ToldAs::Warning:
        return Messages.push_back({Message::Warning, result.Text});
      case ToldAs::Error:
        return Messages.push_back({Message::Error, result.Text});
    }
  }
  bool AskYesNo(const QString& text, BoxKind kind) override {
    Messages.push_back({Message::Question, text, kind});
    return Take(YesNoAnswers, true);
  }
  Answer AskYesNoToAll(const QString& text) override {
    Messages.push_back({Message::Question, text});
    return Take(YesNoAllAnswers, Answer::Yes);
  }
  std::optional<QString> AskName(const QString& caption, const QString& prompt,
                                 const QString& initial, int maxLength) override {
    NamePrompts.append(caption);
    NameTexts.append(prompt);
    NameSuggestions.append(initial);
    const std::optional<QString> answer = TakeText(NameAnswers);
    if (!answer) return std::nullopt;
    return answer->left(maxLength);  // the edit box stops typing there
  }
  std::optional<QString> ChooseOpenFile(const QString&, const QString&, const QString&) override {
    return TakeText(FileAnswers);
  }
  std::optional<QString> ChooseSaveFile(const QString&, const QString&, const QString&) override {
    return TakeText(FileAnswers);
  }
  std::optional<QString> ChooseFolder(const QString&, const QString&) override {
    return TakeText(FileAnswers);
  }
  std::optional<QString> ChooseFont(const QString&) override {
    return TakeText(FontAnswers);
  }
  void BeginBusy() override {
    ++BusyDepth;
    if (BusyDepth > MaxBusyDepth) MaxBusyDepth = BusyDepth;
  }
  void EndBusy() override { --BusyDepth; }
  void Beep() override { ++Beeps; }

  // Texts of the messages of one kind, in order.
  QStringList Texts(Message::Kind kind) const {
    QStringList out;
    for (const auto& m : Messages)
      if (m.Type == kind) out.append(m.Text);
    return out;
  }
  QStringList Errors() const { return Texts(Message::Error); }
  QStringList Warnings() const { return Texts(Message::Warning); }
  QStringList Questions() const { return Texts(Message::Question); }

 private:
  static std::optional<QString> TakeText(std::deque<std::optional<QString>>& queue) {
    // Built from a plain QString: GCC 12 warns (wrongly) about a moved or
    // copied optional<QString> once this is inlined.
    if (queue.empty()) return std::nullopt;
    const bool given = queue.front().has_value();
    const QString text = given ? *queue.front() : QString();
    queue.pop_front();
    if (!given) return std::nullopt;
    return std::optional<QString>(std::in_place, text);
  }
  template <typename T>
  static T Take(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T value = queue.front();
    queue.pop_front();
    return value;
  }
};
