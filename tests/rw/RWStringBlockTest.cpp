#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "rw/RWCString.h"
#include "rw/RWWString.h"

// The block machinery shared by the narrow and the wide string, run once for
// each: the block layout, the per-type empty block and capacity policy, and
// null texts given to the shared operations.

namespace {

// The narrow string's counterpart is the wide one and the other way round.
template <typename S>
struct Twin;
template <>
struct Twin<RWCString> {
  using Char = char;
  using Other = RWWString;
};
template <>
struct Twin<RWWString> {
  using Char = WCHAR;
  using Other = RWCString;
};

// ASCII text in the string's characters.
template <typename Char>
std::basic_string<Char> L(const char* ascii) {
  return std::basic_string<Char>(ascii, ascii + std::strlen(ascii));
}

template <typename S>
std::basic_string<typename Twin<S>::Char> Text(const S& s) {
  return std::basic_string<typename Twin<S>::Char>(s.Data(), s.Length());
}

// The three 32-bit header fields that precede the characters in memory.
struct HeaderFields {
  uint32_t refs, capacity, length;
};

template <typename Char>
HeaderFields HeaderOf(const Char* data) {
  const unsigned char* header = reinterpret_cast<const unsigned char*>(data) - 12;
  HeaderFields h;
  std::memcpy(&h.refs, header, 4);
  std::memcpy(&h.capacity, header + 4, 4);
  std::memcpy(&h.length, header + 8, 4);
  return h;
}

// Each test leaves both capacity policies at their defaults.
template <typename S>
class RWStringBlockTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (auto set : {&S::SetInitialCapacity, &Twin<S>::Other::SetInitialCapacity}) set(15);
    for (auto set : {&S::SetResizeIncrement, &Twin<S>::Other::SetResizeIncrement}) set(16);
    for (auto set : {&S::SetMaxWaste, &Twin<S>::Other::SetMaxWaste}) set(15);
  }
};

using BlockStrings = ::testing::Types<RWCString, RWWString>;
TYPED_TEST_SUITE(RWStringBlockTest, BlockStrings);

TYPED_TEST(RWStringBlockTest, HeaderOfCountCapacityAndLengthBeforeTheCharacters) {
  using S = TypeParam;
  using Char = typename Twin<S>::Char;
  static_assert(sizeof(S) == sizeof(void*), "a string is one pointer");
  S s{size_t(40)};
  s.ReplaceRange(0, 0, L<Char>("abc").c_str(), 3);
  HeaderFields h = HeaderOf(s.Data());
  EXPECT_EQ(h.refs, 0u);
  EXPECT_EQ(h.capacity, 40u);
  EXPECT_EQ(h.length, 3u);
  EXPECT_EQ(s.Data()[3], 0);
  {
    S copy = s;
    EXPECT_EQ(copy.Data(), s.Data());
    EXPECT_EQ(HeaderOf(s.Data()).refs, 1u);  // holders minus one
    copy.CharAt(0) = Char('x');              // the writer takes a block of its own
    EXPECT_NE(copy.Data(), s.Data());
    EXPECT_EQ(HeaderOf(s.Data()).refs, 0u);
    EXPECT_EQ(HeaderOf(copy.Data()).capacity, 3u);
  }
  EXPECT_EQ(Text(s), L<Char>("abc"));
}

// Each string type has its own empty block: holders of one do not count on
// the other's, and its own capacity policy.
TYPED_TEST(RWStringBlockTest, EmptyBlockAndCapacityPolicyAreEachTypesOwn) {
  using S = TypeParam;
  using Other = typename Twin<S>::Other;
  using Char = typename Twin<S>::Char;
  const S empty;
  const Other otherEmpty;
  EXPECT_NE(static_cast<const void*>(empty.Data()), static_cast<const void*>(otherEmpty.Data()));
  const uint32_t mine = HeaderOf(empty.Data()).refs, theirs = HeaderOf(otherEmpty.Data()).refs;
  {
    S a, b(size_t(0));
    EXPECT_EQ(HeaderOf(empty.Data()).refs, mine + 2);
    EXPECT_EQ(HeaderOf(otherEmpty.Data()).refs, theirs);
  }
  EXPECT_EQ(HeaderOf(empty.Data()).refs, mine);

  EXPECT_EQ(S::SetInitialCapacity(7), 15u);
  EXPECT_EQ(S::SetResizeIncrement(8), 16u);
  EXPECT_EQ(S::SetMaxWaste(3), 15u);
  EXPECT_EQ(S::RoundCapacity(16), 23u);
  EXPECT_EQ(Other::RoundCapacity(16), 31u);
  EXPECT_EQ(S(Char('x')).Capacity(), 7u);
  EXPECT_EQ(Other::SetMaxWaste(15), 15u);

  // Removing 5 of 20 characters in a block of 20 leaves 5 of waste: beyond
  // this type's 3 the block is remade at RoundCapacity(15) = 15.
  S s(Char('a'), 20);
  s.ReplaceRange(0, 5, nullptr, 0);
  EXPECT_EQ(s.Capacity(), 15u);
  EXPECT_EQ(Text(s), std::basic_string<Char>(15, Char('a')));
}

// A null text counts as no characters wherever the shared operations take one.
TYPED_TEST(RWStringBlockTest, NullTextIsNoText) {
  using S = TypeParam;
  using Char = typename Twin<S>::Char;
  const Char* none = nullptr;
  S s(L<Char>("hello world").c_str());

  EXPECT_EQ(Text(S::ConcatText(s, none)), L<Char>("hello world"));
  EXPECT_EQ(Text(S::ConcatTextFirst(none, s)), L<Char>("hello world"));

  auto found = s.SubStringOfPattern(none, 3, 0);
  EXPECT_EQ(found.Start(), 3u);
  EXPECT_EQ(found.Extent(), 0u);
  EXPECT_TRUE(found.EqualsText(none));
  EXPECT_TRUE(s.SubStringOfPattern(L<Char>("zz").c_str(), 0, 0).EqualsText(none));

  auto hello = s.SubStringView(0, 5);
  EXPECT_FALSE(hello.EqualsText(none));
  hello.AssignText(none);
  EXPECT_EQ(hello.Extent(), 0u);
  EXPECT_EQ(Text(s), L<Char>(" world"));

  s.AssignText(none);
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_EQ(s.Data()[0], 0);
}

}  // namespace
