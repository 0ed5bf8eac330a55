#include "model/GTintwrightAttribute.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/ModelRoundTrip.h"
#include "support/RecordingPeripheral.h"
#include "support/MediaTestSupport.h"

namespace {

using qvtest::MediaBytes;
using qvtest::ModelForm;

const int32_t kTintwrightAttributeColorControl = 295;
const int32_t kShifted = 227;
const int32_t kTintwrightAttributeOther = 296;

TEST(GTintwrightAttribute, GetSettingReadsTheTwoCodesOfTheThreeObjectTypes) {
  GTintwrightAttribute attribute(&kTintwrightAttributeColorControl, 1, 2, 3, 4, 5, 6);
  const struct {
    int type, which, ok;
    unsigned char code;
  } cases[] = {{0, 0, 1, 1}, {0, 1, 1, 2}, {1, 0, 1, 3}, {1, 1, 1, 4}, {2, 0, 1, 5},  {2, 1, 1, 6},
               {3, 0, 0, 0}, {0, 2, 0, 0}, {-1, 0, 0, 0}, {0, -1, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.type << " " << c.which);
    unsigned char out = 0xEE;
    EXPECT_EQ(attribute.GetSetting(c.type, c.which, &out), c.ok);
    EXPECT_EQ(out, c.ok ? c.code : 0xEE);
    EXPECT_EQ(attribute.SetSetting(c.type, c.which, 77), c.ok);
    if (c.ok) {
      attribute.GetSetting(c.type, c.which, &out);
      EXPECT_EQ(out, 77);
    }
  }
}

TEST(GTintwrightAttribute, EnhancedSelectorsAndVersion2KindsAndTheirRanges) {
  GTintwrightEnhancedAttribute enhanced(&kTintwrightAttributeColorControl);
  GTintwrightEnhancedAttributeVer2 ver2(&kTintwrightAttributeColorControl);
  const struct {
    int type, code, ok;
    unsigned char enhanced, ver2;
  } cases[] = {
      {0, 0, 1, 70, 70},  {1, 0, 1, 80, 80},  {2, 0, 1, 91, 91},   {0, 1, 1, 41, 41}, {1, 1, 1, 51, 51},
      {2, 1, 1, 61, 61},  {3, 2, 1, 95, 95},  {0, 2, 1, 95, 95},   {3, 0, 0, 0, 0},   {3, 1, 0, 0, 0},
      {4, 2, 0, 0, 0},    {-1, 2, 0, 0, 0},   {0, 4, 0, 0, 0},     {0, -1, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.type << " " << c.code);
    unsigned char out = 0xEE;
    EXPECT_EQ(enhanced.GetEnhancedSetting(c.type, c.code, &out), c.ok);
    EXPECT_EQ(out, c.ok ? c.enhanced : 0xEE);
    out = 0xEE;
    EXPECT_EQ(ver2.GetCode(c.type, c.code, &out), c.ok);
    EXPECT_EQ(out, c.ok ? c.ver2 : 0xEE);
  }
  // Selector / kind 3 is the RGB colour of all objects in the enhanced form
  // and the per-type sRGB colour in version 2.
  unsigned char out = 0;
  EXPECT_EQ(enhanced.GetEnhancedSetting(3, 3, &out), 1);
  EXPECT_EQ(out, 98);
  EXPECT_EQ(enhanced.GetEnhancedSetting(1, 3, &out), 1);
  EXPECT_EQ(ver2.GetCode(2, 3, &out), 1);
  EXPECT_EQ(out, 106);
  EXPECT_EQ(ver2.GetCode(0, 3, &out), 1);
  EXPECT_EQ(out, 100);
  EXPECT_EQ(ver2.GetCode(3, 3, &out), 0);

  EXPECT_EQ(enhanced.SetEnhancedSetting(3, 2, 96), 1);
  EXPECT_EQ(enhanced.SetEnhancedSetting(3, 0, 1), 0);
  EXPECT_EQ(ver2.SetCode(1, 3, 104), 1);
  EXPECT_EQ(ver2.SetCode(3, 3, 1), 0);
  enhanced.GetEnhancedSetting(0, 2, &out);
  EXPECT_EQ(out, 96);
  ver2.GetCode(1, 3, &out);
  EXPECT_EQ(out, 104);
}

TEST(GTintwrightAttribute, TheBasePartOfTheEnhancedFormsDependsOnTheFeatureId) {
  const struct {
    const int32_t* id;
    unsigned char a0, a1, a2;
  } cases[] = {{&kTintwrightAttributeColorControl, 15, 21, 31}, {&kShifted, 16, 22, 32}};
  for (const auto& c : cases) {
    GTintwrightEnhancedAttribute enhanced(c.id);
    GTintwrightEnhancedAttributeVer2 ver2(c.id);
    for (const GTintwrightAttribute* attribute : {static_cast<const GTintwrightAttribute*>(&enhanced),
                                                  static_cast<const GTintwrightAttribute*>(&ver2)}) {
      unsigned char a[3], b[3];
      for (int type = 0; type < 3; ++type) {
        attribute->GetSetting(type, 0, &a[type]);
        attribute->GetSetting(type, 1, &b[type]);
      }
      EXPECT_EQ(a[0], c.a0);
      EXPECT_EQ(a[1], c.a1);
      EXPECT_EQ(a[2], c.a2);
      EXPECT_EQ(b[0], 40);
      EXPECT_EQ(b[1], 50);
      EXPECT_EQ(b[2], 62);
    }
  }
}

TEST(GTintwrightAttribute, TheEnhancedFormsCompareOnlyTheirOwnCodes) {
  GTintwrightEnhancedAttribute a(&kTintwrightAttributeColorControl);
  GTintwrightEnhancedAttribute b(&kTintwrightAttributeColorControl);
  b.SetSetting(0, 0, 99);  // the inherited code is not the form's
  EXPECT_TRUE(a.Matches(&b));
  EXPECT_TRUE(a.SameSettings(b));
  b.SetEnhancedSetting(2, 1, 60);
  EXPECT_FALSE(a.Matches(&b));
  EXPECT_FALSE(a.SameSettings(b));
  a.CopySettings(b);
  EXPECT_TRUE(a.Matches(&b));

  GTintwrightEnhancedAttribute elsewhere(&kTintwrightAttributeOther);
  elsewhere.CopySettings(b);
  EXPECT_FALSE(elsewhere.Matches(&b));  // the feature ids differ
  EXPECT_TRUE(elsewhere.SameSettings(b));

  GTintwrightEnhancedAttributeVer2 v1(&kTintwrightAttributeColorControl);
  GTintwrightEnhancedAttributeVer2 v2(&kTintwrightAttributeColorControl);
  v2.SetSetting(2, 1, 1);
  EXPECT_TRUE(v1.Matches(&v2));
  v2.SetCode(0, 3, 101);
  EXPECT_FALSE(v1.Matches(&v2));
  v1.CopySettings(v2);
  EXPECT_TRUE(v1.SameSettings(v2));

  // Different forms never match.
  GTintwrightAttribute plain(&kTintwrightAttributeColorControl, 15, 40, 21, 50, 31, 62);
  EXPECT_FALSE(plain.Matches(&a));
  EXPECT_FALSE(a.Matches(&plain));
  EXPECT_FALSE(a.Matches(&v1));
  EXPECT_FALSE(plain.SameSettings(a));
}

TEST(GTintwrightAttribute, CopiesTakeTheBasePartWhileAssignmentTakesOnlyTheCodes) {
  GTintwrightEnhancedAttribute source(&kShifted);
  source.SetEnhancedSetting(0, 0, 1);
  source.changed = 0;
  GTintwrightEnhancedAttribute copy(source);
  unsigned char a = 0;
  copy.GetSetting(0, 0, &a);
  EXPECT_EQ(a, 16);
  EXPECT_TRUE(copy.Matches(&source));
  EXPECT_EQ(copy.changed, 0);

  GTintwrightEnhancedAttribute assigned(&kTintwrightAttributeColorControl);
  assigned = source;
  assigned.GetSetting(0, 0, &a);
  EXPECT_EQ(a, 15);  // its own base part stays
  EXPECT_EQ(assigned.FeatureId(), kShifted);
  EXPECT_TRUE(assigned.Matches(&source));
}

TEST(GTintwrightAttribute, EachFormHasItsClassAndAppliesNothing) {
  GTintwrightAttribute plain(&kTintwrightAttributeColorControl, 1, 2, 3, 4, 5, 6);
  GTintwrightEnhancedAttribute enhanced(&kTintwrightAttributeColorControl);
  GTintwrightEnhancedAttributeVer2 ver2(&kTintwrightAttributeColorControl);
  qvtest::RecordingPeripheral receiver;
  const struct {
    GTintwrightAttribute* attribute;
    RWClassID id;
  } cases[] = {{&plain, 792}, {&enhanced, 797}, {&ver2, 1201}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(c.attribute->ClassId(), c.id);
    EXPECT_EQ(c.attribute->GetTypeId(), c.id);
    EXPECT_TRUE(c.attribute->DerivesFrom(c.id) && c.attribute->DerivesFrom(753) && c.attribute->DerivesFrom(751));
    EXPECT_EQ(c.attribute->ApplyTo(&receiver), 0);
  }
  EXPECT_FALSE(enhanced.DerivesFrom(792));
  EXPECT_FALSE(ver2.DerivesFrom(792));
  EXPECT_TRUE(receiver.Calls().empty());
}

TEST(GTintwrightAttribute, StoredBodiesHoldEveryCodeAsAShort) {
  GTintwrightEnhancedAttributeVer2 ver2(&kTintwrightAttributeColorControl, 1, 2, 3, 4, 5, 6, 7, 8, 9, 200);
  ver2.SetSerial(3);
  const std::string expected = MediaBytes()
                                   .Marker()
                                   .U16(1201)
                                   .Attribute(kTintwrightAttributeColorControl, 3)
                                   .U32(1)
                                   .U16(1).U16(2).U16(3).U16(4).U16(5).U16(6).U16(7).U16(8).U16(9).U16(200)
                                   .Bytes();
  EXPECT_EQ(qvtest::SaveInForm(&ver2, ModelForm::kFile), expected);
  EXPECT_EQ(ver2.MembersStoreSize(), 20u + 24u);

  GTintwrightEnhancedAttribute enhanced(&kTintwrightAttributeColorControl, 70, 41, 80, 51, 91, 61, 94, 97);
  enhanced.SetSerial(3);
  const std::string enhancedBytes = MediaBytes()
                                        .Marker()
                                        .U16(797)
                                        .Attribute(kTintwrightAttributeColorControl, 3)
                                        .U32(1)
                                        .U16(70).U16(41).U16(80).U16(51).U16(91).U16(61).U16(94).U16(97)
                                        .Bytes();
  EXPECT_EQ(qvtest::SaveInForm(&enhanced, ModelForm::kFile), enhancedBytes);
  EXPECT_EQ(enhanced.MembersStoreSize(), 20u + 20u);
  EXPECT_EQ(GTintwrightAttribute(&kTintwrightAttributeColorControl, 1, 2, 3, 4, 5, 6).MembersStoreSize(), 20u + 16u);
}

TEST(GTintwrightAttribute, EveryFormRoundTripsAndARestoredEnhancedFormKeepsItsCodesOnly) {
  GTintwrightAttribute plain(&kTintwrightAttributeColorControl, 1, 2, 3, 4, 5, 6);
  GTintwrightEnhancedAttribute enhanced(&kTintwrightAttributeColorControl, 71, 42, 81, 52, 90, 60, 96, 99);
  enhanced.SetSetting(1, 1, 7);
  GTintwrightEnhancedAttributeVer2 ver2(&kShifted, 1, 2, 3, 4, 5, 6, 7, 8, 9, 93);
  for (const MPersistentObject* object : {static_cast<const MPersistentObject*>(&plain),
                                          static_cast<const MPersistentObject*>(&enhanced),
                                          static_cast<const MPersistentObject*>(&ver2)}) {
    qvtest::ExpectRoundTripsInAllForms(*object);
    qvtest::ExpectStoredByteCountIsWritten(*object);
  }
  qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&enhanced, ModelForm::kFile), ModelForm::kFile);
  std::unique_ptr<MPersistentObject> object(read.object);
  auto* restored = dynamic_cast<GTintwrightEnhancedAttribute*>(object.get());
  ASSERT_NE(restored, nullptr);
  unsigned char code = 0;
  restored->GetEnhancedSetting(3, 3, &code);
  EXPECT_EQ(code, 99);
  restored->GetSetting(1, 1, &code);
  EXPECT_EQ(code, 50);  // the class's base part, not the stored object's 7
}

TEST(GTintwrightAttribute, AnotherStoredVersionLeavesTheCodesAlone) {
  const std::string bytes = MediaBytes().Marker().U16(1201).Attribute(kTintwrightAttributeColorControl, 3).U32(2).U16(1).Bytes();
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  std::unique_ptr<MPersistentObject> object(read.object);
  auto* restored = dynamic_cast<GTintwrightEnhancedAttributeVer2*>(object.get());
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->FeatureId(), kTintwrightAttributeColorControl);
  EXPECT_TRUE(restored->SameSettings(GTintwrightEnhancedAttributeVer2(&kTintwrightAttributeColorControl)));
}

}  // namespace
