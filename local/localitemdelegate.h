#pragma once
// LocalItemDelegate: draws a row's name in the colours of its attributes:
// grey when read-only, struck out when hidden, in the highlight colour when
// a device, socket or pipe (system). The other columns keep the normal text
// colour, so the marks stay on the name.

#include <QStyledItemDelegate>

class LocalItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // Applies the attribute bits to the option of a name cell.
  static void ApplyAttributes(QStyleOptionViewItem& option, uint32_t attributeBits);

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
