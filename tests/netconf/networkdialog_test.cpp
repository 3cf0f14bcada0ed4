// The configuration dialog: its enabling rules, the octet key filter, what
// its buttons hand to the logic, and its opening from the tool button.
#include "netconf/ui/networkdialog.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QEventLoop>
#include <QTimer>
#include <functional>

#include "link/shell/deviceshell.h"
#include "netconf/netconftext.h"
#include "tests/netconf/netconftesting.h"
#include "tests/support/simfixture.h"
#include "tests/transfer/transfertesting.h"

using namespace transfertest;

namespace {

// Calls a hook with every line the console shows (on the main thread).
class WatchingConsole : public RecordingConsole {
 public:
  std::function<void(const QString&)> Seen;
  void AppendLine(const QString& text) override {
    RecordingConsole::AppendLine(text);
    if (Seen) Seen(text);
  }
};

// The dialog's shell over a simulated controller.
struct ControllerOnSim {
  bool Start() {
    if (!Sim.Start()) return false;
    Shell.SetSelectedPort(QString::fromStdString(Sim.PortPath()));
    return true;
  }
  SimHarness Sim;
  WatchingConsole Console;
  ScriptedDialogs Dialogs;
  DeviceShell Shell{Console, Dialogs, Dialogs};
  DirectPresenter Shows;
};

class ConfDialog : public ::testing::Test {
 protected:
  QList<QWidget*> Row(const char* edits, const QList<const char*>& labels) {
    QList<QWidget*> row;
    for (int i = 0; i < 4; ++i)
      row.append(Dialog.findChild<QWidget*>(QStringLiteral("Edt_%1%2").arg(edits).arg(i)));
    for (const char* label : labels) row.append(Dialog.findChild<QWidget*>(label));
    return row;
  }
  template <typename T>
  T* W(const char* name) {
    return Dialog.findChild<T*>(QLatin1String(name));
  }
  static bool AllEnabled(const QList<QWidget*>& widgets, bool enabled) {
    for (const QWidget* w : widgets)
      if (!w || w->isEnabled() != enabled) return false;
    return true;
  }

  RecordingConsole Console;
  ScriptedDialogs Dialogs;
  DeviceShell Shell{Console, Dialogs, Dialogs};
  DirectPresenter Shows;
  NetworkDialog Dialog{Shell, Shows};
};

TEST_F(ConfDialog, enablingFollowsAddressingAndDnsChoice) {
  Dialog.show();
  const auto address = Row("IP", {"Label10", "Label1", "Label2", "Label3"});
  const auto gateway = Row("GW", {"Label19", "Label20", "Label21", "Label22"});
  const auto dns = Row("PD", {"Label11", "Label12", "Label13", "Label14"});
  // Opens on Static IP with everything usable.
  EXPECT_TRUE(W<QRadioButton>("RBt_IP")->isChecked());
  EXPECT_TRUE(AllEnabled(address + gateway + dns, true));

  QTest::mouseClick(W<QCheckBox>("Chk_DNS"), Qt::LeftButton, {},
                    QPoint(5, W<QCheckBox>("Chk_DNS")->height() / 2));
  EXPECT_TRUE(W<QCheckBox>("Chk_DNS")->isChecked());
  EXPECT_TRUE(AllEnabled(address + gateway, true));
  EXPECT_TRUE(AllEnabled(dns, false));

  W<QRadioButton>("RBt_DHCP")->click();
  EXPECT_TRUE(AllEnabled(address + gateway + dns, false));
  EXPECT_FALSE(W<QCheckBox>("Chk_DNS")->isEnabled());
  // Back to Static IP: the DNS rows still follow the checked box.
  W<QRadioButton>("RBt_IP")->click();
  EXPECT_TRUE(AllEnabled(address + gateway, true));
  EXPECT_TRUE(AllEnabled(dns, false));
  W<QCheckBox>("Chk_DNS")->click();
  EXPECT_TRUE(AllEnabled(dns, true));

  // Never shown: the secondary DNS row and the remote console box.
  for (QWidget* hidden : Row("SD", {"Label15", "Label16", "Label17", "Label18"}) +
                             QList<QWidget*>{W<QCheckBox>("Chk_RC")})
    EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
  // Enter in an edit must not press a button.
  for (QPushButton* button : {W<QPushButton>("Bt_IPUpdate"), W<QPushButton>("Bt_FTPUpdate"),
                              W<QPushButton>("Bt_SystemInit")})
    EXPECT_FALSE(button->autoDefault() || button->isDefault());
}

TEST_F(ConfDialog, octetEditsTakeDigitsAndSignsOnly) {
  Dialog.show();
  QTest::keyClicks(W<QLineEdit>("Edt_IP0"), "1a");
  EXPECT_EQ(W<QLineEdit>("Edt_IP0")->text(), "1");
  QTest::keyClicks(W<QLineEdit>("Edt_GW3"), "x+9");
  EXPECT_EQ(W<QLineEdit>("Edt_GW3")->text(), "+9");
  QTest::keyClick(W<QLineEdit>("Edt_GW3"), Qt::Key_Backspace);
  EXPECT_EQ(W<QLineEdit>("Edt_GW3")->text(), "+");
}

// A dot ends an octet as in a typed address; a dotted address pasted into
// any octet fills its row, and what would not fit an octet is not cut.
TEST_F(ConfDialog, aDotMovesOnAndAPastedAddressFillsTheRow) {
  Dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Dialog));
  QTest::keyClicks(W<QLineEdit>("Edt_IP0"), "192.");
  EXPECT_EQ(W<QLineEdit>("Edt_IP0")->text(), "192");
  EXPECT_EQ(QApplication::focusWidget(), W<QLineEdit>("Edt_IP1"));
  QTest::keyClick(W<QLineEdit>("Edt_IP1"), Qt::Key_Comma, Qt::KeypadModifier);  // keypad decimal
  EXPECT_EQ(QApplication::focusWidget(), W<QLineEdit>("Edt_IP1")) << "an empty octet keeps focus";
  QTest::keyClicks(W<QLineEdit>("Edt_IP3"), "5.");
  EXPECT_EQ(W<QLineEdit>("Edt_IP3")->text(), "5");
  W<QLineEdit>("Edt_IP2")->setText("12");
  W<QLineEdit>("Edt_IP2")->setCursorPosition(1);
  QTest::keyClick(W<QLineEdit>("Edt_IP2"), Qt::Key_Period);
  EXPECT_EQ(W<QLineEdit>("Edt_IP2")->text(), "1.2") << "inside an octet a dot is a character";

  QGuiApplication::clipboard()->setText(QStringLiteral(" 10.0.0.254\n"));
  QTest::keyClick(W<QLineEdit>("Edt_GW2"), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Dialog.Addresses().Gateway, (OctetTexts{"10", "0", "0", "254"}));
  QGuiApplication::clipboard()->setText(QStringLiteral("1000"));
  QTest::keyClick(W<QLineEdit>("Edt_PD0"), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(W<QLineEdit>("Edt_PD0")->text(), "");
}

TEST_F(ConfDialog, accountLimitsAreShownAndALongerPasswordIsRefusedNotCut) {
  EXPECT_EQ(W<QLabel>("LblFTPIDLimit")->text(), NetConfText::LengthHint(15));
  EXPECT_EQ(W<QLabel>("LblHTPpwdLimit")->text(), NetConfText::LengthHint(10));
  W<QLineEdit>("Edt_FTPID")->setText("ftp");
  QTest::keyClicks(W<QLineEdit>("MEdt_FTPpwd"), "pumpstation1");
  EXPECT_EQ(Dialog.Accounts().FtpPassword, "pumpstation1");
  W<QLineEdit>("Edt_HTPID")->setText("web");
  W<QLineEdit>("MEdt_HTPpwd")->setText("pw");
  W<QPushButton>("Bt_FTPUpdate")->click();
  EXPECT_EQ(Dialogs.Errors(), QStringList{NetConfText::TooLong("FTP password", 10)});
  EXPECT_EQ(Shows.Presented, 0);
}

TEST_F(ConfDialog, updateButtonsShowTheChecksOfTheControls) {
  W<QLineEdit>("Edt_IP0")->setText("10");
  W<QLineEdit>("Edt_IP1")->setText("0");
  W<QLineEdit>("Edt_IP2")->setText("0");
  W<QLineEdit>("Edt_GW0")->setText("10");
  W<QPushButton>("Bt_IPUpdate")->click();
  EXPECT_EQ(Dialogs.Errors(), (QStringList{NetConfText::kIpIllegal, NetConfText::kGatewayIllegal,
                                           NetConfText::kDnsIllegal}));
  Dialogs.Messages.clear();
  W<QLineEdit>("Edt_FTPID")->setText("ftp");
  W<QLineEdit>("MEdt_FTPpwd")->setText("pw");
  W<QLineEdit>("Edt_HTPID")->setText("web");
  W<QPushButton>("Bt_FTPUpdate")->click();
  EXPECT_EQ(Dialogs.Errors(), QStringList{NetConfText::kBlankAccount});

  W<QCheckBox>("Chk_Read")->setChecked(true);
  W<QCheckBox>("Chk_Change")->setChecked(true);
  W<QCheckBox>("Chk_UseCGI")->setChecked(true);
  W<QCheckBox>("Chk_HtpFtp")->setChecked(true);
  W<QCheckBox>("Chk_Http")->setChecked(true);
  EXPECT_EQ(Dialog.Accounts().FtpRights, "dr");
  EXPECT_EQ(Dialog.Accounts().HttpRights, "g");
  EXPECT_TRUE(Dialog.Servers().HttpFtp && !Dialog.Servers().Ftp && Dialog.Servers().Http);
}

// The password edits hold passwords: no core file and no dump of the
// process once the dialog is made.
TEST(ConfDialogPasswords, coreDumpsAreOffOnceTheDialogIsMade) {
  ASSERT_EQ(::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0), 0);
  RecordingConsole console;
  ScriptedDialogs dialogs;
  DeviceShell shell(console, dialogs, dialogs);
  DirectPresenter shows;
  NetworkDialog dialog(shell, shows);
  EXPECT_EQ(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
  rlimit core{};
  ASSERT_EQ(::getrlimit(RLIMIT_CORE, &core), 0);
  EXPECT_EQ(core.rlim_cur, 0u);
}

TEST(TcpConfButton, refusesBeforeAListingAndListsAgainAfterTheDialog) {
  RecordingConsole console;
  ScriptedDialogs dialogs;
  DeviceShell shell(console, dialogs, dialogs);
  int refreshed = 0;
  NetworkDialog::Open(nullptr, shell, 0, [&] { ++refreshed; });
  EXPECT_EQ(dialogs.Warnings(), QStringList{ShellText::kRefreshFirst});
  EXPECT_EQ(refreshed, 0);

  QString caption;
  QTimer::singleShot(0, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      caption = modal->windowTitle();
      modal->close();
    }
  });
  NetworkDialog::Open(nullptr, shell, 1000, [&] { ++refreshed; });
  EXPECT_EQ(caption, "Talo-7100 Series Configuration");
  EXPECT_EQ(refreshed, 1);
}

// Read from controller: both parts filled from the controller's files, the
// passwords left empty with the line that says so; nothing read unasked.
TEST(ConfDialogReadBack, fillsBothPartsFromTheControllerButNoPassword) {
  ControllerOnSim c;
  ASSERT_TRUE(c.Start()) << c.Sim.LastError();
  talosim::Simulator& controller = c.Sim.Sim();
  controller.PutFile("\\CONF\\SOCKET.CFG",
                     "ip address 10.1.2.3\r\ninterface pdr if0 dix 1500 10 0x60\r\n"
                     "route add default if0 0\r\ndomain server 10.1.2.9\r\nip address\r\n"
                     "ip ttl 64\r\ntcp mss 1460\r\ntcp window 2920\r\n");
  controller.PutFile("\\CONF\\SOCKET.UPW", "ops s3cret WebRoot cw\r\n\r\nweb pw / pg");
  NetConfigTimes times;
  times.Read.FileCommandMs = 100;
  NetworkDialog dialog(c.Shell, c.Shows, nullptr, times);
  const auto text = [&](const char* name) { return dialog.findChild<QLineEdit*>(name)->text(); };
  const auto checked = [&](const char* name) {
    return dialog.findChild<QAbstractButton*>(name)->isChecked();
  };
  EXPECT_TRUE(text("Edt_IP0").isEmpty() && text("Edt_FTPID").isEmpty());
  EXPECT_TRUE(controller.Commands().empty());
  dialog.findChild<QLineEdit*>("MEdt_FTPpwd")->setText("typed");
  dialog.findChild<QRadioButton*>("RBt_DHCP")->setChecked(true);

  // Clicked from the running loop, as in the window: each file is read on
  // the runner's worker.
  QEventLoop loop;
  QTimer::singleShot(0, [&] {
    dialog.findChild<QPushButton*>("Bt_ReadBack")->click();
    loop.quit();
  });
  loop.exec();
  EXPECT_EQ(c.Dialogs.Errors(), QStringList());
  EXPECT_TRUE(checked("RBt_IP") && !checked("Chk_DNS"));
  EXPECT_EQ(QStringList({text("Edt_IP0"), text("Edt_IP1"), text("Edt_IP2"), text("Edt_IP3")}),
            QStringList({"10", "1", "2", "3"}));
  EXPECT_TRUE(text("Edt_GW0").isEmpty());
  EXPECT_EQ(text("Edt_PD3"), "9");
  EXPECT_TRUE(dialog.findChild<QLineEdit*>("Edt_PD3")->isEnabled());
  EXPECT_EQ(dialog.Accounts().FtpId, "ops");
  EXPECT_EQ(dialog.Accounts().FtpRights, "cw");
  EXPECT_EQ(dialog.Accounts().HttpRights, "pg");
  EXPECT_TRUE(dialog.Accounts().FtpPassword.isEmpty() && dialog.Accounts().HttpPassword.isEmpty());
  EXPECT_FALSE(dialog.findChild<QLabel*>("LblPasswordsAgain")->isHidden());
}

}  // namespace

namespace {

// Esc in any step of the initialisation stops it there instead of closing
// the dialog: the step's line, shown but not yet typed, is not typed at all,
// nothing further is typed or copied, the console says it stopped and no
// box says it failed.
// The buttons that start device work stay disabled until the flow ends.
TEST(ConfDialogInit, escStopsTheInitialisationInTheStepAndKeepsTheDialogOpen) {
  netconftest::TestInstallation home;
  ASSERT_TRUE(home.Ready());
  ControllerOnSim c;
  ASSERT_TRUE(c.Start()) << c.Sim.LastError();
  NetConfigTimes times;
  times.FormatTimeoutMs = times.FormatBudgetMs = 200;
  NetworkDialog dialog(c.Shell, c.Shows, nullptr, times);
  dialog.show();
  const std::vector<std::string> steps = {"C:\\DLFMT D: /C", "D:", "mkdir conf",
                                          "mkdir WebRoot", "dir"};
  for (size_t stopped = 0; stopped < steps.size(); ++stopped) {
    SCOPED_TRACE(steps[stopped]);
    const auto typedBefore = static_cast<std::ptrdiff_t>(c.Sim.Sim().Commands().size());
    c.Console.Clear();
    QList<bool> enabledAtEsc;
    c.Console.Seen = [&](const QString& line) {
      if (line.toStdString() != steps[stopped]) return;
      for (const char* name : {"Bt_IPUpdate", "Bt_FTPUpdate", "Bt_SystemInit", "Bt_ReadBack"})
        enabledAtEsc.append(dialog.findChild<QPushButton*>(name)->isEnabled());
      QTest::keyClick(&dialog, Qt::Key_Escape);
    };
    QEventLoop loop;
    QTimer::singleShot(0, [&] {
      dialog.findChild<QPushButton*>("Bt_SystemInit")->click();
      loop.quit();
    });
    loop.exec();
    EXPECT_EQ(enabledAtEsc, QList<bool>(4, false));
    const std::vector<std::string> typed = c.Sim.Sim().Commands();
    EXPECT_EQ(std::vector<std::string>(typed.begin() + typedBefore, typed.end()),
              std::vector<std::string>(steps.begin(), steps.begin() + stopped));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.findChild<QPushButton*>("Bt_SystemInit")->isEnabled());
    EXPECT_EQ(c.Console.Lines.at(c.Console.Lines.size() - 2), JobRunner::StoppedText());
    EXPECT_EQ(c.Dialogs.Errors(), QStringList());
    EXPECT_EQ(c.Shows.Presented, 0) << "nothing copied";
  }
}

}  // namespace
