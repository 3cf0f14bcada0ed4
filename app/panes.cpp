#include "panes.h"

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include "deviceshell.h"
#include "placeholderpanes.h"

#ifdef TALO_HAVE_LOCAL_PANE
#include "localpane.h"
#endif
#ifdef TALO_HAVE_DEVICE_PANE
#include "devicepane.h"
#endif

namespace Panes {

QWidget* CreateLocalPane(QWidget* parent, UserDialogs& dialogs) {
#ifdef TALO_HAVE_LOCAL_PANE
  auto* pane = new LocalPane(parent);
  pane->SetDialogs(&dialogs);
#else
  (void)dialogs;
  auto* pane = new PlaceholderLocalPane(parent);
#endif
  pane->setObjectName(QStringLiteral("pnlLocal"));
  return pane;
}

QWidget* CreateDevicePane(QWidget* parent, DeviceShell& shell, UserDialogs& dialogs) {
  (void)dialogs;  // the device pane reaches the user through the shell's dialogs
#ifdef TALO_HAVE_DEVICE_PANE
  auto* pane = new DevicePane(shell, parent);
#else
  (void)shell;
  auto* pane = new PlaceholderDevicePane(parent);
#endif
  pane->setObjectName(QStringLiteral("pnlTalo"));
  return pane;
}

void OpenLocalComputer(QWidget* localPane) {
#ifdef TALO_HAVE_LOCAL_PANE
  if (auto* pane = qobject_cast<LocalPane*>(localPane)) (void)pane->Start();
#else
  (void)localPane;
#endif
}

void FocusLocalPath(QWidget* localPane) {
#ifdef TALO_HAVE_LOCAL_PANE
  if (auto* pane = qobject_cast<LocalPane*>(localPane)) {
    pane->FocusPathBox();
    return;
  }
#endif
  if (auto* box = localPane->findChild<QComboBox*>(QStringLiteral("cbxLocal"))) {
    box->setFocus();
    if (box->lineEdit()) box->lineEdit()->selectAll();
  }
}

void DevicePortChanged(QWidget* devicePane) {
#ifdef TALO_HAVE_DEVICE_PANE
  if (auto* pane = qobject_cast<DevicePane*>(devicePane)) pane->PortChanged();
#else
  (void)devicePane;
#endif
}

void SetTerminalActive(QWidget* devicePane, bool on) {
#ifdef TALO_HAVE_DEVICE_PANE
  if (auto* pane = qobject_cast<DevicePane*>(devicePane)) pane->SetTerminalActive(on);
#else
  (void)devicePane;
  (void)on;
#endif
}

void OnRunProgram(QWidget* devicePane, std::function<void(const QString&)> run) {
#ifdef TALO_HAVE_DEVICE_PANE
  if (auto* pane = qobject_cast<DevicePane*>(devicePane))
    QObject::connect(pane, &DevicePane::RunProgramRequested, pane, std::move(run));
#else
  (void)devicePane;
  (void)run;
#endif
}

}  // namespace Panes
