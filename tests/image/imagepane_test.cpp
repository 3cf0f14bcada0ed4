// The image pane: an image opened read-only, its folders, Copy to PC and
// Properties; an image without a file system refused.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "image/imagetext.h"
#include "image/ui/imagepane.h"
#include "sim/talosim.h"
#include "tests/support/scripteddialogs.h"

namespace {

QString SaveDrive(const QTemporaryDir& dir, const std::vector<uint8_t>& drive) {
  QFile file(dir.filePath(QStringLiteral("7100D.img")));
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(reinterpret_cast<const char*>(drive.data()), static_cast<qint64>(drive.size()));
  return file.fileName();
}

QStringList Names(const ImagePane& pane) {
  QStringList names;
  for (const FatItem& item : pane.Items()) names.append(item.Name);
  return names;
}

TEST(ImagePane, showsFoldersFirstAndCopiesTheSelectionWithItsDates) {
  QTemporaryDir dir;
  talosim::SimOptions options;
  options.Clock = "2023-03-14 09:05";
  talosim::Simulator sim(options);
  ASSERT_TRUE(sim.PutFile("\\B.TXT", "bee") && sim.PutFile("\\A\\IN.DAT", "inside"));
  ScriptedDialogs dialogs;
  dialogs.FileAnswers = {SaveDrive(dir, sim.Image())};
  ImagePane* pane = ImagePane::Open(nullptr, dialogs, dialogs);
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(Names(*pane), QStringList({"A", "B.TXT"}));
  EXPECT_EQ(pane->List()->topLevelItemCount(), 2);

  const QString out = dir.filePath(QStringLiteral("out"));
  ASSERT_TRUE(QDir().mkpath(out));
  EXPECT_TRUE(pane->CopyRows({0, 1}, out));
  QFile copied(out + "/A/IN.DAT");
  ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
  EXPECT_EQ(copied.readAll(), "inside");
  EXPECT_EQ(QFileInfo(out + "/B.TXT").lastModified(), QDateTime(QDate(2023, 3, 14), QTime(9, 5)));
  // A second copy asks before it replaces; No keeps the files.
  dialogs.YesNoAnswers = {false};
  EXPECT_FALSE(pane->CopyRows({1}, out));
  EXPECT_EQ(dialogs.Questions().size(), 1);

  ASSERT_TRUE(pane->OpenFolder(QStringLiteral("\\A")));
  EXPECT_EQ(Names(*pane), QStringList({"IN.DAT"}));
  pane->PropertiesOfRow(-1);
  EXPECT_TRUE(dialogs.Texts(ScriptedDialogs::Message::Information).last().contains("1 file(s), 0 folder(s), 6 byte(s)"));
  pane->GoUp();
  EXPECT_EQ(pane->FolderShown(), "\\");
  pane->close();
}

TEST(ImagePane, anImageWithoutAFileSystemOpensNoWindow) {
  QTemporaryDir dir;
  ScriptedDialogs dialogs;
  dialogs.FileAnswers = {SaveDrive(dir, std::vector<uint8_t>(1048576, 0))};
  EXPECT_EQ(ImagePane::Open(nullptr, dialogs, dialogs), nullptr);
  ASSERT_EQ(dialogs.Errors().size(), 1);
  EXPECT_TRUE(dialogs.Errors().front().contains(QLatin1String(ImageText::kNotFat)));
}

}  // namespace
