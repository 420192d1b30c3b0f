#include "platform/random.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/headless/driver.h"

namespace {

using platform::Random;

TEST(Random, FollowsTheWindowsCLibrarySequence) {
  // srand(1) then rand() on the Windows C library: 41, 18467, 6334, 26500, 19169.
  Random::Seed(1);
  for (int expected : {41, 18467, 6334, 26500, 19169}) EXPECT_EQ(Random::Next(), expected);
}

TEST(Random, RangeIsInclusiveAndUniformEnough) {
  Random::Seed(12345);
  std::set<int> seen;
  for (int i = 0; i < 5000; ++i) {
    const int r = Random::Range(5, 120);
    ASSERT_GE(r, 5);
    ASSERT_LE(r, 120);
    seen.insert(r);
  }
  EXPECT_EQ(seen.size(), 116u);  // every value of the range turns up
  EXPECT_EQ(Random::Range(7, 7), 7);
  EXPECT_EQ(Random::Range(9, 3), 9);  // an empty range gives its start
}

TEST(Random, ReseedsInTheSameMillisecondDiffer) {
  platform::headless::Reset();  // the clock stands still until a test moves it
  Random::Reseed();
  const int first = Random::Next();
  Random::Reseed();
  const int second = Random::Next();
  Random::Reseed();
  const int third = Random::Next();
  EXPECT_FALSE(first == second && second == third);
}

}  // namespace
