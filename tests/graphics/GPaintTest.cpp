// The solid paint: applying itself to a peripheral as pen or brush colour,
// holding its colour, matching, and its stored form.
#include "graphics/GPaint.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/GValueAttribute.h"
#include "rw/RWFactory.h"
#include "rw/RWPersistence.h"
#include "support/ModelRoundTrip.h"
#include "support/RecordingPeripheral.h"
#include "w32test/Testing.h"

namespace {

using qvtest::ModelForm;
using qvtest::StoredBytes;

// Records the colour operations with the paint they were given.
class PaintRecorder : public qvtest::RecordingPeripheral {
 public:
  int16_t SetPenColor(GColorPaint* paint) override { return Note("SetPenColor", paint); }
  int16_t SetBrushColor(GColorPaint* paint) override { return Note("SetBrushColor", paint); }

  std::vector<std::string> names;
  std::vector<const GColorPaint*> paints;
  int16_t status = 0;

 private:
  int16_t Note(const char* name, GColorPaint* paint) {
    names.push_back(name);
    paints.push_back(paint);
    return status;
  }
};

TEST(GPaintTest, IsRegisteredAndDerivesFromThePaintAndTheModelBase) {
  std::unique_ptr<RWCollectable> made(RWFactoryCreate(GColorPaintClassId));
  auto* paint = dynamic_cast<GColorPaint*>(made.get());
  ASSERT_NE(paint, nullptr);
  EXPECT_EQ(paint->GetColor(), nullptr);
  for (RWClassID id : {152, 151, 751}) EXPECT_TRUE(paint->DerivesFrom(id)) << id;
  EXPECT_FALSE(paint->DerivesFrom(51));
}

TEST(GPaintTest, AppliesItselfThroughThePeripheralsPenAndBrushColourOperations) {
  GColorPaint paint(new GRGBColor(1, 2, 3, 255));
  PaintRecorder peripheral;
  peripheral.status = 7;
  EXPECT_EQ(paint.ApplyAsPen(&peripheral), 7);
  peripheral.status = 0;
  EXPECT_EQ(paint.ApplyAsBrush(&peripheral), 0);
  EXPECT_EQ(peripheral.names, (std::vector<std::string>{"SetPenColor", "SetBrushColor"}));
  EXPECT_EQ(peripheral.paints, (std::vector<const GColorPaint*>{&paint, &paint}));
  // The peripheral base does nothing and answers done; no target is done too.
  qvtest::RecordingPeripheral plain;
  EXPECT_EQ(paint.ApplyAsPen(&plain), 0);
  EXPECT_EQ(paint.ApplyAsBrush(nullptr), 0);
}

TEST(GPaintTest, OwnsItsColourAndCopiesCloneIt) {
  auto* red = new GRGBColor(255, 0, 0, 255);
  GColorPaint paint(red);
  EXPECT_EQ(paint.GetColor(), red);  // taken, not copied

  GColorPaint copy(paint);
  ASSERT_NE(copy.GetColor(), nullptr);
  EXPECT_NE(copy.GetColor(), red);
  EXPECT_TRUE(copy.GetColor()->Matches(red));

  GColorPaint assigned(new GRGBColor(0, 0, 255, 255));
  assigned = paint;
  EXPECT_NE(assigned.GetColor(), red);
  EXPECT_TRUE(assigned.GetColor()->Matches(red));
  GColorPaint empty;
  assigned = empty;
  EXPECT_EQ(assigned.GetColor(), nullptr);

  // Giving the paint the colour it holds keeps it; a new one replaces it.
  paint.SetColor(paint.GetColor());
  ASSERT_EQ(paint.GetColor(), red);
  EXPECT_EQ(red->GetRed(), 255);
  paint.SetColor(nullptr);
  EXPECT_EQ(paint.GetColor(), nullptr);
  // A paint assigned to itself keeps its colour.
  GColorPaint self(new GRGBColor(9, 9, 9, 255));
  GColor* held = self.GetColor();
  self = *&self;
  EXPECT_EQ(self.GetColor(), held);
}

TEST(GPaintTest, MatchesComparesFeatureIdsAndTheColoursWhenBothHaveOne) {
  const int32_t id = 5;
  const int32_t other = 6;
  GColorPaint red(new GRGBColor(255, 0, 0, 255));
  GColorPaint red2(new GRGBColor(255, 0, 0, 255));
  GColorPaint blue(new GRGBColor(0, 0, 255, 255));
  GColorPaint none;
  EXPECT_TRUE(red.Matches(&red2));
  EXPECT_FALSE(red.Matches(&blue));
  // A paint without colour matches any paint of the same feature id.
  EXPECT_TRUE(none.Matches(&red));
  EXPECT_TRUE(blue.Matches(&none));
  red2.SetFeatureId(id);
  EXPECT_FALSE(red.Matches(&red2));
  none.SetFeatureId(other);
  EXPECT_FALSE(none.Matches(&red2));
  GValueAttribute value(0, &id);
  EXPECT_FALSE(red2.Matches(&value));
  EXPECT_TRUE(red.Matches(&red));
}

TEST(GPaintTest, StoredFormHoldsTheColourOrTheNullObject) {
  const int32_t id = 31;
  GColorPaint paint(new GRGBColor(10, 20, 30, 255));
  paint.SetFeatureId(id);
  qvtest::ExpectRoundTripsInAllForms(paint);
  qvtest::ExpectStoredByteCountIsWritten(paint);
  // base, GPaint version, own version, the framed colour (tag and body).
  EXPECT_EQ(paint.MembersStoreSize(), 12u + 4u + 4u + 2u + 24u);

  GColorPaint empty;
  qvtest::ExpectRoundTripsInAllForms(empty);
  qvtest::ExpectStoredByteCountIsWritten(empty);
  EXPECT_EQ(empty.MembersStoreSize(), 12u + 4u + 4u + 6u);

  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&paint, form), form);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* restored = dynamic_cast<GColorPaint*>(read.object);
    ASSERT_NE(restored, nullptr);
    auto* color = dynamic_cast<GRGBColor*>(restored->GetColor());
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(color->GetBlue(), 30);
  }
}

TEST(GPaintTest, ReadingIntoAPaintReplacesItsColourOnlyForVersionOne) {
  GColorPaint source(new GRGBColor(1, 1, 1, 255));
  const std::string stored = qvtest::SaveInForm(&source, ModelForm::kFile);
  // Read in place, into a paint that holds another colour.
  w32test::MakeDirectories(u"C:\\ModelTests");
  w32test::PutFile(qvtest::ModelTestFilePathW(), stored);
  GColorPaint target(new GRGBColor(2, 2, 2, 255));
  {
    RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
    EXPECT_EQ(RWReadObjectIntoFromFile(file, &target), &target);
  }
  ASSERT_NE(target.GetColor(), nullptr);
  EXPECT_TRUE(target.GetColor()->Matches(source.GetColor()));

  // Own version 2: the colour stays.
  GColorPaint kept(new GRGBColor(3, 3, 3, 255));
  w32test::PutFile(qvtest::ModelTestFilePathW(), StoredBytes().Base(0, 1).U32(1).U32(2).Ref(0).Bytes());
  {
    RWBinaryFile file(qvtest::ModelTestFilePath(), "rb");
    kept.RestoreMembersFromFile(file);
  }
  ASSERT_NE(kept.GetColor(), nullptr);
  EXPECT_EQ(static_cast<GRGBColor*>(kept.GetColor())->GetRed(), 3);
}

TEST(GPaintTest, AnObjectThatIsNoColourInTheColourPlaceFailsTheRestore) {
  const int32_t id = 8;
  const std::string bytes = StoredBytes()
                                .Marker()
                                .U16(GColorPaintClassId)
                                .Base(0, 1)
                                .U32(1)
                                .U32(1)
                                .U16(GValueAttributeClassId)
                                .Bytes();
  // The attribute's body as the model writes it.
  GValueAttribute value(4, &id);
  const std::string valueBody = qvtest::SaveInForm(&value, ModelForm::kFile).substr(6);
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes + valueBody, ModelForm::kFile);
  EXPECT_TRUE(read.failed);
  EXPECT_EQ(read.object, nullptr);
  delete read.object;
}

}  // namespace
