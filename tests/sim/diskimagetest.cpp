// The drive image: a FAT12 volume - round trips, what mtools makes of it
// and what it makes, refusal of damaged images, --disk files.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "sim/talosim.h"
#include "tests/support/simfixture.h"

namespace {

TEST(DiskImage, roundTripKeepsTreeContentAndOrder) {
  talosim::Simulator source;
  source.FillDemo();
  ASSERT_TRUE(source.PutFile("\\DATA\\ZERO.TXT", ""));
  const std::vector<uint8_t> image = source.Image();
  ASSERT_EQ(image.size(), 1048576u);
  talosim::Simulator copy;
  ASSERT_TRUE(copy.LoadImage(image));
  EXPECT_EQ(copy.Image(), image);
  EXPECT_EQ(copy.GetFile("\\CONF\\SOCKET.CFG"), source.GetFile("\\CONF\\SOCKET.CFG"));
  EXPECT_EQ(copy.FreeBytes(), source.FreeBytes());
}

TEST(DiskImage, refusesForeignOrDamagedImagesAndKeepsTheDrive) {
  talosim::Simulator sim;
  ASSERT_TRUE(sim.PutFile("\\KEEP.TXT", "keep"));
  const std::vector<uint8_t> good = sim.Image();
  std::vector<std::vector<uint8_t>> bad = {std::vector<uint8_t>(1048576, 0), std::vector<uint8_t>(1000, 0),
                                           good, good, good};
  bad[2].resize(1048575);
  // KEEP.TXT's entry follows the label's in the root (sector 64).
  const size_t entry = 64 * 512 + 32;
  bad[3][entry + 26] = 0xF0;  // its first cluster, outside the drive
  bad[3][entry + 27] = 0x0F;
  bad[4][entry + 28] = 0xFF;  // its size, far past its one cluster
  bad[4][entry + 29] = 0xFF;
  for (size_t i = 0; i < bad.size(); ++i) {
    EXPECT_FALSE(sim.LoadImage(bad[i])) << i;
    EXPECT_FALSE(sim.LastError().empty());
  }
  EXPECT_EQ(sim.GetFile("\\KEEP.TXT"), "keep");
}

// A folder takes a cluster for every 16 of its entries ("." and ".."
// counted); the root holds its entries in a place of its own.
TEST(DiskImage, foldersTakeClustersAsTheyGrow) {
  talosim::Simulator sim;
  EXPECT_EQ(sim.FreeBytes(), 999424u);
  ASSERT_TRUE(sim.MakeDir("\\DATA"));
  EXPECT_EQ(sim.FreeBytes(), 999424u - 512);
  for (int i = 0; i < 14; ++i) ASSERT_TRUE(sim.PutFile("\\DATA\\F" + std::to_string(i), ""));
  EXPECT_EQ(sim.FreeBytes(), 999424u - 512);
  ASSERT_TRUE(sim.PutFile("\\DATA\\F14", ""));
  EXPECT_EQ(sim.FreeBytes(), 999424u - 1024);
}

// mtools, a FAT reader and writer of its own, and this drive agree.
TEST(DiskImage, mtoolsReadsTheDriveAndTheDriveReadsMtoolsVolumes) {
  SimHarness harness;
  const std::string image = harness.TempDir() + "/d.img";
  talosim::Simulator sim;
  ASSERT_TRUE(sim.PutFile("\\DATA\\LOG.TXT", "logged\r\n"));
  const std::vector<uint8_t> drive = sim.Image();
  std::ofstream(image, std::ios::binary).write(reinterpret_cast<const char*>(drive.data()),
                                               static_cast<std::streamsize>(drive.size()));
  const auto run = [](const std::string& command) { return std::system(command.c_str()) == 0; };
  const std::string copied = harness.TempDir() + "/LOG.TXT";
  ASSERT_TRUE(run("mcopy -n -i " + image + " ::/DATA/LOG.TXT " + copied)) << "mtools missing? .ci/setup";
  std::ifstream in(copied, std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), "logged\r\n");

  const std::string made = harness.TempDir() + "/made.img";
  ASSERT_TRUE(run("mformat -C -i " + made + " -T 2048 -h 2 -s 32 -v MADE :: && mmd -i " + made +
                  " ::SUB && mcopy -i " + made + " " + copied + " ::SUB/COPY.TXT"));
  std::ifstream madeFile(made, std::ios::binary);
  const std::vector<uint8_t> volume((std::istreambuf_iterator<char>(madeFile)), std::istreambuf_iterator<char>());
  talosim::Simulator other;
  ASSERT_TRUE(other.LoadImage(volume)) << other.LastError();
  EXPECT_EQ(other.GetFile("\\SUB\\COPY.TXT"), "logged\r\n");
}

TEST(DiskImage, diskFileIsLoadedAtStartAndSavedAtStop) {
  SimHarness harness;
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.DiskFile = harness.TempDir() + "/d.img";
  ASSERT_TRUE(harness.Start(options)) << harness.LastError();
  ASSERT_TRUE(harness.Sim().PutFile("\\SAVED\\FILE.TXT", "saved"));
  harness.Stop();
  std::ifstream file(options.DiskFile, std::ios::binary | std::ios::ate);
  EXPECT_EQ(file.tellg(), 1048576);
  ASSERT_TRUE(harness.Start(options)) << harness.LastError();
  EXPECT_EQ(harness.Sim().GetFile("\\SAVED\\FILE.TXT"), "saved");
}

TEST(DiskImage, unreadableDiskFileStopsTheStartAndIsNotOverwritten) {
  SimHarness harness;
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.DiskFile = harness.TempDir() + "/notadisk.img";
  std::ofstream(options.DiskFile) << "my notes";
  EXPECT_FALSE(harness.Start(options));
  EXPECT_NE(harness.LastError().find("notadisk.img"), std::string::npos);
  harness.Stop();
  std::ifstream file(options.DiskFile);
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "my notes");
}

}  // namespace
