// The local folder model on a temporary tree: fill, totals, order, details,
// history and the way up.
#include <gtest/gtest.h>

#include <algorithm>
#include <QAbstractItemModelTester>
#include <QStringList>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>

#include "items/datesettings.h"
#include "items/listsort.h"
#include "local/itemorder.h"
#include "local/localfoldermodel.h"
#include "tests/local/localtesttree.h"

namespace {

QStringList Names(const LocalFolderModel& model) {
  QStringList names;
  for (int row = 0; row < model.ItemCount(); ++row) names << model.ItemAt(row).Name;
  return names;
}

QString Cell(const LocalFolderModel& model, int row, int column) {
  return model.data(model.index(row, column)).toString();
}

struct TotalCase {
  std::vector<qint64> Sizes;
  const char* Count;
  const char* Total;
};

class FolderTotals : public ::testing::TestWithParam<TotalCase> {};

TEST_P(FolderTotals, statusTextsShowCountAndTotal) {
  LocalTestTree tree;
  const QString folder = tree.Folder("f");
  for (size_t i = 0; i < GetParam().Sizes.size(); ++i)
    tree.File(QStringLiteral("f/file%1").arg(i), GetParam().Sizes[i]);
  LocalFolderModel model(tree.Places());
  ASSERT_TRUE(model.OpenFolder(folder).Ok);
  EXPECT_EQ(model.CountText(), QString::fromLatin1(GetParam().Count));
  EXPECT_EQ(model.TotalText(), QString::fromLatin1(GetParam().Total));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FolderTotals,
    ::testing::Values(TotalCase{{}, "0 object(s)", "0 byte(s)"},
                      TotalCase{{1000, 23}, "2 object(s)", "1023 byte(s)"},
                      TotalCase{{1000, 24}, "2 object(s)", "1.0 KB"},
                      TotalCase{{1536}, "1 object(s)", "1.5 KB"},
                      TotalCase{{1048575}, "1 object(s)", "1024.0 KB"},
                      TotalCase{{524288, 524288}, "2 object(s)", "1.0 MB"},
                      // Past 4 GiB: the total must not wrap.
                      TotalCase{{5LL << 30, 1LL << 20}, "2 object(s)", "5121.0 MB"}));

TEST(LocalFolderModel, sizesRoundUpToKilobytesAndStaySixtyFourBit) {
  LocalTestTree tree;
  tree.Folder("f/sub");
  const struct {
    const char* Name;
    qint64 Bytes;
    int64_t KB;
    const char* Text;
  } files[] = {{"a0", 0, 0, "0KB"},       {"a1", 1, 1, "1KB"},        {"a2", 1024, 1, "1KB"},
               {"a3", 1025, 2, "2KB"},    {"a4", 5LL << 30, 5LL << 20, "5242880KB"}};
  for (const auto& f : files) tree.File(QStringLiteral("f/") + f.Name, f.Bytes);

  LocalFolderModel model(tree.Places());
  ASSERT_TRUE(model.OpenFolder(tree.Path("f")).Ok);
  ASSERT_EQ(Names(model), (QStringList{"sub", "a0", "a1", "a2", "a3", "a4"}));
  EXPECT_EQ(Cell(model, 0, LocalFolderModel::kSizeColumn), QString()) << "a folder shows no size";
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(files[i].Name);
    // Sizes are known before the row was ever shown (the copy button sums them).
    EXPECT_EQ(model.ItemAt(i + 1).SizeBytes, files[i].Bytes);
    EXPECT_EQ(model.ItemAt(i + 1).SizeKB, files[i].KB);
    EXPECT_EQ(Cell(model, i + 1, LocalFolderModel::kSizeColumn), QString::fromLatin1(files[i].Text));
  }
}

TEST(LocalFolderModel, sortsFoldersFirstThenByTheChosenColumnWithNameAsTieBreak) {
  LocalTestTree tree;
  // The two folders get the same time: by date they tie, and the name
  // decides.
  const QDateTime base(QDate(2020, 1, 1), QTime(10, 0));
  LocalTestTree::SetModified(tree.Folder("f/Zeta"), base);
  LocalTestTree::SetModified(tree.Folder("f/alpha"), base);
  const struct {
    const char* Name;
    qint64 Size;
    int Days;
  } files[] = {{"file10.txt", 300, 3}, {"File2.txt", 100, 1}, {"b.png", 100, 2}, {"a.png", 200, 0}};
  for (const auto& f : files)
    LocalTestTree::SetModified(tree.File(QStringLiteral("f/") + f.Name, f.Size), base.addDays(f.Days));

  const struct {
    int Column;
    QStringList Expected;
  } cases[] = {
      {0, {"alpha", "Zeta", "a.png", "b.png", "File2.txt", "file10.txt"}},
      {1, {"alpha", "Zeta", "b.png", "File2.txt", "a.png", "file10.txt"}},
      {2, {}},  // depends on the MIME database's wording: checked below
      {3, {"alpha", "Zeta", "a.png", "File2.txt", "b.png", "file10.txt"}},
  };
  LocalFolderModel model(tree.Places());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Column);
    model.SetSortOrder({c.Column, false});
    ASSERT_TRUE(model.OpenFolder(tree.Path("f")).Ok);
    if (!c.Expected.isEmpty()) {
      EXPECT_EQ(Names(model), c.Expected);
      // Descending turns round the files; the folders stay first.
      model.SetSortOrder({c.Column, true});
      ASSERT_TRUE(model.OpenFolder(tree.Path("f")).Ok);
      QStringList reversed = c.Expected.mid(2);
      std::reverse(reversed.begin(), reversed.end());
      EXPECT_EQ(Names(model).mid(2), reversed);
      EXPECT_EQ(Names(model).mid(0, 2), (QStringList{"Zeta", "alpha"}));
      model.SetSortOrder({c.Column, false});
    }
    EXPECT_EQ(model.SortedColumn(), c.Column);
  }
  model.SetSortOrder({2, false});
  ASSERT_TRUE(model.OpenFolder(tree.Path("f")).Ok);
  EXPECT_EQ(Names(model).mid(0, 2), (QStringList{"alpha", "Zeta"}));
  for (int row = 3; row < model.ItemCount(); ++row) {
    const QString before = Cell(model, row - 1, LocalFolderModel::kTypeColumn);
    const QString type = Cell(model, row, LocalFolderModel::kTypeColumn);
    const int order = QString::compare(before, type, Qt::CaseInsensitive);
    EXPECT_LE(order, 0) << before.toStdString() << " / " << type.toStdString();
    if (order == 0) {
      EXPECT_LT(ItemOrder::CompareNames(model.ItemAt(row - 1).Name, model.ItemAt(row).Name), 0);
    }
  }
}

// The order each pane keeps between runs, as text: what does not read back
// gives the name column ascending; a header click turns round or starts anew.
TEST(ListSortOrder, readsBackWhatItWroteAndNothingElse) {
  const struct {
    const char* Text;
    ListSort Read;
  } cases[] = {
      {"3 descending", {3, true}}, {"1 ascending", {1, false}}, {"0 descending", {0, true}},
      {"4 ascending", {}},         {"-1 descending", {}},       {"2 sideways", {}},
      {"", {}},                    {"x ascending", {}},         {"2 descending extra", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    const ListSort read = ListSort::FromText(QString::fromLatin1(c.Text), 4);
    EXPECT_EQ(read, c.Read);
    EXPECT_EQ(ListSort::FromText(read.ToText(), 4), read);
  }
  EXPECT_EQ((ListSort{2, false}.Clicked(2)), (ListSort{2, true}));
  EXPECT_EQ((ListSort{2, true}.Clicked(2)), (ListSort{2, false}));
  EXPECT_EQ((ListSort{2, true}.Clicked(1)), (ListSort{1, false}));
}

TEST(LocalFolderModel, hidesDotFilesAndMarksItemsOfAHiddenFolderOpenedByPath) {
  LocalTestTree tree;
  tree.File("f/visible");
  tree.File("f/.hidden");
  tree.Folder("f/.secret");
  tree.File("f/.secret/inside");
  LocalFolderModel model(tree.Places());
  ASSERT_TRUE(model.OpenFolder(tree.Path("f")).Ok);
  EXPECT_EQ(Names(model), QStringList{"visible"});
  EXPECT_EQ(model.data(model.index(0, 0), LocalFolderModel::kAttributeRole).toUInt() & PaneItem::kHidden, 0u);

  ASSERT_TRUE(model.OpenPath(tree.Path("f/.secret")).Ok);
  ASSERT_EQ(Names(model), QStringList{"inside"});
  EXPECT_NE(model.data(model.index(0, 0), LocalFolderModel::kAttributeRole).toUInt() & PaneItem::kHidden, 0u);
}

TEST(LocalFolderModel, attributesMarkReadOnlyFilesAndSpecialFiles) {
  LocalTestTree tree;
  const QString readOnly = tree.File("f/locked", 10);
  ASSERT_EQ(chmod(QFile::encodeName(readOnly).constData(), 0444), 0);
  tree.File("f/normal", 10);
  ASSERT_EQ(mkfifo(QFile::encodeName(tree.Path("f/pipe")).constData(), 0644), 0);
  LocalFolderModel model(tree.Places());
  ASSERT_TRUE(model.OpenFolder(tree.Path("f")).Ok);
  ASSERT_EQ(Names(model), (QStringList{"locked", "normal", "pipe"}));
  auto bits = [&](int row) { return model.data(model.index(row, 0), LocalFolderModel::kAttributeRole).toUInt(); };
  EXPECT_EQ(bits(0), PaneItem::kReadOnly);
  EXPECT_EQ(bits(1), 0u);
  EXPECT_EQ(bits(2), PaneItem::kSystem);
}

TEST(LocalFolderModel, emptyFolderSelectsNothingAndNextSelectIndexIsClampedThenConsumed) {
  LocalTestTree tree;
  const QString empty = tree.Folder("empty");
  tree.File("three/a");
  tree.File("three/b");
  tree.File("three/c");
  LocalFolderModel model(tree.Places());

  model.SetNextSelectIndex(2);
  const auto opened = model.OpenFolder(empty);
  ASSERT_TRUE(opened.Ok);
  EXPECT_EQ(opened.SelectRow, -1);

  model.SetNextSelectIndex(7);
  const auto three = model.OpenFolder(tree.Path("three"));
  ASSERT_TRUE(three.Ok);
  EXPECT_EQ(three.SelectRow, 2) << "beyond the end selects the last row";
  EXPECT_EQ(model.NextSelectIndex(), 0);
  EXPECT_EQ(model.OpenFolder(tree.Path("three")).SelectRow, 0);
}

TEST(LocalFolderModel, pathHistoryKeepsOneEntryPerFolderNewestFirst) {
  LocalTestTree tree;
  const QString a = tree.Folder("a");
  const QString b = tree.Folder("b");
  LocalFolderModel model(tree.Places());

  auto first = model.OpenFolder(a);
  EXPECT_TRUE(first.HistoryAdded);
  EXPECT_TRUE(model.OpenFolder(b).HistoryAdded);
  const auto again = model.OpenFolder(a);
  EXPECT_FALSE(again.HistoryAdded);
  EXPECT_EQ(again.HistoryIndex, 1);
  const auto computer = model.OpenFolder(model.ComputerId());
  EXPECT_EQ(model.PathText(), "Computer") << "the computer location shows its name, not an identifier";
  EXPECT_EQ(computer.HistoryIndex, 0);

  ASSERT_EQ(model.History().size(), 3u);
  EXPECT_EQ(model.History()[0].Text, "Computer");
  EXPECT_EQ(model.History()[1].Text, b);
  EXPECT_EQ(model.History()[2].Text, a);
  EXPECT_EQ(model.History()[2].Id, a);
}

TEST(LocalFolderModel, failedOpenKeepsTheFolderAndReportsTheSystemMessage) {
  LocalTestTree tree;
  tree.File("f/one");
  const QString file = tree.File("f/two");
  LocalFolderModel model(tree.Places());
  ASSERT_TRUE(model.OpenFolder(tree.Path("f")).Ok);
  model.SetNextSelectIndex(1);

  const struct {
    QString Text;
    const char* Message;
  } cases[] = {{tree.Path("missing"), "No such file or directory"},
               {file, "Not a directory"},
               {QString(), "No such file or directory"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text.toStdString());
    const auto result = model.OpenPath(c.Text);
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(result.Error.contains(QLatin1String(c.Message))) << result.Error.toStdString();
    EXPECT_EQ(model.CurrentId(), tree.Path("f"));
    EXPECT_EQ(Names(model), (QStringList{"one", "two"}));
  }
  EXPECT_EQ(model.History().size(), 1u);

  if (geteuid() != 0) {  // the superuser reads any folder
    const QString locked = tree.Folder("locked");
    ASSERT_EQ(chmod(QFile::encodeName(locked).constData(), 0), 0);
    const auto result = model.OpenFolder(locked);
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(result.Error.contains("Permission denied"));
    EXPECT_EQ(model.CurrentId(), tree.Path("f"));
    chmod(QFile::encodeName(locked).constData(), 0755);
  }
}

TEST(LocalFolderModel, resolvesTypedPathsRelativeHomeAndUrlForms) {
  LocalTestTree tree;
  const QString sub = tree.Folder("f/sub dir");
  LocalFolderModel model(tree.Places());
  ASSERT_TRUE(model.OpenFolder(tree.Path("f")).Ok);
  const struct {
    QString Text;
    QString Id;
  } cases[] = {{"sub dir", sub},
               {"  " + sub + "/  ", sub},
               {"~/f", tree.Path("f")},
               {"~", tree.Root},
               {QUrl::fromLocalFile(sub).toString(), sub},
               {"computer", LocalNamespace::ComputerId()},
               {sub + "/..", tree.Path("f")}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text.toStdString());
    const auto result = model.OpenPath(c.Text);
    EXPECT_TRUE(result.Ok) << result.Error.toStdString();
    EXPECT_EQ(model.CurrentId(), c.Id);
    ASSERT_TRUE(model.OpenFolder(tree.Path("f")).Ok);
  }
}

TEST(LocalFolderModel, upLeadsFromAHomeFolderThroughTheComputerLocationToTheRoot) {
  LocalTestTree tree;
  const QString deep = tree.Folder("a/b");
  const LocalNamespace places = tree.Places();
  EXPECT_EQ(places.ParentId(deep), tree.Path("a"));
  EXPECT_EQ(places.ParentId(tree.Path("a")), tree.Root);
  EXPECT_EQ(places.ParentId(tree.Root), LocalNamespace::ComputerId()) << "home is a top folder";
  EXPECT_EQ(places.ParentId("/"), LocalNamespace::ComputerId());
  EXPECT_EQ(places.ParentId(LocalNamespace::ComputerId()), LocalNamespace::RootId());
  EXPECT_TRUE(places.ParentId(LocalNamespace::RootId()).isEmpty());

  LocalFolderModel model(tree.Places());
  ASSERT_TRUE(model.OpenFolder(model.ComputerId()).Ok);
  EXPECT_EQ(Names(model), (QStringList{"File System", "Home"}));
  EXPECT_EQ(model.FullPath(1), tree.Root);
  EXPECT_EQ(Cell(model, 0, LocalFolderModel::kTypeColumn), "Local Disk");
}

TEST(LocalFolderModel, fillsDetailsOnlyForRowsAskedFor) {
  LocalTestTree tree;
  for (int i = 0; i < 100; ++i) tree.File(QStringLiteral("f/file%1.txt").arg(i), i);
  LocalFolderModel model(tree.Places());
  ASSERT_TRUE(model.OpenFolder(tree.Path("f")).Ok);
  EXPECT_EQ(model.DetailedCount(), 0);

  // Names and sizes need no details; type, date, icon and attributes do.
  EXPECT_EQ(Cell(model, 5, LocalFolderModel::kNameColumn), "file5.txt");
  EXPECT_EQ(model.DetailedCount(), 0);
  EXPECT_FALSE(Cell(model, 5, LocalFolderModel::kTypeColumn).isEmpty());
  EXPECT_EQ(model.DetailedCount(), 1);
  EXPECT_FALSE(model.ItemAt(5).ModifiedText.isEmpty());
  EXPECT_EQ(model.ItemAt(5).AbsoluteId, tree.Path("f/file5.txt"));

  model.FillDetails(10, 19);
  EXPECT_EQ(model.DetailedCount(), 11);
  model.FillDetails(95, 100);  // past the end: ignored
  model.FillDetails(-1, 3);
  EXPECT_EQ(model.DetailedCount(), 11);
  EXPECT_EQ(model.ItemAt(10).IconIndex, model.ItemAt(19).IconIndex) << "one icon per type";
}

TEST(LocalFolderModel, datesReadAsTheDevicePanesAndOmitMidnight) {
  LocalTestTree tree;
  LocalTestTree::SetModified(tree.File("f/a"), QDateTime(QDate(2005, 12, 31), QTime(0, 0)));
  LocalTestTree::SetModified(tree.File("f/b"), QDateTime(QDate(2005, 12, 31), QTime(12, 0)));
  DateSettings::NoteListingConversion(true);
  LocalFolderModel model(tree.Places());
  ASSERT_TRUE(model.OpenFolder(tree.Path("f")).Ok);
  EXPECT_EQ(Cell(model, 0, LocalFolderModel::kModifiedColumn), "2005/12/31");
  const QString noon = Cell(model, 1, LocalFolderModel::kModifiedColumn);
  EXPECT_TRUE(noon.startsWith("2005/12/31 ")) << noon.toStdString();
  EXPECT_TRUE(noon.contains("12")) << noon.toStdString();
  // A listing date that did not convert changes nothing here: the list
  // shows dates as the device pane shows them.
  DateSettings::NoteListingConversion(false);
  ASSERT_TRUE(model.OpenFolder(tree.Path("f")).Ok);
  EXPECT_EQ(Cell(model, 0, LocalFolderModel::kModifiedColumn), "2005/12/31");
  DateSettings::Reset();
}

TEST(LocalFolderModel, passesTheItemModelTesterThroughFolderChanges) {
  LocalTestTree tree;
  tree.Folder("f/sub");
  for (int i = 0; i < 20; ++i) tree.File(QStringLiteral("f/x%1").arg(i), i * 100);
  LocalFolderModel model(tree.Places());
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  ASSERT_TRUE(model.OpenFolder(tree.Path("f")).Ok);
  model.FillDetails(0, 5);
  model.SetSortOrder({3, false});
  ASSERT_TRUE(model.OpenFolder(tree.Path("f")).Ok);
  ASSERT_TRUE(model.OpenFolder(tree.Path("f/sub")).Ok);
  ASSERT_TRUE(model.OpenFolder(model.ComputerId()).Ok);
  model.ClearItems();
  EXPECT_EQ(model.rowCount(), 0);
}

}  // namespace
