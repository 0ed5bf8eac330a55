#include "model/GPeripheral.h"

GPeripheral::GPeripheral() = default;
GPeripheral::GPeripheral(const int32_t* id) : GAttribute(id) {}
GPeripheral::GPeripheral(const GPeripheral& other) = default;
GPeripheral& GPeripheral::operator=(const GPeripheral& other) = default;
GPeripheral::~GPeripheral() = default;

RWClassID GPeripheral::ClassId() const { return GPeripheralClassId; }

int GPeripheral::DerivesFrom(RWClassID classId) const {
  return classId == GPeripheralClassId || GAttribute::DerivesFrom(classId);
}

int16_t GPeripheral::SetBrush(GBrush*) { return 0; }
int16_t GPeripheral::SetLineCap(GCap*) { return 0; }
int16_t GPeripheral::ClipToPage(GClipToPage*) { return 0; }
int16_t GPeripheral::ClipToPath(GClipToPath*) { return 0; }
int16_t GPeripheral::ClipToRectangles(GClipToRectangle*) { return 0; }
int16_t GPeripheral::ClipToRectangle(GClipToSingleRectangle*) { return 0; }
int16_t GPeripheral::SetColorMap(GColorMap*) { return 0; }
int16_t GPeripheral::SetDashedPen(GDashedPen*) { return 0; }
int16_t GPeripheral::SetFillMode(GFillMode*) { return 0; }
int16_t GPeripheral::SetHalftone(GHalftone*) { return 0; }
int16_t GPeripheral::SetHalftoneEnhanced(GHalftoneEnhanced*) { return 0; }
int16_t GPeripheral::SetNeutralGrays(GNeutralGrays*) { return 0; }
int16_t GPeripheral::SetEdgeControl(GEdgeControl*) { return 0; }
int16_t GPeripheral::SetSRGBColor(GSRGBColor*) { return 0; }
int16_t GPeripheral::SetSRGBExtension(GSRGBExtension*) { return 0; }
int16_t GPeripheral::SetLineJoin(GJoint*) { return 0; }
int16_t GPeripheral::SetMiterJoin(GMiterJoint*) { return 0; }
int16_t GPeripheral::SetNoBrush(GNoBrush*) { return 0; }
int16_t GPeripheral::SetNoPen(GNoPen*) { return 0; }
int16_t GPeripheral::SetPen(GPen*) { return 0; }
int16_t GPeripheral::SetRasterOperation(GRasterOperation*) { return 0; }
int16_t GPeripheral::SetValue(GValueAttribute*) { return 0; }
int16_t GPeripheral::SetString(GStringAttribute*) { return 0; }
int16_t GPeripheral::SetEnum(GEnumAttribute*) { return 0; }
int16_t GPeripheral::SetRange(GRangeAttribute*) { return 0; }
int16_t GPeripheral::SetMedia(GMedia*) { return 0; }
int16_t GPeripheral::SetTray(GTray*) { return 0; }
int16_t GPeripheral::SetTransform(GTransformAttribute*) { return 0; }
