#include "remote/devicetextviewer.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <optional>

#include "link/resultteller.h"
#include "link/userdialogs.h"
#include "remote/devicetextfile.h"
#include "remote/devicetexts.h"
#include "widgets/plaintexttools.h"

namespace {
constexpr int kFindLength = 127;
}  // namespace

DeviceTextViewer::DeviceTextViewer(const QString& name, const QByteArray& text,
                                   std::optional<QByteArray> file, UserDialogs& dialogs,
                                   ResultTeller& teller,
                                   QWidget* parent)
    : QDialog(parent), Dialogs(dialogs), Teller(teller), Name(name), Bytes(std::move(file)) {
  setObjectName(QStringLiteral("dlgTaloView"));
  setWindowTitle(name + QStringLiteral(" - TALO-7100 (read-only)"));
  Text = new QPlainTextEdit(this);
  Text->setObjectName(QStringLiteral("meoText"));
  Text->setReadOnly(true);
  Text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Text->setLineWrapMode(QPlainTextEdit::NoWrap);
  Text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  Text->setPlainText(DeviceTextFile::Lines(text).join(QLatin1Char('\n')));

  auto* buttons = new QDialogButtonBox(this);
  const auto add = [&](const QString& caption, const char* objectName, void (DeviceTextViewer::*slot)()) {
    QPushButton* button = buttons->addButton(caption, QDialogButtonBox::ActionRole);
    button->setObjectName(QLatin1String(objectName));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, slot);
  };
  add(QStringLiteral("&Find..."), "btnFind", &DeviceTextViewer::FindClick);
  add(QStringLiteral("&Save as..."), "btnSaveAs", &DeviceTextViewer::SaveAsClick);
  add(QStringLiteral("&Copy"), "btnCopy", &DeviceTextViewer::CopyClick);
  connect(buttons->addButton(QDialogButtonBox::Close), &QPushButton::clicked, this,
          &QDialog::accept);
  connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this,
          &DeviceTextViewer::FindClick);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Text);
  layout->addWidget(buttons);
  resize(640, 480);
}

bool DeviceTextViewer::FindText(const QString& text) {
  LastFind = text;
  return PlainTextTools::FindWrapping(*Text, text);
}

void DeviceTextViewer::FindClick() {
  const std::optional<QString> text =
      Dialogs.AskName(QStringLiteral("Find"), QStringLiteral("Find in %1:").arg(Name), LastFind,
                      kFindLength);
  if (!text || text->isEmpty()) return;
  if (!FindText(*text))
    Teller.Tell(JobResult::Done(QStringLiteral("'%1' was not found.").arg(*text)));
}

bool DeviceTextViewer::SaveTo(const QString& path) {
  if (!Bytes) {
    Teller.Tell(JobResult::Failed(DeviceText::NotReadWhole(Name)));
    return false;
  }
  const QString why = PlainTextTools::SaveBytes(path, *Bytes);
  if (why.isEmpty()) return true;
  Teller.Tell(JobResult::Failed(QStringLiteral("Cannot write '%1': %2").arg(path, why)));
  return false;
}

void DeviceTextViewer::SaveAsClick() {
  // Said before a file is chosen, not after.
  if (!Bytes) {
    Teller.Tell(JobResult::Failed(DeviceText::NotReadWhole(Name)));
    return;
  }
  if (const std::optional<QString> path = Dialogs.ChooseSaveFile(
          QStringLiteral("Save as"), Name, QStringLiteral("All files (*)")))
    (void)SaveTo(*path);
}

void DeviceTextViewer::CopyClick() {
  QString text = Text->textCursor().selectedText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  if (text.isEmpty()) text = Text->toPlainText();
  QGuiApplication::clipboard()->setText(text);
}
