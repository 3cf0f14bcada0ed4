#include "remote/tdlgtaloprop.h"

#include "ui_tdlgtaloprop.h"

TdlgTaloProp::TdlgTaloProp(QWidget* parent) : QDialog(parent), Form(new Ui::TdlgTaloProp) {
  Form->setupUi(this);
  connect(Form->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
}

TdlgTaloProp::~TdlgTaloProp() = default;

void TdlgTaloProp::SetTexts(const DeviceProperties& texts) { Texts = texts; }

void TdlgTaloProp::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TdlgTaloProp::FormShow() {
  Form->lblModule->setText(Texts.PropModule);
  Form->lblName->setText(Texts.PropName);
  Form->lblPath->setText(Texts.PropPath);
  Form->lblType->setText(Texts.PropType);
  Form->lblSize->setText(Texts.PropSize);
  Form->lblDate->setText(Texts.PropDate);
  Form->lblContain->setText(Texts.PropContains);
}
