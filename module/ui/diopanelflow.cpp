#include "module/ui/diopanelflow.h"

#include "link/shell/deviceshell.h"
#include "module/ui/diopanel.h"
#include "transfer/ui/transferdialogpresenter.h"

DioStartResult RunDioPanel(QWidget* parent, DeviceShell& shell, int64_t deviceFreeBytes,
                           const DioTimings& timings) {
  TransferDialogPresenter presenter(parent);
  const DioHost host{shell, presenter, deviceFreeBytes, timings};
  const DioStart start = DioStartFlow::Run(host, [&](TaloComPort& port) {
    DioPanel panel(shell.Teller(), parent);
    panel.Setup(port, QString::fromLatin1(DioStartFlow::kModuleAddress), timings);
    panel.exec();
  });
  shell.Tell(DioStartFlow::Told(start));
  return start.State;
}

DeviceTool DioPanelTool() {
  return {.ActionName = "tbtnTaloConf", .Open = [](DeviceToolHost& host) {
            (void)RunDioPanel(host.Parent, host.Shell, host.DeviceFreeBytes);
          }};
}
