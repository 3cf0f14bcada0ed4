#include "netconf/ui/networkdialog.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QProxyStyle>
#include <algorithm>
#include <vector>

#include "link/shell/deviceshell.h"
#include "netconf/netconftext.h"
#include "netconf/nocoredumps.h"
#include "transfer/ui/transferdialogpresenter.h"
#include "ui_networkdialog.h"

namespace {

// The password edits show "#" for each character.
class HashPasswordStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '#';
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

OctetTexts Texts(const std::array<QLineEdit*, 4>& edits) {
  OctetTexts texts;
  for (size_t i = 0; i < edits.size(); ++i) texts[i] = edits[i]->text();
  return texts;
}

void SetTexts(const std::array<QLineEdit*, 4>& edits, const OctetTexts& texts) {
  for (size_t i = 0; i < edits.size(); ++i) edits[i]->setText(texts[i]);
}

// The rights boxes of one account with their letters.
using RightsBoxes = std::vector<std::pair<QCheckBox*, char>>;

RightsBoxes FtpBoxes(const Ui::NetworkDialog& f) {
  return {{f.Chk_Change, 'd'}, {f.Chk_Creat, 'c'}, {f.Chk_Write, 'w'}, {f.Chk_Read, 'r'}};
}
RightsBoxes HttpBoxes(const Ui::NetworkDialog& f) {
  return {{f.Chk_GetFile, 'e'}, {f.Chk_PostFile, 'p'}, {f.Chk_UseCGI, 'g'}};
}

QString Rights(const RightsBoxes& boxes) {
  QString letters;
  for (const auto& [box, letter] : boxes)
    if (box->isChecked()) letters += QLatin1Char(letter);
  return letters;
}

void SetRights(const RightsBoxes& boxes, const QString& letters) {
  for (const auto& [box, letter] : boxes)
    box->setChecked(letters.contains(QLatin1Char(letter)));
}

}  // namespace

NetworkDialog::NetworkDialog(DeviceShell& shell, TransferPresenter& presenter, QWidget* parent,
                                 NetConfigTimes times)
    : QDialog(parent),
      Controls(std::make_unique<Ui::NetworkDialog>()),
      Shell(shell),
      Logic(shell, presenter, times) {
  // The password edits are about to hold passwords.
  (void)TurnOffCoreDumps();
  Controls->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(size());
  // A child made after the form's widgets goes after them: no edit outlives
  // its style.
  auto* passwordStyle = new HashPasswordStyle;
  passwordStyle->setParent(this);
  for (QLineEdit* edit : {Controls->MEdt_FTPpwd, Controls->MEdt_HTPpwd})
    edit->setStyle(passwordStyle);
  // The servers' limits, beside the fields. The edits themselves take any
  // length: a longer text is refused at Update rather than cut unseen.
  const std::pair<QLabel*, int> limits[] = {{Controls->LblFTPIDLimit, NetSettings::kMaxIdLength},
                                            {Controls->LblFTPpwdLimit, NetSettings::kMaxPasswordLength},
                                            {Controls->LblHTPIDLimit, NetSettings::kMaxIdLength},
                                            {Controls->LblHTPpwdLimit, NetSettings::kMaxPasswordLength}};
  for (const auto& [label, maxLength] : limits) label->setText(NetConfText::LengthHint(maxLength));

  // Toggled rather than clicked: arrow keys move the choice too.
  connect(Controls->RBt_IP, &QRadioButton::toggled, this, [this](bool on) {
    if (on) StaticAddressChosen();
  });
  connect(Controls->RBt_DHCP, &QRadioButton::toggled, this, [this](bool on) {
    if (on) DhcpChosen();
  });
  connect(Controls->Chk_DNS, &QCheckBox::clicked, this, &NetworkDialog::AutoDnsToggled);
  connect(Controls->Bt_IPUpdate, &QPushButton::clicked, this, &NetworkDialog::UpdateAddresses);
  connect(Controls->Bt_FTPUpdate, &QPushButton::clicked, this, &NetworkDialog::UpdateAccounts);
  connect(Controls->Bt_SystemInit, &QPushButton::clicked, this,
          &NetworkDialog::InitialiseSystem);
  connect(Controls->Bt_ReadBack, &QPushButton::clicked, this, &NetworkDialog::ReadBackSettings);
  Controls->LblPasswordsAgain->setText(QString::fromLatin1(NetConfText::kPasswordsAgain));
  FormShow();
}

NetworkDialog::~NetworkDialog() = default;

void NetworkDialog::FormShow() {
  Ui::NetworkDialog& f = *Controls;
  AddressEdits = {f.Edt_IP0, f.Edt_IP1, f.Edt_IP2, f.Edt_IP3};
  GatewayEdits = {f.Edt_GW0, f.Edt_GW1, f.Edt_GW2, f.Edt_GW3};
  PrimaryDnsEdits = {f.Edt_PD0, f.Edt_PD1, f.Edt_PD2, f.Edt_PD3};
  SecondaryDnsEdits = {f.Edt_SD0, f.Edt_SD1, f.Edt_SD2, f.Edt_SD3};
  RowLabels = {f.Label10, f.Label1,  f.Label2,  f.Label3,  f.Label19, f.Label20,
               f.Label21, f.Label22, f.Label11, f.Label12, f.Label13, f.Label14,
               f.Label15, f.Label16, f.Label17, f.Label18};
  for (const auto* row : {&AddressEdits, &GatewayEdits, &PrimaryDnsEdits, &SecondaryDnsEdits})
    for (QLineEdit* edit : *row) edit->installEventFilter(this);
  f.RBt_IP->setChecked(true);  // runs StaticAddressChosen
  StaticAddressChosen();               // also when it was checked already
}

bool NetworkDialog::OctetKeyAllowed(QChar key) {
  return key == QLatin1Char('\b') || key == QLatin1Char('.') || key == QLatin1Char('-') ||
         key == QLatin1Char('+') || key == QLatin1Char('\r') ||
         (key >= QLatin1Char('0') && key <= QLatin1Char('9'));
}

bool NetworkDialog::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (edit && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Paste)) {
      PasteIntoOctet(*edit);
      return true;
    }
    if (IsDotKey(*key) && MoveOnFromOctet(*edit)) return true;
    // Keys that type a character are filtered; cursor keys, Delete and the
    // shortcuts (no printable text) pass. A pasted text that is no number is
    // caught by the check at the update.
    const QString text = key->text();
    if (text.size() == 1 && text.front().isPrint() && !OctetKeyAllowed(text.front())) return true;
  }
  if (edit && event->type() == QEvent::ContextMenu) {
    // The menu's Paste fills a row from a dotted address too.
    std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
    if (QAction* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"))) {
      paste->disconnect();
      connect(paste, &QAction::triggered, this, [this, edit] { PasteIntoOctet(*edit); });
    }
    menu->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

bool NetworkDialog::IsDotKey(const QKeyEvent& key) {
  // The keypad's decimal key gives "," in some keyboard layouts.
  if (key.modifiers().testFlag(Qt::KeypadModifier) &&
      (key.key() == Qt::Key_Period || key.key() == Qt::Key_Comma))
    return true;
  return key.text() == QLatin1String(".");
}

const std::array<QLineEdit*, 4>* NetworkDialog::RowOf(const QLineEdit& edit, size_t& index) const {
  for (const auto* row : {&AddressEdits, &GatewayEdits, &PrimaryDnsEdits, &SecondaryDnsEdits}) {
    for (size_t i = 0; i < row->size(); ++i) {
      if ((*row)[i] != &edit) continue;
      index = i;
      return row;
    }
  }
  return nullptr;
}

bool NetworkDialog::MoveOnFromOctet(QLineEdit& edit) {
  // A dot typed after an octet's digits ends the octet, as in a typed
  // address; elsewhere it is a character like any other.
  if (edit.text().isEmpty() || edit.hasSelectedText() || edit.cursorPosition() != edit.text().size())
    return false;
  size_t index = 0;
  const std::array<QLineEdit*, 4>* row = RowOf(edit, index);
  if (!row) return false;
  // After the last octet there is nothing to move on to; the dot is dropped.
  if (index + 1 < row->size()) {
    QLineEdit* next = (*row)[index + 1];
    next->setFocus(Qt::TabFocusReason);
    next->selectAll();
  }
  return true;
}

void NetworkDialog::PasteIntoOctet(QLineEdit& edit) {
  const QString text = QGuiApplication::clipboard()->text().trimmed();
  size_t index = 0;
  const std::array<QLineEdit*, 4>* row = RowOf(edit, index);
  const std::optional<OctetTexts> octets = NetSettings::SplitDottedQuad(text);
  const auto fits = [](const QLineEdit& target, qsizetype length) {
    return length <= target.maxLength();
  };
  if (row && octets &&
      std::all_of(octets->begin(), octets->end(),
                  [&](const QString& octet) { return fits(edit, octet.size()); })) {
    for (size_t i = 0; i < row->size(); ++i) (*row)[i]->setText((*octets)[i]);
    (*row)[row->size() - 1]->setFocus(Qt::OtherFocusReason);
    return;
  }
  // What does not fit the octet is refused rather than cut to a number
  // nobody typed.
  const qsizetype kept = edit.text().size() - edit.selectedText().size();
  if (!fits(edit, kept + text.size())) {
    QApplication::beep();
    return;
  }
  edit.paste();
}

void NetworkDialog::DhcpChosen() {
  Controls->Chk_DNS->setEnabled(false);
  for (const auto* row : {&AddressEdits, &GatewayEdits, &PrimaryDnsEdits, &SecondaryDnsEdits})
    for (QLineEdit* edit : *row) edit->setEnabled(false);
  for (QLabel* label : RowLabels) label->setEnabled(false);
}

void NetworkDialog::StaticAddressChosen() {
  Controls->Chk_DNS->setEnabled(true);
  for (const auto* row : {&AddressEdits, &GatewayEdits})
    for (QLineEdit* edit : *row) edit->setEnabled(true);
  for (size_t i = 0; i < 8; ++i) RowLabels[i]->setEnabled(true);
  SetDnsRows();
}

void NetworkDialog::AutoDnsToggled() { SetDnsRows(); }

void NetworkDialog::SetDnsRows() {
  const bool enable = !Controls->Chk_DNS->isChecked();
  for (const auto* row : {&PrimaryDnsEdits, &SecondaryDnsEdits})
    for (QLineEdit* edit : *row) edit->setEnabled(enable);
  for (size_t i = 8; i < RowLabels.size(); ++i) RowLabels[i]->setEnabled(enable);
}

AddressSettings NetworkDialog::Addresses() const {
  AddressSettings settings;
  settings.StaticIp = Controls->RBt_IP->isChecked();
  settings.Ip = Texts(AddressEdits);
  settings.Gateway = Texts(GatewayEdits);
  settings.AutoDns = Controls->Chk_DNS->isChecked();
  settings.Dns = Texts(PrimaryDnsEdits);
  return settings;
}

AccountSettings NetworkDialog::Accounts() const {
  const Ui::NetworkDialog& f = *Controls;
  AccountSettings accounts;
  accounts.FtpId = f.Edt_FTPID->text();
  accounts.FtpPassword = f.MEdt_FTPpwd->text();
  accounts.FtpRights = Rights(FtpBoxes(f));
  accounts.HttpId = f.Edt_HTPID->text();
  accounts.HttpPassword = f.MEdt_HTPpwd->text();
  accounts.HttpRights = Rights(HttpBoxes(f));
  return accounts;
}

ServerChoice NetworkDialog::Servers() const {
  return {Controls->Chk_HtpFtp->isChecked(), Controls->Chk_FTP->isChecked(),
          Controls->Chk_Http->isChecked()};
}

void NetworkDialog::RunFlow(const std::function<ConfigResult()>& flow) {
  if (FlowRunning) return;
  const QList<QPushButton*> buttons = {Controls->Bt_IPUpdate, Controls->Bt_FTPUpdate,
                                       Controls->Bt_SystemInit, Controls->Bt_ReadBack};
  FlowRunning = true;
  for (QPushButton* button : buttons) button->setEnabled(false);
  const ConfigResult result = flow();
  for (QPushButton* button : buttons) button->setEnabled(true);
  FlowRunning = false;
  Shell.Tell(result.Told());
}

void NetworkDialog::reject() {
  if (FlowRunning) {
    Shell.Jobs().Cancel();
    return;
  }
  QDialog::reject();
}

void NetworkDialog::UpdateAddresses() {
  RunFlow([this] { return Logic.UpdateSettings(Addresses()); });
}

void NetworkDialog::UpdateAccounts() {
  RunFlow([this] { return Logic.UpdateAccounts(Accounts()); });
}

void NetworkDialog::InitialiseSystem() {
  if (FlowRunning || !NetConfig::ConfirmFormat(Shell.Dialogs())) return;
  RunFlow([this] { return Logic.InitialiseSystem(Servers()); });
}

void NetworkDialog::ReadBackSettings() {
  // Each file fills its part when it came back whole; a file that did not
  // is told after both, in order. A stop ends the read-back.
  RunFlow([this] {
    ConfigResult told;
    const auto settings = Logic.ReadSettings();
    if (settings.Value)
      ShowAddresses(*settings.Value);
    else if (settings.Result.Cancelled())
      return ConfigResult{{}, settings.Result};
    else if (!settings.Result.Text.isEmpty())
      told.Errors.append(settings.Result.Text);
    const auto accounts = Logic.ReadAccounts();
    if (accounts.Value)
      ShowAccounts(*accounts.Value);
    else if (accounts.Result.Cancelled())
      told.Result = accounts.Result;
    else if (!accounts.Result.Text.isEmpty())
      told.Errors.append(accounts.Result.Text);
    return told;
  });
}

void NetworkDialog::ShowAddresses(const AddressSettings& settings) {
  SetTexts(AddressEdits, settings.Ip);
  SetTexts(GatewayEdits, settings.Gateway);
  SetTexts(PrimaryDnsEdits, settings.Dns);
  Controls->Chk_DNS->setChecked(settings.AutoDns);
  // Checking runs the button's handler; an unchanged choice needs it run.
  (settings.StaticIp ? Controls->RBt_IP : Controls->RBt_DHCP)->setChecked(true);
  if (settings.StaticIp)
    StaticAddressChosen();
  else
    DhcpChosen();
}

void NetworkDialog::ShowAccounts(const AccountSettings& accounts) {
  Ui::NetworkDialog& f = *Controls;
  f.Edt_FTPID->setText(accounts.FtpId);
  f.Edt_HTPID->setText(accounts.HttpId);
  SetRights(FtpBoxes(f), accounts.FtpRights);
  SetRights(HttpBoxes(f), accounts.HttpRights);
  f.MEdt_FTPpwd->clear();
  f.MEdt_HTPpwd->clear();
  f.LblPasswordsAgain->setVisible(true);
}

void NetworkDialog::Open(QWidget* owner, DeviceShell& shell, int64_t deviceFreeBytes,
                      const std::function<void()>& refreshKeepingView) {
  if (deviceFreeBytes == 0) {
    shell.Teller().Tell(JobResult::Warned(QString::fromLatin1(ShellText::kRefreshFirst)));
    return;
  }
  {
    TransferDialogPresenter presenter(owner);
    NetworkDialog dialog(shell, presenter, owner);
    dialog.exec();
  }
  if (refreshKeepingView) refreshKeepingView();
}

DeviceTool NetConfTool() {
  return {.ActionName = "tbtnTCPConf", .Open = [](DeviceToolHost& host) {
            NetworkDialog::Open(host.Parent, host.Shell, host.DeviceFreeBytes,
                                  host.RefreshKeepingView);
          }};
}
