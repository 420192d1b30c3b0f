// Range headers against a body size, including the edges the wire tests
// cannot reach cheaply (empty bodies, 64-bit values).
#include <gtest/gtest.h>

#include <limits>

#include "tools/devserver/byte_range.h"

namespace devserver {
namespace {

using Kind = RangeAnswer::Kind;

TEST(ResolveRange, ReadsEachFormAgainstTheTotal) {
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  struct Case {
    std::optional<std::string_view> header;
    uint64_t total;
    Kind kind;
    uint64_t first, last;
  };
  const Case cases[] = {
      {std::nullopt, 10, Kind::kWhole, 0, 0},
      {"bytes=0-0", 10, Kind::kPart, 0, 0},
      {"bytes=2-5", 10, Kind::kPart, 2, 5},
      {"bytes=2-", 10, Kind::kPart, 2, 9},
      {"bytes=-3", 10, Kind::kPart, 7, 9},
      {"bytes=-10", 10, Kind::kPart, 0, 9},
      {"bytes=-11", 10, Kind::kPart, 0, 9},
      {"bytes=9-100", 10, Kind::kPart, 9, 9},
      {" Bytes= 2-5 ", 10, Kind::kPart, 2, 5},  // the unit in any case, blanks around the set
      {"bytes=10-", 10, Kind::kUnsatisfiable, 0, 0},
      {"bytes=-0", 10, Kind::kUnsatisfiable, 0, 0},
      {"bytes=0-", 0, Kind::kUnsatisfiable, 0, 0},  // nothing in an empty body
      {"bytes=-5", 0, Kind::kUnsatisfiable, 0, 0},
      // 64-bit sizes; values beyond 64 bits saturate instead of wrapping round.
      {"bytes=4294967296-", 5368709120, Kind::kPart, 4294967296, 5368709119},
      {"bytes=99999999999999999999-", 10, Kind::kUnsatisfiable, 0, 0},
      {"bytes=0-99999999999999999999", 10, Kind::kPart, 0, 9},
      {"bytes=-99999999999999999999", kMax, Kind::kPart, 0, kMax - 1},
      // Ignored: the whole body.
      {"bytes=5-4", 10, Kind::kWhole, 0, 0},
      {"bytes=0-1,3-4", 10, Kind::kWhole, 0, 0},
      {"bytes=", 10, Kind::kWhole, 0, 0},
      {"bytes=-", 10, Kind::kWhole, 0, 0},
      {"bytes=a-b", 10, Kind::kWhole, 0, 0},
      {"bytes=+1-2", 10, Kind::kWhole, 0, 0},
      {"bytes=1", 10, Kind::kWhole, 0, 0},
      {"bits=0-1", 10, Kind::kWhole, 0, 0},
      {"", 10, Kind::kWhole, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.header.value_or("(none)")) + " of " + std::to_string(c.total));
    const RangeAnswer answer = ResolveRange(c.header, c.total);
    EXPECT_EQ(answer.kind, c.kind);
    if (c.kind != Kind::kPart) continue;
    EXPECT_EQ(answer.first, c.first);
    EXPECT_EQ(answer.last, c.last);
  }
}

}  // namespace
}  // namespace devserver
