#include "image/ui/tdlgfrmhelp.h"

#include <QPalette>

#include "ui_tdlgfrmhelp.h"

TdlgfrmHelp::TdlgfrmHelp(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      Form(std::make_unique<Ui::TdlgfrmHelp>()) {
  Form->setupUi(this);
  setFixedSize(size());
  // The memo reads as part of the window: the menu colour, no frame.
  QPalette colours = Form->Memo1->palette();
  colours.setColor(QPalette::Base, palette().color(QPalette::Window));
  Form->Memo1->setPalette(colours);
}

TdlgfrmHelp::~TdlgfrmHelp() = default;

QPlainTextEdit* TdlgfrmHelp::Memo1() const { return Form->Memo1; }
