#include "qr/mask.h"

#include "qr/symbol_tables.h"

namespace qr {
namespace {

// Inverts one row of the data modules for a pattern known at compile time,
// so that the row loop holds no switch.
template <int kMask>
int MaskRow(const uint8_t* in, uint8_t* out, int width, int y) {
  int dark = 0;
  for (int x = 0; x < width; ++x) {
    uint8_t m = in[x];
    if (!(m & ModuleByte::kFunction) && MaskInverts(kMask, x, y)) m ^= ModuleByte::kDark;
    out[x] = m;
    dark += m & ModuleByte::kDark;
  }
  return dark;
}

template <int kMask>
int MaskAll(const Frame& frame, Frame& out) {
  const int w = frame.width;
  int dark = 0;
  for (int y = 0; y < w; ++y) {
    dark += MaskRow<kMask>(&frame.modules[size_t(y) * w], &out.modules[size_t(y) * w], w, y);
  }
  return dark;
}

}  // namespace

MaskedFrame ApplyMask(int mask, int width, const Frame& frame) {
  if (mask < 0 || mask > 7 || width <= 0 || frame.width != width) return {};
  MaskedFrame result;
  result.frame = Frame(width);
  switch (mask) {
    case 0: result.dark = MaskAll<0>(frame, result.frame); break;
    case 1: result.dark = MaskAll<1>(frame, result.frame); break;
    case 2: result.dark = MaskAll<2>(frame, result.frame); break;
    case 3: result.dark = MaskAll<3>(frame, result.frame); break;
    case 4: result.dark = MaskAll<4>(frame, result.frame); break;
    case 5: result.dark = MaskAll<5>(frame, result.frame); break;
    case 6: result.dark = MaskAll<6>(frame, result.frame); break;
    case 7: result.dark = MaskAll<7>(frame, result.frame); break;
  }
  return result;
}

int WriteFormatInfo(int width, Frame& frame, int mask, int level) {
  const int w = width;
  uint32_t f = GlobalSymbolTables().FormatInformation(mask, level);
  int count = 0;
  auto next = [&] {
    const uint8_t value = (f & 1) ? ModuleByte::kFormatDark : ModuleByte::kFormatLight;
    if (f & 1) count += 2;
    f >>= 1;
    return value;
  };
  for (int i = 0; i < 8; ++i) {
    const uint8_t value = next();
    frame.At(w - 1 - i, 8) = value;
    frame.At(8, i < 6 ? i : i + 1) = value;  // step over the timing row
  }
  for (int i = 0; i < 7; ++i) {
    const uint8_t value = next();
    frame.At(8, w - 7 + i) = value;
    frame.At(i == 0 ? 7 : 6 - i, 8) = value;  // step over the timing column
  }
  return count;
}

}  // namespace qr
