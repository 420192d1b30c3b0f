#include "qr/data_codewords.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qr/split_text.h"
#include "qr/symbol_tables.h"

namespace qr {
namespace {

SegmentList SplitList(const std::string& text, int level, int version = 0) {
  std::optional<SegmentList> list = SegmentList::Make(version, level);
  EXPECT_TRUE(list);
  EXPECT_EQ(SplitText(text, *list, 2, 1), 0);
  return std::move(*list);
}

SegmentList HandMadeList(int version, int level, std::vector<std::pair<Mode, std::string>> segments) {
  std::optional<SegmentList> list = SegmentList::Make(version, level);
  for (auto& [mode, data] : segments) list->Append(*Segment::Make(mode, data));
  return std::move(*list);
}

TEST(BuildDataCodewordsTest, WorkedExample01234567AtLevelM) {
  SegmentList list = SplitList("01234567", kLevelM);
  const std::vector<uint8_t> codewords = BuildDataCodewords(list);
  ASSERT_EQ(list.Segments().size(), 1u);
  EXPECT_EQ(list.Segments()[0].Bits().Size(), 41u);
  EXPECT_EQ(list.Version(), 1);
  EXPECT_EQ(codewords, (std::vector<uint8_t>{0x10, 0x20, 0x0C, 0x56, 0x61, 0x80, 0xEC, 0x11, 0xEC, 0x11, 0xEC,
                                             0x11, 0xEC, 0x11, 0xEC, 0x11}));
}

TEST(BuildDataCodewordsTest, HelloWorldVersionPerLevel) {
  const int expected[] = {1, 1, 1, 2};
  for (int level = 0; level < 4; ++level) {
    SegmentList list = SplitList("HELLO WORLD", level);
    const std::vector<uint8_t> codewords = BuildDataCodewords(list);
    EXPECT_EQ(list.Segments()[0].Bits().Size(), 74u);
    EXPECT_EQ(list.Version(), expected[level]) << "level " << level;
    EXPECT_EQ(codewords.size(), size_t(GlobalSymbolTables().DataCodewords(expected[level], level)));
  }
}

// The first estimate counts one header per 256 bytes with the count lengths of
// version 1; when it finds no version, the text fails although version 40 holds
// up to 2,953 bytes at level L.
TEST(BuildDataCodewordsTest, LargestEightBitTextPerLevel) {
  const int largest[] = {2938, 2319, 1655, 1268};
  for (int level = 0; level < 4; ++level) {
    SegmentList fits = SplitList(std::string(size_t(largest[level]), 'a'), level);
    EXPECT_FALSE(BuildDataCodewords(fits).empty()) << "level " << level;
    EXPECT_EQ(fits.Version(), 40);
    SegmentList tooLong = SplitList(std::string(size_t(largest[level]) + 1, 'a'), level);
    EXPECT_TRUE(BuildDataCodewords(tooLong).empty()) << "level " << level;
  }
}

TEST(BuildDataCodewordsTest, AListAlreadyAtVersion40HoldsTheFullCapacity) {
  SegmentList full = HandMadeList(40, kLevelL, {{Mode::kEightBit, std::string(2953, 'a')}});
  EXPECT_EQ(BuildDataCodewords(full).size(), 2956u);
  SegmentList over = HandMadeList(40, kLevelL, {{Mode::kEightBit, std::string(2954, 'a')}});
  EXPECT_TRUE(BuildDataCodewords(over).empty());
}

// The estimate at the first version found may settle on a smaller one: 1,003
// bytes need version 23 with version 1's headers, but fill version 22 exactly.
TEST(BuildDataCodewordsTest, EstimateSettlesOnTheVersionItsOwnHeadersNeed) {
  struct Case {
    size_t bytes;
    int version;
  };
  for (const Case c : {Case{1003, 22}, Case{1004, 23}, Case{17, 1}, Case{18, 2}}) {
    SegmentList list = SplitList(std::string(c.bytes, 'a'), kLevelL);
    EXPECT_FALSE(BuildDataCodewords(list).empty());
    EXPECT_EQ(list.Version(), c.version) << c.bytes << " bytes";
  }
}

TEST(BuildDataCodewordsTest, AChosenVersionIsTheSmallestUsed) {
  SegmentList list = SplitList("HELLO WORLD", kLevelL, 5);
  EXPECT_EQ(BuildDataCodewords(list).size(), size_t(GlobalSymbolTables().DataCodewords(5, kLevelL)));
  EXPECT_EQ(list.Version(), 5);
  SegmentList tooSmall = SplitList(std::string(100, 'a'), kLevelL, 1);
  EXPECT_FALSE(BuildDataCodewords(tooSmall).empty());
  EXPECT_EQ(tooSmall.Version(), 5);
}

// 38 times "a1234" estimates 1,824 bits, version 9. A list already at version 10
// keeps 10, where the longer count indicators make 2,204 bits: more than version
// 10 holds, so the encoding moves on to version 11.
TEST(BuildDataCodewordsTest, EncodedBitsTooManyForTheVersionMoveItOn) {
  std::string text;
  for (int i = 0; i < 38; ++i) text += "a1234";
  SegmentList automatic = SplitList(text, kLevelL);
  EXPECT_EQ(automatic.Segments().size(), 76u);
  EXPECT_FALSE(BuildDataCodewords(automatic).empty());
  EXPECT_EQ(automatic.Version(), 9);

  SegmentList atTen = SplitList(text, kLevelL, 10);
  EXPECT_EQ(atTen.Segments().size(), 76u);
  EXPECT_EQ(BuildDataCodewords(atTen).size(), size_t(GlobalSymbolTables().DataCodewords(11, kLevelL)));
  EXPECT_EQ(atTen.Version(), 11);
}

// Version 1-L holds 152 bits. All-zero digits make the tail easy to read.
TEST(BuildDataCodewordsTest, TerminatorAndPadCodewords) {
  struct Case {
    const char* what;
    std::vector<std::pair<Mode, std::string>> segments;
    std::vector<uint8_t> expected;
  };
  std::vector<uint8_t> zeros(19, 0);
  auto with = [&](std::initializer_list<uint8_t> head) {
    std::vector<uint8_t> bytes = zeros;
    std::copy(head.begin(), head.end(), bytes.begin());
    return bytes;
  };
  const Case cases[] = {
      {"152 bits: nothing added",
       {{Mode::kAlphanumeric, "AB"}, {Mode::kNumeric, std::string(34, '0')}},
       with({0x20, 0x11, 0xCD, 0x10, 0x88})},
      {"151 bits: one zero bit, no pad codeword", {{Mode::kNumeric, std::string(41, '0')}}, with({0x10, 0xA4})},
      {"148 bits: four zero bits, no pad codeword", {{Mode::kNumeric, std::string(40, '0')}}, with({0x10, 0xA0})},
      {"144 bits: terminator and a byte boundary, no room for a pad codeword",
       {{Mode::kNumeric, std::string(39, '0')}},
       with({0x10, 0x9C})},
      {"134 bits: terminator, zeros to the byte boundary, one pad codeword",
       {{Mode::kNumeric, std::string(36, '0')}},
       with({0x10, 0x90, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xEC})},
      {"124 bits: terminator, then pad codewords alternating from 0xEC",
       {{Mode::kNumeric, std::string(33, '0')}},
       with({0x10, 0x84, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xEC, 0x11, 0xEC})},
  };
  for (const Case& c : cases) {
    SegmentList list = HandMadeList(1, kLevelL, c.segments);
    EXPECT_EQ(BuildDataCodewords(list), c.expected) << c.what;
    EXPECT_EQ(list.Version(), 1) << c.what;
  }
}

TEST(EncodeSegmentTest, CutsACountTooLargeForItsIndicator) {
  Segment segment = *Segment::Make(Mode::kEightBit, std::string(300, 'a'));
  EncodeSegment(segment, 1);
  const std::vector<uint8_t>& bits = segment.Bits().Bits();
  ASSERT_EQ(bits.size(), size_t(4 + 8 + 255 * 8 + 4 + 8 + 45 * 8));
  auto number = [&](size_t from, int n) {
    int value = 0;
    for (int i = 0; i < n; ++i) value = value << 1 | bits[from + i];
    return value;
  };
  EXPECT_EQ(number(0, 4), 0b0100);
  EXPECT_EQ(number(4, 8), 255);
  EXPECT_EQ(number(12 + 255 * 8, 4), 0b0100);
  EXPECT_EQ(number(16 + 255 * 8, 8), 45);
  // The estimate counts one header per 256 bytes, one fewer than the cut needs at 256.
  EXPECT_EQ(EstimateSegmentBits(segment, 0), 300 * 8 + 2 * 12);
  Segment exactly256 = *Segment::Make(Mode::kEightBit, std::string(256, 'a'));
  EncodeSegment(exactly256, 0);
  EXPECT_EQ(EstimateSegmentBits(exactly256, 0), 256 * 8 + 12);
  EXPECT_EQ(exactly256.Bits().Size(), size_t(256 * 8 + 2 * 12));
}

TEST(EncodeSegmentTest, PacksDigitsAndAlphanumericPairs) {
  Segment numeric = *Segment::Make(Mode::kNumeric, "01234567");
  EncodeSegment(numeric, 1);
  std::string bits;
  for (const uint8_t bit : numeric.Bits().Bits()) bits += char('0' + bit);
  // 0001, count 8, then 012 345 67.
  EXPECT_EQ(bits, "0001" "0000001000" "0000001100" "0101011001" "1000011");
  Segment alphanumeric = *Segment::Make(Mode::kAlphanumeric, "AC-42");
  EncodeSegment(alphanumeric, 1);
  bits.clear();
  for (const uint8_t bit : alphanumeric.Bits().Bits()) bits += char('0' + bit);
  // 0010, count 5, then AC (10 x 45 + 12), -4 (41 x 45 + 4), 2.
  EXPECT_EQ(bits, "0010" "000000101" "00111001110" "11100111001" "000010");
}

TEST(BuildDataCodewordsTest, TextsLongerThanAnySymbolFailAtOnce) {
  SegmentList list = HandMadeList(0, kLevelL, {{Mode::kNumeric, std::string(7090, '1')}});
  EXPECT_TRUE(BuildDataCodewords(list).empty());
  SegmentList huge = SplitList(std::string(3'000'000, 'x'), kLevelL);
  EXPECT_TRUE(BuildDataCodewords(huge).empty());
}

}  // namespace
}  // namespace qr
