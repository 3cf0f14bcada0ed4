// talo7100-cli get against the simulator at its 57600-baud line model: a
// 100 KiB program, which comes from a backup of the whole drive (the
// helper's upload, 1 MiB in 8-byte frames, the extraction), and a 100 KiB
// text, which "type" carries. Prints each run's wall time and throughput;
// the backup's part takes about six minutes. Asserts nothing.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>

#include "installation/taloappfolders.h"
#include "tests/support/simfixture.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBytes = 100 * 1024;

std::string Program() {
  std::string bytes(kBytes, '\0');
  uint32_t x = 2463534242u;
  for (char& c : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x);
  }
  return "MZ" + bytes.substr(2);
}

std::string Text() {
  std::string text;
  for (int line = 0; text.size() < static_cast<size_t>(kBytes); ++line)
    text += "2024-04-02 12:00:" + std::to_string(10 + line % 50) + " sensor 3 reading 0017.25 state ok\r\n";
  text.resize(kBytes - 2);
  return text + "\r\n";
}

void Get(const SimHarness& harness, const char* what, const char* path, const QString& destination) {
  QProcess cli;
  const auto start = Clock::now();
  cli.start(QStringLiteral(TALO_CLI_PATH), {QStringLiteral("--port"), QString::fromStdString(harness.PortPath()),
                                            QStringLiteral("get"), QString::fromLatin1(path), destination});
  cli.closeWriteChannel();
  const bool ended = cli.waitForFinished(15 * 60 * 1000);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const QByteArray copied = [&] {
    QFile file(destination + QLatin1Char('/') + QString::fromLatin1(path).mid(1));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }();
  std::printf("get %-28s %s in %6.1f s (%5.0f bytes/s), exit %d, %lld bytes copied\n", what,
              ended ? "done" : "NOT DONE", seconds, kBytes / seconds, cli.exitCode(),
              static_cast<long long>(copied.size()));
  if (!ended) cli.kill();
  if (!ended || cli.exitCode() != 0) std::printf("%s", cli.readAllStandardError().right(2000).constData());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir home, out;
  qputenv("TALO7100_HOME", home.path().toLocal8Bit());
  if (!TaloAppDir::PrepareInstallationFolder(home.path(), {QStringLiteral(TALO_DEMO_SEED)})) return 1;
  SimHarness harness;
  talosim::SimOptions options = SimHarness::DefaultOptions();
  options.Baud = 57600;
  if (!harness.Start(options)) {
    std::printf("simulator: %s\n", harness.LastError().c_str());
    return 1;
  }
  harness.Sim().FillDemo();
  if (!harness.Sim().PutFile("\\BENCH.EXE", Program()) || !harness.Sim().PutFile("\\BENCH.LOG", Text())) return 1;
  const QFile helper(home.filePath(QStringLiteral("program/KEEPERRD.EXE")));
  std::printf("57600 baud; the backup helper uploaded first is %lld bytes\n", static_cast<long long>(helper.size()));
  std::fflush(stdout);
  Get(harness, "100 KiB program (backup)", "\\BENCH.EXE", out.path());
  Get(harness, "100 KiB text (type)", "\\BENCH.LOG", out.path());
  return 0;
}
