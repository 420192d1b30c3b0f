#include "qr/penalty.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace qr {
namespace {

// Colours of one row or column, bit i for module i (1 dark); 177 modules at most.
constexpr int kWords = 3;
using LineBits = std::array<uint64_t, kWords>;

// Bit i of the result is bit 0 of modules[i], for up to 64 modules.
uint64_t GatherColours(const uint8_t* modules, int count) {
  uint64_t bits = 0;
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    uint64_t eight;
    std::memcpy(&eight, modules + i, 8);
    eight &= 0x0101010101010101u;
    // Each byte's bit 0 lands on its own bit of the top byte, without carries.
    const uint64_t byte = (eight * 0x0102040810204080u) >> 56;
    bits |= byte << i;
  }
  for (; i < count; ++i) bits |= uint64_t(modules[i] & 1) << i;
  return bits;
}

// a[i] bit j goes to a[j] bit i: 64 x 64 bits transposed in place.
void Transpose64(std::array<uint64_t, 64>& a) {
  uint64_t m = 0x00000000FFFFFFFFu;
  for (int j = 32; j != 0; j >>= 1, m ^= m << j) {
    for (int k = 0; k < 64; k = ((k | j) + 1) & ~j) {
      const uint64_t t = ((a[size_t(k)] >> j) ^ a[size_t(k | j)]) & m;
      a[size_t(k)] ^= t << j;
      a[size_t(k | j)] ^= t;
    }
  }
}

// The line's runs into the buffer (entry 0 is -1 when it starts dark); returns n.
// Walks the colour changes, not the modules: a line has about half as many runs.
int CollectRuns(const LineBits& line, int width, int* runs) {
  const bool startsDark = line[0] & 1;
  runs[0] = -1;
  int head = startsDark ? 1 : 0;
  int start = 0;  // of the run at head
  uint64_t carry = 0;
  for (int k = 0; 64 * k < width; ++k) {
    // Bit i: module i differs from module i - 1; module 0 starts a run, not a change.
    uint64_t changes = line[k] ^ (line[k] << 1 | carry);
    carry = line[k] >> 63;
    if (k == 0) changes &= ~uint64_t(1);
    if (width - 64 * k < 64) changes &= (uint64_t(1) << (width - 64 * k)) - 1;
    while (changes) {
      const int at = 64 * k + std::countr_zero(changes);
      changes &= changes - 1;
      runs[head++] = at - start;
      start = at;
    }
  }
  runs[head] = width - start;
  return head + 1;
}

// Bit i: modules i and i + 1 of the line are both set.
uint64_t PairsAt(const LineBits& line, int k) {
  const uint64_t next = k + 1 < kWords ? line[size_t(k) + 1] : 0;
  return line[size_t(k)] & (line[size_t(k)] >> 1 | next << 63);
}

LineBits Inverted(const LineBits& line) {
  LineBits inverted;
  for (int k = 0; k < kWords; ++k) inverted[size_t(k)] = ~line[size_t(k)];
  return inverted;
}

// 3 for every 2 x 2 block of one colour in rows y - 1 and y.
int BlockPenalty(const LineBits& above, const LineBits& row, int width) {
  const LineBits aboveLight = Inverted(above);
  const LineBits rowLight = Inverted(row);
  int blocks = 0;
  for (int k = 0; 64 * k < width - 1; ++k) {
    uint64_t found = (PairsAt(above, k) & PairsAt(row, k)) | (PairsAt(aboveLight, k) & PairsAt(rowLight, k));
    // Blocks start at modules 0 .. width - 2; light bits past the line's end are no modules.
    const int starts = width - 1 - 64 * k;
    if (starts < 64) found &= (uint64_t(1) << starts) - 1;
    blocks += std::popcount(found);
  }
  return 3 * blocks;
}

}  // namespace

int RunPenalty(std::span<const int> runs) {
  const int n = int(runs.size());
  int penalty = 0;
  for (const int run : runs) {
    if (run >= 5) penalty += 3 + (run - 5);
  }
  for (int i = 3; i < n - 2; i += 2) {
    if (runs[i] % 3 != 0) continue;
    const int fact = runs[i] / 3;
    if (runs[i - 2] != fact || runs[i - 1] != fact || runs[i + 1] != fact || runs[i + 2] != fact) continue;
    // A negative entry 0 (the line starts dark) counts as the light side before.
    if (runs[i - 3] < 0 || runs[i - 3] >= 4 * fact || i + 3 >= n || runs[i + 3] >= 4 * fact) penalty += 40;
  }
  return penalty;
}

int EvaluatePenalty(int width, const Frame& frame) {
  const int w = width;
  if (w <= 0 || w > 64 * kWords || frame.width != w) return 0;  // 177 is the widest symbol
  // One pass over the frame gives the colours of every row; the columns are
  // those bits transposed, 64 x 64 at a time.
  const int words = (w + 63) / 64;
  std::vector<LineBits> rows(size_t(w), LineBits{});
  std::vector<LineBits> columns(size_t(w), LineBits{});
  for (int y = 0; y < w; ++y) {
    const uint8_t* row = frame.modules.data() + size_t(y) * size_t(w);
    for (int k = 0; k < words; ++k) rows[size_t(y)][size_t(k)] = GatherColours(row + 64 * k, std::min(64, w - 64 * k));
  }
  std::array<uint64_t, 64> block;
  for (int rowBlock = 0; rowBlock < words; ++rowBlock) {
    for (int k = 0; k < words; ++k) {
      for (int i = 0; i < 64; ++i) {
        const int y = 64 * rowBlock + i;
        block[size_t(i)] = y < w ? rows[size_t(y)][size_t(k)] : 0;
      }
      Transpose64(block);
      for (int i = 0; i < 64 && 64 * k + i < w; ++i) columns[size_t(64 * k + i)][size_t(rowBlock)] = block[size_t(i)];
    }
  }
  RunLengthBuffer runs(size_t(w) + 1);
  int penalty = 0;
  for (int y = 0; y < w; ++y) {
    if (y > 0) penalty += BlockPenalty(rows[size_t(y) - 1], rows[size_t(y)], w);
    const int n = CollectRuns(rows[size_t(y)], w, runs.data());
    penalty += RunPenalty(std::span<const int>(runs.data(), size_t(n)));
  }
  for (int x = 0; x < w; ++x) {
    const int n = CollectRuns(columns[size_t(x)], w, runs.data());
    penalty += RunPenalty(std::span<const int>(runs.data(), size_t(n)));
  }
  return penalty;
}

}  // namespace qr
