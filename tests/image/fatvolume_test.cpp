// The image reader against damaged images: each damage is told, with what
// it is, and no file is handed out that is not whole.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <functional>

#include "image/fatvolume.h"
#include "image/imageextract.h"
#include "image/imagetext.h"
#include "sim/talosim.h"

namespace {

// A drive as the simulator lays it out: A.TXT (600 bytes, clusters 2-3),
// SUB (4) with B.BIN (1500 bytes, 5-7) and DEEP (8).
QByteArray Drive() {
  talosim::Simulator sim;
  EXPECT_TRUE(sim.PutFile("\\A.TXT", std::string(600, 'a')));
  EXPECT_TRUE(sim.PutFile("\\SUB\\B.BIN", std::string(1500, 'b')));
  EXPECT_TRUE(sim.MakeDir("\\SUB\\DEEP"));
  const std::vector<uint8_t> image = sim.Image();
  return QByteArray(reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(image.size()));
}

constexpr int kFat = 52 * 512;
constexpr int kSize = 28;
constexpr int kCluster = 26;

int Entry(const QByteArray& image, const char* name11) { return static_cast<int>(image.indexOf(name11)); }

void Put16(QByteArray& image, int at, int value) {
  image[at] = static_cast<char>(value & 0xFF);
  image[at + 1] = static_cast<char>(value >> 8);
}

void SetFat(QByteArray& image, int cluster, int value) {
  const int at = kFat + cluster * 3 / 2;
  const int pair = static_cast<uint8_t>(image[at]) | static_cast<uint8_t>(image[at + 1]) << 8;
  Put16(image, at, cluster % 2 ? (pair & 0x000F) | (value << 4) : (pair & 0xF000) | value);
}

struct Damage {
  const char* Name;
  std::function<void(QByteArray&)> Do;
  const char* Told;  // a part of the message; Open's when it refuses
};
void PrintTo(const Damage& damage, std::ostream* out) { *out << damage.Name; }

const Damage kDamages[] = {
    {"allZeros", [](QByteArray& i) { i.fill('\0'); }, ImageText::kNotFat},
    {"noSectorSize", [](QByteArray& i) { Put16(i, 11, 0); }, ImageText::kNotFat},
    {"fat32ClusterCount",
     [](QByteArray& i) {
       Put16(i, 19, 0);
       Put16(i, 32, 0xFFFF);
       Put16(i, 34, 0x00FF);
     },
     ImageText::kNotFat},
    {"tablesPastTheEnd", [](QByteArray& i) { i.truncate(20000); }, "ends after 20000 bytes"},
    {"chainLoops", [](QByteArray& i) { SetFat(i, 2, 2); }, ImageText::kChainLoops},
    {"chainMeetsAFreeCluster", [](QByteArray& i) { SetFat(i, 2, 0); }, ImageText::kChainFreeCluster},
    {"chainMeetsABadCluster", [](QByteArray& i) { SetFat(i, 2, 0xFF7); }, ImageText::kChainBadCluster},
    {"clusterOutsideTheVolume",
     [](QByteArray& i) { Put16(i, Entry(i, "A       TXT") + kCluster, 0xFF0); }, "cluster 4080, outside"},
    {"sizePastTheVolume",
     [](QByteArray& i) {
       Put16(i, Entry(i, "A       TXT") + kSize, 0xFFFF);
       Put16(i, Entry(i, "A       TXT") + kSize + 2, 0xFFFF);
     },
     "passes the volume"},
    {"chainEndsBeforeTheSize",
     [](QByteArray& i) { Put16(i, Entry(i, "A       TXT") + kSize, 5000); }, "ends after 1024 of its 5000"},
    {"clusterPastTheImageEnd", [](QByteArray& i) { i.truncate((96 + 5 - 2) * 512 + 100); }, "past the end"},
    {"folderInsideItself",
     [](QByteArray& i) { Put16(i, Entry(i, "DEEP       ") + kCluster, 4); }, ImageText::kFolderLoop},
};

class DamagedImage : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedImage, isToldAndNoPartOfAFileIsHandedOut) {
  QByteArray image = Drive();
  GetParam().Do(image);
  const Expected<FatVolume> volume = FatVolume::Open(image);
  QStringList told{volume.Error()};
  if (volume) {
    FatVolume::Visitor visitor;
    visitor.Item = [&](const QString& path, const FatItem& item) {
      if (item.Folder) return true;
      const FatVolume::Contents contents = volume->Read(item);
      told.append(contents.Error);
      EXPECT_TRUE(!contents.Error.isEmpty() || contents.Bytes.size() == item.Size) << path.toStdString();
      return true;
    };
    visitor.Error = [&](const QString&, const QString& error) { told.append(error); };
    (void)volume->Walk(QStringLiteral("\\"), visitor);
  }
  EXPECT_TRUE(told.join('|').contains(QLatin1String(GetParam().Told))) << told.join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(FatVolume, DamagedImage, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.Name); });

// A name is stored as it stands; the PC gets it only when it names nothing
// else.
TEST(FatVolume, namesThatCouldNameAnotherFileAreNotCopied) {
  QByteArray image = Drive();
  image.replace(Entry(image, "A       TXT"), 11, QByteArray("..\x1B/    TXT", 11));
  const Expected<FatVolume> volume = FatVolume::Open(image);
  ASSERT_TRUE(volume);
  EXPECT_EQ(volume->ListRoot().Items.front().Name, QString::fromLatin1("..\x1B/.TXT"));
  const Expected<FatItem> root = volume->Find(QStringLiteral("\\"));
  ASSERT_TRUE(root);
  QTemporaryDir dir;
  ImageExtract::Outcome outcome;
  ImageExtract::Extract(*volume, QStringLiteral("\\"), *root, dir.path(), false, outcome);
  ASSERT_EQ(outcome.Problems.size(), 1);
  EXPECT_TRUE(outcome.Problems.front().contains(QLatin1String(ImageText::kUnsafeName)));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"SUB"});
  for (const char* name : {"", ".", "..", "A/B", "A\\B", "A\x01", "\x7F", "\x9B" "2J"})
    EXPECT_FALSE(ImageExtract::SafeName(QString::fromLatin1(name))) << name;
  EXPECT_TRUE(ImageExtract::SafeName(QStringLiteral("README.TXT")));
}

}  // namespace
