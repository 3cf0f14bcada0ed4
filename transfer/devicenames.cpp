#include "transfer/devicenames.h"

#include <algorithm>

#include "link/shell/devicename.h"

namespace {

constexpr int kBaseLength = 8;
constexpr int kExtensionLength = 3;

// What a short name keeps of a PC name: what a new name may hold, but "~",
// the suggestion's own mark.
bool IsNameChar(QChar c) { return c != QLatin1Char('~') && DeviceName::IsNewNameChar(c); }

// The characters of text a short name may hold, in capitals.
QString Kept(QStringView text) {
  QString out;
  for (const QChar c : text)
    if (IsNameChar(c)) out += c.toUpper();
  return out;
}

}  // namespace

bool DeviceNames::ValidName(const QString& name) { return DeviceName::IsNewName(name); }

const DeviceFolderEntry* DeviceNames::Listed(const QString& name) const {
  for (const DeviceFolderEntry& entry : Listing)
    if (entry.Name.compare(name, Qt::CaseInsensitive) == 0) return &entry;
  return nullptr;
}

DeviceNames::Verdict DeviceNames::Examine(const QString& name) const {
  if (!ValidName(name)) return Verdict::Invalid;
  if (Taken.contains(name, Qt::CaseInsensitive)) return Verdict::TakenInBatch;
  const DeviceFolderEntry* listed = Listed(name);
  if (!listed) return Verdict::Free;
  return listed->IsFolder ? Verdict::FolderListed : Verdict::FileListed;
}

bool DeviceNames::IsFree(const QString& name) const {
  return !Taken.contains(name, Qt::CaseInsensitive) && !Listed(name);
}

QString DeviceNames::Suggest(const QString& pcName) const {
  // A leading full stop starts no extension (".profile" is all name).
  const qsizetype dot = pcName.lastIndexOf(QLatin1Char('.'));
  const bool hasExtension = dot > 0;
  QString base = Kept(hasExtension ? QStringView(pcName).left(dot) : QStringView(pcName));
  const QString fullExtension = hasExtension ? Kept(QStringView(pcName).mid(dot + 1)) : QString();
  const QString extension = fullExtension.left(kExtensionLength);
  if (base.isEmpty()) base = QStringLiteral("FILE");
  const QString suffix = extension.isEmpty() ? QString() : QLatin1Char('.') + extension;

  if (base.size() <= kBaseLength && fullExtension.size() <= kExtensionLength &&
      IsFree(base + suffix))
    return base + suffix;
  for (int number = 1;; ++number) {
    const QString tail = QLatin1Char('~') + QString::number(number);
    const QString candidate =
        base.left(std::max<qsizetype>(kBaseLength - tail.size(), 1)) + tail + suffix;
    if (IsFree(candidate)) return candidate;
  }
}
