#include "qr/penalty.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace qr {
namespace {

TEST(RunPenaltyTest, LongRunsAndFinderLikePatterns) {
  struct Case {
    const char* what;
    std::vector<int> runs;
    int expected;
  };
  const Case cases[] = {
      {"dark 1, light 1, dark 3, light 1, dark 1, light 4: the line's dark start is the light side",
       {-1, 1, 1, 3, 1, 1, 4}, 40},
      {"light 2 before, light 4 after", {2, 1, 1, 3, 1, 1, 4}, 40},
      {"light 4 before, light 2 after", {4, 1, 1, 3, 1, 1, 2}, 40},
      {"light 2 on both sides", {2, 1, 1, 3, 1, 1, 2}, 0},
      {"the line ends after the pattern", {2, 1, 1, 3, 1, 1}, 40},
      {"light on both sides: still 40 once", {4, 1, 1, 3, 1, 1, 4}, 40},
      {"scaled by 2, light 8 after: 40 plus runs of 6 and 8", {2, 2, 2, 6, 2, 2, 8}, 40 + 4 + 6},
      {"centre not three times its neighbours", {4, 1, 1, 4, 1, 1, 4}, 0},
      {"a light centre (even index) is no pattern", {1, 1, 1, 1, 3, 1, 1, 4}, 0},
      {"21 light modules", {21}, 19},
      {"21 dark modules", {-1, 21}, 19},
      {"runs of 4 and 5", {4, 5}, 3},
  };
  for (const Case& c : cases) EXPECT_EQ(RunPenalty(c.runs), c.expected) << c.what;
}

Frame FrameOf(int width, auto colour) {
  Frame frame(width);
  for (int y = 0; y < width; ++y) {
    for (int x = 0; x < width; ++x) frame.At(x, y) = uint8_t(ModuleByte::kDataLight | colour(x, y));
  }
  return frame;
}

TEST(EvaluatePenaltyTest, UniformAndCheckeredFrames) {
  // Every row and column a run of 21 (19 each), and 20 x 20 one-coloured blocks (3 each).
  const int uniform = 2 * 21 * 19 + 20 * 20 * 3;
  EXPECT_EQ(EvaluatePenalty(21, FrameOf(21, [](int, int) { return 0; })), uniform);
  EXPECT_EQ(EvaluatePenalty(21, FrameOf(21, [](int, int) { return 1; })), uniform);
  EXPECT_EQ(EvaluatePenalty(21, FrameOf(21, [](int x, int y) { return (x + y) & 1; })), 0);
  const int stripes = EvaluatePenalty(21, FrameOf(21, [](int x, int) { return (x / 2) & 1; }));
  // Rows alternate runs of 2 (no penalty); each column is one run of 21; blocks at x = 1, 3, ... 19.
  EXPECT_EQ(stripes, 21 * 19 + 10 * 20 * 3);
}

TEST(EvaluatePenaltyTest, FinderLikeRowIsCountedOnce) {
  // Row 0: dark 1, light 1, dark 3, light 1, dark 1, then light to the end; other rows checkered.
  const char* const kRow = "101110100000000000000";
  const int w = 21;
  Frame frame = FrameOf(w, [&](int x, int y) { return y == 0 ? kRow[x] - '0' : (x + y) & 1; });
  const int withPattern = EvaluatePenalty(w, frame);
  frame.At(1, 0) = ModuleByte::kDataDark;  // dark 5 instead of the pattern
  const int withoutPattern = EvaluatePenalty(w, frame);
  EXPECT_EQ(withPattern - withoutPattern, 40 - 3);  // the pattern's 40 against the run of 5's 3
}

// The rules module by module, the plain way, for every row and column.
int PlainPenalty(const Frame& frame) {
  const int w = frame.width;
  auto dark = [&](int x, int y) { return frame.At(x, y) & 1; };
  int penalty = 0;
  for (int pass = 0; pass < 2; ++pass) {
    for (int line = 0; line < w; ++line) {
      auto at = [&](int i) { return pass == 0 ? dark(i, line) : dark(line, i); };
      std::vector<int> runs = {1};
      int head = 0;
      for (int i = 0; i < w; ++i) {
        if (pass == 0 && i > 0 && line > 0) {
          const int sum = dark(i, line) + dark(i - 1, line) + dark(i, line - 1) + dark(i - 1, line - 1);
          if (sum == 0 || sum == 4) penalty += 3;
        }
        if (i == 0 && at(0)) runs = {-1, 1}, head = 1;
        if (i > 0 && at(i) != at(i - 1)) {
          runs.push_back(1);
          ++head;
        } else if (i > 0) {
          ++runs[size_t(head)];
        }
      }
      penalty += RunPenalty(runs);
    }
  }
  return penalty;
}

// Random frames of every width, and frames with long runs, give the plain count.
TEST(EvaluatePenaltyTest, AgreesWithThePlainCountOnRandomFrames) {
  std::mt19937 random(11);
  for (int version = 1; version <= 40; ++version) {
    const int w = 17 + 4 * version;
    for (const int darkPercent : {50, 10, 90}) {
      Frame frame(w);
      for (uint8_t& m : frame.modules) m = uint8_t(ModuleByte::kDataLight | (int(random() % 100) < darkPercent));
      EXPECT_EQ(EvaluatePenalty(w, frame), PlainPenalty(frame)) << "width " << w << ", " << darkPercent << " % dark";
    }
  }
}

}  // namespace
}  // namespace qr
