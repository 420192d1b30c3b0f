#include "qr/mask.h"

#include <gtest/gtest.h>

#include <bit>
#include <set>

#include "qr/codeword_sequence.h"
#include "qr/data_codewords.h"
#include "qr/place_codewords.h"
#include "qr/select_mask.h"
#include "qr/split_text.h"
#include "qr/symbol_tables.h"

namespace qr {
namespace {

// The unmasked symbol of a text, as EncodeWithMask has it before masking.
Frame FilledFrame(const std::string& text, int level) {
  std::optional<SegmentList> list = SegmentList::Make(0, level);
  EXPECT_EQ(SplitText(text, *list, 2, 1), 0);
  const std::vector<uint8_t> data = BuildDataCodewords(*list);
  std::optional<CodewordSequence> sequence = CodewordSequence::Make(data, list->Version(), level);
  EXPECT_TRUE(sequence);
  return sequence ? PlaceCodewords(*sequence) : Frame();
}

// The 15 format bits of both copies, bit 14 first, as the standard's figure lays them out.
std::pair<uint32_t, uint32_t> ReadFormatCopies(const Frame& frame) {
  const int w = frame.width;
  uint32_t first = 0;
  uint32_t second = 0;
  for (int x = 0; x <= 5; ++x) first = first << 1 | (frame.At(x, 8) & 1);  // bits 14..9
  first = first << 1 | (frame.At(7, 8) & 1);
  first = first << 1 | (frame.At(8, 8) & 1);
  first = first << 1 | (frame.At(8, 7) & 1);
  for (int y = 5; y >= 0; --y) first = first << 1 | (frame.At(8, y) & 1);  // bits 5..0
  for (int y = w - 1; y >= w - 7; --y) second = second << 1 | (frame.At(8, y) & 1);  // bits 14..8
  for (int x = w - 8; x <= w - 1; ++x) second = second << 1 | (frame.At(x, 8) & 1);  // bits 7..0
  return {first, second};
}

TEST(ApplyMaskTest, InvertsOnlyDataModulesWherePatternSays) {
  const Frame frame = FilledFrame("HELLO WORLD", kLevelQ);
  for (int mask = 0; mask < 8; ++mask) {
    const MaskedFrame masked = ApplyMask(mask, frame.width, frame);
    ASSERT_EQ(masked.frame.width, frame.width);
    int dark = 0;
    for (int y = 0; y < frame.width; ++y) {
      for (int x = 0; x < frame.width; ++x) {
        const uint8_t before = frame.At(x, y);
        const uint8_t after = masked.frame.At(x, y);
        const bool inverted = !(before & ModuleByte::kFunction) && MaskInverts(mask, x, y);
        ASSERT_EQ(after, inverted ? before ^ 1 : before) << "mask " << mask << " at " << x << "," << y;
        dark += after & 1;
      }
    }
    EXPECT_EQ(masked.dark, dark) << "mask " << mask;
  }
  EXPECT_TRUE(ApplyMask(8, frame.width, frame).frame.Empty());
  EXPECT_TRUE(ApplyMask(-1, frame.width, frame).frame.Empty());
}

TEST(ApplyMaskTest, PatternsOfTheStandard) {
  // Rows of mask patterns 0..7 at y = 1, x = 0..5: 1 where the module is inverted.
  const char* const kRowOne[] = {"010101", "000000", "100100", "001001", "111000", "100000", "111000", "000111"};
  for (int mask = 0; mask < 8; ++mask) {
    for (int x = 0; x < 6; ++x) EXPECT_EQ(MaskInverts(mask, x, 1), kRowOne[mask][x] == '1') << mask << " x " << x;
  }
}

TEST(WriteFormatInfoTest, BothCopiesCarryTheWordOfLevelAndMask) {
  Frame frame = FilledFrame("HELLO", kLevelL);
  for (int level = 0; level < 4; ++level) {
    for (int mask = 0; mask < 8; ++mask) {
      const uint32_t word = GlobalSymbolTables().FormatInformation(mask, level);
      EXPECT_EQ(WriteFormatInfo(frame.width, frame, mask, level), 2 * std::popcount(word));
      const auto [first, second] = ReadFormatCopies(frame);
      EXPECT_EQ(first, word) << "level " << level << " mask " << mask;
      EXPECT_EQ(second, word) << "level " << level << " mask " << mask;
    }
  }
  EXPECT_EQ(frame.At(8, frame.width - 8), ModuleByte::kDarkModule) << "the dark module stays";
}

// Over every pair, the lower score wins and a tie keeps the lower-numbered mask.
TEST(ChooseMaskTest, LowerScoreWinsAndTiesKeepTheEarlierMask) {
  int ties = 0;
  for (const char* text : {"HELLO WORLD", "01234567", "abc1234", "https://pay.example/o?id=1", "A", "AB", "abc"}) {
    const Frame frame = FilledFrame(text, kLevelL);
    int scores[8];
    for (int mask = 0; mask < 8; ++mask) {
      MaskedFrame masked = ApplyMask(mask, frame.width, frame);
      masked.dark += WriteFormatInfo(frame.width, masked.frame, mask, kLevelL);
      scores[mask] = MaskScore(frame.width, masked.frame, masked.dark);
    }
    for (int a = 0; a < 8; ++a) {
      for (int b = a + 1; b < 8; ++b) {
        const int pair[] = {a, b};
        const MaskChoice choice = ChooseMask(frame.width, frame, kLevelL, pair);
        const int expected = scores[b] < scores[a] ? b : a;
        EXPECT_EQ(choice.mask, expected) << text << ": masks " << a << " and " << b;
        EXPECT_EQ(choice.score, scores[expected]);
        ties += scores[a] == scores[b];
      }
    }
  }
  EXPECT_GT(ties, 0) << "no tie among the cases: add a text";
}

TEST(MaskScoreTest, DarkRatioCostsTenPerFivePercentFromHalf) {
  Frame frame(20);  // 400 modules, all light: penalty of the empty frame alone
  const int base = MaskScore(20, frame, 200);
  EXPECT_EQ(MaskScore(20, frame, 219), base);       // 54 %
  EXPECT_EQ(MaskScore(20, frame, 220), base + 10);  // 55 %
  EXPECT_EQ(MaskScore(20, frame, 184), base);       // 46 %
  EXPECT_EQ(MaskScore(20, frame, 183), base + 10);  // 45.75 % counts as 45
  EXPECT_EQ(MaskScore(20, frame, 160), base + 20);  // 40 %
  EXPECT_EQ(MaskScore(20, frame, 0), base + 100);
}

TEST(DrawMaskCandidatesTest, TwoDistinctPatternsInAscendingOrder) {
  std::set<std::pair<int, int>> seen;
  for (int i = 0; i < 200; ++i) {
    const auto [first, second] = DrawMaskCandidates();
    ASSERT_GE(first, 0);
    ASSERT_LT(first, second);
    ASSERT_LE(second, 7);
    seen.insert({first, second});
  }
  EXPECT_GT(seen.size(), 5u) << "the draw must vary from symbol to symbol";
}

}  // namespace
}  // namespace qr
