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

  // Every item of the icon and list views gets this size, so the views lay
  // out thousands of items without measuring (and filling) each one, and a
  // long name is elided in its cell. Invalid: measured as usual.
  void SetItemSize(QSize size) { ItemSize = size; }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

 private:
  QSize ItemSize;
};
