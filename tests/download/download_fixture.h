// What the download tests share: a recorder of a task's events, file
// contents that show a misplaced byte, a port that never completes a
// connect, and the process's thread count.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/download/download_task.h"
#include "tests/support/blackhole_port.h"
#include "tests/support/pattern_bytes.h"

namespace download_testing {

struct RecordedEvent {
  int type = 0;
  int64_t detail = 0;
  int64_t value = 0;
  int64_t further = 0;
  int taskKind = 0;
  std::thread::id thread;
};

// Records every event of a task; thread-safe.
class EventLog {
 public:
  // answerToFileExists: what the routine answers to the file-exists event.
  platform::DownloadEventRoutine Routine(int answerToFileExists = 0);
  std::vector<RecordedEvent> Events() const;
  std::vector<int> Types() const;
  // The end event, waiting for it up to `wait`; nullopt when none came.
  std::optional<RecordedEvent> WaitForEnd(std::chrono::milliseconds wait = std::chrono::seconds(60)) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<RecordedEvent> events_;
};

using testing_support::PatternBytes;

using testing_support::BlackholePort;

// Threads of this process now (Linux).
int ThreadCount();

// Polls `done` every 5 ms for up to `wait`; true once it holds.
template <typename Done>
bool WaitUntil(Done done, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

inline platform::DownloadOutcome OutcomeOf(const RecordedEvent& end) {
  return platform::DownloadOutcome(end.detail);
}

}  // namespace download_testing
