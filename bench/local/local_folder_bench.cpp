// Opens a folder of N files (default 20,000) in the local pane's report view
// and prints: the time until the first rows are painted, the time of the
// model's fill alone, how many rows got details, the memory the open took,
// and the time of `ls -l` on the same folder for scale.
//
//   local_folder_bench [file-count]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QPaintEvent>
#include <QTreeView>
#include "local/localnamespace.h"
#include <cstdio>

#include "local/localpane.h"

namespace {

long ResidentKiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
  return -1;
}

// Sets a flag once the watched viewport has finished a paint.
class PaintWatch : public QObject {
 public:
  bool Painted = false;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint || Painted) return false;
    // A repaint of the selected row alone is not the list appearing.
    auto* widget = static_cast<QWidget*>(watched);
    if (static_cast<QPaintEvent*>(event)->rect() != widget->rect()) return false;
    // Deliver it now through the view's own filters, so the time includes
    // drawing the rows.
    watched->removeEventFilter(this);
    QCoreApplication::sendEvent(watched, event);
    Painted = true;
    return true;
  }
};

void MakeFiles(const QString& dir, int count) {
  const char* kinds[] = {".txt", ".cpp", ".png", ".pdf", ".bin", ""};
  for (int i = 0; i < count; ++i) {
    QFile file(QStringLiteral("%1/file%2%3").arg(dir).arg(i, 5, 10, QLatin1Char('0')).arg(kinds[i % 6]));
    if (file.open(QIODevice::WriteOnly)) file.write(QByteArray(i % 4096, 'x'));
  }
}

double LsMs(const QString& dir) {
  QProcess ls;
  ls.setStandardOutputFile(QProcess::nullDevice());
  QElapsedTimer timer;
  timer.start();
  ls.start(QStringLiteral("ls"), {QStringLiteral("-l"), dir});
  ls.waitForFinished(60000);
  return timer.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const int count = argc > 1 ? std::atoi(argv[1]) : 20000;

  QTemporaryDir dir;
  MakeFiles(dir.path(), count);
  std::printf("folder of %d files: %s\n", count, qPrintable(dir.path()));

  LocalPane pane;
  pane.resize(480, 600);
  pane.show();
  pane.OpenFolder(QDir::homePath());
  QApplication::processEvents();

  auto* report = pane.findChild<QTreeView*>(QStringLiteral("lstviewLocalReport"));
  for (int round = 1; round <= 3; ++round) {
    // Leave the folder so each round opens it afresh.
    pane.OpenFolder(QDir::homePath());
    QApplication::processEvents();
    const long before = ResidentKiB();
    PaintWatch watch;
    report->viewport()->installEventFilter(&watch);
    QElapsedTimer timer;
    timer.start();
    pane.OpenFolder(dir.path());
    const double fillMs = timer.nsecsElapsed() / 1e6;
    while (!watch.Painted && timer.elapsed() < 30000) QApplication::processEvents(QEventLoop::AllEvents, 5);
    const double paintedMs = timer.nsecsElapsed() / 1e6;
    const int detailedAtPaint = pane.FolderModel().DetailedCount();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300) QApplication::processEvents(QEventLoop::AllEvents, 20);
    std::printf("  (rows with details at the paint %d, after settling %d)\n", detailedAtPaint,
                pane.FolderModel().DetailedCount());
    std::printf("round %d: fill %.1f ms, first rows painted %.1f ms, rows with details %d of %d, "
                "resident memory +%ld KiB\n",
                round, fillMs, paintedMs, pane.FolderModel().DetailedCount(), pane.FolderModel().ItemCount(),
                ResidentKiB() - before);
  }

  for (int round = 1; round <= 3; ++round) {
    QElapsedTimer timer;
    timer.start();
    const auto listing = LocalNamespace().Enumerate(dir.path());
    std::printf("directory read with a stat per item: %.1f ms (%zu items)\n", timer.nsecsElapsed() / 1e6,
                listing.Items.size());
  }
  for (int round = 1; round <= 3; ++round) std::printf("ls -l of the same folder: %.1f ms\n", LsMs(dir.path()));
  std::printf("resident memory of the process: %ld KiB\n", ResidentKiB());
  return 0;
}
