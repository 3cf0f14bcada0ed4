#include "app/startupwindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include "ui_startupwindow.h"

StartupWindow::StartupWindow(QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::StartupWindow>()) {
  Form->setupUi(this);
  // A caption but no buttons in it: the dialog closes itself when start-up ends.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

StartupWindow::~StartupWindow() = default;

void StartupWindow::ChangeLabelText(const QString& text) {
  Form->lblMsg->setText(text);
  repaint();
  // Start-up keeps the main thread busy: let the window system show the text.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QString StartupWindow::LabelText() const { return Form->lblMsg->text(); }
