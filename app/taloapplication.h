#pragma once
// TaloApplication: the application object of the desktop program. An
// exception that escapes an event handler is caught here and shown in an
// error box; the event loop goes on.

#include <QApplication>
#include <functional>

class TaloApplication : public QApplication {
  Q_OBJECT

 public:
  TaloApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // How a caught error is shown (default: an error box). Tests replace it.
  void SetErrorHandler(std::function<void(const QString&)> handler) {
    ShowError = std::move(handler);
  }
  static QString DescribeException(std::exception_ptr error);

 private:
  std::function<void(const QString&)> ShowError;
  bool Showing = false;
};
