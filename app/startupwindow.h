#pragma once
// StartupWindow: the start-up progress dialog. Shown without waiting while the
// main window's start-up runs on the main thread; ChangeLabelText repaints at
// once so each step is visible although the event loop is not running yet.

#include <QDialog>
#include <memory>

namespace Ui {
class StartupWindow;
}

class StartupWindow : public QDialog {
  Q_OBJECT

 public:
  explicit StartupWindow(QWidget* parent = nullptr);
  ~StartupWindow() override;

  void ChangeLabelText(const QString& text);
  QString LabelText() const;

 private:
  std::unique_ptr<Ui::StartupWindow> Form;
};
