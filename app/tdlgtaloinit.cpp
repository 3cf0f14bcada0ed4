#include "app/tdlgtaloinit.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include "ui_tdlgtaloinit.h"

TdlgTaloInit::TdlgTaloInit(QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::TdlgTaloInit>()) {
  Form->setupUi(this);
  // A caption but no buttons in it: the dialog closes itself when start-up ends.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

TdlgTaloInit::~TdlgTaloInit() = default;

void TdlgTaloInit::ChangeLabelText(const QString& text) {
  Form->lblMsg->setText(text);
  repaint();
  // Start-up keeps the main thread busy: let the window system show the text.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QString TdlgTaloInit::LabelText() const { return Form->lblMsg->text(); }
