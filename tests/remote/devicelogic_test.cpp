// Pure pieces of the device pane: typed-name check, status texts, item
// order, path arithmetic and the installation folders.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include "devicebrowser.h"
#include "devicecli.h"
#include "devicecommands.h"
#include "devicepath.h"
#include "devicetexts.h"
#include "taloappdir.h"

namespace {

TEST(DeviceCommands, typedNamesThatWouldSplitOrRedirectAreRefused) {
  for (const char* ok : {"LOG", "A.TXT", "12345678", "NEW_1.EXE", "~$X", "A&B"})
    EXPECT_TRUE(DeviceCommand::IsSafeTypedName(QString::fromLatin1(ok))) << ok;
  for (const char* bad : {"", " ", "A B", "A>B", "<IN", "A|B", "X\rY", "TAB\tX", "\x1b[2J"})
    EXPECT_FALSE(DeviceCommand::IsSafeTypedName(QString::fromLatin1(bad))) << bad;
  EXPECT_FALSE(DeviceCommand::IsSafeTypedName(QString::fromUtf8("\xe2\x82\xac")));  // euro sign
}

TEST(DeviceTexts, sizeTextSwitchesUnitsAtExactPowersOf1024) {
  struct Case {
    uint64_t Bytes;
    const char* Text;
  };
  for (const Case& c : {Case{0, "0 byte(s)"}, Case{1023, "1023 byte(s)"}, Case{1024, "1.0 KB"},
                        Case{12800, "12.5 KB"}, Case{1048575, "1024.0 KB"}, Case{1048576, "1.0 MB"},
                        Case{5000000000ull, "4768.4 MB"}})
    EXPECT_EQ(DeviceText::SizeText(c.Bytes), QString::fromLatin1(c.Text)) << c.Bytes;
}

PShellItem Item(const char* name, bool folder, int64_t size = 0, const char* type = "",
                const char* modified = "") {
  PShellItem item;
  item.Name = QString::fromLatin1(name);
  item.Folder = folder;
  item.SizeBytes = size;
  item.TypeText = QString::fromLatin1(type);
  item.ModifiedText = QString::fromLatin1(modified);
  return item;
}

QStringList SortedNames(std::vector<PShellItem> items, int column) {
  std::sort(items.begin(), items.end(), [column](const PShellItem& a, const PShellItem& b) {
    return DeviceBrowser::CompareDeviceItems(a, b, column) < 0;
  });
  QStringList names;
  for (const auto& item : items) names.append(item.Name);
  return names;
}

TEST(DeviceItemOrder, foldersFirstThenColumnThenNameAscending) {
  const std::vector<PShellItem> items = {Item("ZED", true),
                                         Item("B.TXT", false, 10, "Text", "2005/12/31 12:00:00"),
                                         Item("A.EXE", false, 10, "Program", "2006/01/01"),
                                         Item("C.BAT", false, 5, "Batch", ""),
                                         Item("LOG", true),
                                         Item("a.txt", false, 99, "Text", "1994/05/31")};
  EXPECT_EQ(SortedNames(items, DeviceBrowser::kSortName),
            QStringList({"LOG", "ZED", "A.EXE", "B.TXT", "C.BAT", "a.txt"}));
  EXPECT_EQ(SortedNames(items, DeviceBrowser::kSortSize),
            QStringList({"LOG", "ZED", "C.BAT", "A.EXE", "B.TXT", "a.txt"}));
  EXPECT_EQ(SortedNames(items, DeviceBrowser::kSortType),
            QStringList({"LOG", "ZED", "C.BAT", "A.EXE", "B.TXT", "a.txt"}));
  // Empty dates first, then chronological.
  EXPECT_EQ(SortedNames(items, DeviceBrowser::kSortModified),
            QStringList({"LOG", "ZED", "C.BAT", "a.txt", "B.TXT", "A.EXE"}));
}

TEST(DevicePaths, upAndIntoFoldersNeverDoubleTheSeparator) {
  EXPECT_EQ(DeviceBrowser::ParentPath("\\"), "\\");
  EXPECT_EQ(DeviceBrowser::ParentPath("\\DATA"), "\\");
  EXPECT_EQ(DeviceBrowser::ParentPath("\\DATA\\LOG"), "\\DATA");
  EXPECT_EQ(DeviceBrowser::ParentPath(""), "\\");
  EXPECT_EQ(DeviceBrowser::ChildPath("\\", "LOG"), "\\LOG");
  EXPECT_EQ(DeviceBrowser::ChildPath("\\DATA", "LOG"), "\\DATA\\LOG");
  EXPECT_EQ(DevicePath::Normalised(""), "\\");
  EXPECT_EQ(DevicePath::Normalised("DATA/LOG/"), "\\DATA\\LOG");
  EXPECT_EQ(DevicePath::Normalised("d:\\DATA"), "\\DATA");
}

class InstallationFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Temp.isValid());
    SavedHome = qgetenv("TALO7100_HOME");
    SavedXdg = qgetenv("XDG_DATA_HOME");
  }
  void TearDown() override {
    Restore("TALO7100_HOME", SavedHome);
    Restore("XDG_DATA_HOME", SavedXdg);
  }
  static void Restore(const char* name, const QByteArray& value) {
    if (value.isNull())
      qunsetenv(name);
    else
      qputenv(name, value);
  }
  static void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  QTemporaryDir Temp;
  QByteArray SavedHome;
  QByteArray SavedXdg;
};

TEST_F(InstallationFolders, homeVariableWinsOverXdgDataHomeAndIsCreatedWithSubfolders) {
  qputenv("XDG_DATA_HOME", (Temp.path() + "/").toLocal8Bit());
  for (const QString& home : {Temp.filePath("inst"), QString()}) {
    SCOPED_TRACE(home.toStdString());
    qputenv("TALO7100_HOME", home.toLocal8Bit());  // empty: not set
    const QString root = home.isEmpty() ? Temp.path() + "/talo7100" : home;
    const TaloAppFolders folders = GetTaloAppDir();
    EXPECT_EQ(folders.ProgramFolder, root + "/program/");
    EXPECT_EQ(folders.ConfigFolder, root + "/Config/");
    EXPECT_EQ(folders.SourceFolder, root + "/Source/");
    for (const QString& f : {folders.ProgramFolder, folders.ConfigFolder, folders.SourceFolder})
      EXPECT_TRUE(QFileInfo(f).isDir()) << f.toStdString();
  }
  EXPECT_EQ(TaloAppDir::JoinFolder("/opt/talo/", "Config"), "/opt/talo/Config/");
  EXPECT_EQ(TaloAppDir::JoinFolder("/opt/talo", "Config"), "/opt/talo/Config/");
}

TEST_F(InstallationFolders, seedsANewFolderOnceWithoutOverwriting) {
  const QString seed = Temp.filePath("seed");
  Write(seed + "/Config/SOCKET.CFG", "default");
  Write(seed + "/program/MODID.EXE", "prog");
  const QString root = Temp.filePath("inst");
  ASSERT_TRUE(TaloAppDir::PrepareInstallationFolder(root, {seed}));
  QFile cfg(root + "/Config/SOCKET.CFG");
  ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
  EXPECT_EQ(cfg.readAll(), "default");
  cfg.close();
  // The user edits one default and removes another: a later start keeps both choices.
  Write(root + "/Config/SOCKET.CFG", "mine");
  QFile::remove(root + "/program/MODID.EXE");
  ASSERT_TRUE(TaloAppDir::PrepareInstallationFolder(root, {seed}));
  ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
  EXPECT_EQ(cfg.readAll(), "mine");
  EXPECT_FALSE(QFileInfo::exists(root + "/program/MODID.EXE"));
}

// A folder that cannot be made is an error naming it and the reason; its
// texts still point into it, never at the current directory. A shipped
// file that is not there is named with its folder.
TEST_F(InstallationFolders, unusableFolderOrMissingFileIsNamedWithTheReason) {
  Write(Temp.filePath("file"), "x");
  const QString bad = Temp.filePath("file/inst");
  qputenv("TALO7100_HOME", bad.toLocal8Bit());
  const TaloAppFolders folders = GetTaloAppDir();
  EXPECT_EQ(folders.Error, "The installation folder " + bad +
                               " cannot be used: Not a directory.\n\nSet TALO7100_HOME to a "
                               "folder you may write to.");
  EXPECT_EQ(folders.ProgramFolder, bad + "/program/");
  QString why;
  EXPECT_TRUE(TaloAppDir::ShippedFile(&TaloAppFolders::ProgramFolder, "KEEPERRD.EXE", why).isEmpty());
  EXPECT_EQ(why, folders.Error);

  const QString good = Temp.filePath("inst");
  qputenv("TALO7100_HOME", good.toLocal8Bit());
  EXPECT_TRUE(TaloAppDir::ShippedFile(&TaloAppFolders::ConfigFolder, "MODID.EXE", why).isEmpty());
  EXPECT_EQ(why, "MODID.EXE is missing from the folder " + good +
                     "/Config/.\n\nThe controller needs it: install the utility again or copy the "
                     "file there.");
  Write(good + "/Config/MODID.EXE", "prog");
  EXPECT_EQ(TaloAppDir::ShippedFile(&TaloAppFolders::ConfigFolder, "MODID.EXE", why),
            good + "/Config/MODID.EXE");
}

}  // namespace
