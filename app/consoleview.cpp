#include "app/consoleview.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QTextCursor>

#include "app/apptext.h"
#include "link/escapecontrols.h"
#include "link/resultteller.h"
#include "link/terminal/taloterminal.h"
#include "link/terminallog.h"
#include "link/userdialogs.h"
#include "widgets/plaintexttools.h"

namespace {

const QColor kGreen(0x00, 0x80, 0x00);
const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kBlack(0, 0, 0);

std::optional<TaloTerminal::SpecialKey> SpecialKeyOf(int key) {
  using K = TaloTerminal::SpecialKey;
  switch (key) {
    case Qt::Key_Up: return K::Up;
    case Qt::Key_Down: return K::Down;
    case Qt::Key_Right: return K::Right;
    case Qt::Key_Left: return K::Left;
    case Qt::Key_F1: return K::F1;
    case Qt::Key_F2: return K::F2;
    case Qt::Key_F3: return K::F3;
    case Qt::Key_F4: return K::F4;
    default: return std::nullopt;
  }
}

// The characters a key stands for. Platforms differ in the text they attach
// to control combinations, so these are derived from the key where needed.
QString CharactersOf(const QKeyEvent* event) {
  const int key = event->key();
  const bool control = event->modifiers().testFlag(Qt::ControlModifier);
  if (control && key >= Qt::Key_At && key <= Qt::Key_Underscore)
    return QString(QChar(static_cast<char16_t>(key - Qt::Key_At)));  // Ctrl+C -> 3
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return QStringLiteral("\r");
    case Qt::Key_Backspace: return QStringLiteral("\b");
    case Qt::Key_Escape: return QStringLiteral("\x1b");
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return QStringLiteral("\t");
    default: break;
  }
  if (event->modifiers().testFlag(Qt::AltModifier)) return {};
  return event->text();
}

}  // namespace

ConsoleView::ConsoleView(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("meoDos"));
  setReadOnly(true);
  // Keyboard selection too, so the caret shows where the controller's text goes.
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setContextMenuPolicy(Qt::DefaultContextMenu);
  setUndoRedoEnabled(false);
  setFont(DefaultFont());
  SetTerminalColours(false);

  Popup = new QMenu(this);
  Popup->setObjectName(QStringLiteral("PopupMenu3"));
  auto add = [this](const char* name, const QString& caption, void (ConsoleView::*handler)()) {
    QAction* action = Popup->addAction(caption);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  CopyAction = add("Copy1", QStringLiteral("Copy"), &ConsoleView::CopySelection);
  PasteAction =
      add("Pasteto7100M1", QStringLiteral("Paste to 7100"), &ConsoleView::PasteToController);
  Popup->addSeparator()->setObjectName(QStringLiteral("N5"));
  SelectAllAction = add("SelectAll1", QStringLiteral("Select All"), &ConsoleView::SelectAllLines);
  FindAction = add("Find1", QStringLiteral("Find..."), &ConsoleView::AskAndFind);
  FindAction->setShortcut(QKeySequence::Find);  // shown; the memo's own key handler acts on it
  FindAction->setShortcutContext(Qt::WidgetShortcut);
  SaveAsAction = add("SaveAs1", QStringLiteral("Save console as..."), &ConsoleView::AskAndSave);
  LogAction = add("Log1", QStringLiteral("Log to file..."), &ConsoleView::ToggleLog);
  LogAction->setCheckable(true);
  Popup->addSeparator()->setObjectName(QStringLiteral("N7"));
  FontAction = add("Font1", QStringLiteral("Font"), &ConsoleView::ChooseConsoleFont);
}

QFont ConsoleView::DefaultFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::TypeWriter);
  font.setPixelSize(kFontPixelSize);
  font.setBold(true);
  return font;
}

void ConsoleView::SetTerminalColours(bool on) {
  QPalette colours = palette();
  const QColor background = on ? kBlack : QApplication::palette("QMenu").color(QPalette::Window);
  const QColor text = on ? kSilver : kGreen;
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    colours.setColor(group, QPalette::Base, background);
    colours.setColor(group, QPalette::Text, text);
  }
  setPalette(colours);
}

bool ConsoleView::TerminalOn() const { return Terminal && Terminal->IsOn(); }

void ConsoleView::ApplyPendingEdits() {
  if (ApplyPending) ApplyPending();
}

bool ConsoleView::event(QEvent* event) {
  if (TerminalOn()) {
    if (event->type() == QEvent::ShortcutOverride) {
      // Keys for the controller must not trigger shortcuts (Ctrl+C is ETX
      // here); a key a menu shows is the window's, never the controller's.
      auto* key = static_cast<QKeyEvent*>(event);
      if (MenuShortcutAction(key)) return QPlainTextEdit::event(event);
      if (SpecialKeyOf(key->key()) || !CharactersOf(key).isEmpty()) {
        event->accept();
        return true;
      }
    } else if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
        // Tab is a character for the shell, not a focus move.
        keyPressEvent(key);
        return true;
      }
    }
  }
  return QPlainTextEdit::event(event);
}

bool ConsoleView::SendKeyToController(QKeyEvent* event) {
  if (const auto special = SpecialKeyOf(event->key())) {
    Terminal->SendSpecialKey(*special);
    return true;
  }
  const QString characters = CharactersOf(event);
  if (characters.isEmpty()) return false;
  for (QChar c : characters) Terminal->KeyPress(c);
  return true;
}

QAction* ConsoleView::MenuShortcutAction(const QKeyEvent* event) const {
  const QKeySequence pressed(event->keyCombination());
  for (QAction* action : window()->findChildren<QAction*>()) {
    for (const QKeySequence& shortcut : action->shortcuts())
      if (shortcut.matches(pressed) == QKeySequence::ExactMatch) return action;
  }
  return nullptr;
}

void ConsoleView::keyPressEvent(QKeyEvent* event) {
  if (TerminalOn()) {
    if (QAction* action = MenuShortcutAction(event)) {
      // A window shortcut that did not fire here (it belongs to another
      // widget, or is off) is dropped; the console's own menu acts on it.
      if (action->parent() == Popup) {
        RefreshMenuItems();
        if (action->isEnabled()) action->trigger();
      }
      event->accept();
      return;
    }
    if (SendKeyToController(event)) {
      event->accept();
      return;
    }
    // Keys without a character (Page Up, Shift...) still scroll the memo.
    QPlainTextEdit::keyPressEvent(event);
    return;
  }
  if (event->matches(QKeySequence::Copy)) {
    CopySelection();  // the same limit as the context menu
    event->accept();
    return;
  }
  if (event->matches(QKeySequence::Find)) {
    AskAndFind();
    event->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void ConsoleView::mouseReleaseEvent(QMouseEvent* event) {
  ApplyPendingEdits();
  QPlainTextEdit::mouseReleaseEvent(event);
  // A plain click must not leave the caret away from the end, where the
  // controller's text goes.
  if (!textCursor().hasSelection()) MoveCaretToEnd();
}

void ConsoleView::MoveCaretToEnd() {
  ApplyPendingEdits();
  QTextCursor cursor = textCursor();
  cursor.clearSelection();
  cursor.movePosition(QTextCursor::End);
  setTextCursor(cursor);
  ensureCursorVisible();
}

void ConsoleView::contextMenuEvent(QContextMenuEvent* event) {
  RefreshMenuItems();
  Popup->exec(event->globalPos());
  event->accept();
}

void ConsoleView::RefreshMenuItems() {
  ApplyPendingEdits();
  CopyAction->setEnabled(textCursor().hasSelection());
  const QClipboard* clipboard = QGuiApplication::clipboard();
  PasteAction->setEnabled(TerminalOn() && !Terminal->IsPasting() &&
                            !clipboard->text().isEmpty());
  SelectAllAction->setEnabled(true);
  FontAction->setEnabled(true);
  FindAction->setEnabled(!toPlainText().isEmpty());
  SaveAsAction->setEnabled(true);
  LogAction->setEnabled(Log != nullptr);
  LogAction->setChecked(Log && Log->IsOpen());
}

QString ConsoleView::SelectedPlainText() {
  ApplyPendingEdits();
  QString text = textCursor().selectedText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  return text;
}

void ConsoleView::CopySelection() {
  const QString text = SelectedPlainText();
  if (text.isEmpty()) return;
  if (text.size() > kCopyLimit) {
    if (Teller) Teller->Tell(JobResult::Failed(AppText::CopyTooLong()));
    return;
  }
  QGuiApplication::clipboard()->setText(text);
}

void ConsoleView::PasteToController() {
  if (!TerminalOn()) return;
  Terminal->Paste(QGuiApplication::clipboard()->text());
}

void ConsoleView::SelectAllLines() {
  ApplyPendingEdits();
  selectAll();
}

void ConsoleView::ChooseConsoleFont() {
  if (Dialogs) {
    if (const auto chosen = Dialogs->ChooseFont(font().toString())) {
      QFont picked;
      if (picked.fromString(*chosen)) setFont(picked);
    }
  }
  setFocus();
  MoveCaretToEnd();
}

bool ConsoleView::FindText(const QString& text) {
  if (text.isEmpty()) return false;
  ApplyPendingEdits();
  LastFind = text;
  return PlainTextTools::FindWrapping(*this, text);
}

void ConsoleView::AskAndFind() {
  if (!Dialogs) return;
  const auto text = Dialogs->AskName(QStringLiteral("Find"), QStringLiteral("Find in the console:"),
                                     LastFind, 127);
  if (!text || text->isEmpty()) return;
  if (!FindText(*text) && Teller)
    Teller->Tell(JobResult::Done(QStringLiteral("'%1' was not found.").arg(*text)));
}

bool ConsoleView::SaveText(const QString& path) {
  ApplyPendingEdits();
  // As a log has it: read back in a terminal, the controller's control
  // characters are shown, not obeyed.
  QByteArray bytes = EscapeControls(toPlainText()).toUtf8();
  if (!bytes.isEmpty() && !bytes.endsWith('\n')) bytes += '\n';
  const QString why = PlainTextTools::SaveBytes(path, bytes);
  if (why.isEmpty()) return true;
  if (Teller) Teller->Tell(JobResult::Failed(QStringLiteral("Cannot write '%1': %2").arg(path, why)));
  return false;
}

void ConsoleView::AskAndSave() {
  if (!Dialogs) return;
  if (const auto path = Dialogs->ChooseSaveFile(QStringLiteral("Save console as"),
                                                QStringLiteral("console.txt"),
                                                QStringLiteral("Text files (*.txt);;All files (*)")))
    (void)SaveText(*path);
}

bool ConsoleView::StartLog(const QString& path) {
  if (!Log) return false;
  QString why;
  if (Log->Open(path, &why)) return true;
  if (Teller)
    Teller->Tell(JobResult::Failed(QStringLiteral("Cannot write the log '%1': %2").arg(path, why)));
  return false;
}

void ConsoleView::ToggleLog() {
  if (!Log) return;
  if (Log->IsOpen()) {
    Log->Close();
    return;
  }
  if (!Dialogs) return;
  if (const auto path = Dialogs->ChooseSaveFile(QStringLiteral("Log to file"),
                                                QStringLiteral("talo7100.log"),
                                                QStringLiteral("Log files (*.log);;All files (*)")))
    (void)StartLog(*path);
}
