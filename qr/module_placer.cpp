#include "qr/module_placer.h"

namespace qr {

std::optional<ModulePlacer> ModulePlacer::Make(int width, Frame frame) {
  if (width <= 0 || frame.Empty() || frame.width != width) return std::nullopt;
  return ModulePlacer(width, std::move(frame));
}

}  // namespace qr
