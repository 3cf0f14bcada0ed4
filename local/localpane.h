#pragma once
// LocalPane: the left pane of the main window, where the user browses the
// PC's folders and picks the files to copy to the controller.
//
// Principles of operation
// - The pane owns its folder model (LocalFolderModel), its views and their
//   shared selection. Report view is a tree view with the four columns; the
//   icon and list views are one list view over the same model, so switching
//   views never re-reads the folder. Views ask only for the rows they paint,
//   and only those rows get their details.
// - Every change of folder goes through OpenFolder/OpenPath here, which
//   also keep the path box, its history and the status bar in step. A folder
//   that cannot be opened is told as an error with the system's message and
//   the pane keeps the folder it showed.
// - Questions and the folder chooser go through the UserDialogs, messages
//   through the ResultTeller given to SetDialogs (not owned; they must
//   outlive the pane).
//   The pane itself never opens a message box.
// - Main thread only.

#include <QUrl>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "local/localfoldermodel.h"
#include "local/localmenuhost.h"
#include "widgets/folderview.h"

class QAbstractItemView;
class QItemSelectionModel;
class LocalContextMenu;
class LocalItemDelegate;
class QLabel;
class QModelIndex;
class ThemeIconProvider;
class ResultTeller;
class SilentDialogs;
class UserDialogs;

namespace Ui {
class LocalPane;
}

class LocalPane : public QWidget, public LocalMenuHost {
  Q_OBJECT

 public:
  using ViewStyle = FolderView::ViewStyle;
  using MenuCommand = LocalMenuCommand;
  struct SelectedItem {
    QString Path;  // full path
    bool IsFolder = false;
    int64_t SizeBytes = 0;
  };

  explicit LocalPane(QWidget* parent = nullptr);
  // A pane over a namespace of the caller's (tests: a fake mount table).
  explicit LocalPane(LocalNamespace places, QWidget* parent = nullptr);
  ~LocalPane() override;

  void SetDialogs(UserDialogs* dialogs, ResultTeller* teller);
  // How files and folders are opened with the desktop's applications
  // (default: QDesktopServices). Returns false when nothing could open it.
  void SetUrlOpener(std::function<bool(const QUrl&)> opener);

  // Start-up: report view pressed, the computer location opened, the path
  // box focused with its text selected. False when the computer location
  // could not be listed (the error has been shown).
  bool Start();
  bool OpenPath(const QString& text);
  bool OpenFolder(const QString& id) override;
  void FocusPathBox();

  // The selected rows in list order, and what the copy button needs of them.
  std::vector<int> SelectedRows() const override;
  std::vector<SelectedItem> SelectedItems() const;
  QString CurrentId() const { return Model->CurrentId(); }
  LocalFolderModel& FolderModel() override { return *Model; }
  QWidget* MenuParent() override { return this; }

  // The list's order: a header click turns it round or picks another column;
  // every folder shown follows it. Setting it re-reads the folder shown.
  const ListSort& SortOrder() const { return Model->SortOrder(); }
  void SetSortOrder(const ListSort& sort);

  ViewStyle CurrentViewStyle() const;
  void SetViewStyle(ViewStyle style);
  QAbstractItemView* ActiveView() const;

  // Runs a context-menu command on the selection (or on the folder shown
  // when nothing is selected) as if chosen from the menu, refresh included.
  void RunMenuCommand(MenuCommand command);
  // After a command: re-reads the folder in the order the user last chose,
  // with the row the menu was opened on selected.
  void RefreshAfterCommand() override;
  void ClearSelection() override;
  // The dialogs in force (silent ones until SetDialogs).
  UserDialogs& Dialogs() const override;
  ResultTeller& Teller() const override;

 signals:
  void SelectionChanged();
  void FolderOpened(const QString& id);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SetUpViews();
  void SetUpToolBar();
  void SetUpStatusBar();

  bool Navigate(const std::function<LocalFolderModel::OpenResult()>& open);
  void ShowOpened(const LocalFolderModel::OpenResult& result);

  // Handlers.
  void GoUp();
  void RefreshFolder();
  void ChooseFolder();
  void PlaceChosen();
  void OpenItem(const QModelIndex& index);
  void SortByColumn(int column);
  bool ListKeyDown(QKeyEvent* event);
  void ShowSelectionSummary();

  std::unique_ptr<Ui::LocalPane> Form;
  std::unique_ptr<ThemeIconProvider> IconSource;
  // Until SetDialogs: says nothing, answers every question with the harmless
  // choice.
  std::unique_ptr<SilentDialogs> FallbackDialogs;
  LocalFolderModel* Model = nullptr;
  QItemSelectionModel* Selection = nullptr;
  LocalItemDelegate* IconsDelegate = nullptr;
  QLabel* StatusCount = nullptr;
  QLabel* StatusTotal = nullptr;
  QLabel* StatusSelection = nullptr;  // the selection's items and size
  UserDialogs* UserDialogsPtr = nullptr;
  ResultTeller* TellerPtr = nullptr;
  std::unique_ptr<LocalContextMenu> Menu;
};
