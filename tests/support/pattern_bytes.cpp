#include "tests/support/pattern_bytes.h"

namespace testing_support {

std::string PatternBytes(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  uint32_t state = seed * 2654435761u + 1;
  for (char& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = char(state >> 24);
  }
  return bytes;
}

}  // namespace testing_support
