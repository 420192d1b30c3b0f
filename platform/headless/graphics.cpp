// Pictures on libgd for the headless backend.
#include <gd.h>

#include <cstring>

#include "platform/graphics.h"

namespace platform {
namespace {

gdImagePtr Load(std::span<const unsigned char> bytes) {
  if (bytes.size() < 4) return nullptr;
  void* data = const_cast<unsigned char*>(bytes.data());
  const int size = int(bytes.size());
  const unsigned char* b = bytes.data();
  if (b[0] == 0xFF && b[1] == 0xD8) return gdImageCreateFromJpegPtr(size, data);
  if (b[0] == 0x89 && std::memcmp(b + 1, "PNG", 3) == 0) return gdImageCreateFromPngPtr(size, data);
  if (std::memcmp(b, "GIF8", 4) == 0) return gdImageCreateFromGifPtr(size, data);
  if (b[0] == 'B' && b[1] == 'M') return gdImageCreateFromBmpPtr(size, data);
  return nullptr;
}

}  // namespace

Image DecodePicture(std::span<const unsigned char> bytes) {
  Image image;
  gdImagePtr gd = Load(bytes);
  if (!gd) return image;
  image.width = gdImageSX(gd);
  image.height = gdImageSY(gd);
  image.pixels.resize(size_t(image.width) * image.height);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const int c = gdImageGetTrueColorPixel(gd, x, y);
      image.pixels[size_t(y) * image.width + x] =
          uint32_t(gdTrueColorGetRed(c)) << 16 | uint32_t(gdTrueColorGetGreen(c)) << 8 | uint32_t(gdTrueColorGetBlue(c));
    }
  gdImageDestroy(gd);
  return image;
}

// libgd needs no start-up; the token only has to be non-zero like GDI+'s.
uintptr_t StartGraphics() { return 1; }

}  // namespace platform
