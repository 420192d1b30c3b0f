// What a Range header asks of a body of a known size.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace devserver {

struct RangeAnswer {
  enum class Kind {
    kWhole,          // no usable Range header: 200 with the whole body
    kPart,           // 206 with bytes first..last
    kUnsatisfiable,  // 416
  };
  Kind kind = Kind::kWhole;
  uint64_t first = 0;  // inclusive, valid for kPart
  uint64_t last = 0;   // inclusive, valid for kPart
};

// Reads "bytes=a-b", "bytes=a-" and "bytes=-n" against total. A header that
// is absent, of another unit, malformed, or lists several ranges is ignored
// (the whole body is sent), as HTTP allows; an end past the body is cut to it.
RangeAnswer ResolveRange(std::optional<std::string_view> header, uint64_t total);

}  // namespace devserver
