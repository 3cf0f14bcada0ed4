#pragma once
// NetworkDialog: "Talo-7100 Series Configuration" - the network settings,
// the FTP/HTTP accounts and the system initialisation of the controller.
//
// Principles of operation
// - The form reads its controls and hands plain values to NetConfig, which
//   does the checks, the files, the uploads and the initialisation; the
//   dialog holds no device logic.
// - Enabling: Static IP enables the address and gateway rows and "Obtain
//   DNS address automatically"; the DNS rows follow that box (enabled while
//   it is unchecked). DHCP disables all of them. The secondary DNS row and
//   "Use Remote Console" are never shown and play no part in the files.
// - The octet edits take digits, ".", "-", "+" and editing keys only. A dot
//   typed after an octet's digits moves on to the next octet; a dotted
//   address pasted into any octet of a row fills the whole row. A paste that
//   does not fit an octet is refused, not cut.
// - The account fields state their limits beside them and take any length;
//   Update refuses a longer text (NetSettings), it is never cut.
// - "Read from controller" fills both parts from the controller's files
//   (NetConfig::ReadSettings, ReadAccounts); a part whose file is missing
//   or not parsed stays as it was. The password edits are emptied and a
//   line beside the accounts says they must be typed again. The edits
//   still start empty when the dialog opens: nothing is read unasked.
// - Buttons never act as the default button: Enter in an edit must not
//   start an update, let alone a format.
// - The dialog is the top level of its flows: it asks the format question
//   before the initialisation starts, and shows what a flow came to
//   (ConfigResult::Told) once it has ended.
// - While a flow runs, the four buttons that start device work are
//   disabled, and Esc or the close box does not close the dialog: it asks
//   the shell's running job to stop (the initialisation's shell steps stop
//   between lines or steps; the stopped line goes to the console). The
//   uploads have the transfer window's own Cancel.
// - Main thread only; shown modally by Open, the device pane's tbtnTCPConf
//   (NetConfTool).

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "netconf/netconfig.h"
#include "widgets/devicetool.h"

namespace Ui {
class NetworkDialog;
}
class DeviceShell;
class QKeyEvent;
class QLabel;
class QLineEdit;
class TransferPresenter;

class NetworkDialog : public QDialog {
  Q_OBJECT

 public:
  NetworkDialog(DeviceShell& shell, TransferPresenter& presenter, QWidget* parent = nullptr,
                  NetConfigTimes times = {});
  ~NetworkDialog() override;

  // The configuration dialog over the device pane's port. Refuses with the
  // refresh warning while the pane has not been listed (deviceFreeBytes 0);
  // otherwise shows the dialog modally and then lists the device folder
  // again keeping the user's view (refreshKeepingView).
  static void Open(QWidget* owner, DeviceShell& shell, int64_t deviceFreeBytes,
                   const std::function<void()>& refreshKeepingView);

  NetConfig& Config() { return Logic; }

  // What the controls hold, as the logic takes it.
  AddressSettings Addresses() const;
  AccountSettings Accounts() const;
  ServerChoice Servers() const;

  // The key filter of the sixteen octet edits: true for the keys let through.
  static bool OctetKeyAllowed(QChar key);

  // Esc and the close box: while a flow runs, a stop request instead.
  void reject() override;

 public slots:
  void FormShow();
  void DhcpChosen();
  void StaticAddressChosen();
  void AutoDnsToggled();
  void UpdateAddresses();
  void UpdateAccounts();
  void InitialiseSystem();
  void ReadBackSettings();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Runs a flow with the device buttons disabled, then shows its result.
  void RunFlow(const std::function<ConfigResult()>& flow);
  void SetDnsRows();
  void ShowAddresses(const AddressSettings& settings);
  void ShowAccounts(const AccountSettings& accounts);
  static bool IsDotKey(const QKeyEvent& key);
  // The row an octet edit belongs to and its place there; null for others.
  const std::array<QLineEdit*, 4>* RowOf(const QLineEdit& edit, size_t& index) const;
  // A dot at the end of an octet: focus to the next one. False when the dot
  // is to be typed as a character.
  bool MoveOnFromOctet(QLineEdit& edit);
  void PasteIntoOctet(QLineEdit& edit);

  std::unique_ptr<Ui::NetworkDialog> Controls;
  DeviceShell& Shell;
  NetConfig Logic;
  bool FlowRunning = false;
  // In octet order; rows of address, gateway, primary and secondary DNS.
  std::array<QLineEdit*, 4> AddressEdits{};
  std::array<QLineEdit*, 4> GatewayEdits{};
  std::array<QLineEdit*, 4> PrimaryDnsEdits{};
  std::array<QLineEdit*, 4> SecondaryDnsEdits{};
  std::array<QLabel*, 16> RowLabels{};
};

// The device pane's tbtnTCPConf: NetworkDialog::Open over the main window.
DeviceTool NetConfTool();
