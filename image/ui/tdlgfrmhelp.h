#pragma once
// TdlgfrmHelp: the image dialog's help window, a fixed text.

#include <QDialog>
#include <memory>

namespace Ui {
class TdlgfrmHelp;
}
class QPlainTextEdit;

class TdlgfrmHelp : public QDialog {
  Q_OBJECT

 public:
  explicit TdlgfrmHelp(QWidget* parent = nullptr);
  ~TdlgfrmHelp() override;

  QPlainTextEdit* Memo1() const;

 private:
  std::unique_ptr<Ui::TdlgfrmHelp> Form;
};
