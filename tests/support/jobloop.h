#pragma once
// Runs a runner's job from a running event loop, as a user's click starts
// one: start is called from the loop, a 10 ms timer ticks meanwhile (each
// tick calls onTick while the job runs), and the loop ends when the runner
// is idle again or after limitMs (10 s unless given). Returns the longest gap between two ticks,
// in ms: how long the loop was held.
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <functional>

#include "link/jobs/jobrunner.h"

inline double RunJobInLoop(JobRunner& runner, const std::function<void()>& start,
                           const std::function<void()>& onTick = {}, int limitMs = 10000) {
  QEventLoop loop;
  QTimer tick;
  auto last = std::chrono::steady_clock::now();
  double longest = 0;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const auto now = std::chrono::steady_clock::now();
    longest = std::max(longest, std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
    if (runner.Busy() && onTick) onTick();
  });
  QObject::connect(&runner, &JobRunner::BusyChanged, &loop, [&](bool busy) {
    if (!busy) loop.quit();
  });
  QTimer::singleShot(0, [&] {
    last = std::chrono::steady_clock::now();
    tick.start(10);
    start();
  });
  QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
  loop.exec();
  return longest;
}
