#include "widgetdialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>

#include "tdlgtaloaskname.h"

namespace {

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
             const QString& text) {
  QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
  box.exec();
}

std::optional<QString> NonEmpty(const QString& text) {
  if (text.isEmpty()) return std::nullopt;
  return text;
}

}  // namespace

void WidgetDialogs::ShowError(const QString& text) {
  ShowBox(Parent, QMessageBox::Critical, QStringLiteral("Error"), text);
}

void WidgetDialogs::ShowWarning(const QString& text) {
  ShowBox(Parent, QMessageBox::Warning, QStringLiteral("Warning"), text);
}

void WidgetDialogs::ShowInformation(const QString& text) {
  ShowBox(Parent, QMessageBox::Information, QStringLiteral("Information"), text);
}

bool WidgetDialogs::AskYesNo(const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text,
                  QMessageBox::Yes | QMessageBox::No, Parent);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

std::optional<QString> WidgetDialogs::AskName(const QString& caption, const QString& prompt,
                                              const QString& initial, int maxLength) {
  TdlgTaloAskName dialog(Parent);
  dialog.Setup(caption, prompt, initial, maxLength);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
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
