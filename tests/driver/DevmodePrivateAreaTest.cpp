// Tests of the DEVMODE byte layout helpers: little-endian fields, the
// wide-character fields and the bounded image of a DEVMODE from outside.
#include <gtest/gtest.h>

#include <vector>

#include "driver/DevmodePrivateArea.h"

namespace {

using PA = DevmodePrivateArea;

TEST(DevmodePrivateArea, FieldsAreLittleEndianAtTheWindowsOffsets) {
  std::vector<uint8_t> dm(PA::kTotalSize, 0);
  PA::SetWord(dm.data(), offsetof(DEVMODEW, dmSize), 220);
  PA::SetDword(dm.data(), offsetof(DEVMODEW, dmFields), 0x01020304);
  PA::SetShort(dm.data(), offsetof(DEVMODEW, dmPrintQuality), -4);
  EXPECT_EQ(dm[68], 220);
  EXPECT_EQ(dm[69], 0);
  EXPECT_EQ(dm[72], 0x04);
  EXPECT_EQ(dm[75], 0x01);
  EXPECT_EQ(dm[90], 0xFC);
  EXPECT_EQ(dm[91], 0xFF);
  EXPECT_EQ(PA::GetShort(dm.data(), 90), -4);
  EXPECT_EQ(PA::kTotalSize, 1172u);
  EXPECT_EQ(PA::kDriverExtra, 952u);
}

TEST(DevmodePrivateArea, WideFieldsKeepTheirLastCharacterZero) {
  std::vector<uint8_t> dm(PA::kTotalSize, 0xFF);
  const RWWString longName(u"A printer name of more than thirty-two characters");
  PA::SetWideField(dm.data(), 0, CCHDEVICENAME, longName);
  EXPECT_EQ(PA::GetWord(dm.data(), 62), 0);
  EXPECT_EQ(PA::GetWideField(dm.data(), 0, CCHDEVICENAME).Length(), 31u);
  EXPECT_FALSE(PA::WideFieldEquals(dm.data(), 0, CCHDEVICENAME, longName));
  PA::SetWideField(dm.data(), 0, CCHDEVICENAME, RWWString(u"Short"));
  EXPECT_TRUE(PA::WideFieldEquals(dm.data(), 0, CCHDEVICENAME, RWWString(u"Short")));
  EXPECT_EQ(PA::GetWord(dm.data(), 12), 0);  // the rest zero-filled
}

TEST(DevmodePrivateArea, ImageReadsNoMoreThanTheDevmodeSpans) {
  // A 156-byte DEVMODE of an older version: fields beyond it lose their
  // bits, and there is no private part.
  std::vector<uint8_t> older(156, 0x11);
  PA::SetWord(older.data(), offsetof(DEVMODEW, dmSize), 156);
  PA::SetWord(older.data(), offsetof(DEVMODEW, dmDriverExtra), 0);
  PA::SetFields(older.data(), DM_ORIENTATION | DM_COLLATE | DM_FORMNAME | DM_ICMMETHOD);
  std::vector<uint8_t> image(PA::kTotalSize);
  PA::MakeImage(older.data(), image.data());
  EXPECT_EQ(PA::GetFields(image.data()), static_cast<uint32_t>(DM_ORIENTATION | DM_COLLATE));
  EXPECT_EQ(image[155], 0x11);
  EXPECT_EQ(image[156], 0);
  EXPECT_EQ(PA::GetWord(image.data(), offsetof(DEVMODEW, dmDriverExtra)), 0);

  // A 220-byte public part with a short private part: only that is copied.
  std::vector<uint8_t> shortPrivate(220 + 10, 0x22);
  PA::SetWord(shortPrivate.data(), offsetof(DEVMODEW, dmSize), 220);
  PA::SetWord(shortPrivate.data(), offsetof(DEVMODEW, dmDriverExtra), 10);
  PA::MakeImage(shortPrivate.data(), image.data());
  EXPECT_EQ(image[229], 0x22);
  EXPECT_EQ(image[230], 0);
  EXPECT_EQ(PA::Extent(image.data()), 230u);

  // A dmSize beyond 220 is a public part this driver does not know: the
  // private part is not where this driver's is.
  std::vector<uint8_t> newer(300, 0x33);
  PA::SetWord(newer.data(), offsetof(DEVMODEW, dmSize), 240);
  PA::SetWord(newer.data(), offsetof(DEVMODEW, dmDriverExtra), 60);
  PA::MakeImage(newer.data(), image.data());
  EXPECT_EQ(PA::GetWord(image.data(), offsetof(DEVMODEW, dmSize)), 220);
  EXPECT_EQ(PA::GetWord(image.data(), offsetof(DEVMODEW, dmDriverExtra)), 0);
  EXPECT_EQ(image[220], 0);
}

}  // namespace
