#include "platform/win32/picture.h"

#include "platform/win32/gdiplus_images.h"

namespace platform::win32 {
namespace {

// A top-down 32-bit DIB section of that size; bits receives its pixels.
GdiObject<HBITMAP> MakeDibSection(int width, int height, uint32_t*& bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // negative: rows top first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  GdiObject<HBITMAP> bitmap(::CreateDIBSection(nullptr,         // no DC: RGB colours
                                               &info,           // format
                                               DIB_RGB_COLORS,  // colours are RGB
                                               &pixels,         // receives the bits
                                               nullptr,         // no file mapping
                                               0));             // offset in the mapping
  bits = static_cast<uint32_t*>(pixels);
  if (!bits) bitmap.reset();
  return bitmap;
}

uint32_t Premultiplied(uint32_t argb) {
  const uint32_t a = argb >> 24;
  if (a == 255) return argb;
  if (a == 0) return 0;
  const auto scale = [a](uint32_t c) { return (c * a + 127) / 255; };
  return a << 24 | scale(argb >> 16 & 0xFF) << 16 | scale(argb >> 8 & 0xFF) << 8 | scale(argb & 0xFF);
}

}  // namespace

Picture Picture::FromImage(const Image& image) {
  Picture picture;
  if (image.empty()) return picture;
  uint32_t* bits = nullptr;
  picture.bitmap_ = MakeDibSection(image.width, image.height, bits);
  if (!picture.bitmap_) return picture;
  picture.width_ = image.width;
  picture.height_ = image.height;
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    bits[i] = Premultiplied(image.pixels[i]);
    if (bits[i] >> 24 != 255) picture.opaque_ = false;
  }
  ::GdiFlush();
  return picture;
}

Picture Picture::Decode(std::span<const unsigned char> bytes) { return FromImage(DecodeWithAlpha(bytes)); }

Picture Picture::Flattened(std::span<const unsigned char> bytes, COLORREF backdrop) {
  Image image = DecodeWithAlpha(bytes);
  const uint32_t r = GetRValue(backdrop), g = GetGValue(backdrop), b = GetBValue(backdrop);
  for (uint32_t& pixel : image.pixels) {
    const uint32_t a = pixel >> 24;
    const auto mix = [a](uint32_t over, uint32_t under) { return (over * a + under * (255 - a) + 127) / 255; };
    pixel = 0xFF000000 | mix(pixel >> 16 & 0xFF, r) << 16 | mix(pixel >> 8 & 0xFF, g) << 8 | mix(pixel & 0xFF, b);
  }
  return FromImage(image);
}

Picture Picture::Greyed(std::span<const unsigned char> bytes) {
  Image image = DecodeWithAlpha(bytes);
  for (uint32_t& pixel : image.pixels) {
    const uint32_t luma = ((pixel >> 16 & 0xFF) * 77 + (pixel >> 8 & 0xFF) * 150 + (pixel & 0xFF) * 29) >> 8;
    const uint32_t grey = 40 + luma * 55 / 100;  // dimmed towards a mid grey
    pixel = (pixel & 0xFF000000) | grey << 16 | grey << 8 | grey;
  }
  return FromImage(image);
}

void Picture::Draw(HDC dc, int x, int y, int width, int height) const {
  if (!bitmap_ || width <= 0 || height <= 0) return;
  MemoryDc source(::CreateCompatibleDC(dc));
  SelectedObject selected(source, bitmap_);
  if (opaque_ && width == width_ && height == height_) {
    ::BitBlt(dc, x, y, width, height, source, 0, 0, SRCCOPY);
    return;
  }
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::AlphaBlend(dc,                 // target
               x, y,               // target corner
               width, height,      // target size
               source,             // source
               0, 0,               // source corner
               width_, height_,    // source size
               blend);             // per-pixel alpha, premultiplied
}

void Picture::Copy(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY) const {
  if (!bitmap_) return;
  MemoryDc source(::CreateCompatibleDC(dc));
  SelectedObject selected(source, bitmap_);
  ::BitBlt(dc, x, y, width, height, source, sourceX, sourceY, SRCCOPY);
}

}  // namespace platform::win32
