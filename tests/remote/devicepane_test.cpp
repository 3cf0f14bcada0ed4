// The device pane widget offscreen against the simulator.
#include "remote/devicepane.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QComboBox>
#include <QPushButton>
#include <functional>
#include <QHeaderView>
#include <QLabel>
#include <QFontMetrics>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include "link/jobs/jobrunner.h"
#include "remote/deviceitemmodel.h"
#include "remote/devicelistview.h"
#include "remote/devicetextviewer.h"
#include "tests/remote/remotesim.h"
#include "tests/support/jobloop.h"

namespace {

class DevicePaneTest : public RemoteSimTest {
 protected:
  void SetUp() override {
    RemoteSimTest::SetUp();
    Pane.Browser().Lister().SetTimeouts(FastTimeouts());
    Pane.resize(420, 320);
  }

  template <typename T>
  T* Child(const char* name) {
    T* child = Pane.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  QString Panel(int index) {
    return Child<QLabel>(index == 0 ? "stabarTaloPanel0" : "stabarTaloPanel1")->text();
  }
  int Row(const QString& name) {
    const auto& items = Pane.Browser().DeviceItems();
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i].Name == name) return static_cast<int>(i);
    return -1;
  }
  QWidget* ReportViewport() { return Pane.ListView()->ReportView()->viewport(); }

  DevicePane Pane{Shell};
};

TEST_F(DevicePaneTest, portChangeListsTheRootIntoListPathBoxAndStatusBar) {
  Sim().PutFile("\\AUTORUN.BAT", std::string(1024, 'a'));
  Sim().MakeDir("\\DATA");
  QAbstractItemModelTester tester(&Pane.Model(),
                                  QAbstractItemModelTester::FailureReportingMode::Fatal);
  Pane.PortChanged();
  EXPECT_EQ(Pane.Model().rowCount(), 2);
  EXPECT_EQ(Pane.Model().data(Pane.Model().index(0, DeviceItemModel::kName)).toString(), "DATA");
  EXPECT_EQ(Pane.Model().data(Pane.Model().index(0, DeviceItemModel::kSize)).toString(), "");
  EXPECT_EQ(Pane.Model().data(Pane.Model().index(1, DeviceItemModel::kSize)).toString(), "1KB");
  EXPECT_FALSE(Pane.Model()
                   .data(Pane.Model().index(1, DeviceItemModel::kName), Qt::DecorationRole)
                   .value<QIcon>()
                   .isNull());
  EXPECT_EQ(Pane.ListView()->SelectedRow(), 0);  // a port change selects the first row
  EXPECT_EQ(Child<QComboBox>("cbxTalo")->currentText(), "\\");
  EXPECT_EQ(Pane.PathBoxText(), "\\");
  EXPECT_EQ(Panel(0), "2 object(s)");
  EXPECT_TRUE(Panel(1).startsWith("1.0 KB(")) << Panel(1).toStdString();
  EXPECT_EQ(Pane.DeviceFreeBytes(), Sim().FreeBytes());
  EXPECT_EQ(Pane.ListView()->ReportView()->header()->sortIndicatorSection(), 0);
}

TEST_F(DevicePaneTest, keysAndDoubleClickNavigateAndRunPrograms) {
  Sim().MakeDir("\\DATA");
  Sim().PutFile("\\DATA\\PROG.EXE", "MZ");
  Pane.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Pane));
  Pane.PortChanged();
  QSignalSpy run(&Pane, &DevicePane::RunProgramRequested);
  QTreeView* report = Pane.ListView()->ReportView();

  Pane.ListView()->SelectRow(Row("DATA"));
  QTest::keyClick(report, Qt::Key_Return);
  EXPECT_EQ(Pane.DevicePath(), "\\DATA");
  EXPECT_EQ(Pane.ListView()->SelectedRow(), -1);

  // A file runs in the terminal, in the folder the listing left current.
  const size_t commandsBefore = Sim().Commands().size();
  const QRect cell = report->visualRect(Pane.Model().index(Row("PROG.EXE"), 0));
  QTest::mouseClick(report->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(report->viewport(), Qt::LeftButton, {}, cell.center());
  ASSERT_EQ(run.count(), 1);
  EXPECT_EQ(run.takeFirst().at(0).toString(), "PROG.EXE");
  EXPECT_EQ(Sim().Commands().size(), commandsBefore);

  QTest::keyClick(report, Qt::Key_Backspace);
  EXPECT_EQ(Pane.DevicePath(), "\\");
  EXPECT_EQ(Child<QComboBox>("cbxTalo")->count(), 2);
}

// A header click sorts by the column; a second click turns the order round
// (folders stay first), shown by the header's arrow; the next listing keeps it.
TEST_F(DevicePaneTest, headerClicksSortBothWaysFoldersFirstAndListingsKeepTheOrder) {
  Sim().PutFile("\\B.DAT", std::string(900, 'b'));
  Sim().PutFile("\\A.DAT", std::string(1900, 'a'));
  Sim().MakeDir("\\Z");
  Pane.PortChanged();
  QHeaderView* header = Pane.ListView()->ReportView()->header();
  const int x = header->sectionViewportPosition(DeviceItemModel::kSize) + 10;
  const struct {
    const char* Then;
    QStringList Rows;
    Qt::SortOrder Arrow;
  } steps[] = {
      {"first click", {"Z", "B.DAT", "A.DAT"}, Qt::AscendingOrder},
      {"second click", {"Z", "A.DAT", "B.DAT"}, Qt::DescendingOrder},
      {"refresh", {"Z", "A.DAT", "B.DAT"}, Qt::DescendingOrder},
      {"third click", {"Z", "B.DAT", "A.DAT"}, Qt::AscendingOrder},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.Then);
    if (QByteArray(step.Then) == "refresh")
      Pane.Browser().RefreshKeepingView();
    else
      QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    for (int row = 0; row < step.Rows.size(); ++row) EXPECT_EQ(Row(step.Rows[row]), row);
    EXPECT_EQ(header->sortIndicatorSection(), DeviceItemModel::kSize);
    EXPECT_EQ(header->sortIndicatorOrder(), step.Arrow);
  }
  // The size column's tip gives the exact figure; the status bar sums up the selection.
  const QModelIndex size = Pane.Model().index(Row("A.DAT"), DeviceItemModel::kSize);
  EXPECT_EQ(size.data(Qt::ToolTipRole).toString(), QLocale().toString(1900) + " bytes");
  Pane.ListView()->ReportView()->selectAll();
  EXPECT_EQ(Child<QLabel>("stabarTaloSelection")->text(), "3 selected, 2.7 KB");
}

// An 8.3 name is never cut, in any view style: the widest there is gets a
// cell as wide as its text (and its icon beside it, where the icon is beside).
TEST_F(DevicePaneTest, theWidestShortNameFitsItsCellInEveryViewStyle) {
  Sim().PutFile("\\A.TXT", "a");
  Sim().PutFile("\\WWWWWWWW.WWW", "w");
  Pane.PortChanged();
  Pane.resize(800, 600);
  Pane.show();
  DeviceListView* list = Pane.ListView();
  const QString name = QStringLiteral("WWWWWWWW.WWW");
  const struct {
    FolderView::ViewStyle Style;
    int IconBeside;
  } styles[] = {{FolderView::ViewStyle::LargeIcons, 0},
                {FolderView::ViewStyle::SmallIcons, 16},
                {FolderView::ViewStyle::List, 16},
                {FolderView::ViewStyle::Report, 16}};
  for (const auto& c : styles) {
    SCOPED_TRACE(static_cast<int>(c.Style));
    list->SetViewStyle(c.Style);
    QCoreApplication::processEvents();
    QAbstractItemView* view = list->ActiveView();
    const int width = view->visualRect(Pane.Model().index(Row(name), 0)).width();
    EXPECT_GE(width, QFontMetrics(view->font()).horizontalAdvance(name) + c.IconBeside);
  }
}

// Shift and Ctrl select several rows; a header click sorts the rows held,
// without a listing, and the selection goes with its items; Delete then
// asks once for all, and the entries for one item are off.
TEST_F(DevicePaneTest, severalRowsStaySelectedThroughASortAndAreDeletedTogether) {
  Sim().PutFile("\\B.DAT", std::string(900, 'b'));
  Sim().PutFile("\\A.DAT", std::string(1900, 'a'));
  Sim().PutFile("\\C.DAT", std::string(100, 'c'));
  Sim().MakeDir("\\Z");
  QAbstractItemModelTester tester(&Pane.Model(),
                                  QAbstractItemModelTester::FailureReportingMode::Fatal);
  Pane.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Pane));
  Pane.PortChanged();
  QTreeView* report = Pane.ListView()->ReportView();
  for (const auto& [name, keys] : {std::pair{"Z", Qt::NoModifier}, {"B.DAT", Qt::ShiftModifier},
                                   {"Z", Qt::ControlModifier}}) {
    const QRect cell = report->visualRect(Pane.Model().index(Row(name), 0));
    QTest::mouseClick(report->viewport(), Qt::LeftButton, keys, cell.center());
  }
  const size_t commands = Sim().Commands().size();
  QHeaderView* header = report->header();
  const int x = header->sectionViewportPosition(DeviceItemModel::kSize) + 10;
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  EXPECT_EQ(Sim().Commands().size(), commands) << "sorted without a listing";
  EXPECT_EQ(Row("Z"), 0);
  EXPECT_EQ(Row("C.DAT"), 1);
  EXPECT_EQ(Row("A.DAT"), 3);
  EXPECT_EQ(header->sortIndicatorSection(), DeviceItemModel::kSize);
  EXPECT_EQ(Pane.ListView()->SelectedRows(), QList<int>({Row("B.DAT"), Row("A.DAT")}));

  Pane.RefreshMenuItems();
  EXPECT_TRUE(Child<QAction>("Properities1")->isEnabled());
  for (const char* one : {"Rename1", "SetToAutoRun1", "MakeDirectory1"})
    EXPECT_FALSE(Child<QAction>(one)->isEnabled()) << one;
  QTest::keyClick(report, Qt::Key_Delete);
  EXPECT_EQ(Dialogs.Questions(), QStringList{"Delete 2 items from the TALO-7100?"});
  EXPECT_FALSE(Sim().Exists("\\A.DAT") || Sim().Exists("\\B.DAT"));
  EXPECT_EQ(Pane.Model().rowCount(), 2);
}

TEST_F(DevicePaneTest, contextMenuEnablesBySelectionAndDeleteKeepsTheRow) {
  Sim().MakeDir("\\DIR");
  Sim().PutFile("\\A.TXT", "a");
  Sim().PutFile("\\B.EXE", "b");
  Sim().PutFile("\\C.TXT", "c");
  Pane.PortChanged();
  auto enabled = [this](const char* name) { return Child<QAction>(name)->isEnabled(); };

  Pane.ListView()->SelectRow(-1);
  Pane.RefreshMenuItems();
  EXPECT_TRUE(enabled("MakeDirectory1"));
  EXPECT_FALSE(enabled("Delete1") || enabled("Rename1") || enabled("SetToAutoRun1"));
  EXPECT_FALSE(enabled("TALOCopy1") || enabled("TALOPaste1"));

  Pane.ListView()->SelectRow(Row("B.EXE"));
  Pane.RefreshMenuItems();
  EXPECT_TRUE(enabled("Delete1") && enabled("Rename1") && enabled("SetToAutoRun1"));
  EXPECT_FALSE(enabled("MakeDirectory1"));

  Pane.ListView()->SelectRow(Row("A.TXT"));
  Pane.RefreshMenuItems();
  EXPECT_TRUE(enabled("Rename1"));
  EXPECT_FALSE(enabled("SetToAutoRun1"));

  Pane.ListView()->SelectRow(Row("DIR"));
  Pane.RefreshMenuItems();
  EXPECT_TRUE(enabled("Delete1") && enabled("Properities1"));
  EXPECT_FALSE(enabled("Rename1") || enabled("SetToAutoRun1") || enabled("MakeDirectory1"));

  // The last row goes: the selection moves to the new last row.
  Pane.ListView()->SelectRow(Row("C.TXT"));
  Pane.RefreshMenuItems();
  Dialogs.YesNoAnswers = {true};
  Child<QAction>("Delete1")->trigger();
  EXPECT_FALSE(Sim().Exists("\\C.TXT"));
  EXPECT_EQ(Pane.Model().rowCount(), 3);
  EXPECT_EQ(Pane.ListView()->SelectedRow(), 2);
}

// After Rename and Make Directory the list re-sorts: the highlight goes with
// the renamed file and the new folder, so a Delete that follows aims at them.
// F2, Delete and F5 work as in the local pane, under the menu's rules.
TEST_F(DevicePaneTest, selectionFollowsTheChangedItemAndKeysRunTheMenu) {
  for (const char* name : {"\\A.TXT", "\\B.TXT", "\\C.TXT", "\\Z.TXT"}) Sim().PutFile(name, "x");
  Pane.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Pane));
  Pane.PortChanged();
  QTreeView* report = Pane.ListView()->ReportView();
  const auto selected = [this] {
    const PaneItem* item = Pane.SelectedItem();
    return item ? item->Name.toStdString() : std::string("(none)");
  };

  Pane.ListView()->SelectRow(Row("A.TXT"));
  Dialogs.NameAnswers = {QString("y.txt")};
  QTest::keyClick(report, Qt::Key_F2);
  EXPECT_TRUE(Sim().Exists("\\Y.TXT"));
  EXPECT_EQ(selected(), "Y.TXT");

  // The menu was last opened on Z.TXT's row, now on empty space.
  Pane.ListView()->SelectRow(Row("Z.TXT"));
  Pane.RefreshMenuItems();
  Pane.ListView()->SelectRow(-1);
  Pane.RefreshMenuItems();
  Dialogs.NameAnswers = {QString("new")};
  Child<QAction>("MakeDirectory1")->trigger();
  EXPECT_EQ(selected(), "NEW");
  const int prompts = Dialogs.NamePrompts.size();
  QTest::keyClick(report, Qt::Key_F2);
  EXPECT_EQ(Dialogs.NamePrompts.size(), prompts) << "a folder is not renamed";

  Pane.ListView()->SelectRow(Row("C.TXT"));
  Dialogs.YesNoAnswers = {false, true};
  QTest::keyClick(report, Qt::Key_Delete);
  EXPECT_TRUE(Sim().Exists("\\C.TXT")) << "No keeps the file";
  QTest::keyClick(report, Qt::Key_Delete);
  EXPECT_FALSE(Sim().Exists("\\C.TXT"));
  EXPECT_EQ(Dialogs.Questions().size(), 2);
  EXPECT_EQ(selected(), "Y.TXT") << "after a delete the next item takes the row";

  Sim().PutFile("\\D.TXT", "x");
  QTest::keyClick(report, Qt::Key_F5);
  EXPECT_GE(Row("D.TXT"), 0);
  EXPECT_EQ(selected(), "(none)");
}

TEST_F(DevicePaneTest, detailsAreLookedUpOnlyForRowsThatShow) {
  for (int i = 0; i < 60; ++i) Sim().PutFile("\\F" + std::to_string(100 + i) + ".TXT", "x");
  Pane.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Pane));
  Pane.PortChanged();
  QCoreApplication::processEvents();
  Pane.repaint();
  int looked = 0;
  for (const PaneItem& item : Pane.Browser().DeviceItems()) looked += item.DetailsPending ? 0 : 1;
  EXPECT_GT(looked, 0);
  EXPECT_LT(looked, 60);
}

TEST_F(DevicePaneTest, viewButtonsSwitchViewsKeepingTheSelection) {
  Sim().PutFile("\\A.TXT", "a");
  Sim().PutFile("\\B.TXT", "b");
  Pane.PortChanged();
  Pane.ListView()->SelectRow(1);
  Child<QAction>("tbtnTaloLgIcon")->trigger();
  EXPECT_EQ(Pane.ListView()->currentWidget(), Pane.ListView()->IconView());
  EXPECT_EQ(Pane.ListView()->IconView()->viewMode(), QListView::IconMode);
  EXPECT_EQ(Pane.ListView()->SelectedRow(), 1);
  EXPECT_FALSE(Child<QAction>("tbtnTaloDtIcon")->isChecked());
  Child<QAction>("tbtnTaloDtIcon")->trigger();
  EXPECT_EQ(Pane.ListView()->currentWidget(), Pane.ListView()->ReportView());
}

TEST_F(DevicePaneTest, pathBoxOpensItsHistoryAndIgnoresTyping) {
  Sim().MakeDir("\\DATA");
  Pane.PortChanged();
  Pane.Browser().OpenItem(Row("DATA"));
  QComboBox* box = Child<QComboBox>("cbxTalo");
  ASSERT_EQ(box->count(), 2);
  EXPECT_EQ(box->currentText(), "\\DATA");
  QTest::keyClicks(box, "\\");
  EXPECT_EQ(Pane.DevicePath(), "\\DATA");
  emit box->activated(box->findText("\\"));
  EXPECT_EQ(Pane.DevicePath(), "\\");
  EXPECT_EQ(box->currentText(), "\\");
}

TEST_F(DevicePaneTest, viewAndDoubleClickOnATextFileShowItsTextAskingFirstWhenLarge) {
  Sim().MakeDir("\\CONF");
  Sim().PutFile("\\CONF\\SOCKET.CFG", "ip ttl 64\r\n" + std::string(60, '\0'));
  Sim().PutFile("\\CONF\\BIG.LOG", std::string(70 * 1024, 'x'));
  Pane.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Pane));
  QStringList shown;
  Pane.SetTextView([&](const QString& name, const QByteArray& text, const std::optional<QByteArray>&) {
    shown.append(name + ':' + QString::fromLatin1(text));
  });
  Pane.Browser().OpenDeviceFolder("\\CONF");
  QSignalSpy run(&Pane, &DevicePane::RunProgramRequested);
  QAction* view = Child<QAction>("View1");

  Pane.ListView()->SelectRow(-1);
  Pane.RefreshMenuItems();
  EXPECT_FALSE(view->isEnabled());
  Pane.ListView()->SelectRow(Row("SOCKET.CFG"));
  Pane.RefreshMenuItems();
  ASSERT_TRUE(view->isEnabled());
  view->trigger();
  EXPECT_EQ(shown, QStringList({"SOCKET.CFG:ip ttl 64\r\n"}));

  // Double-click on a text file views it; a large one only after Yes.
  QTreeView* report = Pane.ListView()->ReportView();
  Dialogs.YesNoAnswers = {false};
  const QRect cell = report->visualRect(Pane.Model().index(Row("BIG.LOG"), 0));
  QTest::mouseClick(report->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(report->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(shown.size(), 1);
  ASSERT_EQ(Dialogs.Questions().size(), 1);
  EXPECT_TRUE(Dialogs.Questions().front().startsWith("BIG.LOG holds 71680 bytes")) << Dialogs.Questions().front().toStdString();
  EXPECT_EQ(run.count(), 0);
  EXPECT_EQ(CountRan("type D:\\CONF\\BIG.LOG"), 0u);
}

TEST(DeviceTextViewer, findsSavesTheBytesAsReadAndCopies) {
  ScriptedDialogs dialogs;
  const QByteArray bytes = "REM start\r\nD:\\SOCKETP.EXE\r\nrem end";
  DeviceTextViewer viewer("AUTORUN.BAT", bytes, bytes, dialogs, dialogs);
  QPlainTextEdit* text = viewer.TextEdit();
  EXPECT_TRUE(text->isReadOnly());
  EXPECT_EQ(text->toPlainText(), "REM start\nD:\\SOCKETP.EXE\nrem end");
  EXPECT_TRUE(viewer.FindText("rem"));
  EXPECT_TRUE(viewer.FindText("rem"));  // the next one, then round from the top
  EXPECT_EQ(text->textCursor().blockNumber(), 2);
  EXPECT_TRUE(viewer.FindText("rem"));
  EXPECT_EQ(text->textCursor().blockNumber(), 0);
  EXPECT_FALSE(viewer.FindText("FORMAT"));

  QTemporaryDir dir;
  const QString path = dir.filePath("AUTORUN.BAT");
  ASSERT_TRUE(viewer.SaveTo(path));
  QFile saved(path);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll(), bytes);
  EXPECT_FALSE(viewer.SaveTo(dir.filePath("none/x")));
  EXPECT_EQ(dialogs.Errors().size(), 1);
  // A text that is not the whole file is not saved as the file.
  DeviceTextViewer part("APPMAIN.EXE", "MZ", std::nullopt, dialogs, dialogs);
  EXPECT_FALSE(part.SaveTo(dir.filePath("APPMAIN.EXE")));
  EXPECT_FALSE(QFile::exists(dir.filePath("APPMAIN.EXE")));
  EXPECT_EQ(dialogs.Errors().size(), 2);

  text->moveCursor(QTextCursor::Start);
  viewer.CopyClick();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), text->toPlainText());
}

}  // namespace

// Device work from the event loop runs as a job: what the test sees of the
// pane while the controller pauses in the middle of its "dir".
class DevicePaneJobTest : public DevicePaneTest {
 protected:
  struct During {
    double LongestTickGapMs = 0;
    bool RefreshEnabled = true;
    bool ListEnabled = true;
    bool TerminalEnabled = true;
    bool CancelShown = false;
    bool Hourglass = false;
    bool DirInConsole = false;  // the exchange's lines came before it ended
  };

  // Starts start from the event loop with Faults in force (a controller
  // that pauses in its "dir" unless a test sets others), watches the pane
  // with a 10 ms timer and runs act once Trigger ("dir") is in the console;
  // returns when the job ended.
  During RunJob(const std::function<void()>& start, const std::function<void()>& act = {}) {
    Sim().SetFaults(Faults);
    During seen;
    bool acted = false;
    seen.LongestTickGapMs = RunJobInLoop(Shell.Jobs(), start, [&] {
      seen.RefreshEnabled = Child<QAction>("tbtnRefresh")->isEnabled();
      seen.ListEnabled = Pane.ListView()->isEnabled();
      seen.TerminalEnabled = Pane.TerminalAction()->isEnabled();
      seen.CancelShown = !Child<QPushButton>("btnTaloCancel")->isHidden();
      seen.Hourglass = Pane.cursor().shape() == Qt::WaitCursor;
      seen.DirInConsole = seen.DirInConsole || Console.Lines.contains(Trigger);
      if (seen.DirInConsole && act && !acted) {
        acted = true;
        act();
      }
    });
    Sim().SetFaults({});
    return seen;
  }

  static talosim::FaultPlan PauseInListing() {
    talosim::FaultPlan pause;
    pause.PauseListingMs = 600;
    return pause;
  }
  talosim::FaultPlan Faults = PauseInListing();
  QString Trigger = QStringLiteral("dir");
};

TEST_F(DevicePaneJobTest, listingRunsAsAJobWhileTheWindowStaysLive) {
  Sim().PutFile("\\A.TXT", "a");
  const During seen = RunJob([this] { Pane.PortChanged(); });
  EXPECT_FALSE(seen.RefreshEnabled);
  EXPECT_FALSE(seen.ListEnabled);
  EXPECT_FALSE(seen.TerminalEnabled);
  EXPECT_TRUE(seen.CancelShown);
  EXPECT_TRUE(seen.Hourglass);
  EXPECT_TRUE(seen.DirInConsole);
  // Far below the controller's 600 ms pause: the event loop was not held.
  EXPECT_LT(seen.LongestTickGapMs, 300.0);
  EXPECT_EQ(Pane.Browser().ItemCount(), 1);
  EXPECT_TRUE(Child<QAction>("tbtnRefresh")->isEnabled());
  EXPECT_TRUE(Child<QPushButton>("btnTaloCancel")->isHidden());
  EXPECT_NE(Pane.cursor().shape(), Qt::WaitCursor);
}

TEST_F(DevicePaneJobTest, stoppedListingSaysSoAndLeavesThePaneAsItWas) {
  Sim().PutFile("\\A.TXT", "a");
  Sim().MakeDir("\\DATA");
  Sim().PutFile("\\DATA\\B.TXT", "b");
  const std::pair<const char*, std::function<void()>> stops[] = {
      {"Cancel", [this] { Child<QPushButton>("btnTaloCancel")->click(); }},
      {"Esc", [this] { QTest::keyClick(Pane.ListView(), Qt::Key_Escape); }},
  };
  Pane.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Pane));
  for (const auto& [name, stop] : stops) {
    SCOPED_TRACE(name);
    Pane.PortChanged();  // inline: no loop runs here
    ASSERT_EQ(Pane.Browser().ItemCount(), 2);
    Dialogs.Messages.clear();
    RunJob([this] { Pane.Browser().OpenDeviceFolder(QStringLiteral("\\DATA")); },
           stop);
    EXPECT_EQ(Pane.Browser().DevicePath(), QStringLiteral("\\"));
    EXPECT_EQ(Pane.Browser().ItemCount(), 2);
    EXPECT_EQ(Console.Lines.value(Console.Lines.size() - 2), JobRunner::StoppedText());
    EXPECT_TRUE(Dialogs.Messages.empty());
  }
}

// The View reads as a job: the viewer opens once it is done; stopped while
// the controller stalls in its answer, it opens nothing, says so and
// leaves the pane as it was.
TEST_F(DevicePaneJobTest, viewRunsAsAJobAndAStoppedViewLeavesThePaneAsItWas) {
  std::string text;
  for (int i = 0; i < 20; ++i) text += "line " + std::to_string(i) + "\r\n";
  Sim().PutFile("\\LOG.TXT", text);
  Sim().PutFile("\\A.TXT", "a");
  QStringList shown;
  Pane.SetTextView([&](const QString& name, const QByteArray& bytes, const std::optional<QByteArray>&) {
    shown.append(name + ':' + QString::number(bytes.size()));
  });
  Pane.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Pane));
  Trigger = QStringLiteral("type D:\\LOG.TXT");
  const std::pair<const char*, std::function<void()>> stops[] = {
      {"none", {}},
      {"Cancel", [this] { Child<QPushButton>("btnTaloCancel")->click(); }},
      {"Esc", [this] { QTest::keyClick(Pane.ListView(), Qt::Key_Escape); }},
  };
  Pane.PortChanged();  // inline: no loop runs here
  Pane.ListView()->SelectRow(Row("LOG.TXT"));
  for (const auto& [name, stop] : stops) {
    SCOPED_TRACE(name);
    // What a stalled answer still had to send comes before the next stall
    // is counted (the next exchange's drain discards it).
    QTest::qWait(100);
    shown.clear();
    Dialogs.Messages.clear();
    Faults = {};
    // Past the echo and a few lines of the text.
    if (stop) Faults.StallAfterBytes = 60;
    const During seen = RunJob([this] { Pane.ViewFile(Row("LOG.TXT")); }, stop);
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_TRUE(Pane.ListView()->isEnabled());
    EXPECT_TRUE(Child<QPushButton>("btnTaloCancel")->isHidden());
    if (!stop) {
      // The shell's line end before its prompt stands for the file's last.
      EXPECT_EQ(shown, QStringList{"LOG.TXT:" + QString::number(text.size() - 2)});
      continue;
    }
    EXPECT_FALSE(seen.ListEnabled);
    EXPECT_TRUE(seen.CancelShown);
    EXPECT_TRUE(seen.Hourglass);
    EXPECT_LT(seen.LongestTickGapMs, 300.0);
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(Console.Lines.value(Console.Lines.size() - 2), JobRunner::StoppedText());
    EXPECT_EQ(Pane.DevicePath(), QStringLiteral("\\"));
    EXPECT_EQ(Pane.Browser().ItemCount(), 2);
    EXPECT_EQ(Pane.SelectedIndex(), Row("LOG.TXT"));
  }
}
