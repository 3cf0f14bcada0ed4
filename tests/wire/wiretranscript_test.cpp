// The wire transcripts: each operation of the utility, run through the device
// logic the windows and talo7100-cli share, against a fresh simulator that
// records what crosses the line (talosim::SimOptions::TranscriptFile): the
// bytes each way in order, the silences the utility waits out, the port's
// opening and closing. Each transcript must equal the one recorded before,
// golden/<name>.txt: a change in how device work runs inside the utility
// must not show on the wire.
//
// A transcript that differs is recorded again (up to three runs in all: a
// busy machine may hold a thread up past a silence quantum now and then; a
// change in the utility shows in every run). On a difference the last
// transcript is kept beside the build (tests/wire/actual/<name>.txt) and the
// first difference printed. To record the golden files anew on purpose,
// after a change that is meant to show on the wire:
//   TALO_WIRE_REGENERATE=1 ctest --test-dir build/default -L wire
// which records each operation twice and keeps it only when both agree.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "tests/faults/deviceoperations.h"

namespace {

namespace Ops = DeviceOperations;

struct WireCase {
  const char* Name;  // of the golden file and the test
  std::function<Operation()> Make;
};
void PrintTo(const WireCase& wire, std::ostream* out) { *out << wire.Name; }

// The panel's pauses, a tenth as long: short, yet each in a silence class
// of its own (1000 ms -> 100 ms, 2000 ms -> 200 ms).
void TenthPause(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms / 10)); }

const std::vector<WireCase> kCases = {
    {"listRoot", Ops::Listing},
    {"listFolder", Ops::ListFolder},
    {"navigateIntoAndUp", Ops::Navigation},
    {"folderProperties", Ops::FolderProperties},
    {"fileCount", Ops::FileCount},
    {"deleteFile", [] { return Ops::Delete(false); }},
    {"deleteFolder", [] { return Ops::Delete(true); }},
    {"rename", Ops::Rename},
    {"makeDirectory", Ops::MakeDirectory},
    {"mem", Ops::Memory},
    {"format", Ops::Format},
    {"abort", Ops::Abort},
    {"autorunRoot", [] { return Ops::AutoRun(false); }},
    {"autorunSubfolder", [] { return Ops::AutoRun(true); }},
    {"copyTwoFiles", [] { return Ops::Copy(2); }},
    {"settingsUpdate", Ops::SettingsUpdate},
    {"accountUpdate", Ops::AccountUpdate},
    {"systemInitialisation", Ops::SystemInitialisation},
    {"backup", Ops::Backup},
    {"restore", Ops::Restore},
    {"dioPollSetRelease", [] { return Ops::Dio({1, true, TenthPause}); }},
};

QString ReadText(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

bool WriteText(const QString& path, const QString& text) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
         file.write(text.toLatin1()) == text.size();
}

// The difference as "diff -u" shows it; without diff, the first line that
// differs.
QString Difference(const QString& goldenPath, const QString& actualPath) {
  QProcess diff;
  diff.start(QStringLiteral("diff"), {QStringLiteral("-u"), goldenPath, actualPath});
  if (diff.waitForFinished(10'000) && diff.exitStatus() == QProcess::NormalExit)
    return QString::fromLatin1(diff.readAllStandardOutput()).left(20'000);
  const QStringList golden = ReadText(goldenPath).split('\n');
  const QStringList actual = ReadText(actualPath).split('\n');
  for (qsizetype i = 0; i < std::max(golden.size(), actual.size()); ++i) {
    const QString was = golden.value(i, QStringLiteral("<end>"));
    const QString now = actual.value(i, QStringLiteral("<end>"));
    if (was != now)
      return QStringLiteral("line %1\n- %2\n+ %3\n").arg(i + 1).arg(was, now);
  }
  return {};
}

// One run of the operation against a fresh simulator: its transcript, or
// none when the operation failed (the failure is reported).
std::optional<QString> Record(const WireCase& wire) {
  OperationWorld world;
  // The transcripts hold the standard waits (the silences waited out); the
  // command line and the window end answers at the prompt unless asked not
  // to, which the fault matrix and the listing cases show to carry the
  // same bytes in the same order.
  world.Shell.SetQuickAnswers(false);
  const QString recorded = QString::fromStdString(world.Harness.TempDir()) + "/transcript.txt";
  talosim::SimOptions options = OperationWorld::DefaultOptions();
  options.Clock = "2024-05-06 07:08";  // the same listings and images every run
  options.TranscriptFile = recorded.toStdString();
  if (!world.Start(options)) {
    ADD_FAILURE() << world.Harness.LastError();
    return std::nullopt;
  }
  const Operation operation = wire.Make();
  Findings findings;
  operation.Prepare(world, findings);
  if (findings.empty()) operation.Act(world, findings);
  // The utility may leave before the controller's last answer, which is
  // still part of the wire.
  const bool idle = world.Sim().WaitUntilIdle(std::chrono::seconds(10));
  world.Harness.Stop();  // writes the transcript's last lines
  for (const std::string& finding : findings) ADD_FAILURE() << finding;
  if (!idle) ADD_FAILURE() << "the controller did not come back to its prompt";
  // A transcript of an operation that failed records nothing worth keeping.
  if (!world.Done) ADD_FAILURE() << "the operation failed: " << world.AllMessages();
  if (!findings.empty() || !idle || !world.Done) return std::nullopt;
  return ReadText(recorded);
}

// A busy machine can hold a thread up for longer than a silence quantum, now
// and then; a change in the utility shows in every run. So a transcript that
// differs is recorded again, up to this many runs in all.
constexpr int kRuns = 3;

class WireTranscript : public ::testing::TestWithParam<WireCase> {};

TEST_P(WireTranscript, isTheRecordedOne) {
  const WireCase& wire = GetParam();
  const QString golden = QStringLiteral(TALO_WIRE_GOLDEN_DIR "/%1.txt").arg(wire.Name);
  const QString actual = QStringLiteral(TALO_WIRE_ACTUAL_DIR "/%1.txt").arg(wire.Name);
  if (qEnvironmentVariableIsSet("TALO_WIRE_REGENERATE")) {
    // Two runs that agree, so that a moment of a busy machine does not
    // become the golden file.
    const std::optional<QString> first = Record(wire);
    const std::optional<QString> second = first ? Record(wire) : std::nullopt;
    if (!second) return;
    if (*first != *second) {
      ASSERT_TRUE(WriteText(golden, *first) && WriteText(actual, *second));
      FAIL() << "two runs differ; record again on a quieter machine:\n"
             << Difference(golden, actual).toStdString();
    }
    ASSERT_TRUE(WriteText(golden, *first)) << "cannot write " << golden.toStdString();
    return;
  }
  ASSERT_TRUE(QFile::exists(golden))
      << golden.toStdString() << " is missing; TALO_WIRE_REGENERATE=1 records it";
  const QString expected = ReadText(golden);
  QString firstDifference;
  for (int run = 1; run <= kRuns; ++run) {
    const std::optional<QString> transcript = Record(wire);
    if (!transcript) return;
    if (*transcript == expected) {
      if (run > 1)
        std::printf("%s: run %d matched; run 1 differed:\n%s", wire.Name, run,
                    firstDifference.toLocal8Bit().constData());
      return;
    }
    ASSERT_TRUE(WriteText(actual, *transcript)) << "cannot write " << actual.toStdString();
    if (run == 1) firstDifference = Difference(golden, actual);
  }
  ADD_FAILURE() << "the wire differs from " << golden.toStdString() << " in " << kRuns
                << " runs; the first:\n" << firstDifference.toStdString()
                << "the last run's transcript is " << actual.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Operations, WireTranscript, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<WireCase>& info) {
                           return std::string(info.param.Name);
                         });

}  // namespace
