#include "tools/devserver/byte_range.h"

#include <limits>

namespace devserver {

namespace {

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Decimal digits only; a value past 64 bits saturates, which keeps
// "bytes=99999999999999999999-" unsatisfiable instead of wrapping round.
std::optional<uint64_t> ParseCount(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  uint64_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<uint64_t>(c - '0');
    value = (value > (kMax - digit) / 10) ? kMax : value * 10 + digit;
  }
  return value;
}

bool StartsWithBytesUnit(std::string_view text) {
  constexpr std::string_view kUnit = "bytes=";
  if (text.size() < kUnit.size()) return false;
  for (size_t i = 0; i < kUnit.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kUnit[i]) return false;
  }
  return true;
}

}  // namespace

RangeAnswer ResolveRange(std::optional<std::string_view> header, uint64_t total) {
  const RangeAnswer whole;
  RangeAnswer unsatisfiable;
  unsatisfiable.kind = RangeAnswer::Kind::kUnsatisfiable;
  if (!header) return whole;
  std::string_view rangeSet = TrimBlanks(*header);
  if (!StartsWithBytesUnit(rangeSet)) return whole;
  rangeSet = TrimBlanks(rangeSet.substr(6));
  if (rangeSet.find(',') != std::string_view::npos) return whole;
  const size_t dash = rangeSet.find('-');
  if (dash == std::string_view::npos) return whole;
  const std::string_view firstText = TrimBlanks(rangeSet.substr(0, dash));
  const std::string_view lastText = TrimBlanks(rangeSet.substr(dash + 1));

  RangeAnswer part;
  part.kind = RangeAnswer::Kind::kPart;
  if (firstText.empty()) {  // "-n": the last n bytes
    const std::optional<uint64_t> suffix = ParseCount(lastText);
    if (!suffix) return whole;
    if (*suffix == 0 || total == 0) return unsatisfiable;
    part.first = *suffix >= total ? 0 : total - *suffix;
    part.last = total - 1;
    return part;
  }
  const std::optional<uint64_t> first = ParseCount(firstText);
  if (!first) return whole;
  std::optional<uint64_t> last;
  if (!lastText.empty()) {
    last = ParseCount(lastText);
    if (!last || *last < *first) return whole;
  }
  if (*first >= total) return unsatisfiable;
  part.first = *first;
  part.last = (last && *last < total) ? *last : total - 1;
  return part;
}

}  // namespace devserver
