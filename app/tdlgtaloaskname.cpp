#include "app/tdlgtaloaskname.h"

#include "link/devicename.h"
#include "ui_tdlgtaloaskname.h"

TdlgTaloAskName::TdlgTaloAskName(QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::TdlgTaloAskName>()) {
  Form->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  connect(Form->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(Form->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(Form->edtFileName, &QLineEdit::textChanged, this, &TdlgTaloAskName::UpdatePreview);
  Form->lblResult->hide();
}

TdlgTaloAskName::~TdlgTaloAskName() = default;

void TdlgTaloAskName::Setup(const QString& caption, const QString& prompt,
                            const QString& initial, int maxLength) {
  setWindowTitle(caption);
  Form->lblPrompt->setText(prompt);
  if (maxLength > 0) Form->edtFileName->setMaxLength(maxLength);
  Form->edtFileName->setText(initial);
}

void TdlgTaloAskName::SetPreview(std::function<Preview(const QString&)> preview) {
  PreviewOf = std::move(preview);
  Form->lblResult->setVisible(static_cast<bool>(PreviewOf));
  UpdatePreview();
}

void TdlgTaloAskName::PreviewDeviceName() {
  SetPreview([](const QString& typed) {
    const DeviceName::Preview preview = DeviceName::ShortFormPreview(typed);
    return Preview{preview.Text, preview.Acceptable};
  });
}

void TdlgTaloAskName::UpdatePreview() {
  if (!PreviewOf) return;
  const Preview preview = PreviewOf(Form->edtFileName->text());
  Form->lblResult->setText(preview.Text);
  Form->OKBtn->setEnabled(preview.Acceptable);
}

QString TdlgTaloAskName::Name() const { return Form->edtFileName->text(); }
QLineEdit* TdlgTaloAskName::edtFileName() const { return Form->edtFileName; }
QLabel* TdlgTaloAskName::lblPrompt() const { return Form->lblPrompt; }
QLabel* TdlgTaloAskName::lblResult() const { return Form->lblResult; }

void TdlgTaloAskName::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Form->edtFileName->setFocus();
  Form->edtFileName->selectAll();
}
