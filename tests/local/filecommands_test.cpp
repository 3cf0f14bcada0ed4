// The context menu's file commands: they must never lose or overwrite data.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "local/localfilecommands.h"
#include "local/localmessages.h"
#include "tests/local/localtesttree.h"

namespace {

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(LocalFileCommands, renameNeverReplacesAnExistingItem) {
  LocalTestTree tree;
  const QString a = tree.File("a.txt", 3);
  const QString b = tree.File("b.txt", 5);
  tree.Folder("dir");

  for (const char* taken : {"b.txt", "dir"}) {
    SCOPED_TRACE(taken);
    const auto result = LocalFileCommands::Rename(a, taken);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Error, LocalMessages::RenameExists(taken));
  }
  EXPECT_EQ(Contents(a), "xxx");
  EXPECT_EQ(Contents(b), "xxxxx");

  const auto renamed = LocalFileCommands::Rename(a, " c.txt ");
  ASSERT_TRUE(renamed.Ok) << renamed.Error.toStdString();
  EXPECT_EQ(renamed.Path, tree.Path("c.txt"));
  EXPECT_EQ(Contents(tree.Path("c.txt")), "xxx");
  EXPECT_FALSE(QFileInfo::exists(a));
}

TEST(LocalFileCommands, renameRejectsNamesThatLeaveTheFolder) {
  LocalTestTree tree;
  const QString a = tree.File("a.txt", 3);
  for (const char* bad : {"", "  ", ".", "..", "x/y", "../a2"}) {
    SCOPED_TRACE(bad);
    const auto result = LocalFileCommands::Rename(a, bad);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Error, LocalMessages::RenameInvalid(bad));
  }
  EXPECT_EQ(Contents(a), "xxx");
  const auto missing = LocalFileCommands::Rename(tree.Path("gone"), "new");
  EXPECT_FALSE(missing.Ok);
  EXPECT_TRUE(missing.Error.contains("No such file or directory"));
}

TEST(LocalFileCommands, deleteForeverRemovesAFolderButNotWhatItsLinksPointTo) {
  LocalTestTree tree;
  const QString keep = tree.File("outside/keep.txt", 4);
  tree.File("victim/sub/file", 10);
  ASSERT_TRUE(QFile::link(tree.Path("outside"), tree.Path("victim/link")));

  ASSERT_TRUE(LocalFileCommands::DeleteForever(tree.Path("victim")).Ok);
  EXPECT_FALSE(QFileInfo::exists(tree.Path("victim")));
  EXPECT_EQ(Contents(keep), "xxxx");

  ASSERT_TRUE(QFile::link(tree.Path("outside"), tree.Path("dirlink")));
  ASSERT_TRUE(LocalFileCommands::DeleteForever(tree.Path("dirlink")).Ok);
  EXPECT_EQ(Contents(keep), "xxxx") << "a link to a folder goes, the folder stays";
  EXPECT_FALSE(LocalFileCommands::DeleteForever(tree.Path("dirlink")).Ok);
}

TEST(LocalFileCommands, moveToTrashKeepsTheFileInTheTrash) {
  LocalTestTree tree;
  const QString dataHome = tree.Folder("xdg");
  const QByteArray saved = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
  const QString file = tree.File("doomed.txt", 6);
  const auto result = LocalFileCommands::MoveToTrash(file);
  if (saved.isNull()) qunsetenv("XDG_DATA_HOME"); else qputenv("XDG_DATA_HOME", saved);

  ASSERT_TRUE(result.Ok) << result.Error.toStdString();
  EXPECT_FALSE(QFileInfo::exists(file));
  EXPECT_EQ(Contents(result.Path), "xxxxxx");
}

TEST(LocalFileCommands, propertiesDescribeTheItem) {
  LocalTestTree tree;
  const QString file = tree.File("report.txt", 2048);
  QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                  QFileDevice::ReadOther);
  const QString text = LocalFileCommands::PropertiesText(file, "Plain text document");
  for (const QString& line : {QStringLiteral("Name: report.txt"), "Path: " + file,
                              QStringLiteral("Type: Plain text document"), QStringLiteral(" bytes)"),
                              QStringLiteral("Permissions: -rw-r--r-- (0644)"), QStringLiteral("Modified: ")})
    EXPECT_TRUE(text.contains(line)) << line.toStdString() << "\n" << text.toStdString();
}

}  // namespace
