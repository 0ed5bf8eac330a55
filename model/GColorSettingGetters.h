// The colour setting getters: how the colour-control page filter reads the
// codes of the colour-control attribute (feature 295) from the document
// settings, and translates setting codes into the printer language's through
// the mapping lists of the device settings (533 halftone, 537 colour map,
// 543 neutral grays, 545 edge control, 552 sRGB).
//
// Object types: 0 text, 1 graphics, 2 photo, 3 all objects (only for the
// codes that are not per type). The code getters answer -1 when there is no
// such setting.
#pragma once

#include <cstdint>

#include "model/GFeatureIds.h"
#include "rw/RWCString.h"

class GAttributeComposite;
class GCountedPtr;

// The form argument of the named getters: 3 names the enhanced form, any
// other value the version-2 form.
constexpr int TintwrightEnhancedForm = 3;

// GetSetting / GetEnhancedSetting / GetCode of the attribute 295 found in
// settings; -1 when it is missing, is not of that form, or refuses.
int16_t GetTintwrightSetting(int objectType, int which, GAttributeComposite* settings);
int16_t GetTintwrightEnhancedSetting(int objectType, int selector, GAttributeComposite* settings);
int16_t GetTintwrightCode(int objectType, int kind, GAttributeComposite* settings);

// The value that the mapping list listId in the holder's settings composite
// pairs with the key GValueAttribute(code, feature 0); 0 when the list or
// the key is missing.
int16_t MapFeatureValue(const int32_t* listId, const GCountedPtr& holder, int16_t code);
// The same look-up for a text value; out is emptied when the list or key is
// missing.
void GetMappedFeatureString(RWCString* out, const int32_t* listId, const GCountedPtr& holder, int16_t code);

int16_t GetTextSettingA(GAttributeComposite* settings);
int16_t GetGraphicsSettingA(GAttributeComposite* settings);
int16_t GetPhotoSettingA(GAttributeComposite* settings);
int16_t GetTextSettingB(GAttributeComposite* settings);
int16_t GetGraphicsSettingB(GAttributeComposite* settings);
int16_t GetPhotoSettingB(GAttributeComposite* settings);
int16_t GetTextSRGBColor(GAttributeComposite* settings);
int16_t GetGraphicsSRGBColor(GAttributeComposite* settings);
int16_t GetPhotoSRGBColor(GAttributeComposite* settings);
int16_t GetTextHalftone(int form, GAttributeComposite* settings);
int16_t GetGraphicsHalftone(int form, GAttributeComposite* settings);
int16_t GetPhotoHalftone(int form, GAttributeComposite* settings);
int16_t GetTextNeutralGrays(int form, GAttributeComposite* settings);
int16_t GetGraphicsNeutralGrays(int form, GAttributeComposite* settings);
int16_t GetPhotoNeutralGrays(int form, GAttributeComposite* settings);
int16_t GetEdgeControlSetting(int form, GAttributeComposite* settings);
int16_t GetRGBColorSetting(GAttributeComposite* settings);

int16_t MapColorMapCode(const GCountedPtr& holder, int16_t code);
int16_t MapHalftoneCode(const GCountedPtr& holder, int16_t code);
int16_t MapNeutralGraysCode(const GCountedPtr& holder, int16_t code);
int16_t MapEdgeControlCode(const GCountedPtr& holder, int16_t code);
// Used by both sRGB attributes.
int16_t MapSRGBCode(const GCountedPtr& holder, int16_t code);
