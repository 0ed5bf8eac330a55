#include "model/GDeviceFontDescription.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/ModelRoundTrip.h"
#include "support/StoredBody.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBody;

GDeviceFontDescription::SymbolSetVector SymbolSets(std::initializer_list<int32_t> values) {
  GDeviceFontDescription::SymbolSetVector v(64);
  for (int32_t x : values) v.Append(x);
  return v;
}

GDeviceFontDescription MakeFont(std::initializer_list<int32_t> sets = {277, 14, 53}) {
  return GDeviceFontDescription(RWCString("Courier Bold"), RWCString("\x1b(s#HEIGHTV"), 277, SymbolSets(sets), 700,
                                1, 16, 1, 5, 12, 9, 4);
}

// The stored body of a description (after its class tag) for the given
// version: name "F", select "S", symbol sets {1, 2}.
StoredBody DescriptionBody(uint32_t version) {
  StoredBody body;
  body.Base(3, 44).U32(version).Str("F").Str("S").I32(21).U32(2).I32(1).I32(2);
  body.U16(400).I32(1).I32(32).I32(0).I32(2).U16(10);
  if (version >= 2) body.U16(77).I32(5);
  return body;
}

TEST(GDeviceFontDescription, DefaultsAreEmpty) {
  GDeviceFontDescription font;
  EXPECT_EQ(font.FeatureId(), 0);
  EXPECT_TRUE(font.GetName().Length() == 0 && font.GetSelectString().Length() == 0);
  EXPECT_EQ(font.GetSymbolSets().Count(), 0u);
  EXPECT_EQ(font.GetSymbolSets().Capacity(), 64u);
  EXPECT_EQ(font.GetWeight(), 0);
  EXPECT_EQ(font.GetLocation(), 0);
  EXPECT_TRUE(font.DerivesFrom(855) && font.DerivesFrom(751));
  EXPECT_FALSE(font.DerivesFrom(856));
}

TEST(GDeviceFontDescription, CopiesCarryIdSerialAndEveryField) {
  GDeviceFontDescription font = MakeFont();
  font.SetFeatureId(12);
  GDeviceFontDescription copy(font);
  EXPECT_EQ(copy.GetSerial(), font.GetSerial());
  EXPECT_TRUE(copy.Matches(&font));
  EXPECT_EQ(copy.GetSymbolSets().Capacity(), 64u);

  GDeviceFontDescription assigned;
  assigned = font;
  EXPECT_TRUE(assigned.Matches(&font));
  EXPECT_EQ(assigned.GetSerial(), font.GetSerial());
  assigned = assigned;  // to itself: unchanged
  EXPECT_TRUE(assigned.Matches(&font));
}

TEST(GDeviceFontDescription, MatchesComparesEveryFieldAndTheSymbolSetOrder) {
  GDeviceFontDescription font = MakeFont({1, 2});
  GDeviceFontDescription reordered = MakeFont({2, 1});
  EXPECT_FALSE(font.Matches(&reordered));
  GDeviceFontDescription shorter = MakeFont({1});
  EXPECT_FALSE(font.Matches(&shorter));
  GDeviceFontDescription otherCase(RWCString("courier bold"), font.GetSelectString(), 277, SymbolSets({1, 2}), 700,
                                   1, 16, 1, 5, 12, 9, 4);
  EXPECT_FALSE(font.Matches(&otherCase));
  GDeviceFontDescription otherLocation(font.GetName(), font.GetSelectString(), 277, SymbolSets({1, 2}), 700, 1, 16,
                                       1, 5, 12, 9, 7);
  EXPECT_FALSE(font.Matches(&otherLocation));
  GDeviceFontDescription same = MakeFont({1, 2});
  EXPECT_TRUE(font.Matches(&same));
  same.SetFeatureId(1);
  EXPECT_FALSE(font.Matches(&same));
}

TEST(GDeviceFontDescription, RoundTripsAndItsSizeIsWhatItWrites) {
  GDeviceFontDescription font = MakeFont();
  qvtest::ExpectRoundTripsInAllForms(font);
  qvtest::ExpectStoredByteCountIsWritten(font);
  EXPECT_EQ(font.MembersStoreSize(), 12u + 46 + 12 + 11 + 12);

  // Seventy symbol sets come back, in order.
  GDeviceFontDescription::SymbolSetVector many(64);
  for (int32_t i = 0; i < 70; ++i) many.Append(1000 - i);
  GDeviceFontDescription big(RWCString("B"), RWCString(), 0, many, 0, 0, 0, 0, 0, 0, 0, 0);
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&big, form), form);
    std::unique_ptr<MPersistentObject> copy(read.object);
    auto* restored = dynamic_cast<GDeviceFontDescription*>(copy.get());
    ASSERT_NE(restored, nullptr);
    ASSERT_EQ(restored->GetSymbolSets().Count(), 70u);
    EXPECT_EQ(restored->GetSymbolSets().Data()[69], 931);
  }
}

TEST(GDeviceFontDescription, StoredVersionsOneAndTwoRestoreAndVersionZeroReadsNothingMore) {
  for (uint32_t version : {1u, 2u, 3u}) {
    SCOPED_TRACE(version);
    StoredBody bytes;
    bytes.Top(855).Raw(DescriptionBody(version).Bytes());
    qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.Bytes(), ModelForm::kFile);
    std::unique_ptr<MPersistentObject> copy(read.object);
    auto* font = dynamic_cast<GDeviceFontDescription*>(copy.get());
    ASSERT_NE(font, nullptr);
    EXPECT_FALSE(read.failed);
    EXPECT_EQ(font->GetName(), RWCString("F"));
    EXPECT_EQ(font->GetSymbolSets().Count(), 2u);
    EXPECT_EQ(font->GetHeight(), 10);
    EXPECT_EQ(font->GetFontId(), version >= 2 ? 77 : 0);
    EXPECT_EQ(font->GetLocation(), version >= 2 ? 5 : 0);
  }

  // Version 0: the object keeps its values, the reading stops after it.
  w32test::MakeDirectories(u"C:\\ModelTests");
  w32test::PutFile(qvtest::ModelTestFilePathW(), StoredBody().Base(3, 44).U32(0).U32(0xABCD).Bytes());
  RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
  GDeviceFontDescription font = MakeFont();
  font.RestoreMembersFromFile(file);
  EXPECT_EQ(font.GetName(), RWCString("Courier Bold"));
  EXPECT_EQ(font.GetLocation(), 4);
  uint32_t next = 0;
  EXPECT_TRUE(file.ReadULong(next));
  EXPECT_EQ(next, 0xABCDu);
}

TEST(GDeviceFontDescription, DamagedInputFailsCleanly) {
  GDeviceFontDescription font = MakeFont();
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string bytes = qvtest::SaveInForm(&font, form);
    for (size_t length = 0; length < bytes.size(); ++length) {
      qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.substr(0, length), form);
      if (read.object != nullptr) {
        EXPECT_TRUE(font.Matches(read.object));
      }
      delete read.object;
    }
  }
  // A symbol-set count far beyond the data reserves nothing and fails.
  StoredBody bytes;
  bytes.Top(855).Base(3, 44).U32(2).Str("F").Str("S").I32(21).U32(0xFFFFFFF0u).I32(1).I32(2);
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes.Bytes(), ModelForm::kFile);
  EXPECT_EQ(read.object, nullptr);
  EXPECT_TRUE(read.failed);
}

}  // namespace
