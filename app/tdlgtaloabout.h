#pragma once
// TdlgTaloAbout: the about box (product, version and build, maker's notice).
// Fixed size, centred on its parent; OK closes it.

#include <QDialog>
#include <memory>

namespace Ui {
class TdlgTaloAbout;
}

class TdlgTaloAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TdlgTaloAbout(QWidget* parent = nullptr);
  ~TdlgTaloAbout() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::TdlgTaloAbout> Form;
};
