// Pictures: decoding image-file bytes, and the 2-D graphics library's start-up.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace platform {

// A decoded picture: width x height pixels, rows top first, each pixel 0x00RRGGBB.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  bool empty() const { return pixels.empty(); }
  uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// Decodes BMP, JPEG, GIF or PNG bytes; an empty image when they cannot be read.
Image DecodePicture(std::span<const unsigned char> bytes);

// Starts the 2-D graphics library (GDI+ on Windows) and returns its token.
uintptr_t StartGraphics();

// A rectangle of pixels: left, top, width, height.
struct PixelRect {
  int x, y, width, height;
};

// The window outline of a picture: every pixel but magenta (255, 0, 255), as
// rectangles (runs of a row, merged with the same runs of the rows below).
std::vector<PixelRect> OutlineWithoutMagenta(const Image& image);

}  // namespace platform
