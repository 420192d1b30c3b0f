#include "qr/function_frame.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

#include "qr/symbol_tables.h"

namespace qr {
namespace {

using namespace ModuleByte;

void FillRow(Frame& frame, int x, int y, int count, uint8_t value) {
  std::fill_n(frame.modules.begin() + ptrdiff_t(y) * frame.width + x, count, value);
}

void DrawFinder(Frame& frame, int left, int top) {
  for (int dy = 0; dy < 7; ++dy) {
    for (int dx = 0; dx < 7; ++dx) {
      const int ring = std::max(std::abs(dx - 3), std::abs(dy - 3));  // 3 outer, 2 light, 0-1 centre
      frame.At(left + dx, top + dy) = ring == 2 ? kFinderLight : kFinderDark;
    }
  }
}

void DrawSeparators(Frame& frame) {
  const int w = frame.width;
  for (int y = 0; y < 7; ++y) {
    frame.At(7, y) = kFinderLight;
    frame.At(w - 8, y) = kFinderLight;
    frame.At(7, w - 7 + y) = kFinderLight;
  }
  FillRow(frame, 0, 7, 8, kFinderLight);
  FillRow(frame, w - 8, 7, 8, kFinderLight);
  FillRow(frame, 0, w - 8, 8, kFinderLight);
}

void ReserveFormatArea(Frame& frame) {
  const int w = frame.width;
  FillRow(frame, 0, 8, 9, kFormatLight);
  FillRow(frame, w - 8, 8, 8, kFormatLight);
  for (int y = 0; y < 8; ++y) {
    frame.At(8, y) = kFormatLight;
    frame.At(8, w - 8 + y) = kFormatLight;
  }
}

// They start dark at 8 and overwrite the two reserved format bytes at (8, 6) and (6, 8).
void DrawTimingPatterns(Frame& frame) {
  const int w = frame.width;
  for (int i = 1; i < w - 15; ++i) {
    const uint8_t value = uint8_t(kTimingLight | (i & 1));
    frame.At(7 + i, 6) = value;
    frame.At(6, 7 + i) = value;
  }
}

void DrawAlignment(Frame& frame, int cx, int cy) {
  for (int dy = -2; dy <= 2; ++dy) {
    for (int dx = -2; dx <= 2; ++dx) {
      const int ring = std::max(std::abs(dx), std::abs(dy));
      frame.At(cx + dx, cy + dy) = ring == 1 ? kAlignmentLight : kAlignmentDark;
    }
  }
}

void DrawAlignmentPatterns(Frame& frame, int version) {
  if (version < 2) return;
  const auto [a0, a1] = GlobalSymbolTables().Alignment(version);
  const int w = frame.width;
  const int d = a1 - a0;
  const int n = d < 0 ? 2 : (w - a0) / d + 2;  // centres per side, 6 included
  if (n == 2) {
    DrawAlignment(frame, a0, a0);
    return;
  }
  // Beside the timing patterns, leaving out the corners of the finder patterns.
  for (int i = 1, c = a0; i <= n - 2; ++i, c += d) {
    DrawAlignment(frame, 6, c);
    DrawAlignment(frame, c, 6);
  }
  for (int j = 0, cy = a0; j < n - 1; ++j, cy += d) {
    for (int i = 0, cx = a0; i < n - 1; ++i, cx += d) DrawAlignment(frame, cx, cy);
  }
}

void DrawVersionInformation(Frame& frame, int version) {
  if (version < 7) return;
  const uint32_t word = GlobalSymbolTables().VersionInformation(version);
  const int w = frame.width;
  uint32_t v = word;
  for (int x = 0; x < 6; ++x) {
    for (int y = 0; y < 3; ++y, v >>= 1) frame.At(x, w - 11 + y) = uint8_t(kVersionLight | (v & 1));
  }
  v = word;
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 3; ++x, v >>= 1) frame.At(w - 11 + x, y) = uint8_t(kVersionLight | (v & 1));
  }
}

}  // namespace

Frame BuildFunctionFrame(int version) {
  if (version < kMinVersion || version > kMaxVersion) return {};
  Frame frame(GlobalSymbolTables().Width(version));
  const int w = frame.width;
  DrawFinder(frame, 0, 0);
  DrawFinder(frame, w - 7, 0);
  DrawFinder(frame, 0, w - 7);
  DrawSeparators(frame);
  ReserveFormatArea(frame);
  DrawTimingPatterns(frame);
  DrawAlignmentPatterns(frame, version);
  DrawVersionInformation(frame, version);
  frame.At(8, w - 8) = kDarkModule;
  return frame;
}

}  // namespace qr
