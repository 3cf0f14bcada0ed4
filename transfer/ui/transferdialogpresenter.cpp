#include "transfer/ui/transferdialogpresenter.h"

#include "transfer/ui/tdlgtalotran.h"

void TransferDialogPresenter::Present(TransferBatch& batch, bool cancelEnabled) {
  TdlgTaloTran dialog(batch, Parent.data());
  dialog.SetCancelEnabled(cancelEnabled);
  dialog.exec();
}
