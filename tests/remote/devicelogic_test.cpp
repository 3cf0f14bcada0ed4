// Pure pieces of the device pane: the name check and the command lines, status texts, item
// order, path arithmetic and the installation folders.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include "installation/helperfiles.h"
#include "installation/installationtext.h"
#include "installation/taloappfolders.h"
#include "link/shell/devicename.h"
#include "link/shell/devicepath.h"
#include "remote/devicebrowser.h"
#include "remote/devicecli.h"
#include "remote/devicecommands.h"
#include "remote/devicetexts.h"

namespace {

// Names from a hostile listing or typed by the user: each refused one with
// the reason the user is told. Only what the shell treats specially or an
// 8.3 name cannot hold is refused; bytes from 0x80 up are letters.
TEST(DeviceNameCheck, refusesEveryNameThatIsMoreThanOneNameWithItsReason) {
  struct Case {
    QString Name;
    const char* Reason;  // a part of the reason; empty: accepted
  };
  const Case cases[] = {
      {"LOG", ""},           {"A.TXT", ""},          {"12345678.ABC", ""},
      {"NEW_1.EXE", ""},     {"~$X", ""},            {"A&B", ""},
      {"(1)'!#%@^`{}.-~", "not an 8.3"},             {"AB{}.X~", ""},
      {"", "empty"},         {".", "\".\" and \"..\""},  {"..", "\".\" and \"..\""},
      {"X|FORMAT", "redirection or pipe"},           {"A>B", "redirection or pipe"},
      {"<IN", "redirection or pipe"},                {"Q&DEL.*", "wildcard"},
      {"*", "wildcard"},     {"A?.TXT", "wildcard"}, {"..\\..", "path separator"},
      {"A/B", "path separator"},                     {"C:X", "path separator"},
      {"A B", "blank"},      {" ", "blank"},         {"\"A\"", "quotation mark"},
      {QString::fromLatin1("AB\0\0", 4), "control character"},
      {"X\rY", "control character"},                 {"\x1b[2J", "control character"},
      {QString(QChar(0x85)), ""},                    {"A+B", "separator"},
      {"A,B", "separator"},  {"A;B", "separator"},   {"A=B", "separator"},
      {"[A]", "separator"},  {QString::fromLatin1("\xe9T\xe9.TXT"), ""},
      {QString::fromUtf8("\xc3\x84.TXT"), ""},
      {QString::fromUtf8("\xe2\x82\xac"), "the character"},
      {"NINECHARS", "not an 8.3"},                   {"A.TEXT", "not an 8.3"},
      {"A.B.C", "not an 8.3"},                       {".EXE", "not an 8.3"},
      {"A.", "not an 8.3"}};
  for (const Case& c : cases) {
    const QString why = DeviceName::Refusal(c.Name);
    if (*c.Reason == '\0')
      EXPECT_TRUE(why.isEmpty()) << c.Name.toStdString() << ": " << why.toStdString();
    else
      EXPECT_TRUE(why.contains(QLatin1String(c.Reason))) << c.Name.toStdString() << ": " << why.toStdString();
  }
}

TEST(DeviceNameCheck, pathsAreCheckedNameByName) {
  EXPECT_TRUE(DeviceName::CheckPath("\\").Why.isEmpty());
  EXPECT_TRUE(DeviceName::CheckPath("\\DATA\\LOG.OLD").Why.isEmpty());
  EXPECT_EQ(DeviceName::CheckPath("\\DATA\\..\\X").Name, "..");
  EXPECT_EQ(DeviceName::CheckPath("\\DATA>X\\LOG").Name, "DATA>X");
  EXPECT_EQ(DeviceName::CheckPath("\\LOG|MORE").Name, "LOG|MORE");
  EXPECT_FALSE(DeviceName::CheckPath("\\DATA\\\\LOG").Why.isEmpty());
}

// What a name prompt makes of the text typed: the 8.3 name sent, with DOS
// punctuation but ASCII only.
TEST(DeviceNameCheck, newNamesAreCutToEightDotThreeInCapitalsOrRefused) {
  struct Case {
    const char* Typed;
    const char* Sent;  // empty: refused
    bool Cut;
  };
  for (const Case& c : {Case{"new.txt", "NEW.TXT", false}, Case{" log ", "LOG", false},
                        Case{"LONGNAME9", "LONGNAME", true}, Case{"recipe_1.text", "RECIPE_1.TEX", true},
                        Case{"ab-c~1.d", "AB-C~1.D", false}, Case{"ABC.", "ABC", true},
                        Case{"A B", "", false}, Case{"A>B", "", false}, Case{"a!b", "A!B", false},
                        Case{"(1)#$.%&'", "(1)#$.%&'", false}, Case{"a@^`{}", "A@^`{}", false},
                        Case{"a+b", "", false}, Case{"\xe9t\xe9", "", false},
                        Case{"A.B.C", "", false}, Case{".TXT", "", false}, Case{"..", "", false}}) {
    const DeviceName::ShortName form = DeviceName::ShortForm(QString::fromLatin1(c.Typed));
    EXPECT_EQ(form.Name, QString::fromLatin1(c.Sent)) << c.Typed;
    EXPECT_EQ(form.Name.isEmpty(), !form.Why.isEmpty()) << c.Typed;
    EXPECT_EQ(form.Cut, c.Cut) << c.Typed;
  }
  EXPECT_EQ(DeviceName::ShortFormPreview("recipe_1.text").Text, "Sent as RECIPE_1.TEX (cut to fit 8.3)");
  EXPECT_FALSE(DeviceName::ShortFormPreview("A B").Acceptable);
  EXPECT_FALSE(DeviceName::ShortFormPreview("").Acceptable);
}

// The lines typed, byte for byte: full paths with the drive, and the
// autorun line relative to the root for a program in the root.
TEST(DeviceCommands, fileCommandsNameTheirTargetByItsFullPathOnD) {
  using namespace DeviceCommand;
  EXPECT_EQ(DeleteFile("\\", "CONFIG.INI").Line, "del D:\\CONFIG.INI\r");
  EXPECT_EQ(DeleteFile("\\DATA", "X.TXT").Line, "del D:\\DATA\\X.TXT\r");
  EXPECT_EQ(RemoveFolder("\\DATA", "SUB").Line, "rd D:\\DATA\\SUB\r");
  EXPECT_EQ(MakeFolder("\\", "NEW").Line, "md D:\\NEW\r");
  EXPECT_EQ(Rename("\\DATA", "X.TXT", "Y.TXT").Line, "ren D:\\DATA\\X.TXT Y.TXT\r");
  EXPECT_EQ(CountTree("\\", "").Line, "dir/s D:\\\r");
  EXPECT_EQ(CountTree("\\DATA", "").Line, "dir/s D:\\DATA\r");
  EXPECT_EQ(CountTree("\\DATA", "SUB").Line, "dir/s D:\\DATA\\SUB\r");
  EXPECT_EQ(ChangeFolder("\\").Line, "cd\\\r");
  EXPECT_EQ(AppendToAutoRun("\\", "PROG.EXE").Line, "echo PROG.EXE>>AutoRun.bat\r");
  EXPECT_EQ(AppendToAutoRun("\\WEBROOT", "HTTPFTPD.EXE").Line,
            "echo \\WEBROOT\\HTTPFTPD.EXE>>\\AutoRun.bat\r");
  // Nothing to type for a refused name, in the name or in its folder.
  for (const CommandLine& refused :
       {DeleteFile("\\", "X|FORMAT"), RemoveFolder("\\", "..\\.."), ChangeFolder("\\A B"),
        Rename("\\", "A.TXT", "*.*"), AppendToAutoRun("\\", "Z>X.EXE"), CountTree("\\A>B", "")}) {
    EXPECT_TRUE(refused.Line.isEmpty());
    EXPECT_TRUE(refused.Refusal.startsWith("The name '")) << refused.Refusal.toStdString();
  }
  EXPECT_EQ(DeleteFile("\\", "X|FORMAT").Refusal,
            "The name 'X|FORMAT' cannot be sent to the TALO-7100: it holds a redirection or pipe "
            "(< > |).");
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

PaneItem Item(const char* name, bool folder, int64_t size = 0, const char* type = "",
                const char* modified = "") {
  PaneItem item;
  item.Name = QString::fromLatin1(name);
  item.Folder = folder;
  item.SizeBytes = size;
  item.TypeText = QString::fromLatin1(type);
  item.ModifiedText = QString::fromLatin1(modified);
  return item;
}

QStringList SortedNames(std::vector<PaneItem> items, int column) {
  std::sort(items.begin(), items.end(), [column](const PaneItem& a, const PaneItem& b) {
    return DeviceBrowser::CompareDeviceItems(a, b, column) < 0;
  });
  QStringList names;
  for (const auto& item : items) names.append(item.Name);
  return names;
}

TEST(DeviceItemOrder, foldersFirstThenColumnThenNameAscending) {
  const std::vector<PaneItem> items = {Item("ZED", true),
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
  EXPECT_EQ(why, InstallationText::ShippedFileMissing("MODID.EXE", good + "/Config/"));
  EXPECT_TRUE(why.contains("talo7100-cli helpers --import FOLDER"));
  Write(good + "/Config/MODID.EXE", "prog");
  EXPECT_EQ(TaloAppDir::ShippedFile(&TaloAppFolders::ConfigFolder, "MODID.EXE", why),
            good + "/Config/MODID.EXE");
}

// An import fills gaps only: a file found under the folder in any letter
// case and any subfolder goes where its feature looks; one that is there is
// kept as it is; the first match in path order wins.
TEST_F(InstallationFolders, importCopiesMissingHelpersAndKeepsThoseThere) {
  const QString root = Temp.filePath("inst");
  const QString cd = Temp.filePath("cd");
  const TaloAppFolders folders = TaloAppDir::FoldersOf(root);
  ASSERT_TRUE(TaloAppDir::PrepareInstallationFolder(root, {}));
  Write(folders.ProgramFolder + "KEEPERWR.EXE", "the one installed");
  struct Offered {
    const char* Path;  // under the CD
    const char* Bytes;
  } offered[] = {
      {"DISK1/UTIL/keeperrd.exe", "read helper"},
      {"KEEPERWR.EXE", "another writer"},
      {"B/MODID.EXE", "second"},
      {"A/MODID.EXE", "first in path order"},
      {"WEB/HTTPD.EXE", "web"},
  };
  for (const Offered& file : offered) Write(cd + "/" + file.Path, file.Bytes);

  const HelperFiles::ImportResult result = HelperFiles::Import(cd, folders);
  struct Expect {
    const char* Where;  // below the installation folder
    const char* Bytes;  // empty: not there
  } expected[] = {
      {"program/KEEPERRD.EXE", "read helper"},
      {"program/KEEPERWR.EXE", "the one installed"},
      {"Config/MODID.EXE", "first in path order"},
      {"Config/SIMU7101.EXE", ""},
      {"Source/Drive_D/Extension_files/WebRoot/httpd.exe", "web"},
  };
  for (const Expect& file : expected) {
    QFile copy(root + "/" + file.Where);
    EXPECT_EQ(copy.open(QIODevice::ReadOnly) ? copy.readAll() : QByteArray(), QByteArray(file.Bytes)) << file.Where;
  }
  EXPECT_EQ(result.Copied, QStringList({"program/KEEPERRD.EXE", "Config/MODID.EXE",
                                        "Source/Drive_D/Extension_files/WebRoot/httpd.exe"}));
  EXPECT_TRUE(result.Kept.contains("program/KEEPERWR.EXE"));
  EXPECT_TRUE(result.NotFound.contains("Config/SIMU7101.EXE"));
  EXPECT_TRUE(result.Failed.isEmpty());
  // What Check then says of each file the features need.
  int present = 0;
  for (const HelperFiles::State& state : HelperFiles::Check(folders)) present += state.Present;
  EXPECT_EQ(present, 4);
}

}  // namespace
