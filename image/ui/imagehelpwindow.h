#pragma once
// ImageHelpWindow: the image dialog's help window, a fixed text.

#include <QDialog>
#include <memory>

namespace Ui {
class ImageHelpWindow;
}
class QPlainTextEdit;

class ImageHelpWindow : public QDialog {
  Q_OBJECT

 public:
  explicit ImageHelpWindow(QWidget* parent = nullptr);
  ~ImageHelpWindow() override;

  QPlainTextEdit* HelpText() const;

 private:
  std::unique_ptr<Ui::ImageHelpWindow> Form;
};
