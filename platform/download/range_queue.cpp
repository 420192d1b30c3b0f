#include "platform/download/range_queue.h"

#include <chrono>

namespace platform::download {

void RangeQueue::Finished() {
  {
    std::lock_guard lock(mutex_);
    --holders_;
  }
  changed_.notify_all();
}

void RangeQueue::GiveBack(ByteRange rest) {
  {
    std::lock_guard lock(mutex_);
    if (rest.Size() > 0) waiting_.push_back(rest);
    --holders_;
  }
  changed_.notify_all();
}

bool RangeQueue::Take(ByteRange& range, const StopLatch& stop) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (stop.IsSet()) return false;
    if (!waiting_.empty()) {
      range = waiting_.front();
      waiting_.pop_front();
      ++holders_;
      return true;
    }
    if (holders_ == 0) return false;
    // The stop latch has its own signal: look at it every 20 ms.
    changed_.wait_for(lock, std::chrono::milliseconds(20));
  }
}

bool RangeQueue::Unfetched() const {
  std::lock_guard lock(mutex_);
  return !waiting_.empty();
}

}  // namespace platform::download
