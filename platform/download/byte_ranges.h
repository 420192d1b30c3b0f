// Byte ranges of a download: how a file is shared among connections, and
// whether a server's answer carries exactly the range that was asked for.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace platform::download {

// Bytes [first, end) of the file.
struct ByteRange {
  int64_t first = 0;
  int64_t end = 0;
  int64_t Size() const { return end - first; }
  bool operator==(const ByteRange&) const = default;
};

// A connection is worth opening only for at least this much.
inline constexpr int64_t kMinimumRangeBytes = 128 * 1024;

// Splits [0, total) into at most `connections` adjacent ranges of nearly
// equal size (the first ones one byte longer), none shorter than
// minimumBytes unless the whole file is. An empty file gives one empty range.
std::vector<ByteRange> PlanRanges(int64_t total, int connections,
                                  int64_t minimumBytes = kMinimumRangeBytes);

// A Content-Range header "bytes first-last/total"; total is -1 for "*".
struct ContentRange {
  int64_t first = 0;
  int64_t last = 0;
  int64_t total = 0;
  bool operator==(const ContentRange&) const = default;
};

// Nullopt for anything but one well-formed byte range.
std::optional<ContentRange> ParseContentRange(std::string_view header);

// True when an answer (status, Content-Range and Content-Length headers, ""
// when absent) holds exactly bytes first..last of a file of `total` bytes.
// Anything else (200 with the whole body, another range, another size, a
// body longer than its label) must not be written at an offset.
bool AnswersRange(int status, std::string_view contentRange, std::string_view contentLength, int64_t first,
                  int64_t last, int64_t total);

// A Content-Length header's value; nullopt when absent or malformed.
std::optional<int64_t> ParseContentLength(std::string_view header);

}  // namespace platform::download
