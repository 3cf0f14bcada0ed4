#include "devicecli.h"

#include "devicebrowser.h"
#include "deviceshell.h"
#include "devicetexts.h"

namespace DeviceCli {
namespace {
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
}  // namespace

QString NormalisedDevicePath(const QString& text) {
  QString path = text.trimmed();
  path.replace(QLatin1Char('/'), QLatin1Char('\\'));
  // "D:" is the only drive the pane knows; a user may well type it.
  if (path.startsWith(QLatin1String("D:"), Qt::CaseInsensitive)) path.remove(0, 2);
  while (path.size() > 1 && path.endsWith(QLatin1Char('\\'))) path.chop(1);
  if (!path.startsWith(QLatin1Char('\\'))) path.prepend(QLatin1Char('\\'));
  return path;
}

int ListFolder(DeviceShell& shell, const QString& folder, QStringList& lines,
               const DeviceTimeouts& timeouts) {
  DeviceBrowser browser(shell);
  browser.Lister().SetTimeouts(timeouts);
  const QString path = NormalisedDevicePath(folder);
  if (!browser.FillDeviceItems(path)) return kExitFailed;
  browser.FillDeviceDetails(0, browser.ItemCount() - 1);
  const QChar tab(QLatin1Char('\t'));
  for (const PShellItem& item : browser.DeviceItems()) {
    const QString size = item.IsFolder() ? QString() : QString::number(item.SizeBytes);
    const QString type = item.IsFolder() ? QStringLiteral("<DIR>") : item.TypeText;
    lines.append(item.Name + tab + size + tab + type + tab + item.ModifiedText);
  }
  lines.append(browser.ObjectsText());
  lines.append(browser.SizeStatusText());
  return kExitOk;
}

std::optional<int64_t> ReadFreeSpace(DeviceShell& shell, const QString& folder,
                                     const DeviceTimeouts& timeouts) {
  DeviceBrowser browser(shell);
  browser.Lister().SetTimeouts(timeouts);
  if (!browser.FillDeviceItems(NormalisedDevicePath(folder))) return std::nullopt;
  return browser.DeviceFreeBytes();
}

int MeasureFolder(DeviceShell& shell, const QString& name, QStringList& lines,
                  const DeviceTimeouts& timeouts) {
  // "dir/s" names things relative to the shell's current folder: list the
  // parent first, which makes it current, as the pane's listing does.
  const QString path = NormalisedDevicePath(name);
  const bool wholeDrive = path == QLatin1String("\\");
  const qsizetype slash = path.lastIndexOf(QLatin1Char('\\'));
  DeviceBrowser browser(shell);
  browser.Lister().SetTimeouts(timeouts);
  if (!browser.FillDeviceItems(DeviceBrowser::ParentPath(path))) return kExitFailed;
  TreeCounts counts;
  if (!browser.Lister().MeasureDeviceFolder(wholeDrive ? QString() : path.mid(slash + 1), counts))
    return kExitFailed;
  lines.append(DeviceText::Contents(counts.Files, counts.Folders) + QLatin1Char('\t') +
               DeviceText::ByteCount(counts.Bytes));
  return kExitOk;
}

}  // namespace DeviceCli
