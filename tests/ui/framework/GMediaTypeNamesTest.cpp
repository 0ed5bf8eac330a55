// The two mappings between stored media names and the string ids the paper
// type lists show.
#include "ui/framework/GMediaTypeNames.h"

#include <gtest/gtest.h>

#include <string>

#include "resources/StringTable.h"

namespace {

std::string MediaTypeStr(const RWCString& s) { return std::string(s.Data(), s.Length()); }

struct NamedRow {
  int16_t id;
  const char* stored;
};

constexpr NamedRow kRows[] = {
    {11101, ""},           {11102, "Plain"},       {11103, "Preprinted"},
    {11104, "Letterhead"}, {11105, "Transparency"}, {11106, "Prepunched"},
    {11107, "Labels"},     {11108, "Bond"},        {11109, "Recycled"},
    {11110, "Color"},      {11111, "Card Stock"},  {11112, "Rough"},
};

TEST(MediaTypeNames, EveryTableRowMapsBothWays) {
  for (const NamedRow& row : kRows) {
    SCOPED_TRACE(row.id);
    EXPECT_EQ(MediaTypeNameToStringId(RWCString(row.stored)), row.id);
    RWCString text("left over");
    MediaTypeStringIdToName(row.id, text);
    EXPECT_EQ(MediaTypeStr(text), row.stored);
  }
}

TEST(MediaTypeNames, NamesOutsideTheTableAreReportedNames) {
  // The shown text of a row is not its stored name, and the match is exact.
  for (const char* name : {"Heavy", "Cardstock", "plain", "Plain ", " ", "Auto Select"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(MediaTypeNameToStringId(RWCString(name)), kFirstReportedMediaId);
  }
  // A name with an embedded terminator is not the table's name.
  EXPECT_EQ(MediaTypeNameToStringId(RWCString("Plain\0x", 7)), kFirstReportedMediaId);
}

TEST(MediaTypeNames, IdsWithoutARowGiveAutomaticUpToTheTableEnd) {
  for (int16_t id : {int16_t{0}, int16_t{-1}, int16_t{11100}, int16_t{-32768}}) {
    SCOPED_TRACE(id);
    RWCString text("Plain");
    MediaTypeStringIdToName(id, text);
    EXPECT_EQ(MediaTypeStr(text), "");
  }
}

TEST(MediaTypeNames, ReportedIdsKeepTheTextTheyCameWith) {
  for (int16_t id : {int16_t{11113}, int16_t{11144}, int16_t{11148}, int16_t{32767}}) {
    SCOPED_TRACE(id);
    RWCString text("Heavy Glossy");
    MediaTypeStringIdToName(id, text);
    EXPECT_EQ(MediaTypeStr(text), "Heavy Glossy");
  }
}

TEST(MediaTypeNames, TheStringTableShowsEveryRow) {
  const auto& table = ModuleStringTable();
  const char16_t* shown[] = {u"Auto Select", u"Plain",    u"Preprinted", u"Letterhead",
                             u"Transparency", u"Prepunched", u"Labels", u"Bond",
                             u"Recycled",    u"Color",    u"Cardstock",  u"Rough"};
  for (int i = 0; i < 12; ++i) {
    const UINT id = static_cast<UINT>(kAutoSelectMediaId + i);
    SCOPED_TRACE(id);
    const auto it = table.find(id);
    ASSERT_NE(it, table.end());
    EXPECT_EQ(it->second, shown[i]);
  }
}

}  // namespace
