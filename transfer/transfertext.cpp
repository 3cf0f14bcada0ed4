#include "transfer/transfertext.h"

#include <QFileInfo>

#include "transfer/transferbatch.h"

namespace TransferText {

QString InvalidNameCaption(const QString& name) {
  return QStringLiteral("Invalid file name '") + name + QLatin1Char('\'');
}

QString FailedToTransfer(const QString& name) {
  return QStringLiteral("Fail to transfer file '") + name + QStringLiteral("'!");
}

namespace {
QString Described(const QString& name, int64_t sizeBytes, const QString& modified) {
  return name + QStringLiteral(" (") + QString::number(sizeBytes) + QStringLiteral(" byte(s), ") +
         modified + QLatin1Char(')');
}
}  // namespace

QString ReplaceQuestion(const QString& name, int64_t sizeBytes, const QString& modified) {
  return QStringLiteral("Replace ") + Described(name, sizeBytes, modified) +
         QStringLiteral(" on the TALO-7100?");
}

QString NameRefused(const QString& path, const QString& deviceName, DeviceNames::Verdict verdict,
                    const QString& suggestion) {
  QString why;
  switch (verdict) {
    case DeviceNames::Verdict::TakenInBatch:
      why = QStringLiteral(" would be stored as ") + deviceName +
            QStringLiteral(", as another file of this copy");
      break;
    case DeviceNames::Verdict::FolderListed:
      why = QStringLiteral(" would be stored as ") + deviceName +
            QStringLiteral(", the name of a folder there");
      break;
    default:
      why = QStringLiteral(": ") + deviceName +
            QStringLiteral(" is not an 8.3 name, which the TALO-7100 would cut short or refuse");
      break;
  }
  return QLatin1Char('\'') + path + QLatin1Char('\'') + why +
         QStringLiteral("; nothing was sent (--rename sends it as ") + suggestion +
         QStringLiteral(").");
}

QString NotReplaced(const QString& path, const QString& listedName, int64_t sizeBytes,
                    const QString& modified) {
  return QLatin1Char('\'') + path + QStringLiteral("' was not sent: ") +
         Described(listedName, sizeBytes, modified) +
         QStringLiteral(" is already on the TALO-7100 (--force replaces it).");
}

QString ArrivedShort(const QString& target, int64_t listedBytes, int64_t sentBytes) {
  return target + QStringLiteral(" arrived with %1 bytes, expected %2.").arg(listedBytes).arg(sentBytes);
}

QString NotArrived(const QString& target, int64_t sentBytes) {
  return target + QStringLiteral(" did not arrive, expected %1 bytes.").arg(sentBytes);
}

QString SkippedLine(const TransferOutcome& outcome) {
  const QString name = QFileInfo(outcome.SourcePath).fileName();
  const QString why = outcome.SkipReason == TransferOutcome::Skip::KeptListedFile
                          ? QStringLiteral("the file of that name on the TALO-7100 was kept")
                          : QStringLiteral("no new name was given");
  return QStringLiteral("Not copied: ") + name + QStringLiteral(" (") + why + QLatin1Char(')');
}

QString SkippedSummary(int copied, int total, const QStringList& skippedLines) {
  return QStringLiteral("%1 of %2 file(s) copied.\n\n").arg(copied).arg(total) +
         skippedLines.join(QLatin1Char('\n'));
}

}  // namespace TransferText
