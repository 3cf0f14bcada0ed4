#pragma once
// TransferPresenter: shows a transfer's view (TransferView) modally around
// one batch.
//
// Principles of operation
// - Present returns when the batch has run and the view has closed: the
//   widget dialog's presenter (TransferDialogPresenter) runs it inside the
//   dialog, the command line's inside its progress bar. Main thread only.

class TransferBatch;

class TransferPresenter {
 public:
  virtual ~TransferPresenter() = default;
  // Shows the transfer modally, runs batch.Run(view) inside it and returns
  // when it has closed. cancelEnabled: whether the user may cancel.
  virtual void Present(TransferBatch& batch, bool cancelEnabled) = 0;
};
