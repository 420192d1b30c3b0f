// Faults a test can make the update host commit, to exercise a client's
// failure paths. Every count is in bytes of a response body.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace devserver {

struct Faults {
  // Only requests for this path ("/up.zip") misbehave; empty: every path.
  std::string path;
  // Close the connection after this many bytes of each body.
  std::optional<uint64_t> dropAfter;
  // Answer 200 with the whole body even when a range was asked for, while
  // still advertising "Accept-Ranges: bytes".
  bool refuseRanges = false;
  // Stop sending after this many bytes of each body ...
  std::optional<uint64_t> stallAfter;
  // ... for this long; empty: until the server stops or the client leaves.
  std::optional<std::chrono::milliseconds> stallFor;
  // Serve the file as if it ended at this offset, while announcing its full
  // size: bytes from here on are never sent and the connection is closed.
  std::optional<uint64_t> truncateAt;

  bool AppliesTo(std::string_view requestPath) const {
    return path.empty() || path == requestPath;
  }
};

// The faults in force, changed at any time from any thread; each response
// takes one snapshot when it starts.
class FaultSwitch {
 public:
  explicit FaultSwitch(Faults faults = {}) : faults_(std::move(faults)) {}
  void Set(Faults faults) {
    std::lock_guard lock(mutex_);
    faults_ = std::move(faults);
  }
  Faults Get() const {
    std::lock_guard lock(mutex_);
    return faults_;
  }

 private:
  mutable std::mutex mutex_;
  Faults faults_;
};

}  // namespace devserver
