// The headless backend's event loop: posted work, the test-driven clock and
// its timers, and watched file descriptors (sockets).
#pragma once

#include <cstdint>
#include <functional>

namespace platform::headless {

// Queues work for the UI thread; safe from any thread.
void Post(std::function<void()> work);

// Runs queued work, and for up to waitMs waits for more (0: do not wait).
// Returns the number of items run.
int Pump(int waitMs);

// A timer on the virtual clock. Returns its id; the callback runs on the UI thread.
int StartTimer(uint32_t periodMs, std::function<void()> callback);
void StopTimer(int id);

// Calls onReadable on the UI thread whenever fd has data (or was closed).
void WatchDescriptor(int fd, std::function<void()> onReadable);
void UnwatchDescriptor(int fd);

// Forgets everything queued, every timer and watch.
void ResetLoop();

// True once EndProcess ran: loops return.
bool Ending();
void SetEnding(bool ending);

}  // namespace platform::headless
