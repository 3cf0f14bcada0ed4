// Port discovery on a fake device tree (stable by-id names beside the tty
// names) and the hint for a port this user may not open.
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "link/port/portaccess.h"
#include "link/port/portscan.h"
#include "link/port/talocomport.h"
#include "tests/support/ptypair.h"

namespace {

// A /dev look-alike: tty names linking to pseudo-terminals and a
// serial/by-id folder with udev's relative links.
struct FakeDevTree {
  QTemporaryDir Dir;
  std::string Root = Dir.path().toStdString();

  void Link(const std::string& name, const std::string& target) const {
    ASSERT_EQ(::symlink(target.c_str(), (Root + "/" + name).c_str()), 0) << name;
  }
};

class EnvironmentPorts {
 public:
  explicit EnvironmentPorts(const std::string& value) {
    if (const char* old = std::getenv("TALO7100_PORTS")) Old = old, HadOld = true;
    ::setenv("TALO7100_PORTS", value.c_str(), 1);
  }
  ~EnvironmentPorts() {
    if (HadOld)
      ::setenv("TALO7100_PORTS", Old.c_str(), 1);
    else
      ::unsetenv("TALO7100_PORTS");
  }

 private:
  std::string Old;
  bool HadOld = false;
};

TEST(PortScanTree, stableNamesStandBesideTheirTtyAndEachDeviceIsListedOnce) {
  PtyPair usb, acm;
  FakeDevTree dev;
  dev.Link("ttyUSB0", usb.SlavePath());
  dev.Link("ttyACM3", acm.SlavePath());
  std::ofstream(dev.Root + "/ttyS7") << "not a terminal";
  std::ofstream(dev.Root + "/console") << "not a serial name";
  ASSERT_EQ(::mkdir((dev.Root + "/serial").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((dev.Root + "/serial/by-id").c_str(), 0755), 0);
  const std::string stable = dev.Root + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A5XK3RJT-if00-port0";
  dev.Link("serial/by-id/usb-FTDI_FT232R_USB_UART_A5XK3RJT-if00-port0", "../../ttyUSB0");
  dev.Link("serial/by-id/usb-gone-adapter-if00-port0", "../../ttyUSB9");

  // The stable name given as a port of its own is the same device.
  const EnvironmentPorts environment(stable + ":" + acm.SlavePath());
  const auto ports = ScanPorts(dev.Root);
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].Name, dev.Root + "/ttyACM3");
  EXPECT_EQ(ports[0].StableName, "");
  EXPECT_EQ(ports[1].Name, dev.Root + "/ttyUSB0");
  EXPECT_EQ(ports[1].StableName, stable);
  EXPECT_TRUE(ports[1].Accessible);
  EXPECT_EQ(PortLabel(ports[1]), dev.Root + "/ttyUSB0  " + stable);
  EXPECT_EQ(PortLabel(ScannedPort{"ttyS0", "", false}), "ttyS0  (no permission)");

  // The listed name opens the adapter's tty, as does its stable name.
  TaloComPort port(ports[1].Name);
  ASSERT_TRUE(port.Open());
  port.Close();
  TaloComPort byId(stable);
  EXPECT_TRUE(byId.Open());
}

TEST(PortScanTree, missingTreeListsOnlyEnvironmentPorts) {
  PtyPair line;
  const EnvironmentPorts environment(line.SlavePath());
  const auto ports = ScanPorts("/nonexistent-talo-dev");
  ASSERT_EQ(ports.size(), 1u);
  EXPECT_EQ(ports[0].Name, line.SlavePath());
}

// The hint names the device's own group, or asks for access when its group
// could not open it either.
TEST(PortPermissionHint, namesTheDevicesGroupOrAsksForAccess) {
  QTemporaryDir dir;
  const std::string path = dir.filePath(QStringLiteral("ttyUSB0")).toStdString();
  std::ofstream(path) << "";
  // root may give the file any group; others keep their own.
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(path.c_str(), 0, 20), 0);
  }
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  const group* owner = ::getgrgid(info.st_gid);
  const QString groupName = owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);

  ASSERT_EQ(::chmod(path.c_str(), 0660), 0);
  const QString hint = PortAccess::PermissionHint(path, EACCES);
  EXPECT_TRUE(hint.contains(QStringLiteral("belongs to the group ") + groupName)) << hint.toStdString();
  EXPECT_TRUE(hint.contains(QStringLiteral("usermod -aG ") + groupName)) << hint.toStdString();
  EXPECT_TRUE(hint.contains(QStringLiteral("log out and in again"))) << hint.toStdString();

  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  const QString closed = PortAccess::PermissionHint(path, EACCES);
  if (info.st_gid != 0) {
    EXPECT_TRUE(closed.contains(QStringLiteral("ask the administrator"))) << closed.toStdString();
    EXPECT_FALSE(closed.contains(QStringLiteral("usermod")));
  }

  EXPECT_EQ(PortAccess::PermissionHint(path, EBUSY), QString());
  EXPECT_EQ(PortAccess::PermissionHint(path, ENOENT), QString());
  EXPECT_EQ(PortAccess::PermissionHint(path, 0), QString());
  EXPECT_FALSE(PortAccess::PermissionHint("/nonexistent-talo-port", EACCES).isEmpty());
}

}  // namespace
