#include "model/GLocaleInfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "rw/RWReadTable.h"
#include "support/ModelRoundTrip.h"
#include "w32test/Testing.h"

namespace {

class GLocaleInfoTest : public ::testing::Test {
 protected:
  void SetUp() override { w32test::Reset(); }
};

TEST_F(GLocaleInfoTest, NewSnapshotHoldsTheUnitedStatesDefaults) {
  const GLocaleInfo info;
  EXPECT_EQ(info.FeatureId(), 0);
  EXPECT_EQ(info.ClassId(), 3u);
  EXPECT_EQ(info.country, 1);
  EXPECT_EQ(info.currencyDigits, 2);
  EXPECT_EQ(info.currencyFormat, 0);
  EXPECT_EQ(info.dateOrder, 0);
  EXPECT_EQ(info.digits, 2);
  EXPECT_EQ(info.leadingZero, 1);
  EXPECT_EQ(info.measure, 1);
  EXPECT_EQ(info.negativeCurrency, 1);
  EXPECT_EQ(info.timeFormat, 0);
  EXPECT_EQ(info.timeLeadingZero, 0);
  EXPECT_EQ(info.locale, 409);
  EXPECT_TRUE(info.amSymbol == "AM");
  EXPECT_TRUE(info.pmSymbol == "PM");
  EXPECT_TRUE(info.countryName == "United States");
  EXPECT_TRUE(info.currencySymbol == "$");
  EXPECT_TRUE(info.dateSeparator == "/");
  EXPECT_TRUE(info.decimalSeparator == ".");
  EXPECT_TRUE(info.language == "ENU");
  EXPECT_TRUE(info.listSeparator == ",");
  EXPECT_TRUE(info.longDateFormat == "dddd, MMMM dd, yyyy");
  EXPECT_TRUE(info.shortDateFormat == "M/d/yy");
  EXPECT_TRUE(info.thousandSeparator == ",");
  EXPECT_TRUE(info.timeSeparator == ":");

  const int32_t id = 12;
  const GLocaleInfo withId(id);
  EXPECT_EQ(withId.FeatureId(), 12);
  EXPECT_TRUE(withId.countryName == "United States");
  EXPECT_TRUE(info.DerivesFrom(3));
  EXPECT_TRUE(info.DerivesFrom(751));
  EXPECT_FALSE(info.DerivesFrom(763));
}

TEST_F(GLocaleInfoTest, EveryFieldTakesPartInMatching) {
  using Change = void (*)(GLocaleInfo&);
  const Change changes[] = {
      [](GLocaleInfo& i) { i.SetCountry(49); },         [](GLocaleInfo& i) { i.SetCurrencyDigits(3); },
      [](GLocaleInfo& i) { i.SetCurrencyFormat(3); },   [](GLocaleInfo& i) { i.SetDateOrder(1); },
      [](GLocaleInfo& i) { i.SetDigits(3); },           [](GLocaleInfo& i) { i.SetLeadingZero(0); },
      [](GLocaleInfo& i) { i.SetMeasure(0); },          [](GLocaleInfo& i) { i.SetNegativeCurrency(8); },
      [](GLocaleInfo& i) { i.SetTimeFormat(1); },       [](GLocaleInfo& i) { i.SetTimeLeadingZero(1); },
      [](GLocaleInfo& i) { i.SetLocale(407); },         [](GLocaleInfo& i) { i.SetAMSymbol("am"); },
      [](GLocaleInfo& i) { i.SetPMSymbol(""); },        [](GLocaleInfo& i) { i.SetCountryName("Germany"); },
      [](GLocaleInfo& i) { i.SetCurrencySymbol("EUR"); }, [](GLocaleInfo& i) { i.SetDateSeparator("."); },
      [](GLocaleInfo& i) { i.SetDecimalSeparator(","); }, [](GLocaleInfo& i) { i.SetLanguage("DEU"); },
      [](GLocaleInfo& i) { i.SetListSeparator(";"); },  [](GLocaleInfo& i) { i.SetLongDateFormat("dddd"); },
      [](GLocaleInfo& i) { i.SetShortDateFormat("d.M.yy"); }, [](GLocaleInfo& i) { i.SetThousandSeparator("."); },
      [](GLocaleInfo& i) { i.SetTimeSeparator("."); },
  };
  const GLocaleInfo base;
  for (size_t n = 0; n < sizeof changes / sizeof changes[0]; ++n) {
    SCOPED_TRACE(n);
    GLocaleInfo changed(base);
    EXPECT_EQ(changed.Matches(&base), 1);
    changes[n](changed);
    EXPECT_EQ(changed.Matches(&base), 0);
    EXPECT_EQ(base.Matches(&changed), 0);
    EXPECT_FALSE(changed.IsEqual(&base));
  }
  EXPECT_EQ(base.Matches(&base), 1);
  EXPECT_EQ(base.Matches(nullptr), 0);
}

TEST_F(GLocaleInfoTest, TextsCompareByLengthAndBytes) {
  GLocaleInfo a;
  GLocaleInfo b(a);
  a.timeSeparator = RWCString(":\0x", 3);
  b.timeSeparator = RWCString(":\0y", 3);
  EXPECT_EQ(a.Matches(&b), 0);
  b.timeSeparator = RWCString(":\0x", 3);
  EXPECT_EQ(a.Matches(&b), 1);
  b.timeSeparator = RWCString(":\0x\0", 4);
  EXPECT_EQ(a.Matches(&b), 0);
}

TEST_F(GLocaleInfoTest, CopyAndAssignmentTakeIdSerialAndFields) {
  const int32_t id = 5;
  GLocaleInfo original(id);
  original.SetLocale(1031);
  original.SetCountryName("Deutschland");
  const GLocaleInfo copy(original);
  EXPECT_EQ(copy.GetSerial(), original.GetSerial());
  EXPECT_EQ(copy.Matches(&original), 1);
  GLocaleInfo assigned;
  assigned = original;
  EXPECT_EQ(assigned.GetSerial(), original.GetSerial());
  EXPECT_EQ(assigned.FeatureId(), 5);
  EXPECT_EQ(assigned.Matches(&original), 1);
  std::unique_ptr<GLocaleInfo> clone(original.Clone());
  EXPECT_EQ(clone->Matches(&original), 1);
}

TEST_F(GLocaleInfoTest, RoundTripsInEveryFormIncludingEmptyTexts) {
  const int32_t id = 31;
  GLocaleInfo info(id);
  info.SetCountry(-7);
  info.SetLocale(0x7FFFFFFF);
  info.SetMeasure(0);
  info.SetAMSymbol("");
  info.SetPMSymbol(nullptr);
  info.SetCountryName("Suisse romande");
  info.SetLongDateFormat("dddd d MMMM yyyy");
  info.SetThousandSeparator("'");
  qvtest::ExpectRoundTripsInAllForms(info);
  qvtest::ExpectStoredByteCountIsWritten(info);
  qvtest::ExpectRoundTripsInAllForms(GLocaleInfo());
}

TEST_F(GLocaleInfoTest, StoreSizeCountsEachTextWithItsLength) {
  GLocaleInfo info;
  uint32_t texts = 0;
  for (const char* t : {"AM", "PM", "United States", "$", "/", ".", "ENU", ",", "dddd, MMMM dd, yyyy", "M/d/yy", ",",
                        ":"}) {
    texts += static_cast<uint32_t>(std::strlen(t)) + 4;
  }
  EXPECT_EQ(info.MembersStoreSize(), 12u + 48u + texts);
  info.SetCountryName("");
  EXPECT_EQ(info.MembersStoreSize(), 12u + 48u + texts - 13u);
}

TEST_F(GLocaleInfoTest, StoredBodyHasTheVersionNumbersThenTexts) {
  GLocaleInfo info;
  info.SetSerial(9);
  const std::string bytes = qvtest::SaveInForm(&info, qvtest::ModelForm::kFile);
  qvtest::StoredBytes expected;
  expected.Marker().U16(3).Base(0, 9).U32(1);
  for (uint32_t n : {1u, 2u, 0u, 0u, 2u, 1u, 1u, 1u, 0u, 0u, 409u}) expected.U32(n);
  ASSERT_GE(bytes.size(), expected.Bytes().size() + 4 + 2);
  EXPECT_EQ(bytes.substr(0, expected.Bytes().size()), expected.Bytes());
  // The first text: its length, then "AM".
  EXPECT_EQ(bytes.substr(expected.Bytes().size(), 6), std::string("\x02\x00\x00\x00" "AM", 6));
}

TEST_F(GLocaleInfoTest, TruncatedBodyFailsTheRestore) {
  GLocaleInfo info;
  const std::string bytes = qvtest::SaveInForm(&info, qvtest::ModelForm::kFile);
  for (size_t cut : {size_t{10}, size_t{30}, bytes.size() - 1}) {
    SCOPED_TRACE(cut);
    qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.substr(0, cut), qvtest::ModelForm::kFile);
    EXPECT_TRUE(read.failed);
    delete read.object;
  }
}

}  // namespace
