#pragma once
// WidgetDialogs: the dialog service and the teller of results of the desktop
// program. Results as message boxes of their kind (HowTold) with the usual
// captions (Error, Warning, Information), questions as Confirm boxes, the name
// prompt NamePrompt, the file, folder and font dialogs, the hourglass as
// an override cursor and the platform beep. Main thread only; every call is
// modal. The parent (the main window) must outlive the service's use.

#include <QPointer>
#include <QWidget>

#include "link/resultteller.h"
#include "link/userdialogs.h"

class WidgetDialogs : public UserDialogs, public ResultTeller {
 public:
  explicit WidgetDialogs(QWidget* parent = nullptr) : Parent(parent) {}
  void SetParent(QWidget* parent) { Parent = parent; }

  // The window's telling of a result: a box of its kind (HowTold).
  void Tell(const JobResult& result) override;
  bool AskYesNo(const QString& text, BoxKind kind = BoxKind::Question) override;
  Answer AskYesNoToAll(const QString& text) override;
  std::optional<QString> AskName(const QString& caption, const QString& prompt,
                                 const QString& initial, int maxLength) override;
  std::optional<QString> AskDeviceName(const QString& caption, const QString& prompt,
                                       const QString& initial, int maxLength) override;
  std::optional<QString> ChooseOpenFile(const QString& caption, const QString& fileName,
                                        const QString& filter) override;
  std::optional<QString> ChooseSaveFile(const QString& caption, const QString& fileName,
                                        const QString& filter) override;
  std::optional<QString> ChooseFolder(const QString& caption, const QString& start) override;
  std::optional<QString> ChooseFont(const QString& current) override;
  void BeginBusy() override;
  void EndBusy() override;
  void Beep() override;

 private:
  void ShowBox(int icon, const QString& caption, const QString& text);

  QPointer<QWidget> Parent;
  int BusyDepth = 0;
};
