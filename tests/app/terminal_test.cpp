// The terminal in the main window, against a pseudo-terminal that plays the
// controller: what the keys and pastes put on the line, the toggle, a held
// port, and shut-down with the terminal on.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string_view>

#include "app/consoleview.h"
#include "app/mainwindow.h"
#include "link/port/talocomport.h"
#include "link/terminal/talodataring.h"
#include "link/terminal/taloterminal.h"
#include "link/terminal/terminalprinter.h"
#include "link/terminal/terminalreader.h"
#include "tests/support/ptypair.h"
#include "tests/support/recordingconsole.h"
#include "tests/support/scripteddialogs.h"

namespace {

constexpr int kDeadlineMs = 3000;

class MainWindowTerminal : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(line.IsValid());
    window = std::make_unique<MainWindow>(&dialogs, &dialogs);
    window->StartUp(Port());
    window->show();
  }
  void TearDown() override {
    if (window) {
      dialogs.YesNoAnswers.push_back(true);
      window->close();
      window.reset();
    }
  }
  QString Port() const { return QString::fromStdString(line.SlavePath()); }
  ConsoleView* Memo() { return window->ConsoleWidget(); }
  QAction* Toggle() { return window->findChild<QAction*>(QStringLiteral("tbtnDOSCmd")); }

  void TurnOn() {
    window->ToggleTerminal();
    ASSERT_TRUE(window->Terminal().IsOn());
    ASSERT_EQ(line.Read(1, kDeadlineMs), "\r") << "the shell is asked for a fresh prompt";
  }
  // What the utility put on the line, read while the event loop runs (pastes
  // are paced by a timer).
  std::string Sent(size_t count, int timeoutMs = kDeadlineMs) {
    std::string got;
    (void)QTest::qWaitFor(
        [&] {
          got += line.Read(count - got.size(), 5);
          return got.size() >= count;
        },
        timeoutMs);
    return got;
  }
  bool ConsoleShows(const QString& text) {
    return QTest::qWaitFor([&] { return Memo()->toPlainText().contains(text); }, kDeadlineMs);
  }

  PtyPair line;
  ScriptedDialogs dialogs;
  std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTerminal, toggleHoldsPortDisablesDeviceControlsAndRestoresThem) {
  const QStringList controls = {"tbtnTaloConf", "tbtnTaloUp",     "tbtnRefresh",
                                "tbtnTaloLgIcon", "tbtnTaloSmIcon", "tbtnTaloLsIcon",
                                "tbtnTaloDtIcon", "cbxCOM",         "cbxTalo",
                                "lstviewTalo",    "btnCopy",        "tbtnTCPConf",
                                "tbtnGHOST"};
  auto enabled = [&](const QString& name) {
    QObject* control = window->findChild<QObject*>(name);
    if (auto* widget = qobject_cast<QWidget*>(control)) return widget->isEnabled();
    if (auto* action = qobject_cast<QAction*>(control)) return action->isEnabled();
    ADD_FAILURE() << "no control " << name.toStdString();
    return false;
  };

  TurnOn();
  EXPECT_TRUE(Toggle()->isChecked());
  for (const QString& name : controls) EXPECT_FALSE(enabled(name)) << name.toStdString();
  EXPECT_EQ(Memo()->palette().color(QPalette::Base), QColor(Qt::black));
  EXPECT_EQ(Memo()->palette().color(QPalette::Text), QColor(0xC0, 0xC0, 0xC0));

  window->ToggleTerminal();
  EXPECT_FALSE(window->Terminal().IsOn());
  EXPECT_FALSE(Toggle()->isChecked());
  EXPECT_EQ(window->Terminal().Receiver().GetPort(), nullptr);
  for (const QString& name : controls) EXPECT_TRUE(enabled(name)) << name.toStdString();
  EXPECT_EQ(Memo()->palette().color(QPalette::Text), QColor(0x00, 0x80, 0x00));
  TaloComPort again(line.SlavePath());
  EXPECT_TRUE(again.Open()) << "the port is released when the terminal stops";
}

struct KeyCase {
  const char* Name;
  Qt::Key Key;
  Qt::KeyboardModifiers Modifiers;
  const char* Bytes;
};

class TerminalKeys : public MainWindowTerminal, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(TerminalKeys, keyReachesControllerAsItsBytes) {
  TurnOn();
  Memo()->setFocus();
  QTest::keyClick(Memo(), GetParam().Key, GetParam().Modifiers);
  const std::string expected = GetParam().Bytes;
  EXPECT_EQ(line.Read(expected.size(), kDeadlineMs), expected);
  EXPECT_EQ(line.Read(1, 100), "") << "nothing more is sent";
  EXPECT_EQ(Memo()->toPlainText(), QString()) << "the console only shows the controller's echo";
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TerminalKeys,
    ::testing::Values(KeyCase{"letter", Qt::Key_D, Qt::NoModifier, "d"},
                      KeyCase{"enterIsCarriageReturn", Qt::Key_Return, Qt::NoModifier, "\r"},
                      KeyCase{"backspaceIsBS", Qt::Key_Backspace, Qt::NoModifier, "\b"},
                      KeyCase{"escape", Qt::Key_Escape, Qt::NoModifier, "\x1b"},
                      KeyCase{"tabIsNotAFocusMove", Qt::Key_Tab, Qt::NoModifier, "\t"},
                      KeyCase{"ctrlCIsETX", Qt::Key_C, Qt::ControlModifier, "\x03"},
                      KeyCase{"ctrlAIsSOH", Qt::Key_A, Qt::ControlModifier, "\x01"},
                      // With nothing typed yet there is nothing to recall.
                      KeyCase{"upSendsNoSequence", Qt::Key_Up, Qt::NoModifier, ""},
                      KeyCase{"downSendsNoSequence", Qt::Key_Down, Qt::NoModifier, ""},
                      KeyCase{"rightSendsNothing", Qt::Key_Right, Qt::NoModifier, ""},
                      KeyCase{"leftSendsNothing", Qt::Key_Left, Qt::NoModifier, ""},
                      // The console's menu shows Ctrl+F for Find.
                      KeyCase{"ctrlFFindsInsteadOfSending", Qt::Key_F, Qt::ControlModifier, ""},
                      KeyCase{"f1", Qt::Key_F1, Qt::NoModifier, "\x1bOP"},
                      KeyCase{"f4", Qt::Key_F4, Qt::NoModifier, "\x1bOS"}),
    [](const auto& info) { return std::string(info.param.Name); });

// Up and Down recall what was typed in this terminal: backspaces over the
// typed line, then the recalled text, never an escape sequence.
struct RecallCase {
  const char* Name;
  const char* Typed;  // keys typed first (sent as they are)
  const char* Keys;   // then U for Up, D for Down
  const char* Bytes;  // what those send
};
void PrintTo(const RecallCase& c, std::ostream* out) { *out << c.Name; }

class TerminalRecall : public MainWindowTerminal, public ::testing::WithParamInterface<RecallCase> {};

TEST_P(TerminalRecall, sendsTheRecalledLineInPlaceOfTheTypedOne) {
  TurnOn();
  TaloTerminal& terminal = window->Terminal();
  const std::string typed = GetParam().Typed;
  for (const char c : typed) terminal.KeyPress(QLatin1Char(c));
  ASSERT_EQ(Sent(typed.size()), typed);
  for (const char key : std::string(GetParam().Keys)) {
    terminal.SendSpecialKey(key == 'U' ? TaloTerminal::SpecialKey::Up : TaloTerminal::SpecialKey::Down);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !terminal.IsPasting(); }, kDeadlineMs));
  }
  const std::string expected = GetParam().Bytes;
  EXPECT_EQ(Sent(expected.size()), expected);
  EXPECT_EQ(Sent(1, 100), "") << "nothing more is sent";
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TerminalRecall,
    ::testing::Values(RecallCase{"upRecallsTheLastLine", "dir\rmem\r", "U", "mem"},
                      RecallCase{"upAgainGoesFurtherBack", "dir\rmem\r", "UU", "mem\b\b\bdir"},
                      RecallCase{"upStopsAtTheOldest", "dir\r", "UU", "dir"},
                      RecallCase{"typedTextIsErasedFirst", "dir\rxy", "U", "\b\bdir"},
                      RecallCase{"downPastTheNewestEmptiesTheLine", "dir\r", "UD", "dir\b\b\b"},
                      RecallCase{"aRepeatedLineIsKeptOnce", "dir\rdir\r", "UU", "dir"},
                      RecallCase{"aCancelledLineIsNotKept", "dir\rcls\x1b", "U", "dir"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MainWindowTerminal, keysAreIgnoredWhileTerminalIsOff) {
  Memo()->setFocus();
  QTest::keyClicks(Memo(), QStringLiteral("dir"));
  QTest::keyClick(Memo(), Qt::Key_Up);
  EXPECT_EQ(line.Read(1, 200), "");
  EXPECT_EQ(Memo()->toPlainText(), QString());
}

// Keys written while the controller is still printing keep the output that
// has arrived and not been read yet: all of it reaches the console.
TEST_F(MainWindowTerminal, keysTypedDuringLongOutputLoseNoneOfIt) {
  TurnOn();
  std::string output;
  for (int i = 0; i < 100; ++i) output += "output line " + std::to_string(i) + " of many\r\n";
  ASSERT_TRUE(line.Write(output));
  for (const char c : {'x', 'y', 'z'}) window->Terminal().KeyPress(QLatin1Char(c));
  window->Terminal().SendSpecialKey(TaloTerminal::SpecialKey::F1);
  EXPECT_EQ(Sent(6), "xyz\x1bOP");
  ASSERT_TRUE(ConsoleShows(QStringLiteral("output line 99 of many")));
  const QString shown = Memo()->toPlainText();
  for (int i = 0; i < 100; ++i)
    EXPECT_TRUE(shown.contains(QStringLiteral("output line %1 of many\n").arg(i))) << i;
}

// Keys typed while a paste goes out follow it, in order, so no pasted
// command line is broken up.
TEST_F(MainWindowTerminal, keysTypedDuringPasteFollowIt) {
  TurnOn();
  TaloTerminal& terminal = window->Terminal();
  terminal.Paste(QStringLiteral("dir\r\nmem"));
  terminal.KeyPress(QLatin1Char('x'));
  terminal.SendSpecialKey(TaloTerminal::SpecialKey::F1);
  terminal.KeyPress(QLatin1Char('\r'));
  EXPECT_EQ(Sent(12), "dir\rmemx\x1bOP\r");
  EXPECT_EQ(terminal.KeysWaiting(), 0u);
}

TEST_F(MainWindowTerminal, stoppingTerminalCancelsPaste) {
  TurnOn();
  window->Terminal().Paste(QString(200, QLatin1Char('x')));
  EXPECT_EQ(Sent(3), "xxx");
  window->ToggleTerminal();
  const std::string rest = Sent(200, 300);
  EXPECT_LT(rest.size(), 10u) << "the paste stops with the terminal";
}

TEST_F(MainWindowTerminal, heldPortReportsAndLeavesTerminalOff) {
  TaloComPort other(line.SlavePath());
  ASSERT_TRUE(other.Open());
  window->ToggleTerminal();
  EXPECT_FALSE(window->Terminal().IsOn());
  EXPECT_FALSE(Toggle()->isChecked());
  EXPECT_EQ(dialogs.Errors(), QStringList{QStringLiteral("Unable to open ") + Port() +
                                          QStringLiteral(" !")});
  EXPECT_TRUE(window->findChild<QComboBox*>(QStringLiteral("cbxCOM"))->isEnabled());
  EXPECT_EQ(line.Read(1, 100), "") << "nothing is sent on a port another program holds";
}

TEST_F(MainWindowTerminal, exitQuestionBeepsAndNoKeepsWindowOpen) {
  dialogs.YesNoAnswers = {false};
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(dialogs.Beeps, 1);
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("Are you sure to exit?"));

  dialogs.YesNoAnswers = {true};
  window->AskAndExit();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(dialogs.Messages.size(), 2u) << "File, Exit asks once";
  window.reset();
}

TEST_F(MainWindowTerminal, closingWithTerminalOnStopsWorkersThenReleasesPort) {
  TurnOn();
  ASSERT_TRUE(line.Write("busy output\r\n"));
  ASSERT_TRUE(ConsoleShows(QStringLiteral("busy output")));
  dialogs.YesNoAnswers = {true};
  EXPECT_TRUE(window->close());
  window.reset();  // joins the workers, then releases ring and port
  TaloComPort again(line.SlavePath());
  EXPECT_TRUE(again.Open());
}

// The console output thread holds repainting during a burst; the terminal is
// turned off (and later shut down) right after it took the hold. The console
// must not stay frozen.
TEST(TerminalStop, releasesTheConsoleHeldByABurst) {
  PtyPair line;
  ASSERT_TRUE(line.IsValid());
  struct StopOnHold : RecordingConsole {
    std::function<void()> OnHold;
    void BeginUpdate() override {
      RecordingConsole::BeginUpdate();
      if (OnHold) QTimer::singleShot(0, OnHold);
    }
  } console;
  TaloTerminal terminal(console, nullptr);
  console.OnHold = [&] { terminal.Stop(); };
  QString error;
  ASSERT_TRUE(terminal.Start(QString::fromStdString(line.SlavePath()), error));
  // A burst far longer than the 24 lines after which repainting is held.
  const auto burst = [&] {
    for (int i = 0; i < 200; ++i)
      for (const char c : std::string_view("line of a long burst\r\n"))
        terminal.Ring().Push(static_cast<uint8_t>(c));
  };
  burst();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !terminal.IsOn(); }, kDeadlineMs));
  EXPECT_FALSE(console.Held) << "turned off in the middle of a burst";
  EXPECT_EQ(console.BeginUpdates, console.EndUpdates);

  console.OnHold = nullptr;
  ASSERT_TRUE(terminal.Start(QString::fromStdString(line.SlavePath()), error));
  burst();
  ASSERT_TRUE(QTest::qWaitFor([&] { return console.Held; }, kDeadlineMs));
  terminal.ShutDown();
  EXPECT_FALSE(console.Held) << "shut down in the middle of a burst";
  EXPECT_EQ(console.BeginUpdates, console.EndUpdates);
}

TEST(TerminalPaste, planSendsLineEndsAsOneCarriageReturnAndCutsAt1023) {
  using Step = TaloTerminal::PasteStep;
  auto bytes = [](const std::vector<Step>& steps) {
    std::string out;
    for (const auto& s : steps) out.push_back(static_cast<char>(s.Byte));
    return out;
  };
  const auto plan = TaloTerminal::PlanPaste(QStringLiteral("dir\r\nmem"));
  EXPECT_EQ(bytes(plan), "dir\rmem");
  EXPECT_EQ(plan[3], (Step{13, TaloTerminal::kPasteLineEndMs, true}));
  EXPECT_EQ(plan[0].DelayBeforeMs, 0);

  EXPECT_EQ(bytes(TaloTerminal::PlanPaste(QStringLiteral("a\nb\r\n"))), "a\rb\r");
  EXPECT_EQ(bytes(TaloTerminal::PlanPaste(QStringLiteral("a\rb"))), "a\rb") << "lone CR as is";
  EXPECT_EQ(bytes(TaloTerminal::PlanPaste(QStringLiteral("x\r"))), "x\r");
  EXPECT_EQ(TaloTerminal::PlanPaste(QString(1100, QLatin1Char('x'))).size(), 1023u);
  // A CR LF pair cut by the limit: the CR is the last character and goes as is.
  const auto cut = TaloTerminal::PlanPaste(QString(1022, QLatin1Char('x')) + "\r\n");
  ASSERT_EQ(cut.size(), 1023u);
  EXPECT_FALSE(cut.back().LineEnd);
}

}  // namespace
