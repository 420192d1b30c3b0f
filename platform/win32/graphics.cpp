// Pictures through the GDI+ flat API: start-up, decoding, resampling.
#include "platform/graphics.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <gdiplus.h>

#include <atomic>
#include <cstring>
#include <mutex>

#include "platform/win32/gdiplus_images.h"
#include "platform/win32/handles.h"

namespace platform {
namespace win32 {
namespace {

namespace gp = Gdiplus::DllExports;

std::atomic<bool> graphicsStarted{false};

ULONG_PTR StartGdiplus() {
  Gdiplus::GdiplusStartupInput input;
  input.GdiplusVersion = 1;
  input.DebugEventCallback = nullptr;
  input.SuppressBackgroundThread = FALSE;
  input.SuppressExternalCodecs = FALSE;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  graphicsStarted = true;
  return token;
}

// ---------------------------------------------------------------- owners

void DisposeImage(Gdiplus::GpBitmap* bitmap) { gp::GdipDisposeImage(bitmap); }
void DeleteGraphics(Gdiplus::GpGraphics* graphics) { gp::GdipDeleteGraphics(graphics); }
void DisposeAttributes(Gdiplus::GpImageAttributes* attributes) { gp::GdipDisposeImageAttributes(attributes); }
using GpBitmapOwner = Owner<Gdiplus::GpBitmap*, DisposeImage>;
using GpGraphicsOwner = Owner<Gdiplus::GpGraphics*, DeleteGraphics>;
using GpAttributesOwner = Owner<Gdiplus::GpImageAttributes*, DisposeAttributes>;

// A stream over a copy of the bytes in movable global memory: GDI+ reads
// lazily, so the stream must live as long as the bitmap made from it.
ComPtr<IStream> StreamOver(std::span<const unsigned char> bytes) {
  GlobalMemory memory(::GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
  if (!memory) return {};
  void* target = ::GlobalLock(memory);
  if (!target) return {};
  std::memcpy(target, bytes.data(), bytes.size());
  ::GlobalUnlock(memory);
  IStream* stream = nullptr;
  if (FAILED(::CreateStreamOnHGlobal(memory,      // the memory
                                     TRUE,        // the stream frees it
                                     &stream))) {
    return {};
  }
  memory.release();
  return ComPtr<IStream>(stream);
}

// Copies a GDI+ bitmap's pixels out as 32-bit ARGB, rows top first.
Image PixelsOf(Gdiplus::GpBitmap* bitmap) {
  UINT width = 0, height = 0;
  gp::GdipGetImageWidth(bitmap, &width);
  gp::GdipGetImageHeight(bitmap, &height);
  if (width == 0 || height == 0) return {};
  const Gdiplus::GpRect area(0, 0, INT(width), INT(height));
  Gdiplus::BitmapData data{};
  if (gp::GdipBitmapLockBits(bitmap,                         // bitmap
                             &area,                          // all of it
                             Gdiplus::ImageLockModeRead,     // read only
                             PixelFormat32bppARGB,           // converted to straight ARGB
                             &data) != Gdiplus::Ok) {
    return {};
  }
  Image image;
  image.width = int(width);
  image.height = int(height);
  image.pixels.resize(size_t(width) * height);
  for (UINT y = 0; y < height; ++y) {
    const auto* row = static_cast<const unsigned char*>(data.Scan0) + ptrdiff_t(y) * data.Stride;
    std::memcpy(&image.pixels[size_t(y) * width], row, size_t(width) * 4);
  }
  gp::GdipBitmapUnlockBits(bitmap, &data);
  return image;
}

}  // namespace

void EnsureGraphics() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (!graphicsStarted) StartGdiplus();
  });
}

Image DecodeWithAlpha(std::span<const unsigned char> bytes) {
  if (bytes.empty()) return {};
  EnsureGraphics();
  ComPtr<IStream> stream = StreamOver(bytes);
  if (!stream) return {};
  Gdiplus::GpBitmap* raw = nullptr;
  if (gp::GdipCreateBitmapFromStream(stream, &raw) != Gdiplus::Ok || !raw) return {};
  GpBitmapOwner bitmap(raw);
  return PixelsOf(bitmap);
}

Image Resample(const Image& image, int width, int height) {
  if (image.empty() || width <= 0 || height <= 0) return {};
  if (width == image.width && height == image.height) return image;
  EnsureGraphics();
  // GDI+ only reads the source pixels; the const_cast is its C signature.
  Gdiplus::GpBitmap* source = nullptr;
  if (gp::GdipCreateBitmapFromScan0(image.width,                     // width
                                    image.height,                    // height
                                    image.width * 4,                 // stride
                                    PixelFormat32bppARGB,            // straight ARGB
                                    reinterpret_cast<BYTE*>(const_cast<uint32_t*>(image.pixels.data())),
                                    &source) != Gdiplus::Ok) {
    return {};
  }
  GpBitmapOwner sourceOwner(source);
  Gdiplus::GpBitmap* target = nullptr;
  if (gp::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppARGB, nullptr, &target) != Gdiplus::Ok)
    return {};
  GpBitmapOwner targetOwner(target);
  Gdiplus::GpGraphics* graphics = nullptr;
  if (gp::GdipGetImageGraphicsContext(target, &graphics) != Gdiplus::Ok) return {};
  {
    GpGraphicsOwner graphicsOwner(graphics);
    gp::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeHighQualityBicubic);
    gp::GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHighQuality);
    gp::GdipSetCompositingMode(graphics, Gdiplus::CompositingModeSourceCopy);
    // Mirrored edges keep the filter from fading the border pixels to transparent.
    Gdiplus::GpImageAttributes* rawAttributes = nullptr;
    gp::GdipCreateImageAttributes(&rawAttributes);
    GpAttributesOwner attributes(rawAttributes);
    if (attributes) gp::GdipSetImageAttributesWrapMode(attributes, Gdiplus::WrapModeTileFlipXY, 0, FALSE);
    gp::GdipDrawImageRectRectI(graphics,             // target
                               source,               // image
                               0, 0, width, height,  // target rectangle
                               0, 0, image.width, image.height,  // source rectangle
                               Gdiplus::UnitPixel,   // source unit
                               attributes,           // wrap mode
                               nullptr,              // no abort callback
                               nullptr);             // callback data
  }
  return PixelsOf(target);
}

}  // namespace win32

// ---------------------------------------------------------------- the public operations

Image DecodePicture(std::span<const unsigned char> bytes) {
  Image image = win32::DecodeWithAlpha(bytes);
  for (uint32_t& pixel : image.pixels) pixel &= 0x00FFFFFF;
  return image;
}

uintptr_t StartGraphics() { return uintptr_t(win32::StartGdiplus()); }

}  // namespace platform
