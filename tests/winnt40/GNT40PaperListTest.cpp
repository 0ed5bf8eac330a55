#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "winnt40/GNT40PaperList.h"

namespace {

std::u16string Name(const GNT40PaperList& list, int i) { return std::u16string(list.NameAt(i)); }

TEST(GNT40PaperListTest, AppendStopsAtTheRoom) {
  GNT40PaperList list;
  ASSERT_TRUE(list.Prepare(2));
  EXPECT_TRUE(list.Append(u"Letter", 6, 1, 2159, 2794));
  EXPECT_TRUE(list.Append(u"A4", 2, 9, 2100, 2970));
  EXPECT_FALSE(list.Append(u"Legal", 5, 5, 2159, 3556));
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(Name(list, 1), u"A4");
  EXPECT_EQ(list.NumberAt(1), 9);
  EXPECT_EQ(list.HeightAt(0), 2794);
}

TEST(GNT40PaperListTest, RebuildStartsEmptyAndGrowsWhenTheFormsGrew) {
  GNT40PaperList list;
  ASSERT_TRUE(list.Prepare(2));
  list.Append(u"Letter", 6, 1, 1, 1);
  list.Append(u"Custom Size", 11, 256, 0, 0);
  // A second build over the same room starts from an empty list.
  ASSERT_TRUE(list.Prepare(2));
  EXPECT_EQ(list.Count(), 0);
  // More forms than the room: the room grows and every entry fits.
  ASSERT_TRUE(list.Prepare(40));
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(list.Append(u"Form", 4, static_cast<WORD>(i + 1), i, i));
  EXPECT_EQ(list.Count(), 40);
  EXPECT_GE(list.Capacity(), 40);
  // Fewer forms keep the room.
  ASSERT_TRUE(list.Prepare(3));
  EXPECT_GE(list.Capacity(), 40);
  EXPECT_FALSE(list.Prepare(-1));
  EXPECT_EQ(list.Capacity(), 0);
}

TEST(GNT40PaperListTest, NamesAreCutToTheirEntry) {
  GNT40PaperList list;
  ASSERT_TRUE(list.Prepare(1));
  const std::u16string longName(100, u'x');
  list.Append(longName.data(), longName.size(), 1, 0, 0);
  EXPECT_EQ(Name(list, 0), std::u16string(63, u'x'));
  // A name is read only up to its stated length.
  ASSERT_TRUE(list.Prepare(1));
  list.Append(u"Executive", 4, 7, 0, 0);
  EXPECT_EQ(Name(list, 0), u"Exec");
}

TEST(GNT40PaperListTest, CopiesWriteCountEntriesOnly) {
  GNT40PaperList list;
  ASSERT_TRUE(list.Prepare(5));
  list.Append(u"Letter", 6, 1, 2159, 2794);
  list.Append(u"Custom Size", 11, 256, 100, 200);

  std::vector<char16_t> names(3 * 64, u'#');
  std::vector<WORD> numbers(3, 0xFFFF);
  std::vector<LONG> sizes(6, -7);
  list.CopyNames(names.data());
  list.CopyNumbers(numbers.data());
  list.CopySizes(sizes.data());
  EXPECT_EQ(std::u16string(names.data()), u"Letter");
  EXPECT_EQ(std::u16string(names.data() + 64), u"Custom Size");
  EXPECT_EQ(names[128], u'#');
  EXPECT_EQ(numbers, (std::vector<WORD>{1, 256, 0xFFFF}));
  EXPECT_EQ(sizes, (std::vector<LONG>{2159, 2794, 100, 200, -7, -7}));
  list.CopyNames(nullptr);  // skipped
}

}  // namespace
