#include "image/ui/imagewaitview.h"

#include "image/ui/imagewaitwindow.h"

namespace {
constexpr int kTimerIntervalMs = 1000;
}

ImageWaitView::ImageWaitView(QWidget* parent) : Parent(parent) {
  Timer.setInterval(kTimerIntervalMs);
  QObject::connect(&Timer, &QTimer::timeout, &Timer, [this] {
    if (Keeper) Keeper->WatchdogTick();
  });
}

void ImageWaitView::SetTimerEnabled(bool on) {
  if (on)
    Timer.start();
  else
    Timer.stop();
}

void ImageWaitView::RunWaitWindow(ImageWaitState& wait) {
  ImageWaitWindow window(wait, Parent);
  QObject::connect(&window, &ImageWaitWindow::CancelPressed, &window, [this] {
    if (Keeper) Keeper->RequestStop();
  });
  window.exec();
}
