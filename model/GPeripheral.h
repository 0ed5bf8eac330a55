// GPeripheral: a stage of the print path as the settings model sees it, the
// receiver of the attribute apply protocol. An attribute's ApplyTo calls the
// one receiver operation of its class with itself and passes the returned
// status up. In this base every receiver operation does nothing and answers
// 0 ("done"); peripherals, filters and generators override the ones they act
// on. The print path builds the rest of the stage on this class.
#pragma once

#include <cstdint>

#include "model/GAttribute.h"

class GBrush;
class GCap;
class GClipToPage;
class GClipToPath;
class GClipToRectangle;
class GClipToSingleRectangle;
class GColorMap;
class GDashedPen;
class GEdgeControl;
class GEnumAttribute;
class GFillMode;
class GHalftone;
class GHalftoneEnhanced;
class GJoint;
class GMedia;
class GMiterJoint;
class GNeutralGrays;
class GNoBrush;
class GNoPen;
class GPen;
class GRangeAttribute;
class GRasterOperation;
class GSRGBColor;
class GSRGBExtension;
class GStringAttribute;
class GTransformAttribute;
class GTray;
class GValueAttribute;

constexpr RWClassID GPeripheralClassId = 760;

class GPeripheral : public GAttribute {
 public:
  GPeripheral();
  explicit GPeripheral(const int32_t* id);
  GPeripheral(const GPeripheral& other);
  GPeripheral& operator=(const GPeripheral& other);
  ~GPeripheral() override;

  static RWClassID StaticClassId() { return GPeripheralClassId; }
  RWClassID ClassId() const override;
  int DerivesFrom(RWClassID classId) const override;

  // ---- Receiver operations, one per attribute class; status 0 = done ----
  virtual int16_t SetBrush(GBrush* brush);
  virtual int16_t SetLineCap(GCap* cap);
  virtual int16_t ClipToPage(GClipToPage* clip);
  virtual int16_t ClipToPath(GClipToPath* clip);
  virtual int16_t ClipToRectangles(GClipToRectangle* clip);
  virtual int16_t ClipToRectangle(GClipToSingleRectangle* clip);
  virtual int16_t SetColorMap(GColorMap* colorMap);
  virtual int16_t SetDashedPen(GDashedPen* pen);
  virtual int16_t SetFillMode(GFillMode* fillMode);
  virtual int16_t SetHalftone(GHalftone* halftone);
  virtual int16_t SetHalftoneEnhanced(GHalftoneEnhanced* halftone);
  virtual int16_t SetNeutralGrays(GNeutralGrays* grays);
  virtual int16_t SetEdgeControl(GEdgeControl* edgeControl);
  virtual int16_t SetSRGBColor(GSRGBColor* color);
  virtual int16_t SetSRGBExtension(GSRGBExtension* extension);
  virtual int16_t SetLineJoin(GJoint* joint);
  virtual int16_t SetMiterJoin(GMiterJoint* joint);
  virtual int16_t SetNoBrush(GNoBrush* brush);
  virtual int16_t SetNoPen(GNoPen* pen);
  virtual int16_t SetPen(GPen* pen);
  virtual int16_t SetRasterOperation(GRasterOperation* operation);
  virtual int16_t SetValue(GValueAttribute* value);
  virtual int16_t SetString(GStringAttribute* text);
  // Enumerations, the media pool included.
  virtual int16_t SetEnum(GEnumAttribute* enumeration);
  virtual int16_t SetRange(GRangeAttribute* range);
  virtual int16_t SetMedia(GMedia* media);
  virtual int16_t SetTray(GTray* tray);
  virtual int16_t SetTransform(GTransformAttribute* transform);
};
