#include "app/portbox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <algorithm>

namespace {

// The width of a box whose edit field holds text.
int BoxWidthFor(const QComboBox& box, const QString& text) {
  QStyleOptionComboBox option;
  option.initFrom(&box);
  option.editable = box.isEditable();
  const QSize content(box.fontMetrics().horizontalAdvance(text) + box.fontMetrics().averageCharWidth(),
                      box.fontMetrics().height());
  return box.style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, &box).width();
}

}  // namespace

namespace PortBox {

void Fill(QComboBox& box, const std::vector<ScannedPort>& ports, const QString& extra) {
  box.clear();
  QString longestName;
  QString longestLabel;
  const auto note = [&](const QString& name, const QString& label) {
    if (name.size() > longestName.size()) longestName = name;
    if (label.size() > longestLabel.size()) longestLabel = label;
  };
  for (const ScannedPort& port : ports) {
    const QString name = QString::fromStdString(port.Name);
    const QString label = QString::fromStdString(PortLabel(port));
    box.addItem(label, name);
    note(name, label);
  }
  if (!extra.isEmpty() && box.findData(extra) < 0) {
    box.addItem(extra, extra);
    note(extra, extra);
  }
  // Grows from the form's width, never shrinks below it.
  if (box.property("talo_base_width").isNull()) box.setProperty("talo_base_width", box.width());
  const int base = box.property("talo_base_width").toInt();
  box.setFixedWidth(std::max(base, BoxWidthFor(box, longestName)));
  if (QAbstractItemView* list = box.view())
    list->setMinimumWidth(box.fontMetrics().horizontalAdvance(longestLabel) +
                          4 * box.fontMetrics().averageCharWidth());
}

void Select(QComboBox& box, const QString& port) {
  int index = box.findData(port);
  if (index < 0) index = box.findText(port);
  if (index >= 0) box.setCurrentIndex(index);
  box.setEditText(port);
}

QString ChosenPort(QComboBox& box, bool picked) {
  const int index = box.currentIndex();
  if (picked && index >= 0) {
    const QString name = box.itemData(index).toString();
    if (!name.isEmpty()) {
      box.setEditText(name);
      return name;
    }
  }
  return box.currentText().trimmed();
}

}  // namespace PortBox
