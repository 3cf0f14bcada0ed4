#include "app/taloapplication.h"

#include <QMessageBox>
#include <exception>

#include "app/appicons.h"

TaloApplication::TaloApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("talo7100"));
  setApplicationVersion(QStringLiteral(TALO_VERSION));
  setWindowIcon(AppIcons::ProgramIcon());
  ShowError = [](const QString& text) {
    QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Error"), text);
  };
}

QString TaloApplication::DescribeException(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return QString::fromLocal8Bit(e.what());
  } catch (...) {
    return QStringLiteral("An unknown error occurred.");
  }
}

bool TaloApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    const QString text = DescribeException(std::current_exception());
    // An error while the box for a previous one is open is not stacked.
    if (!Showing && ShowError) {
      Showing = true;
      ShowError(text);
      Showing = false;
    }
    return false;
  }
}
