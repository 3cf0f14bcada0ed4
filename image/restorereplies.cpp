#include "image/restorereplies.h"

#include <utility>

bool RestoreReplies::Accept(const ImageFrame::Reply& reply) {
  ImageFrame::Reply frame = reply;
  size_t length = frame.size();
  const bool readable = CheckCrc(frame.data(), &length);
  const bool first = std::exchange(First, false);
  if (!readable) return !first && ++BadInRow <= kMaxBadInRow;
  BadInRow = 0;
  if (!IsReadyReply(frame.data())) return false;
  if (frame[0] == '4') ++Count444;
  return true;
}
