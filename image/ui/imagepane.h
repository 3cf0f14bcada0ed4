#pragma once
// ImagePane: a drive image shown read-only in a window of its own, as the
// device pane shows D: - the main window's "Open image...". And the
// comparison of two images, "Compare images...".
//
// Principles of operation
// - The image is read once, whole, when the pane opens (FatVolume); the pane
//   then holds no file and no port. An image without a FAT file system is
//   refused with FatVolume's message and no window opens.
// - One folder at a time, sorted as the device pane sorts (folders first,
//   then by name); a double-click or Enter opens a folder or views a file,
//   Backspace and Up go to the parent folder.
// - Copy to PC... writes the selected files and folders into a folder the
//   user chooses (ImageExtract: byte for byte, dates kept), asking before
//   it replaces a file. View shows a file in the text viewer (whose Save
//   as... then saves it whole); Properties tells what the item is and, for a
//   folder, what it holds.
// - Questions go through the given dialog service, messages through the
//   given teller; both outlive the window. Main thread only.

#include <QDialog>
#include <vector>

#include "image/fatvolume.h"

class QLabel;
class QLineEdit;
class QTreeWidget;
class ResultTeller;
class UserDialogs;

class ImagePane : public QDialog {
  Q_OBJECT

 public:
  ImagePane(FatVolume volume, const QString& imagePath, UserDialogs& dialogs, ResultTeller& teller,
            QWidget* parent = nullptr);

  // "Open image...": the file chosen, read and shown in a new pane (deleted
  // when closed); nullptr when refused or nothing was chosen.
  static ImagePane* Open(QWidget* parent, UserDialogs& dialogs, ResultTeller& teller);
  // "Compare images...": two files chosen and their differences shown.
  static void Compare(QWidget* parent, UserDialogs& dialogs, ResultTeller& teller);

  // The folder shown and its items in the order shown.
  const QString& FolderShown() const { return Folder; }
  const std::vector<FatItem>& Items() const { return Shown; }
  QTreeWidget* List() const { return ListWidget; }

  bool OpenFolder(const QString& path);
  void GoUp();
  // The rows selected, in list order.
  std::vector<int> SelectedRows() const;
  // The pane's commands on rows (Copy to PC into a given folder).
  bool CopyRows(const std::vector<int>& rows, const QString& destination);
  void ViewRow(int row);
  void PropertiesOfRow(int row);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CopyClick();
  void ActivateRow(int row);
  void UpdateButtons();

  FatVolume Volume;
  UserDialogs& Dialogs;
  ResultTeller& Teller;
  QString Folder;
  std::vector<FatItem> Shown;
  QLineEdit* PathBox = nullptr;
  QTreeWidget* ListWidget = nullptr;
  QLabel* Status = nullptr;
  QList<QWidget*> RowButtons;
};
