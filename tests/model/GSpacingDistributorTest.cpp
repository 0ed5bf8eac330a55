#include <gtest/gtest.h>

#include <vector>

#include "model/GSpacingDistributor.h"

namespace {

bool SameStep(const GSpacingStep& a, const GSpacingStep& b) {
  return a.base == b.base && a.error == b.error && a.decrement == b.decrement && a.remaining == b.remaining &&
         a.increment == b.increment;
}

std::vector<int> Steps(GSpacingStep channel, int n) {
  GSpacingDistributor distributor;
  std::vector<int> out;
  for (int i = 0; i < n; ++i) out.push_back(distributor.Step(channel));
  return out;
}

TEST(GSpacingDistributorStep, Sequences) {
  struct Case {
    GSpacingStep channel;
    std::vector<int> expected;
  } cases[] = {
      {{2, 4, 3, 4, 4}, {2, 3, 3, 3, 0, 0, 0}},
      // n steps with base b, decrement d and increment n from error n hand
      // out n * b + d units, the d extra ones spread evenly.
      {{1, 5, 2, 5, 5}, {1, 1, 2, 1, 2, 0}},
      {{0, 3, 3, 3, 3}, {1, 1, 1, 0}},
      {{0, 7, 2, 7, 7}, {0, 0, 0, 1, 0, 0, 1, 0}},
      {{-1, 4, 1, 4, 4}, {-1, -1, -1, 0, 0}},  // spacing taken away
      {{5, 1, 0, 2, 0}, {5, 5, 0}},
      {{5, 1, 0, 0, 0}, {0, 0}},
      {{5, 1, 0, -3, 0}, {0, 0}},  // a negative count gives nothing
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Steps(c.channel, static_cast<int>(c.expected.size())), c.expected)
        << c.channel.base << "," << c.channel.error << "," << c.channel.decrement << "," << c.channel.remaining;
  }
}

TEST(GSpacingDistributorStep, TotalIsBaseTimesCountPlusDecrement) {
  for (int16_t n : {1, 3, 7, 50}) {
    for (int16_t d : {int16_t(0), int16_t(1), n, static_cast<int16_t>(n - 1)}) {
      GSpacingStep channel = {2, n, d, n, n};
      int total = 0;
      for (int v : Steps(channel, n + 3)) total += v;
      EXPECT_EQ(total, n * 2 + d) << "n=" << n << " d=" << d;
    }
  }
}

TEST(GSpacingDistributorStep, ExhaustedOrNegativeChannelIsLeftUnchanged) {
  GSpacingDistributor distributor;
  for (int16_t remaining : {int16_t(0), int16_t(-1), int16_t(-32768)}) {
    GSpacingStep channel = {4, -2, 3, remaining, 9};
    const GSpacingStep before = channel;
    EXPECT_EQ(distributor.Step(channel), 0);
    EXPECT_TRUE(SameStep(channel, before)) << remaining;
  }
}

TEST(GSpacingDistributor, ConstantCharacterChannelNeverRunsOut) {
  GSpacingStep character = {3, 9, 9, 2, 9};  // replaced by {3, 1, 0, 1, 1}
  GSpacingStep none = {0, 1, 0, 0, 0};
  GSpacingDistributor distributor(character, none, 1, 1);
  EXPECT_EQ(distributor.IsActive(), 1);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(distributor.NextCharacterExtra(), 3) << i;
  EXPECT_EQ(distributor.IsActive(), 1);
}

TEST(GSpacingDistributor, CharacterChannelRunsOutWithoutConstantFlag) {
  GSpacingDistributor distributor({2, 4, 3, 4, 4}, {0, 1, 0, 0, 0}, 0, 1);
  std::vector<int> got;
  for (int i = 0; i < 6; ++i) got.push_back(distributor.NextCharacterExtra());
  EXPECT_EQ(got, (std::vector<int>{2, 3, 3, 3, 0, 0}));
  EXPECT_EQ(distributor.IsActive(), 0);
}

TEST(GSpacingDistributor, BreakCharacters) {
  const GSpacingStep breaks = {4, 2, 1, 2, 2};  // gives 4, 5
  // Break-sum flag 1: the character channel's share as well.
  GSpacingDistributor summed({1, 1, 0, 0, 0}, breaks, 1, 1);
  EXPECT_EQ(summed.NextBreakExtra(), 5);
  EXPECT_EQ(summed.NextBreakExtra(), 6);
  EXPECT_EQ(summed.NextBreakExtra(), 1);  // the break channel has run out
  // Break-sum flag 0: only the break channel's share, and the character
  // channel is not stepped.
  GSpacingDistributor alone({1, 3, 1, 3, 3}, breaks, 0, 0);
  EXPECT_EQ(alone.NextBreakExtra(), 4);
  EXPECT_EQ(alone.NextBreakExtra(), 5);
  EXPECT_EQ(alone.NextBreakExtra(), 0);
  EXPECT_EQ(alone.NextCharacterExtra(), 1);
  EXPECT_EQ(alone.NextCharacterExtra(), 1);
  EXPECT_EQ(alone.NextCharacterExtra(), 2);
  // Any other break-sum value counts as 0.
  GSpacingDistributor other({1, 1, 0, 0, 0}, breaks, 1, 2);
  EXPECT_EQ(other.NextBreakExtra(), 4);
}

TEST(GSpacingDistributor, BreakSumWrapsToSixteenBits) {
  GSpacingDistributor distributor({32767, 1, 0, 0, 0}, {1, 1, 0, 1, 0}, 1, 1);
  EXPECT_EQ(distributor.NextBreakExtra(), -32768);
}

TEST(GSpacingDistributor, IsActive) {
  struct Case {
    GSpacingStep character, breaks;
    int constant;
    int active;
  } cases[] = {
      {{0, 1, 0, 5, 0}, {0, 1, 0, 5, 0}, 0, 0},  // base 0 and decrement 0
      {{0, 1, 0, 5, 0}, {0, 1, 0, 5, 0}, 1, 0},
      {{1, 1, 0, 0, 0}, {0, 1, 0, 0, 0}, 0, 0},  // no steps left
      {{1, 1, 0, -2, 0}, {1, 1, 0, -2, 0}, 0, 0},
      {{1, 1, 0, 0, 0}, {0, 1, 0, 0, 0}, 1, 1},  // the constant flag gives one step
      {{0, 4, 1, 4, 4}, {0, 1, 0, 0, 0}, 0, 1},  // a decrement alone
      {{0, 1, 0, 0, 0}, {2, 1, 0, 1, 0}, 0, 1},  // the break channel alone
      {{0, 1, 0, 0, 0}, {0, 3, 2, 3, 3}, 0, 1},
  };
  for (const auto& c : cases) {
    GSpacingDistributor distributor(c.character, c.breaks, c.constant, 1);
    EXPECT_EQ(distributor.IsActive(), c.active) << &c - cases;
  }
  EXPECT_EQ(GSpacingDistributor().IsActive(), 0);
}

TEST(GSpacingDistributor, DefaultGivesNothing) {
  GSpacingDistributor distributor;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(distributor.NextCharacterExtra(), 0);
    EXPECT_EQ(distributor.NextBreakExtra(), 0);
  }
}

}  // namespace
