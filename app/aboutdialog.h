#pragma once
// AboutDialog: the about box (product, version and build, maker's notice).
// Fixed size, centred on its parent; OK closes it.

#include <QDialog>
#include <memory>

namespace Ui {
class AboutDialog;
}

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);
  ~AboutDialog() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::AboutDialog> Form;
};
