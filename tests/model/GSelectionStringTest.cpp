// The string with a 16-bit value: matching and its stored form, in which the
// text comes before the value.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "model/GSelectionString.h"
#include "support/ModelRoundTrip.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

TEST(GSelectionStringTest, MatchesNeedsTheSameIdValueAndText) {
  const int32_t id = 3;
  const int32_t other = 4;
  GSelectionString bin("Stacker", 260, id);
  EXPECT_TRUE(bin.Matches(&bin));
  EXPECT_TRUE(bin.Matches(std::make_unique<GSelectionString>("Stacker", 260, id).get()));
  EXPECT_FALSE(bin.Matches(std::make_unique<GSelectionString>("Stacker", 260, other).get()));
  EXPECT_FALSE(bin.Matches(std::make_unique<GSelectionString>("Stacker", 261, id).get()));
  EXPECT_FALSE(bin.Matches(std::make_unique<GSelectionString>("stacker", 260, id).get()));
  // Embedded NULs count.
  GSelectionString a(RWCString("a\0b", 3), 1, id);
  GSelectionString b(RWCString("a\0c", 3), 1, id);
  EXPECT_FALSE(a.Matches(&b));

  std::unique_ptr<GSelectionString> clone(bin.Clone());
  EXPECT_EQ(clone->GetSerial(), bin.GetSerial());
  EXPECT_TRUE(clone->Matches(&bin));
}

TEST(GSelectionStringTest, TheTextIsStoredBeforeTheValue) {
  const int32_t id = 3;
  GSelectionString bin("Top", -2, id);
  bin.SetSerial(5);
  const std::string expected = StoredBytes().Marker().U16(GSelectionStringClassId).Base(3, 5).U32(1).U32(3).Bytes() +
                               "Top" + StoredBytes().U16(0xFFFE).Bytes();
  EXPECT_EQ(qvtest::SaveInForm(&bin, ModelForm::kFile), expected);
  qvtest::ExpectStoredByteCountIsWritten(bin);
  qvtest::ExpectRoundTripsInAllForms(bin);
  qvtest::ExpectRoundTripsInAllForms(GSelectionString());
}

TEST(GSelectionStringTest, ATextCutShortFailsTheRestore) {
  const std::string bytes =
      StoredBytes().Marker().U16(GSelectionStringClassId).Base(3, 5).U32(1).U32(0x7FFFFFFF).Bytes() + "Top";
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  EXPECT_EQ(read.object, nullptr);
  EXPECT_TRUE(read.failed);
}

}  // namespace
