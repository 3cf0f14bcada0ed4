#include "image/ui/imagehelpwindow.h"

#include <QPalette>

#include "ui_imagehelpwindow.h"

ImageHelpWindow::ImageHelpWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      Form(std::make_unique<Ui::ImageHelpWindow>()) {
  Form->setupUi(this);
  setFixedSize(size());
  // The memo reads as part of the window: the menu colour, no frame.
  QPalette colours = Form->HelpText->palette();
  colours.setColor(QPalette::Base, palette().color(QPalette::Window));
  Form->HelpText->setPalette(colours);
}

ImageHelpWindow::~ImageHelpWindow() = default;

QPlainTextEdit* ImageHelpWindow::HelpText() const { return Form->HelpText; }
