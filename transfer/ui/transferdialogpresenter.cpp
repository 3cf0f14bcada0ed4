#include "transfer/ui/transferdialogpresenter.h"

#include "transfer/ui/transferdialog.h"

void TransferDialogPresenter::Present(TransferBatch& batch, bool cancelEnabled) {
  TransferDialog dialog(batch, Parent.data());
  dialog.SetCancelEnabled(cancelEnabled);
  dialog.exec();
}
