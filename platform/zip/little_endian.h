// Little-endian fields of ZIP records, read from byte buffers.
#pragma once

#include <cstdint>

namespace platform::zip {

inline uint16_t Read16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

inline uint32_t Read32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint64_t Read64(const unsigned char* p) { return uint64_t(Read32(p)) | uint64_t(Read32(p + 4)) << 32; }

}  // namespace platform::zip
