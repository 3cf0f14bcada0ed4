#include "image/imageprogress.h"

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <thread>

#include "link/escapecontrols.h"
#include "link/progressline.h"
#include "link/talothread.h"
#include "transfer/terminalprogress.h"

namespace {

// Set by the SIGINT handler, which may run on any thread: a lock-free atomic
// is safe both in the handler and across threads (a volatile flag is only
// the former).
std::atomic<int> InterruptRequested{0};
static_assert(std::atomic<int>::is_always_lock_free);

void OnImageInterrupt(int) {
  InterruptRequested = 1;
  // A second Ctrl+C ends the program the usual way.
  std::signal(SIGINT, SIG_DFL);
}

}  // namespace

void ImageProgress::RunWaitWindow(ImageWaitState& wait) {
  InterruptRequested = 0;
  using Handler = void (*)(int);
  const Handler previous = std::signal(SIGINT, OnImageInterrupt);
  FirstProgress = -1;
  LastTenth = -1;
  auto nextTick = Clocks::now() + std::chrono::milliseconds(TickIntervalMs);
  while (!wait.ShouldClose()) {
    QCoreApplication::processEvents();
    TaloThread::ServeMainThread();
    if (InterruptRequested && !Interrupted && Keeper) {
      Interrupted = true;
      WipeBar();
      PrintLine(QStringLiteral("Stopping..."));
      Keeper->RequestStop();
    }
    if (TimerOn && Keeper && Clocks::now() >= nextTick) {
      nextTick += std::chrono::milliseconds(TickIntervalMs);
      // The tick may print a message: not into the middle of the bar.
      WipeBar();
      Keeper->WatchdogTick();
    }
    Show(wait, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollIntervalMs));
  }
  std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
  Show(wait, true);
}

void ImageProgress::Show(const ImageWaitState& wait, bool final) {
  if (!Keeper) return;
  const auto now = Clocks::now();
  const uint32_t total = wait.Maximum;
  // The bar ends full only when the keeper says the image went through.
  const int64_t done = final ? wait.Position : std::min<int64_t>(Keeper->WorkerProgress(), total - 1);
  const int percent = total ? static_cast<int>(done * 100 / total) : 0;
  if (FirstProgress < 0 && done > 0) {
    FirstProgress = static_cast<int32_t>(done);
    FirstProgressAt = now;
  }
  const double seconds = std::chrono::duration<double>(now - FirstProgressAt).count();
  const double rate = FirstProgress >= 0 && seconds > 0.2 ? (done - FirstProgress) / seconds : 0;
  const int64_t left = rate > 0 ? static_cast<int64_t>((total - done) / rate) : -1;
  if (!Interactive) {
    const int tenth = percent / 10;
    if (final ? done < total || LastTenth >= 10 : tenth <= LastTenth) return;
    LastTenth = tenth;
    PrintLine(QStringLiteral("%1 of %2 blocks (%3%)").arg(done).arg(total).arg(percent));
    return;
  }
  if (!final && now - LastDraw < std::chrono::milliseconds(kRedrawIntervalMs)) return;
  LastDraw = now;
  const int filled = percent * kBarWidth / 100;
  const QString line = QStringLiteral("%1/%2 blocks [").arg(done).arg(total) +
                       QString(filled, QLatin1Char('#')) + QString(kBarWidth - filled, QLatin1Char('-')) +
                       QStringLiteral("] %1% %2 blocks/s %3 left")
                           .arg(percent, 3)
                           .arg(rate, 0, 'f', 0)
                           .arg(TerminalProgress::Clock(left));
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
  LastDraw = {};
}
