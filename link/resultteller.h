#pragma once
// ResultTeller: where the results of device work are told - the window's
// message boxes, the command line's stderr, a test's record.
//
// Principles of operation
// - Device logic returns its results (JobResult) and tells nothing itself;
//   the top level that started the work hands each result to its front's
//   teller, in the order the user is to meet them. Where a result must be
//   told in the middle of an operation (before the folder is listed again,
//   before the next file's question), the front's teller is handed down and
//   the result handed up through it.
// - One rule decides the kind (HowTold): the window shows a box of that kind
//   with its usual caption, the command line prints the kind in front of the
//   text; a result without a text tells nothing.
// - Main thread only; a box is modal.

#include "link/jobs/jobresult.h"

class ResultTeller {
 public:
  virtual ~ResultTeller() = default;
  virtual void Tell(const JobResult& result) = 0;
};
