#include "link/shell/shellanswer.h"

#include <QByteArrayView>

namespace ShellAnswer {

bool IsPrompt(const QByteArray& text, PromptAt where) {
  if (where == PromptAt::Anywhere) return text.contains("C:\\") || text.contains("D:\\");
  // Read up to the carriage return, the prompt comes after the previous
  // line's line feed.
  const QByteArrayView start = text.startsWith('\n') ? QByteArrayView(text).sliced(1) : QByteArrayView(text);
  if (where == PromptAt::Closed &&
      (!start.endsWith('>') || start.contains('\n') || start.contains('\r')))
    return false;
  return start.startsWith("C:\\") || start.startsWith("D:\\");
}

}  // namespace ShellAnswer
