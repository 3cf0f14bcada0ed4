#include "app/nameprompt.h"

#include "link/shell/devicename.h"
#include "ui_nameprompt.h"

NamePrompt::NamePrompt(QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::NamePrompt>()) {
  Form->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  connect(Form->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(Form->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(Form->edtFileName, &QLineEdit::textChanged, this, &NamePrompt::UpdatePreview);
  Form->lblResult->hide();
}

NamePrompt::~NamePrompt() = default;

void NamePrompt::Setup(const QString& caption, const QString& prompt,
                            const QString& initial, int maxLength) {
  setWindowTitle(caption);
  Form->lblPrompt->setText(prompt);
  if (maxLength > 0) Form->edtFileName->setMaxLength(maxLength);
  Form->edtFileName->setText(initial);
}

void NamePrompt::SetPreview(std::function<Preview(const QString&)> preview) {
  PreviewOf = std::move(preview);
  Form->lblResult->setVisible(static_cast<bool>(PreviewOf));
  UpdatePreview();
}

void NamePrompt::PreviewDeviceName() {
  SetPreview([](const QString& typed) {
    const DeviceName::Preview preview = DeviceName::ShortFormPreview(typed);
    return Preview{preview.Text, preview.Acceptable};
  });
}

void NamePrompt::UpdatePreview() {
  if (!PreviewOf) return;
  const Preview preview = PreviewOf(Form->edtFileName->text());
  Form->lblResult->setText(preview.Text);
  Form->OKBtn->setEnabled(preview.Acceptable);
}

QString NamePrompt::Name() const { return Form->edtFileName->text(); }
QLineEdit* NamePrompt::edtFileName() const { return Form->edtFileName; }
QLabel* NamePrompt::lblPrompt() const { return Form->lblPrompt; }
QLabel* NamePrompt::lblResult() const { return Form->lblResult; }

void NamePrompt::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Form->edtFileName->setFocus();
  Form->edtFileName->selectAll();
}
