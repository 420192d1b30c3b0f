// A latch that wakes every blocking wait of a service at once.
#pragma once

#include <atomic>

#include "tools/devserver/unique_fd.h"

namespace devserver {

// Every wait of a listener and its connections polls WaitFd() beside its own
// socket, so one Trigger() ends them all without closing descriptors that
// other threads still use. Once triggered it stays triggered.
class StopSignal {
 public:
  StopSignal();
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  // False when the pipe behind it could not be made.
  bool Valid() const { return read_.Valid() && write_.Valid(); }
  void Trigger();
  bool Triggered() const { return triggered_.load(); }
  // Readable from the moment Trigger() was called.
  int WaitFd() const { return read_.Get(); }

 private:
  UniqueFd read_;
  UniqueFd write_;
  std::atomic<bool> triggered_{false};
};

}  // namespace devserver
