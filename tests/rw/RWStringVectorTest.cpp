#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rw/RWDefs.h"
#include "rw/RWStringVector.h"

namespace {

std::vector<std::string> Elements(const RWStringVector& v) {
  std::vector<std::string> out;
  for (size_t i = 0; i < v.Count(); ++i) out.emplace_back(v.At(i)->Data(), v.At(i)->Length());
  return out;
}

using Strings = std::vector<std::string>;

TEST(RWStringVector, EqualityIsSameLengthAndSameBytes) {
  RWStringVector v;
  v.Append(RWCString("a\0b", 3));
  v.Append(RWCString("ab"));
  v.Append(RWCString("AB"));
  v.Append(RWCString("a\0b", 3));
  EXPECT_EQ(v.IndexOf(RWCString("a\0c", 3)), RW_NPOS);  // bytes after the NUL count
  EXPECT_EQ(v.IndexOf(RWCString("a")), RW_NPOS);        // a prefix is not equal
  EXPECT_EQ(v.IndexOf(RWCString("ab\0", 3)), RW_NPOS);
  EXPECT_EQ(v.IndexOf(RWCString("AB")), 2u);            // case counts
  EXPECT_EQ(v.CountOf(RWCString("a\0b", 3)), 2u);
  EXPECT_EQ(v.RemoveFirst(RWCString("ab")), 1u);
  EXPECT_EQ(Elements(v), (Strings{std::string("a\0b", 3), "AB", std::string("a\0b", 3)}));
}

TEST(RWStringVector, RemoveAllLeavesEmptyStringsBehind) {
  RWStringVector v;
  for (const char* s : {"x", "y", "x", "z", "x"}) v.Append(RWCString(s));
  EXPECT_EQ(v.RemoveAll(RWCString("x")), 3u);
  EXPECT_EQ(Elements(v), (Strings{"y", "z"}));
  for (size_t i = 2; i < 5; ++i) EXPECT_EQ(v.Data()[i].Length(), 0u);
}

TEST(RWStringVector, ElementsShareTheAssignedBlocks) {
  RWCString text("shared text");
  RWStringVector v;
  v.Append(text);
  v.InsertAt(0, text);
  EXPECT_EQ(v.At(0)->Data(), text.Data());
  EXPECT_EQ(v.At(1)->Data(), text.Data());
  RWStringVector copy(v);
  EXPECT_EQ(copy.At(1)->Data(), text.Data());
  RWCString removed = v.RemoveAt(0);
  EXPECT_EQ(removed.Data(), text.Data());
}

TEST(RWStringVector, GrowthKeepsEveryString) {
  RWStringVector v;
  for (int i = 0; i < 64; ++i) v.Append(RWCString(std::to_string(i).c_str()));
  EXPECT_EQ(v.Capacity(), 64u);
  v.Append(*v.At(63));  // an element of the full vector itself
  EXPECT_EQ(v.Capacity(), 128u);
  ASSERT_EQ(v.Count(), 65u);
  EXPECT_EQ(Elements(v)[64], "63");
  for (int i = 0; i < 64; ++i) EXPECT_EQ(Elements(v)[i], std::to_string(i));
}

}  // namespace
