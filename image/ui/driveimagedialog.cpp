#include "image/ui/driveimagedialog.h"

#include "image/imagetext.h"
#include "image/ui/imagehelpwindow.h"
#include "link/shell/deviceshell.h"
#include "link/taloconsole.h"
#include "link/resultteller.h"
#include "link/userdialogs.h"
#include "transfer/ui/transferdialogpresenter.h"
#include "ui_driveimagedialog.h"

DriveImageDialog::DriveImageDialog(const QString& portName, TaloConsole& console, UserDialogs& dialogs,
                             ResultTeller& teller, QWidget* parent, bool verifyAfterRestore)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      Form(std::make_unique<Ui::DriveImageDialog>()),
      Console(console),
      Teller(teller),
      Presenter(std::make_unique<TransferDialogPresenter>(this)),
      Wait(this) {
  Form->setupUi(this);
  KeeperPtr = std::make_unique<ImageKeeper>(ImageKeeperHost{portName, console, dialogs, *Presenter, *this});
  Wait.SetKeeper(KeeperPtr.get());
  Form->Rbtlow->setChecked(true);
  Form->ChkVerify->setChecked(verifyAfterRestore);
  connect(Form->BtBackupImg, &QPushButton::clicked, this, &DriveImageDialog::BackupClicked);
  connect(Form->BtRestoreImg, &QPushButton::clicked, this, &DriveImageDialog::RestoreClicked);
  connect(Form->btHelp, &QPushButton::clicked, this, &DriveImageDialog::ShowHelp);
}

DriveImageDialog::~DriveImageDialog() {
  Wait.SetKeeper(nullptr);
  KeeperPtr.reset();
}

bool DriveImageDialog::Open(QWidget* parent, const QString& portName, TaloConsole& console,
                         UserDialogs& dialogs, ResultTeller& teller, int64_t deviceFreeBytes,
                         bool& verifyAfterRestore) {
  if (deviceFreeBytes == 0) {
    teller.Tell(JobResult::Warned(QString::fromLatin1(ShellText::kRefreshFirst)));
    return false;
  }
  DriveImageDialog dialog(portName, console, dialogs, teller, parent, verifyAfterRestore);
  dialog.exec();
  verifyAfterRestore = dialog.ChkVerify()->isChecked();
  return true;
}

QPushButton* DriveImageDialog::BtBackupImg() const { return Form->BtBackupImg; }
QPushButton* DriveImageDialog::BtRestoreImg() const { return Form->BtRestoreImg; }
QRadioButton* DriveImageDialog::Rbtlow() const { return Form->Rbtlow; }
QCheckBox* DriveImageDialog::ChkVerify() const { return Form->ChkVerify; }

void DriveImageDialog::RunWaitWindow(ImageWaitState& wait) { Wait.RunWaitWindow(wait); }

void DriveImageDialog::BackupClicked() {
  // The only speed there is.
  Form->Rbtlow->setChecked(true);
  RunFlow([this] { return KeeperPtr->AskBackup(); });
}

void DriveImageDialog::RestoreClicked() {
  const bool verify = Form->ChkVerify->isChecked();
  RunFlow([this, verify] { return KeeperPtr->AskRestore(verify); });
}

void DriveImageDialog::reject() {
  if (!FlowRunning) QDialog::reject();
}

void DriveImageDialog::RunFlow(const std::function<JobResult()>& flow) {
  // The verify's listing waits in an event loop without a window of its
  // own over the dialog: no second flow may start, nor the dialog go.
  FlowRunning = true;
  Form->BtBackupImg->setEnabled(false);
  Form->BtRestoreImg->setEnabled(false);
  const JobResult result = flow();
  Form->BtBackupImg->setEnabled(true);
  Form->BtRestoreImg->setEnabled(true);
  FlowRunning = false;
  Report(result);
}

void DriveImageDialog::Report(const JobResult& result) {
  if (result.Cancelled())
    for (const QString& line : result.Text.split(QLatin1Char('\n'))) Console.AppendLine(line);
  Teller.Tell(result);
  // The watchdog gave up: the dialog goes, and the keeper with it.
  if (result.Status == JobStatus::TimedOut) reject();
}

void DriveImageDialog::ShowHelp() {
  ImageHelpWindow help(this);
  help.exec();
}

DeviceTool ImageKeeperTool() {
  return {.ActionName = "tbtnGHOST", .Open = [](DeviceToolHost& host) {
            DeviceShell& shell = host.Shell;
            if (DriveImageDialog::Open(host.Parent, shell.SelectedPort(), shell.Console(),
                                    shell.Dialogs(), shell.Teller(), host.DeviceFreeBytes,
                                    host.VerifyAfterRestore))
              host.ForgetListing();
          }};
}
