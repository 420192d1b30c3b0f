#include "qr/segment.h"

#include <algorithm>
#include <array>

namespace qr {
namespace {

// Alphanumeric values of the 256 byte values, -1 outside the table.
constexpr std::array<signed char, 256> MakeAlphanumericValues() {
  std::array<signed char, 256> values{};
  values.fill(-1);
  constexpr std::string_view kCharacters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
  for (size_t i = 0; i < kCharacters.size(); ++i) values[uint8_t(kCharacters[i])] = (signed char)i;
  return values;
}

constexpr std::array<signed char, 256> kAlphanumericValues = MakeAlphanumericValues();

bool Fits(Mode mode, std::string_view data) {
  switch (mode) {
    case Mode::kNumeric:
      return std::all_of(data.begin(), data.end(), [](char c) { return IsDigit(uint8_t(c)); });
    case Mode::kAlphanumeric:
      return std::all_of(data.begin(), data.end(), [](char c) { return AlphanumericValue(uint8_t(c)) >= 0; });
    case Mode::kEightBit:
      return true;
    default:
      return false;
  }
}

}  // namespace

int AlphanumericValue(unsigned char byte) { return kAlphanumericValues[byte]; }

Mode ClassifyAt(std::string_view text, size_t p) {
  if (p >= text.size()) return Mode::kNone;
  const uint8_t byte = uint8_t(text[p]);
  if (IsDigit(byte)) return Mode::kNumeric;
  if (AlphanumericValue(byte) >= 0) return Mode::kAlphanumeric;
  return Mode::kEightBit;
}

int64_t EstimateBits(Mode mode, int64_t n) {
  switch (mode) {
    case Mode::kNumeric:
      return 10 * (n / 3) + (n % 3 == 1 ? 4 : n % 3 == 2 ? 7 : 0);
    case Mode::kAlphanumeric:
      return 11 * (n / 2) + (n % 2 == 1 ? 6 : 0);
    case Mode::kEightBit:
      return 8 * n;
    default:
      return 0;
  }
}

std::optional<Segment> Segment::Make(Mode mode, std::string_view data) {
  if (data.empty() || !Fits(mode, data)) return std::nullopt;
  return Segment(mode, data);
}

std::optional<SegmentList> SegmentList::Make(int version, int level) {
  if (version < 0 || version > kMaxVersion || level < 0 || level > 3) return std::nullopt;
  return SegmentList(version, level);
}

}  // namespace qr
