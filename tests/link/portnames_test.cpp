// Port names when several are given at once, and progress frames as lines
// for the parent that reads them.
#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include "clisupport/progressline.h"
#include "link/port/portnames.h"
#include "tests/support/ptypair.h"

namespace {

// Two names of one device are one port; two devices are two.
TEST(PortNames, deviceKeyFollowsLinksToTheSameDevice) {
  PtyPair first;
  PtyPair second;
  QTemporaryDir dir;
  const QString tty = QString::fromStdString(first.SlavePath());
  const QString byId = dir.filePath(QStringLiteral("usb-FTDI_A50285BI-if00-port0"));
  ASSERT_TRUE(QFile::link(tty, byId));
  EXPECT_EQ(PortNames::DeviceKey(byId), PortNames::DeviceKey(tty));
  EXPECT_NE(PortNames::DeviceKey(tty), PortNames::DeviceKey(QString::fromStdString(second.SlavePath())));
  EXPECT_EQ(PortNames::DeviceKey(QStringLiteral("COM1")), PortNames::DeviceKey(QStringLiteral("ttyS0")));
  EXPECT_EQ(PortNames::DeviceKey(QStringLiteral("ttyNONE9")),
            PortNames::DeviceKey(QStringLiteral("/dev/ttyNONE9")));
  EXPECT_NE(PortNames::DeviceKey(QStringLiteral("ttyNONE9")), PortNames::DeviceKey(QStringLiteral("ttyNONE8")));
}

TEST(PortNames, shortNameIsTheLastPartAndNeverLeadsOutOfAFolder) {
  const QList<std::pair<QString, QString>> cases = {
      {"ttyUSB0", "ttyUSB0"},
      {"COM3", "COM3"},
      {"/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0", "usb-FTDI_A50285BI-if00-port0"},
      {"/dev/pts/3", "3"},
      {"/tmp/ports/", ""},
      {"..", ""},
      {"/dev/.", ""},
      {"", ""}};
  for (const auto& [port, name] : cases) EXPECT_EQ(PortNames::ShortName(port), name) << port.toStdString();
}

// With TALO7100_PROGRESS=lines a frame is a marked line of its own, escaped,
// and a wipe an empty one; nothing is drawn in place.
TEST(ProgressLine, framesGoAsMarkedLinesForTheReader) {
  qputenv(ProgressLine::kEnvironmentName, ProgressLine::kAsLines);
  char* text = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  ASSERT_NE(out, nullptr);
  EXPECT_TRUE(ProgressLine::Interactive(out));
  ProgressLine::Draw(out, QStringLiteral("A\x1b]0;x\x07.BIN [##--] 50%"));
  ProgressLine::Wipe(out);
  std::fclose(out);
  qunsetenv(ProgressLine::kEnvironmentName);
  const QStringList lines = QString::fromLocal8Bit(text, static_cast<qsizetype>(size)).split('\n');
  std::free(text);
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(ProgressLine::FrameOf(lines[0]), QStringLiteral("A\\x1b]0;x\\x07.BIN [##--] 50%"));
  EXPECT_EQ(ProgressLine::FrameOf(lines[1]), QString());
  EXPECT_FALSE(ProgressLine::FrameOf(QStringLiteral("\\x1e looks like one")).has_value());
}

}  // namespace
