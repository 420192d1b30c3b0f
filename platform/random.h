// The process-wide random generator: the Windows C library's sequence.
#pragma once

#include <cstdint>

namespace platform {

class Random {
 public:
  // Seeds with the tick count plus a running counter, which then grows by
  // ((tick + counter) mod 256) + 100, so two reseeds in one millisecond differ.
  static void Reseed();
  static void Seed(uint32_t seed);
  // The next raw value, 0 .. 32767.
  static int Next();
  // a + |r| mod (b - a + 1) for the next raw value r; a for an empty range.
  static int Range(int a, int b);
};

}  // namespace platform
