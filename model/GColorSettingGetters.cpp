#include "model/GColorSettingGetters.h"

#include "model/GAttributeComposite.h"
#include "model/GCountedPtr.h"
#include "model/GFeatureIds.h"
#include "model/GStringAttribute.h"
#include "model/GTintwrightAttribute.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"

using namespace GFeatureIds;

namespace {

constexpr int16_t kNoSetting = -1;

const int32_t kKeyFeature = 0;

enum ObjectType { kText = 0, kGraphics = 1, kPhoto = 2, kAllObjects = 3 };

// The colour-control attribute of settings in the form T, or null. The
// document settings come from outside, so the form is checked, not assumed.
template <typename T>
const T* FindColorControl(GAttributeComposite* settings) {
  if (settings == nullptr) return nullptr;
  return dynamic_cast<const T*>(settings->FindById(GFeatureIds::kTintwrightColorSettings));
}

// The value paired with the code's key in the mapping list, or null.
MPersistentObject* MappedValue(const int32_t* listId, const GCountedPtr& holder, int16_t code) {
  MPersistentObject* deviceSettings = holder.Pointee();
  if (listId == nullptr || deviceSettings == nullptr) return nullptr;
  const auto* list = dynamic_cast<const MAssociationList*>(deviceSettings->FindById(*listId));
  if (list == nullptr) return nullptr;
  const GValueAttribute key(code, &kKeyFeature);
  return list->GetValueFor(&key);
}

}  // namespace

int16_t GetTintwrightSetting(int objectType, int which, GAttributeComposite* settings) {
  const auto* attribute = FindColorControl<GTintwrightAttribute>(settings);
  unsigned char code = 0;
  if (attribute == nullptr || !attribute->GetSetting(objectType, which, &code)) return kNoSetting;
  return code;
}

int16_t GetTintwrightEnhancedSetting(int objectType, int selector, GAttributeComposite* settings) {
  const auto* attribute = FindColorControl<GTintwrightEnhancedAttribute>(settings);
  unsigned char code = 0;
  if (attribute == nullptr || !attribute->GetEnhancedSetting(objectType, selector, &code)) return kNoSetting;
  return code;
}

int16_t GetTintwrightCode(int objectType, int kind, GAttributeComposite* settings) {
  const auto* attribute = FindColorControl<GTintwrightEnhancedAttributeVer2>(settings);
  unsigned char code = 0;
  if (attribute == nullptr || !attribute->GetCode(objectType, kind, &code)) return kNoSetting;
  return code;
}

int16_t MapFeatureValue(const int32_t* listId, const GCountedPtr& holder, int16_t code) {
  const auto* value = dynamic_cast<const GValueAttribute*>(MappedValue(listId, holder, code));
  return value != nullptr ? value->GetValue() : 0;
}

void GetMappedFeatureString(RWCString* out, const int32_t* listId, const GCountedPtr& holder, int16_t code) {
  if (out == nullptr) return;
  const auto* value = dynamic_cast<const GStringAttribute*>(MappedValue(listId, holder, code));
  *out = value != nullptr ? value->GetString() : RWCString();
}

// ---- Named getters ----

int16_t GetTextSettingA(GAttributeComposite* settings) { return GetTintwrightSetting(kText, 0, settings); }
int16_t GetGraphicsSettingA(GAttributeComposite* settings) { return GetTintwrightSetting(kGraphics, 0, settings); }
int16_t GetPhotoSettingA(GAttributeComposite* settings) { return GetTintwrightSetting(kPhoto, 0, settings); }
int16_t GetTextSettingB(GAttributeComposite* settings) { return GetTintwrightSetting(kText, 1, settings); }
int16_t GetGraphicsSettingB(GAttributeComposite* settings) { return GetTintwrightSetting(kGraphics, 1, settings); }
int16_t GetPhotoSettingB(GAttributeComposite* settings) { return GetTintwrightSetting(kPhoto, 1, settings); }

int16_t GetTextSRGBColor(GAttributeComposite* settings) {
  return GetTintwrightCode(kText, GTintwrightEnhancedAttributeVer2::kSRGBColor, settings);
}
int16_t GetGraphicsSRGBColor(GAttributeComposite* settings) {
  return GetTintwrightCode(kGraphics, GTintwrightEnhancedAttributeVer2::kSRGBColor, settings);
}
int16_t GetPhotoSRGBColor(GAttributeComposite* settings) {
  return GetTintwrightCode(kPhoto, GTintwrightEnhancedAttributeVer2::kSRGBColor, settings);
}

namespace {

// The enhanced form's selector or the version-2 form's kind for the same
// code: the two forms number neutral grays, halftone and edge control alike.
int16_t FormCode(int form, int objectType, int code, GAttributeComposite* settings) {
  if (form == TintwrightEnhancedForm) return GetTintwrightEnhancedSetting(objectType, code, settings);
  return GetTintwrightCode(objectType, code, settings);
}

}  // namespace

int16_t GetTextHalftone(int form, GAttributeComposite* settings) {
  return FormCode(form, kText, GTintwrightEnhancedAttribute::kHalftone, settings);
}
int16_t GetGraphicsHalftone(int form, GAttributeComposite* settings) {
  return FormCode(form, kGraphics, GTintwrightEnhancedAttribute::kHalftone, settings);
}
int16_t GetPhotoHalftone(int form, GAttributeComposite* settings) {
  return FormCode(form, kPhoto, GTintwrightEnhancedAttribute::kHalftone, settings);
}
int16_t GetTextNeutralGrays(int form, GAttributeComposite* settings) {
  return FormCode(form, kText, GTintwrightEnhancedAttribute::kNeutralGrays, settings);
}
int16_t GetGraphicsNeutralGrays(int form, GAttributeComposite* settings) {
  return FormCode(form, kGraphics, GTintwrightEnhancedAttribute::kNeutralGrays, settings);
}
int16_t GetPhotoNeutralGrays(int form, GAttributeComposite* settings) {
  return FormCode(form, kPhoto, GTintwrightEnhancedAttribute::kNeutralGrays, settings);
}
int16_t GetEdgeControlSetting(int form, GAttributeComposite* settings) {
  return FormCode(form, kAllObjects, GTintwrightEnhancedAttribute::kEdgeControl, settings);
}
int16_t GetRGBColorSetting(GAttributeComposite* settings) {
  return GetTintwrightEnhancedSetting(kAllObjects, GTintwrightEnhancedAttribute::kRGBColor, settings);
}

int16_t MapColorMapCode(const GCountedPtr& holder, int16_t code) { return MapFeatureValue(&kColorMapCodes, holder, code); }
int16_t MapHalftoneCode(const GCountedPtr& holder, int16_t code) { return MapFeatureValue(&kHalftoneCodes, holder, code); }
int16_t MapNeutralGraysCode(const GCountedPtr& holder, int16_t code) {
  return MapFeatureValue(&kNeutralGraysCodes, holder, code);
}
int16_t MapEdgeControlCode(const GCountedPtr& holder, int16_t code) {
  return MapFeatureValue(&kEdgeControlCodes, holder, code);
}
int16_t MapSRGBCode(const GCountedPtr& holder, int16_t code) { return MapFeatureValue(&kSRGBCodes, holder, code); }
