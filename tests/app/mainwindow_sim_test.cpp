// The main window against the simulated controller: what a user sees and
// what reaches the controller's shell when he picks a port, turns the
// terminal on and types.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QUrl>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QAction>
#include <QFile>
#include <QItemSelectionModel>
#include <QRandomGenerator>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <QTextBlock>
#include <algorithm>
#include <functional>
#include <utility>
#include <memory>

#include "link/shell/deviceshell.h"
#include "local/localfoldermodel.h"
#include "local/localpane.h"
#include "remote/deviceitemmodel.h"
#include "remote/devicelister.h"
#include "remote/devicelistview.h"
#include "remote/devicepane.h"

#include "app/consoleview.h"
#include "app/mainwindow.h"
#include "link/terminal/taloterminal.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/simfixture.h"

namespace {

constexpr int kDeadlineMs = 5000;

class MainWindowOnSimulator : public SimFixture {
 protected:
  void SetUp() override {
    StartSim();
    window = std::make_unique<MainWindow>(&dialogs, &dialogs);
    window->StartUp(QString::fromStdString(PortPath()));
    window->show();
  }
  void TearDown() override {
    dialogs.YesNoAnswers.push_back(true);
    window->close();
    window.reset();
    SimFixture::TearDown();
  }
  ConsoleView* Memo() { return window->ConsoleWidget(); }
  bool ConsoleShows(const QString& text) {
    return QTest::qWaitFor([&] { return Memo()->toPlainText().contains(text); }, kDeadlineMs);
  }
  bool SimReceived(const std::string& bytes) {
    return QTest::qWaitFor([&] { return Sim().Received() == bytes; }, kDeadlineMs);
  }
  void TurnOnAtPrompt() {
    window->ToggleTerminal();
    ASSERT_TRUE(window->Terminal().IsOn()) << dialogs.Errors().join(' ').toStdString();
    ASSERT_TRUE(ConsoleShows(QStringLiteral("D:\\>")));
    Sim().ClearReceived();
  }

  ScriptedDialogs dialogs;
  std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowOnSimulator, turningOnShowsThePrompt) {
  TurnOnAtPrompt();
  EXPECT_EQ(Memo()->document()->lastBlock().text(), QStringLiteral("D:\\>"));
}

TEST_F(MainWindowOnSimulator, typingDirShowsTheListing) {
  ASSERT_TRUE(Sim().PutFile("\\README.TXT", std::string(1234, 'r')));
  TurnOnAtPrompt();
  Memo()->setFocus();
  QTest::keyClicks(Memo(), QStringLiteral("dir"));
  QTest::keyClick(Memo(), Qt::Key_Return);
  EXPECT_TRUE(ConsoleShows(QStringLiteral(" bytes free\nD:\\>"))) << Memo()->toPlainText().toStdString();
  EXPECT_TRUE(Memo()->toPlainText().contains(QStringLiteral("README   TXT")));
  EXPECT_EQ(Sim().Commands().back(), "dir");
}

// Up recalls the line typed before and the shell runs it again: no escape
// sequence reaches the shell to cancel its line and leave "[A" on it.
TEST_F(MainWindowOnSimulator, upKeyRecallsTheLineTypedBefore) {
  TurnOnAtPrompt();
  Memo()->setFocus();
  QTest::keyClicks(Memo(), QStringLiteral("ver"));
  QTest::keyClick(Memo(), Qt::Key_Return);
  ASSERT_TRUE(ConsoleShows(QStringLiteral("version")));
  QTest::keyClick(Memo(), Qt::Key_Up);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Terminal().IsPasting(); }, 3000));
  QTest::keyClick(Memo(), Qt::Key_Return);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Memo()->toPlainText().count(QStringLiteral("version")) == 2; }, 3000))
      << Memo()->toPlainText().toStdString();
  EXPECT_TRUE(SimReceived("ver\rver\r")) << Sim().Received();
  EXPECT_EQ(Sim().Received().find('\x1b'), std::string::npos);
}

// Ctrl+C typed while the controller pours out a long "type" (at the line's
// pace) reaches it at once: the output stops there, long before its end.
TEST_F(MainWindowOnSimulator, ctrlCStopsALongTypeAtOnce) {
  auto options = SimHarness::DefaultOptions();
  options.Baud = 57600;
  StartSim(options);
  std::string text;
  for (int i = 0; text.size() < 100000; ++i) text += "line " + std::to_string(i) + " of a long log\r\n";
  ASSERT_TRUE(Sim().PutFile("\\BIG.TXT", text + "THE END\r\n"));
  TurnOnAtPrompt();
  window->RunInTerminal(QStringLiteral("type BIG.TXT"));
  ASSERT_TRUE(ConsoleShows(QStringLiteral("line 20 of a long log")));
  Memo()->setFocus();
  QTest::keyClick(Memo(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_TRUE(ConsoleShows(QStringLiteral("^C\nD:\\>")));
  EXPECT_FALSE(Memo()->toPlainText().contains(QStringLiteral("THE END")));
}

TEST_F(MainWindowOnSimulator, pastedLinesReachTheShellAsTypedLines) {
  TurnOnAtPrompt();
  QGuiApplication::clipboard()->setText(QStringLiteral("dir\r\nmem"));
  Memo()->PasteToController();
  EXPECT_TRUE(SimReceived("dir\rmem")) << Sim().Received();
}

TEST_F(MainWindowOnSimulator, pickedPortListsRootAtOnceTypedPortWaitsForEnter) {
  auto* ports = window->findChild<QComboBox*>(QStringLiteral("cbxCOM"));
  ASSERT_NE(ports, nullptr);
  const QString simPort = QString::fromStdString(PortPath());
  auto listings = [&] {
    int count = 0;
    for (const auto& command : Sim().Commands()) count += command == "dir" ? 1 : 0;
    return count;
  };

  // Another port first, typed character by character: nothing is listed
  // until the name is complete.
  ports->lineEdit()->clear();
  QTest::keyClicks(ports->lineEdit(), simPort);
  EXPECT_EQ(listings(), 0);
  QTest::keyClick(ports->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(listings(), 0) << "the same port as before lists nothing";

  ports->addItem(QStringLiteral("/dev/talo-none"));
  ports->setCurrentIndex(ports->count() - 1);
  emit ports->activated(ports->count() - 1);
  EXPECT_EQ(window->SelectedPort(), QStringLiteral("/dev/talo-none"));
  ASSERT_EQ(dialogs.Errors().size(), 1);
  EXPECT_TRUE(dialogs.Errors()[0].startsWith(QStringLiteral("Unable to open /dev/talo-none!")));

  ports->lineEdit()->clear();
  QTest::keyClicks(ports->lineEdit(), simPort);
  EXPECT_EQ(listings(), 0);
  QTest::keyClick(ports->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(window->SelectedPort(), simPort);
  EXPECT_EQ(listings(), 1) << "Enter lists the root once";
  EXPECT_EQ(dialogs.Errors().size(), 1);

  // Picking the selected port again from the list lists it: the pane starts
  // empty, and one adapter offers no other port to pick.
  const int simIndex = ports->findText(simPort);
  ASSERT_GE(simIndex, 0);
  ports->setCurrentIndex(simIndex);
  emit ports->activated(simIndex);
  EXPECT_EQ(listings(), 2);
}

// The copy button: the PC file selected on the left arrives byte-exact in the
// folder the device pane shows (zero-padded to whole blocks), and the device
// pane lists it afterwards.
TEST_F(MainWindowOnSimulator, copyButtonSendsSelectedFileIntoShownFolder) {
  QTemporaryDir pcFolder;
  ASSERT_TRUE(pcFolder.isValid());
  QByteArray content(300, Qt::Uninitialized);
  for (char& c : content) c = static_cast<char>(QRandomGenerator::global()->bounded(256));
  const QString pcFile = pcFolder.filePath(QStringLiteral("LOG.TXT"));
  QFile file(pcFile);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
  file.close();

  ASSERT_TRUE(Sim().MakeDir("\\DATA"));
  ASSERT_TRUE(Sim().PutFile("\\DATA\\A.TXT", "a"));  // on the row the menu last had
  window->DevicePanel()->Browser().OpenDeviceFolder(QStringLiteral("\\DATA"));
  ASSERT_GT(window->DevicePanel()->DeviceFreeBytes(), 0);
  LocalPane* local = window->LocalPanel();
  ASSERT_TRUE(local->OpenPath(pcFolder.path()));
  const int row = local->FolderModel().RowOf(pcFile);
  ASSERT_GE(row, 0);
  local->ActiveView()->selectionModel()->select(
      local->FolderModel().index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);

  // Clicked from the running loop, as in the window: the listing after the
  // copy is then a job, and the copy's check goes on once it has ended.
  QEventLoop loop;
  QTimer::singleShot(0, [&] {
    window->CopySelectedToDevice();
    loop.quit();
  });
  loop.exec();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Shell().Jobs().Busy(); }, kDeadlineMs));
  QCoreApplication::processEvents();  // the check, queued behind the listing

  EXPECT_TRUE(dialogs.Warnings().isEmpty()) << dialogs.Warnings().join(' ').toStdString();
  EXPECT_TRUE(dialogs.Errors().isEmpty()) << dialogs.Errors().join(' ').toStdString();
  const auto stored = Sim().GetFile("\\DATA\\LOG.TXT");
  ASSERT_TRUE(stored.has_value());
  std::string expected(content.constData(), static_cast<size_t>(content.size()));
  expected.append(384 - expected.size(), '\0');
  EXPECT_EQ(*stored, expected);
  EXPECT_EQ(window->DevicePanel()->DevicePath(), QStringLiteral("\\DATA"));
  bool listed = false;
  for (int i = 0; i < window->DevicePanel()->Model().rowCount(); ++i)
    listed = listed || window->DevicePanel()->Model().index(i, 0).data().toString() == QStringLiteral("LOG.TXT");
  EXPECT_TRUE(listed) << "the device pane is listed again after the copy";
  const PaneItem* selected = window->DevicePanel()->SelectedItem();
  ASSERT_NE(selected, nullptr);
  EXPECT_EQ(selected->Name, QStringLiteral("LOG.TXT")) << "the copied file keeps the highlight";
}

// Copy to PC on a text of the device pane: typed into the folder the local
// pane shows, which then lists it.
TEST_F(MainWindowOnSimulator, copyToPcPutsATextIntoTheFolderTheLocalPaneShows) {
  QTemporaryDir pcFolder;
  ASSERT_TRUE(Sim().PutFile("\\DATA\\A.TXT", "alpha\r\n"));
  window->DevicePanel()->Browser().OpenDeviceFolder(QStringLiteral("\\DATA"));
  LocalPane* local = window->LocalPanel();
  ASSERT_TRUE(local->OpenPath(pcFolder.path()));
  const int row = window->DevicePanel()->Browser().IndexOfName(QStringLiteral("A.TXT"));
  ASSERT_GE(row, 0);
  QEventLoop loop;
  QTimer::singleShot(0, [&] {
    window->CopyToPc({row});
    loop.quit();
  });
  loop.exec();
  EXPECT_TRUE(dialogs.Errors().isEmpty()) << dialogs.Errors().join(' ').toStdString();
  QFile copied(pcFolder.filePath(QStringLiteral("A.TXT")));
  ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
  EXPECT_EQ(copied.readAll(), "alpha\r\n");
  EXPECT_GE(local->FolderModel().RowOf(copied.fileName()), 0) << "the local pane lists the copy";
}

// Files dragged from the local pane (its own drag data) or from a file
// manager onto the device list go the copy button's way; a folder among
// them is refused as there, and what carries no local file is not taken.
TEST_F(MainWindowOnSimulator, filesDroppedOnTheDeviceListAreCopiedLikeTheCopyButtonCopies) {
  QTemporaryDir pcFolder;
  ASSERT_TRUE(pcFolder.isValid());
  const QString pcFile = pcFolder.filePath(QStringLiteral("DROP.TXT"));
  QFile file(pcFile);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(QByteArray(200, 'd')) == 200);
  file.close();
  ASSERT_TRUE(QDir(pcFolder.path()).mkdir(QStringLiteral("SUB")));
  ASSERT_TRUE(Sim().MakeDir("\\DATA"));
  window->DevicePanel()->Browser().OpenDeviceFolder(QStringLiteral("\\DATA"));
  LocalPane* local = window->LocalPanel();
  ASSERT_TRUE(local->OpenPath(pcFolder.path()));
  const int row = local->FolderModel().RowOf(pcFile);
  ASSERT_GE(row, 0);
  std::unique_ptr<QMimeData> fromPane(local->FolderModel().mimeData(
      {local->FolderModel().index(row, 0), local->FolderModel().index(row, 1)}));
  ASSERT_NE(fromPane, nullptr);
  ASSERT_EQ(fromPane->urls(), QList<QUrl>{QUrl::fromLocalFile(pcFile)});

  QWidget* target = window->DevicePanel()->ListView()->ActiveView()->viewport();
  const auto drop = [&](const QMimeData& data) {
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    QApplication::processEvents();  // the copy starts once the drop has ended
    return dropped.isAccepted();
  };

  QMimeData web;
  web.setUrls({QUrl(QStringLiteral("https://example.org/a.txt"))});
  EXPECT_FALSE(drop(web));
  QMimeData folder;
  folder.setUrls({QUrl::fromLocalFile(pcFile), QUrl::fromLocalFile(pcFolder.filePath("SUB"))});
  EXPECT_TRUE(drop(folder));
  EXPECT_EQ(dialogs.Warnings(), QStringList{QStringLiteral("Only file can be transferred.")});
  EXPECT_FALSE(Sim().Exists("\\DATA\\DROP.TXT"));

  EXPECT_TRUE(drop(*fromPane));
  EXPECT_TRUE(dialogs.Errors().isEmpty()) << dialogs.Errors().join(' ').toStdString();
  EXPECT_EQ(Sim().GetFile("\\DATA\\DROP.TXT"), std::string(200, 'd') + std::string(56, '\0'));
  const PaneItem* selected = window->DevicePanel()->SelectedItem();
  ASSERT_NE(selected, nullptr) << "the device pane is listed again after the copy";
  EXPECT_EQ(selected->Name, QStringLiteral("DROP.TXT"));
}

// Commands typed in the terminal may change the folder: turning the terminal
// off lists it again, the selected file still selected where the list put it.
TEST_F(MainWindowOnSimulator, turningTheTerminalOffListsTheFolderAgain) {
  ASSERT_TRUE(Sim().PutFile("\\B.TXT", "b"));
  ASSERT_TRUE(Sim().PutFile("\\C.TXT", "c"));
  DevicePane* pane = window->DevicePanel();
  pane->PortChanged();
  pane->ListView()->SelectRow(1);
  ASSERT_EQ(pane->SelectedItem()->Name, QStringLiteral("C.TXT"));
  TurnOnAtPrompt();
  ASSERT_TRUE(Sim().PutFile("\\A.TXT", "a"));
  window->ToggleTerminal();
  ASSERT_FALSE(window->Terminal().IsOn());
  EXPECT_EQ(pane->Model().rowCount(), 3);
  ASSERT_NE(pane->SelectedItem(), nullptr);
  EXPECT_EQ(pane->SelectedItem()->Name, QStringLiteral("C.TXT"));
  EXPECT_TRUE(dialogs.Errors().isEmpty()) << dialogs.Errors().join(' ').toStdString();
}

// What the user typed in the terminal without Enter is erased when the
// terminal goes off: the listing that follows runs "d:", not "del d:".
TEST_F(MainWindowOnSimulator, turningTheTerminalOffErasesALineTypedWithoutEnter) {
  ASSERT_TRUE(Sim().PutFile("\\KEEP.TXT", "k"));
  window->DevicePanel()->PortChanged();
  TurnOnAtPrompt();
  Memo()->setFocus();
  QTest::keyClicks(Memo(), QStringLiteral("del "));
  ASSERT_TRUE(SimReceived("del "));
  const size_t before = Sim().Commands().size();
  window->ToggleTerminal();
  ASSERT_FALSE(window->Terminal().IsOn());
  EXPECT_TRUE(Memo()->toPlainText().contains(QStringLiteral("was erased")))
      << Memo()->toPlainText().toStdString();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Sim().Commands().size() >= before + 3; }, kDeadlineMs));
  const std::vector<std::string> commands = Sim().Commands();
  EXPECT_EQ(std::vector<std::string>(commands.begin() + static_cast<std::ptrdiff_t>(before), commands.end()),
            (std::vector<std::string>{"d:", "cd\\", "dir"}));
  EXPECT_TRUE(Sim().Exists("\\KEEP.TXT"));
}

// The start-up listing holds the main thread while the controller answers:
// it waits until the window has been painted, so the window is never blank.
TEST_F(MainWindowOnSimulator, startListingWaitsForTheFirstPaint) {
  struct FirstPaint : QObject {
    std::function<void()> Seen;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint && Seen) std::exchange(Seen, nullptr)();
      return false;
    }
  } probe;
  int listingsAtPaint = -1;
  probe.Seen = [&] { listingsAtPaint = static_cast<int>(Sim().Commands().size()); };
  MainWindow fresh(&dialogs, &dialogs);
  fresh.StartUp(QString::fromStdString(PortPath()));
  fresh.installEventFilter(&probe);
  fresh.OpenDeviceRootOncePainted();
  fresh.show();
  EXPECT_TRUE(QTest::qWaitFor([&] { return fresh.DevicePanel()->DeviceFreeBytes() > 0; }, kDeadlineMs));
  EXPECT_EQ(listingsAtPaint, 0);
}

// The program as a user starts it after a run on the simulator's port: the
// remembered port is listed at start, as --port lists its port.
TEST(DesktopProgram, listsTheRememberedPortAtStart) {
  SimHarness sim;
  ASSERT_TRUE(sim.Start()) << sim.LastError();
  QTemporaryDir config;
  ASSERT_TRUE(QDir(config.path()).mkpath(QStringLiteral("talo7100")));
  QFile settings(config.filePath(QStringLiteral("talo7100/talo7100.conf")));
  ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
  settings.write("[Port]\nLast=" + QByteArray::fromStdString(sim.PortPath()) + "\n");
  settings.close();
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(TALO_APP_PATH), {});
  const auto listed = [&] {
    const std::vector<std::string> commands = sim.Sim().Commands();
    return std::find(commands.begin(), commands.end(), "dir") != commands.end();
  };
  EXPECT_TRUE(QTest::qWaitFor(listed, 10 * kDeadlineMs));
  program.kill();
  program.waitForFinished(kDeadlineMs);
}

// ---- unplug and re-plug ----------------------------------------------------
// The adapter vanishing in the middle of an operation (the simulator hangs
// up) ends it with one message; a new controller on the same path (the
// adapter plugged in again) works in the same window.

class MainWindowUnplugged : public MainWindowOnSimulator {
 protected:
  void SetUp() override {
    MainWindowOnSimulator::SetUp();
    // The simulator answers at once: short listing time-outs keep this short.
    DeviceTimeouts fast;
    fast.ListingMs = 50;
    window->DevicePanel()->Browser().Lister().SetTimeouts(fast);
  }
  QString Disconnected() const { return ShellText::Disconnected(QString::fromStdString(PortPath())); }
  void HangUpAfter(int64_t bytes) {
    talosim::FaultPlan faults;
    faults.HangUpAfterBytes = bytes;
    Sim().SetFaults(faults);
  }
  // Plugs a fresh controller in at the same path and lists its root.
  void ReplugAndList() {
    StartSim();
    ASSERT_TRUE(Sim().PutFile("\\AGAIN.TXT", "a"));
    const qsizetype errors = dialogs.Errors().size();
    window->DevicePanel()->Refresh();
    EXPECT_EQ(dialogs.Errors().size(), errors) << dialogs.Errors().join(' ').toStdString();
    EXPECT_EQ(Names(), QStringList{QStringLiteral("AGAIN.TXT")});
    EXPECT_EQ(window->SelectedPort(), QString::fromStdString(PortPath()));
    auto* ports = window->findChild<QComboBox*>(QStringLiteral("cbxCOM"));
    ASSERT_NE(ports, nullptr);
    EXPECT_EQ(ports->currentText(), QString::fromStdString(PortPath())) << "the box keeps the path";
  }
  QStringList Names() {
    QStringList names;
    for (int i = 0; i < window->DevicePanel()->Model().rowCount(); ++i)
      names.append(window->DevicePanel()->Model().index(i, 0).data().toString());
    return names;
  }
};

TEST_F(MainWindowUnplugged, terminalTurnsItselfOffWithTheMessageAndComesBackOnTheSamePath) {
  TurnOnAtPrompt();
  Sim().HangUp();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Terminal().IsOn(); }, kDeadlineMs));
  EXPECT_EQ(dialogs.Errors(), QStringList{Disconnected()});
  EXPECT_TRUE(Memo()->toPlainText().contains(Disconnected()));
  QAction* toggle = window->DevicePanel()->findChild<QAction*>(QStringLiteral("tbtnDOSCmd"));
  ASSERT_NE(toggle, nullptr);
  EXPECT_FALSE(toggle->isChecked());
  EXPECT_TRUE(window->findChild<QComboBox*>(QStringLiteral("cbxCOM"))->isEnabled());
  EXPECT_TRUE(window->DevicePanel()->findChild<QAction*>(QStringLiteral("tbtnRefresh"))->isEnabled());

  ReplugAndList();
  TurnOnAtPrompt();
  EXPECT_EQ(dialogs.Errors().size(), 1);
}

TEST_F(MainWindowUnplugged, listingCutByAHangUpSaysSoAndTheNextOneWorks) {
  for (int i = 0; i < 40; ++i)
    ASSERT_TRUE(Sim().PutFile("\\FILE" + std::to_string(i) + ".TXT", "x"));
  HangUpAfter(400);  // "d:" and "cd" answered, the listing half-way
  window->DevicePanel()->Refresh();
  EXPECT_EQ(dialogs.Errors(), QStringList{Disconnected()});
  EXPECT_LT(Names().size(), 40) << "no half listing passes for a whole one";
  ReplugAndList();
}

TEST_F(MainWindowUnplugged, copyCutByAHangUpSaysSoOnceAndTheNextListingWorks) {
  QTemporaryDir pcFolder;
  ASSERT_TRUE(pcFolder.isValid());
  const QString pcFile = pcFolder.filePath(QStringLiteral("BIG.BIN"));
  QFile file(pcFile);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(QByteArray(64 * 1024, 'b')) == 64 * 1024);
  file.close();
  window->DevicePanel()->Refresh();
  ASSERT_GT(window->DevicePanel()->DeviceFreeBytes(), 0);
  LocalPane* local = window->LocalPanel();
  ASSERT_TRUE(local->OpenPath(pcFolder.path()));
  const int row = local->FolderModel().RowOf(pcFile);
  ASSERT_GE(row, 0);
  local->ActiveView()->selectionModel()->select(
      local->FolderModel().index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  HangUpAfter(100);  // the receiver's echo and a few dozen acknowledgements

  window->CopySelectedToDevice();

  EXPECT_EQ(dialogs.Errors(), QStringList{Disconnected()}) << "no second box from a listing";
  EXPECT_TRUE(Memo()->toPlainText().contains(Disconnected()));
  EXPECT_FALSE(Sim().Exists("\\BIG.BIN"));
  ReplugAndList();
}

}  // namespace
