#include "graphics/GraphicsClasses.h"

#include "graphics/GBitmap.h"
#include "graphics/GBookletFilter.h"
#include "graphics/GBrush.h"
#include "graphics/GCap.h"
#include "graphics/GClip.h"
#include "graphics/GColor.h"
#include "graphics/GDownloadFace.h"
#include "graphics/GDitherMatrix.h"
#include "graphics/GFillMode.h"
#include "graphics/GFitToSizeFilter.h"
#include "graphics/GGraphic.h"
#include "graphics/GNupFilter.h"
#include "graphics/GScalePageFilter.h"
#include "graphics/GGlyphCache.h"
#include "graphics/GPaint.h"
#include "graphics/GPaletteTable.h"
#include "graphics/GPathGraphic.h"
#include "graphics/GPen.h"
#include "graphics/GRasterGraphic.h"
#include "graphics/GShapeGraphic.h"
#include "graphics/GSymetricalDuplexFilter.h"
#include "graphics/GTTFontPool.h"
#include "graphics/GTTTableCache.h"
#include "graphics/GTextString.h"
#include "graphics/GTextStringGraphic.h"
#include "graphics/GTransformAttribute.h"
#include "rw/RWFactory.h"
#include "rw/RWStringID.h"

namespace {

// New classes are appended here.
const ModelClassEntry kGraphicsClasses[] = {
    {&GRGBColorCreate, GRGBColorClassId, "GRGBColor"},
    {&GColorPaintCreate, GColorPaintClassId, "GColorPaint"},
    {&GPaletteTableCreate, GPaletteTableClassId, "GPaletteTable"},
    {&GDitherMatrixCreate, GDitherMatrixClassId, "GDitherMatrix"},
    {&GBitmapCreate, GBitmapClassId, "GBitmap"},
    {&GBitmapImpCreate, GBitmapImpClassId, "GBitmapImp"},
    {&GTTTableCacheCreate, GTTTableCacheClassId, "GTTTableCache"},
    {&GGlyphCacheCreate, GGlyphCacheClassId, "GGlyphCache"},
    {&GGlyphCacheNodeCreate, GGlyphCacheNodeClassId, "GGlyphCacheNode"},
    {&GGraphicCompositeCreate, GGraphicCompositeClassId, "GGraphicComposite"},
    {&GClipToPageCreate, GClipToPageClassId, "GClipToPage"},
    {&GClipToPathCreate, GClipToPathClassId, "GClipToPath"},
    {&GClipToRectangleCreate, GClipToRectangleClassId, "GClipToRectangle"},
    {&GClipToSingleRectangleCreate, GClipToSingleRectangleClassId, "GClipToSingleRectangle"},
    {&GTransformAttributeCreate, GTransformAttributeClassId, "GTransformAttribute"},
    {&GPathGraphicCreate, GPathGraphicClassId, "GPathGraphic"},
    {&GRectangleGraphicCreate, GRectangleGraphicClassId, "GRectangleGraphic"},
    {&GPolygonGraphicCreate, GPolygonGraphicClassId, "GPolygonGraphic"},
    {&GPolyBezierGraphicCreate, GPolyBezierGraphicClassId, "GPolyBezierGraphic"},
    {&GFillModeCreate, GFillModeClassId, "GFillMode"},
    {&GRasterOperationCreate, GRasterOperationClassId, "GRasterOperation"},
    {&GBrushCreate, GBrushClassId, "GBrush"},
    {&GNoBrushCreate, GNoBrushClassId, "GNoBrush"},
    {&GPenCreate, GPenClassId, "GPen"},
    {&GNoPenCreate, GNoPenClassId, "GNoPen"},
    {&GDashedPenCreate, GDashedPenClassId, "GDashedPen"},
    {&GCapCreate, GCapClassId, "GCap"},
    {&GJointCreate, GJointClassId, "GJoint"},
    {&GMiterJointCreate, GMiterJointClassId, "GMiterJoint"},
    {&GRasterGraphicCreate, GRasterGraphicClassId, "GRasterGraphic"},
    {&GPreScaledRasterGraphicCreate, GPreScaledRasterGraphicClassId, "GPreScaledRasterGraphic"},
    {&GTextStringCreate, GTextStringClassId, "GTextString"},
    {&GTextEscapementsCreate, GTextEscapementsClassId, "GTextEscapements"},
    {&GTextStringGraphicCreate, GTextStringGraphicClassId, "GTextStringGraphic"},
    {&GDownloadFaceCreate, GDownloadFaceClassId, "GDownloadFace"},
    {&GTTFontFileCreate, GTTFontFileClassId, "GTTFontFile"},
    {&GNupFilterCreate, GNupFilterClassId, "GNupFilter"},
    {&GScalePageFilterCreate, GScalePageFilterClassId, "GScalePageFilter"},
    {&GBookletFilterCreate, GBookletFilterClassId, "GBookletFilter"},
    {&GFitToSizeFilterCreate, GFitToSizeFilterClassId, "GFitToSizeFilter"},
    {&GSymetricalDuplexFilterCreate, GSymetricalDuplexFilterClassId, "GSymetricalDuplexFilter"},
};

}  // namespace

const ModelClassEntry* GraphicsClasses(unsigned* count) {
  if (count != nullptr) *count = sizeof(kGraphicsClasses) / sizeof(kGraphicsClasses[0]);
  return kGraphicsClasses;
}

void RegisterGraphicsClasses() {
  for (const ModelClassEntry& entry : kGraphicsClasses)
    RWFactoryAddClass(entry.create, entry.id, RWStringID(entry.name));
}

void UnregisterGraphicsClasses() {
  for (const ModelClassEntry& entry : kGraphicsClasses) {
    RWFactoryRemoveClassId(entry.id);
    RWFactoryRemoveStringId(RWStringID(entry.name));
  }
}
