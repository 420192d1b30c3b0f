// A one-way switch that threads of a task wait on: once set it stays set,
// every wait on it ends at once, and every HTTP request made under it is
// cancelled, also one blocked in a connect or a read.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/http.h"

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
    cancel_->Cancel();
  }

  bool IsSet() const { return set_.load(); }

  // Waits up to `duration`; true when the latch is set.
  bool WaitFor(std::chrono::steady_clock::duration duration) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, duration, [this] { return set_.load(); });
  }

  // For HttpRequest::cancel: cancelled when the latch is set.
  const std::shared_ptr<HttpCancel>& Cancel() const { return cancel_; }

 private:
  std::atomic<bool> set_{false};
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  const std::shared_ptr<HttpCancel> cancel_ = std::make_shared<HttpCancel>();
};

}  // namespace platform::download
