// The data modes of a segment and the class of a byte of the text.
#pragma once

namespace qr {

// Mode numbers as the tables index them. Kanji and structured append exist in
// the tables only: the encoder never produces such a segment.
enum class Mode : int {
  kNone = -1,  // the class of a position past the end of the text
  kNumeric = 0,
  kAlphanumeric = 1,
  kEightBit = 2,
  kKanji = 3,
  kStructuredAppend = 4,
};

// Error-correction level codes; every level-indexed table uses this order.
inline constexpr int kLevelL = 0;
inline constexpr int kLevelM = 1;
inline constexpr int kLevelQ = 2;
inline constexpr int kLevelH = 3;

inline constexpr int kMinVersion = 1;
inline constexpr int kMaxVersion = 40;

}  // namespace qr
