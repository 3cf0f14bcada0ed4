#include "items/panestatus.h"

#include <QLocale>

#include "items/itemtexts.h"

namespace PaneStatus {

QString ObjectCount(qsizetype count) { return QString::number(count) + ItemText::kObjects; }

QString TotalSize(int64_t bytes) {
  if (bytes < 1024) return QString::number(bytes) + ItemText::kBytes;
  if (bytes < 1048576) {
    const float kb = static_cast<float>(bytes) * (1.0f / 1024.0f);
    return QString::asprintf("%.1f KB", static_cast<double>(kb));
  }
  const float mb = static_cast<float>(bytes) * (1.0f / 1048576.0f);
  return QString::asprintf("%.1f MB", static_cast<double>(mb));
}

QString ExactSize(int64_t bytes) {
  return QLocale().toString(static_cast<qlonglong>(bytes)) + QStringLiteral(" bytes");
}

QString SelectionSummary(qsizetype count, int64_t bytes) {
  if (count < 2) return {};
  return QStringLiteral("%1 selected, %2").arg(count).arg(TotalSize(bytes));
}

}  // namespace PaneStatus
