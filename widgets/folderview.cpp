#include "widgets/folderview.h"

#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QTreeView>

FolderView::FolderView(QWidget* parent) : QStackedWidget(parent) {}

void FolderView::SetViews(QTreeView* report, QListView* icons, const IconLayouts& layouts) {
  Report = report;
  Icons = icons;
  Layouts = layouts;
  Icons->setWrapping(true);
  Icons->setMovement(QListView::Static);
  Icons->setResizeMode(QListView::Adjust);
  Icons->setUniformItemSizes(true);
  if (indexOf(Report) < 0) addWidget(Report);
  if (indexOf(Icons) < 0) addWidget(Icons);
  setCurrentWidget(Report);
}

int FolderView::ShortNameWidth(const QWidget& widget, int iconWidth) {
  // The item's margins and the gap between icon and text, with room to spare.
  constexpr int kMargins = 20;
  return QFontMetrics(widget.font()).horizontalAdvance(QStringLiteral("WWWWWWWW.WWW")) + iconWidth +
         kMargins;
}

QAbstractItemView* FolderView::ActiveView() const {
  return CurrentStyle == ViewStyle::Report ? static_cast<QAbstractItemView*>(Report)
                                           : static_cast<QAbstractItemView*>(Icons);
}

QModelIndex FolderView::ScrollTarget() const {
  const QItemSelectionModel* selection = Report->selectionModel();
  return selection ? selection->currentIndex() : QModelIndex();
}

void FolderView::SetViewStyle(ViewStyle style) {
  const bool hadFocus = currentWidget() && currentWidget()->hasFocus();
  CurrentStyle = style;
  if (style != ViewStyle::Report) {
    const IconLayout& layout = Layouts[static_cast<size_t>(style)];
    Icons->setViewMode(layout.Mode);
    Icons->setIconSize(layout.IconSize);
    Icons->setGridSize(layout.GridSize);
    Icons->setWordWrap(layout.WordWrap);
    Icons->setFlow(layout.Flow);
    // Set again after the mode, as the panes always did.
    Icons->setWrapping(true);
    Icons->setMovement(QListView::Static);
    Icons->setResizeMode(QListView::Adjust);
  }
  QAbstractItemView* shown = ActiveView();
  setCurrentWidget(shown);
  if (hadFocus) shown->setFocus();
  const QModelIndex target = ScrollTarget();
  if (target.isValid()) shown->scrollTo(target);
}
