#include "local/localitemdelegate.h"

#include "items/paneitem.h"
#include "local/localfoldermodel.h"

void LocalItemDelegate::ApplyAttributes(QStyleOptionViewItem& option, uint32_t attributeBits) {
  // Tested in this order, so a read-only system item takes the highlight colour.
  if (attributeBits & PaneItem::kReadOnly) {
    const QColor grey = option.palette.color(QPalette::Disabled, QPalette::Text);
    option.palette.setColor(QPalette::Text, grey);
    option.palette.setColor(QPalette::WindowText, grey);
  }
  if (attributeBits & PaneItem::kHidden) option.font.setStrikeOut(true);
  if (attributeBits & PaneItem::kSystem) {
    const QColor highlight = option.palette.color(QPalette::Highlight);
    option.palette.setColor(QPalette::Text, highlight);
    option.palette.setColor(QPalette::WindowText, highlight);
  }
}

void LocalItemDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (index.column() != LocalFolderModel::kNameColumn) return;
  ApplyAttributes(*option, index.data(LocalFolderModel::kAttributeRole).toUInt());
}

QSize LocalItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  return ItemSize.isValid() ? ItemSize : QStyledItemDelegate::sizeHint(option, index);
}
