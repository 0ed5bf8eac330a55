// The glyph-code allocator: which characters keep their value, the order in
// which new codes are handed out, reuse, reset and running out of codes.
#include "graphics/GGlyphCodeAllocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <set>
#include <vector>

namespace {

// An allocator whose next code moves on by a step the test chooses; the
// default step is one, skipping the codes 0x2000 to 0x20FF that keep their
// own value, so it hands out every usable code.
class SteppingAllocator : public GGlyphCodeAllocator {
 public:
  explicit SteppingAllocator(std::function<uint32_t(uint32_t)> step = SkipOwnRange) : step_(std::move(step)) {}

  static uint32_t SkipOwnRange(uint32_t next) { return next == 0x1FFF ? 0x2100 : next + 1; }

  int advances = 0;

 protected:
  void Advance() override {
    ++advances;
    SetNextCode(static_cast<uint16_t>(step_(GetNextCode())));
  }

 private:
  std::function<uint32_t(uint32_t)> step_;
};

// Reaches the table entries of a derived allocator with its own page count.
class PagedAllocator : public GGlyphCodeAllocator {
 public:
  explicit PagedAllocator(uint32_t pages) : GGlyphCodeAllocator(pages) {}
  using GGlyphCodeAllocator::Entry;

 protected:
  void Advance() override { SetNextCode(static_cast<uint16_t>(GetNextCode() + 1)); }
};

TEST(GGlyphCodeAllocator, CodesInTheFixedRangesKeepTheirValueAndTakeNoCode) {
  SteppingAllocator allocator;
  for (uint16_t c : {0x00, 0x41, 0xFF, 0x2000, 0x20AC, 0x20FF, 0xFF00, 0xFFFF}) {
    SCOPED_TRACE(c);
    EXPECT_EQ(allocator.Map(c), c);
  }
  EXPECT_EQ(allocator.advances, 0);
  EXPECT_EQ(allocator.GetNextCode(), 0x100);
  // The first character that takes a code still gets the first one.
  EXPECT_EQ(allocator.Map(0x4E00), 0x100);
}

TEST(GGlyphCodeAllocator, NewCharactersGetCodesInOrderAndKeepThem) {
  // The derived allocator decides where the next code goes: here two on.
  SteppingAllocator allocator([](uint32_t next) { return next + 2; });
  EXPECT_EQ(allocator.Map(0x0410), 0x100);
  EXPECT_EQ(allocator.Map(0x0100), 0x102);
  EXPECT_EQ(allocator.Map(0xFEFF), 0x104);
  EXPECT_EQ(allocator.Map(0x1FFF), 0x106);
  EXPECT_EQ(allocator.Map(0x2100), 0x108);
  EXPECT_EQ(allocator.advances, 5);
  // Seen again: the same code, and no new one is taken.
  EXPECT_EQ(allocator.Map(0x0410), 0x100);
  EXPECT_EQ(allocator.Map(0x2100), 0x108);
  EXPECT_EQ(allocator.Map(0xFEFF), 0x104);
  EXPECT_EQ(allocator.advances, 5);
  EXPECT_EQ(allocator.GetNextCode(), 0x10A);
}

TEST(GGlyphCodeAllocator, ResetForgetsTheCodesAndStartsAgainAt256) {
  SteppingAllocator allocator;
  EXPECT_EQ(allocator.Map(0x0300), 0x100);
  EXPECT_EQ(allocator.Map(0x0301), 0x101);
  allocator.Reset();
  EXPECT_EQ(allocator.GetNextCode(), 0x100);
  EXPECT_EQ(allocator.Map(0x0301), 0x100);
  EXPECT_EQ(allocator.Map(0x0300), 0x101);
  allocator.Reset();
  allocator.Reset();  // twice, and with no table: harmless
  EXPECT_EQ(allocator.Map(0x0302), 0x100);
}

TEST(GGlyphCodeAllocator, EveryCharacterGetsACodeOfItsOwn) {
  // Mapping all 65536 characters: the ones that keep their value do, every
  // other one gets a distinct code that no character keeps for itself, and
  // the codes run 0x100 to 0x1FFF, then on from 0x2100.
  SteppingAllocator allocator;
  std::set<uint16_t> given;
  std::vector<uint16_t> codeOf(0x10000);
  int newCharacters = 0;
  for (uint32_t c = 0; c <= 0xFFFF; ++c) {
    const uint16_t code = allocator.Map(static_cast<uint16_t>(c));
    codeOf[c] = code;
    if (GGlyphCodeAllocator::KeepsOwnValue(static_cast<uint16_t>(c))) {
      ASSERT_EQ(code, c);
      continue;
    }
    ++newCharacters;
    ASSERT_FALSE(GGlyphCodeAllocator::KeepsOwnValue(code)) << c;
    ASSERT_TRUE(given.insert(code).second) << "code " << code << " handed out twice";
    if (newCharacters == 7936) {
      EXPECT_EQ(code, 0x1FFF);
    }
    if (newCharacters == 7937) {
      EXPECT_EQ(code, 0x2100);
    }
  }
  EXPECT_EQ(newCharacters, 0xFE00 - 0x100);
  EXPECT_EQ(given.size(), static_cast<size_t>(newCharacters));
  EXPECT_FALSE(allocator.IsExhausted());
  for (uint32_t c = 0; c <= 0xFFFF; c += 0x1F3) ASSERT_EQ(allocator.Map(static_cast<uint16_t>(c)), codeOf[c]) << c;
}

// When the next code cannot be handed out (it fell into a range that keeps its
// value, wrapped past 0xFFFF, or did not move), new characters map to 0, no
// code goes to two characters, the codes already given stay, and a reset
// makes the allocator usable again.
struct ExhaustionCase {
  const char* name;
  std::function<uint32_t(uint32_t)> step;
  std::vector<uint16_t> expected;  // codes of the characters 0x300, 0x301, ...
};

TEST(GGlyphCodeAllocator, RunningOutOfCodesHandsOutNoCodeTwice) {
  const ExhaustionCase cases[] = {
      {"wraps past 0xFFFF", [](uint32_t next) { return next + 0x8000; }, {0x100, 0x8100, 0, 0}},
      {"does not move", [](uint32_t next) { return next; }, {0x100, 0, 0, 0}},
      {"reaches 0xFF00", [](uint32_t next) { return next == 0x100 ? 0xFEFF : next + 1; }, {0x100, 0xFEFF, 0, 0}},
      {"reaches 0x2000", [](uint32_t next) { return next == 0x100 ? 0x1FFF : next + 1; }, {0x100, 0x1FFF, 0, 0}},
  };
  for (const ExhaustionCase& test : cases) {
    SCOPED_TRACE(test.name);
    SteppingAllocator allocator(test.step);
    for (size_t i = 0; i < test.expected.size(); ++i)
      EXPECT_EQ(allocator.Map(static_cast<uint16_t>(0x300 + i)), test.expected[i]) << i;
    EXPECT_TRUE(allocator.IsExhausted());
    // What was given stays; what kept its value still does.
    EXPECT_EQ(allocator.Map(0x300), 0x100);
    EXPECT_EQ(allocator.Map(0x41), 0x41);
    EXPECT_EQ(allocator.Map(0x20AC), 0x20AC);
    EXPECT_EQ(allocator.Map(0x4000), 0);

    allocator.Reset();
    EXPECT_FALSE(allocator.IsExhausted());
    EXPECT_EQ(allocator.Map(0x4000), 0x100);
  }
}

TEST(GGlyphCodeAllocator, EntriesOutsideTheTableAreRefused) {
  PagedAllocator full(256);
  ASSERT_NE(full.Entry(255, 255), nullptr);
  EXPECT_EQ(*full.Entry(255, 255), 0);
  *full.Entry(255, 255) = 7;
  EXPECT_EQ(*full.Entry(255, 255), 7);
  EXPECT_EQ(full.Entry(256, 0), nullptr);
  EXPECT_EQ(full.Entry(0, 256), nullptr);
  EXPECT_EQ(full.Entry(0xFFFFFFFFu, 0xFFFFFFFFu), nullptr);

  // More pages than 256 are not made.
  PagedAllocator many(100000);
  EXPECT_NE(many.Entry(255, 0), nullptr);
  EXPECT_EQ(many.Entry(256, 0), nullptr);

  PagedAllocator base(GGlyphCodeAllocator::kPageCount);
  EXPECT_NE(base.Entry(254, 255), nullptr);
  EXPECT_EQ(base.Entry(255, 0), nullptr);
  // A reset frees the pages: the entry is 0 again.
  *base.Entry(3, 4) = 9;
  base.Reset();
  EXPECT_EQ(*base.Entry(3, 4), 0);
}

}  // namespace
