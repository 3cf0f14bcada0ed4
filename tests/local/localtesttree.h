#pragma once
// A temporary folder tree for the local pane's tests, and a namespace whose
// computer location lists only "/" and that tree as the home folder.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <sys/stat.h>

#include "local/localnamespace.h"

class LocalTestTree {
 public:
  LocalTestTree() {
    EXPECT_TRUE(Dir.isValid());
    Root = Dir.path();
    QFile mounts(Root + "/.mountinfo");
    EXPECT_TRUE(mounts.open(QIODevice::WriteOnly));
    mounts.write("27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
                 "22 27 0:21 / /proc rw,relatime - proc proc rw\n");
  }

  QString Path(const QString& relative) const { return Root + "/" + relative; }

  QString Folder(const QString& relative) const {
    EXPECT_TRUE(QDir().mkpath(Path(relative)));
    return Path(relative);
  }

  // A file of that size; sizes past a few MB are sparse.
  QString File(const QString& relative, qint64 size = 0) const {
    EXPECT_TRUE(QDir().mkpath(QFileInfo(Path(relative)).path()));
    QFile file(Path(relative));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << relative.toStdString();
    if (size > 0 && size < (1 << 20)) {
      file.write(QByteArray(static_cast<int>(size), 'x'));
    } else if (size > 0) {
      EXPECT_TRUE(file.resize(size));
    }
    return Path(relative);
  }

  // Files and folders alike.
  static void SetModified(const QString& path, const QDateTime& when) {
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(when.toSecsSinceEpoch()), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0)
        << path.toStdString();
  }

  // Home = the tree's root; the computer location: "/" and Home.
  LocalNamespace Places() const {
    return LocalNamespace(LocalNamespace::Config{Root + "/.mountinfo", Root, Root + "/Desktop"});
  }

  QTemporaryDir Dir;
  QString Root;
};
