#include "dioworker.h"

#include <QMetaObject>

DioWorker::DioWorker(QObject* parent) : QObject(parent), Context(std::make_unique<QObject>()) {
  Thread.setObjectName(QStringLiteral("DioWorker"));
  Context->moveToThread(&Thread);
  Thread.start();
}

DioWorker::~DioWorker() {
  // Queued jobs still run before the loop ends: a release under way finishes.
  QMetaObject::invokeMethod(Context.get(), [this] { Thread.quit(); }, Qt::QueuedConnection);
  Thread.wait();
  Context.reset();
}

void DioWorker::Post(std::function<void()> job, std::function<void()> done) {
  ++Pending;
  QMetaObject::invokeMethod(
      Context.get(),
      [this, job = std::move(job), done = std::move(done)]() mutable {
        job();
        QMetaObject::invokeMethod(
            this,
            [this, done = std::move(done)] {
              --Pending;
              done();
            },
            Qt::QueuedConnection);
      },
      Qt::QueuedConnection);
}
