// The "dir" and "dir/s" parsers and the date conversion.
#include "remote/devicelisting.h"

#include <gtest/gtest.h>

#include <QLocale>

#include "items/datesettings.h"
#include "tests/remote/listingtestlines.h"

using namespace DeviceListing;
using ListingLines::File;
using ListingLines::Folder;

namespace {

constexpr int kYear = 2026;

// The format the device lister gives (the C locale's long time).
DateFormat Dates() { return DateSettings::ListingFormat(); }

class ListingParser : public ::testing::Test {
 protected:
  // The C locale's long time is "HH:mm:ss", which keeps expected texts fixed.
  void SetUp() override {
    QLocale::setDefault(QLocale::c());
    DateSettings::Reset();
  }
  void TearDown() override { DateSettings::Reset(); }
};

QByteArray OfLength(QByteArray visible, int lengthWithLineEnd) {
  visible = visible.leftJustified(lengthWithLineEnd - 2, ' ', true);
  return visible + "\r\n";
}

TEST_F(ListingParser, wholeDirAnswerGivesItemsWithoutDotEntriesAndTheFreeSpace) {
  const QByteArray answer[] = {
      "\r\n",
      OfLength(" Volume in drive D is TALO7100", 34),
      OfLength(" Directory of D:\\DATA", 23),
      Folder("."),
      Folder(".."),
      Folder("LOG", "01-15-06   9:05a"),
      File("AUTORUN", "BAT", "42"),
      File("PROG", "EXE", "54,645", "05-31-94   6:22a"),
      File("README", "", "1,024", "02-29-07  11:59p"),
      OfLength("        4 file(s)         55,711 bytes", 40),
      ListingLines::FreeSpace("1,433,600"),
  };
  std::vector<PaneItem> items;
  QString caption;
  int64_t free = -1;
  for (const QByteArray& line : answer) {
    ListingLine parsed = ParseListingLine(line, kYear, Dates());
    if (parsed.LineKind == ListingLine::Kind::Item) items.push_back(parsed.Item);
    if (parsed.LineKind == ListingLine::Kind::FreeSpace) {
      caption = parsed.FreeCaption;
      free = parsed.FreeBytes;
    }
  }
  QStringList seen;
  for (const PaneItem& item : items) {
    seen << QStringLiteral("%1 %2 %3 %4")
                .arg(item.Name, item.IsFolder() ? "<DIR>" : "file")
                .arg(item.SizeBytes)
                .arg(item.ModifiedText);
    EXPECT_EQ(item.RelativeId.isEmpty(), !item.IsFolder()) << item.Name.toStdString();
    EXPECT_TRUE(item.DetailsPending);
  }
  EXPECT_EQ(seen, (QStringList{"LOG <DIR> 0 2006/01/15 09:05:00",
                               "AUTORUN.BAT file 42 2005/12/31 12:00:00",
                               "PROG.EXE file 54645 1994/05/31 06:22:00",
                               "README file 1024 "}))  // 29 February 2007 does not exist
      << seen.join('\n').toStdString();
  EXPECT_EQ(caption, "(1,433,600 bytes free)");
  EXPECT_EQ(free, 1433600);
}

TEST_F(ListingParser, entriesNeed43BytesAndALineEndInTheDateFieldLeavesItEmpty) {
  const QByteArray full = File("AB", "TXT", "5");  // 45 bytes
  for (const int length : {42, 43, 44}) {
    SCOPED_TRACE(length);
    const QByteArray line = full.left(length - 2) + "\r\n";
    const ListingLine parsed = ParseListingLine(line, kYear, Dates());
    const bool entry = length >= 43;
    EXPECT_EQ(ClassifyTreeLine(line).LineKind, entry ? TreeLine::Kind::File : TreeLine::Kind::NotEntry);
    ASSERT_EQ(parsed.LineKind, entry ? ListingLine::Kind::Item : ListingLine::Kind::Ignored);
    if (entry) {
      EXPECT_EQ(parsed.Item.ModifiedText, "");
      EXPECT_EQ(parsed.Item.SizeBytes, 5);
    }
  }
}

TEST_F(ListingParser, folderWithExtensionListsAsNameDotExtension) {
  const QByteArray line = ListingLines::Entry("A", "B", true, "", "12-31-05  12:00p");
  const ListingLine parsed = ParseListingLine(line, kYear, Dates());
  EXPECT_EQ(parsed.Item.Name, "A.B");
  EXPECT_TRUE(parsed.Item.IsFolder());
  EXPECT_EQ(ClassifyTreeLine(line).LineKind, TreeLine::Kind::Folder);
  // "dir/s" looks at the name part only: ". B" would still be the folder itself.
  EXPECT_EQ(ClassifyTreeLine(ListingLines::Entry(".", "B", true, "", "")).LineKind,
            TreeLine::Kind::NotEntry);
}

TEST_F(ListingParser, longDirectoryHeaderIsNeitherAnEntryNorCounted) {
  const QByteArray header = " Directory of D:\\PROJECTS\\FIELDLOG\\ARCHIVE1\r\n";
  ASSERT_GE(header.size(), kMinEntryLength);
  EXPECT_EQ(ParseListingLine(header, kYear, Dates()).LineKind, ListingLine::Kind::Ignored);
  EXPECT_EQ(ClassifyTreeLine(header).LineKind, TreeLine::Kind::NotEntry);
}

TEST_F(ListingParser, freeSpaceFigureOutside32BitsGivesZero) {
  struct Case {
    const char* Figure;
    int64_t Expected;
  };
  for (const Case& c :
       {Case{"2,147,483,647", 2147483647}, Case{"2,147,483,648", 0},
        Case{"99,999,999,999,999,999,999", 0}, Case{"00,000,000", 0}, Case{"1 048 576", 1048576}}) {
    const ListingLine parsed =
        ParseListingLine(ListingLines::FreeSpace(c.Figure), kYear, Dates());
    ASSERT_EQ(parsed.LineKind, ListingLine::Kind::FreeSpace) << c.Figure;
    EXPECT_EQ(parsed.FreeBytes, c.Expected) << c.Figure;
  }
  // Too short to be examined at all.
  EXPECT_EQ(ParseListingLine("   512 bytes free\r\n", kYear, Dates()).LineKind,
            ListingLine::Kind::Ignored);
  EXPECT_EQ(ClassifyTreeLine(ListingLines::FreeSpace("512")).LineKind, TreeLine::Kind::NotEntry);
}

TEST_F(ListingParser, treeLinesCountFilesWhateverTheirSize) {
  EXPECT_EQ(ClassifyTreeLine(Folder(".")).LineKind, TreeLine::Kind::NotEntry);
  EXPECT_EQ(ClassifyTreeLine(Folder("..")).LineKind, TreeLine::Kind::NotEntry);
  EXPECT_EQ(ClassifyTreeLine(Folder("SUB")).LineKind, TreeLine::Kind::Folder);
  const TreeLine empty = ClassifyTreeLine(File("EMPTY", "DAT", "0"));
  EXPECT_EQ(empty.LineKind, TreeLine::Kind::File);
  EXPECT_EQ(empty.SizeBytes, 0);
  const TreeLine odd = ClassifyTreeLine(File("ODD", "DAT", "12x"));
  EXPECT_EQ(odd.LineKind, TreeLine::Kind::File);
  EXPECT_EQ(odd.SizeBytes, 0);
  EXPECT_EQ(ClassifyTreeLine(File("BIG", "DAT", "999,999")).SizeBytes, 999999);
}

TEST_F(ListingParser, sizeTextDropsCommasAndRejectsAnythingElse) {
  struct Case {
    const char* Text;
    int32_t Expected;
  };
  for (const Case& c : {Case{"54,645", 54645}, Case{"0", 0}, Case{"", 0}, Case{",", 0},
                        Case{"2147483647", 2147483647}, Case{"2147483648", 0}, Case{"-5", 0},
                        Case{"1 024", 0}, Case{"0x10", 0}, Case{"007", 7}}) {
    EXPECT_EQ(ParseSizeText(QString::fromLatin1(c.Text)), c.Expected) << c.Text;
  }
}

TEST_F(ListingParser, datesConvertWithMeridiemAndYearWindow) {
  struct Case {
    const char* Text;
    int Year;
    const char* Expected;
  };
  const Case cases[] = {
      {"12-31-05  12:00pm", 2026, "2005/12/31 12:00:00"},
      {"01-02-03  12:00am", 2026, "2003/01/02"},  // midnight: date alone
      {"01-02-03 12:05AM", 2026, "2003/01/02 00:05:00"},
      {"6-1-99 1:30 Pm", 2026, "1999/06/01 13:30:00"},
      {"01-01-75  1:00am", 2026, "2075/01/01 01:00:00"},
      {"01-01-76  1:00am", 2026, "1976/01/01 01:00:00"},
      {"01-01-00  1:00am", 2026, "2000/01/01 01:00:00"},
      {"01-01-49  1:00am", 2000, "2049/01/01 01:00:00"},
      {"01-01-50  1:00am", 2000, "1950/01/01 01:00:00"},
      {"03-04-1994  6:22am", 2026, "1994/03/04 06:22:00"},
      {"02-29-08  11:59pm", 2026, "2008/02/29 23:59:00"},
      {"02-29-07  11:59pm", 2026, ""},  // no such day
      {"12-31-05  13:00pm", 2026, ""},  // hour above 12
      {"12-31-05  12:60pm", 2026, ""},
      {"12-31-05  12:00", 2026, ""},   // no meridiem
      {"12-31-05  12:00m", 2026, ""},  // the appended m alone
      {"12-31-05", 2026, ""},
      {"12/31/05  12:00pm", 2026, ""},
      {"12-31-05  12:0pm", 2026, ""},
      {"12-31-05  12:00\rm", 2026, ""},  // a line end inside the field
      {"", 2026, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ConvertListingDate(QString::fromLatin1(c.Text), c.Year, Dates()),
              QString::fromLatin1(c.Expected))
        << c.Text;
}

TEST_F(ListingParser, datesShowInTheGivenFormatAndLeaveTheProcessWideOneAlone) {
  const QString before = DateSettings::ShortDatePattern();
  const DateFormat dotted{QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm")};
  EXPECT_EQ(ConvertListingDate("12-31-05  12:00pm", kYear, dotted), "31.12.2005 12:00");
  const ListingLine read = ParseListingLine(Folder("LOG", "01-15-06   9:05a"), kYear, dotted);
  EXPECT_EQ(read.Item.ModifiedText, "15.01.2006 09:05");
  EXPECT_TRUE(read.DateRead);
  const ListingLine unread =
      ParseListingLine(File("A", "TXT", "1", "13-45-06   9:05a"), kYear, dotted);
  EXPECT_EQ(unread.Item.ModifiedText, "");
  EXPECT_FALSE(unread.DateRead);
  EXPECT_EQ(DateSettings::ShortDatePattern(), before);
}

TEST_F(ListingParser, nonAsciiBytesDoNotBreakTheColumns) {
  QByteArray line = File("CAF\xc9", "TXT", "3");
  const ListingLine parsed = ParseListingLine(line, kYear, Dates());
  EXPECT_EQ(parsed.Item.Name, QString::fromLatin1("CAF\xc9.TXT"));
  EXPECT_EQ(parsed.Item.SizeBytes, 3);
}

}  // namespace
