#include "image/imageprogress.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include "clisupport/progressline.h"
#include "image/imagetext.h"
#include "link/escapecontrols.h"
#include "link/jobs/interruption.h"

namespace {

}  // namespace

void ImageProgress::RunWaitWindow(ImageWaitState& wait) {
  // Ctrl+C or SIGTERM (Interruption) stops the run.
  Interruption::InstallSignalHandlers();
  Progress.Start(wait.Maximum);
  LastTenth = -1;
  QEventLoop loop;
  QTimer redraw;
  QTimer watchdog;
  QObject::connect(&redraw, &QTimer::timeout, &loop, [&] {
    Redraw(wait);
    if (wait.ShouldClose()) loop.quit();
  });
  QObject::connect(&watchdog, &QTimer::timeout, &loop, [&] {
    if (TimerOn && Keeper) {
      // The tick may print a message: not into the middle of the bar.
      WipeBar();
      Keeper->WatchdogTick();
    }
    if (wait.ShouldClose()) loop.quit();
  });
  redraw.start(kRedrawIntervalMs);
  watchdog.start(TickIntervalMs);
  if (!wait.ShouldClose()) loop.exec();
  Show(wait, true);
}

void ImageProgress::Redraw(const ImageWaitState& wait) {
  if (Interruption::Requested() && !Interrupted && Keeper) {
    Interrupted = true;
    WipeBar();
    PrintLine(QString::fromLatin1(ImageText::kStopping));
    Keeper->RequestStop();
  }
  Show(wait, false);
}

void ImageProgress::Show(const ImageWaitState& wait, bool final) {
  if (!Keeper) return;
  const auto now = Clocks::now();
  const uint32_t total = wait.Maximum;
  // The bar ends full only when the keeper says the image went through.
  const int64_t done = final ? wait.Position : std::min<int64_t>(Keeper->WorkerProgress(), total - 1);
  Progress.Update(done, now);
  const int percent = Progress.Percent();
  if (!Interactive) {
    const int tenth = percent / 10;
    if (final ? done < total || LastTenth >= 10 : tenth <= LastTenth) return;
    LastTenth = tenth;
    PrintLine(Progress.Text());
    return;
  }
  const int filled = percent * kBarWidth / 100;
  const QString line = QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
                       QString(kBarWidth - filled, QLatin1Char('-')) + QStringLiteral("] ") +
                       Progress.Text();
  if (final) {
    // The last frame stays as an ordinary line.
    ProgressLine::Wipe(Out);
    PrintLine(line);
  } else {
    ProgressLine::Draw(Out, line);
  }
  BarShown = !final;
}

void ImageProgress::PrintLine(const QString& text) { PrintEscapedLine(Out, text); }

void ImageProgress::WipeBar() {
  if (!BarShown) return;
  ProgressLine::Wipe(Out);
  BarShown = false;
}
