#pragma once
// RestoreReplies: the restore worker's reading of the helper's 5-byte
// replies over one run, one call per reply in the order they came.
//
// Principles of operation
// - Pure; any thread.
// - The first reply must be a ready one with a good CRC: anything else means
//   the helper never started, and the shell would take every block as typed
//   text (a carriage return in it runs a command).
// - Later, a reply whose CRC does not match lets the next block go, as a
//   single damaged reply on the line is no refusal; more than
//   kMaxBadInRow of them in a row is no helper talking any more.
// - A good CRC on digits other than "111" or "444" always refuses.

#include <cstdint>

#include "image/imageframe.h"

class RestoreReplies {
 public:
  static constexpr int kMaxBadInRow = 3;

  // True: send the next block. False: end the run, sending nothing more.
  [[nodiscard]] bool Accept(const ImageFrame::Reply& reply);
  // Ready replies "444" accepted so far: blocks the helper received damaged.
  uint32_t Answered444() const { return Count444; }

 private:
  bool First = true;
  int BadInRow = 0;
  uint32_t Count444 = 0;
};
