// A one-way switch that threads of a task wait on: once set it stays set,
// and every wait on it ends at once.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform::download {

class StopLatch {
 public:
  // Any thread.
  void Set() {
    {
      std::lock_guard lock(mutex_);
      set_.store(true);
    }
    changed_.notify_all();
  }

  bool IsSet() const { return set_.load(); }

  // Waits up to `duration`; true when the latch is set.
  bool WaitFor(std::chrono::steady_clock::duration duration) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, duration, [this] { return set_.load(); });
  }

 private:
  std::atomic<bool> set_{false};
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
};

}  // namespace platform::download
