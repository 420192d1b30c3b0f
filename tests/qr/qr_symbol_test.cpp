#include "qr/qr_symbol.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "qr/split_text.h"
#include "qr/symbol_tables.h"
#include "tests/qr/zxing_oracle.h"

namespace qr {
namespace {

// The (level, mask) that the first format copy of a matrix names; (-1, -1) if none.
std::pair<int, int> FormatOf(const QrMatrix& matrix) {
  uint32_t word = 0;
  for (int y = 0; y <= 5; ++y) word |= uint32_t(matrix.At(8, y)) << y;
  word |= uint32_t(matrix.At(8, 7)) << 6;
  word |= uint32_t(matrix.At(8, 8)) << 7;
  word |= uint32_t(matrix.At(7, 8)) << 8;
  for (int i = 9; i < 15; ++i) word |= uint32_t(matrix.At(14 - i, 8)) << i;
  for (int level = 0; level < 4; ++level) {
    for (int mask = 0; mask < 8; ++mask) {
      if (GlobalSymbolTables().FormatInformation(mask, level) == word) return {level, mask};
    }
  }
  return {-1, -1};
}

QrSymbol WithMask(const std::string& text, int level, int mask) {
  std::optional<SegmentList> list = SegmentList::Make(0, level);
  EXPECT_EQ(SplitText(text, *list, 2, 1), 0);
  QrSymbol symbol;
  return symbol.EncodeWithMask(*list, mask);
}

TEST(EncodeTextTest, TextsThatMakeNoSymbol) {
  const std::string texts[] = {"", std::string("\0A", 2), "\\0", std::string(2939, 'a'), std::string(100000, '7')};
  for (const std::string& text : texts) {
    const QrMatrix matrix = EncodeText(text);
    EXPECT_TRUE(matrix.Empty()) << text.size() << " bytes";
    EXPECT_EQ(matrix.RowCount(), 0);
  }
}

TEST(EncodeTextTest, OneLetterIsAVersion1SymbolOfZerosAndOnes) {
  const QrMatrix matrix = EncodeText("A", kLevelL);
  ASSERT_EQ(matrix.RowCount(), 21);
  for (int y = 0; y < 21; ++y) {
    ASSERT_EQ(matrix.Row(y).size(), 21u);
    for (const uint8_t m : matrix.Row(y)) ASSERT_LE(m, 1);
  }
  const qr_test::Decoded decoded = qr_test::Decode(matrix);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.bytes, "A");
  EXPECT_EQ(decoded.version, 1);
}

// The finder pattern fills the corner, so there is no quiet zone; the dark module is always there.
TEST(EncodeTextTest, FinderPatternAtTheCornerAndTheDarkModule) {
  for (const std::string& text : {std::string("A"), std::string("HELLO WORLD"), std::string(500, 'x')}) {
    const QrMatrix matrix = EncodeText(text);
    ASSERT_FALSE(matrix.Empty());
    const char* const kFinder[] = {"1111111", "1000001", "1011101", "1011101", "1011101", "1000001", "1111111"};
    for (int y = 0; y < 7; ++y) {
      for (int x = 0; x < 7; ++x) EXPECT_EQ(matrix.At(x, y), kFinder[y][x] - '0') << x << "," << y;
    }
    EXPECT_EQ(matrix.At(8, matrix.Width() - 8), 1);
    EXPECT_EQ(matrix.At(matrix.Width() - 1, 0), 1) << "top right corner is a finder module";
    EXPECT_EQ(matrix.At(0, matrix.Width() - 1), 1) << "bottom left corner is a finder module";
  }
}

TEST(EncodeTextTest, LevelOutsideTheCodesIsL) {
  for (const int level : {7, -1, 4}) EXPECT_EQ(FormatOf(EncodeText("HELLO WORLD", level)).first, kLevelL) << level;
  EXPECT_EQ(FormatOf(EncodeText("HELLO WORLD", kLevelH)).first, kLevelH);
  EXPECT_EQ(FormatOf(EncodeText("HELLO WORLD")).first, kLevelL) << "absent level";
}

TEST(EncodeTextTest, LongestLowercaseTextAtLevelL) {
  EXPECT_EQ(EncodeText(std::string(2938, 'a')).RowCount(), 177);
  EXPECT_TRUE(EncodeText(std::string(2939, 'a')).Empty());
}

// The mask is drawn at random; whichever it is, the format names it and the
// symbol is exactly the one that mask forced gives.
TEST(EncodeTextTest, EachSymbolIsTheForcedSymbolOfTheMaskItsFormatNames) {
  const std::string text = "https://pay.example/order?id=20240101123456";
  std::set<int> masks;
  for (int i = 0; i < 40; ++i) {
    const QrMatrix matrix = EncodeText(text);
    const auto [level, mask] = FormatOf(matrix);
    ASSERT_EQ(level, kLevelL);
    ASSERT_GE(mask, 0);
    masks.insert(mask);
    EXPECT_EQ(matrix.Modules(), QrMatrix(WithMask(text, kLevelL, mask)).Modules()) << "mask " << mask;
  }
  EXPECT_GT(masks.size(), 1u) << "two encodings may differ";
}

TEST(QrSymbolTest, EncodeStringRefusals) {
  struct Case {
    const char* what;
    int version, level, modeHint;
  };
  const Case cases[] = {
      {"mode hint 1", 0, kLevelL, 1}, {"mode hint 4", 0, kLevelL, 4}, {"version 41", 41, kLevelL, 2},
      {"version -1", -1, kLevelL, 2}, {"level 4", 0, 4, 2},             {"level -1", 0, -1, 2},
  };
  for (const Case& c : cases) {
    QrSymbol symbol;
    const QrSymbol copy = symbol.EncodeString("HELLO", c.version, c.level, c.modeHint, 1);
    EXPECT_TRUE(copy.Empty()) << c.what;
    EXPECT_TRUE(symbol.Empty()) << c.what;
    EXPECT_EQ(copy.Version(), 0);
  }
}

TEST(QrSymbolTest, FillsItselfAndReturnsACopy) {
  QrSymbol symbol;
  const QrSymbol copy = symbol.EncodeString("HELLO WORLD", 0, kLevelH, 3, 1);  // Kanji hint splits alike
  ASSERT_FALSE(symbol.Empty());
  EXPECT_EQ(symbol.Version(), 2);
  EXPECT_EQ(symbol.Width(), 25);
  EXPECT_EQ(symbol.Modules().size(), 25u * 25u);
  EXPECT_EQ(copy.Modules(), symbol.Modules());
  EXPECT_EQ(copy.Version(), 2);
  // A failing call on the same object leaves no stale symbol behind.
  symbol.EncodeString("", 0, kLevelL, 2, 1);
  EXPECT_TRUE(symbol.Empty());
  EXPECT_TRUE(symbol.Modules().empty());
}

TEST(QrSymbolTest, ChosenVersionIsKept) {
  QrSymbol symbol;
  symbol.EncodeString("HELLO", 10, kLevelM, 2, 1);
  EXPECT_EQ(symbol.Version(), 10);
  EXPECT_EQ(symbol.Width(), 57);
  const qr_test::Decoded decoded = qr_test::Decode(QrMatrix(symbol));
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.bytes, "HELLO");
  EXPECT_EQ(decoded.version, 10);
}

TEST(QrSymbolTest, ModuleBytesKeepTheirKinds) {
  QrSymbol symbol;
  symbol.EncodeString("HELLO", 7, kLevelL, 2, 1);
  ASSERT_EQ(symbol.Width(), 45);
  std::set<int> kinds;
  for (const uint8_t m : symbol.Modules()) kinds.insert(m);
  EXPECT_EQ(kinds, (std::set<int>{0x02, 0x03, 0xC0, 0xC1, 0x90, 0x91, 0xA0, 0xA1, 0x84, 0x85, 0x88, 0x89, 0x81}));
}

TEST(QrSymbolTest, EncodeWithMaskRefusesAPatternAbove7) {
  EXPECT_TRUE(WithMask("HELLO", kLevelL, 8).Empty());
  EXPECT_FALSE(WithMask("HELLO", kLevelL, 7).Empty());
  EXPECT_FALSE(WithMask("HELLO", kLevelL, -1).Empty());
  EXPECT_FALSE(WithMask("HELLO", kLevelL, -5).Empty()) << "any negative mask chooses";
}

}  // namespace
}  // namespace qr
