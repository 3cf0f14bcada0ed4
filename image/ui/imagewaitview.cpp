#include "image/ui/imagewaitview.h"

#include "image/ui/imagewaitwindow.h"

ImageWaitView::ImageWaitView(QWidget* parent) : Parent(parent) {}

void ImageWaitView::RunWaitWindow(ImageWaitState& wait) {
  ImageWaitWindow window(wait, Parent);
  QObject::connect(&window, &ImageWaitWindow::CancelPressed, &window, [this] {
    if (Keeper) Keeper->RequestStop();
  });
  window.exec();
}
