#include "diopanelflow.h"

#include "deviceshell.h"
#include "tdlgtalo7101.h"
#include "transferdialogpresenter.h"

DioStartResult tbtnTaloConfClick(QWidget* parent, DeviceShell& shell, int64_t deviceFreeBytes,
                                 const DioTimings& timings) {
  TransferDialogPresenter presenter(parent);
  const DioHost host{shell, presenter, deviceFreeBytes, timings};
  return DioStartFlow::Run(host, [&](TaloComPort& port) {
    TdlgTalo7101 panel(shell.Dialogs(), parent);
    panel.Setup(port, QString::fromLatin1(DioStartFlow::kModuleAddress), timings);
    panel.exec();
  });
}
