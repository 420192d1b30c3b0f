// A decoded picture ready for GDI drawing.
#pragma once

#include <windows.h>

#include <span>

#include "platform/graphics.h"
#include "platform/win32/handles.h"

namespace platform::win32 {

// A 32-bit top-down DIB section with premultiplied alpha, as AlphaBlend
// wants it. Empty when the bytes it was made from could not be read.
class Picture {
 public:
  Picture() = default;
  // From straight-alpha 0xAARRGGBB pixels.
  static Picture FromImage(const Image& image);
  // From image-file bytes (BMP, JPEG, GIF, PNG).
  static Picture Decode(std::span<const unsigned char> bytes);
  // Flattened over a solid colour, fully opaque (for BM_SETIMAGE faces).
  static Picture Flattened(std::span<const unsigned char> bytes, COLORREF backdrop);
  // Grey and dimmed, alpha kept: how a face looks on a disabled button.
  static Picture Greyed(std::span<const unsigned char> bytes);

  bool empty() const { return !bitmap_; }
  int width() const { return width_; }
  int height() const { return height_; }
  HBITMAP handle() const { return bitmap_; }

  // Draws the picture with its top-left corner at (x, y), at its own size or
  // stretched to width x height, blending its alpha over what is there.
  void Draw(HDC dc, int x, int y) const { Draw(dc, x, y, width_, height_); }
  void Draw(HDC dc, int x, int y, int width, int height) const;

  // Copies the part at (sourceX, sourceY) unblended (for backgrounds).
  void Copy(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY) const;

 private:
  GdiObject<HBITMAP> bitmap_;
  int width_ = 0;
  int height_ = 0;
  bool opaque_ = true;  // every pixel opaque: a plain copy draws it
};

}  // namespace platform::win32
