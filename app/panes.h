#pragma once
// The two file panes the main window embeds: the local pane (object name
// pnlLocal) and the device pane (pnlTalo, which owns the tool bar tlbarTalo
// with the terminal toggle tbtnDOSCmd and the port box cbxCOM). The main
// window reaches the panes only through these calls and through the object
// names of their controls, so each pane stays a self-contained widget.

#include <QString>
#include <functional>

class QWidget;
class DeviceShell;
class UserDialogs;

namespace Panes {

QWidget* CreateLocalPane(QWidget* parent, UserDialogs& dialogs);
QWidget* CreateDevicePane(QWidget* parent, DeviceShell& shell, UserDialogs& dialogs);

// Start-up: the local pane opens the computer location.
void OpenLocalComputer(QWidget* localPane);
// Start-up: the local path box gets the focus with its text selected.
void FocusLocalPath(QWidget* localPane);
// The port changed: the device pane resets its next sort column and selection
// and lists the root of D: through the new port.
void DevicePortChanged(QWidget* devicePane);
// The terminal takes (on) or releases the port: the device pane disables or
// enables its controls that would start an exchange.
void SetTerminalActive(QWidget* devicePane, bool on);
// The device pane asks for a program to be run in the terminal.
void OnRunProgram(QWidget* devicePane, std::function<void(const QString&)> run);

}  // namespace Panes
