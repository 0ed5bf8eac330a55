#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rw/RWDefs.h"
#include "rw/RWOrderedVector.h"
#include "support/ErrorCapture.h"

namespace {

// A heap-owning element type: an element read after its array was freed or
// overwritten shows up under the address sanitizer or as a wrong value.
using StringVector = RWOrderedVector<std::string>;

std::vector<std::string> Elements(const StringVector& v) {
  std::vector<std::string> out;
  for (size_t i = 0; i < v.Count(); ++i) out.push_back(*v.At(i));
  return out;
}

using Strings = std::vector<std::string>;

StringVector Make(const Strings& values) {
  StringVector v;
  for (const auto& s : values) v.Append(s);
  return v;
}

int p[70];

TEST(RWOrderedVector, GrowsInStepsOf64) {
  RWGrowablePtrVector v;
  EXPECT_EQ(v.Capacity(), 0u);
  EXPECT_EQ(v.Data(), nullptr);
  v.Append(&p[0]);
  EXPECT_EQ(v.Capacity(), 64u);
  for (int i = 1; i < 64; ++i) v.Append(&p[i]);
  EXPECT_EQ(v.Capacity(), 64u);
  v.Append(&p[64]);
  EXPECT_EQ(v.Capacity(), 128u);
  EXPECT_EQ(v.Count(), 65u);
  for (int i = 0; i < 65; ++i) EXPECT_EQ(*v.At(i), &p[i]);
  for (size_t i = 65; i < 128; ++i) EXPECT_EQ(v.Data()[i], nullptr);

  RWGrowablePtrVector w(64);
  for (int i = 0; i < 64; ++i) w.Append(&p[i]);
  w.InsertAt(10, &p[69]);  // InsertAt grows the same way
  EXPECT_EQ(w.Capacity(), 128u);
  EXPECT_EQ(*w.At(10), &p[69]);
  EXPECT_EQ(*w.At(11), &p[10]);
  EXPECT_EQ(*w.At(64), &p[63]);
}

TEST(RWOrderedVector, InsertAtBounds) {
  StringVector v = Make({"a", "b"});
  v.InsertAt(2, "end");  // the count itself appends
  v.InsertAt(0, "front");
  v.InsertAt(2, "mid");
  EXPECT_EQ(Elements(v), (Strings{"front", "a", "mid", "b", "end"}));
  // The message carries i - 1, which equals the count here.
  EXPECT_EQ(qvtest::RaisedText([&] { v.InsertAt(6, "x"); }),
            "[INDEXERR] Illegal Index (5) for collection or string with 5 elements");
  qvtest::ScopedErrorCapture capture;
  v.InsertAt(6, "x");
  EXPECT_EQ(v.Count(), 5u);

  StringVector empty;
  empty.InsertAt(0, "only");
  EXPECT_EQ(Elements(empty), Strings{"only"});
}

TEST(RWOrderedVector, RemoveAllClosesTheGapsInOrder) {
  StringVector v = Make({"x", "y", "x", "z", "x"});
  EXPECT_EQ(v.RemoveAll("x"), 3u);
  EXPECT_EQ(Elements(v), (Strings{"y", "z"}));
  for (size_t i = 2; i < 5; ++i) EXPECT_EQ(v.Data()[i], "");
  EXPECT_EQ(v.RemoveAll("q"), 0u);
  EXPECT_EQ(v.Count(), 2u);
}

TEST(RWOrderedVector, FindCountAndRemoveFirst) {
  StringVector v = Make({"a", "b", "a", "c"});
  EXPECT_EQ(v.IndexOf("a"), 0u);
  EXPECT_EQ(v.IndexOf("c"), 3u);
  EXPECT_EQ(v.IndexOf("q"), RW_NPOS);
  EXPECT_EQ(v.CountOf("a"), 2u);
  EXPECT_EQ(v.CountOf("q"), 0u);
  EXPECT_EQ(StringVector().IndexOf("a"), RW_NPOS);

  EXPECT_EQ(v.RemoveFirst("a"), 1u);
  EXPECT_EQ(Elements(v), (Strings{"b", "a", "c"}));
  EXPECT_EQ(v.Data()[3], "");
  EXPECT_EQ(v.RemoveFirst("q"), 0u);
  EXPECT_EQ(v.Count(), 3u);
}

TEST(RWOrderedVector, RemoveAtReturnsTheElement) {
  StringVector v = Make({"a", "b", "c"});
  EXPECT_EQ(v.RemoveAt(1), "b");
  EXPECT_EQ(Elements(v), (Strings{"a", "c"}));
  EXPECT_EQ(v.Data()[2], "");
  EXPECT_EQ(v.RemoveAt(1), "c");
  EXPECT_EQ(qvtest::RaisedText([&] { v.RemoveAt(1); }),
            "[INDEXERR] Illegal Index (1) for collection or string with 1 elements");
  qvtest::ScopedErrorCapture capture;
  EXPECT_EQ(v.RemoveAt(7), "");
  EXPECT_EQ(Elements(v), Strings{"a"});
}

TEST(RWOrderedVector, CheckedAccess) {
  StringVector v = Make({"a", "b"});
  EXPECT_EQ(v.CheckIndex(1), 2u);
  *v.At(1) = "B";
  EXPECT_EQ(Elements(v), (Strings{"a", "B"}));
  EXPECT_EQ(qvtest::RaisedText([&] { v.At(2); }),
            "[INDEXERR] Illegal Index (2) for collection or string with 2 elements");
  // The ordered vectors report RW_NPOS with the INDEXERR text too.
  EXPECT_EQ(qvtest::RaisedText([&] { v.CheckIndex(RW_NPOS); }),
            "[INDEXERR] Illegal Index (4294967295) for collection or string with 2 elements");
  qvtest::ScopedErrorCapture capture;
  EXPECT_EQ(v.At(2), nullptr);
  EXPECT_EQ(v.CheckIndex(5), 0u);
}

TEST(RWOrderedVector, ArgumentsThatAreElementsOfTheVector) {
  // Appending an element of a full vector: the array it lives in is replaced.
  StringVector v;
  for (int i = 0; i < 64; ++i) v.Append("element " + std::to_string(i));
  v.Append(*v.At(3));
  EXPECT_EQ(*v.At(64), "element 3");

  // Inserting an element that the shift moves.
  v.InsertAt(0, *v.At(64));
  EXPECT_EQ(*v.At(0), "element 3");

  // Removing by an element that the compaction overwrites.
  StringVector w = Make({"x", "y", "x", "z", "x"});
  EXPECT_EQ(w.RemoveAll(*w.At(0)), 3u);
  EXPECT_EQ(Elements(w), (Strings{"y", "z"}));
  StringVector u = Make({"x", "y", "x"});
  EXPECT_EQ(u.RemoveFirst(*u.At(0)), 1u);
  EXPECT_EQ(Elements(u), (Strings{"y", "x"}));
}

TEST(RWOrderedVector, SetCapacity) {
  StringVector v = Make({"a", "b", "c"});
  v.SetCapacity(10);
  EXPECT_EQ(v.Capacity(), 10u);
  EXPECT_EQ(Elements(v), (Strings{"a", "b", "c"}));
  // Shrinking below the count keeps the count within the array.
  v.SetCapacity(2);
  EXPECT_EQ(v.Capacity(), 2u);
  EXPECT_EQ(Elements(v), (Strings{"a", "b"}));
  v.SetCapacity(0);
  EXPECT_EQ(v.Count(), 0u);
  EXPECT_EQ(v.Data(), nullptr);
  v.Append("again");
  EXPECT_EQ(v.Capacity(), 64u);
}

TEST(RWOrderedVector, CopiesAreDeep) {
  StringVector v = Make({"a", "b"});
  StringVector copy(v);
  EXPECT_EQ(copy.Capacity(), v.Capacity());
  EXPECT_NE(copy.Data(), v.Data());
  *v.At(0) = "changed";
  EXPECT_EQ(Elements(copy), (Strings{"a", "b"}));
  StringVector assigned;
  assigned = v;
  v.RemoveAll("b");
  EXPECT_EQ(Elements(assigned), (Strings{"changed", "b"}));
  assigned = assigned;
  EXPECT_EQ(assigned.Count(), 2u);
}

// RemoveFirst finds its element through the virtual IndexOf.
class LastMatchVector : public StringVector {
 public:
  size_t IndexOf(const std::string& x) const override {
    size_t found = RW_NPOS;
    for (size_t i = 0; i < Count(); ++i)
      if (*At(i) == x) found = i;
    return found;
  }
};

TEST(RWOrderedVector, RemoveFirstUsesTheOverriddenIndexOf) {
  LastMatchVector v;
  v.Append("a");
  v.Append("b");
  v.Append("a");
  v.Append("c");
  EXPECT_EQ(v.RemoveFirst("a"), 1u);
  EXPECT_EQ(Elements(v), (Strings{"a", "b", "c"}));
}

}  // namespace
