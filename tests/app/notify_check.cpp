// An exception that escapes an event handler is shown and the event loop
// goes on. A program of its own: it needs the application object to be the
// product's, which the shared test main cannot give.
#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "app/taloapplication.h"

namespace {

class FailingHandler : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User) throw std::runtime_error("handler failed");
    return QObject::event(event);
  }
};

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  TaloApplication app(argc, argv);
  QStringList shown;
  app.SetErrorHandler([&](const QString& text) { shown << text; });
  FailingHandler handler;
  int laterEvents = 0;
  QCoreApplication::postEvent(&handler, new QEvent(QEvent::User));
  QCoreApplication::postEvent(&handler, new QEvent(QEvent::User));
  QTimer::singleShot(20, &app, [&] { ++laterEvents; });
  QTimer::singleShot(40, &app, &QCoreApplication::quit);
  QTimer::singleShot(10000, &app, [&] { app.exit(3); });  // deadline
  const int loop = app.exec();

  int failed = 0;
  auto check = [&](bool ok, const char* what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    failed += ok ? 0 : 1;
  };
  check(loop == 0, "the event loop ended normally");
  check(shown == QStringList({"handler failed", "handler failed"}), "each error was shown once");
  check(laterEvents == 1, "events after the errors were still handled");
  std::printf("%d passed, %d failed\n", 3 - failed, failed);
  return failed == 0 ? 0 : 1;
}
