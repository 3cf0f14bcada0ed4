#include "installation/installationtext.h"

namespace InstallationText {

QString FolderUnusable(const QString& folder, const QString& reason) {
  return QStringLiteral("The installation folder %1 cannot be used: %2.\n\nSet TALO7100_HOME to a "
                        "folder you may write to.")
      .arg(folder, reason);
}
QString ShippedFileMissing(const QString& name, const QString& folder) {
  return QStringLiteral("%1 is missing from the folder %2.\n\nThe controller needs it. It comes with "
                        "the controller's software (its CD or the maker's archive), not with this "
                        "utility: copy it there, or bring it in with Tools > Import Helper Programs... "
                        "(talo7100-cli helpers --import FOLDER).")
      .arg(name, folder);
}

}  // namespace InstallationText
