#include "platform/random.h"

#include <atomic>
#include <cstdlib>

#include "platform/clock.h"

namespace platform {
namespace {

// The Windows C library's rand(): a linear congruential generator whose raw
// values are bits 16..30 of the state.
std::atomic<uint32_t> state{1};
std::atomic<uint32_t> reseedCounter{0};

}  // namespace

void Random::Seed(uint32_t seed) { state = seed; }

void Random::Reseed() {
  const uint32_t tick = TickCount();
  const uint32_t counter = reseedCounter.load();
  Seed(tick + counter);
  reseedCounter = counter + ((tick + counter) % 256) + 100;
}

int Random::Next() {
  uint32_t s = state.load();
  s = s * 214013u + 2531011u;
  state = s;
  return int((s >> 16) & 0x7FFF);
}

int Random::Range(int a, int b) {
  if (b < a) return a;
  const long long span = (long long)b - a + 1;
  return int(a + std::llabs((long long)Next()) % span);
}

}  // namespace platform
