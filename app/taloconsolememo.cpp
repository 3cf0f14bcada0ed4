#include "app/taloconsolememo.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QTextCursor>

#include "app/apptext.h"
#include "app/taloterminal.h"
#include "link/escapecontrols.h"
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

TaloConsoleMemo::TaloConsoleMemo(QWidget* parent) : QPlainTextEdit(parent) {
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
  auto add = [this](const char* name, const QString& caption, void (TaloConsoleMemo::*handler)()) {
    QAction* action = Popup->addAction(caption);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  Copy1 = add("Copy1", QStringLiteral("Copy"), &TaloConsoleMemo::Copy1Click);
  Pasteto7100M1 =
      add("Pasteto7100M1", QStringLiteral("Paste to 7100"), &TaloConsoleMemo::Pasteto7100M1Click);
  Popup->addSeparator()->setObjectName(QStringLiteral("N5"));
  SelectAll1 = add("SelectAll1", QStringLiteral("Select All"), &TaloConsoleMemo::SelectAll1Click);
  Find1 = add("Find1", QStringLiteral("Find..."), &TaloConsoleMemo::Find1Click);
  Find1->setShortcut(QKeySequence::Find);  // shown; the memo's own key handler acts on it
  Find1->setShortcutContext(Qt::WidgetShortcut);
  SaveAs1 = add("SaveAs1", QStringLiteral("Save console as..."), &TaloConsoleMemo::SaveAs1Click);
  Log1 = add("Log1", QStringLiteral("Log to file..."), &TaloConsoleMemo::Log1Click);
  Log1->setCheckable(true);
  Popup->addSeparator()->setObjectName(QStringLiteral("N7"));
  Font1 = add("Font1", QStringLiteral("Font"), &TaloConsoleMemo::Font1Click);
}

QFont TaloConsoleMemo::DefaultFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setStyleHint(QFont::TypeWriter);
  font.setPixelSize(kFontPixelSize);
  font.setBold(true);
  return font;
}

void TaloConsoleMemo::SetTerminalColours(bool on) {
  QPalette colours = palette();
  const QColor background = on ? kBlack : QApplication::palette("QMenu").color(QPalette::Window);
  const QColor text = on ? kSilver : kGreen;
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    colours.setColor(group, QPalette::Base, background);
    colours.setColor(group, QPalette::Text, text);
  }
  setPalette(colours);
}

bool TaloConsoleMemo::TerminalOn() const { return Terminal && Terminal->IsOn(); }

void TaloConsoleMemo::ApplyPendingEdits() {
  if (ApplyPending) ApplyPending();
}

bool TaloConsoleMemo::event(QEvent* event) {
  if (TerminalOn()) {
    if (event->type() == QEvent::ShortcutOverride) {
      // Keys for the controller must not trigger shortcuts (Ctrl+C is ETX here).
      auto* key = static_cast<QKeyEvent*>(event);
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

bool TaloConsoleMemo::SendKeyToController(QKeyEvent* event) {
  if (const auto special = SpecialKeyOf(event->key())) {
    Terminal->SendSpecialKey(*special);
    return true;
  }
  const QString characters = CharactersOf(event);
  if (characters.isEmpty()) return false;
  for (QChar c : characters) Terminal->KeyPress(c);
  return true;
}

void TaloConsoleMemo::keyPressEvent(QKeyEvent* event) {
  if (TerminalOn()) {
    if (SendKeyToController(event)) {
      event->accept();
      return;
    }
    // Keys without a character (Page Up, Shift...) still scroll the memo.
    QPlainTextEdit::keyPressEvent(event);
    return;
  }
  if (event->matches(QKeySequence::Copy)) {
    Copy1Click();  // the same limit as the context menu
    event->accept();
    return;
  }
  if (event->matches(QKeySequence::Find)) {
    Find1Click();
    event->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void TaloConsoleMemo::mouseReleaseEvent(QMouseEvent* event) {
  ApplyPendingEdits();
  QPlainTextEdit::mouseReleaseEvent(event);
  // A plain click must not leave the caret away from the end, where the
  // controller's text goes.
  if (!textCursor().hasSelection()) MoveCaretToEnd();
}

void TaloConsoleMemo::MoveCaretToEnd() {
  ApplyPendingEdits();
  QTextCursor cursor = textCursor();
  cursor.clearSelection();
  cursor.movePosition(QTextCursor::End);
  setTextCursor(cursor);
  ensureCursorVisible();
}

void TaloConsoleMemo::contextMenuEvent(QContextMenuEvent* event) {
  PopupMenu3Popup();
  Popup->exec(event->globalPos());
  event->accept();
}

void TaloConsoleMemo::PopupMenu3Popup() {
  ApplyPendingEdits();
  Copy1->setEnabled(textCursor().hasSelection());
  const QClipboard* clipboard = QGuiApplication::clipboard();
  Pasteto7100M1->setEnabled(TerminalOn() && !Terminal->IsPasting() &&
                            !clipboard->text().isEmpty());
  SelectAll1->setEnabled(true);
  Font1->setEnabled(true);
  Find1->setEnabled(!toPlainText().isEmpty());
  SaveAs1->setEnabled(true);
  Log1->setEnabled(Log != nullptr);
  Log1->setChecked(Log && Log->IsOpen());
}

QString TaloConsoleMemo::SelectedPlainText() {
  ApplyPendingEdits();
  QString text = textCursor().selectedText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  return text;
}

void TaloConsoleMemo::Copy1Click() {
  const QString text = SelectedPlainText();
  if (text.isEmpty()) return;
  if (text.size() > kCopyLimit) {
    if (Dialogs) Dialogs->ShowError(AppText::CopyTooLong());
    return;
  }
  QGuiApplication::clipboard()->setText(text);
}

void TaloConsoleMemo::Pasteto7100M1Click() {
  if (!TerminalOn()) return;
  Terminal->Paste(QGuiApplication::clipboard()->text());
}

void TaloConsoleMemo::SelectAll1Click() {
  ApplyPendingEdits();
  selectAll();
}

void TaloConsoleMemo::Font1Click() {
  if (Dialogs) {
    if (const auto chosen = Dialogs->ChooseFont(font().toString())) {
      QFont picked;
      if (picked.fromString(*chosen)) setFont(picked);
    }
  }
  setFocus();
  MoveCaretToEnd();
}

bool TaloConsoleMemo::FindText(const QString& text) {
  if (text.isEmpty()) return false;
  ApplyPendingEdits();
  LastFind = text;
  return PlainTextTools::FindWrapping(*this, text);
}

void TaloConsoleMemo::Find1Click() {
  if (!Dialogs) return;
  const auto text = Dialogs->AskName(QStringLiteral("Find"), QStringLiteral("Find in the console:"),
                                     LastFind, 127);
  if (!text || text->isEmpty()) return;
  if (!FindText(*text)) Dialogs->ShowInformation(QStringLiteral("'%1' was not found.").arg(*text));
}

bool TaloConsoleMemo::SaveText(const QString& path) {
  ApplyPendingEdits();
  // As a log has it: read back in a terminal, the controller's control
  // characters are shown, not obeyed.
  QByteArray bytes = EscapeControls(toPlainText()).toUtf8();
  if (!bytes.isEmpty() && !bytes.endsWith('\n')) bytes += '\n';
  const QString why = PlainTextTools::SaveBytes(path, bytes);
  if (why.isEmpty()) return true;
  if (Dialogs) Dialogs->ShowError(QStringLiteral("Cannot write '%1': %2").arg(path, why));
  return false;
}

void TaloConsoleMemo::SaveAs1Click() {
  if (!Dialogs) return;
  if (const auto path = Dialogs->ChooseSaveFile(QStringLiteral("Save console as"),
                                                QStringLiteral("console.txt"),
                                                QStringLiteral("Text files (*.txt);;All files (*)")))
    (void)SaveText(*path);
}

bool TaloConsoleMemo::StartLog(const QString& path) {
  if (!Log) return false;
  QString why;
  if (Log->Open(path, &why)) return true;
  if (Dialogs) Dialogs->ShowError(QStringLiteral("Cannot write the log '%1': %2").arg(path, why));
  return false;
}

void TaloConsoleMemo::Log1Click() {
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
