// Palettes: the default black-and-white palette, construction from colours,
// entry look-up and its index check, the gray test, matching, and the
// stored form with damaged inputs.
#include "graphics/GPaletteTable.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/GValueAttribute.h"
#include "rw/RWFactory.h"
#include "support/ErrorCapture.h"
#include "support/ModelRoundTrip.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

// The stored bytes of a colour body (after its class tag) for hand-made inputs.
std::string ColorBody(uint8_t r, uint8_t g, uint8_t b) {
  return StoredBytes().Base(0, 1).U32(1).U32(1).Bytes() +
         std::string{static_cast<char>(r), static_cast<char>(g), static_cast<char>(b), '\xFF'};
}

std::string PaletteHead(uint32_t count) {
  return StoredBytes().Marker().U16(GPaletteTableClassId).Base(0, 1).U32(1).U32(count).Bytes();
}

TEST(GPaletteTableTest, TheDefaultPaletteIsWhiteThenBlack) {
  std::unique_ptr<RWCollectable> made(RWFactoryCreate(GPaletteTableClassId));
  auto* palette = dynamic_cast<GPaletteTable*>(made.get());
  ASSERT_NE(palette, nullptr);
  ASSERT_EQ(palette->GetCount(), 2u);
  GRGBColor white(255, 255, 255, 255);
  GRGBColor black(0, 0, 0, 255);
  EXPECT_TRUE(palette->GetEntry(0)->Matches(&white));
  EXPECT_TRUE(palette->GetEntry(1)->Matches(&black));
  for (RWClassID id : {553, 751}) EXPECT_TRUE(palette->DerivesFrom(id)) << id;
}

TEST(GPaletteTableTest, IsGrayUntilAnEntryHasUnequalComponents) {
  GPaletteTable palette;
  EXPECT_EQ(palette.IsGray(), 1);
  palette.AddEntry(new GRGBColor(255, 0, 0, 255));
  EXPECT_EQ(palette.IsGray(), 0);

  struct Case {
    std::vector<GRGBColor> colors;
    int gray;
  };
  const Case cases[] = {
      {{}, 1},
      {{GRGBColor(7, 7, 7, 0), GRGBColor(200, 200, 200, 9)}, 1},
      {{GRGBColor(7, 7, 8, 255)}, 0},
      {{GRGBColor(7, 8, 7, 255)}, 0},
      {{GRGBColor(1, 1, 1, 255), GRGBColor(8, 7, 7, 255)}, 0},
  };
  for (const Case& c : cases) {
    std::vector<GColor*> colors;
    for (const GRGBColor& color : c.colors) colors.push_back(const_cast<GRGBColor*>(&color));
    GPaletteTable made(colors);
    EXPECT_EQ(made.IsGray(), c.gray) << c.colors.size();
  }
}

TEST(GPaletteTableTest, BuildingFromColoursClonesThemAndLeavesThemToTheCaller) {
  GRGBColor red(255, 0, 0, 255);
  GRGBColor green(0, 255, 0, 255);
  std::vector<GColor*> colors{&red, nullptr, &green};
  GPaletteTable palette(colors);
  ASSERT_EQ(palette.GetCount(), 2u);  // the null colour is passed over
  EXPECT_NE(palette.GetEntry(0), &red);
  EXPECT_TRUE(palette.GetEntry(0)->Matches(&red));
  EXPECT_TRUE(palette.GetEntry(1)->Matches(&green));

  GPaletteTable copy(palette);
  ASSERT_EQ(copy.GetCount(), 2u);
  EXPECT_NE(copy.GetEntry(1), palette.GetEntry(1));
  EXPECT_TRUE(copy.Matches(&palette));

  // Assignment replaces the entries but keeps the feature id.
  const int32_t id = 17;
  GPaletteTable assigned;
  assigned.SetFeatureId(id);
  assigned.AddEntry(new GRGBColor(1, 2, 3, 4));
  assigned = palette;
  EXPECT_EQ(assigned.FeatureId(), id);
  ASSERT_EQ(assigned.GetCount(), 2u);
  EXPECT_TRUE(assigned.GetEntry(0)->Matches(&red));
  assigned = *&assigned;
  EXPECT_EQ(assigned.GetCount(), 2u);
}

TEST(GPaletteTableTest, AnIndexAtOrBeyondTheCountRaisesTheIndexErrorAndGivesNothing) {
  GPaletteTable palette;
  EXPECT_NE(qvtest::RaisedText([&] { palette.GetEntry(2); }), "");
  EXPECT_NE(qvtest::RaisedText([&] { palette.GetEntry(0xFFFFFFFFu); }), "");
  EXPECT_EQ(qvtest::RaisedText([&] { palette.GetEntry(1); }), "");
  qvtest::ScopedErrorCapture capture;
  EXPECT_EQ(palette.GetEntry(2), nullptr);
  EXPECT_EQ(qvtest::ScopedErrorCapture::Texts().size(), 1u);
}

TEST(GPaletteTableTest, MatchesComparesIdCountAndEveryEntry) {
  GPaletteTable a;
  GPaletteTable b;
  EXPECT_TRUE(a.Matches(&b));
  b.AddEntry(new GRGBColor(1, 1, 1, 255));
  EXPECT_FALSE(a.Matches(&b));
  a.AddEntry(new GRGBColor(1, 1, 2, 255));
  EXPECT_FALSE(a.Matches(&b));
  GPaletteTable c;
  c.SetFeatureId(4);
  GPaletteTable d;
  EXPECT_FALSE(c.Matches(&d));
  GRGBColor color;
  EXPECT_FALSE(c.Matches(&color));
}

TEST(GPaletteTableTest, StoredFormRoundTripsWithEveryEntry) {
  std::vector<GColor*> none;
  GPaletteTable empty(none);
  qvtest::ExpectRoundTripsInAllForms(empty);
  qvtest::ExpectStoredByteCountIsWritten(empty);
  EXPECT_EQ(empty.MembersStoreSize(), 20u);

  GPaletteTable palette;
  for (int i = 0; i < 100; ++i) palette.AddEntry(new GRGBColor(i, 2 * i, 255 - i, 255));
  palette.SetFeatureId(3);
  qvtest::ExpectRoundTripsInAllForms(palette);
  qvtest::ExpectStoredByteCountIsWritten(palette);
  EXPECT_EQ(palette.MembersStoreSize(), 20u + 102u * (2u + 24u));
}

TEST(GPaletteTableTest, ADamagedCountReadsOnlyTheEntriesThatAreThere) {
  // A count of four thousand million with two entries stored.
  const std::string bytes = PaletteHead(0xFFFFFFF0u) + StoredBytes().U16(GRGBColorClassId).Bytes() +
                            ColorBody(1, 2, 3) + StoredBytes().U16(GRGBColorClassId).Bytes() + ColorBody(4, 5, 6);
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  EXPECT_TRUE(read.failed);
  EXPECT_EQ(read.object, nullptr);
  delete read.object;
}

TEST(GPaletteTableTest, ASharedEntryIsReadOnceAndHeldSafely) {
  // Entry 1 refers back to entry 0 (the palette is object 1, the colour 2).
  const std::string bytes =
      PaletteHead(2) + StoredBytes().U16(GRGBColorClassId).Bytes() + ColorBody(9, 9, 9) + StoredBytes().Ref(2).Bytes();
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  ASSERT_FALSE(read.failed);
  std::unique_ptr<MPersistentObject> owned(read.object);
  auto* palette = dynamic_cast<GPaletteTable*>(read.object);
  ASSERT_NE(palette, nullptr);
  ASSERT_EQ(palette->GetCount(), 2u);
  EXPECT_EQ(palette->GetEntry(0), palette->GetEntry(1));
  EXPECT_EQ(palette->IsGray(), 1);
  // Stored again, the shared entry is a back reference and the count is right.
  qvtest::ExpectStoredByteCountIsWritten(*palette);
  qvtest::ExpectRoundTripsInAllForms(*palette);
  // Copies hold entries of their own.
  GPaletteTable copy(*palette);
  EXPECT_NE(copy.GetEntry(0), copy.GetEntry(1));
}

TEST(GPaletteTableTest, ANullEntryOrAnEntryThatIsNoColourFailsTheRestore) {
  const int32_t id = 3;
  GValueAttribute value(1, &id);
  const std::string valueBody = qvtest::SaveInForm(&value, ModelForm::kFile).substr(6);
  const std::string entry = StoredBytes().U16(GRGBColorClassId).Bytes() + ColorBody(1, 2, 3);
  const std::string cases[] = {
      PaletteHead(3) + entry + StoredBytes().Ref(0).Bytes() + entry,
      PaletteHead(2) + entry + StoredBytes().U16(GValueAttributeClassId).Bytes() + valueBody,
      // The palette itself in its own entry list.
      PaletteHead(1) + StoredBytes().Ref(1).Bytes(),
  };
  for (const std::string& bytes : cases) {
    qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
    EXPECT_TRUE(read.failed);
    EXPECT_EQ(read.object, nullptr);
    delete read.object;
  }
}

TEST(GPaletteTableTest, AnotherVersionKeepsTheEntries) {
  w32test::MakeDirectories(u"C:\\ModelTests");
  w32test::PutFile(qvtest::ModelTestFilePathW(), StoredBytes().Base(0, 1).U32(2).U32(0).Bytes());
  GPaletteTable palette;
  {
    RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
    palette.RestoreMembersFromFile(file);
  }
  EXPECT_EQ(palette.GetCount(), 2u);
}

}  // namespace
