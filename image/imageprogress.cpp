#include "image/imageprogress.h"

#include <algorithm>

#include "clisupport/progressline.h"
#include "image/imagetext.h"
#include "link/escapecontrols.h"
#include "link/jobs/interruption.h"

void ImageProgress::WaitBegins(const ImageWaitState& wait) {
  // Ctrl+C or SIGTERM (Interruption) stops the run.
  Interruption::InstallSignalHandlers();
  Progress.Start(wait.Maximum);
  LastTenth = -1;
  LastDraw = Clocks::time_point();
}

void ImageProgress::PositionMoved(const ImageWaitState& wait) {
  NoteInterruption();
  const auto now = Clocks::now();
  if (now - LastDraw < std::chrono::milliseconds(kRedrawIntervalMs)) return;
  LastDraw = now;
  Show(wait, false);
}

void ImageProgress::RunWaitWindow(ImageWaitState& wait) {
  NoteInterruption();
  Show(wait, true);
}

void ImageProgress::NoteInterruption() {
  if (!Interruption::Requested() || Interrupted || !Keeper) return;
  Interrupted = true;
  WipeBar();
  PrintLine(QString::fromLatin1(ImageText::kStopping));
  Keeper->RequestStop();
}

void ImageProgress::Show(const ImageWaitState& wait, bool final) {
  if (!Keeper) return;
  const auto now = Clocks::now();
  const uint32_t total = wait.Maximum;
  // The bar ends full only when the keeper says the image went through.
  const int64_t done = final ? wait.Position : std::min<int64_t>(wait.Position, total - 1);
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
