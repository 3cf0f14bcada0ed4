#pragma once
// NamePrompt: the name prompt (rename a file, make a directory...).
// Created for one question and destroyed after it; the caller sets caption,
// prompt, initial text and maximum length, the edit box has the focus when the
// dialog shows. OK accepts, Cancel (or Esc) cancels. With a preview, a line
// under the edit box shows what the text typed will become, and OK is
// offered only while the preview accepts the text.

#include <QDialog>
#include <functional>
#include <memory>

namespace Ui {
class NamePrompt;
}
class QLineEdit;
class QLabel;

class NamePrompt : public QDialog {
  Q_OBJECT

 public:
  explicit NamePrompt(QWidget* parent = nullptr);
  ~NamePrompt() override;

  void Setup(const QString& caption, const QString& prompt, const QString& initial,
             int maxLength);
  struct Preview {
    QString Text;
    bool Acceptable = false;
  };
  void SetPreview(std::function<Preview(const QString& typed)> preview);
  // The preview of a new name on the controller: its 8.3 form as it is sent.
  void PreviewDeviceName();
  QString Name() const;
  QLineEdit* edtFileName() const;
  QLabel* lblPrompt() const;
  QLabel* lblResult() const;

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow: focus to the edit box

 private:
  void UpdatePreview();

  std::unique_ptr<Ui::NamePrompt> Form;
  std::function<Preview(const QString&)> PreviewOf;
};
