// The settings-to-lines table: its rows are well formed, every value row
// writes only its own variable whatever the value, and a value row's
// conditions and value map work as data (a new setting line is a row).
#include "pdl/GPjlSettingsTable.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "model/GFeatureIds.h"
#include "model/GValueAttribute.h"
#include "pdl/GPJL.h"
#include "pdl/GPjlLineWriter.h"

namespace {

// A job whose settings section is a PJL peripheral's.
class GPjlSettingsTableTest : public ::testing::Test {
 protected:
  GState* Settings() { return pjl.GetStateSection(GFeatureIds::kJobSettings); }
  void Set(int32_t id, int16_t value) {
    if (auto* held = dynamic_cast<GValueAttribute*>(Settings()->FindById(id))) {
      held->SetValue(value);
      return;
    }
    Settings()->AddChild(new GValueAttribute(value, &id));
  }
  std::string Lines(const GPjlSettingRow& row) {
    RWCString text;
    GPjlLineWriter out(text);
    GPjlSettingsTable::AppendRow(out, row, GPjlJob{Settings(), nullptr, nullptr});
    return std::string(text.Data(), text.Length());
  }
  GPJL pjl;
};

TEST_F(GPjlSettingsTableTest, RowsAreNamedOnceAndValueRowsReadTheirOwnSetting) {
  std::set<std::string> names;
  std::set<int32_t> valueFeatures;
  for (const GPjlSettingRow& row : GPjlSettingsTable::Rows()) {
    ASSERT_NE(row.name, nullptr);
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(names.insert(row.name).second) << "one row per setting";
    EXPECT_NE(row.feature, 0);
    ASSERT_NE(row.variable, nullptr);
    if (row.writer != nullptr) continue;
    EXPECT_TRUE(valueFeatures.insert(row.feature).second) << "two rows would write the setting twice";
    const std::string variable = row.variable;
    EXPECT_TRUE(!variable.empty() && variable.back() == '=') << variable;
    if (row.map.kind == GPjlValueMap::kTexts) EXPECT_FALSE(row.map.texts.empty());
    // A value is one word after the variable, not a second variable.
    for (const char* text : row.map.texts) EXPECT_TRUE(GPjlLineWriter::IsLanguageName(text)) << text;
    if (row.map.unlisted == GPjlUnlisted::kFallback && *row.map.fallback != '\0')
      EXPECT_TRUE(GPjlLineWriter::IsLanguageName(row.map.fallback)) << row.map.fallback;
  }
}

// Whatever value a setting holds, its row writes one SET line of its own
// variable, the bare SET line its map asks for, or nothing.
TEST_F(GPjlSettingsTableTest, EveryValueOfAValueRowWritesItsVariableOnly) {
  for (const GPjlSettingRow& row : GPjlSettingsTable::Rows()) {
    if (row.writer != nullptr) continue;
    SCOPED_TRACE(row.name);
    if (row.when.requiredId != 0) Set(row.when.requiredId, row.when.requiredValue);
    if (row.when.blockingId != 0) Set(row.when.blockingId, static_cast<int16_t>(row.when.blockingValue + 1));
    const std::string line = "@PJL SET " + std::string(row.variable);
    std::vector<int32_t> values = {INT16_MIN, -1, 0, 1, INT16_MAX};
    for (int32_t v = row.map.first - 2; v <= row.map.first + static_cast<int32_t>(row.map.texts.size()) + 1; ++v)
      values.push_back(v);
    size_t written = 0;
    for (int32_t v : values) {
      if (v < INT16_MIN || v > INT16_MAX) continue;
      Set(row.feature, static_cast<int16_t>(v));
      const std::string lines = Lines(row);
      if (lines.empty()) continue;
      ++written;
      if (row.map.unlisted == GPjlUnlisted::kBareSetLine && lines == "@PJL SET \r\n") continue;
      EXPECT_EQ(lines.compare(0, line.size(), line), 0) << v << ": " << lines;
      EXPECT_EQ(lines.find("\r\n"), lines.size() - 2) << v << ": one line";
    }
    EXPECT_GT(written, 0u) << "some value writes the line";
  }
}

// A row of the table's own kind, as a new setting line would be added.
const char* const kLevels[] = {"LOW", "HIGH"};
const GPjlSettingRow kLevelRow{.name = "Level",
                               .feature = 3001,
                               .variable = "LEVEL=",
                               .map = {.kind = GPjlValueMap::kTexts,
                                       .first = 1,
                                       .texts = kLevels,
                                       .unlisted = GPjlUnlisted::kFallback,
                                       .fallback = "AUTO"},
                               .when = {.minimum = 0, .requiredId = 3002, .requiredValue = 1}};
const GPjlSettingRow kCountRow{.name = "Count",
                               .feature = 3003,
                               .variable = "COUNT=",
                               .map = {.kind = GPjlValueMap::kDecimal},
                               .when = {.minimum = 2, .blockingId = 3004, .blockingValue = 1}};

struct RowCase {
  const char* name;
  const GPjlSettingRow* row;
  std::vector<std::pair<int32_t, int16_t>> values;
  std::string lines;
};

class GPjlSettingRowTest : public GPjlSettingsTableTest, public ::testing::WithParamInterface<RowCase> {};

TEST_P(GPjlSettingRowTest, WritesItsLine) {
  for (const auto& [id, value] : GetParam().values) Set(id, value);
  EXPECT_EQ(Lines(*GetParam().row), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GPjlSettingRowTest,
    ::testing::Values(RowCase{"Absent", &kLevelRow, {{3002, 1}}, ""},
                      RowCase{"FirstText", &kLevelRow, {{3001, 1}, {3002, 1}}, "@PJL SET LEVEL=LOW\r\n"},
                      RowCase{"LastText", &kLevelRow, {{3001, 2}, {3002, 1}}, "@PJL SET LEVEL=HIGH\r\n"},
                      RowCase{"UnlistedBelow", &kLevelRow, {{3001, 0}, {3002, 1}}, "@PJL SET LEVEL=AUTO\r\n"},
                      RowCase{"UnlistedAbove", &kLevelRow, {{3001, 3}, {3002, 1}}, "@PJL SET LEVEL=AUTO\r\n"},
                      RowCase{"BelowTheMinimum", &kLevelRow, {{3001, -1}, {3002, 1}}, ""},
                      RowCase{"WithoutTheRequiredSetting", &kLevelRow, {{3001, 1}}, ""},
                      RowCase{"WithAnotherRequiredValue", &kLevelRow, {{3001, 1}, {3002, 2}}, ""},
                      RowCase{"Decimal", &kCountRow, {{3003, 12}}, "@PJL SET COUNT=12\r\n"},
                      RowCase{"DecimalAtItsLimit", &kCountRow, {{3003, INT16_MAX}}, "@PJL SET COUNT=32767\r\n"},
                      RowCase{"DecimalBelowTheMinimum", &kCountRow, {{3003, 1}}, ""},
                      RowCase{"Blocked", &kCountRow, {{3003, 5}, {3004, 1}}, ""},
                      RowCase{"NotBlockedByAnotherValue", &kCountRow, {{3003, 5}, {3004, 0}},
                              "@PJL SET COUNT=5\r\n"}),
    [](const ::testing::TestParamInfo<RowCase>& info) { return std::string(info.param.name); });

}  // namespace
