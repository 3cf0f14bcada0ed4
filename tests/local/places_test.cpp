// The computer location's mount table, type texts and the name order.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "items/filetypes.h"
#include "local/itemorder.h"
#include "local/mounttable.h"

namespace {

TEST(MountTable, listsRootHomeMediaDisksAndNetworkButNoSystemMounts) {
  const QString info = QStringLiteral(
      "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
      "23 27 0:22 / /sys rw,relatime - sysfs sysfs rw\n"
      "27 1 0:30 / / rw,relatime - overlay overlay rw,lowerdir=/x\n"
      "28 27 0:25 / /mnt/sandbox ro,relatime - tmpfs none ro,size=4k\n"
      "29 27 0:26 / /run rw - tmpfs tmpfs rw\n"
      "30 27 8:2 / /home rw,relatime - ext4 /dev/sda2 rw\n"
      "31 27 8:1 / /boot/efi rw - vfat /dev/sda1 rw\n"
      "32 27 7:1 / /snap/core/1 ro - squashfs /dev/loop1 ro\n"
      "33 29 8:17 / /media/ann/USB\\040STICK rw,nosuid shared:5 master:1 - vfat /dev/sdb1 rw\n"
      "34 27 0:50 / /srv/share rw - nfs4 server:/export rw\n"
      "35 27 254:0 /etc/hosts /etc/hosts rw - ext4 /dev/vda rw\n"
      "36 27 8:33 / /data rw - xfs /dev/sdc1 rw\n"
      "37 27 8:34 / /mnt/data rw - ext4 /dev/sdc2 rw\n"
      "38 30 0:60 / /home/ann/remote rw - fuse.sshfs ann@host: rw\n"
      "39 27 0:31 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
      "40 27 8:18 / /data rw - ext4 /dev/sdb2 rw\n"
      "garbage line\n");
  const std::vector<MountEntry> places = MountTable::Parse(info, "/home/ann/");

  using Kind = MountEntry::Kind;
  const struct {
    const char* Path;
    const char* Name;
    Kind Type;
  } expected[] = {{"/", "File System", Kind::FileSystem},
                  {"/home/ann", "Home", Kind::Home},
                  {"/home", "home", Kind::Disk},
                  {"/media/ann/USB STICK", "USB STICK", Kind::Removable},
                  {"/srv/share", "share", Kind::Network},
                  {"/mnt/data", "/mnt/data", Kind::Disk},
                  {"/home/ann/remote", "remote", Kind::Network},
                  {"/data", "/data", Kind::Disk}};
  ASSERT_EQ(places.size(), std::size(expected));
  for (size_t i = 0; i < places.size(); ++i) {
    SCOPED_TRACE(expected[i].Path);
    EXPECT_EQ(places[i].Path, QString::fromUtf8(expected[i].Path));
    EXPECT_EQ(places[i].Name, QString::fromUtf8(expected[i].Name));
    EXPECT_EQ(places[i].Type, expected[i].Type);
  }
}

TEST(MountTable, unreadableTableStillListsRootAndHome) {
  const auto places = MountTable::Read("/nonexistent/mountinfo", "/root");
  ASSERT_EQ(places.size(), 2u);
  EXPECT_EQ(places[0].Path, "/");
  EXPECT_EQ(places[1].Path, "/root");
}

TEST(FileTypes, typesFoldersFilesAndSpecialFilesOncePerType) {
  FileTypes types;
  EXPECT_EQ(types.ForFolder().TypeText, "Folder");
  EXPECT_TRUE(types.IconAt(types.ForFolder().IconIndex).Folder);

  const auto& text = types.ForFile("notes.txt", S_IFREG | 0644);
  EXPECT_FALSE(text.TypeText.isEmpty());
  EXPECT_TRUE(text.TypeText[0].isUpper()) << text.TypeText.toStdString();
  EXPECT_EQ(types.ForFile("OTHER.TXT", S_IFREG | 0644).IconIndex, text.IconIndex);
  EXPECT_NE(types.ForFile("photo.png", S_IFREG | 0644).IconIndex, text.IconIndex);

  // Names the MIME database does not know say what they are.
  EXPECT_EQ(types.ForFile("image.qzv9", S_IFREG | 0644).TypeText, "QZV9 File");
  EXPECT_EQ(types.ForFile("qzv9blob", S_IFREG | 0644).TypeText, "File");
  EXPECT_NE(types.ForFile("qzv9tool", S_IFREG | 0755).TypeText, "File") << "executables are told apart";
  // A leading dot is part of the name, not a suffix.
  EXPECT_EQ(types.ForFile(".qzv9rc", S_IFREG | 0644).TypeText, "File");

  const auto& pipe = types.ForFile("x.txt", S_IFIFO | 0644);
  EXPECT_NE(pipe.TypeText, text.TypeText);
  EXPECT_NE(types.ForFile("tty0", S_IFCHR | 0600).TypeText, pipe.TypeText);
  EXPECT_EQ(types.ForPlace(MountEntry::Kind::Removable).TypeText, "Removable Disk");
}

TEST(ItemOrder, namesCompareCaselessWithNumbersByValue) {
  const struct {
    const char* A;
    const char* B;
    int Sign;
  } cases[] = {{"file2", "File10", -1}, {"a", "B", -1},        {"abc", "abc1", -1},
               {"x9y", "x10a", -1},     {"x1", "x01", -1},     {"v1.10", "v1.9", 1},
               {"Readme", "readme", -1}, {"same", "same", 0},  {"", "a", -1},
               {"2024-01", "2024-1", 1}, {"a 10", "a 9", 1},    {"zz", "Z", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.A) + " / " + c.B);
    const int result = ItemOrder::CompareNames(QString::fromUtf8(c.A), QString::fromUtf8(c.B));
    EXPECT_EQ((result > 0) - (result < 0), c.Sign);
    const int reverse = ItemOrder::CompareNames(QString::fromUtf8(c.B), QString::fromUtf8(c.A));
    EXPECT_EQ((reverse > 0) - (reverse < 0), -c.Sign) << "antisymmetric";
  }
}

}  // namespace
