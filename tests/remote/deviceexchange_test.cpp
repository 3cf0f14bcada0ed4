// The device pane's logic end to end against the simulator: listing,
// navigation, sorting, the file commands, autorun and the command-line
// listing.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <chrono>
#include <functional>
#include <thread>

#include "items/datesettings.h"
#include "remote/devicebrowser.h"
#include "remote/devicecli.h"
#include "remote/devicecommands.h"
#include "remote/devicefilecommands.h"
#include "remote/devicetextfile.h"
#include "remote/devicetexts.h"
#include "tests/remote/remotesim.h"
#include "tests/support/scriptedshell.h"

namespace {

class DeviceExchange : public RemoteSimTest {
 protected:
  void SetUp() override {
    RemoteSimTest::SetUp();
    Browser.Lister().SetTimeouts(FastTimeouts());
  }

  QStringList Names() const {
    QStringList names;
    for (const PaneItem& item : Browser.DeviceItems()) names.append(item.Name);
    return names;
  }
  int IndexOf(const QString& name) const { return static_cast<int>(Names().indexOf(name)); }

  DeviceBrowser Browser{Shell};
  DeviceFileCommands Commands{Browser, Shell};
};

TEST_F(DeviceExchange, listsRootFoldersFirstThenOpensAFolderAndGoesBackUp) {
  Sim().PutFile("\\PROG.EXE", std::string(54645, 'x'));
  Sim().PutFile("\\AUTORUN.BAT", "PROG.EXE\r\n");
  Sim().MakeDir("\\LOG");
  Sim().PutFile("\\DATA\\LOG\\DAY1.TXT", "abc");
  DateSettings::Reset();
  Browser.PortChanged();
  EXPECT_EQ(Names(), QStringList({"DATA", "LOG", "AUTORUN.BAT", "PROG.EXE"}));
  // The listing's dates leave the controller's format for the local pane.
  EXPECT_EQ(DateSettings::ShortDatePattern(), "yyyy/MM/dd");
  DateSettings::Reset();
  EXPECT_EQ(Browser.DevicePath(), "\\");
  EXPECT_EQ(Browser.DeviceFreeBytes(), Sim().FreeBytes());
  EXPECT_EQ(Browser.ObjectsText(), "4 object(s)");
  EXPECT_TRUE(Browser.SizeStatusText().startsWith("53.4 KB("));
  EXPECT_TRUE(Browser.SizeStatusText().endsWith(" bytes free)"));
  // Every command and answer line is in the console.
  EXPECT_TRUE(Console.Lines.contains("dir"));
  EXPECT_TRUE(Console.Text().contains("bytes free"));
  EXPECT_EQ(Dialogs.BusyDepth, 0);

  Browser.OpenItem(IndexOf("DATA"));
  Browser.OpenItem(IndexOf("LOG"));
  EXPECT_EQ(Browser.DevicePath(), "\\DATA\\LOG");
  EXPECT_EQ(Names(), QStringList({"DAY1.TXT"}));
  Browser.GoUp();
  EXPECT_EQ(Browser.DevicePath(), "\\DATA");
  EXPECT_EQ(Names(), QStringList({"LOG"}));
  EXPECT_EQ(Browser.PathHistory(), QStringList({"\\DATA\\LOG", "\\DATA", "\\"}));
  EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(DeviceExchange, refusedFolderUnopenablePortAndSilentShellReportTheirMessages) {
  Browser.ChooseHistoryPath("\\NOWHERE");
  EXPECT_EQ(Dialogs.Errors(), QStringList{"Invalid directory\r\n'\\NOWHERE'!"});
  EXPECT_FALSE(Ran("dir"));
  EXPECT_EQ(Browser.ItemCount(), 0);
  EXPECT_EQ(Browser.DevicePath(), "\\NOWHERE");
  EXPECT_EQ(Browser.ObjectsText(), "0 object(s)");
  EXPECT_EQ(Browser.SizeStatusText(), DeviceText::ListingFailedStatus(ListingFailure::FolderRefused, {}));

  Shell.SetSelectedPort(QString());
  Browser.PortChanged();
  ASSERT_EQ(Dialogs.Errors().size(), 2);
  EXPECT_TRUE(Dialogs.Errors()[1].startsWith("Unable to open !\n\n"));
  EXPECT_EQ(Browser.SizeStatusText(), DeviceText::ListingFailedStatus(ListingFailure::PortNotOpened, {}));

  const QString port = QString::fromStdString(PortPath());
  Shell.SetSelectedPort(port);
  talosim::FaultPlan faults;
  faults.NoEcho = true;
  Sim().SetFaults(faults);
  Browser.Refresh();
  ASSERT_EQ(Dialogs.Errors().size(), 3);
  // The usual text (a program that does not echo), then the cable.
  EXPECT_EQ(Dialogs.Errors()[2], QStringLiteral("Unable to send command!\n\nPlease make sure the TALO-7100 is in INIT "
                                                 "mode\n\nand no program is running") +
                                  "\n\nNothing answers on " +
                                    QString::fromStdString(PortPath()) +
                                    ": check the cable and that the controller is powered");
  EXPECT_EQ(Browser.SizeStatusText(), DeviceText::ListingFailedStatus(ListingFailure::NoAnswer, port));
  EXPECT_TRUE(Browser.SizeStatusText().contains(port));
}

// A listing the controller stops answering part-way: nothing of it stays,
// not even the free space of the listing before, so nothing (a copy's name
// and space checks) can take it for the folder.
TEST_F(DeviceExchange, aListingThatStopsPartWayLeavesAnEmptyPaneAndNoFreeSpace) {
  for (const char* name : {"\\A.TXT", "\\B.TXT", "\\C.TXT"}) Sim().PutFile(name, "data");
  Sim().MakeDir("\\DATA");
  Sim().SetFaults({});
  Browser.PortChanged();
  ASSERT_EQ(Browser.ItemCount(), 4);
  ASSERT_GT(Browser.DeviceFreeBytes(), 0);
  // The same listing again, cut before its free-space line and the prompt.
  talosim::FaultPlan stall;
  stall.StallAfterBytes = Sim().SentSinceFaults() - 60;
  Sim().SetFaults(stall);
  DeviceTimeouts quick = FastTimeouts();
  quick.PromptBudgetMs = 300;
  Browser.Lister().SetTimeouts(quick);
  Browser.Refresh();
  EXPECT_EQ(Dialogs.Errors(), QStringList{DeviceText::ListingCutShort()});
  EXPECT_TRUE(Console.Text().contains("C        TXT")) << "entries were read before the cut";
  EXPECT_EQ(Browser.ItemCount(), 0);
  EXPECT_EQ(Browser.DeviceFreeBytes(), 0);
  EXPECT_FALSE(Browser.LastListingRead());
  EXPECT_EQ(Browser.FreeSpaceCaption(), QString());
  EXPECT_EQ(Browser.SizeStatusText(), "Listing incomplete - Refresh to try again");
}

// The listing at start-up, which nobody asked for, tells a failure in the
// status bar and the console; no box.
TEST_F(DeviceExchange, startUpListingTellsAFailureWithoutABox) {
  talosim::FaultPlan faults;
  faults.NoEcho = true;
  Sim().SetFaults(faults);
  Browser.ListRootQuietly();
  EXPECT_TRUE(Dialogs.Messages.empty());
  EXPECT_FALSE(Console.Lines.filter("Nothing answers on ").isEmpty());
  EXPECT_TRUE(Browser.SizeStatusText().startsWith("No answer on "));
  Browser.Refresh();
  EXPECT_EQ(Dialogs.Errors().size(), 1) << "a Refresh asked for shows its box";
}

// A sort orders the items held, without a listing; the later listings keep
// the column, and commands that change the device keep the row too.
TEST_F(DeviceExchange, sortBySizeKeepsFoldersFirstAndRefreshKeepsTheUsersView) {
  Sim().PutFile("\\BIG.DAT", std::string(3000, 'b'));
  Sim().PutFile("\\SMALL.DAT", std::string(10, 's'));
  Sim().PutFile("\\MID.DAT", std::string(500, 'm'));
  Sim().PutFile("\\TWIN.DAT", std::string(500, 't'));
  Sim().MakeDir("\\ZED");
  Browser.PortChanged();
  const size_t commands = Sim().Commands().size();
  Browser.SortByColumn(DeviceBrowser::kSortSize);
  EXPECT_EQ(Names(), QStringList({"ZED", "SMALL.DAT", "MID.DAT", "TWIN.DAT", "BIG.DAT"}));
  EXPECT_EQ(Browser.SortedBy().Column, DeviceBrowser::kSortSize);
  EXPECT_EQ(Sim().Commands().size(), commands) << "nothing listed";

  // The user's row survives a change of the device; it is clamped when the
  // list became shorter.
  QList<int> selected;
  QObject::connect(&Browser, &DeviceBrowser::SelectRequested,
                   [&](int row) { selected.append(row); });
  (void)Browser.PopupMenuState(4);
  Sim().PutFile("\\AAA.DAT", std::string(1, 'a'));
  Browser.RefreshKeepingView();
  EXPECT_EQ(Names(),
            QStringList({"ZED", "AAA.DAT", "SMALL.DAT", "MID.DAT", "TWIN.DAT", "BIG.DAT"}));
  EXPECT_EQ(selected.last(), 4);
  Browser.DeviceMenuItemIndex = 9;
  Browser.RefreshKeepingView();
  EXPECT_EQ(selected.last(), 5);

  // Refresh and navigation keep the order and clear the selection.
  Browser.Refresh();
  EXPECT_EQ(Names().last(), "BIG.DAT");
  EXPECT_EQ(selected.last(), -1);
  Sim().PutFile("\\ZED\\Y.DAT", std::string(1, 'y'));
  Sim().PutFile("\\ZED\\X.DAT", std::string(2, 'x'));
  Browser.OpenItem(IndexOf("ZED"));
  EXPECT_EQ(Names(), QStringList({"Y.DAT", "X.DAT"}));
}

TEST_F(DeviceExchange, sortByTypeUsesTheTypeTextsOfEveryRow) {
  Sim().PutFile("\\A.TXT", "x");
  Sim().PutFile("\\B.EXE", "x");
  Sim().PutFile("\\C.TXT", "x");
  Browser.PortChanged();
  Browser.SortByColumn(DeviceBrowser::kSortType);
  const auto& items = Browser.DeviceItems();
  ASSERT_EQ(items.size(), 3u);
  for (const PaneItem& item : items) EXPECT_FALSE(item.TypeText.isEmpty());
  // The two .TXT files sit together whatever their type is called.
  const QStringList names = Names();
  EXPECT_EQ(std::abs(names.indexOf("A.TXT") - names.indexOf("C.TXT")), 1);
  EXPECT_TRUE(
      std::is_sorted(items.begin(), items.end(), [](const PaneItem& a, const PaneItem& b) {
        return DeviceBrowser::CompareDeviceItems(a, b, DeviceBrowser::kSortType) < 0;
      }));
}

TEST_F(DeviceExchange, measureCountsTheWholeTreeIncludingEmptyFiles) {
  Sim().MakeDir("\\TREE");
  Sim().MakeDir("\\TREE\\SUB");
  Sim().MakeDir("\\TREE\\SUB\\DEEP");
  Sim().PutFile("\\TREE\\A.TXT", std::string(1000, 'a'));
  Sim().PutFile("\\TREE\\SUB\\EMPTY.DAT", "");
  Sim().PutFile("\\TREE\\SUB\\DEEP\\B.TXT", std::string(24, 'b'));
  Sim().MakeDir("\\HOLLOW");
  Browser.PortChanged();
  TreeCounts counts;
  ASSERT_TRUE(Browser.Lister().MeasureDeviceFolder("\\", "TREE", counts).Ok());
  EXPECT_EQ(counts.Files, 3);
  EXPECT_EQ(counts.Folders, 2);
  EXPECT_EQ(counts.Bytes, 1024);
  ASSERT_TRUE(Browser.Lister().MeasureDeviceFolder("\\", "HOLLOW", counts).Ok());
  EXPECT_EQ(counts.Files + counts.Folders + counts.Bytes, 0);
}

// A path the shell refuses is an error, never an empty folder: "du"
// exits 1 and a count before "rd" does not pass it.
TEST_F(DeviceExchange, aRefusedPathCountsNothingAndFails) {
  Sim().MakeDir("\\HOLLOW");
  const struct {
    const char* Path;
    int Exit;
    const char* Says;
  } cases[] = {{"\\NOSUCH", 1, "File not found\r\n'D:\\NOSUCH'!"},
               {"\\HOLLOW\\NOSUCH", 1, "File not found\r\n'D:\\HOLLOW\\NOSUCH'!"},
               {"\\HOLLOW", 0, ""}};
  for (const auto& c : cases) {
    Dialogs.Messages.clear();
    QStringList lines;
    EXPECT_EQ(DeviceCli::MeasureFolder(Shell, QLatin1String(c.Path), lines, FastTimeouts()), c.Exit)
        << c.Path;
    EXPECT_EQ(Dialogs.Errors().join('|'), QLatin1String(c.Says)) << c.Path;
  }
}

TEST_F(DeviceExchange, deepFolderHeaderDoesNotMakeAnEmptyFolderLookFull) {
  // " Directory of D:\" plus 27 characters or more reaches the entry columns.
  const std::string deep = "\\PROJECTS\\FIELDLOG\\ARCHIVES\\EMPTY";
  Sim().MakeDir("\\PROJECTS");
  Sim().MakeDir("\\PROJECTS\\FIELDLOG");
  Sim().MakeDir("\\PROJECTS\\FIELDLOG\\ARCHIVES");
  Sim().MakeDir(deep);
  Browser.ChooseHistoryPath(QString::fromStdString(deep));
  EXPECT_EQ(Browser.ItemCount(), 0) << Names().join(',').toStdString();
  Browser.GoUp();
  ASSERT_EQ(Names(), QStringList({"EMPTY"}));
  Dialogs.YesNoAnswers = {true};
  EXPECT_TRUE(Commands.Delete(0));
  EXPECT_TRUE(Dialogs.Warnings().isEmpty());
  EXPECT_FALSE(Sim().Exists(deep));
}

TEST_F(DeviceExchange, deleteRefusesNonEmptyFoldersAsksFirstAndListsTheFolderAgain) {
  Sim().MakeDir("\\HASDIR\\INNER");
  Sim().PutFile("\\HASFILE\\ZERO.DAT", "");
  Sim().PutFile("\\A.TXT", "a");
  Browser.PortChanged();
  for (const char* name : {"HASDIR", "HASFILE"}) {
    EXPECT_FALSE(Commands.Delete(IndexOf(name)));
    EXPECT_EQ(Dialogs.Warnings().last(), QStringLiteral("The directory '") + name +
                                             "' is not empty.\nCannot delete this directory!");
  }
  EXPECT_FALSE(Ran("rd HASDIR") || Ran("rd HASFILE")) << "refused before sending anything";
  EXPECT_TRUE(Dialogs.Texts(ScriptedDialogs::Message::Question).isEmpty());

  Dialogs.YesNoAnswers = {false, true};
  EXPECT_FALSE(Commands.Delete(IndexOf("A.TXT")));
  EXPECT_FALSE(Ran("del A.TXT"));
  EXPECT_TRUE(Commands.Delete(IndexOf("A.TXT")));
  EXPECT_EQ(Dialogs.Texts(ScriptedDialogs::Message::Question).last(),
            "Are you sure to delete the file 'A.TXT'\nfrom TALO-7100?");
  EXPECT_FALSE(Sim().Exists("\\A.TXT"));
  EXPECT_EQ(Names(), QStringList({"HASDIR", "HASFILE"}));
}

TEST_F(DeviceExchange, renameAndMakeDirectoryReportTheShellsRefusalWithTheTypedName) {
  Sim().PutFile("\\OLD.TXT", "o");
  Sim().PutFile("\\TAKEN.TXT", "t");
  Sim().MakeDir("\\LOG");
  Browser.PortChanged();
  Dialogs.NameAnswers = {QStringLiteral("TAKEN.TXT"), QStringLiteral("NEW.TXT"),
                         QStringLiteral("LOG")};
  EXPECT_FALSE(Commands.Rename(IndexOf("OLD.TXT")));
  EXPECT_EQ(Dialogs.NamePrompts.last(), "Rename file 'OLD.TXT'");
  EXPECT_TRUE(Commands.Rename(IndexOf("OLD.TXT")));
  EXPECT_TRUE(Sim().Exists("\\NEW.TXT"));
  EXPECT_TRUE(Names().contains("NEW.TXT"));
  EXPECT_FALSE(Commands.MakeDirectory());
  EXPECT_EQ(Dialogs.NamePrompts.last(), "Make directory");
  ASSERT_EQ(Dialogs.Errors().size(), 2);
  EXPECT_EQ(Dialogs.Errors()[0], "Duplicate file name or file not found\r\n'TAKEN.TXT'!");
  EXPECT_TRUE(Dialogs.Errors()[1].endsWith("\r\n'LOG'!"));
}

// The prompts state the 8.3 rule; what is sent is the name the prompt
// showed: cut to 8.3 and in capitals. Unsafe texts are never sent.
TEST_F(DeviceExchange, typedNamesAreSentAsTheirEightDotThreeFormAndUnsafeOnesNever) {
  Sim().PutFile("\\OLD.TXT", "o");
  Browser.PortChanged();
  Dialogs.NameAnswers = {QStringLiteral("longname9.text"), QStringLiteral("A>B"),
                         QStringLiteral("X Y"), QStringLiteral(""), std::nullopt,
                         QStringLiteral("old.txt"), QStringLiteral("new-1.txt")};
  EXPECT_TRUE(Commands.MakeDirectory());
  EXPECT_TRUE(Ran("md D:\\LONGNAME.TEX"));
  for (int refused = 0; refused < 4; ++refused) EXPECT_FALSE(Commands.MakeDirectory());
  ASSERT_EQ(Dialogs.Errors().size(), 2) << "an empty or cancelled name says nothing";
  EXPECT_EQ(Dialogs.Errors()[0],
            "The name 'A>B' cannot be sent to the TALO-7100: it holds a redirection or pipe (< > |).");
  EXPECT_TRUE(Dialogs.NameTexts[0].endsWith(
      "\n(8 characters, a dot, 3 characters; letters, digits and ! # $ % & ' ( ) - @ ^ _ ` { } ~ "
      "only)"));

  // Rename starts from the current name; OK on it unchanged sends nothing.
  EXPECT_FALSE(Commands.Rename(IndexOf("OLD.TXT")));
  EXPECT_EQ(Dialogs.NameSuggestions.last(), "OLD.TXT");
  EXPECT_TRUE(Commands.Rename(IndexOf("OLD.TXT")));
  EXPECT_TRUE(Ran("ren D:\\OLD.TXT NEW-1.TXT"));
  EXPECT_EQ(Sim().Commands().size(), 3 * 3 + 2u) << "three listings, md and ren";
}

// A controller that lists names a DOS drive cannot hold: the pane shows
// them, and no command ever carries one.
TEST_F(DeviceExchange, namesFromAHostileListingAreNeverTyped) {
  Sim().PutFile("\\AUTORUN.BAT", "PROG.EXE\r\n");
  talosim::FaultPlan faults;
  faults.ListingEntries = {{"X|FORMAT"}, {"Q&DEL.*"}, {"*"}, {"..\\..", true},
                           {std::string("A\0\0B.EXE", 8)}, {"Z>X.EXE"}};
  Sim().SetFaults(faults);
  Browser.PortChanged();
  // The NUL bytes are dropped as the line is read, and the columns after
  // them shift: the name is whatever the listing then seems to say.
  QStringList hostile = Names();
  hostile.removeAll("AUTORUN.BAT");
  ASSERT_EQ(hostile.size(), 6) << hostile.join(',').toStdString();
  for (const char* name : {"X|FORMAT", "Q&DEL.*", "*", "..\\..", "Z>X.EXE"})
    EXPECT_TRUE(hostile.contains(name)) << name;
  std::vector<DeviceProperties> shown;
  Commands.SetPropertiesView([&](const DeviceProperties& p) { shown.push_back(p); });
  QSignalSpy run(&Browser, &DeviceBrowser::RunProgramRequested);
  for (const QString& name : hostile) {
    Dialogs.Messages.clear();
    Dialogs.NameAnswers = {QStringLiteral("NEW.TXT")};
    Commands.Delete(IndexOf(name));
    Commands.ShowProperties(IndexOf(name));
    Commands.Rename(IndexOf(name));
    Commands.SetAutoRun(IndexOf(name));
    Browser.OpenItem(IndexOf(name));
    for (const QString& error : Dialogs.Errors())
      EXPECT_TRUE(error.startsWith("The name '" + name + "' cannot be sent to the TALO-7100: it "))
          << error.toStdString();
    EXPECT_GE(Dialogs.Errors().size(), 3) << name.toStdString();
  }
  EXPECT_TRUE(Dialogs.Questions().isEmpty());
  EXPECT_EQ(run.count(), 0);
  EXPECT_TRUE(shown.empty() || shown.front().PropContains.isEmpty());
  for (const std::string& command : Sim().Commands())
    EXPECT_TRUE(command == "d:" || command == "cd\\" || command == "dir") << command;
  EXPECT_EQ(Sim().GetFile("\\AUTORUN.BAT"), "PROG.EXE\r\n");
}

// The shell's folder moves between the listing and the command (a program,
// a "cd" or "c:" in the terminal): the commands still act on the folder the
// pane shows.
TEST_F(DeviceExchange, fileCommandsActOnTheShownFolderWhereverTheShellWent) {
  for (const char* name : {"\\CONFIG.INI", "\\DATA\\CONFIG.INI", "\\A.TXT", "\\DATA\\A.TXT"})
    Sim().PutFile(name, "keep");
  Sim().MakeDir("\\DATA\\SUB");
  Sim().MakeDir("\\SUB");
  Sim().PutFile("\\PROG.EXE", "MZ");
  Browser.PortChanged();
  talosim::FaultPlan faults;
  faults.FolderAfterListing = "D:\\DATA";
  Sim().SetFaults(faults);
  std::vector<DeviceProperties> shown;
  Commands.SetPropertiesView([&](const DeviceProperties& p) { shown.push_back(p); });

  EXPECT_TRUE(Commands.Delete(IndexOf("CONFIG.INI")));
  Dialogs.NameAnswers = {QStringLiteral("B.TXT"), QStringLiteral("NEW")};
  EXPECT_TRUE(Commands.Rename(IndexOf("A.TXT")));
  EXPECT_TRUE(Commands.MakeDirectory());
  EXPECT_TRUE(Commands.Delete(IndexOf("SUB")));
  Commands.ShowProperties(-1);
  EXPECT_FALSE(Sim().Exists("\\CONFIG.INI"));
  EXPECT_TRUE(Sim().Exists("\\DATA\\CONFIG.INI"));
  EXPECT_TRUE(Sim().Exists("\\B.TXT") && Sim().Exists("\\DATA\\A.TXT"));
  EXPECT_TRUE(Sim().Exists("\\NEW") && !Sim().Exists("\\DATA\\NEW"));
  EXPECT_FALSE(Sim().Exists("\\SUB"));
  EXPECT_TRUE(Sim().Exists("\\DATA\\SUB"));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].PropContains, "4 file(s), 3 folder(s)");

  // On drive C: a relative line would name C:'s files; the autorun line is
  // typed after "d:" and "cd\".
  faults.FolderAfterListing = "C:\\";
  Sim().SetFaults(faults);
  EXPECT_TRUE(Commands.SetAutoRun(IndexOf("PROG.EXE")));
  EXPECT_EQ(Sim().GetFile("\\AUTORUN.BAT"), "PROG.EXE\r\n");
  EXPECT_TRUE(Dialogs.Errors().isEmpty()) << Dialogs.Errors().join('|').toStdString();
}

TEST_F(DeviceExchange, propertiesShowSizesAndCounts) {
  Sim().PutFile("\\KB.DAT", std::string(1024, 'k'));
  Sim().MakeDir("\\DIR");
  Sim().MakeDir("\\DIR\\SUB");
  Sim().PutFile("\\DIR\\F.TXT", std::string(10, 'f'));
  std::vector<DeviceProperties> shown;
  Commands.SetPropertiesView([&](const DeviceProperties& p) { shown.push_back(p); });
  Browser.PortChanged();

  Commands.ShowProperties(IndexOf("KB.DAT"));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].PropModule, "TALO-7100");
  EXPECT_EQ(shown[0].PropName, "KB.DAT");
  EXPECT_EQ(shown[0].PropPath, "\\");
  EXPECT_EQ(shown[0].PropSize, "1024 byte(s)");
  EXPECT_EQ(shown[0].PropContains, "");
  EXPECT_FALSE(shown[0].PropType.isEmpty());

  Commands.ShowProperties(IndexOf("DIR"));
  EXPECT_EQ(shown[1].PropSize, "10 byte(s)");
  EXPECT_EQ(shown[1].PropContains, "1 file(s), 1 folder(s)");

  Commands.ShowProperties(-1);
  EXPECT_EQ(shown[2].PropType, "TALO disk (D:)");
  EXPECT_EQ(shown[2].PropName, "");
  EXPECT_EQ(shown[2].PropSize, "1034 byte(s)");
  EXPECT_EQ(shown[2].PropContains, "2 file(s), 2 folder(s)");

  // Several items: the selected ones count with what they hold.
  Commands.PropertiesOfItems({IndexOf("DIR"), IndexOf("KB.DAT")});
  EXPECT_EQ(shown[3].PropName, "2 items");
  EXPECT_EQ(shown[3].PropType, "Several types");
  EXPECT_EQ(shown[3].PropSize, "1034 byte(s)");
  EXPECT_EQ(shown[3].PropContains, "2 file(s), 2 folder(s)");

  Browser.OpenItem(IndexOf("DIR"));
  Commands.ShowProperties(-1);
  EXPECT_EQ(shown[4].PropType, "Folder");
  EXPECT_EQ(shown[4].PropPath, "\\DIR");
}

// Several items: a full folder stops everything before the one question;
// then each goes in turn, the first failure stops the rest, and the folder
// is listed once.
TEST_F(DeviceExchange, deleteSeveralAsksOnceStopsAtAFailureAndListsOnce) {
  for (const char* name : {"\\A.TXT", "\\B.TXT", "\\C.TXT"}) Sim().PutFile(name, "x");
  Sim().PutFile("\\FULL\\F.TXT", "f");
  Browser.PortChanged();
  EXPECT_FALSE(Commands.DeleteItems({IndexOf("FULL"), IndexOf("A.TXT")}));
  EXPECT_EQ(Dialogs.Warnings(), QStringList{DeviceText::FolderNotEmpty("FULL")});
  EXPECT_TRUE(Dialogs.Questions().isEmpty());

  const size_t listings = CountRan("dir");
  talosim::FaultPlan secondFails;  // "del D:\A.TXT\r" is 13 bytes
  secondFails.WrongEchoEvery = 20;
  Sim().SetFaults(secondFails);
  EXPECT_FALSE(Commands.DeleteItems({IndexOf("A.TXT"), IndexOf("B.TXT"), IndexOf("C.TXT")}));
  EXPECT_EQ(Dialogs.Questions(), QStringList{"Delete 3 items from the TALO-7100?"});
  EXPECT_EQ(Dialogs.Errors().size(), 1);
  EXPECT_FALSE(Sim().Exists("\\A.TXT"));
  EXPECT_TRUE(Sim().Exists("\\B.TXT") && Sim().Exists("\\C.TXT"));
  EXPECT_EQ(CountRan("dir"), listings + 1);
  EXPECT_EQ(Names(), QStringList({"FULL", "B.TXT", "C.TXT"}));
}

TEST_F(DeviceExchange, memAndAbortLeaveTheListAsItIs) {
  Sim().PutFile("\\A.TXT", "a");
  Browser.PortChanged();
  int resets = 0;
  QObject::connect(&Browser, &DeviceBrowser::ItemsReset, [&] { ++resets; });
  Commands.ShowMemory();
  Commands.Abort();
  EXPECT_EQ(resets, 0);
  EXPECT_TRUE(Ran("C:\\mem"));
  EXPECT_TRUE(Console.Text().contains("Total memory"));
  EXPECT_EQ(Browser.ItemCount(), 1);
}

// A failed listing's box opens only when the item list is consistent again:
// between the two reset signals the views must not be painted.
TEST_F(DeviceExchange, listingFailureIsShownAfterTheItemsWereReset) {
  struct ResetAwareDialogs : ScriptedDialogs {
    bool InReset = false;
    std::vector<bool> InResetAtError;
    void Tell(const JobResult& result) override {
      if (HowTold(result) == ToldAs::Error) InResetAtError.push_back(InReset);
      ScriptedDialogs::Tell(result);
    }
  } dialogs;
  DeviceShell shell(Console, dialogs, dialogs);
  shell.SetSelectedPort(QString::fromStdString(PortPath()));
  DeviceBrowser browser(shell);
  browser.Lister().SetTimeouts(FastTimeouts());
  QObject::connect(&browser, &DeviceBrowser::ItemsAboutToReset, [&] { dialogs.InReset = true; });
  QObject::connect(&browser, &DeviceBrowser::ItemsReset, [&] { dialogs.InReset = false; });
  browser.ChooseHistoryPath("\\NOWHERE");
  shell.SetSelectedPort(QString());
  browser.PortChanged();
  EXPECT_EQ(dialogs.InResetAtError, (std::vector<bool>{false, false}));
}

TEST_F(DeviceExchange, formatAsksThenEmptiesTheDriveAndListsAgain) {
  Sim().MakeDir("\\DATA");
  Sim().PutFile("\\DATA\\X.TXT", "x");
  Browser.PortChanged();
  Browser.OpenItem(0);
  Dialogs.YesNoAnswers = {false, true};
  EXPECT_FALSE(Commands.Format());
  EXPECT_TRUE(Sim().Exists("\\DATA"));
  EXPECT_TRUE(Commands.Format());
  EXPECT_FALSE(Sim().Exists("\\DATA"));
  // The formatter's prompt, after its last line's line feed, ended the
  // exchange: it was not shown as a line of output.
  EXPECT_FALSE(Console.Lines.contains("D:\\>")) << Console.Text().toStdString();
  // The folder shown is gone: its listing reports the shell's refusal.
  ASSERT_EQ(Dialogs.Errors().size(), 1);
  EXPECT_EQ(Dialogs.Errors()[0], "Invalid directory\r\n'\\DATA'!");
  Browser.GoUp();
  EXPECT_EQ(Browser.ItemCount(), 0);
  EXPECT_EQ(Browser.DeviceFreeBytes(), Sim().FreeBytes());
}

// The root's AutoRun.bat is the one run at boot: a program in the root is
// appended by its name, byte for byte as ever; one below it by its path.
TEST_F(DeviceExchange, autorunAppendsToTheRootsBatchFileEachTimeItIsChosen) {
  Sim().PutFile("\\PROG.EXE", "MZ");
  Sim().PutFile("\\WEBROOT\\HTTPFTPD.EXE", "MZ");
  Browser.PortChanged();
  EXPECT_TRUE(Browser.PopupMenuState(IndexOf("PROG.EXE")).SetToAutoRun);
  EXPECT_TRUE(Commands.SetAutoRun(IndexOf("PROG.EXE")));
  EXPECT_TRUE(Sim().Received().find("echo PROG.EXE>>AutoRun.bat\r") != std::string::npos);
  EXPECT_TRUE(Names().contains("AUTORUN.BAT"));
  Browser.OpenItem(IndexOf("WEBROOT"));
  for (int twice = 0; twice < 2; ++twice)
    EXPECT_TRUE(Commands.SetAutoRun(IndexOf("HTTPFTPD.EXE")));
  EXPECT_EQ(CountRan("echo \\WEBROOT\\HTTPFTPD.EXE>>\\AutoRun.bat"), 2u);
  EXPECT_EQ(Sim().GetFile("\\AUTORUN.BAT"),
            "PROG.EXE\r\n\\WEBROOT\\HTTPFTPD.EXE\r\n\\WEBROOT\\HTTPFTPD.EXE\r\n");
  EXPECT_FALSE(Sim().Exists("\\WEBROOT\\AUTORUN.BAT"));
  EXPECT_EQ(Names(), QStringList({"HTTPFTPD.EXE"}));
}

// rm, mv, mkdir and autorun of the command line: the pane's commands on the
// item its folder's listing shows.
TEST_F(DeviceExchange, commandLineFileCommandsRunThePanesCommands) {
  Sim().PutFile("\\DATA\\A.TXT", "a");
  Sim().PutFile("\\DATA\\B.TXT", "b");
  Sim().PutFile("\\DATA\\FULL\\X.TXT", "x");
  Sim().PutFile("\\DATA\\RUN.EXE", "MZ");
  const DeviceTimeouts quick = FastTimeouts();
  Dialogs.YesNoAnswers = {true, false};
  EXPECT_EQ(DeviceCli::Remove(Shell, {"\\DATA\\A.TXT", "data/b.txt", "\\DATA\\FULL", "\\NONE"}, quick), 1);
  EXPECT_FALSE(Sim().Exists("\\DATA\\A.TXT"));
  EXPECT_TRUE(Sim().Exists("\\DATA\\B.TXT")) << "answered No";
  EXPECT_TRUE(Sim().Exists("\\DATA\\FULL\\X.TXT"));
  EXPECT_EQ(Dialogs.Warnings(), QStringList({"The directory 'FULL' is not empty.\nCannot delete this directory!"}));
  EXPECT_EQ(Dialogs.Errors(), QStringList({"'\\NONE' is not on the TALO-7100's D: drive!"}));

  EXPECT_EQ(DeviceCli::Rename(Shell, "\\DATA\\B.TXT", "C.TXT", quick), 0);
  EXPECT_EQ(DeviceCli::Rename(Shell, "\\DATA\\FULL", "EMPTY", quick), 1);
  EXPECT_EQ(DeviceCli::MakeFolder(Shell, "\\DATA", "NEW", quick), 0);
  EXPECT_EQ(DeviceCli::AutoRun(Shell, "\\DATA\\RUN.EXE", quick), 0);
  EXPECT_EQ(DeviceCli::AutoRun(Shell, "\\DATA\\C.TXT", quick), 1);
  EXPECT_TRUE(Sim().Exists("\\DATA\\C.TXT") && Sim().Exists("\\DATA\\NEW"));
  EXPECT_EQ(Sim().GetFile("\\AUTORUN.BAT"), "\\DATA\\RUN.EXE\r\n");
  EXPECT_EQ(Dialogs.Errors().size(), 3);
}

TEST_F(DeviceExchange, commandLineListingAndCount) {
  Sim().MakeDir("\\DATA");
  Sim().MakeDir("\\DATA\\LOG");
  Sim().PutFile("\\DATA\\RUN.BAT", std::string(42, 'r'));
  Sim().PutFile("\\DATA\\LOG\\A.TXT", std::string(2000, 'a'));
  QStringList lines;
  ASSERT_EQ(DeviceCli::ListFolder(Shell, "DATA", lines, FastTimeouts()), 0);
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0].section('\t', 0, 2), "LOG\t\t<DIR>");
  EXPECT_EQ(lines[1].section('\t', 0, 1), "RUN.BAT\t42");
  EXPECT_FALSE(lines[0].section('\t', 3).isEmpty() || lines[1].section('\t', 2).isEmpty())
      << "the dates";
  EXPECT_EQ(lines[2], "2 object(s)");
  EXPECT_TRUE(lines[3].startsWith("42 byte(s)(")) << lines[3].toStdString();

  QStringList counts;
  ASSERT_EQ(DeviceCli::MeasureFolder(Shell, "\\DATA", counts, FastTimeouts()), 0);
  EXPECT_EQ(counts, QStringList({"2 file(s), 1 folder(s)\t2042 byte(s)"}));

  EXPECT_EQ(DeviceCli::ReadFreeSpace(Shell, "\\DATA\\LOG", FastTimeouts()), Sim().FreeBytes());
  lines.clear();
  EXPECT_EQ(DeviceCli::ListFolder(Shell, "\\MISSING", lines, FastTimeouts()), 1);
  EXPECT_TRUE(lines.isEmpty());
  EXPECT_EQ(Dialogs.Errors().size(), 1);
}

TEST_F(DeviceExchange, entriesAfterAPauseOfTheShellArePartOfTheAnswer) {
  // A busy folder: far more lines after the pause than the prompt budget
  // has time-out units.
  for (int i = 0; i < 110; ++i) Sim().PutFile("\\BUSY\\F" + std::to_string(i) + ".TXT", "x");
  Sim().MakeDir("\\DATA");
  Sim().MakeDir("\\DATA\\LOG");
  Sim().PutFile("\\DATA\\RUN.BAT", std::string(42, 'r'));
  Sim().PutFile("\\DATA\\LOG\\A.TXT", std::string(2000, 'a'));
  // Longer than a read's patience: the answer goes on after the wait for the
  // prompt has begun.
  talosim::FaultPlan faults;
  faults.PauseListingMs = 600;
  Sim().SetFaults(faults);

  Browser.ChooseHistoryPath("\\DATA");
  EXPECT_EQ(Names(), QStringList({"LOG", "RUN.BAT"}));
  EXPECT_EQ(Browser.DeviceFreeBytes(), Sim().FreeBytes());
  EXPECT_EQ(Console.Lines.filter("RUN").size(), 1) << Console.Text().toStdString();
  EXPECT_EQ(Console.Lines.filter("bytes free").size(), 1);

  QStringList lines;
  ASSERT_EQ(DeviceCli::ListFolder(Shell, "\\DATA", lines, FastTimeouts()), 0);
  EXPECT_EQ(lines.value(2), "2 object(s)");
  EXPECT_TRUE(lines.value(3).endsWith(" bytes free)")) << lines.value(3).toStdString();
  QStringList counts;
  ASSERT_EQ(DeviceCli::MeasureFolder(Shell, "\\DATA", counts, FastTimeouts()), 0);
  EXPECT_EQ(counts, QStringList({"2 file(s), 1 folder(s)\t2042 byte(s)"}));
  Browser.ChooseHistoryPath("\\BUSY");
  EXPECT_EQ(Browser.ItemCount(), 110);
  // Quick answers wait the pause out as well: it is no prompt.
  Shell.SetQuickAnswers(true);
  Browser.Refresh();
  EXPECT_EQ(Browser.ItemCount(), 110);
  EXPECT_TRUE(Dialogs.Messages.empty());
}

// A controller that stops in the middle of "dir" or "dir/s" (a real stall):
// the listing and the count fail with their own message, so that a part is
// never taken for the whole. The prompt budget is shortened to keep it fast.
TEST_F(DeviceExchange, stallInTheAnswerFailsTheListingAndTheCountWithTheirMessages) {
  for (int i = 0; i < 30; ++i) Sim().PutFile("\\DATA\\F" + std::to_string(i) + ".TXT", "x");
  DeviceTimeouts quick = FastTimeouts();
  quick.PromptBudgetMs = 300;
  Browser.Lister().SetTimeouts(quick);
  TreeCounts counts;
  struct Case {
    const char* Name;
    std::function<JobResult()> Run;
    QString Message;
  };
  const Case cases[] = {
      {"dir", [&] { return Browser.Lister().ReadListing("\\DATA", {}); },
       DeviceText::ListingCutShort()},
      {"dir/s", [&] { return Browser.Lister().MeasureDeviceFolder("\\DATA", QString(), counts); },
       DeviceText::CountCutShort()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    // The count starts after what a lifted stall still had to send.
    Sim().SetFaults({});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Sim().SetFaults({});
    ASSERT_TRUE(c.Run().Ok());
    // Cut inside the entries: the last 300 bytes are the end of the
    // answer and its prompt.
    talosim::FaultPlan stall;
    stall.StallAfterBytes = Sim().SentSinceFaults() - 300;
    Sim().SetFaults(stall);
    const JobResult cut = c.Run();
    EXPECT_FALSE(cut.Ok());
    EXPECT_EQ(cut.Text, c.Message);
  }
  Sim().SetFaults({});
}

// A "dir" that never ends is read up to the answer's ceiling and no further:
// the listing fails saying so, with at most 20,000 lines' worth of items.
TEST_F(DeviceExchange, listingThatNeverEndsStopsAtTheCeiling) {
  talosim::FaultPlan endless;
  endless.EndlessListing = true;
  Sim().SetFaults(endless);
  int items = 0;
  const JobResult listed =
      Browser.Lister().ReadListing("\\", [&](DeviceListing::ListingLine& line) {
        items += line.LineKind == DeviceListing::ListingLine::Kind::Item;
      });
  EXPECT_FALSE(listed.Ok());
  EXPECT_GT(items, 19000);
  EXPECT_LE(items, 20000);
  EXPECT_EQ(listed.Text,
            QString{"The TALO-7100 does not stop answering 'dir'!\n\nReading stopped after "
                    "20000 lines, 1 MiB or 6 minutes; the answer was not used."});
}

}  // namespace

// Read shows nothing: every way it can fail comes back as its result, with
// no text, the status that tells it apart and the text its top level shows.
TEST_F(DeviceExchange, readHandsEachFailureBackWithItsStatus) {
  Sim().PutFile("\\A.TXT", "alpha");
  Sim().PutFile("\\LONG.LOG", "a\r\n" + std::string(1500, 'x') + "\r\nb\r\n");
  const QString port = Shell.SelectedPort();
  talosim::FaultPlan silent;
  silent.NoEcho = true;
  talosim::FaultPlan hangUp;
  hangUp.HangUpAfterBytes = 2;  // within the echo of "type"
  struct Case {
    const char* Name;
    const char* File;
    talosim::FaultPlan Faults;
    QString Port;
    JobStatus Status;
    QString TextStart;
  };
  const Case cases[] = {
      {"unsafeName", "A|FORMAT", {}, port, JobStatus::Failed,
       DeviceCommand::TypeFile("\\", "A|FORMAT").Refusal},
      {"refusedByTheShell", "NONE.TXT", {}, port, JobStatus::Failed,
       "File not found\n'D:\\NONE.TXT'!"},
      {"lineTooLong", "LONG.LOG", {}, port, JobStatus::Failed,
       DeviceText::TextLineTooLong("D:\\LONG.LOG")},
      {"portNotOpened", "A.TXT", {}, "/nonexistent/ttyTALO", JobStatus::Failed,
       "Unable to open /nonexistent/ttyTALO!"},
      {"noEcho", "A.TXT", silent, port, JobStatus::TimedOut,
       "Unable to send command 'type D:\\A.TXT"},
      // Last: the simulator's line is gone after it.
      {"hangUp", "A.TXT", hangUp, port, JobStatus::Disconnected, ShellText::Disconnected(port)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Sim().SetFaults(c.Faults);
    Shell.SetSelectedPort(c.Port);
    const DeviceTextFile::TextRead read =
        DeviceTextFile::Read(Shell, "\\", QString::fromLatin1(c.File), FastTimeouts());
    EXPECT_EQ(read.Result.Status, c.Status);
    EXPECT_TRUE(read.Result.Text.startsWith(c.TextStart)) << read.Result.Text.toStdString();
    EXPECT_TRUE(read.Text.isEmpty());
  }
  EXPECT_FALSE(Ran("type A|FORMAT"));
  EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(DeviceExchange, catTypesTheFileAndLeavesOutUploadPaddingAndTheShellsLines) {
  Sim().PutFile("\\CONF\\SOCKET.CFG", "# x\r\nip ttl 64\r\n" + std::string(98, '\0'));
  Sim().PutFile("\\AUTORUN.BAT", "D:\\SOCKETP.EXE\r\n\x1b]0;x\x07\tREM\r\n");
  QStringList lines;
  ASSERT_EQ(DeviceCli::ShowTextFile(Shell, "D:\\CONF\\SOCKET.CFG", lines, FastTimeouts()), 0);
  EXPECT_EQ(lines, QStringList({"# x", "ip ttl 64"}));
  EXPECT_TRUE(Ran("type D:\\CONF\\SOCKET.CFG"));
  lines.clear();
  ASSERT_EQ(DeviceCli::ShowTextFile(Shell, "autorun.bat", lines, FastTimeouts()), 0);
  EXPECT_EQ(lines, QStringList({"D:\\SOCKETP.EXE", "\x1b]0;x\x07\tREM"}));
  EXPECT_TRUE(Dialogs.Errors().isEmpty());
}

// A program's bytes stop at its first ^Z: what cat printed is no file.
TEST_F(DeviceExchange, catSaysWhenWhatItPrintedIsNotAllOfTheFile) {
  Sim().PutFile("\\APP.EXE", std::string("MZ\x90\x1A", 4) + std::string(3000, 'x'));
  QStringList lines;
  EXPECT_EQ(DeviceCli::ShowTextFile(Shell, "\\APP.EXE", lines, FastTimeouts()), 1);
  ASSERT_EQ(Dialogs.Errors().size(), 1);
  EXPECT_TRUE(Dialogs.Errors().front().startsWith("D:\\APP.EXE did not come through")) << Dialogs.Errors().front().toStdString();
}

TEST_F(DeviceExchange, catReportsWhatCannotBeShownWholeAndTypesNoUnsafeName) {
  Sim().MakeDir("\\DATA");
  Sim().PutFile("\\LONG.LOG", "a\r\n" + std::string(1500, 'x') + "\r\nb\r\n");
  QStringList lines;
  EXPECT_EQ(DeviceCli::ShowTextFile(Shell, "\\NONE.TXT", lines, FastTimeouts()), 1);
  EXPECT_EQ(DeviceCli::ShowTextFile(Shell, "\\DATA", lines, FastTimeouts()), 1);
  EXPECT_EQ(DeviceCli::ShowTextFile(Shell, "\\LONG.LOG", lines, FastTimeouts()), 1);
  EXPECT_EQ(DeviceCli::ShowTextFile(Shell, "\\A|FORMAT", lines, FastTimeouts()), 1);
  EXPECT_TRUE(lines.isEmpty());
  const QStringList errors = Dialogs.Errors();
  ASSERT_EQ(errors.size(), 4);
  EXPECT_EQ(errors[0], "File not found\n'D:\\NONE.TXT'!");
  EXPECT_EQ(errors[1], "Access denied\n'D:\\DATA'!");
  EXPECT_TRUE(errors[2].contains("longer than 1023")) << errors[2].toStdString();
  EXPECT_TRUE(errors[3].startsWith("The name 'A|FORMAT'")) << errors[3].toStdString();
  EXPECT_EQ(CountRan("type D:\\A|FORMAT"), 0u);
}

// A typed file's line that begins like a prompt, after a pause of the
// shell, is text; only the shell's own prompt (">" and no line end) ends
// the answer, and an answer without it is no file.
TEST(TypeAnswerEnd, onlyTheShellsPromptEndsATypedFile) {
  const struct {
    const char* Name;
    std::string After;  // written 450 ms after "A\r\n"
    bool Whole;
  } cases[] = {{"a line like a prompt", "D:\\DATA\r\nB\r\n\r\nD:\\>", true},
               {"a line like a whole prompt", "D:\\>\r\nB\r\n\r\nD:\\>", true},
               {"no prompt at the end", "D:\\DATA\r\n", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    ScriptedShell peer([&c](const std::string&, PtyPair& line, const auto&) {
      (void)line.Write("\nA\r\n");
      std::this_thread::sleep_for(std::chrono::milliseconds(450));
      return c.After;
    });
    RecordingConsole console;
    ScriptedDialogs dialogs;
    DeviceShell shell(console, dialogs, dialogs);
    shell.SetSelectedPort(QString::fromStdString(peer.Path()));
    DeviceTimeouts timeouts;
    timeouts.FileCommandMs = 100;
    timeouts.PromptBudgetMs = 500;
    const DeviceTextFile::TextRead read =
        DeviceTextFile::Read(shell, QStringLiteral("\\"), QStringLiteral("X.TXT"), timeouts);
    EXPECT_EQ(read.Result.Ok(), c.Whole);
    const std::string rest = c.After.substr(0, c.After.find("\r\n\r\n"));
    EXPECT_EQ(read.Text.toStdString(), c.Whole ? "A\r\n" + rest + "\r\n" : "");
  }
}
