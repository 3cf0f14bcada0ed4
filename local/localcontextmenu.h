#pragma once
// LocalContextMenu: the local list's context menu and its
// commands: Open, Open Containing Folder, Copy Path, Rename..., Delete and
// Properties.
//
// Principles of operation
// - The target is the first selected row (Copy Path and Delete take every
//   selected row), or the folder shown when nothing is selected; the row is
//   remembered as the pane's MenuItemIndex. The computer location and the
//   root offer no menu; an item that vanished since the listing gets the
//   warning "Unable to get context menu interface.".
// - After a command the pane re-reads the folder keeping the user's sort
//   column and row (LocalMenuHost::RefreshAfterCommand). Opening a folder is
//   navigation instead.
// - Files are opened through the desktop's applications via the URL opener;
//   everything the user is told or asked goes through the pane's dialogs.
// - Owned by the pane; main thread only.

#include <QPoint>
#include <QStringList>
#include <QUrl>
#include <functional>

#include "local/localmenuhost.h"

class LocalContextMenu {
 public:
  using Command = LocalMenuCommand;

  explicit LocalContextMenu(LocalMenuHost& pane);

  void SetUrlOpener(std::function<bool(const QUrl&)> opener) { UrlOpener = std::move(opener); }
  // Shows the menu at a screen position and runs the chosen command.
  void Popup(const QPoint& globalPosition);
  // Runs a command on the current target as if chosen from the menu.
  void Run(Command command);

 private:
  struct Target {
    bool Valid = false;
    int Row = -1;  // -1: the folder shown
    QString Path;
    QString Name;
    bool Folder = false;
    bool Place = false;
    QStringList SelectedPaths;
  };

  [[nodiscard]] Target PrepareTarget();
  void Run(Command command, const Target& target);
  // False when the target was a folder and the pane moved into it.
  [[nodiscard]] bool OpenTarget(const Target& target);
  void RenameTarget(const Target& target);
  void DeleteTarget(const Target& target);
  void ShowProperties(const Target& target);

  LocalMenuHost& Pane;
  std::function<bool(const QUrl&)> UrlOpener;
};
