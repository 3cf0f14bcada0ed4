#pragma once
// UserDialogs: how the device logic asks the user.
//
// Principles of operation
// - Questions, name prompts, file/folder/font choice, the busy cursor and
//   the beep. Results are not told here: they are values, told at the top
//   through the front's ResultTeller (link/resultteller.h). All calls on the main thread; every call is
//   modal and returns the user's answer.
// - Widgets implement it with message boxes and dialogs; the command-line
//   front end with stderr and default answers; tests with scripted answers;
//   SilentDialogs where nobody can be asked.
// - Texts are shown exactly as given ("\n" breaks lines).

#include <QString>
#include <optional>

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  // The icon a question comes with: most are plain questions; some warn
  // (a format, a restore) or inform (a backup's needs) as well.
  enum class BoxKind { Question, Warning, Information };
  // Confirmation box with Yes and No: true for Yes. Every such question
  // comes before a destructive or final action, so No is the default button:
  // Enter never erases.
  virtual bool AskYesNo(const QString& text, BoxKind kind = BoxKind::Question) = 0;
  // Confirmation box with Yes, No and Yes to all (No the default), for a
  // question asked once per file of a batch. Where there is no such box the
  // plain question answers it (never with Yes to all).
  enum class Answer { Yes, No, YesToAll };
  virtual Answer AskYesNoToAll(const QString& text) {
    return AskYesNo(text) ? Answer::Yes : Answer::No;
  }
  // Name prompt: caption, prompt, initial text, maximum length. Empty when
  // cancelled.
  virtual std::optional<QString> AskName(const QString& caption, const QString& prompt,
                                         const QString& initial, int maxLength) = 0;
  // A name prompt for a new name on the controller: under the edit box it
  // shows, as the user types, the name that will be sent (DeviceName's 8.3
  // form) or why none will, and OK takes only a name that can be sent. The
  // text typed comes back as it stands. Where nothing can show the result,
  // the plain prompt.
  virtual std::optional<QString> AskDeviceName(const QString& caption, const QString& prompt,
                                               const QString& initial, int maxLength) {
    return AskName(caption, prompt, initial, maxLength);
  }
  virtual std::optional<QString> ChooseOpenFile(const QString& caption, const QString& fileName,
                                                const QString& filter) = 0;
  virtual std::optional<QString> ChooseSaveFile(const QString& caption, const QString& fileName,
                                                const QString& filter) = 0;
  virtual std::optional<QString> ChooseFolder(const QString& caption, const QString& start) = 0;
  // Font choice: the font in QFont::toString() form, the chosen one back.
  virtual std::optional<QString> ChooseFont(const QString& current) = 0;

  // Hourglass on/off; nests.
  virtual void BeginBusy() = 0;
  virtual void EndBusy() = 0;
  // The default message beep.
  virtual void Beep() = 0;
};
