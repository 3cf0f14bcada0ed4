#include "devicecli.h"

#include "devicebrowser.h"
#include "devicecommands.h"
#include "devicepath.h"
#include "deviceshell.h"
#include "devicetexts.h"

namespace DeviceCli {
namespace {
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
}  // namespace

bool CheckNameArgument(DeviceShell& shell, const QString& name) {
  if (DeviceCommand::IsSafeTypedName(DevicePath::Normalised(name))) return true;
  shell.Dialogs().ShowError(DeviceText::UnsafeName(name));
  return false;
}

int ListFolder(DeviceShell& shell, const QString& folder, QStringList& lines,
               const DeviceTimeouts& timeouts) {
  DeviceBrowser browser(shell);
  browser.Lister().SetTimeouts(timeouts);
  const QString path = DevicePath::Normalised(folder);
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
                                     const DeviceTimeouts& timeouts,
                                     std::vector<PShellItem>* items) {
  DeviceBrowser browser(shell);
  browser.Lister().SetTimeouts(timeouts);
  if (!browser.FillDeviceItems(DevicePath::Normalised(folder))) return std::nullopt;
  if (items) *items = browser.DeviceItems();
  return browser.DeviceFreeBytes();
}

int MeasureFolder(DeviceShell& shell, const QString& name, QStringList& lines,
                  const DeviceTimeouts& timeouts) {
  // "dir/s" names things relative to the shell's current folder: list the
  // parent first, which makes it current, as the pane's listing does.
  const QString path = DevicePath::Normalised(name);
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
