#include "qr/codeword_sequence.h"

#include <gtest/gtest.h>

#include <random>

#include "qr/reed_solomon_code.h"

namespace qr {
namespace {

// GF(256) over 0x11D, done the slow way to check the coder against.
uint8_t Multiply(uint8_t a, uint8_t b) {
  int product = 0;
  for (int bit = 7; bit >= 0; --bit) {
    product <<= 1;
    if (product & 0x100) product ^= 0x11D;
    if (b >> bit & 1) product ^= a;
  }
  return uint8_t(product);
}

// The code word evaluated at x (data first, highest power first).
uint8_t Evaluate(const std::vector<uint8_t>& codeword, uint8_t x) {
  uint8_t value = 0;
  for (const uint8_t c : codeword) value = Multiply(value, x) ^ c;
  return value;
}

TEST(CodewordSequenceTest, WorkedExampleOfVersion1M) {
  const std::vector<uint8_t> data = {0x10, 0x20, 0x0C, 0x56, 0x61, 0x80, 0xEC, 0x11,
                                     0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11, 0xEC, 0x11};
  std::optional<CodewordSequence> sequence = CodewordSequence::Make(data, 1, kLevelM);
  ASSERT_TRUE(sequence);
  EXPECT_EQ(sequence->DataCount(), 16);
  EXPECT_EQ(sequence->EcCount(), 10);
  std::vector<uint8_t> handedOut;
  for (int i = 0; i < 26; ++i) handedOut.push_back(sequence->NextCodeword());
  std::vector<uint8_t> expected = data;
  expected.insert(expected.end(), {0xA5, 0x24, 0xD4, 0xC1, 0xED, 0x36, 0xC7, 0x87, 0x2C, 0x55});
  EXPECT_EQ(handedOut, expected);
  EXPECT_EQ(sequence->NextCodeword(), 0) << "past the end";
  EXPECT_EQ(sequence->NextCodeword(), 0);
}

// Version 5-Q: blocks of 15, 15, 16, 16 data codewords; data codeword i has value i.
TEST(CodewordSequenceTest, InterleavingOfVersion5Q) {
  std::vector<uint8_t> data(62);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i);
  std::optional<CodewordSequence> sequence = CodewordSequence::Make(data, 5, kLevelQ);
  ASSERT_TRUE(sequence);
  ASSERT_EQ(sequence->Blocks().size(), 4u);
  std::vector<uint8_t> order;
  for (int i = 0; i < 134; ++i) order.push_back(sequence->NextCodeword());

  const auto& blocks = sequence->Blocks();
  struct Case {
    int position;  // 1-based, as counted in the standard
    uint8_t expected;
  };
  const Case cases[] = {
      {1, 0},   {2, 15},  {3, 30},  {4, 46},  {5, 1},  // first column of blocks 1 to 4
      {57, 14}, {58, 29}, {59, 44}, {60, 60},          // column 15, the last of blocks 1 and 2
      {61, 45}, {62, 61},                              // the 16th of blocks 3 and 4 alone
      {63, blocks[0].ec[0]}, {64, blocks[1].ec[0]}, {66, blocks[3].ec[0]},
      {67, blocks[0].ec[1]}, {134, blocks[3].ec[17]},
  };
  for (const Case& c : cases) EXPECT_EQ(order[c.position - 1], c.expected) << "codeword " << c.position;
}

TEST(CodewordSequenceTest, RefusesEmptyOrMisfittingData) {
  EXPECT_FALSE(CodewordSequence::Make({}, 1, kLevelM));
  EXPECT_FALSE(CodewordSequence::Make(std::vector<uint8_t>(15), 1, kLevelM));
  EXPECT_FALSE(CodewordSequence::Make(std::vector<uint8_t>(17), 1, kLevelM));
  EXPECT_FALSE(CodewordSequence::Make(std::vector<uint8_t>(16), 0, kLevelM));
  EXPECT_TRUE(CodewordSequence::Make(std::vector<uint8_t>(16), 1, kLevelM));
}

// Every block of every version and level is a code word of its Reed-Solomon code:
// it vanishes at the generator's roots alpha^0 ... alpha^(n-1).
TEST(CodewordSequenceTest, EveryBlockIsACodeWord) {
  std::mt19937 random(7);
  for (int v = kMinVersion; v <= kMaxVersion; ++v) {
    for (int level = 0; level < 4; ++level) {
      std::vector<uint8_t> data(size_t(GlobalSymbolTables().DataCodewords(v, level)));
      for (uint8_t& byte : data) byte = uint8_t(random());
      std::optional<CodewordSequence> sequence = CodewordSequence::Make(data, v, level);
      ASSERT_TRUE(sequence) << "version " << v << " level " << level;
      for (const EcBlock& block : sequence->Blocks()) {
        std::vector<uint8_t> codeword = block.data;
        codeword.insert(codeword.end(), block.ec.begin(), block.ec.end());
        uint8_t root = 1;
        for (size_t i = 0; i < block.ec.size(); ++i, root = Multiply(root, 2)) {
          ASSERT_EQ(Evaluate(codeword, root), 0) << "version " << v << " level " << level << " root " << i;
        }
      }
    }
  }
}

TEST(ReedSolomonCodeTest, RefusesParametersOutsideTheField) {
  struct Case {
    const char* what;
    ReedSolomonParameters parameters;
  };
  const Case cases[] = {
      {"symbol size 9", {9, 0x11D, 0, 1, 10, 0}},
      {"irreducible but not primitive", {8, 0x11B, 0, 1, 10, 0}},
      {"reducible polynomial", {8, 0x100, 0, 1, 10, 0}},
      {"polynomial of the wrong degree", {8, 0x1D, 0, 1, 10, 0}},
      {"first root past the field", {8, 0x11D, 256, 1, 10, 0}},
      {"step 0", {8, 0x11D, 0, 0, 10, 0}},
      {"shortening leaves no data", {8, 0x11D, 0, 1, 10, 245}},
      {"negative shortening", {8, 0x11D, 0, 1, 10, -1}},
  };
  for (const Case& c : cases) EXPECT_FALSE(ReedSolomonCode::Make(c.parameters)) << c.what;
  EXPECT_TRUE(ReedSolomonCode::Make({8, 0x11D, 0, 1, 10, 244}));
}

}  // namespace
}  // namespace qr
