#include "link/escapecontrols.h"

#include <unistd.h>

namespace {

bool MustEscape(QStringView text, qsizetype at) {
  const char16_t c = text[at].unicode();
  if (c == u'\t' || c == u'\n') return false;
  if (c == u'\r') return at + 1 >= text.size() || text[at + 1] != u'\n';
  return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

}  // namespace

QString EscapeControls(QStringView text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (!MustEscape(text, i)) {
      out.append(text[i]);
      continue;
    }
    out += QStringLiteral("\\x%1").arg(text[i].unicode(), 2, 16, QLatin1Char('0'));
  }
  return out;
}

namespace {

FILE* OpenLine = nullptr;

}  // namespace

void NoteOpenLine(FILE* out) { OpenLine = out; }

void EndOpenLineBefore(FILE* out) {
  if (!OpenLine || (out != OpenLine && isatty(fileno(out)) != 1)) return;
  std::fputc('\n', OpenLine);
  std::fflush(OpenLine);
  OpenLine = nullptr;
}

void PrintEscapedLine(FILE* out, const QString& text) {
  EndOpenLineBefore(out);
  const QByteArray bytes = EscapeControls(text).toLocal8Bit() + '\n';
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), out);
  std::fflush(out);
}
