// How a file is shared among connections, and which answers count as the
// range that was asked for.
#include "platform/download/byte_ranges.h"

#include <gtest/gtest.h>

#include <numeric>

namespace platform::download {
namespace {

struct PlanCase {
  int64_t total;
  int connections;
  int64_t minimum;
  std::vector<ByteRange> expected;
};

class PlanRangesTest : public testing::TestWithParam<PlanCase> {};

TEST_P(PlanRangesTest, SplitsIntoAdjacentNearlyEqualRanges) {
  const PlanCase& c = GetParam();
  EXPECT_EQ(PlanRanges(c.total, c.connections, c.minimum), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlanRangesTest,
    testing::Values(
        // The remainder goes one byte each to the first ranges.
        PlanCase{10, 3, 1, {{0, 4}, {4, 7}, {7, 10}}},
        PlanCase{10, 5, 1, {{0, 2}, {2, 4}, {4, 6}, {6, 8}, {8, 10}}},
        // Never more connections than pieces of the minimum size ...
        PlanCase{10, 5, 4, {{0, 5}, {5, 10}}},
        // ... but a small file still gets its one connection.
        PlanCase{3, 5, 4, {{0, 3}}},
        PlanCase{1, 5, 1, {{0, 1}}},
        PlanCase{0, 5, 1, {{0, 0}}},
        // Nonsense counts mean one connection.
        PlanCase{10, 0, 1, {{0, 10}}},
        PlanCase{10, -3, 1, {{0, 10}}}));

TEST(PlanRangesTest, CoversLargeFilesExactlyWithoutOverlap) {
  for (const int64_t total : {int64_t(6) * 1024 * 1024 + 321, int64_t(5) << 32, int64_t(999'999'937)}) {
    SCOPED_TRACE(total);
    const std::vector<ByteRange> ranges = PlanRanges(total, 5);
    ASSERT_EQ(ranges.size(), 5u);
    EXPECT_EQ(ranges.front().first, 0);
    EXPECT_EQ(ranges.back().end, total);
    for (size_t i = 1; i < ranges.size(); ++i) EXPECT_EQ(ranges[i].first, ranges[i - 1].end);
    EXPECT_LE(ranges.front().Size() - ranges.back().Size(), 1);
  }
}

struct ContentRangeCase {
  const char* header;
  std::optional<ContentRange> expected;
};

class ParseContentRangeTest : public testing::TestWithParam<ContentRangeCase> {};

TEST_P(ParseContentRangeTest, ReadsOneWellFormedByteRange) {
  EXPECT_EQ(ParseContentRange(GetParam().header), GetParam().expected) << GetParam().header;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseContentRangeTest,
    testing::Values(ContentRangeCase{"bytes 0-99/1000", ContentRange{0, 99, 1000}},
                    ContentRangeCase{"Bytes  5-5/6 ", ContentRange{5, 5, 6}},
                    ContentRangeCase{"bytes 4294967296-8589934591/8589934592",
                                     ContentRange{4294967296, 8589934591, 8589934592}},
                    ContentRangeCase{"bytes 0-99/*", ContentRange{0, 99, -1}},
                    ContentRangeCase{"", std::nullopt},
                    ContentRangeCase{"bytes */1000", std::nullopt},     // the form of a 416
                    ContentRangeCase{"bytes 10-9/1000", std::nullopt},  // backwards
                    ContentRangeCase{"bytes 0-1000/1000", std::nullopt},  // past the end
                    ContentRangeCase{"bytes=0-99/1000", std::nullopt},
                    ContentRangeCase{"items 0-99/1000", std::nullopt},
                    ContentRangeCase{"bytes 0-99/1000, 200-299/1000", std::nullopt},
                    ContentRangeCase{"bytes -5-99/1000", std::nullopt},
                    ContentRangeCase{"bytes 0-99999999999999999999/1000", std::nullopt}));

struct AnswerCase {
  int status;
  const char* contentRange;
  bool honoured;
  const char* contentLength = "100";
};

class AnswersRangeTest : public testing::TestWithParam<AnswerCase> {};

// Asked: bytes=100-199 of a file of 1000 bytes.
TEST_P(AnswersRangeTest, OnlyA206WithTheExactRangeAndSizeCounts) {
  const AnswerCase& c = GetParam();
  EXPECT_EQ(AnswersRange(c.status, c.contentRange, c.contentLength, 100, 199, 1000), c.honoured)
      << c.status << " " << c.contentRange << " " << c.contentLength;
}

INSTANTIATE_TEST_SUITE_P(Cases, AnswersRangeTest,
                         testing::Values(AnswerCase{206, "bytes 100-199/1000", true},
                                         // The whole body while advertising ranges.
                                         AnswerCase{200, "", false},
                                         AnswerCase{200, "bytes 100-199/1000", false},
                                         AnswerCase{206, "", false},
                                         AnswerCase{206, "bytes 0-99/1000", false},
                                         AnswerCase{206, "bytes 100-999/1000", false},
                                         AnswerCase{206, "bytes 100-150/1000", false},
                                         AnswerCase{206, "bytes 100-199/2000", false},
                                         AnswerCase{206, "bytes 100-199/*", false},
                                         AnswerCase{416, "bytes */1000", false},
                                         // A chunked answer has no length to check.
                                         AnswerCase{206, "bytes 100-199/1000", true, ""},
                                         // The right label on a body of another length.
                                         AnswerCase{206, "bytes 100-199/1000", false, "1000"},
                                         AnswerCase{206, "bytes 100-199/1000", false, "junk"}));

TEST(ParseContentLengthTest, ReadsDigitsOnly) {
  EXPECT_EQ(ParseContentLength("512"), 512);
  EXPECT_EQ(ParseContentLength(" 0 "), 0);
  EXPECT_EQ(ParseContentLength("8589934592"), int64_t(8589934592));
  EXPECT_EQ(ParseContentLength(""), std::nullopt);
  EXPECT_EQ(ParseContentLength("-1"), std::nullopt);
  EXPECT_EQ(ParseContentLength("12, 12"), std::nullopt);
}

}  // namespace
}  // namespace platform::download
