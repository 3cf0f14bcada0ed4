#pragma once
// The texts about the installation folder. They are the program's own words:
// keep them byte for byte.

#include <QString>

namespace InstallationText {

QString FolderUnusable(const QString& folder, const QString& reason);
QString ShippedFileMissing(const QString& name, const QString& folder);

}  // namespace InstallationText
