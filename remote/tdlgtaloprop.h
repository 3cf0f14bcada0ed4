#pragma once
// TdlgTaloProp: the properties of a device item or of the folder shown,
// caption "Properities". Made for one use: set the seven texts, exec(),
// destroy. The labels take the texts when the dialog is shown.

#include <QDialog>
#include <memory>

#include "remote/devicefilecommands.h"

namespace Ui {
class TdlgTaloProp;
}

class TdlgTaloProp : public QDialog {
  Q_OBJECT

 public:
  explicit TdlgTaloProp(QWidget* parent = nullptr);
  ~TdlgTaloProp() override;

  void SetTexts(const DeviceProperties& texts);

  // The seven texts, all empty until SetTexts.
  DeviceProperties Texts;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();

  std::unique_ptr<Ui::TdlgTaloProp> Form;
};
