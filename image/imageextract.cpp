#include "image/imageextract.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "image/imagetext.h"

namespace ImageExtract {
namespace {

QString Problem(const QString& path, const QString& why) {
  return QStringLiteral("%1: %2").arg(path, why);
}

// Calls each(path, item, target) for the item and everything below it whose
// names are safe; the unsafe ones and the unreadable folders go to problems.
template <typename Each>
void ForEach(const FatVolume& volume, const QString& path, const FatItem& item,
             const QString& target, QStringList& problems, Each each) {
  each(path, item, target);
  if (!item.Folder) return;
  const QString top = path.endsWith(QLatin1Char('\\')) ? path : path + QLatin1Char('\\');
  FatVolume::Visitor visitor;
  visitor.Item = [&](const QString& itemPath, const FatItem& child) {
    if (!SafeName(child.Name)) {
      problems.append(Problem(itemPath, QString::fromLatin1(ImageText::kUnsafeName)));
      return true;
    }
    const QString relative = itemPath.mid(top.size()).replace(QLatin1Char('\\'), QLatin1Char('/'));
    each(itemPath, child, QDir(target).filePath(relative));
    return true;
  };
  // Nothing below a folder that is left out.
  visitor.Enter = [](const QString&, const FatItem& folder) { return SafeName(folder.Name); };
  visitor.Error = [&](const QString& folderPath, const QString& why) {
    problems.append(Problem(folderPath, why));
  };
  (void)volume.Walk(path, visitor);
}

}  // namespace

bool SafeName(const QString& name) {
  if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
  for (const QChar c : name) {
    const char16_t code = c.unicode();
    // C0 and C1 controls, DEL, and the separators.
    if (code < 0x20 || (code >= 0x7F && code < 0xA0) || c == QLatin1Char('/') || c == QLatin1Char('\\'))
      return false;
  }
  return true;
}

QString WriteFile(const QString& target, const QByteArray& bytes, const QDateTime& modified,
                  bool replace) {
  if (!replace && QFileInfo::exists(target)) return QString::fromLatin1(ImageText::kTargetExists);
  QSaveFile file(target);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
    return file.errorString();
  if (modified.isValid()) {
    QFile stamped(target);
    if (!stamped.open(QIODevice::ReadWrite) ||
        !stamped.setFileTime(modified, QFileDevice::FileModificationTime))
      return QString::fromLatin1(ImageText::kDateNotKept);
  }
  return {};
}

void Extract(const FatVolume& volume, const QString& path, const FatItem& item,
             const QString& target, bool replace, Outcome& outcome) {
  ForEach(volume, path, item, target, outcome.Problems,
          [&](const QString& itemPath, const FatItem& entry, const QString& local) {
            if (entry.Folder) {
              if (QFileInfo(local).isDir() || QDir().mkpath(local))
                ++outcome.Folders;
              else
                outcome.Problems.append(Problem(itemPath, QString::fromLatin1(ImageText::kCannotMakeFolder)));
              return;
            }
            const FatVolume::Contents contents = volume.Read(entry);
            if (!contents.Error.isEmpty()) {
              outcome.Problems.append(Problem(itemPath, contents.Error));
              return;
            }
            const QString why = WriteFile(local, contents.Bytes, entry.Modified(), replace);
            if (!why.isEmpty()) {
              outcome.Problems.append(Problem(local, why));
              return;
            }
            ++outcome.Files;
            outcome.Bytes += contents.Bytes.size();
          });
}

QStringList Existing(const FatVolume& volume, const QString& path, const FatItem& item,
                     const QString& target) {
  QStringList existing;
  QStringList ignored;
  ForEach(volume, path, item, target, ignored,
          [&](const QString&, const FatItem& entry, const QString& local) {
            if (!entry.Folder && QFileInfo::exists(local)) existing.append(local);
          });
  return existing;
}

}  // namespace ImageExtract
