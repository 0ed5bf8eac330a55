#include <gtest/gtest.h>

#include <vector>

#include "rw/RWShortList.h"

namespace {

std::vector<int> Values(const RWShortList& list) {
  std::vector<int> values;
  const RWIntrusiveSlist& s = list.AsSlist();
  for (const RWSlistLink* p = s.First(); p != s.Tail(); p = p->next)
    values.push_back(static_cast<const RWShortListNode*>(p)->value);
  EXPECT_EQ(values.size(), list.Count());
  return values;
}

TEST(RWShortList, AppendsInOrderAndFindsValues) {
  RWShortList list;
  EXPECT_FALSE(list.Contains(0));
  list.Append(310);
  list.Append(-2);
  list.Append(32767);
  list.Append(310);
  EXPECT_EQ(Values(list), (std::vector<int>{310, -2, 32767, 310}));
  EXPECT_TRUE(list.Contains(-2));
  EXPECT_TRUE(list.Contains(32767));  // the last node is searched too
  EXPECT_FALSE(list.Contains(311));
}

TEST(RWShortList, ClearDeletesEveryNodeAndTheListIsReusable) {
  // Under the address sanitizer a node left behind by Clear or the
  // destructor is reported as a leak.
  RWShortList list;
  for (int16_t v = 0; v < 5; ++v) list.Append(v);
  list.Clear();
  const RWIntrusiveSlist& s = list.AsSlist();
  EXPECT_EQ(s.Count(), 0u);
  EXPECT_EQ(s.Head()->next, s.Tail());
  EXPECT_EQ(s.Last(), s.Head());
  EXPECT_FALSE(list.Contains(0));
  list.Append(7);
  list.Append(8);
  EXPECT_EQ(Values(list), (std::vector<int>{7, 8}));
}

}  // namespace
