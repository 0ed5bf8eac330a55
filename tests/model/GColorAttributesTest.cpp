#include "model/GColorAttributes.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "model/GAttributeComposite.h"
#include "model/GColorSettingGetters.h"
#include "model/GCountedPtr.h"
#include "model/GFeatureIds.h"
#include "model/GStringAttribute.h"
#include "model/GTintwrightAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentComposite.h"
#include "model/MPersistentAssociation.h"
#include "rw/RWFactory.h"
#include "support/ModelRoundTrip.h"
#include "support/RecordingPeripheral.h"
#include "support/MediaTestSupport.h"

namespace {

using qvtest::MediaBytes;
using qvtest::ModelForm;

const int32_t kSetting = 300;
const int32_t kOtherSetting = 301;
using GFeatureIds::kTintwrightColorSettings;
const int32_t kNoFeature = 0;
using GFeatureIds::kHalftoneCodes;
using GFeatureIds::kColorMapCodes;
using GFeatureIds::kNeutralGraysCodes;
using GFeatureIds::kEdgeControlCodes;
using GFeatureIds::kSRGBCodes;

// One row per class: how to make one, its class, default code, receiver
// operation and mapping list.
struct ColorClass {
  const char* name;
  std::function<GColorCodeAttribute*()> makeDefault;
  std::function<GColorCodeAttribute*(int32_t, const int32_t*)> make;
  RWClassID id;
  int16_t defaultValue;
  const char* operation;
  int32_t list;
};

template <typename T>
ColorClass Row(const char* name, RWClassID id, int16_t defaultValue, const char* operation, int32_t list) {
  return {name, [] { return new T; }, [](int32_t v, const int32_t* f) { return new T(v, f); }, id, defaultValue,
          operation, list};
}

const ColorClass kClasses[] = {
    Row<GSRGBExtension>("GSRGBExtension", 1202, 100, "SetSRGBExtension", kSRGBCodes),
    Row<GEdgeControl>("GEdgeControl", 799, 93, "SetEdgeControl", kEdgeControlCodes),
    Row<GSRGBColor>("GSRGBColor", 800, 98, "SetSRGBColor", kSRGBCodes),
    Row<GHalftoneEnhanced>("GHalftoneEnhanced", 790, 40, "SetHalftoneEnhanced", kHalftoneCodes),
    Row<GHalftone>("GHalftone", 790, 40, "SetHalftone", kHalftoneCodes),
    Row<GNeutralGrays>("GNeutralGrays", 798, 70, "SetNeutralGrays", kNeutralGraysCodes),
    Row<GColorMap>("GColorMap", 791, 15, "SetColorMap", kColorMapCodes),
};

// The device configuration: one list per kind mapping code c to 1000 + c,
// for codes 15, 40, 70, 93, 98 and 100; the sRGB list maps only 98 and 100,
// and 101 to a text.
GCountedPtr MakeDeviceSettings() {
  auto* settings = new MPersistentComposite(kNoFeature);
  for (int32_t list : {kHalftoneCodes, kColorMapCodes, kNeutralGraysCodes, kEdgeControlCodes}) {
    auto* associations = new MAssociationList(list);
    for (int16_t code : {15, 40, 70, 93, 98, 100})
      associations->Add(new MPersistentAssociation(new GValueAttribute(code, &kNoFeature),
                                                   new GValueAttribute(static_cast<int16_t>(1000 + code), &kNoFeature),
                                                   kNoFeature));
    settings->AddChild(associations);
  }
  auto* srgb = new MAssociationList(kSRGBCodes);
  srgb->Add(new MPersistentAssociation(new GValueAttribute(98, &kNoFeature), new GValueAttribute(1098, &kNoFeature),
                                       kNoFeature));
  srgb->Add(new MPersistentAssociation(new GValueAttribute(100, &kNoFeature), new GValueAttribute(1100, &kNoFeature),
                                       kNoFeature));
  srgb->Add(new MPersistentAssociation(new GValueAttribute(101, &kNoFeature),
                                       new GStringAttribute("sRGB", &kNoFeature), kNoFeature));
  settings->AddChild(srgb);
  return GCountedPtr(settings);
}

TEST(GColorAttributes, EachClassHasItsIdDefaultAndKind) {
  for (const ColorClass& c : kClasses) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GColorCodeAttribute> attribute(c.makeDefault());
    EXPECT_EQ(attribute->ClassId(), c.id);
    EXPECT_EQ(attribute->GetTypeId(), c.id);
    EXPECT_EQ(attribute->FeatureId(), 0);
    EXPECT_EQ(attribute->GetValue(), c.defaultValue);
    for (RWClassID id : {c.id, RWClassID(754), RWClassID(753), RWClassID(751)}) EXPECT_TRUE(attribute->DerivesFrom(id));
    EXPECT_FALSE(attribute->DerivesFrom(757));
  }
}

TEST(GColorAttributes, ApplyToCallsTheClassesOwnReceiverOperation) {
  for (const ColorClass& c : kClasses) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GColorCodeAttribute> attribute(c.make(41, &kSetting));
    qvtest::RecordingPeripheral receiver;
    receiver.SetResult(c.operation, 6);
    EXPECT_EQ(attribute->ApplyTo(&receiver), 6);
    ASSERT_EQ(receiver.Calls().size(), 1u);
    EXPECT_EQ(receiver.Calls()[0].operation, c.operation);
    EXPECT_EQ(receiver.Calls()[0].argument, attribute.get());
  }
}

TEST(GColorAttributes, MatchCompareClassAndCodeButNotFeatureIds) {
  GNeutralGrays a(71, &kSetting);
  GNeutralGrays b(71, &kOtherSetting);
  EXPECT_TRUE(a.Matches(&b));
  GNeutralGrays c(72, &kSetting);
  EXPECT_FALSE(a.Matches(&c));
  GEdgeControl d(71, &kSetting);
  EXPECT_FALSE(a.Matches(&d));
  // Both halftone classes carry id 790: equal codes match.
  GHalftone halftone(40, &kSetting);
  GHalftoneEnhanced enhanced(40, &kSetting);
  EXPECT_TRUE(halftone.Matches(&enhanced));
}

TEST(GColorAttributes, CopyAndAssignmentTakeFeatureSerialFlagAndCode) {
  GSRGBColor source(101, &kSetting);
  source.changed = 0;
  GSRGBColor copy(source);
  EXPECT_EQ(copy.GetValue(), 101);
  EXPECT_EQ(copy.FeatureId(), kSetting);
  EXPECT_EQ(copy.GetSerial(), source.GetSerial());
  EXPECT_EQ(copy.changed, 0);
  GSRGBColor assigned;
  assigned = source;
  EXPECT_EQ(assigned.GetValue(), 101);
  EXPECT_EQ(assigned.FeatureId(), kSetting);
  EXPECT_EQ(assigned.changed, 0);
}

TEST(GColorAttributes, EveryClassRoundTripsAndStoresItsCodeAfterTheRenderBody) {
  for (const ColorClass& c : kClasses) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GColorCodeAttribute> attribute(c.make(-7, &kSetting));
    if (std::string(c.name) != "GHalftone") qvtest::ExpectRoundTripsInAllForms(*attribute);
    qvtest::ExpectStoredByteCountIsWritten(*attribute);
    attribute->SetSerial(2);
    const std::string expected = MediaBytes()
                                     .Marker()
                                     .U16(c.id)
                                     .Attribute(kSetting, 2)
                                     .U32(1)  // render version
                                     .U32(1)  // own version
                                     .U32(static_cast<uint32_t>(-7))
                                     .Bytes();
    EXPECT_EQ(qvtest::SaveInForm(attribute.get(), ModelForm::kFile), expected);
  }
}

TEST(GColorAttributes, AStoredHalftoneComesBackAsAnEnhancedHalftone) {
  GHalftone halftone(42, &kSetting);
  for (ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&halftone, form), form);
    std::unique_ptr<MPersistentObject> object(read.object);
    auto* restored = dynamic_cast<GHalftoneEnhanced*>(object.get());
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->GetValue(), 42);
    EXPECT_EQ(restored->FeatureId(), kSetting);
    qvtest::RecordingPeripheral receiver;
    restored->ApplyTo(&receiver);
    ASSERT_EQ(receiver.Calls().size(), 1u);
    EXPECT_EQ(receiver.Calls()[0].operation, "SetHalftoneEnhanced");
  }
  // A GHalftone is still made by its name.
  std::unique_ptr<RWCollectable> byName(RWFactoryCreateByStringId(RWStringID("GHalftone")));
  EXPECT_NE(dynamic_cast<GHalftone*>(byName.get()), nullptr);
}

TEST(GColorAttributes, AnotherStoredVersionLeavesTheCode) {
  const std::string bytes = MediaBytes().Marker().U16(799).Attribute(kSetting, 2).U32(1).U32(2).U32(5).Bytes();
  qvtest::ModelRead read = qvtest::RestoreFromForm(bytes, ModelForm::kFile);
  std::unique_ptr<MPersistentObject> object(read.object);
  auto* restored = dynamic_cast<GEdgeControl*>(object.get());
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->GetValue(), 93);
}

TEST(GColorAttributes, GetDeviceValueMapsTheCodeThroughTheClassesList) {
  GCountedPtr device = MakeDeviceSettings();
  for (const ColorClass& c : kClasses) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<GColorCodeAttribute> known(c.makeDefault());
    EXPECT_EQ(known->GetDeviceValue(device), 1000 + c.defaultValue);
    std::unique_ptr<GColorCodeAttribute> unknown(c.make(41, &kSetting));
    EXPECT_EQ(unknown->GetDeviceValue(device), 0);
    EXPECT_EQ(known->GetDeviceValue(GCountedPtr()), 0);
  }
  // Without list 545 at all.
  GCountedPtr bare(new MPersistentComposite(kNoFeature));
  EXPECT_EQ(GEdgeControl().GetDeviceValue(bare), 0);
}

TEST(GColorSettingGetters, MapFeatureValueAndStringFollowTheMappingLists) {
  GCountedPtr device = MakeDeviceSettings();
  EXPECT_EQ(MapHalftoneCode(device, 40), 1040);
  EXPECT_EQ(MapColorMapCode(device, 15), 1015);
  EXPECT_EQ(MapNeutralGraysCode(device, 70), 1070);
  EXPECT_EQ(MapEdgeControlCode(device, 93), 1093);
  EXPECT_EQ(MapSRGBCode(device, 98), 1098);
  EXPECT_EQ(MapSRGBCode(device, 101), 0);  // the value is a text
  EXPECT_EQ(MapHalftoneCode(device, 41), 0);
  const int32_t missing = 599;
  EXPECT_EQ(MapFeatureValue(&missing, device, 40), 0);

  RWCString text("stale");
  GetMappedFeatureString(&text, &kSRGBCodes, device, 101);
  EXPECT_EQ(text, "sRGB");
  GetMappedFeatureString(&text, &kSRGBCodes, device, 98);  // a value, not a text
  EXPECT_EQ(text.Length(), 0u);
  text = "stale";
  GetMappedFeatureString(&text, &missing, device, 101);
  EXPECT_EQ(text.Length(), 0u);
}

// Document settings holding the colour-control attribute in one form,
// nested one level down as the settings tree has it.
class ColorSettingsTest : public ::testing::Test {
 protected:
  GAttributeComposite* With(GTintwrightAttribute* attribute) {
    auto* group = new GAttributeComposite(&kOtherSetting);
    group->AddChild(attribute);
    settings_.AddChild(group);
    return &settings_;
  }
  GAttributeComposite settings_{&kNoFeature};
};

TEST_F(ColorSettingsTest, TheCodeGettersAnswerMinusOneWithoutTheAttribute) {
  settings_.AddChild(new GValueAttribute(3, &kSetting));
  EXPECT_EQ(GetTintwrightSetting(0, 0, &settings_), -1);
  EXPECT_EQ(GetTintwrightEnhancedSetting(0, 0, &settings_), -1);
  EXPECT_EQ(GetTintwrightCode(0, 0, &settings_), -1);
  EXPECT_EQ(GetEdgeControlSetting(3, &settings_), -1);
  EXPECT_EQ(GetTextSettingA(nullptr), -1);
}

TEST_F(ColorSettingsTest, TheEnhancedFormAnswersTheFormThreeGetters) {
  GAttributeComposite* settings = With(new GTintwrightEnhancedAttribute(&kTintwrightColorSettings));
  const struct {
    const char* name;
    int16_t (*getter)(int, GAttributeComposite*);
    int16_t expected;
  } cases[] = {
      {"text halftone", &GetTextHalftone, 41},           {"graphics halftone", &GetGraphicsHalftone, 51},
      {"photo halftone", &GetPhotoHalftone, 61},         {"text grays", &GetTextNeutralGrays, 70},
      {"graphics grays", &GetGraphicsNeutralGrays, 80},  {"photo grays", &GetPhotoNeutralGrays, 91},
      {"edge control", &GetEdgeControlSetting, 95},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.getter(3, settings), c.expected);
    // Any other form asks for the version-2 form, which is not there.
    EXPECT_EQ(c.getter(4, settings), -1);
  }
  EXPECT_EQ(GetRGBColorSetting(settings), 98);
  EXPECT_EQ(GetTextSRGBColor(settings), -1);
  // The first two codes come from the base part of the enhanced form.
  EXPECT_EQ(GetTextSettingA(settings), 15);
  EXPECT_EQ(GetGraphicsSettingA(settings), 21);
  EXPECT_EQ(GetPhotoSettingA(settings), 31);
  EXPECT_EQ(GetTextSettingB(settings), 40);
  EXPECT_EQ(GetGraphicsSettingB(settings), 50);
  EXPECT_EQ(GetPhotoSettingB(settings), 62);
}

TEST_F(ColorSettingsTest, TheVersion2FormAnswersTheOtherFormsGetters) {
  GAttributeComposite* settings =
      With(new GTintwrightEnhancedAttributeVer2(&kTintwrightColorSettings, 71, 42, 101, 81, 52, 104, 90, 60, 107, 96));
  const struct {
    const char* name;
    int16_t (*getter)(int, GAttributeComposite*);
    int16_t expected;
  } cases[] = {
      {"text halftone", &GetTextHalftone, 42},           {"graphics halftone", &GetGraphicsHalftone, 52},
      {"photo halftone", &GetPhotoHalftone, 60},         {"text grays", &GetTextNeutralGrays, 71},
      {"graphics grays", &GetGraphicsNeutralGrays, 81},  {"photo grays", &GetPhotoNeutralGrays, 90},
      {"edge control", &GetEdgeControlSetting, 96},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.getter(4, settings), c.expected);
    EXPECT_EQ(c.getter(0, settings), c.expected);
    // Form 3 asks for the enhanced form, which is not there.
    EXPECT_EQ(c.getter(3, settings), -1);
  }
  EXPECT_EQ(GetTextSRGBColor(settings), 101);
  EXPECT_EQ(GetGraphicsSRGBColor(settings), 104);
  EXPECT_EQ(GetPhotoSRGBColor(settings), 107);
  EXPECT_EQ(GetRGBColorSetting(settings), -1);
}

TEST_F(ColorSettingsTest, TheDefaultVersion2PhotoHalftoneIs61) {
  GAttributeComposite* settings = With(new GTintwrightEnhancedAttributeVer2(&kTintwrightColorSettings));
  EXPECT_EQ(GetPhotoHalftone(4, settings), 61);
  EXPECT_EQ(GetTintwrightCode(2, 3, settings), 106);
  EXPECT_EQ(GetTintwrightCode(0, 4, settings), -1);
}

TEST_F(ColorSettingsTest, TheFirstFormAnswersOnlyItsTwoCodes) {
  GAttributeComposite* settings = With(new GTintwrightAttribute(&kTintwrightColorSettings, 1, 2, 3, 4, 5, 200));
  EXPECT_EQ(GetTextSettingA(settings), 1);
  EXPECT_EQ(GetGraphicsSettingB(settings), 4);
  EXPECT_EQ(GetPhotoSettingB(settings), 200);
  EXPECT_EQ(GetTintwrightSetting(3, 0, settings), -1);
  EXPECT_EQ(GetEdgeControlSetting(3, settings), -1);
  EXPECT_EQ(GetPhotoHalftone(4, settings), -1);
}

}  // namespace
