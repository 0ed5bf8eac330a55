// The style suffixes of descriptor font names and the fixed part of an
// entry.
#include "ui/pages/FontDescriptorFormat.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using fontdescriptor::AppendStyleSuffix;
using fontdescriptor::StripStyleSuffix;

std::string Str(const RWCString& s) { return std::string(s.Data(), s.Length()); }

TEST(FontDescriptorFormatTest, StyleSuffixesAreAddedAndCut) {
  struct Case {
    const char* name;
    int weight;
    int italic;
    const char* suffixed;
  } cases[] = {
      {"Arial", 400, 0, "Arial"},
      {"Arial", 699, 0, "Arial"},
      {"Arial", 700, 0, "Arial -Bd"},
      {"Arial", 900, 2, "Arial -Bd -It"},
      {"Arial", 100, -1, "Arial -It"},
      {"", 700, 1, " -Bd -It"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Str(AppendStyleSuffix(RWCString(c.name), c.weight, c.italic)), c.suffixed) << c.suffixed;
    EXPECT_EQ(Str(StripStyleSuffix(RWCString(c.suffixed))), c.name) << c.suffixed;
  }
  // What stands before the first suffix is kept, whatever follows it.
  EXPECT_EQ(Str(StripStyleSuffix(RWCString("Book -It -Bd"))), "Book");
  EXPECT_EQ(Str(StripStyleSuffix(RWCString("Book -Bdx"))), "Book");
  EXPECT_EQ(Str(StripStyleSuffix(RWCString("Book-Bd"))), "Book-Bd");
}

TEST(FontDescriptorFormatTest, FixedPartFields) {
  const GFontEntryFixedPart part(700, 1, 0x24, 0x83, -12, {210, 5, 207});
  EXPECT_EQ(part.Size(), 32u);
  EXPECT_EQ(part.StoredSize(), 32);
  EXPECT_EQ(part.Weight(), 700);
  EXPECT_EQ(part.Italic(), 1);
  EXPECT_EQ(part.Flags(), 0x24);
  EXPECT_TRUE(part.IsDisabled());
  EXPECT_EQ(part.FormatKind(), 3);
  EXPECT_EQ(part.PixelHeight(), -12);
  ASSERT_EQ(part.CodeCount(), 3);
  EXPECT_EQ(part.Code(2), 207);
  EXPECT_EQ(part.Code(3), 0);
  GFontEntryFixedPart enabled = part;
  enabled.SetDisabled(false);
  EXPECT_EQ(enabled.KindByte(), 0x03);
  // Only bit 7 of byte 21 differs.
  for (size_t i = 0; i < part.Size(); ++i)
    EXPECT_EQ(enabled.Bytes()[i] ^ part.Bytes()[i], i == 21 ? 0x80 : 0) << i;
  EXPECT_EQ(GFontEntryFixedPart().Size(), 26u);
  EXPECT_EQ(GFontEntryFixedPart().CodeCount(), 0);
}

}  // namespace
