#include "image/ui/copytopcflow.h"

#include <QDir>
#include <QFileInfo>

#include "image/copytopc.h"
#include "image/imagetext.h"
#include "image/ui/imagewaitview.h"
#include "link/shell/deviceshell.h"
#include "link/userdialogs.h"
#include "transfer/ui/transferdialogpresenter.h"

namespace CopyToPcFlow {

Outcome Run(QWidget* parent, DeviceShell& shell, const QString& deviceFolder,
            const std::vector<PaneItem>& items, const QString& localFolder) {
  if (items.empty()) return {};
  UserDialogs& dialogs = shell.Dialogs();
  CopyToPc::Plan plan;
  plan.Destination = localFolder;
  if (!QFileInfo(localFolder).isDir()) {
    const std::optional<QString> chosen = dialogs.ChooseFolder(QStringLiteral("Copy to PC"), QDir::homePath());
    if (!chosen || chosen->isEmpty()) return {};
    plan.Destination = *chosen;
  }
  for (const PaneItem& item : items) plan.Sources.push_back({deviceFolder, item});
  if (const QStringList existing = CopyToPc::ExistingTargets(plan); !existing.isEmpty()) {
    if (!dialogs.AskYesNo(ImageText::AskReplace(existing), UserDialogs::BoxKind::Warning)) return {};
    plan.Replace = true;
  }
  TransferDialogPresenter presenter(parent);
  ImageWaitView wait(parent);
  CopyToPc::Host host{shell, presenter, wait, /*AskBeforeImage=*/true};
  Outcome outcome{true, false};
  host.KeeperMade = [&wait, &outcome](ImageKeeper* keeper) {
    wait.SetKeeper(keeper);
    outcome.DriveRead = outcome.DriveRead || keeper != nullptr;
  };
  const JobResult result = CopyToPc::Copy(host, plan);
  shell.Tell(result);
  return outcome;
}

}  // namespace CopyToPcFlow
