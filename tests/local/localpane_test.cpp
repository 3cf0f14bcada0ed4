// The local pane offscreen: navigation, keys, sorting, the context menu's
// refresh, views and the status bar.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include "local/localitemdelegate.h"
#include "local/localpane.h"
#include "tests/local/localtesttree.h"
#include "tests/support/scripteddialogs.h"

namespace {

class LocalPaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Pane = std::make_unique<LocalPane>(Tree.Places());
    Pane->SetDialogs(&Dialogs, &Dialogs);
    Pane->SetUrlOpener([this](const QUrl& url) {
      Opened << url.toLocalFile();
      return true;
    });
    Pane->resize(420, 400);
    Pane->show();
  }

  QStringList Names() const {
    QStringList names;
    for (int row = 0; row < Pane->FolderModel().ItemCount(); ++row) names << Pane->FolderModel().ItemAt(row).Name;
    return names;
  }
  int RowOf(const QString& name) const { return static_cast<int>(Names().indexOf(name)); }
  void Select(int row) {
    Pane->ActiveView()->selectionModel()->setCurrentIndex(
        Pane->FolderModel().index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(Pane->ActiveView(), static_cast<Qt::Key>(key), modifiers);
  }
  QTreeView* Report() const { return Pane->findChild<QTreeView*>("lstviewLocalReport"); }
  QComboBox* PathBox() const { return Pane->findChild<QComboBox*>("cbxLocal"); }

  LocalTestTree Tree;
  ScriptedDialogs Dialogs;
  QStringList Opened;
  std::unique_ptr<LocalPane> Pane;
};

TEST_F(LocalPaneTest, startsAtTheComputerInReportViewWithThePathBoxTextSelected) {
  ASSERT_TRUE(Pane->Start());
  EXPECT_EQ(Pane->CurrentId(), Pane->FolderModel().ComputerId());
  EXPECT_EQ(PathBox()->currentText(), "Computer");
  EXPECT_EQ(PathBox()->lineEdit()->selectedText(), "Computer");
  EXPECT_EQ(Pane->CurrentViewStyle(), LocalPane::ViewStyle::Report);
  EXPECT_TRUE(Pane->findChild<QAction*>("tbtnLocalDtIcon")->isChecked());
}

TEST_F(LocalPaneTest, navigatesByDoubleClickEnterBackspaceAndStopsAtTheComputer) {
  Tree.File("sub/inner.txt");
  Tree.File("file.txt");
  ASSERT_TRUE(Pane->OpenFolder(Tree.Root));

  // A file does nothing.
  emit Report()->doubleClicked(Pane->FolderModel().index(RowOf("file.txt"), 0));
  EXPECT_EQ(Pane->CurrentId(), Tree.Root);

  emit Report()->doubleClicked(Pane->FolderModel().index(RowOf("sub"), 0));
  EXPECT_EQ(Pane->CurrentId(), Tree.Path("sub"));
  EXPECT_TRUE(Pane->SelectedRows().empty()) << "opening a folder clears the selection";

  Key(Qt::Key_Backspace);
  EXPECT_EQ(Pane->CurrentId(), Tree.Root);
  EXPECT_TRUE(Pane->SelectedRows().empty());
  EXPECT_EQ(Pane->ActiveView()->currentIndex().row(), RowOf("sub")) << "the focus mark is on the folder we left";
  Select(RowOf("sub"));
  Key(Qt::Key_Return);
  EXPECT_EQ(Pane->CurrentId(), Tree.Path("sub"));

  Key(Qt::Key_Backspace);
  Key(Qt::Key_Backspace);  // home is a top folder: up to the computer
  EXPECT_EQ(Pane->CurrentId(), Pane->FolderModel().ComputerId());
  Key(Qt::Key_Backspace);  // and no further
  EXPECT_EQ(Pane->CurrentId(), Pane->FolderModel().ComputerId());
  EXPECT_TRUE(Dialogs.Messages.empty());
}

// A header click sorts by the column, a second turns the order round
// (folders stay first); refresh and navigation keep the order chosen.
TEST_F(LocalPaneTest, columnClicksSortBothWaysAndEveryFolderShownKeepsTheOrder) {
  Tree.File("a.txt", 3000);
  Tree.File("b.txt", 10);
  Tree.File("c.txt", 200);
  Tree.Folder("sub");
  ASSERT_TRUE(Pane->OpenFolder(Tree.Root));
  const struct {
    const char* Then;
    QStringList Rows;
    Qt::SortOrder Arrow;
  } steps[] = {
      {"first click", {"sub", "b.txt", "c.txt", "a.txt"}, Qt::AscendingOrder},
      {"second click", {"sub", "a.txt", "c.txt", "b.txt"}, Qt::DescendingOrder},
      {"refresh", {"sub", "a.txt", "c.txt", "b.txt"}, Qt::DescendingOrder},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.Then);
    if (QByteArray(step.Then) == "refresh")
      Pane->findChild<QAction*>("tbtnLocalRefresh")->trigger();
    else
      emit Report()->header()->sectionClicked(LocalFolderModel::kSizeColumn);
    EXPECT_EQ(Names(), step.Rows);
    EXPECT_EQ(Report()->header()->sortIndicatorSection(), LocalFolderModel::kSizeColumn);
    EXPECT_EQ(Report()->header()->sortIndicatorOrder(), step.Arrow);
  }
  EXPECT_TRUE(Pane->SelectedRows().empty()) << "refresh clears the selection";
  EXPECT_EQ(Pane->findChild<QLabel*>("stabarLocalSelection")->text(), "");
  EXPECT_EQ(Pane->findChild<QLabel*>("stabarLocalPanel0")->text(), "4 object(s)");
  EXPECT_EQ(Pane->findChild<QLabel*>("stabarLocalPanel1")->text(), "3.1 KB");
  Select(RowOf("a.txt"));
  EXPECT_EQ(Pane->findChild<QLabel*>("stabarLocalSelection")->text(), "") << "one row shows its own size";
  Report()->selectAll();
  EXPECT_EQ(Pane->findChild<QLabel*>("stabarLocalSelection")->text(), "4 selected, 3.1 KB");
  const QModelIndex size = Pane->FolderModel().index(RowOf("a.txt"), LocalFolderModel::kSizeColumn);
  EXPECT_EQ(size.data(Qt::ToolTipRole).toString(), QLocale().toString(3000) + " bytes");

  ASSERT_TRUE(Pane->OpenFolder(Tree.Path("sub")));
  EXPECT_EQ(Report()->header()->sortIndicatorOrder(), Qt::DescendingOrder) << "navigation keeps it";
}

TEST_F(LocalPaneTest, contextCommandsRefreshKeepingTheChosenSortAndRow) {
  Tree.File("a.txt", 1);
  Tree.File("b.png", 2);
  Tree.File("c.txt", 3);
  Tree.File("d.png", 4);
  ASSERT_TRUE(Pane->OpenFolder(Tree.Root));
  emit Report()->header()->sectionClicked(LocalFolderModel::kTypeColumn);
  const QStringList byType = Names();
  Select(2);
  QSignalSpy resets(&Pane->FolderModel(), &QAbstractItemModel::modelReset);

  Pane->RunMenuCommand(LocalPane::MenuCommand::Properties);
  ASSERT_EQ(Dialogs.Texts(ScriptedDialogs::Message::Information).size(), 1);
  EXPECT_TRUE(Dialogs.Messages.back().Text.contains(Tree.Path(byType[2])));
  EXPECT_EQ(resets.count(), 1) << "the folder is read again";
  EXPECT_EQ(Names(), byType);
  EXPECT_EQ(Pane->FolderModel().SortedColumn(), LocalFolderModel::kTypeColumn);
  EXPECT_EQ(Pane->SelectedRows(), std::vector<int>{2});

  // A rename through the prompt, then the same order and row.
  Select(2);
  const QString old = byType[2];
  Dialogs.NameAnswers.push_back(QStringLiteral("renamed-") + old);
  Pane->RunMenuCommand(LocalPane::MenuCommand::Rename);
  EXPECT_TRUE(QFileInfo::exists(Tree.Path("renamed-" + old)));
  EXPECT_EQ(Pane->FolderModel().SortedColumn(), LocalFolderModel::kTypeColumn);
  EXPECT_EQ(Pane->SelectedRows(), std::vector<int>{2});

  // Copy Path takes every selected row.
  Pane->ActiveView()->selectAll();
  Pane->RunMenuCommand(LocalPane::MenuCommand::CopyPath);
  EXPECT_EQ(QGuiApplication::clipboard()->text().split('\n').size(), 4);
}

TEST_F(LocalPaneTest, deleteAsksFirstAndAVanishedItemHasNoMenu) {
  const QString doomed = Tree.File("doomed.txt", 5);
  Tree.File("other.txt", 5);
  qputenv("XDG_DATA_HOME", QFile::encodeName(Tree.Folder(".xdg")));
  ASSERT_TRUE(Pane->OpenFolder(Tree.Root));
  Select(RowOf("doomed.txt"));

  Dialogs.YesNoAnswers = {false};
  Pane->RunMenuCommand(LocalPane::MenuCommand::Delete);
  EXPECT_TRUE(QFileInfo::exists(doomed));
  EXPECT_TRUE(Dialogs.Messages.back().Text.contains("doomed.txt"));

  Select(RowOf("doomed.txt"));
  Dialogs.YesNoAnswers = {true, true};  // trash, and for good if there is no trash
  Pane->RunMenuCommand(LocalPane::MenuCommand::Delete);
  EXPECT_FALSE(QFileInfo::exists(doomed));
  EXPECT_EQ(Names(), QStringList{"other.txt"});
  qunsetenv("XDG_DATA_HOME");

  // Gone behind the pane's back: the menu cannot be offered.
  Select(0);
  ASSERT_TRUE(QFile::remove(Tree.Path("other.txt")));
  Pane->RunMenuCommand(LocalPane::MenuCommand::Properties);
  EXPECT_EQ(Dialogs.Warnings(), QStringList{"Unable to get context menu interface."});
}

TEST_F(LocalPaneTest, openingAFileUsesTheDesktopAndAFolderNavigates) {
  Tree.File("sub/x");
  const QString file = Tree.File("readme.txt");
  ASSERT_TRUE(Pane->OpenFolder(Tree.Root));
  Select(RowOf("readme.txt"));
  Pane->RunMenuCommand(LocalPane::MenuCommand::Open);
  EXPECT_EQ(Opened, QStringList{file});
  Select(RowOf("sub"));
  Pane->RunMenuCommand(LocalPane::MenuCommand::Open);
  EXPECT_EQ(Pane->CurrentId(), Tree.Path("sub"));
}

TEST_F(LocalPaneTest, pathBoxOpensTypedPathsAndHistoryAndReportsErrors) {
  Tree.Folder("a");
  Tree.Folder("b");
  ASSERT_TRUE(Pane->OpenFolder(Tree.Path("a")));
  ASSERT_TRUE(Pane->OpenFolder(Tree.Path("b")));
  EXPECT_EQ(PathBox()->count(), 2);

  PathBox()->setEditText(Tree.Path("missing"));
  QTest::keyClick(PathBox()->lineEdit(), Qt::Key_Return);
  ASSERT_EQ(Dialogs.Errors().size(), 1);
  EXPECT_TRUE(Dialogs.Errors()[0].contains("No such file or directory"));
  EXPECT_EQ(Pane->CurrentId(), Tree.Path("b"));

  PathBox()->setEditText(Tree.Path("a"));
  QTest::keyClick(PathBox()->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(Pane->CurrentId(), Tree.Path("a"));
  EXPECT_EQ(PathBox()->count(), 2) << "a folder already in the history is not added twice";
  EXPECT_EQ(PathBox()->currentIndex(), 1);

  Dialogs.FileAnswers.push_back(Tree.Path("b"));
  Pane->findChild<QAction*>("tbtnLocalOpenDir")->trigger();
  EXPECT_EQ(Pane->CurrentId(), Tree.Path("b"));
  Pane->findChild<QAction*>("tbtnLocalOpenDir")->trigger();  // cancelled
  EXPECT_EQ(Pane->CurrentId(), Tree.Path("b"));

  QTest::keyClick(PathBox()->lineEdit(), Qt::Key_Down);
  EXPECT_TRUE(PathBox()->view()->isVisible()) << "down arrow drops the history down";
  PathBox()->hidePopup();
}

TEST_F(LocalPaneTest, viewsSwitchWithoutReadingAgainAndOnlyVisibleRowsGetDetails) {
  for (int i = 0; i < 2000; ++i) Tree.File(QStringLiteral("f/file%1.txt").arg(i, 4, 10, QLatin1Char('0')));
  ASSERT_TRUE(Pane->OpenFolder(Tree.Path("f")));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Pane.get()));
  Report()->viewport()->repaint();
  const int detailed = Pane->FolderModel().DetailedCount();
  EXPECT_GT(detailed, 5) << "the rows on screen have their details";
  EXPECT_LT(detailed, 200) << "only the rows on screen";

  Select(5);
  QSignalSpy resets(&Pane->FolderModel(), &QAbstractItemModel::modelReset);
  for (auto style : {LocalPane::ViewStyle::LargeIcons, LocalPane::ViewStyle::SmallIcons,
                     LocalPane::ViewStyle::List, LocalPane::ViewStyle::Report}) {
    Pane->SetViewStyle(style);
    Pane->ActiveView()->viewport()->repaint();
    EXPECT_EQ(Pane->SelectedRows(), std::vector<int>{5});
  }
  EXPECT_EQ(resets.count(), 0);
  EXPECT_LT(Pane->FolderModel().DetailedCount(), 600);

  // Selecting everything hands over full sizes and paths without details.
  Pane->ActiveView()->selectAll();
  const auto items = Pane->SelectedItems();
  ASSERT_EQ(items.size(), 2000u);
  EXPECT_EQ(items[1999].Path, Tree.Path("f/file1999.txt"));
}

TEST_F(LocalPaneTest, attributeColoursMarkTheNameOnly) {
  const QPalette palette = QApplication::palette();
  const QColor normal = palette.color(QPalette::Text);
  const QColor grey = palette.color(QPalette::Disabled, QPalette::Text);
  const struct {
    uint32_t Bits;
    QColor Colour;
    bool StrikeOut;
  } cases[] = {{0, normal, false},
               {PaneItem::kReadOnly, grey, false},
               {PaneItem::kHidden, normal, true},
               {PaneItem::kReadOnly | PaneItem::kSystem, palette.color(QPalette::Highlight), false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Bits);
    QStyleOptionViewItem item;
    item.palette = palette;
    LocalItemDelegate::ApplyAttributes(item, c.Bits);
    EXPECT_EQ(item.palette.color(QPalette::Text), c.Colour);
    EXPECT_EQ(item.font.strikeOut(), c.StrikeOut);
  }
  QFile::setPermissions(Tree.File("locked.txt", 5), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
  ASSERT_TRUE(Pane->OpenFolder(Tree.Root));
  struct Probe : LocalItemDelegate {
    QColor TextOf(const QModelIndex& index) const {
      QStyleOptionViewItem option;
      option.palette = QApplication::palette();
      initStyleOption(&option, index);
      return option.palette.color(QPalette::Text);
    }
  } probe;
  const auto& model = Pane->FolderModel();
  EXPECT_EQ(probe.TextOf(model.index(0, 0)), grey);
  for (int column = 1; column < LocalFolderModel::kColumnCount; ++column)
    EXPECT_EQ(probe.TextOf(model.index(0, column)), normal) << "column " << column;
}

}  // namespace
