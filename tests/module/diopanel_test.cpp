// The DIO panel and its start flow against the simulated controller: the
// module found or not, lamps that follow the inputs, a click that switches
// an output, a module that stops answering, and the close sequence.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "installation/installationtext.h"
#include "link/port/talocomport.h"
#include "module/diotext.h"
#include "module/ui/diopanel.h"
#include "module/ui/diopanelflow.h"
#include "remote/devicetexts.h"
#include "tests/module/diotesting.h"
#include "transfer/ui/transferdialogpresenter.h"

using namespace diotest;

namespace {

constexpr int kDeadlineMs = 5000;

class DioPanelTest : public DioSimTest {
 protected:
  // Runs the start flow; drive(panel) runs once the panel is up and should
  // close it.
  DioStartResult RunFlow(std::function<void(DioPanel&)> drive, int pollIntervalMs = 0) {
    bool driven = false;
    QTimer watcher;
    watcher.setInterval(20);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
      auto* panel = qobject_cast<DioPanel*>(QApplication::activeModalWidget());
      if (!panel || driven) return;
      driven = true;
      PanelSeen = true;
      drive(*panel);
    });
    watcher.start();
    DioTimings timings = Timings();
    if (pollIntervalMs > 0) timings.PollIntervalMs = pollIntervalMs;
    return RunDioPanel(nullptr, Shell, 1'000'000, timings);
  }
  static bool WaitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, kDeadlineMs);
  }
  static QString Hex(DioPanel& panel) {
    return panel.findChild<QLineEdit*>(QStringLiteral("edtDI_Hex"))->text();
  }
  static bool Working(DioPanel& panel) {
    const QString key = panel.PanelState().StatusKey();
    return key == QLatin1String("0") || key == QLatin1String("1");
  }

  bool PanelSeen = false;
};

TEST_F(DioPanelTest, lampsFollowTheInputsAClickSwitchesAndClosingReleasesInOrder) {
  Start("7101", 0x0A);
  const DioStartResult result = RunFlow([this](DioPanel& panel) {
    EXPECT_TRUE(WaitFor([&] { return Hex(panel) == "0x0A00"; })) << Hex(panel).toStdString();
    EXPECT_EQ(panel.PanelState().LampsText(), "DI 0101 DO 0000");
    Sim().SetModuleInputs(0x05);
    EXPECT_TRUE(WaitFor([&] { return Hex(panel) == "0x0500"; }));
    panel.findChild<QPushButton*>(QStringLiteral("bitbtnDO1"))->click();
    EXPECT_TRUE(WaitFor([&] { return Hex(panel) == "0x0502"; }));
    EXPECT_EQ(Sim().ModuleOutputs(), 0x02);
    panel.findChild<QPushButton*>(QStringLiteral("bitbtnDO1"))->click();
    EXPECT_TRUE(WaitFor([&] { return Hex(panel) == "0x0500"; }));
    panel.close();
    EXPECT_TRUE(panel.isVisible());  // still releasing
    EXPECT_EQ(panel.StatusText(), DioText::kReleasing);
  });
  EXPECT_EQ(result, DioStartResult::PanelShown);
  ASSERT_TRUE(PanelSeen);
  EXPECT_TRUE(Dialogs.Errors().isEmpty()) << Dialogs.Errors().join('|').toStdString();
  EXPECT_EQ(Dialogs.Texts(ScriptedDialogs::Message::Information),
            QStringList{DioText::kReleased});
  // The uploads, the identification and the simulation start, in order.
  const std::vector<std::string> commands = Sim().Commands();
  ASSERT_GE(commands.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(commands.end() - 4, commands.end()),
            (std::vector<std::string>{"D:\\MODID", "D:\\simu7101", "del D:\\simu7101.exe",
                                      "del D:\\MODID.exe"}));
  EXPECT_TRUE(CompanionsDeleted());
  // The end command, then 1000 ms, the first delete, 2000 ms, the second.
  const std::vector<PauseSeen> pauses = RecordedPauses();
  // The identification's 100 ms first, then 100 ms for the shell's line
  // feed after the simulation's command line.
  ASSERT_EQ(pauses.size(), 4u);
  EXPECT_EQ(pauses[1].Ms, 100u);
  EXPECT_TRUE(pauses[1].ReceivedBefore.ends_with("D:\\simu7101\r"));
  EXPECT_EQ(pauses[2].Ms, 1000u);
  EXPECT_TRUE(pauses[2].ReceivedBefore.ends_with("#01OL\r"));
  EXPECT_EQ(pauses[3].Ms, 2000u);
  EXPECT_TRUE(pauses[3].ReceivedBefore.ends_with("#01OL\rdel D:\\simu7101.exe\r"));
  EXPECT_TRUE(Sim().Received().ends_with("del D:\\simu7101.exe\rdel D:\\MODID.exe\r"));
}

// A module that acknowledges the change and keeps its outputs: the lamps
// show what it holds, and the set is reported as failed.
TEST_F(DioPanelTest, aSetTheModuleDoesNotMakeSaysFailToSetDO) {
  Start("7101", 0x0A);
  talosim::FaultPlan ignoring;
  ignoring.ModuleIgnoresSets = true;
  Sim().SetFaults(ignoring);
  RunFlow(
      [this](DioPanel& panel) {
        EXPECT_TRUE(WaitFor([&] { return Hex(panel) == "0x0A00"; }));
        panel.findChild<QPushButton*>(QStringLiteral("bitbtnDO1"))->click();
        EXPECT_TRUE(WaitFor([&] { return panel.StatusText() == DioText::kSetFailed; }));
        EXPECT_EQ(Hex(panel), "0x0A00");
        EXPECT_FALSE(panel.PanelState().DOOn(1));
        panel.close();
      },
      400);
  EXPECT_TRUE(PanelSeen);
  EXPECT_NE(Sim().Received().find("#011101\r$016\r"), std::string::npos) << "set, then read back";
}

TEST_F(DioPanelTest, anAbsentModuleGivesItsMessageAndNoPanel) {
  Start("NONE");
  const DioStartResult result = RunFlow([](DioPanel& panel) { panel.close(); });
  EXPECT_EQ(result, DioStartResult::Failed);
  EXPECT_FALSE(PanelSeen);
  EXPECT_EQ(Dialogs.Errors(), QStringList{DioText::kNoModule});
  EXPECT_TRUE(Console.Text().contains("No embedded module found."));
  // The companion programs stay; the port is free again.
  EXPECT_TRUE(Sim().Exists("\\MODID.EXE"));
  TaloComPort port(PortPath());
  EXPECT_TRUE(port.Open());
}

// A companion program missing from the installation folder is named with
// the folder, not blamed on the cable, and nothing is sent.
TEST_F(DioPanelTest, aMissingCompanionIsNamedAndNothingIsSent) {
  Start("7101");
  ASSERT_TRUE(QFile::remove(Home.filePath(QStringLiteral("Config/SIMU7101.EXE"))));
  EXPECT_EQ(RunFlow([](DioPanel& panel) { panel.close(); }), DioStartResult::Failed);
  EXPECT_EQ(Dialogs.Errors(), QStringList{InstallationText::ShippedFileMissing(
                                  QStringLiteral("SIMU7101.EXE"), Home.path() + QStringLiteral("/Config/"))});
  EXPECT_EQ(Sim().Received(), "");
}

TEST_F(DioPanelTest, aStalledModuleShowsTheFailurePairAndThePanelStillCloses) {
  Start("7101", 0x03);
  RunFlow([this](DioPanel& panel) {
    EXPECT_TRUE(WaitFor([&] { return Hex(panel) == "0x0300"; }));
    talosim::FaultPlan stall;
    stall.StallAfterBytes = 0;
    Sim().SetFaults(stall);
    EXPECT_TRUE(WaitFor([&] { return !Working(panel); }));
    EXPECT_EQ(panel.StatusText(), DioText::kPollFailed);
    EXPECT_EQ(Hex(panel), "0x0300");  // kept, not turned off
    Sim().SetFaults({});
    EXPECT_TRUE(WaitFor([&] { return Working(panel); }));
    EXPECT_EQ(panel.StatusText(), DioText::kPolling);
    // Silent again while closing: the window closes all the same.
    Sim().SetFaults(stall);
    EXPECT_TRUE(WaitFor([&] { return !Working(panel); }));
    panel.close();
  });
  EXPECT_TRUE(PanelSeen);
  EXPECT_EQ(Dialogs.Errors(), QStringList{DioText::kDeleteFailed});
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The adapter unplugged while the panel polls: the panel says so once and
// closes by itself, without the release that could no longer reach the
// controller; the port is free again.
TEST_F(DioPanelTest, aHangUpClosesThePanelWithItsMessage) {
  Start("7101", 0x03);
  RunFlow([this](DioPanel& panel) {
    EXPECT_TRUE(WaitFor([&] { return Hex(panel) == "0x0300"; }));
    Sim().HangUp();
    EXPECT_TRUE(WaitFor([&] { return !panel.isVisible(); }));
    if (panel.isVisible()) panel.close();
  });
  EXPECT_TRUE(PanelSeen);
  EXPECT_EQ(Dialogs.Errors(), QStringList{ShellText::Disconnected(QString::fromStdString(PortPath()))});
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(DioPanelTest, refusesBeforeAListingAndAfterNo) {
  Start();
  // The flow hands its refusal back; only the top level shows it.
  TransferDialogPresenter presenter;
  const DioStart refused = DioStartFlow::Run({Shell, presenter, 0, Timings()}, [](TaloComPort&) {});
  EXPECT_EQ(refused.State, DioStartResult::NotStarted);
  EXPECT_TRUE(Dialogs.Messages.empty());
  Shell.Tell(DioStartFlow::Told(refused));
  EXPECT_EQ(Dialogs.Warnings(), QStringList{ShellText::kRefreshFirst});
  EXPECT_EQ(RunDioPanel(nullptr, Shell, 0, Timings()), DioStartResult::NotStarted);
  Dialogs.YesNoAnswers.push_back(false);
  EXPECT_EQ(RunDioPanel(nullptr, Shell, 1000, Timings()), DioStartResult::NotStarted);
  EXPECT_TRUE(Sim().Commands().empty());
}

}  // namespace
