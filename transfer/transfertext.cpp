#include "transfertext.h"

namespace TransferText {

QString InvalidNameCaption(const QString& name) {
  return QStringLiteral("Invalid file name '") + name + QLatin1Char('\'');
}

QString FailedToTransfer(const QString& name) {
  return QStringLiteral("Fail to transfer file '") + name + QStringLiteral("'!");
}

}  // namespace TransferText
