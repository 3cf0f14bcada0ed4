#include "image/imagediff.h"

#include <QMap>
#include <algorithm>

#include "image/imagetext.h"
#include "items/datesettings.h"

namespace ImageDiff {
namespace {

using Items = QMap<QString, std::pair<QString, FatItem>>;  // by upper-cased path

Items Gather(const FatVolume& volume, const QString& which, QStringList& problems) {
  Items items;
  FatVolume::Visitor visitor;
  visitor.Item = [&items](const QString& path, const FatItem& item) {
    items.insert(path.toUpper(), {path, item});
    return true;
  };
  visitor.Error = [&](const QString& path, const QString& why) {
    problems.append(QStringLiteral("%1: %2: %3").arg(which, path, why));
  };
  (void)volume.Walk(QStringLiteral("\\"), visitor);
  return items;
}

// Whether two files of the same path hold the same; none when either
// cannot be read (a problem, told in problems).
std::optional<bool> SameFile(const FatVolume& first, const FatItem& a, const FatVolume& second, const FatItem& b,
              const QString& path, QStringList& problems) {
  if (a.Size != b.Size || a.DosDate != b.DosDate || a.DosTime != b.DosTime) return false;
  const FatVolume::Contents left = first.Read(a);
  const FatVolume::Contents right = second.Read(b);
  if (!left.Error.isEmpty())
    problems.append(QStringLiteral("%1: %2: %3").arg(QLatin1String(ImageText::kFirstImage), path, left.Error));
  if (!right.Error.isEmpty())
    problems.append(QStringLiteral("%1: %2: %3").arg(QLatin1String(ImageText::kSecondImage), path, right.Error));
  if (!left.Error.isEmpty() || !right.Error.isEmpty()) return std::nullopt;
  return left.Bytes == right.Bytes;
}

QString SizeText(const FatItem& item) {
  return item.Folder ? QStringLiteral("<DIR>") : QString::number(item.Size);
}

QString DateText(const FatItem& item) { return DateSettings::ListingFormat().Format(item.Modified()); }

QString Both(const QString& before, const QString& after) {
  return before == after ? before : before + QStringLiteral(" -> ") + after;
}

}  // namespace

Result Compare(const FatVolume& first, const FatVolume& second) {
  Result result;
  const Items before = Gather(first, QLatin1String(ImageText::kFirstImage), result.Problems);
  const Items after = Gather(second, QLatin1String(ImageText::kSecondImage), result.Problems);
  for (auto it = before.begin(); it != before.end(); ++it) {
    const auto& [path, item] = it.value();
    const auto other = after.find(it.key());
    if (other == after.end() || other.value().second.Folder != item.Folder) {
      result.Changes.push_back({Change::Kind::Removed, path, item, std::nullopt});
      continue;
    }
    if (item.Folder) continue;
    if (SameFile(first, item, second, other.value().second, path, result.Problems) == false)
      result.Changes.push_back({Change::Kind::Changed, path, item, other.value().second});
  }
  for (auto it = after.begin(); it != after.end(); ++it) {
    const auto& [path, item] = it.value();
    const auto other = before.find(it.key());
    if (other == before.end() || other.value().second.Folder != item.Folder)
      result.Changes.push_back({Change::Kind::Added, path, std::nullopt, item});
  }
  // By path, a removal before an addition of the same path.
  std::stable_sort(result.Changes.begin(), result.Changes.end(), [](const Change& a, const Change& b) {
    return a.Path.compare(b.Path, Qt::CaseInsensitive) < 0;
  });
  return result;
}

QStringList Lines(const Result& result) {
  QStringList lines;
  int added = 0, removed = 0, changed = 0;
  const QChar tab(QLatin1Char('\t'));
  for (const Change& change : result.Changes) {
    switch (change.What) {
      case Change::Kind::Added:
        ++added;
        lines.append(QStringLiteral("added") + tab + change.Path + tab + SizeText(*change.After) + tab +
                     DateText(*change.After));
        break;
      case Change::Kind::Removed:
        ++removed;
        lines.append(QStringLiteral("removed") + tab + change.Path + tab + SizeText(*change.Before) + tab +
                     DateText(*change.Before));
        break;
      case Change::Kind::Changed:
        ++changed;
        lines.append(QStringLiteral("changed") + tab + change.Path + tab +
                     Both(SizeText(*change.Before), SizeText(*change.After)) + tab +
                     Both(DateText(*change.Before), DateText(*change.After)));
        break;
    }
  }
  for (const QString& problem : result.Problems) lines.append(QStringLiteral("unreadable") + tab + problem);
  lines.append(result.Equal() ? QString::fromLatin1(ImageText::kImagesEqual)
                              : ImageText::DiffTotals(added, removed, changed, result.Problems.size()));
  return lines;
}

}  // namespace ImageDiff
