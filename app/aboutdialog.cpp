#include "app/aboutdialog.h"

#include "app/appicons.h"
#include "app/apptext.h"
#include "ui_aboutdialog.h"

namespace {
constexpr int kClientWidth = 368;
constexpr int kClientHeight = 140;
constexpr int kProductPixelSize = 16;
}  // namespace

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::AboutDialog>()) {
  Form->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(AppText::AboutCaption());
  Form->ProgramIcon->setPixmap(AppIcons::ProgramIcon().pixmap(32, 32));
  QFont product(QStringLiteral("Times New Roman"));
  product.setStyleHint(QFont::Serif);
  product.setPixelSize(kProductPixelSize);
  product.setBold(true);
  Form->ProductName->setFont(product);
  Form->ProductName->setText(AppText::AboutProduct());
  Form->Version->setText(AppText::AboutVersion());
  QFont small = Form->Build->font();
  small.setPointSizeF(small.pointSizeF() * 0.8);
  Form->Build->setFont(small);
  Form->Build->setText(AppText::AboutBuild());
  Form->Copyright->setText(AppText::AboutMakerNotice());
  connect(Form->OKButton, &QPushButton::clicked, this, &QDialog::accept);
  setFixedSize(kClientWidth, kClientHeight);
}

AboutDialog::~AboutDialog() = default;

void AboutDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (const QWidget* owner = parentWidget())
    move(owner->geometry().center() - rect().center());
}
