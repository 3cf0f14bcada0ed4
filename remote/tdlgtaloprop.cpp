#include "tdlgtaloprop.h"

#include "ui_tdlgtaloprop.h"

TdlgTaloProp::TdlgTaloProp(QWidget* parent) : QDialog(parent), Form(new Ui::TdlgTaloProp) {
  Form->setupUi(this);
  connect(Form->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
}

TdlgTaloProp::~TdlgTaloProp() = default;

void TdlgTaloProp::SetTexts(const DeviceProperties& texts) {
  PropModule = texts.PropModule;
  PropName = texts.PropName;
  PropPath = texts.PropPath;
  PropType = texts.PropType;
  PropSize = texts.PropSize;
  PropDate = texts.PropDate;
  PropContains = texts.PropContains;
}

void TdlgTaloProp::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TdlgTaloProp::FormShow() {
  Form->lblModule->setText(PropModule);
  Form->lblName->setText(PropName);
  Form->lblPath->setText(PropPath);
  Form->lblType->setText(PropType);
  Form->lblSize->setText(PropSize);
  Form->lblDate->setText(PropDate);
  Form->lblContain->setText(PropContains);
}
