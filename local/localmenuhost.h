#pragma once
// LocalMenuHost: what the local list's context menu (LocalContextMenu) needs
// from the pane it belongs to - the folder model, the selection, the dialog
// service, and the navigation and refresh after a command - and the menu's
// commands.
//
// Principles of operation
// - The pane implements it and owns the menu; main thread only.

#include <QString>
#include <vector>

class LocalFolderModel;
class QWidget;
class ResultTeller;
class UserDialogs;

enum class LocalMenuCommand { Open, OpenContainingFolder, CopyPath, Rename, Delete, Properties };

class LocalMenuHost {
 public:
  virtual ~LocalMenuHost() = default;

  // The widget the menu opens over.
  virtual QWidget* MenuParent() = 0;
  virtual LocalFolderModel& FolderModel() = 0;
  // The selected rows in list order.
  virtual std::vector<int> SelectedRows() const = 0;
  // The dialogs and the teller of results in force.
  virtual UserDialogs& Dialogs() const = 0;
  virtual ResultTeller& Teller() const = 0;
  // Opens a folder of the model (navigation); false when it could not.
  virtual bool OpenFolder(const QString& id) = 0;
  virtual void ClearSelection() = 0;
  // After a command: re-reads the folder in the order the user last chose,
  // with the row the menu was opened on selected.
  virtual void RefreshAfterCommand() = 0;
};
