#include "platform/download/byte_ranges.h"

#include <algorithm>
#include <limits>

namespace platform::download {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

void SkipSpaces(std::string_view& text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
}

// Reads a run of decimal digits that fits in int64_t.
std::optional<int64_t> ReadNumber(std::string_view& text) {
  int64_t value = 0;
  size_t used = 0;
  while (used < text.size() && text[used] >= '0' && text[used] <= '9') {
    const int digit = text[used] - '0';
    if (value > (std::numeric_limits<int64_t>::max() - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
    ++used;
  }
  if (used == 0) return std::nullopt;
  text.remove_prefix(used);
  return value;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

std::vector<ByteRange> PlanRanges(int64_t total, int connections, int64_t minimumBytes) {
  total = std::max<int64_t>(total, 0);
  const int64_t most = std::max<int64_t>(1, total / std::max<int64_t>(minimumBytes, 1));
  const int64_t count = std::clamp<int64_t>(connections, 1, most);
  const int64_t share = total / count;
  const int64_t longer = total % count;  // the first `longer` ranges take one byte more
  std::vector<ByteRange> ranges;
  int64_t first = 0;
  for (int64_t i = 0; i < count; ++i) {
    const int64_t size = share + (i < longer ? 1 : 0);
    ranges.push_back({first, first + size});
    first += size;
  }
  return ranges;
}

std::optional<ContentRange> ParseContentRange(std::string_view header) {
  SkipSpaces(header);
  if (!StartsWithNoCase(header, "bytes") || header.size() < 6 || !IsSpace(header[5])) return std::nullopt;
  header.remove_prefix(5);
  SkipSpaces(header);
  ContentRange range;
  const std::optional<int64_t> first = ReadNumber(header);
  if (!first || header.empty() || header.front() != '-') return std::nullopt;
  header.remove_prefix(1);
  const std::optional<int64_t> last = ReadNumber(header);
  if (!last || header.empty() || header.front() != '/') return std::nullopt;
  header.remove_prefix(1);
  if (!header.empty() && header.front() == '*') {
    header.remove_prefix(1);
    range.total = -1;
  } else {
    const std::optional<int64_t> total = ReadNumber(header);
    if (!total) return std::nullopt;
    range.total = *total;
  }
  SkipSpaces(header);
  if (!header.empty() || *last < *first || (range.total >= 0 && *last >= range.total)) return std::nullopt;
  range.first = *first;
  range.last = *last;
  return range;
}

bool AnswersRange(int status, std::string_view contentRange, std::string_view contentLength, int64_t first,
                  int64_t last, int64_t total) {
  if (status != 206) return false;
  const std::optional<ContentRange> range = ParseContentRange(contentRange);
  if (!range || *range != ContentRange{first, last, total}) return false;
  // The length may be absent (a chunked answer), but when given it must agree.
  return contentLength.empty() || ParseContentLength(contentLength) == last - first + 1;
}

std::optional<int64_t> ParseContentLength(std::string_view header) {
  SkipSpaces(header);
  const std::optional<int64_t> length = ReadNumber(header);
  SkipSpaces(header);
  if (!length || !header.empty()) return std::nullopt;
  return length;
}

}  // namespace platform::download
