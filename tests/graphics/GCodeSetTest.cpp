// The code set: its blocks and their order, membership, the walk over its
// codes, codes at the ends of the 32-bit range, and copies.
#include "graphics/GCodeSet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <vector>

namespace {

std::vector<uint32_t> BlockBases(const GCodeSet& set) {
  std::vector<uint32_t> bases;
  for (const GCodeSet::Block* block = set.FirstBlock(); block != nullptr; block = block->next)
    bases.push_back(block->base);
  return bases;
}

int Collect(uint32_t code, void* data) {
  static_cast<std::vector<uint32_t>*>(data)->push_back(code);
  return static_cast<int>(code % 1000) + 1;
}

std::vector<uint32_t> Codes(const GCodeSet& set) {
  std::vector<uint32_t> codes;
  set.ForEach(Collect, &codes);
  return codes;
}

TEST(GCodeSet, BlocksAreMadeInOrderAndTheWalkIsAscending) {
  GCodeSet set;
  EXPECT_EQ(set.Add(300), (300 >> 3) & 15);
  EXPECT_EQ(set.Add(5), 0);
  EXPECT_EQ(set.Add(200), (200 >> 3) & 15);
  EXPECT_EQ(BlockBases(set), (std::vector<uint32_t>{0, 128, 256}));
  EXPECT_EQ(Codes(set), (std::vector<uint32_t>{5, 200, 300}));

  // Codes between and after existing blocks; adding a code twice changes
  // nothing.
  set.Add(1000);
  set.Add(700);
  set.Add(127);
  set.Add(200);
  EXPECT_EQ(BlockBases(set), (std::vector<uint32_t>{0, 128, 256, 640, 896}));
  EXPECT_EQ(Codes(set), (std::vector<uint32_t>{5, 127, 200, 300, 700, 1000}));
}

TEST(GCodeSet, AddGivesTheByteOfTheBitWithinItsBlock) {
  GCodeSet set;
  const struct {
    uint32_t code;
    int byte;
  } cases[] = {{0, 0}, {7, 0}, {8, 1}, {127, 15}, {128, 0}, {0x1234F, 9}, {0xFFFFFFFFu, 15}};
  for (const auto& test : cases) {
    EXPECT_EQ(set.Add(test.code), test.byte) << test.code;
    const GCodeSet::Block* block = set.FirstBlock();
    while (block->base + 127 < test.code) block = block->next;
    EXPECT_EQ(block->bits[test.byte] >> (test.code & 7) & 1, 1) << test.code;
  }
}

TEST(GCodeSet, RemoveAndContains) {
  GCodeSet set;
  for (uint32_t code : {0u, 1u, 129u, 4000u}) EXPECT_EQ(set.Contains(code), 0);
  set.Remove(50);  // no block: nothing happens
  EXPECT_EQ(set.FirstBlock(), nullptr);

  set.Add(129);
  set.Add(130);
  EXPECT_EQ(set.Contains(129), 1);
  EXPECT_EQ(set.Contains(131), 0);
  EXPECT_EQ(set.Contains(1), 0);
  set.Remove(5000);  // block missing: nothing changes
  set.Remove(2);
  EXPECT_EQ(BlockBases(set), (std::vector<uint32_t>{128}));
  set.Remove(129);
  set.Remove(130);
  set.Remove(130);
  EXPECT_EQ(set.Contains(129), 0);
  // The emptied block stays.
  EXPECT_EQ(BlockBases(set), (std::vector<uint32_t>{128}));
  EXPECT_TRUE(Codes(set).empty());

  set.Clear();
  EXPECT_EQ(set.FirstBlock(), nullptr);
  set.Add(9);
  EXPECT_EQ(Codes(set), (std::vector<uint32_t>{9}));
}

TEST(GCodeSet, CodesAtTheTopOfTheRangeStayInTheirBlock) {
  // The last block's end, base + 128, is past 0xFFFFFFFF.
  GCodeSet set;
  set.Add(0xFFFFFFFFu);
  set.Add(0xFFFFFF80u);
  set.Add(0xFFFFFF7Fu);
  set.Add(0);
  EXPECT_EQ(BlockBases(set), (std::vector<uint32_t>{0, 0xFFFFFF00u, 0xFFFFFF80u}));
  EXPECT_EQ(Codes(set), (std::vector<uint32_t>{0, 0xFFFFFF7Fu, 0xFFFFFF80u, 0xFFFFFFFFu}));
  EXPECT_EQ(set.Contains(0xFFFFFFFFu), 1);
  EXPECT_EQ(set.Contains(0xFFFFFFFEu), 0);
  set.Remove(0xFFFFFFFFu);
  EXPECT_EQ(set.Contains(0xFFFFFFFFu), 0);
  EXPECT_EQ(set.Contains(0xFFFFFF80u), 1);
}

TEST(GCodeSet, ForEachAnswersTheLastCallsResult) {
  GCodeSet set;
  std::vector<uint32_t> seen;
  EXPECT_EQ(set.ForEach(Collect, &seen), 0);
  set.Add(3);
  set.Remove(3);
  EXPECT_EQ(set.ForEach(Collect, &seen), 0);  // a block, but no code
  EXPECT_TRUE(seen.empty());
  set.Add(2041);
  set.Add(17);
  EXPECT_EQ(set.ForEach(Collect, &seen), 42);  // 2041 % 1000 + 1
  EXPECT_EQ(set.ForEach(nullptr, nullptr), 0);
}

TEST(GCodeSet, ACallbackMayAddCodesOrClearTheSet) {
  GCodeSet set;
  set.Add(10);
  set.Add(20);
  set.Add(300);

  struct Walk {
    GCodeSet* set;
    std::vector<uint32_t> seen;
  };
  // Adding a higher code, in the same block or a new one: it is visited.
  Walk adding{&set, {}};
  set.ForEach(
      [](uint32_t code, void* data) {
        auto* walk = static_cast<Walk*>(data);
        walk->seen.push_back(code);
        if (code == 10) {
          walk->set->Add(15);
          walk->set->Add(200);
          walk->set->Add(5);  // behind the walk: not visited now
        }
        return 1;
      },
      &adding);
  EXPECT_EQ(adding.seen, (std::vector<uint32_t>{10, 15, 20, 200, 300}));
  EXPECT_EQ(set.Contains(5), 1);

  // Clearing or replacing the set ends the walk.
  Walk clearing{&set, {}};
  EXPECT_EQ(set.ForEach(
                [](uint32_t code, void* data) {
                  auto* walk = static_cast<Walk*>(data);
                  walk->seen.push_back(code);
                  if (code == 15) walk->set->Clear();
                  return static_cast<int>(code);
                },
                &clearing),
            15);
  EXPECT_EQ(clearing.seen, (std::vector<uint32_t>{5, 10, 15}));
  EXPECT_EQ(set.FirstBlock(), nullptr);

  set.Add(1);
  set.Add(400);
  Walk replacing{&set, {}};
  set.ForEach(
      [](uint32_t code, void* data) {
        auto* walk = static_cast<Walk*>(data);
        walk->seen.push_back(code);
        GCodeSet other;
        other.Add(999);
        *walk->set = other;
        return 0;
      },
      &replacing);
  EXPECT_EQ(replacing.seen, (std::vector<uint32_t>{1}));
  EXPECT_EQ(Codes(set), (std::vector<uint32_t>{999}));
}

TEST(GCodeSet, CopiesAreIndependentAndMovesTakeTheBlocks) {
  GCodeSet set;
  for (uint32_t code : {1u, 200u, 70000u}) set.Add(code);
  GCodeSet copy(set);
  copy.Add(2);
  set.Remove(200);
  EXPECT_EQ(Codes(copy), (std::vector<uint32_t>{1, 2, 200, 70000}));
  EXPECT_EQ(Codes(set), (std::vector<uint32_t>{1, 70000}));
  EXPECT_EQ(BlockBases(copy), BlockBases(set));

  GCodeSet assigned;
  assigned.Add(5000);
  assigned = copy;
  assigned = assigned;  // to itself: unchanged
  EXPECT_EQ(Codes(assigned), Codes(copy));

  GCodeSet moved(std::move(assigned));
  EXPECT_EQ(Codes(moved), Codes(copy));
  EXPECT_EQ(assigned.FirstBlock(), nullptr);  // NOLINT(bugprone-use-after-move): a moved-from set is empty
  assigned.Add(3);
  moved = std::move(assigned);
  EXPECT_EQ(Codes(moved), (std::vector<uint32_t>{3}));
}

TEST(GCodeSet, AgreesWithAnOrderedSetOverRandomChanges) {
  // Codes drawn near a few centres (blocks shared and interleaved) and from
  // the whole range, added and removed at random.
  std::mt19937 random(20261210);
  const uint32_t centres[] = {0, 0x100, 0x2000, 0x12345, 0x7FFFFFF0u, 0xFFFFFF00u};
  GCodeSet set;
  std::set<uint32_t> expected;
  for (int i = 0; i < 20000; ++i) {
    uint32_t code = random() % 8 == 0 ? static_cast<uint32_t>(random())
                                      : centres[random() % 6] + static_cast<uint32_t>(random() % 600);
    if (random() % 3 == 0) {
      set.Remove(code);
      expected.erase(code);
    } else {
      set.Add(code);
      expected.insert(code);
    }
    if (i % 997 == 0) {
      ASSERT_EQ(set.Contains(code), expected.count(code) ? 1 : 0) << code;
    }
  }
  EXPECT_EQ(Codes(set), std::vector<uint32_t>(expected.begin(), expected.end()));
  std::vector<uint32_t> bases = BlockBases(set);
  for (size_t i = 0; i < bases.size(); ++i) {
    EXPECT_EQ(bases[i] % 128, 0u);
    if (i > 0) {
      EXPECT_LT(bases[i - 1], bases[i]);
    }
  }
  for (uint32_t code : expected) ASSERT_EQ(set.Contains(code), 1) << code;
}

}  // namespace
