#include <gtest/gtest.h>

#include <cstring>

#include "platform/graphics.h"

namespace {

using platform::Image;
using platform::OutlineWithoutMagenta;

// A picture drawn as text: '#' any colour, '.' magenta.
Image Picture(std::initializer_list<const char*> rows) {
  Image image;
  image.height = int(rows.size());
  for (const char* row : rows) {
    image.width = int(std::strlen(row));
    for (const char* p = row; *p; ++p) image.pixels.push_back(*p == '.' ? 0xFF00FF : 0x102030);
  }
  return image;
}

int Covered(const std::vector<platform::PixelRect>& rects, int x, int y) {
  int n = 0;
  for (const auto& r : rects) n += x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
  return n;
}

TEST(Outline, CoversExactlyTheNonMagentaPixels) {
  const Image image = Picture({
      "..####..",
      ".######.",
      "########",
      "###..###",
      "########",
      "...##...",
  });
  const auto rects = OutlineWithoutMagenta(image);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      EXPECT_EQ(Covered(rects, x, y), image.at(x, y) == 0xFF00FF ? 0 : 1) << x << "," << y;
}

TEST(Outline, MergesEqualRunsOfRowsBelow) {
  const Image image = Picture({"#..#", "#..#", "#..#"});
  EXPECT_EQ(OutlineWithoutMagenta(image).size(), 2u);
  EXPECT_TRUE(OutlineWithoutMagenta(Picture({"...."})).empty());
  EXPECT_TRUE(OutlineWithoutMagenta(Image{}).empty());
}

}  // namespace
