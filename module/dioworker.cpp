#include "module/dioworker.h"

#include <QMetaObject>

#include "link/handovermarks.h"

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

void DioWorker::Post(std::function<std::function<void()>()> job) {
  ++Pending;
  TALO_HANDOVER_POSTED(this);
  QMetaObject::invokeMethod(
      Context.get(),
      [this, job = std::move(job)]() mutable {
        TALO_HANDOVER_ARRIVED(this);
        std::function<void()> done = job();
        job = nullptr;  // what the job held is freed here, before the hand-back
        TALO_HANDOVER_POSTED(this);
        QMetaObject::invokeMethod(
            this,
            [this, done = std::move(done)] {
              TALO_HANDOVER_ARRIVED(this);
              --Pending;
              done();
            },
            Qt::QueuedConnection);
      },
      Qt::QueuedConnection);
}
