#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "winnt40/GNT40CapabilityRecords.h"

namespace {

uint16_t Word(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
uint32_t Dword(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
         (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
std::string Narrow(const std::vector<uint8_t>& b, size_t at) {
  return std::string(reinterpret_cast<const char*>(&b[at]));
}

std::u16string Wide(const std::vector<char16_t>& entries, size_t index, size_t length) {
  std::u16string s;
  for (size_t i = 0; i < length && entries[index * length + i] != 0; ++i) s += entries[index * length + i];
  return s;
}

TEST(GNT40CapabilityRecordsTest, PrivateRecordHasItsTagAndThreeTexts) {
  // A guard byte after the record shows that exactly 1538 bytes are written.
  std::vector<uint8_t> out(GNT40CapabilityRecords::kPrivateRecordSize + 1, 0xCC);
  GNT40CapabilityRecords::WritePrivateRecord(out.data());
  EXPECT_EQ(Word(out, 0), 22098);
  EXPECT_EQ(Narrow(out, 2), "QVGDI6");
  EXPECT_EQ(Narrow(out, 514), "syshnts.hlp");
  EXPECT_EQ(Narrow(out, 1026), "hints_system");
  // Each text field is zero-padded to its end.
  EXPECT_EQ(out[513], 0);
  EXPECT_EQ(out[1537], 0);
  EXPECT_EQ(out[1538], 0xCC);
}

TEST(GNT40CapabilityRecordsTest, NupChoices) {
  std::vector<DWORD> out(6, 0xDEADBEEF);
  GNT40CapabilityRecords::WriteNupChoices(out.data());
  EXPECT_EQ(out, (std::vector<DWORD>{2, 4, 6, 9, 16, 0xDEADBEEF}));
}

TEST(GNT40CapabilityRecordsTest, PersonalityWidensEachByteAndStopsAt32) {
  struct Case {
    std::string text;
    std::u16string expected;
  } cases[] = {
      {"PCL XL", u"PCL XL"},
      {"", u""},
      // High bytes widen as unsigned values, one character each.
      {"\xE9t\xE9", u"\u00e9t\u00e9"},
      {std::string(40, 'P'), std::u16string(32, u'P')},
  };
  for (const Case& c : cases) {
    std::vector<char16_t> out(33, u'#');
    GNT40CapabilityRecords::WritePersonality(out.data(), RWCString(c.text.c_str()));
    EXPECT_EQ(Wide(out, 0, 32), c.expected) << c.text;
    for (size_t i = c.expected.size(); i < 32; ++i) EXPECT_EQ(out[i], 0) << i;
    EXPECT_EQ(out[32], u'#') << "written past the 32-character entry";
  }
}

TEST(GNT40CapabilityRecordsTest, BinNamesFitTheirEntryWithATerminator) {
  std::vector<char16_t> out(3 * 24, u'#');
  GNT40CapabilityRecords::WriteBinName(out.data(), 0, u" ", RWWString(u"Tray 1"));
  GNT40CapabilityRecords::WriteBinName(out.data(), 1, u" ", RWWString(u"A very long tray name that overflows"));
  GNT40CapabilityRecords::WriteBinName(out.data(), 2, nullptr, RWWString(u"Output bin"));
  EXPECT_EQ(Wide(out, 0, 24), u" Tray 1");
  EXPECT_EQ(Wide(out, 1, 24), u" A very long tray name ");
  EXPECT_EQ(out[24 + 23], 0);
  EXPECT_EQ(Wide(out, 2, 24), u"Output bin");
  EXPECT_EQ(out[2 * 24 + 23], 0);
}

TEST(GNT40CapabilityRecordsTest, HostMarkOnAFullDevMode) {
  std::vector<uint8_t> dm(1172, 0xAB);
  dm[68] = 220 & 0xFF;
  dm[69] = 0;
  ASSERT_TRUE(GNT40CapabilityRecords::WriteHostMark(dm.data(), dm.size()));
  EXPECT_EQ(Word(dm, 70), 952);
  EXPECT_EQ(Dword(dm, 220), 0x51565156u);
  EXPECT_EQ(Word(dm, 224), 152);
  for (size_t i = 226; i < 372; ++i) ASSERT_EQ(dm[i], 0) << i;
  EXPECT_EQ(dm[372], 0xAB);
}

TEST(GNT40CapabilityRecordsTest, HostMarkNeverWritesPastTheWrittenBytes) {
  // A public-only DEVMODE (220 bytes written) has no room for the block:
  // nothing changes, not even dmDriverExtra.
  std::vector<uint8_t> dm(220, 0);
  dm[68] = 220;
  dm[70] = 0;
  EXPECT_FALSE(GNT40CapabilityRecords::WriteHostMark(dm.data(), dm.size()));
  EXPECT_EQ(Word(dm, 70), 0);

  // A dmSize that points beyond the written bytes is refused too.
  std::vector<uint8_t> odd(1172, 0);
  odd[68] = 0x00;
  odd[69] = 0x10;  // 4096
  EXPECT_FALSE(GNT40CapabilityRecords::WriteHostMark(odd.data(), odd.size()));

  // Room for the block but not for 1172 - dmSize: dmDriverExtra stays
  // inside the buffer.
  std::vector<uint8_t> small(220 + 200, 0xAB);
  small[68] = 220;
  small[69] = 0;
  ASSERT_TRUE(GNT40CapabilityRecords::WriteHostMark(small.data(), small.size()));
  EXPECT_EQ(Word(small, 70), 200);
  EXPECT_EQ(Dword(small, 220), 0x51565156u);
}

}  // namespace
