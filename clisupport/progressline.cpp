#include "clisupport/progressline.h"

#include <unistd.h>

#include "link/escapecontrols.h"

namespace ProgressLine {

namespace {

bool AsLines() { return qEnvironmentVariable(kEnvironmentName) == QLatin1String(kAsLines); }

}  // namespace

bool Interactive(FILE* out) { return AsLines() || isatty(fileno(out)) == 1; }

void Draw(FILE* out, const QString& text) {
  const QByteArray escaped = EscapeControls(text).toLocal8Bit();
  if (AsLines()) {
    std::fputc(kFrameMark, out);
    std::fputs(escaped.constData(), out);
    std::fputc('\n', out);
  } else {
    std::fputs("\r\033[K", out);
    std::fputs(escaped.constData(), out);
    NoteOpenLine(out);
  }
  std::fflush(out);
}

void Wipe(FILE* out) {
  std::fputs(AsLines() ? "\x1e\n" : "\r\033[K", out);
  if (!AsLines()) NoteOpenLine(nullptr);
  std::fflush(out);
}

std::optional<QString> FrameOf(const QString& line) {
  if (!line.startsWith(QLatin1Char(kFrameMark))) return std::nullopt;
  return line.mid(1);
}

}  // namespace ProgressLine
