#include "graphics/GraphicsClasses.h"

#include "graphics/GBitmap.h"
#include "graphics/GColor.h"
#include "graphics/GDitherMatrix.h"
#include "graphics/GGlyphCache.h"
#include "graphics/GPaint.h"
#include "graphics/GPaletteTable.h"
#include "graphics/GTTTableCache.h"
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
