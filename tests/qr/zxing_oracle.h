// zxing-cpp as the oracle: what a real decoder reads from our symbols.
#pragma once

#include <string>

#include "qr/qr_symbol.h"

namespace qr_test {

struct Decoded {
  bool ok = false;
  std::string error;  // the decoder's message when !ok
  std::string bytes;  // the content exactly as coded, no character set applied
  int version = 0;    // from the symbol's size as the detector found it
  int level = -1;     // 0 L, 1 M, 2 Q, 3 H as the format information says
  int dataCodewords = 0;
};

// Draws the matrix black on white, scale pixels per module, inside a quiet zone
// of `quiet` modules, and decodes it.
Decoded Decode(const qr::QrMatrix& matrix, int scale = 3, int quiet = 4);

}  // namespace qr_test
