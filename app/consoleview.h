#pragma once
// ConsoleView: the console memo meoDos at the bottom of the main window.
//
// Principles of operation
// - Read-only to typing. While the terminal is on, keys go to the
//   controller instead: characters (Enter as CR, Backspace as BS, Ctrl+C as
//   ETX...) through TaloTerminal::KeyPress, the cursor keys and F1-F4 through
//   SendSpecialKey. Other shortcuts do not see those keys, so control
//   characters reach the controller; copying is on the context menu. Alt
//   combinations still reach the menu bar. A key that any menu of the window
//   shows as its shortcut never goes to the controller: the window's
//   shortcut takes it, or the console's own menu item (Ctrl+F finds), or it
//   is dropped; so a menu must not show a key the shell needs (Ctrl+C).
//   While the terminal is off the memo behaves as a read-only text
//   (selection, scrolling, copy with the 1024-character limit).
// - The context menu enables its items each time it opens. Beside
//   the copy and select entries it finds text (also Ctrl+F), saves the whole
//   text into a file, and starts or stops the terminal log (TerminalLog).
// - Main thread only. The terminal and the dialog service are not owned and
//   must outlive the memo's use of them (the main window owns all three).
// - A console that collects its edits for the next frame (ConsoleFeed) hands
//   the memo a way to apply them; everything here that reads or selects the
//   text (find, save, copy, select all, the caret moves, the menu's enabling)
//   applies them first, so it sees what the console has been given.

#include <QPlainTextEdit>
#include <functional>

class QMenu;
class QAction;
class TaloTerminal;
class TerminalLog;
class ResultTeller;
class UserDialogs;

class ConsoleView : public QPlainTextEdit {
  Q_OBJECT

 public:
  static constexpr int kCopyLimit = 1024;
  static constexpr int kFontPixelSize = 15;

  explicit ConsoleView(QWidget* parent = nullptr);

  void SetTerminal(TaloTerminal* terminal) { Terminal = terminal; }
  void SetDialogs(UserDialogs* dialogs, ResultTeller* teller) {
    Dialogs = dialogs;
    Teller = teller;
  }
  void SetLog(TerminalLog* log) { Log = log; }
  // Applies the edits a console still holds back; null for none.
  void SetPendingEdits(std::function<void()> apply) { ApplyPending = std::move(apply); }

  // Terminal on: silver on black; off: green on the menu colour.
  void SetTerminalColours(bool on);
  // The monospace, bold, 15-pixel console font.
  static QFont DefaultFont();

  QMenu* ContextMenu() const { return Popup; }
  // Refreshes the enabling of the context menu's items.
  void RefreshMenuItems();
  void CopySelection();
  void PasteToController();
  void SelectAllLines();
  void ChooseConsoleFont();
  void AskAndFind();
  void AskAndSave();
  void ToggleLog();
  // Opens the terminal log on path; an error box and false when it cannot.
  bool StartLog(const QString& path);
  // Finds text from the caret on (wrapping round once), ignoring case, and
  // selects it; false when the console does not hold it.
  bool FindText(const QString& text);
  // Writes the console's whole text to path; false after an error box.
  bool SaveText(const QString& path);

  // Puts the caret at the end of the text with nothing selected.
  void MoveCaretToEnd();

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  bool TerminalOn() const;
  void ApplyPendingEdits();
  // The selection as it goes on the clipboard (line ends as LF).
  QString SelectedPlainText();
  // True when the key was sent to the controller.
  bool SendKeyToController(QKeyEvent* event);
  // The window's action whose shortcut is this key; null for none.
  QAction* MenuShortcutAction(const QKeyEvent* event) const;

  TaloTerminal* Terminal = nullptr;
  UserDialogs* Dialogs = nullptr;
  ResultTeller* Teller = nullptr;
  QMenu* Popup = nullptr;
  QAction* CopyAction = nullptr;
  QAction* PasteAction = nullptr;
  QAction* SelectAllAction = nullptr;
  QAction* FontAction = nullptr;
  QAction* FindAction = nullptr;
  QAction* SaveAsAction = nullptr;
  QAction* LogAction = nullptr;
  TerminalLog* Log = nullptr;
  std::function<void()> ApplyPending;
  QString LastFind;
};
