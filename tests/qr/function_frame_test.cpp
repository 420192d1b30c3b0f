#include "qr/function_frame.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "qr/module_placer.h"
#include "qr/symbol_tables.h"

namespace qr {
namespace {

int CountFree(const Frame& frame) {
  int free = 0;
  for (const uint8_t m : frame.modules) free += m == ModuleByte::kFree;
  return free;
}

// Every free module takes exactly one codeword or remainder bit.
TEST(FunctionFrameTest, FreeModulesHoldEveryCodewordBit) {
  EXPECT_EQ(CountFree(BuildFunctionFrame(1)), 208);
  EXPECT_EQ(CountFree(BuildFunctionFrame(2)), 359);
  EXPECT_EQ(CountFree(BuildFunctionFrame(40)), 29648);
  const SymbolTables& tables = GlobalSymbolTables();
  for (int v = kMinVersion; v <= kMaxVersion; ++v) {
    const Frame frame = BuildFunctionFrame(v);
    ASSERT_EQ(frame.width, tables.Width(v));
    EXPECT_EQ(CountFree(frame), 8 * tables.TotalCodewords(v) + tables.RemainderBits(v)) << "version " << v;
  }
}

TEST(FunctionFrameTest, VersionOutsideTheTablesHasNoRows) {
  EXPECT_TRUE(BuildFunctionFrame(0).Empty());
  EXPECT_TRUE(BuildFunctionFrame(41).Empty());
  EXPECT_TRUE(BuildFunctionFrame(-3).Empty());
}

TEST(FunctionFrameTest, FinderPatternsSeparatorsTimingAndDarkModule) {
  const Frame frame = BuildFunctionFrame(2);
  const int w = frame.width;
  const char* const kFinder[] = {"1111111", "1000001", "1011101", "1011101", "1011101", "1000001", "1111111"};
  for (const auto& [left, top] : {std::pair{0, 0}, std::pair{w - 7, 0}, std::pair{0, w - 7}}) {
    for (int y = 0; y < 7; ++y) {
      for (int x = 0; x < 7; ++x) {
        const uint8_t m = frame.At(left + x, top + y);
        EXPECT_EQ(m, kFinder[y][x] == '1' ? ModuleByte::kFinderDark : ModuleByte::kFinderLight)
            << "finder at " << left << "," << top << " module " << x << "," << y;
      }
    }
  }
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(frame.At(7, i), ModuleByte::kFinderLight);
    EXPECT_EQ(frame.At(i, 7), ModuleByte::kFinderLight);
    EXPECT_EQ(frame.At(w - 8, i), ModuleByte::kFinderLight);
    EXPECT_EQ(frame.At(i, w - 8), ModuleByte::kFinderLight);
  }
  for (int i = 8; i <= w - 9; ++i) {
    const uint8_t timing = i % 2 == 0 ? 0x91 : 0x90;
    EXPECT_EQ(frame.At(i, 6), timing) << i;
    EXPECT_EQ(frame.At(6, i), timing) << i;
  }
  EXPECT_EQ(frame.At(8, w - 8), ModuleByte::kDarkModule);
  EXPECT_EQ(frame.At(8, 8), ModuleByte::kFormatLight);
  EXPECT_EQ(frame.At(w - 1, 8), ModuleByte::kFormatLight);
  EXPECT_EQ(frame.At(8, w - 1), ModuleByte::kFormatLight);
}

// Centre coordinates of the standard's alignment table, independent of the
// two-number encoding that the frame derives them from.
TEST(FunctionFrameTest, AlignmentPatternsSitAtTheStandardsCentres) {
  struct Case {
    int version;
    std::vector<int> centres;
  };
  const Case cases[] = {
      {1, {}},
      {2, {6, 18}},
      {6, {6, 34}},
      {7, {6, 22, 38}},
      {14, {6, 26, 46, 66}},
      {22, {6, 26, 50, 74, 98}},
      {32, {6, 34, 60, 86, 112, 138}},
      {36, {6, 24, 50, 76, 102, 128, 154}},
      {40, {6, 30, 58, 86, 114, 142, 170}},
  };
  for (const Case& c : cases) {
    const Frame frame = BuildFunctionFrame(c.version);
    const int last = int(c.centres.size()) - 1;
    int expectedPatterns = 0;
    for (int i = 0; i <= last; ++i) {
      for (int j = 0; j <= last; ++j) {
        // The three corners of the finder patterns carry none.
        if ((i == 0 && j == 0) || (i == 0 && j == last) || (i == last && j == 0)) continue;
        ++expectedPatterns;
        const int cx = c.centres[size_t(i)];
        const int cy = c.centres[size_t(j)];
        EXPECT_EQ(frame.At(cx, cy), ModuleByte::kAlignmentDark) << "version " << c.version << " at " << cx << "," << cy;
        EXPECT_EQ(frame.At(cx + 1, cy), ModuleByte::kAlignmentLight);
        EXPECT_EQ(frame.At(cx - 2, cy - 2), ModuleByte::kAlignmentDark);
      }
    }
    int alignmentModules = 0;
    for (const uint8_t m : frame.modules) alignmentModules += (m & 0xF0) == 0xA0;
    EXPECT_EQ(alignmentModules, 25 * expectedPatterns) << "version " << c.version;
  }
}

TEST(FunctionFrameTest, VersionInformationOfVersion7) {
  const Frame frame = BuildFunctionFrame(7);
  // The three lowest bits of 0x07C94 are 0, 0, 1: light, light, dark.
  EXPECT_EQ(frame.At(0, 34), 0x88);
  EXPECT_EQ(frame.At(0, 35), 0x88);
  EXPECT_EQ(frame.At(0, 36), 0x89);
  EXPECT_EQ(frame.At(34, 0), 0x88);
  EXPECT_EQ(frame.At(35, 0), 0x88);
  EXPECT_EQ(frame.At(36, 0), 0x89);
  // Both blocks carry the whole word, bit i at (i / 3, 34 + i % 3) and mirrored.
  for (int i = 0; i < 18; ++i) {
    const uint8_t expected = uint8_t(0x88 | (0x07C94 >> i & 1));
    EXPECT_EQ(frame.At(i / 3, 34 + i % 3), expected) << "bit " << i;
    EXPECT_EQ(frame.At(34 + i % 3, i / 3), expected) << "bit " << i;
  }
  int versionModules = 0;
  for (const uint8_t m : BuildFunctionFrame(6).modules) versionModules += (m & 0xFE) == 0x88;
  EXPECT_EQ(versionModules, 0) << "no version information below version 7";
}

TEST(ModulePlacerTest, FirstPositionsOfVersion1) {
  std::optional<ModulePlacer> placer = ModulePlacer::Make(21, BuildFunctionFrame(1));
  ASSERT_TRUE(placer);
  const ModulePosition expected[] = {{20, 20}, {19, 20}, {20, 19}, {19, 19}, {20, 18}};
  for (const ModulePosition& position : expected) {
    const std::optional<ModulePosition> next = placer->Next();
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, position);
  }
}

// The walk visits every free module once, never column 6, and then ends.
TEST(ModulePlacerTest, WalkCoversEveryFreeModuleOnce) {
  for (const int version : {1, 2, 6, 7, 21, 40}) {
    const Frame frame = BuildFunctionFrame(version);
    std::optional<ModulePlacer> placer = ModulePlacer::Make(frame.width, frame);
    ASSERT_TRUE(placer);
    std::set<std::pair<int, int>> visited;
    int previousStrip = frame.width;
    while (const std::optional<ModulePosition> next = placer->Next()) {
      ASSERT_EQ(frame.At(next->x, next->y), ModuleByte::kFree) << next->x << "," << next->y;
      ASSERT_NE(next->x, 6);
      ASSERT_TRUE(visited.insert({next->x, next->y}).second) << "visited twice: " << next->x << "," << next->y;
      const int strip = next->x < 6 ? next->x / 2 : (next->x - 1) / 2;
      ASSERT_LE(strip, previousStrip) << "the walk goes right to left";
      previousStrip = strip;
    }
    EXPECT_EQ(int(visited.size()), CountFree(frame)) << "version " << version;
    EXPECT_FALSE(placer->Next()) << "stays at the end";
  }
}

TEST(ModulePlacerTest, RefusesAnEmptyFrameOrWidth) {
  EXPECT_FALSE(ModulePlacer::Make(0, BuildFunctionFrame(1)));
  EXPECT_FALSE(ModulePlacer::Make(-21, BuildFunctionFrame(1)));
  EXPECT_FALSE(ModulePlacer::Make(21, Frame()));
  EXPECT_FALSE(ModulePlacer::Make(25, BuildFunctionFrame(1)));
}

}  // namespace
}  // namespace qr
