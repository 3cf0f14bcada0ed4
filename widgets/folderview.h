#pragma once
// FolderView: one folder's list in four view styles over one model and one
// selection - large icons, small icons and list in a QListView, report in a
// QTreeView - stacked so that one of them shows. The local pane and the
// device pane both use it.
//
// Principles of operation
// - The pane makes the two views (in code or in its form) and hands them
//   over once (SetViews), with how its icon view looks in each icon style
//   (IconLayouts): its own icon and grid sizes, flow and word wrap.
// - SetViewStyle shows the style's view, keeps the keyboard focus where it
//   was (on the list), and scrolls the item the selection is at
//   (ScrollTarget) into view. The icon view wraps, keeps its items in place
//   and lays them out again when resized, in every icon style.
// - The views share the model and the selection; the pane sets them.
// - Main thread only.

#include <QListView>
#include <QModelIndex>
#include <QSize>
#include <QStackedWidget>
#include <array>

class QAbstractItemView;
class QTreeView;

class FolderView : public QStackedWidget {
  Q_OBJECT

 public:
  enum class ViewStyle { LargeIcons, SmallIcons, List, Report };

  // How the icon view looks in one icon style.
  struct IconLayout {
    QListView::ViewMode Mode = QListView::ListMode;
    QSize IconSize;
    QSize GridSize;  // empty: none
    QListView::Flow Flow = QListView::LeftToRight;
    bool WordWrap = false;
  };
  // Large icons, small icons, list.
  using IconLayouts = std::array<IconLayout, 3>;

  explicit FolderView(QWidget* parent = nullptr);

  // The views, once; report shows first.
  void SetViews(QTreeView* report, QListView* icons, const IconLayouts& layouts);

  void SetViewStyle(ViewStyle style);

  // The width a name column or an icon's cell needs to show any 8.3 name
  // whole ("WWWWWWWW.WWW", the widest there is) beside an icon of iconWidth
  // in the widget's font: a short name is never cut, at any text scale.
  static int ShortNameWidth(const QWidget& widget, int iconWidth);
  ViewStyle Style() const { return CurrentStyle; }
  QAbstractItemView* ActiveView() const;
  QTreeView* ReportView() const { return Report; }
  QListView* IconView() const { return Icons; }

 protected:
  // The item a change of style scrolls into view: the selection's current
  // one.
  virtual QModelIndex ScrollTarget() const;

 private:
  QTreeView* Report = nullptr;
  QListView* Icons = nullptr;
  IconLayouts Layouts{};
  ViewStyle CurrentStyle = ViewStyle::Report;
};
