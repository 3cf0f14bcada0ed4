// The progress text the wait window and the command line share: percent,
// blocks and the time left estimated from the pace so far.

#include <gtest/gtest.h>

#include "image/blockprogress.h"

namespace {

using std::chrono::milliseconds;

struct Case {
  const char* Name;
  int64_t FirstDone;  // blocks at the first sample (0: none before it)
  int64_t Done;
  int ElapsedMs;  // since the first sample
  const char* Text;
};

class BlockProgressText : public ::testing::TestWithParam<Case> {};

TEST_P(BlockProgressText, saysPercentBlocksAndTimeLeft) {
  const Case& c = GetParam();
  BlockProgress progress;
  progress.Start(131072);
  const auto start = BlockProgress::Clock::time_point{} + std::chrono::hours(1);
  progress.Update(0, start - milliseconds(100));
  if (c.FirstDone > 0) progress.Update(c.FirstDone, start);
  progress.Update(c.Done, start + milliseconds(c.ElapsedMs));
  EXPECT_EQ(progress.Text(), QString::fromLatin1(c.Text));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BlockProgressText,
    ::testing::Values(
        Case{"nothingYet", 0, 0, 0, "0%, 0 of 131072 blocks"},
        Case{"onePaceSampleIsNoRate", 1000, 1000, 0, "0%, 1000 of 131072 blocks"},
        Case{"tooShortASpan", 1000, 1200, 400, "0%, 1200 of 131072 blocks"},
        // 218.5 blocks/s (a backup at 57600 baud): 51072 left take 234 s.
        Case{"aboutFourMinutes", 1000, 80000, 361556,
             "61%, 80000 of 131072 blocks, about 4 min left"},
        Case{"roundsToTheNearestMinute", 1000, 2000, 1000, "1%, 2000 of 131072 blocks, about 2 min left"},
        Case{"underAMinute", 1000, 130000, 129000, "99%, 130000 of 131072 blocks, less than a minute left"},
        Case{"doneSaysNoTimeLeft", 1000, 131072, 600000, "100%, 131072 of 131072 blocks"}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
