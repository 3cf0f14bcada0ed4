#pragma once
// PropertiesDialog: the properties of a device item or of the folder shown,
// caption "Properities". Made for one use: set the seven texts, exec(),
// destroy. The labels take the texts when the dialog is shown.

#include <QDialog>
#include <memory>

#include "remote/devicefilecommands.h"

namespace Ui {
class PropertiesDialog;
}

class PropertiesDialog : public QDialog {
  Q_OBJECT

 public:
  explicit PropertiesDialog(QWidget* parent = nullptr);
  ~PropertiesDialog() override;

  void SetTexts(const DeviceProperties& texts);

  // The seven texts, all empty until SetTexts.
  DeviceProperties Texts;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();

  std::unique_ptr<Ui::PropertiesDialog> Form;
};
