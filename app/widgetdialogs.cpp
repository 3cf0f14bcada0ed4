#include "app/widgetdialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>

#include "app/nameprompt.h"

namespace {

// A box shown in the middle of a long operation gets the normal pointer back
// while it waits for the user.
class NormalCursorWhileAsking {
 public:
  explicit NormalCursorWhileAsking(int busyDepth) : Busy(busyDepth > 0) {
    if (Busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  }
  ~NormalCursorWhileAsking() {
    if (Busy) QApplication::restoreOverrideCursor();
  }

 private:
  bool Busy;
};

int RunModal(QDialog& dialog, int busyDepth) {
  NormalCursorWhileAsking pointer(busyDepth);
  return dialog.exec();
}

std::optional<QString> NonEmpty(const QString& text) {
  if (text.isEmpty()) return std::nullopt;
  return text;
}

}  // namespace

void WidgetDialogs::ShowBox(int icon, const QString& caption, const QString& text) {
  QMessageBox box(static_cast<QMessageBox::Icon>(icon), caption, text, QMessageBox::Ok, Parent);
  RunModal(box, BusyDepth);
}

void WidgetDialogs::Tell(const JobResult& result) {
  switch (HowTold(result)) {
    case ToldAs::Nothing:
      return;
    case ToldAs::Information:
      return ShowBox(QMessageBox::Information, QStringLiteral("Information"), result.Text);
    case ToldAs::Warning:
      return ShowBox(QMessageBox::Warning, QStringLiteral("Warning"), result.Text);
    case ToldAs::Error:
      return ShowBox(QMessageBox::Critical, QStringLiteral("Error"), result.Text);
  }
}

bool WidgetDialogs::AskYesNo(const QString& text, BoxKind kind) {
  const QMessageBox::Icon icon = kind == BoxKind::Warning       ? QMessageBox::Warning
                                 : kind == BoxKind::Information ? QMessageBox::Information
                                                                : QMessageBox::Question;
  QMessageBox box(icon, QStringLiteral("Confirm"), text,
                  QMessageBox::Yes | QMessageBox::No, Parent);
  box.setDefaultButton(QMessageBox::No);
  RunModal(box, BusyDepth);
  return box.clickedButton() == box.button(QMessageBox::Yes);
}

UserDialogs::Answer WidgetDialogs::AskYesNoToAll(const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll, Parent);
  box.setDefaultButton(QMessageBox::No);
  RunModal(box, BusyDepth);
  if (box.clickedButton() == box.button(QMessageBox::YesToAll)) return Answer::YesToAll;
  if (box.clickedButton() == box.button(QMessageBox::Yes)) return Answer::Yes;
  return Answer::No;
}

std::optional<QString> WidgetDialogs::AskName(const QString& caption, const QString& prompt,
                                              const QString& initial, int maxLength) {
  NamePrompt dialog(Parent);
  dialog.Setup(caption, prompt, initial, maxLength);
  if (RunModal(dialog, BusyDepth) != QDialog::Accepted) return std::nullopt;
  return dialog.Name();
}

std::optional<QString> WidgetDialogs::AskDeviceName(const QString& caption,
                                                    const QString& prompt,
                                                    const QString& initial, int maxLength) {
  NamePrompt dialog(Parent);
  dialog.Setup(caption, prompt, initial, maxLength);
  dialog.PreviewDeviceName();
  if (RunModal(dialog, BusyDepth) != QDialog::Accepted) return std::nullopt;
  return dialog.Name();
}

std::optional<QString> WidgetDialogs::ChooseOpenFile(const QString& caption,
                                                     const QString& fileName,
                                                     const QString& filter) {
  return NonEmpty(QFileDialog::getOpenFileName(Parent, caption, fileName, filter));
}

std::optional<QString> WidgetDialogs::ChooseSaveFile(const QString& caption,
                                                     const QString& fileName,
                                                     const QString& filter) {
  return NonEmpty(QFileDialog::getSaveFileName(Parent, caption, fileName, filter));
}

std::optional<QString> WidgetDialogs::ChooseFolder(const QString& caption, const QString& start) {
  return NonEmpty(QFileDialog::getExistingDirectory(Parent, caption, start));
}

std::optional<QString> WidgetDialogs::ChooseFont(const QString& current) {
  QFont initial;
  initial.fromString(current);
  bool accepted = false;
  const QFont chosen = QFontDialog::getFont(&accepted, initial, Parent);
  if (!accepted) return std::nullopt;
  return chosen.toString();
}

void WidgetDialogs::BeginBusy() {
  if (BusyDepth++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void WidgetDialogs::EndBusy() {
  if (BusyDepth == 0) return;
  if (--BusyDepth == 0) QApplication::restoreOverrideCursor();
}

void WidgetDialogs::Beep() { QApplication::beep(); }
