#include <gtest/gtest.h>

#include "rw/RWDefs.h"
#include "rw/RWPointerVector.h"
#include "support/ErrorCapture.h"

namespace {

int a, b, c;

TEST(RWPointerVector, ConstructFillAndCopy) {
  RWPointerVector v(3, &a);
  ASSERT_EQ(v.Count(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(v[i], &a);
  v[1] = &b;
  RWPointerVector copy(v);
  EXPECT_NE(copy.Data(), v.Data());
  v.Fill(&c);
  EXPECT_EQ(copy[0], &a);
  EXPECT_EQ(copy[1], &b);
  EXPECT_EQ(v[1], &c);

  RWPointerVector none;
  EXPECT_EQ(none.Count(), 0u);
  EXPECT_EQ(none.Data(), nullptr);
  RWPointerVector noneCopy(none);
  EXPECT_EQ(noneCopy.Data(), nullptr);
}

TEST(RWPointerVector, AssignCopiesAndIgnoresItself) {
  RWPointerVector v(2, &a);
  RWPointerVector w(5, &b);
  v.Assign(w);
  EXPECT_EQ(v.Count(), 5u);
  EXPECT_NE(v.Data(), w.Data());
  EXPECT_EQ(v[4], &b);
  void** slots = v.Data();
  v.Assign(v);
  EXPECT_EQ(v.Data(), slots);
  EXPECT_EQ(v[4], &b);
  v = RWPointerVector();
  EXPECT_EQ(v.Count(), 0u);
  EXPECT_EQ(v.Data(), nullptr);
}

TEST(RWPointerVector, ResizeKeepsTheLeadingSlots) {
  RWPointerVector v(3, &a);
  v[2] = &b;
  v.ResizeZeroed(6);
  ASSERT_EQ(v.Count(), 6u);
  EXPECT_EQ(v[0], &a);
  EXPECT_EQ(v[2], &b);
  for (size_t i = 3; i < 6; ++i) EXPECT_EQ(v[i], nullptr);
  v.Resize(2);
  ASSERT_EQ(v.Count(), 2u);
  EXPECT_EQ(v[1], &a);
  void** slots = v.Data();
  v.Resize(2);  // same count: the array stays
  EXPECT_EQ(v.Data(), slots);
  v.Resize(0);
  EXPECT_EQ(v.Data(), nullptr);
  v.ResizeZeroed(1);
  EXPECT_EQ(v[0], nullptr);
}

TEST(RWPointerVector, CheckIndex) {
  RWPointerVector v(4, nullptr);
  EXPECT_EQ(v.CheckIndex(3), 4u);
  EXPECT_EQ(qvtest::RaisedText([&] { v.CheckIndex(4); }),
            "[INDEXERR] Illegal Index (4) for collection or string with 4 elements");
  EXPECT_EQ(qvtest::RaisedText([&] { v.CheckIndex(RW_NPOS); }),
            "[NPOSINDEX] The value RW_NPOS cannot be used as an index.");
  qvtest::ScopedErrorCapture capture;
  EXPECT_EQ(v.CheckIndex(9), 0u);
}

}  // namespace
