// The capability set: bits beyond the count, growth on Set, the list
// queries, and the stored form with damaged bit counts.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/GCapabilities.h"
#include "support/ModelRoundTrip.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

const int32_t kId = 17;

TEST(GCapabilitiesTest, BitsBeyondTheCountTestClearAndCannotBeCleared) {
  GCapabilities caps(kId, 8, 3);
  EXPECT_EQ(caps.Has(3), 1);
  EXPECT_EQ(caps.Has(8), 0);
  EXPECT_EQ(caps.Has(0xFFFFFFFF), 0);
  caps.ClearBit(100);
  EXPECT_EQ(caps.GetBitCount(), 8u);
  caps.ClearBit(3);
  EXPECT_EQ(caps.Has(3), 0);
  EXPECT_EQ(GCapabilities().GetBitCount(), 0u);
}

TEST(GCapabilitiesTest, SetGrowsTheSetToTheBit) {
  GCapabilities caps(kId, 8);
  caps.Set(8);
  EXPECT_EQ(caps.GetBitCount(), 9u);
  EXPECT_EQ(caps.Has(8), 1);
  EXPECT_EQ(caps.CountSet(), 1u);
  EXPECT_EQ(caps.MembersStoreSize(), 12u + 8u + 2u);  // two stored bytes

  const uint32_t list[] = {2, 40, 5};
  caps.SetMany(list, 3);
  EXPECT_EQ(caps.GetBitCount(), 41u);
  EXPECT_EQ(caps.CountSet(), 4u);
  caps.SetMany(list, 0);
  EXPECT_EQ(caps.GetBitCount(), 41u);
  caps.ClearMany(list, 3);
  EXPECT_EQ(caps.CountSet(), 1u);

  // No bit count can hold bit 0xFFFFFFFF: it is not set, and nothing grows.
  caps.Set(0xFFFFFFFF);
  const uint32_t top[] = {0xFFFFFFFF, 9};
  caps.SetMany(top, 2);
  EXPECT_EQ(caps.GetBitCount(), 41u);
  EXPECT_EQ(caps.Has(9), 1);
}

TEST(GCapabilitiesTest, ListQueries) {
  const uint32_t set[] = {1, 4};
  GCapabilities caps(kId, 16, set, 2);
  const uint32_t beyond[] = {1, 4, 16};
  const uint32_t mixed[] = {2, 4};
  const uint32_t none[] = {0, 2, 99};
  EXPECT_EQ(caps.HasAll(nullptr, 0), 1);
  EXPECT_EQ(caps.HasAny(nullptr, 0), 0);
  EXPECT_EQ(caps.HasAll(set, 2), 1);
  EXPECT_EQ(caps.HasAll(beyond, 3), 0);
  EXPECT_EQ(caps.HasAny(beyond, 3), 1);
  EXPECT_EQ(caps.HasAll(mixed, 2), 0);
  EXPECT_EQ(caps.HasAny(mixed, 2), 1);
  EXPECT_EQ(caps.HasAny(none, 3), 0);
}

TEST(GCapabilitiesTest, MatchesNeedsTheSameCountAndBits) {
  GCapabilities a(kId, 9, 3);
  std::unique_ptr<GCapabilities> copy(a.Clone());
  EXPECT_TRUE(a.Matches(copy.get()));
  EXPECT_EQ(copy->GetSerial(), a.GetSerial());
  EXPECT_FALSE(a.Matches(std::make_unique<GCapabilities>(kId, 10, 3).get()));
  EXPECT_FALSE(a.Matches(std::make_unique<GCapabilities>(kId, 9, 4).get()));
  EXPECT_FALSE(a.Matches(std::make_unique<GCapabilities>(kId + 1, 9, 3).get()));
}

TEST(GCapabilitiesTest, StoredFormsCarryTheCountAndItsBytes) {
  GCapabilities nine(kId, 9, 8);
  nine.Set(0);
  nine.SetSerial(3);
  const std::string expected =
      StoredBytes().Marker().U16(GCapabilitiesClassId).Base(kId, 3).U32(1).U32(9).U16(0x0101).Bytes();
  EXPECT_EQ(qvtest::SaveInForm(&nine, ModelForm::kFile), expected);
  qvtest::ExpectStoredByteCountIsWritten(nine);
  qvtest::ExpectRoundTripsInAllForms(nine);

  GCapabilities empty(kId);
  empty.SetSerial(3);
  EXPECT_EQ(qvtest::SaveInForm(&empty, ModelForm::kFile),
            StoredBytes().Marker().U16(GCapabilitiesClassId).Base(kId, 3).U32(1).U32(0).Bytes());
  qvtest::ExpectStoredByteCountIsWritten(empty);
  qvtest::ExpectRoundTripsInAllForms(empty);

  // Every byte value of the bits through the text and tagged forms too.
  GCapabilities wide(kId, 2048);
  for (uint32_t bit = 0; bit < 2048; bit += 3) wide.Set(bit);
  qvtest::ExpectRoundTripsInAllForms(wide);
}

TEST(GCapabilitiesTest, AStoredEmptySetLeavesTheBitsThereWere) {
  GCapabilities caps(kId, 12, 5);
  w32test::MakeDirectories(u"C:\\ModelTests");
  w32test::PutFile(qvtest::ModelTestFilePathW(), StoredBytes().Base(kId, 3).U32(1).U32(0).U32(0xABCD).Bytes());
  RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
  caps.RestoreMembersFromFile(file);
  EXPECT_EQ(caps.GetBitCount(), 12u);
  EXPECT_EQ(caps.Has(5), 1);
  uint32_t next = 0;
  EXPECT_TRUE(file.ReadULong(next));
  EXPECT_EQ(next, 0xABCDu);
}

TEST(GCapabilitiesTest, AHugeBitCountFailsAtTheEndOfInputInEveryForm) {
  // 2^32 - 1 bits claimed (half a gigabyte of bits), two bytes present.
  const std::string file =
      StoredBytes().Marker().U16(GCapabilitiesClassId).Base(kId, 3).U32(1).U32(0xFFFFFFFF).U16(0x0101).Bytes();
  qvtest::ModelRead read = qvtest::RestoreFromForm(file, ModelForm::kFile);
  EXPECT_EQ(read.object, nullptr);
  EXPECT_TRUE(read.failed);

  GCapabilities big(kId, 4000, 3999);
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    const std::string saved = qvtest::SaveInForm(&big, form);
    read = qvtest::RestoreFromForm(saved.substr(0, saved.size() - 200), form);
    EXPECT_EQ(read.object, nullptr);
    EXPECT_TRUE(read.failed);
  }
}

}  // namespace
