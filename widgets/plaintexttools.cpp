#include "widgets/plaintexttools.h"

#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTextCursor>

namespace PlainTextTools {

bool FindWrapping(QPlainTextEdit& edit, const QString& text) {
  if (text.isEmpty()) return false;
  if (edit.find(text)) return true;
  const QTextCursor kept = edit.textCursor();
  edit.moveCursor(QTextCursor::Start);
  if (edit.find(text)) return true;
  edit.setTextCursor(kept);
  return false;
}

QString SaveBytes(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
    return {};
  return file.errorString();
}

}  // namespace PlainTextTools
