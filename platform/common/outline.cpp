#include "platform/graphics.h"

namespace platform {

std::vector<PixelRect> OutlineWithoutMagenta(const Image& image) {
  constexpr uint32_t kMagenta = 0xFF00FF;
  std::vector<PixelRect> rects;
  // Runs of the row above that may still grow downwards: index into rects.
  std::vector<size_t> open, next;
  for (int y = 0; y < image.height; ++y) {
    next.clear();
    size_t o = 0;
    for (int x = 0; x < image.width;) {
      while (x < image.width && (image.at(x, y) & 0xFFFFFF) == kMagenta) ++x;
      if (x == image.width) break;
      const int start = x;
      while (x < image.width && (image.at(x, y) & 0xFFFFFF) != kMagenta) ++x;
      // Extend a rectangle that ended on the row above with exactly this run.
      while (o < open.size() && rects[open[o]].x < start) ++o;
      if (o < open.size() && rects[open[o]].x == start && rects[open[o]].width == x - start) {
        ++rects[open[o]].height;
        next.push_back(open[o]);
        ++o;
      } else {
        rects.push_back({start, y, x - start, 1});
        next.push_back(rects.size() - 1);
      }
    }
    open.swap(next);
  }
  return rects;
}

}  // namespace platform
