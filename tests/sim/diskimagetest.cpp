// The drive image: round trips, refusal of foreign images, --disk files.

#include <gtest/gtest.h>

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
  bad[3][512 + 11] = 0x7F;       // attribute of the first entry
  bad[4][512 + 16] = 0xFF;       // its size, far past the data area
  bad[4][512 + 17] = 0xFF;
  bad[4][512 + 18] = 0xFF;
  for (size_t i = 0; i < bad.size(); ++i) {
    EXPECT_FALSE(sim.LoadImage(bad[i])) << i;
    EXPECT_FALSE(sim.LastError().empty());
  }
  EXPECT_EQ(sim.GetFile("\\KEEP.TXT"), "keep");
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
