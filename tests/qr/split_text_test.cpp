#include "qr/split_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"

namespace qr {
namespace {

struct Piece {
  Mode mode;
  std::string data;
  bool operator==(const Piece&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Piece& piece) {
  static const char* const kNames[] = {"numeric", "alphanumeric", "8-bit"};
  return out << kNames[int(piece.mode)] << " \"" << piece.data << "\"";
}

std::vector<Piece> Split(std::string_view text, int version = 0, int caseSensitive = 1) {
  std::optional<SegmentList> list = SegmentList::Make(version, kLevelL);
  EXPECT_TRUE(list);
  EXPECT_EQ(SplitText(text, *list, 2, caseSensitive), 0) << text;
  std::vector<Piece> pieces;
  for (const Segment& segment : list->Segments()) pieces.push_back({segment.GetMode(), segment.Data()});
  return pieces;
}

constexpr Mode N = Mode::kNumeric;
constexpr Mode A = Mode::kAlphanumeric;
constexpr Mode B = Mode::kEightBit;

struct SplitCase {
  std::string text;
  int version;  // of the list when splitting: its count lengths weigh the switches
  std::vector<Piece> expected;
};

TEST(SplitTextTest, CutsTheTextByEstimatedBits) {
  const SplitCase cases[] = {
      // An alphanumeric run at the end is compared with 8-bit mode: 11 + 4 + 9 + 8 - 24 > 0.
      {"A1", 0, {{B, "A1"}}},
      {"HELLO WORLD", 0, {{A, "HELLO WORLD"}}},
      {"01234567", 0, {{N, "01234567"}}},
      {"abc12", 0, {{B, "abc12"}}},
      {"abc1234", 0, {{B, "abc"}, {N, "1234"}}},
      // Three digits inside 8-bit data cost exactly as much split off: a tie never switches.
      {"a123b", 0, {{B, "a123b"}}},
      {"a1234b", 0, {{B, "a"}, {N, "1234"}, {B, "b"}}},
      // Longer count indicators make the same four digits not worth a segment.
      {"a1234b", 10, {{B, "a"}, {N, "1234"}, {B, "b"}}},
      {"a1234b", 27, {{B, "a1234b"}}},
      // A digit run cheaper on its own ends the alphanumeric run; the short tail goes 8-bit.
      {"AB12345678CD", 0, {{A, "AB"}, {N, "12345678"}, {B, "CD"}}},
      {"12A", 0, {{B, "12A"}}},
      {"ABCabc", 0, {{B, "ABCabc"}}},
      {"ABCDEFGHIJabc", 0, {{A, "ABCDEFGHIJ"}, {B, "abc"}}},
      {"abcDEFGHIJKLMN", 0, {{B, "abc"}, {A, "DEFGHIJKLMN"}}},
      {"12345678901234567890abc", 0, {{N, "12345678901234567890"}, {B, "abc"}}},
      {std::string("a\0b", 3), 0, {{B, std::string("a\0b", 3)}}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(Split(c.text, c.version), c.expected) << c.text << " at version " << c.version;
  }
}

TEST(SplitTextTest, GbkTextIsOneEightBitSegment) {
  const std::string text = platform::Gbk("充值订单");
  ASSERT_EQ(text.size(), 8u);
  EXPECT_EQ(Split(text), (std::vector<Piece>{{B, text}}));
  const std::string mixed = platform::Gbk("订单") + "20240101123456";
  EXPECT_EQ(Split(mixed), (std::vector<Piece>{{B, platform::Gbk("订单")}, {N, "20240101123456"}}));
}

TEST(SplitTextTest, CaseInsensitiveFoldsLowercaseIntoTheAlphanumericSet) {
  EXPECT_EQ(Split("hello world", 0, 0), (std::vector<Piece>{{A, "HELLO WORLD"}}));
  EXPECT_EQ(Split("hello world", 0, 1), (std::vector<Piece>{{B, "hello world"}}));
}

TEST(SplitTextTest, RefusesUnusableTexts) {
  const std::string refused[] = {"", std::string("\0abc", 4), std::string("\0", 1), "\\0"};
  for (const std::string& text : refused) {
    std::optional<SegmentList> list = SegmentList::Make(0, kLevelL);
    EXPECT_EQ(SplitText(text, *list, 2, 1), -1) << text.size() << " bytes";
    EXPECT_TRUE(list->Segments().empty());
  }
  for (const std::string text : {"\\0x", "\\", "x\\0", "\\00"}) {
    std::optional<SegmentList> list = SegmentList::Make(0, kLevelL);
    EXPECT_EQ(SplitText(text, *list, 2, 1), 0) << text;
  }
}

TEST(SegmentTest, RefusesDataThatDoesNotFitItsMode) {
  EXPECT_FALSE(Segment::Make(Mode::kNumeric, ""));
  EXPECT_FALSE(Segment::Make(Mode::kNumeric, "12a"));
  EXPECT_FALSE(Segment::Make(Mode::kAlphanumeric, "ABc"));
  EXPECT_FALSE(Segment::Make(Mode::kKanji, "AB"));
  EXPECT_TRUE(Segment::Make(Mode::kAlphanumeric, "AB 12$%*+-./:"));
  EXPECT_TRUE(Segment::Make(Mode::kEightBit, std::string("\0\xff", 2)));
}

TEST(SegmentListTest, RefusesVersionOrLevelOutsideTheTables) {
  EXPECT_FALSE(SegmentList::Make(-1, kLevelL));
  EXPECT_FALSE(SegmentList::Make(41, kLevelL));
  EXPECT_FALSE(SegmentList::Make(0, 4));
  EXPECT_FALSE(SegmentList::Make(0, -1));
  EXPECT_TRUE(SegmentList::Make(40, kLevelH));
}

TEST(EstimateBitsTest, BitsPerMode) {
  struct Case {
    Mode mode;
    int n, bits;
  };
  const Case cases[] = {{N, 3, 10}, {N, 4, 14}, {N, 5, 17}, {A, 2, 11}, {A, 3, 17}, {B, 3, 24}, {N, 0, 0}};
  for (const Case& c : cases) EXPECT_EQ(EstimateBits(c.mode, c.n), c.bits) << int(c.mode) << " x " << c.n;
}

}  // namespace
}  // namespace qr
