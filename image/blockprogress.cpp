#include "image/blockprogress.h"

void BlockProgress::Start(uint32_t total) {
  TotalBlocks = total;
  DoneBlocks = 0;
  FirstDone = -1;
}

void BlockProgress::Update(int64_t done, Clock::time_point now) {
  DoneBlocks = done;
  LastAt = now;
  if (FirstDone < 0 && done > 0) {
    FirstDone = done;
    FirstAt = now;
  }
}

int BlockProgress::Percent() const {
  return TotalBlocks ? static_cast<int>(DoneBlocks * 100 / TotalBlocks) : 0;
}

int64_t BlockProgress::SecondsLeft() const {
  if (FirstDone < 0 || DoneBlocks <= FirstDone) return -1;
  const auto span = std::chrono::duration_cast<std::chrono::milliseconds>(LastAt - FirstAt);
  if (span.count() < kMinSpanMs) return -1;
  const double rate =
      static_cast<double>(DoneBlocks - FirstDone) * 1000.0 / static_cast<double>(span.count());
  const int64_t left = TotalBlocks > DoneBlocks ? TotalBlocks - DoneBlocks : 0;
  return static_cast<int64_t>(static_cast<double>(left) / rate + 0.5);
}

QString BlockProgress::Text() const {
  QString text =
      QStringLiteral("%1%, %2 of %3 blocks").arg(Percent()).arg(DoneBlocks).arg(TotalBlocks);
  const QString left = DoneBlocks < TotalBlocks ? TimeLeft(SecondsLeft()) : QString();
  if (!left.isEmpty()) text += QStringLiteral(", ") + left;
  return text;
}

QString BlockProgress::TimeLeft(int64_t seconds) {
  if (seconds < 0) return {};
  if (seconds < 60) return QStringLiteral("less than a minute left");
  return QStringLiteral("about %1 min left").arg((seconds + 30) / 60);
}
