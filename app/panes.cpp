#include "panes.h"

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include "placeholderpanes.h"

namespace Panes {

QWidget* CreateLocalPane(QWidget* parent, UserDialogs& /*dialogs*/) {
  return new PlaceholderLocalPane(parent);
}

QWidget* CreateDevicePane(QWidget* parent, DeviceShell& /*shell*/, UserDialogs& /*dialogs*/) {
  return new PlaceholderDevicePane(parent);
}

void OpenLocalComputer(QWidget* /*localPane*/) {}

void FocusLocalPath(QWidget* localPane) {
  if (auto* box = localPane->findChild<QComboBox*>(QStringLiteral("cbxLocal"))) {
    box->setFocus();
    if (box->lineEdit()) box->lineEdit()->selectAll();
  }
}

void DevicePortChanged(QWidget* /*devicePane*/) {}

void OnRunProgram(QWidget* /*devicePane*/, std::function<void(const QString&)> /*run*/) {}

}  // namespace Panes
