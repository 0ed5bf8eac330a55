#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "rw/RWError.h"
#include "rw/RWGrowCapacity.h"
#include "support/ErrorCapture.h"

namespace {

TEST(RWGrowCapacity, Policy) {
  struct Case {
    uint32_t n, size, expected;
  } cases[] = {
      {0, 1, 16},
      {10, 2, 16},
      {15, 4, 16},
      {16, 2, 32},
      {1000, 1, 2000},
      {0x3FFFFFFF, 2, 0x7FFFFFFE},   // 0x7FFFFFFE bytes: still doubles
      {0x80000000u, 1, 0xBFFFFFFFu},  // past 2 GB: 0xFFFFFFFF / 2 + n / 2
      {0x40000000, 3, 0x2AAAAAAA + 0x20000000},
      {0xFFFFFFFCu, 1, 0xFFFFFFFDu},       // 0x7FFFFFFF + 0x7FFFFFFE
  };
  for (const Case& c : cases) EXPECT_EQ(RWGrowCapacity(c.n, c.size), c.expected) << c.n << " x " << c.size;
}

std::string g_text;
bool g_isIndexError = false;
void Record(const RWLibraryError& e) {
  g_text = e.Text();
  g_isIndexError = dynamic_cast<const RWIndexError*>(&e) != nullptr;
}

TEST(RWGrowCapacity, PastTheLimitRaisesOverflow) {
  const char* expected = "[OVFLOW] Overflow error -> \"Buffer may not resize larger than\" <- (4294967295 max characters)";
  struct Case {
    uint32_t n, size;
  } cases[] = {
      {0xFFFFFFFDu, 1},
      {0xFFFFFFFFu, 1},
      {0x7FFFFFFF, 2},    // 0xFFFFFFFE bytes
      {0x80000000u, 2},   // 2^32 bytes: a 32-bit product would wrap to 0
      {0x90000000u, 16},  // wraps to a small product in 32 bits
  };
  for (const Case& c : cases) {
    RWErrorHandler previous = RWSetErrorHandler(&Record);
    g_text.clear();
    g_isIndexError = false;
    EXPECT_EQ(RWGrowCapacity(c.n, c.size), 0u) << c.n << " x " << c.size;
    RWSetErrorHandler(previous);
    EXPECT_EQ(g_text, expected);
    EXPECT_TRUE(g_isIndexError);
  }
}

int CompareInts(const void* element, const void* key) {
  int a = *static_cast<const int*>(element);
  int b = *static_cast<const int*>(key);
  return a < b ? -1 : (a > b ? 1 : 0);
}

TEST(RWBinarySearch, FindsOrReportsWhereItStopped) {
  const int values[] = {1, 3, 5};
  struct Case {
    int key;
    bool found;
    uint32_t index;
  } cases[] = {
      {1, true, 0}, {3, true, 1}, {5, true, 2}, {4, false, 2}, {0, false, 0}, {6, false, 2}, {2, false, 0},
  };
  for (const Case& c : cases) {
    uint32_t index = 99;
    EXPECT_EQ(RWBinarySearch(&c.key, values, 3, sizeof(int), &CompareInts, &index), c.found) << c.key;
    EXPECT_EQ(index, c.index) << c.key;
  }
  uint32_t index = 99;
  int key = 1;
  EXPECT_FALSE(RWBinarySearch(&key, values, 0, sizeof(int), &CompareInts, &index));
  EXPECT_EQ(index, 0u);
  const int many[] = {2, 4, 6, 8, 10, 12, 14};
  for (uint32_t i = 0; i < 7; ++i) {
    EXPECT_TRUE(RWBinarySearch(&many[i], many, 7, sizeof(int), &CompareInts, &index));
    EXPECT_EQ(index, i);
  }
}

TEST(RWLibraryHelpers, VersionAndByteMaskTable) {
  EXPECT_EQ(RWLibraryVersion(), 0x0700u);
  uint8_t table[16];
  RWBuildByteMaskTable(table);
  const uint8_t expected[16] = {0, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(table[i], expected[i]) << i;
}

}  // namespace
