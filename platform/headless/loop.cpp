#include "platform/headless/loop.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/headless/driver.h"
#include "platform/toolkit.h"

namespace platform::headless {
namespace {

struct Timer {
  uint32_t period;
  uint64_t due;
  std::function<void()> callback;
};

struct LoopState {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::function<void()>> queue;
  std::map<int, std::function<void()>> watches;  // fd -> handler
  int wakePipe[2] = {-1, -1};
};

LoopState& State() {
  static LoopState* state = [] {
    auto* s = new LoopState;
    if (pipe(s->wakePipe) != 0) s->wakePipe[0] = s->wakePipe[1] = -1;
    return s;
  }();
  return *state;
}

// The clock and timers belong to the UI thread alone.
uint64_t clockNow = 0;
std::map<int, Timer> timers;
int nextTimerId = 1;
std::atomic<bool> ending{false};
std::thread::id uiThread = std::this_thread::get_id();

void WakeUp() {
  LoopState& s = State();
  if (s.wakePipe[1] >= 0) {
    const char b = 1;
    [[maybe_unused]] ssize_t n = write(s.wakePipe[1], &b, 1);
  }
}

void DrainWakePipe() {
  LoopState& s = State();
  char buffer[64];
  pollfd p{s.wakePipe[0], POLLIN, 0};
  while (poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) {
    if (read(s.wakePipe[0], buffer, sizeof buffer) <= 0) break;
  }
}

}  // namespace

// ---------------------------------------------------------------- posting

void Post(std::function<void()> work) {
  {
    std::lock_guard lock(State().mutex);
    State().queue.push_back(std::move(work));
  }
  WakeUp();
}

int Pump(int waitMs) {
  LoopState& s = State();
  int ran = 0;
  for (;;) {
    std::function<void()> work;
    {
      std::lock_guard lock(s.mutex);
      if (s.queue.empty()) break;
      work = std::move(s.queue.front());
      s.queue.pop_front();
    }
    work();
    ++ran;
  }
  if (ran > 0 || waitMs < 0) return ran;

  // Nothing queued: wait for the wake pipe or a watched descriptor.
  std::vector<pollfd> fds{{s.wakePipe[0], POLLIN, 0}};
  {
    std::lock_guard lock(s.mutex);
    for (const auto& [fd, handler] : s.watches) fds.push_back({fd, POLLIN, 0});
  }
  if (poll(fds.data(), fds.size(), waitMs) <= 0) return 0;
  DrainWakePipe();
  for (size_t i = 1; i < fds.size(); ++i) {
    if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    std::function<void()> handler;
    {
      std::lock_guard lock(s.mutex);
      auto it = s.watches.find(fds[i].fd);
      if (it != s.watches.end()) handler = it->second;
    }
    if (handler) {
      handler();
      ++ran;
    }
  }
  return ran;
}

// ---------------------------------------------------------------- watches

void WatchDescriptor(int fd, std::function<void()> onReadable) {
  {
    std::lock_guard lock(State().mutex);
    State().watches[fd] = std::move(onReadable);
  }
  WakeUp();
}

void UnwatchDescriptor(int fd) {
  std::lock_guard lock(State().mutex);
  State().watches.erase(fd);
}

// ---------------------------------------------------------------- clock

int StartTimer(uint32_t periodMs, std::function<void()> callback) {
  const int id = nextTimerId++;
  timers[id] = Timer{std::max<uint32_t>(periodMs, 1), clockNow + std::max<uint32_t>(periodMs, 1), std::move(callback)};
  return id;
}

void StopTimer(int id) { timers.erase(id); }

uint32_t Now() { return uint32_t(clockNow); }

void AdvanceClock(uint32_t milliseconds) {
  const uint64_t target = clockNow + milliseconds;
  for (;;) {
    // The earliest due timer, if it falls within the step.
    auto next = timers.end();
    for (auto it = timers.begin(); it != timers.end(); ++it)
      if (next == timers.end() || it->second.due < next->second.due) next = it;
    if (next == timers.end() || next->second.due > target || ending) break;
    clockNow = next->second.due;
    next->second.due += next->second.period;
    // The callback may stop this timer or others: call a copy.
    std::function<void()> callback = next->second.callback;
    callback();
    Pump(0);
  }
  clockNow = target;
}

bool RunUntil(const std::function<bool()>& condition, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (condition()) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return condition();
    Pump(int(std::min<int64_t>(left.count(), 20)));
  }
}

void ResetLoop() {
  // Dropped work may own windows whose sockets unwatch themselves as they go:
  // destroy it outside the lock.
  std::deque<std::function<void()>> queue;
  std::map<int, std::function<void()>> watches;
  {
    std::lock_guard lock(State().mutex);
    queue.swap(State().queue);
    watches.swap(State().watches);
  }
  queue.clear();
  watches.clear();
  timers.clear();
  clockNow = 10'000'000;
  ending = false;
  uiThread = std::this_thread::get_id();
}

bool Ending() { return ending; }
void SetEnding(bool value) { ending = value; }

}  // namespace platform::headless

// ---------------------------------------------------------------- seam

namespace platform {

uint32_t TickCount() { return headless::Now(); }

bool OnUiThread() { return std::this_thread::get_id() == headless::uiThread; }

void InvokeOnUiThread(const std::function<void()>& work) {
  if (OnUiThread()) {
    work();
    return;
  }
  // Wait for the UI thread to run it; give up when the process is ending so a
  // worker never hangs on a UI thread that has stopped pumping.
  struct Done {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
  };
  auto done = std::make_shared<Done>();
  headless::Post([work, done] {
    work();
    std::lock_guard lock(done->mutex);
    done->done = true;
    done->cv.notify_all();
  });
  std::unique_lock lock(done->mutex);
  while (!done->cv.wait_for(lock, std::chrono::milliseconds(50), [&] { return done->done; }))
    if (headless::Ending()) return;
}

void ProcessPendingMessages() { headless::Pump(0); }

void PumpingDelay(int64_t amount, int unit) {
  static constexpr int64_t kWaits[] = {1, 1, 1000, 60'000, 3'600'000, 86'400'000};
  if (amount <= 0 || unit < 0 || unit > 5) {
    ProcessPendingMessages();
    return;
  }
  if (unit == 1) {  // microseconds: below the clock's resolution
    headless::AdvanceClock(uint32_t(amount / 1000));
    ProcessPendingMessages();
    return;
  }
  for (int64_t i = 0; i < kWaits[unit] && !headless::Ending(); ++i) {
    headless::AdvanceClock(uint32_t(amount));
    ProcessPendingMessages();
  }
}

}  // namespace platform
