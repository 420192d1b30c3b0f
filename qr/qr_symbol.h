// The encoder's front: a text becomes a QR Code symbol (QrSymbol) and the
// matrix handed to the picture maker (QrMatrix).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "qr/segment.h"

namespace qr {

// What EncodeText asks for; only the level comes from its caller.
struct QrEncodeOptions {
  int version = 0;        // 0: the smallest version that holds the data
  int level = kLevelL;    // 0 L, 1 M, 2 Q, 3 H
  int modeHint = 2;       // 8-bit byte mode for bytes that are neither numeric nor alphanumeric
  int caseSensitive = 1;  // lowercase letters stay 8-bit data
  int eightBitOnly = 0;   // the text is segmented, not sent as one 8-bit segment
  int moduleSize = 3;     // kept for the record; the picture has its own
  int margin = 4;         // kept for the record; the picture has its own
};

// A symbol: version 1..40 and width 17 + 4 x version, with width x width
// ModuleBytes row-major (bit 0 of each is 1 for a dark module); or no symbol,
// with version 0, width 0 and no modules. Each encode operation fills the object
// it is called on (no symbol when it fails) and returns a copy of the result.
class QrSymbol {
 public:
  // modeHint 2 (8-bit) or 3 (Kanji, which splits alike); version 0..40, 0 automatic.
  QrSymbol EncodeString(std::string_view text, int version, int level, int modeHint, int caseSensitive);
  // EncodeWithMask with the mask chosen automatically.
  QrSymbol EncodeSegments(SegmentList& list);
  // mask -1 (any negative) chooses the pattern; 0..7 forces it; above 7 gives no symbol.
  QrSymbol EncodeWithMask(SegmentList& list, int mask);

  int Version() const { return version_; }
  int Width() const { return width_; }
  bool Empty() const { return width_ == 0; }
  const std::vector<uint8_t>& Modules() const { return modules_; }
  uint8_t Module(int x, int y) const { return modules_[size_t(y) * size_t(width_) + size_t(x)]; }

 private:
  int version_ = 0;
  int width_ = 0;
  std::vector<uint8_t> modules_;
};

// The symbol as width rows of width bytes, top row first, leftmost module
// first, 1 dark and 0 light, without a quiet zone; no rows when no symbol could
// be made.
class QrMatrix {
 public:
  QrMatrix() = default;
  explicit QrMatrix(const QrSymbol& symbol);
  // width x width module values, row-major; no rows unless the sizes agree.
  QrMatrix(int width, std::vector<uint8_t> modules);

  int Width() const { return width_; }
  int RowCount() const { return width_; }
  bool Empty() const { return width_ == 0; }
  std::span<const uint8_t> Row(int y) const {
    return std::span<const uint8_t>(modules_).subspan(size_t(y) * size_t(width_), size_t(width_));
  }
  uint8_t At(int x, int y) const { return modules_[size_t(y) * size_t(width_) + size_t(x)]; }
  // All rows, row-major.
  const std::vector<uint8_t>& Modules() const { return modules_; }

 private:
  int width_ = 0;
  std::vector<uint8_t> modules_;
};

// The one operation the rest of the launcher calls: the symbol of a GBK text at
// a level (one outside 0..3 is taken as L), with the mask chosen at random.
QrMatrix EncodeText(std::string_view text, int level = kLevelL);

}  // namespace qr
