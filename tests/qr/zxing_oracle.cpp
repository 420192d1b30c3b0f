#include "tests/qr/zxing_oracle.h"

#include <ZXing/ReadBarcode.h>

#include <cmath>
#include <vector>

namespace qr_test {

Decoded Decode(const qr::QrMatrix& matrix, int scale, int quiet) {
  Decoded decoded;
  const int w = matrix.Width();
  const int size = (w + 2 * quiet) * scale;
  std::vector<uint8_t> image(size_t(size) * size, 255);
  for (int y = 0; y < w; ++y) {
    for (int x = 0; x < w; ++x) {
      if (!matrix.At(x, y)) continue;
      for (int dy = 0; dy < scale; ++dy) {
        uint8_t* line = &image[size_t((y + quiet) * scale + dy) * size + size_t((x + quiet) * scale)];
        std::fill_n(line, scale, 0);
      }
    }
  }
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::QRCode);
  hints.setTryRotate(false);
  const ZXing::Result result =
      ZXing::ReadBarcode(ZXing::ImageView(image.data(), size, size, ZXing::ImageFormat::Lum), hints);
  if (!result.isValid()) {
    decoded.error = result.error() ? ZXing::ToString(result.error()) : "no symbol found";
    return decoded;
  }
  decoded.ok = true;
  decoded.bytes.assign(result.bytes().begin(), result.bytes().end());
  const auto& corners = result.position();
  const double side =
      std::hypot(corners.topRight().x - corners.topLeft().x, corners.topRight().y - corners.topLeft().y);
  const int dimension = int(std::lround(side / scale));
  decoded.version = (dimension - 17) / 4;
  const std::string level = result.ecLevel();
  decoded.level = level == "L" ? 0 : level == "M" ? 1 : level == "Q" ? 2 : level == "H" ? 3 : -1;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  decoded.dataCodewords = int(result.rawBytes().size());
#pragma GCC diagnostic pop
  return decoded;
}

}  // namespace qr_test
