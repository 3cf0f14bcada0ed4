#pragma once
// PlainTextTools: what the console and the file viewer both do with the text
// they show - find it, save it. Main thread only.

#include <QByteArray>
#include <QString>

class QPlainTextEdit;

namespace PlainTextTools {

// Finds text from the caret on, ignoring case, round once from the top, and
// selects it; false when the edit does not hold it (the caret stays).
bool FindWrapping(QPlainTextEdit& edit, const QString& text);

// Writes bytes into path all at once (nothing half-written is left behind);
// the system's reason when it could not, else empty.
QString SaveBytes(const QString& path, const QByteArray& bytes);

}  // namespace PlainTextTools
