#include "tdlgtaloaskname.h"

#include "ui_tdlgtaloaskname.h"

TdlgTaloAskName::TdlgTaloAskName(QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::TdlgTaloAskName>()) {
  Form->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  connect(Form->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(Form->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

TdlgTaloAskName::~TdlgTaloAskName() = default;

void TdlgTaloAskName::Setup(const QString& caption, const QString& prompt,
                            const QString& initial, int maxLength) {
  setWindowTitle(caption);
  Form->lblPrompt->setText(prompt);
  if (maxLength > 0) Form->edtFileName->setMaxLength(maxLength);
  Form->edtFileName->setText(initial);
}

QString TdlgTaloAskName::Name() const { return Form->edtFileName->text(); }
QLineEdit* TdlgTaloAskName::edtFileName() const { return Form->edtFileName; }
QLabel* TdlgTaloAskName::lblPrompt() const { return Form->lblPrompt; }

void TdlgTaloAskName::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Form->edtFileName->setFocus();
  Form->edtFileName->selectAll();
}
