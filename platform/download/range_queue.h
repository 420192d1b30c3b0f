// The ranges of a task that no connection holds: a connection that cannot
// get its range leaves it here, and one that has finished its own takes it over.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/download/byte_ranges.h"
#include "platform/download/stop_latch.h"

namespace platform::download {

class RangeQueue {
 public:
  // connections: how many start, each holding a range of its own.
  explicit RangeQueue(int connections) : holders_(connections) {}

  // The holder finished its range.
  void Finished();
  // The holder gives up the rest of its range and leaves.
  void GiveBack(ByteRange rest);
  // Waits for a range to take over; false when none will come (no range is
  // left and no holder could leave one) or the stop latch is set.
  bool Take(ByteRange& range, const StopLatch& stop);
  // True when some range was given up and nobody took it: the file is incomplete.
  bool Unfetched() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<ByteRange> waiting_;
  int holders_;
};

}  // namespace platform::download
