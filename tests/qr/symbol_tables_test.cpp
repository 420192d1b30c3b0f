#include "qr/symbol_tables.h"

#include <gtest/gtest.h>

#include <bit>

#include "qr/qr_symbol.h"

namespace qr {
namespace {

const SymbolTables& Tables() { return GlobalSymbolTables(); }

// The remainder of a polynomial over GF(2) (bit i the coefficient of x^i).
uint32_t PolynomialRemainder(uint32_t value, uint32_t generator) {
  const int degree = std::bit_width(generator) - 1;
  for (int bit = std::bit_width(value) - 1; bit >= degree; --bit) {
    if (value >> bit & 1) value ^= generator << (bit - degree);
  }
  return value;
}

struct BlockSpecCase {
  int version;
  int level;
  BlockSpec expected;
};

TEST(SymbolTablesTest, BlockSpecOfTheStandardsExamples) {
  const BlockSpecCase cases[] = {
      {1, kLevelM, {1, 16, 10, 0, 0}},
      {5, kLevelQ, {2, 15, 18, 2, 16}},
      {40, kLevelL, {19, 118, 30, 6, 119}},
      {1, kLevelH, {1, 9, 17, 0, 0}},
      {40, kLevelH, {20, 15, 30, 61, 16}},
  };
  for (const BlockSpecCase& c : cases) {
    EXPECT_EQ(Tables().BlockSpec(c.version, c.level), c.expected) << "version " << c.version << " level " << c.level;
  }
}

// Typos in the capacity or block tables show as a layout that does not add up.
TEST(SymbolTablesTest, BlockLayoutAddsUpForEveryVersionAndLevel) {
  for (int v = kMinVersion; v <= kMaxVersion; ++v) {
    EXPECT_EQ(Tables().Width(v), 17 + 4 * v);
    for (int level = 0; level < 4; ++level) {
      const BlockSpec layout = Tables().BlockSpec(v, level);
      SCOPED_TRACE(testing::Message() << "version " << v << " level " << level);
      EXPECT_EQ(layout.TotalData(), Tables().DataCodewords(v, level));
      EXPECT_EQ(layout.TotalEc(), Tables().EcCodewords(v, level));
      if (layout.blocks2 > 0) {
        EXPECT_EQ(layout.data2, layout.data1 + 1);
      }
    }
    for (int level = 1; level < 4; ++level) {
      EXPECT_LT(Tables().DataCodewords(v, level), Tables().DataCodewords(v, level - 1));
    }
    if (v > 1) {
      EXPECT_GT(Tables().DataCodewords(v, kLevelH), Tables().DataCodewords(v - 1, kLevelH));
    }
  }
  EXPECT_EQ(Tables().BlockSpec(0, kLevelL), BlockSpec{});
}

TEST(SymbolTablesTest, MinimumVersion) {
  struct Case {
    int bytes, level, expected;
  };
  const Case cases[] = {
      {2956, kLevelL, 40}, {2957, kLevelL, -1}, {10, kLevelH, 2}, {9, kLevelH, 1},
      {1, kLevelL, 1},     {19, kLevelL, 1},    {20, kLevelL, 2}, {1276, kLevelH, 40},
      {1277, kLevelH, -1}, {0, kLevelQ, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Tables().MinimumVersion(c.bytes, c.level), c.expected) << c.bytes << " bytes, level " << c.level;
  }
}

TEST(SymbolTablesTest, CountBitsAndMaximumCount) {
  struct Case {
    Mode mode;
    int version, bits, maximum;
  };
  const Case cases[] = {
      {Mode::kEightBit, 9, 8, 255},        {Mode::kEightBit, 10, 16, 65535},
      {Mode::kNumeric, 1, 10, 1023},       {Mode::kNumeric, 0, 10, 1023},
      {Mode::kNumeric, 26, 12, 4095},      {Mode::kNumeric, 27, 14, 16383},
      {Mode::kAlphanumeric, 9, 9, 511},    {Mode::kAlphanumeric, 40, 13, 8191},
      {Mode::kKanji, 1, 8, 510},           {Mode::kStructuredAppend, 1, 0, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << int(c.mode) << " version " << c.version);
    EXPECT_EQ(Tables().CountBits(c.mode, c.version), c.bits);
    EXPECT_EQ(Tables().MaximumCount(c.mode, c.version), c.maximum);
  }
}

TEST(SymbolTablesTest, VersionInformationIsTheBchCodeOfTheVersion) {
  EXPECT_EQ(Tables().VersionInformation(6), 0u);
  EXPECT_EQ(Tables().VersionInformation(41), 0u);
  EXPECT_EQ(Tables().VersionInformation(7), 0x07C94u);
  EXPECT_EQ(Tables().VersionInformation(40), 0x28C69u);
  for (int v = 7; v <= kMaxVersion; ++v) {
    const uint32_t word = Tables().VersionInformation(v);
    EXPECT_EQ(word >> 12, uint32_t(v));
    EXPECT_EQ(PolynomialRemainder(word, 0x1F25), 0u) << "version " << v;
  }
}

TEST(SymbolTablesTest, FormatInformationIsTheMaskedBchCodeOfLevelAndMask) {
  EXPECT_EQ(Tables().FormatInformation(0, kLevelL), 0x77C4u);
  EXPECT_EQ(Tables().FormatInformation(7, kLevelH), 0x083Bu);
  EXPECT_EQ(Tables().FormatInformation(8, kLevelL), 0u);
  EXPECT_EQ(Tables().FormatInformation(-1, kLevelL), 0u);
  EXPECT_EQ(Tables().FormatInformation(0, 4), 0u);
  const uint32_t levelBits[] = {0b01, 0b00, 0b11, 0b10};  // L, M, Q, H
  for (int level = 0; level < 4; ++level) {
    for (int mask = 0; mask < 8; ++mask) {
      const uint32_t word = Tables().FormatInformation(mask, level) ^ 0x5412;
      EXPECT_EQ(word >> 10, levelBits[level] << 3 | uint32_t(mask));
      EXPECT_EQ(PolynomialRemainder(word, 0x537), 0u) << "level " << level << " mask " << mask;
    }
  }
}

TEST(SymbolTablesTest, AlignmentNumbers) {
  struct Case {
    int version, a0, a1;
  };
  const Case cases[] = {{1, 0, 0}, {2, 18, 0}, {6, 34, 0}, {7, 22, 38}, {32, 34, 60}, {40, 30, 58}};
  for (const Case& c : cases) {
    EXPECT_EQ(Tables().Alignment(c.version), (std::array<int, 2>{c.a0, c.a1})) << "version " << c.version;
  }
}

// The instance is the process's: a second creation keeps it, a scope that found
// it leaves it, and the encoder without it makes no symbol instead of crashing.
TEST(SymbolTablesTest, GlobalInstanceLifecycle) {
  const SymbolTables* first = &GlobalSymbolTables();
  CreateSymbolTables();
  EXPECT_EQ(&GlobalSymbolTables(), first);
  { ScopedSymbolTables scope; }
  ASSERT_TRUE(SymbolTablesExist());

  ReleaseSymbolTables();
  EXPECT_TRUE(EncodeText("HELLO").Empty());
  {
    ScopedSymbolTables scope;
    EXPECT_EQ(EncodeText("HELLO").Width(), 21);
  }
  EXPECT_FALSE(SymbolTablesExist());
  CreateSymbolTables();
}

}  // namespace
}  // namespace qr
