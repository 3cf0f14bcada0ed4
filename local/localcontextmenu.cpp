#include "local/localcontextmenu.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <algorithm>
#include <sys/stat.h>

#include "items/itemtexts.h"
#include "link/resultteller.h"
#include "link/userdialogs.h"
#include "local/localfilecommands.h"
#include "local/localfoldermodel.h"
#include "local/localmessages.h"

namespace {
constexpr int kMaxNameLength = 255;
}  // namespace

LocalContextMenu::LocalContextMenu(LocalMenuHost& pane)
    : Pane(pane), UrlOpener([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {}

LocalContextMenu::Target LocalContextMenu::PrepareTarget() {
  Target target;
  LocalFolderModel& model = Pane.FolderModel();
  const std::vector<int> rows = Pane.SelectedRows();
  if (!rows.empty()) {
    model.SetMenuItemIndex(rows.front());
    target.Row = rows.front();
    target.Path = model.FullPath(target.Row);
    target.Name = model.ItemAt(target.Row).Name;
    target.Folder = model.ItemAt(target.Row).IsFolder();
    target.Place = model.IsPlace(target.Row);
    for (const int row : rows) target.SelectedPaths << model.FullPath(row);
  } else {
    // The folder shown; the two special locations have nothing to offer.
    target.Path = model.CurrentId();
    if (!target.Path.startsWith(QLatin1Char('/'))) return target;
    target.Name = model.Namespace().DisplayNameOf(target.Path, false);
    target.Folder = true;
    target.SelectedPaths << target.Path;
  }
  // An item that vanished since the listing cannot be acted on.
  struct stat st {};
  if (lstat(QFile::encodeName(target.Path).constData(), &st) != 0) {
    Pane.Teller().Tell(JobResult::Warned(LocalMessages::kNoContextMenu));
    return target;
  }
  target.Valid = true;
  return target;
}

void LocalContextMenu::Popup(const QPoint& globalPosition) {
  const Target target = PrepareTarget();
  if (!target.Valid) return;

  QMenu menu(Pane.MenuParent());
  const bool onRow = target.Row >= 0;
  QAction* open = menu.addAction(LocalMessages::kMenuOpen);
  menu.setDefaultAction(open);
  QAction* containing = onRow ? menu.addAction(LocalMessages::kMenuOpenContaining) : nullptr;
  menu.addSeparator();
  QAction* copyPath = menu.addAction(LocalMessages::kMenuCopyPath);
  QAction* rename = nullptr;
  QAction* remove = nullptr;
  if (onRow) {
    menu.addSeparator();
    rename = menu.addAction(LocalMessages::kMenuRename);
    remove = menu.addAction(LocalMessages::kMenuDelete);
    // A drive of the computer location is not renamed or deleted from here.
    rename->setEnabled(!target.Place);
    remove->setEnabled(!target.Place);
  }
  menu.addSeparator();
  QAction* properties = menu.addAction(LocalMessages::kMenuProperties);

  QAction* chosen = menu.exec(globalPosition);
  if (!chosen) return;
  if (chosen == open) Run(Command::Open, target);
  else if (chosen == containing) Run(Command::OpenContainingFolder, target);
  else if (chosen == copyPath) Run(Command::CopyPath, target);
  else if (chosen == rename) Run(Command::Rename, target);
  else if (chosen == remove) Run(Command::Delete, target);
  else if (chosen == properties) Run(Command::Properties, target);
}

void LocalContextMenu::Run(Command command) {
  const Target target = PrepareTarget();
  if (target.Valid) Run(command, target);
}

void LocalContextMenu::Run(Command command, const Target& target) {
  switch (command) {
    case Command::Open:
      // Opening a folder of the list is navigation, not a command to refresh after.
      if (!OpenTarget(target)) return;
      break;
    case Command::OpenContainingFolder: {
      const QString parent = target.Path.left(std::max<qsizetype>(1, target.Path.lastIndexOf(QLatin1Char('/'))));
      if (!UrlOpener(QUrl::fromLocalFile(parent))) Pane.Teller().Tell(JobResult::Failed(LocalMessages::kOpenFailed));
      break;
    }
    case Command::CopyPath:
      QGuiApplication::clipboard()->setText(target.SelectedPaths.join(QLatin1Char('\n')));
      break;
    case Command::Rename:
      if (target.Row < 0 || target.Place) return;
      RenameTarget(target);
      break;
    case Command::Delete:
      if (target.Row < 0 || target.Place) return;
      DeleteTarget(target);
      break;
    case Command::Properties:
      ShowProperties(target);
      break;
  }
  Pane.RefreshAfterCommand();
}

bool LocalContextMenu::OpenTarget(const Target& target) {
  if (target.Row >= 0 && target.Folder) {
    if (Pane.OpenFolder(target.Path)) Pane.ClearSelection();
    return false;
  }
  if (!UrlOpener(QUrl::fromLocalFile(target.Path))) Pane.Teller().Tell(JobResult::Failed(LocalMessages::kOpenFailed));
  return true;
}

void LocalContextMenu::RenameTarget(const Target& target) {
  const std::optional<QString> name =
      Pane.Dialogs().AskName(LocalMessages::kRenameCaption, LocalMessages::kRenamePrompt, target.Name, kMaxNameLength);
  if (!name || *name == target.Name) return;
  const LocalFileCommands::Result result = LocalFileCommands::Rename(target.Path, *name);
  if (!result.Ok) Pane.Teller().Tell(JobResult::Failed(result.Error));
}

void LocalContextMenu::DeleteTarget(const Target& target) {
  const int count = static_cast<int>(target.SelectedPaths.size());
  const QString what = count == 1 ? LocalMessages::QuotedName(target.Name) : LocalMessages::ItemsText(count);
  if (!Pane.Dialogs().AskYesNo(LocalMessages::AskTrash(what))) return;
  for (const QString& path : target.SelectedPaths) {
    const LocalFileCommands::Result trashed = LocalFileCommands::MoveToTrash(path);
    if (trashed.Ok) continue;
    // No trash on this file system: only with the user's word, for good.
    const QString name = LocalMessages::QuotedName(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
    if (!Pane.Dialogs().AskYesNo(LocalMessages::AskDeleteForever(name, trashed.Error))) return;
    const LocalFileCommands::Result deleted = LocalFileCommands::DeleteForever(path);
    if (!deleted.Ok) {
      Pane.Teller().Tell(JobResult::Failed(deleted.Error));
      return;
    }
  }
}

void LocalContextMenu::ShowProperties(const Target& target) {
  LocalFolderModel& model = Pane.FolderModel();
  QString typeText;
  if (target.Row >= 0) {
    model.FillDetails(target.Row, target.Row);
    typeText = model.ItemAt(target.Row).TypeText;
  } else {
    typeText = ItemText::kFolderType;
  }
  Pane.Teller().Tell(JobResult::Done(LocalFileCommands::PropertiesText(target.Path, typeText)));
}
