#pragma once
// ListSort: the column a pane's list is sorted by, and which way.
//
// Principles of operation
// - A click on a column header (Clicked) turns the order round when the
//   column is the one sorted by, and sorts a new column ascending.
// - Folders stay above files whichever way a list runs; Descending turns
//   round only the order within each group (the caller's comparison).
// - Kept as text between runs ("3 descending"); a text that does not read
//   back gives the name column ascending.

#include <Qt>
#include <QString>

struct ListSort {
  int Column = 0;
  bool Descending = false;

  ListSort Clicked(int column) const;
  Qt::SortOrder Order() const { return Descending ? Qt::DescendingOrder : Qt::AscendingOrder; }

  QString ToText() const;
  static ListSort FromText(const QString& text, int columnCount);

  friend bool operator==(const ListSort&, const ListSort&) = default;
};
