// The version record of stored model data: packed version arithmetic, the
// stored order of its fields and long or damaged string lists.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/GPMDVersionInfo.h"
#include "support/ModelRoundTrip.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

const int32_t kPMDVersionInfoId = 0;

TEST(GPMDVersionInfoTest, IncrementsCountUpUnlessTheFieldIsFull) {
  GPMDVersionInfo info(0x00020005, 0x0002FFFF, 1, kPMDVersionInfoId);
  EXPECT_EQ(info.IncrementFirstMajor(), 2);
  EXPECT_EQ(info.GetFirstVersion(), 0x00030000u);
  EXPECT_EQ(info.IncrementSecondMinor(), 0xFFFF);
  EXPECT_EQ(info.GetSecondVersion(), 0x0002FFFFu);
  EXPECT_EQ(info.IncrementFirstMinor(), 0);
  EXPECT_EQ(info.GetFirstVersion(), 0x00030001u);

  GPMDVersionInfo full(0xFFFF0007, 0x00010001, 1, kPMDVersionInfoId);
  EXPECT_EQ(full.IncrementFirstMajor(), 0xFFFF);
  EXPECT_EQ(full.GetFirstVersion(), 0xFFFF0007u);
  EXPECT_EQ(full.IncrementSecondMajor(), 1);
  EXPECT_EQ(full.GetSecondVersion(), 0x00020000u);
}

TEST(GPMDVersionInfoTest, TheDefaultAndTheStoredOrder) {
  GPMDVersionInfo defaults;
  EXPECT_EQ(defaults.GetValue(), 1);
  EXPECT_EQ(defaults.GetStrings().Count(), 0u);

  GPMDVersionInfo info(0x00010002, 0x00030004, 7, kPMDVersionInfoId);
  info.SetSerial(2);
  info.SetFirstInt(8);
  info.SetSecondInt(9);
  info.AddString("ab");
  const std::string expected = StoredBytes()
                                   .Marker()
                                   .U16(GPMDVersionInfoClassId)
                                   .Base(kPMDVersionInfoId, 2)
                                   .U32(1)
                                   .U32(0x00030004)  // the second version first
                                   .U32(0x00010002)
                                   .U16(7)
                                   .U32(8)
                                   .U32(9)
                                   .U32(1)
                                   .U32(2)
                                   .Bytes() +
                               "ab";
  EXPECT_EQ(qvtest::SaveInForm(&info, ModelForm::kFile), expected);
  qvtest::ExpectStoredByteCountIsWritten(info);
  qvtest::ExpectRoundTripsInAllForms(info);
}

TEST(GPMDVersionInfoTest, MatchesComparesEveryValueAndTheStringsInOrder) {
  GPMDVersionInfo a(1, 2, 3, kPMDVersionInfoId);
  a.AddString("x");
  a.AddString("y");
  std::unique_ptr<GPMDVersionInfo> b(a.Clone());
  EXPECT_TRUE(a.Matches(b.get()));
  b->ClearStrings();
  b->AddString("y");
  b->AddString("x");
  EXPECT_FALSE(a.Matches(b.get()));
  std::unique_ptr<GPMDVersionInfo> c(a.Clone());
  c->SetSecondInt(1);
  EXPECT_FALSE(a.Matches(c.get()));
}

TEST(GPMDVersionInfoTest, SeventyStoredStringsAllComeBack) {
  GPMDVersionInfo info(1, 2, 3, kPMDVersionInfoId);
  for (int i = 0; i < 70; ++i) info.AddString(RWCString(std::to_string(i).c_str()));
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&info, form), form);
    ASSERT_NE(read.object, nullptr);
    std::unique_ptr<MPersistentObject> restored(read.object);
    const RWStringVector& strings = static_cast<GPMDVersionInfo*>(restored.get())->GetStrings();
    ASSERT_EQ(strings.Count(), 70u);
    EXPECT_STREQ(strings.Data()[69].Data(), "69");
  }
  qvtest::ExpectStoredByteCountIsWritten(info);
}

TEST(GPMDVersionInfoTest, AHugeStringCountFailsAtTheEndOfInput) {
  StoredBytes bytes;
  bytes.Marker().U16(GPMDVersionInfoClassId).Base(kPMDVersionInfoId, 2).U32(1).U32(0).U32(0).U16(1).U32(0).U32(0);
  bytes.U32(0xFFFFFFFF).U32(1);
  const std::string input = bytes.Bytes() + "z";
  qvtest::ModelRead read = qvtest::RestoreFromForm(input, ModelForm::kFile);
  EXPECT_EQ(read.object, nullptr);
  EXPECT_TRUE(read.failed);
}

}  // namespace
