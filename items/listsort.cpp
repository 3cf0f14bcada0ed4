#include "items/listsort.h"

#include <QStringList>

ListSort ListSort::Clicked(int column) const {
  if (column == Column) return {Column, !Descending};
  return {column, false};
}

QString ListSort::ToText() const {
  return QString::number(Column) +
         (Descending ? QStringLiteral(" descending") : QStringLiteral(" ascending"));
}

ListSort ListSort::FromText(const QString& text, int columnCount) {
  const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  if (parts.size() != 2) return {};
  bool number = false;
  const int column = parts[0].toInt(&number);
  if (!number || column < 0 || column >= columnCount) return {};
  if (parts[1] == QLatin1String("descending")) return {column, true};
  if (parts[1] == QLatin1String("ascending")) return {column, false};
  return {};
}
