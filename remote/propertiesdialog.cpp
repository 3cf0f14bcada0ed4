#include "remote/propertiesdialog.h"

#include "ui_propertiesdialog.h"

PropertiesDialog::PropertiesDialog(QWidget* parent) : QDialog(parent), Form(new Ui::PropertiesDialog) {
  Form->setupUi(this);
  connect(Form->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
}

PropertiesDialog::~PropertiesDialog() = default;

void PropertiesDialog::SetTexts(const DeviceProperties& texts) { Texts = texts; }

void PropertiesDialog::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void PropertiesDialog::FormShow() {
  Form->lblModule->setText(Texts.PropModule);
  Form->lblName->setText(Texts.PropName);
  Form->lblPath->setText(Texts.PropPath);
  Form->lblType->setText(Texts.PropType);
  Form->lblSize->setText(Texts.PropSize);
  Form->lblDate->setText(Texts.PropDate);
  Form->lblContain->setText(Texts.PropContains);
}
