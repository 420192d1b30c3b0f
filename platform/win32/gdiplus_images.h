// GDI+ (flat API) for the pictures of the toolkit: decoding image-file bytes
// with their alpha channel, and scaling.
#pragma once

#include <span>

#include "platform/graphics.h"

namespace platform::win32 {

// Starts GDI+ once for the toolkit's own pictures unless StartGraphics already did.
void EnsureGraphics();

// Decodes BMP, JPEG, GIF or PNG bytes; pixels are 0xAARRGGBB (straight
// alpha). Empty when the bytes cannot be read.
Image DecodeWithAlpha(std::span<const unsigned char> bytes);

// The image resampled to width x height with high-quality filtering.
Image Resample(const Image& image, int width, int height);

}  // namespace platform::win32
