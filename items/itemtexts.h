#pragma once
// The texts both panes show for their items and totals, in one place.

#include <QString>

namespace ItemText {

inline const QString kFolderType = QStringLiteral("Folder");
inline const QString kObjects = QStringLiteral(" object(s)");
inline const QString kBytes = QStringLiteral(" byte(s)");

}  // namespace ItemText
