// What the desktop program keeps between runs, the port box's list of tty
// names with their stable names, the port box and device tool bar in sight
// at the first-run size and below, and the feature tools on that tool bar.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include "app/appsettings.h"
#include "app/mainwindow.h"
#include "app/portbox.h"
#include "remote/devicepane.h"
#include "tests/support/ptypair.h"
#include "tests/support/scripteddialogs.h"

namespace {

TEST(AppSettingsFile, portAndGeometryOutliveTheProgramInTheUsersConfigFolder) {
  QTemporaryDir config;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
  const QByteArray geometry("\x01\xd9\xd0\xcb\x00\x03\x00\x00 any bytes", 19);
  {
    AppSettings first;
    EXPECT_EQ(first.LastPort(), QString());
    EXPECT_TRUE(first.WindowGeometry().isEmpty());
    EXPECT_TRUE(first.QuickListings());
    first.SetQuickListings(false);
    first.SetLastPort(QStringLiteral("ttyUSB0"));
    first.SetWindowGeometry(geometry);
    EXPECT_TRUE(first.Save());
  }
  EXPECT_TRUE(QFile::exists(config.filePath(QStringLiteral("talo7100/talo7100.conf"))));
  AppSettings next;
  EXPECT_EQ(next.LastPort(), QStringLiteral("ttyUSB0"));
  EXPECT_EQ(next.WindowGeometry(), geometry);
  EXPECT_FALSE(next.QuickListings());
  // No port selected at the end: nothing stale is offered next time.
  next.SetLastPort(QString());
  next.Save();
  EXPECT_EQ(AppSettings().LastPort(), QString());
}

TEST(AppSettingsFile, commandLinePortWinsAndAGoneDeviceIsNotOffered) {
  PtyPair line;
  const QString present = QString::fromStdString(line.SlavePath());
  EXPECT_EQ(AppSettings::StartPort(QStringLiteral("ttyS0"), present), QStringLiteral("ttyS0"));
  EXPECT_EQ(AppSettings::StartPort(QString(), present), present);
  EXPECT_EQ(AppSettings::StartPort(QString(), QStringLiteral("/dev/talo-unplugged")), QString());
  EXPECT_EQ(AppSettings::StartPort(QString(), QString()), QString());
}

TEST(PortBoxList, showsStableNamesOpensTheTtyAndFitsTheLongestName) {
  QComboBox box;
  box.setEditable(true);
  box.setFixedWidth(60);
  const std::string stable = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A5XK3RJT-if00-port0";
  const QString longName = QStringLiteral("/dev/a_rather_long_adapter_device_name_0");
  PortBox::Fill(box, {{"ttyS0", "", true}, {"ttyUSB0", stable, true}, {"ttyUSB1", "", false}},
                longName);
  ASSERT_EQ(box.count(), 4);
  EXPECT_EQ(box.itemText(1), QStringLiteral("ttyUSB0  ") + QString::fromStdString(stable));
  EXPECT_EQ(box.itemText(2), QStringLiteral("ttyUSB1  (no permission)"));
  EXPECT_EQ(box.itemText(3), longName);
  EXPECT_GE(box.width(), box.fontMetrics().horizontalAdvance(longName));
  EXPECT_GE(box.view()->minimumWidth(), box.fontMetrics().horizontalAdvance(box.itemText(1)));

  // A pick stands for the tty; the edit field then shows its name.
  box.setCurrentIndex(1);
  EXPECT_EQ(PortBox::ChosenPort(box, true), QStringLiteral("ttyUSB0"));
  EXPECT_EQ(box.currentText(), QStringLiteral("ttyUSB0"));
  // A typed name is used as typed, also a stable name.
  box.setEditText(QString::fromStdString(stable));
  EXPECT_EQ(PortBox::ChosenPort(box, false), QString::fromStdString(stable));

  PortBox::Select(box, QStringLiteral("ttyUSB0"));
  EXPECT_EQ(box.currentIndex(), 1);
  EXPECT_EQ(box.currentText(), QStringLiteral("ttyUSB0"));
  // A refill never makes the box narrower than its form made it.
  PortBox::Fill(box, {{"ttyS0", "", true}}, QString());
  EXPECT_GE(box.width(), 60);
  EXPECT_EQ(box.count(), 1);
}

// A new user's first window: the whole device tool bar and the port box in
// sight, also with a long port name and when the window is made as small as
// it goes (no overflow arrow hiding buttons).
TEST(FirstRunWindow, showsTheWholeDeviceToolBarAndThePortBoxAtEverySize) {
  ScriptedDialogs dialogs;
  MainWindow window(&dialogs, &dialogs);
  window.StartUp(QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A5XK3RJT-if00-port0"));
  EXPECT_GE(window.width(), 721);
  EXPECT_GE(window.height(), 580);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* tools = window.DevicePanel()->findChild<QToolBar*>(QStringLiteral("tlbarTalo"));
  auto* ports = window.DevicePanel()->PortBox();
  ASSERT_TRUE(tools && ports);
  const auto inSight = [&](const QWidget* widget, const QWidget* within) {
    const QRect shown(widget->mapTo(&window, QPoint(0, 0)), widget->size());
    return widget->isVisible() &&
           QRect(within->mapTo(&window, QPoint(0, 0)), within->size()).contains(shown);
  };
  for (const QSize size : {window.size(), QSize(200, 150)}) {
    window.resize(size);
    QTest::qWait(20);
    for (QAction* action : tools->actions()) {
      if (action->isSeparator()) continue;
      const QWidget* button = tools->widgetForAction(action);
      EXPECT_TRUE(button && inSight(button, tools)) << action->text().toStdString();
    }
    EXPECT_TRUE(inSight(tools, &window));
    EXPECT_TRUE(inSight(ports, &window)) << window.width();
  }
  dialogs.YesNoAnswers.push_back(true);
  window.close();
}

// Every area's tool reaches its feature from the tool bar: before any
// listing each refuses with the warning to refresh first.
TEST(FirstRunWindow, everyFeatureToolOpensItsFeature) {
  ScriptedDialogs dialogs;
  MainWindow window(&dialogs, &dialogs);
  for (const char* name : {"tbtnTaloConf", "tbtnTCPConf", "tbtnGHOST"}) {
    auto* action = window.DevicePanel()->findChild<QAction*>(QLatin1String(name));
    ASSERT_TRUE(action) << name;
    dialogs.Messages.clear();
    action->trigger();
    ASSERT_EQ(dialogs.Warnings().size(), 1) << name;
    EXPECT_TRUE(dialogs.Warnings().front().contains("Refresh folder")) << name;
  }
  dialogs.YesNoAnswers.push_back(true);
  window.close();
}

// Every command is in the menu bar with its key, so the keyboard reaches it;
// a tool's hint keeps its name and says what the tool does.
TEST(FirstRunWindow, everyCommandIsInTheMenuBarWithItsKey) {
  struct Case {
    const char* Menu;
    const char* Action;
    const char* Key;
    const char* HintStart;
  } cases[] = {
      {"mnuController", "tbtnRefresh", "F5", nullptr},
      {"mnuController", "tbtnTaloUp", "Alt+Up", nullptr},
      {"mnuController", "Delete1", "Del", nullptr},
      {"mnuController", "Rename1", "F2", nullptr},
      {"mnuController", "NewFolder1", "Ctrl+Shift+N", nullptr},
      {"mnuController", "Properities1", "Alt+Return", nullptr},
      {"mnuController", "DOScommand1", "", nullptr},
      {"mnuController", "CopyToPC1", "", nullptr},
      {"mnuController", "actCopyToDevice", "", nullptr},
      {"mnuView", "tbtnLocalRefresh", "F5", nullptr},
      {"mnuView", "tbtnTaloDtIcon", "", nullptr},
      {"mnuTools", "tbtnDOSCmd", "Ctrl+T", "Launch Terminal: "},
      {"mnuTools", "tbtnTaloConf", "", "Config TALO: "},
      {"mnuTools", "tbtnTCPConf", "", "Talo-7100 Configuration: "},
      {"mnuTools", "tbtnGHOST", "", "Quantelix Image Keeper: "},
      {"mnuFile", "actExit", "Ctrl+Q", nullptr},
  };
  ScriptedDialogs dialogs;
  MainWindow window(&dialogs);
  for (const Case& c : cases) {
    auto* menu = window.findChild<QMenu*>(QLatin1String(c.Menu));
    auto* action = window.findChild<QAction*>(QLatin1String(c.Action));
    ASSERT_TRUE(menu && action) << c.Action;
    EXPECT_TRUE(menu->actions().contains(action)) << c.Action;
    EXPECT_EQ(action->shortcut(), QKeySequence::fromString(QLatin1String(c.Key))) << c.Action;
    if (c.HintStart) {
      EXPECT_TRUE(action->toolTip().startsWith(QLatin1String(c.HintStart))) << c.Action;
    }
  }
  // Nothing on the device pane's tool bar is left out of the menus.
  QList<QAction*> inMenus;
  for (QMenu* menu : window.menuBar()->findChildren<QMenu*>()) inMenus += menu->actions();
  auto* tools = window.DevicePanel()->findChild<QToolBar*>(QStringLiteral("tlbarTalo"));
  ASSERT_TRUE(tools);
  for (QAction* action : tools->actions()) {
    if (!action->isSeparator()) {
      EXPECT_TRUE(inMenus.contains(action)) << action->objectName().toStdString();
    }
  }
  dialogs.YesNoAnswers.push_back(true);
  window.close();
}

}  // namespace
