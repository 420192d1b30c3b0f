// ModulePlacer: walks the free modules of a frame in the placement order of
// ISO/IEC 18004 (two-column strips from the right, alternately upwards and
// downwards, right module before left, column 6 skipped) and writes into them.
#pragma once

#include <optional>

#include "qr/frame.h"

namespace qr {

struct ModulePosition {
  int x = 0;
  int y = 0;
  bool operator==(const ModulePosition&) const = default;
};

class ModulePlacer {
 public:
  // Refuses a width of 0 or less, or a frame with no rows or of another width.
  static std::optional<ModulePlacer> Make(int width, Frame frame);

  // The next module without bit 7; none once the walk has left the matrix.
  std::optional<ModulePosition> Next();
  void Write(ModulePosition position, uint8_t value) { frame_.At(position.x, position.y) = value; }
  Frame TakeFrame() { return std::move(frame_); }

 private:
  ModulePlacer(int width, Frame frame) : width_(width), frame_(std::move(frame)), x_(width - 1), y_(width - 1) {}

  int width_;
  Frame frame_;
  int x_;
  int y_;
  int dir_ = -1;  // -1 upwards, +1 downwards
  int bit_ = -1;  // -1 before the first position, 0 after a right-hand module, 1 after a left-hand one
};

// Inline: it runs once for every module of the symbol.
inline std::optional<ModulePosition> ModulePlacer::Next() {
  if (bit_ == -1) {
    bit_ = 0;
    return ModulePosition{x_, y_};
  }
  for (;;) {
    if (bit_ == 0) {
      --x_;
      bit_ = 1;
    } else {
      ++x_;
      y_ += dir_;
      bit_ = 0;
      if (y_ < 0) {
        y_ = 0;
        x_ -= 2;
        dir_ = 1;
        // Step over the vertical timing column; rows 0-8 of the next strip are all function modules.
        if (x_ == 6) x_ = 5, y_ = 9;
      } else if (y_ >= width_) {
        y_ = width_ - 1;
        x_ -= 2;
        dir_ = -1;
        if (x_ == 6) x_ = 5, y_ = width_ - 9;
      }
    }
    if (x_ < 0) return std::nullopt;
    if (!(frame_.At(x_, y_) & ModuleByte::kFunction)) return ModulePosition{x_, y_};
  }
}

}  // namespace qr
