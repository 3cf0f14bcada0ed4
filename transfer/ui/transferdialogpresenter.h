#pragma once
// TransferDialogPresenter: shows a TransferBatch in the modal TransferDialog,
// centred on the given parent (the main window or the dialog that uploads).

#include <QPointer>
#include <QWidget>

#include "transfer/transferpresenter.h"

class TransferDialogPresenter : public TransferPresenter {
 public:
  explicit TransferDialogPresenter(QWidget* parent = nullptr) : Parent(parent) {}
  void Present(TransferBatch& batch, bool cancelEnabled) override;

 private:
  QPointer<QWidget> Parent;
};
