// The eight data mask patterns, ApplyMask and WriteFormatInfo.
#pragma once

#include "qr/frame.h"

namespace qr {

// True where mask pattern 0..7 inverts the module in column x and row y
// (where the pattern's value is 0).
constexpr bool MaskInverts(int mask, int x, int y) {
  int value = 1;
  switch (mask) {
    case 0: value = (x + y) & 1; break;
    case 1: value = y & 1; break;
    case 2: value = x % 3; break;
    case 3: value = (x + y) % 3; break;
    case 4: value = (y / 2 + x / 3) & 1; break;
    case 5: value = ((x * y) & 1) + (x * y) % 3; break;
    case 6: value = (((x * y) & 1) + (x * y) % 3) & 1; break;
    case 7: value = (((x * y) % 3) + ((x + y) & 1)) & 1; break;
  }
  return value == 0;
}

struct MaskedFrame {
  Frame frame;
  int dark = 0;  // dark modules over the whole matrix; the format area is still light
};

// A copy of the frame with every module outside the function patterns inverted
// where the pattern says so. A mask outside 0..7 gives a frame with no rows.
MaskedFrame ApplyMask(int mask, int width, const Frame& frame);

// Writes both copies of the format information of level and mask; returns 2 x
// the number of 1 bits of the format word, the dark modules it added.
int WriteFormatInfo(int width, Frame& frame, int mask, int level);

}  // namespace qr
