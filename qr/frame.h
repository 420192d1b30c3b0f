// Frame: a module matrix of width rows of width ModuleBytes, row-major; the
// module in column x and row y (0 at the top left) is Modules()[y * width + x].
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qr {

// ModuleByte: bit 0 is the colour (1 dark); bit 1 marks a data,
// error-correction or remainder module; bit 7 marks a function-pattern module,
// which placement skips and masking leaves alone.
namespace ModuleByte {
inline constexpr uint8_t kFree = 0x00;
inline constexpr uint8_t kDark = 0x01;
inline constexpr uint8_t kDataLight = 0x02;
inline constexpr uint8_t kDataDark = 0x03;
inline constexpr uint8_t kFunction = 0x80;
inline constexpr uint8_t kFinderLight = 0xC0;
inline constexpr uint8_t kFinderDark = 0xC1;
inline constexpr uint8_t kTimingLight = 0x90;
inline constexpr uint8_t kAlignmentLight = 0xA0;
inline constexpr uint8_t kAlignmentDark = 0xA1;
inline constexpr uint8_t kFormatLight = 0x84;  // also reserves the format area
inline constexpr uint8_t kFormatDark = 0x85;
inline constexpr uint8_t kVersionLight = 0x88;
inline constexpr uint8_t kDarkModule = 0x81;
}  // namespace ModuleByte

struct Frame {
  int width = 0;  // 0: a frame with no rows
  std::vector<uint8_t> modules;

  Frame() = default;
  explicit Frame(int w) : width(w), modules(size_t(w) * size_t(w), ModuleByte::kFree) {}

  bool Empty() const { return width <= 0; }
  uint8_t& At(int x, int y) { return modules[size_t(y) * size_t(width) + size_t(x)]; }
  uint8_t At(int x, int y) const { return modules[size_t(y) * size_t(width) + size_t(x)]; }
};

}  // namespace qr
