// The graphics model's persistent classes as a whole: every registered
// class has a populated sample whose predicted stored size is what its file
// form writes and which round-trips in the four stored forms; and objects
// shared between owners in one stored graph are read back once and held by
// both.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "graphics/GBitmap.h"
#include "graphics/GColor.h"
#include "graphics/GDitherMatrix.h"
#include "graphics/GDownloadFace.h"
#include "graphics/GTTFontPool.h"
#include "graphics/GGlyphCache.h"
#include "graphics/GPaint.h"
#include "graphics/GPaletteTable.h"
#include "graphics/GTTTableCache.h"
#include "graphics/GTextString.h"
#include "graphics/GTextStringGraphic.h"
#include "graphics/GraphicsClasses.h"
#include "model/MPersistentComposite.h"
#include "support/FontTestClasses.h"
#include "graphics/GBookletFilter.h"
#include "graphics/GFitToSizeFilter.h"
#include "graphics/GNupFilter.h"
#include "graphics/GSymetricalDuplexFilter.h"
#include "graphics/GScalePageFilter.h"
#include "support/GraphicsObjectSamples.h"
#include "support/ModelRoundTrip.h"

namespace {

const int32_t kOwn = 6;

struct StoreSizeSample {
  RWClassID id;
  std::function<MPersistentObject*()> make;
};

// One populated sample per registered class. A class added to
// RegisterGraphicsClasses adds its sample here.
std::vector<StoreSizeSample> StoreSizeSamples() {
  return {
      {GRGBColorClassId, [] { return new GRGBColor(1, 2, 3, 255); }},
      {GColorPaintClassId,
       [] {
         auto* paint = new GColorPaint(new GRGBColor(9, 8, 7, 255));
         paint->SetFeatureId(kOwn);
         return paint;
       }},
      {GPaletteTableClassId,
       [] {
         auto* palette = new GPaletteTable;
         palette->AddEntry(new GRGBColor(10, 20, 30, 255));
         return palette;
       }},
      {GDitherMatrixClassId,
       [] {
         const uint8_t t[6] = {1, 2, 3, 4, 5, 6};
         return new GDitherMatrix(3, 2, t, 600, 600, 1, 2, 3, &kOwn);
       }},
      {GBitmapClassId,
       [] {
         GBitmapDescription d;
         d.data = new uint8_t[4]{0x12, 0x34, 0x56, 0x78};
         d.dataLength = 4;
         d.rowAlignment = 2;
         d.bounds = GRect(0, 0, 3, 2);
         d.bitsPerPixel = 4;
         d.palette = new GPaletteTable;
         d.mirror = 1;
         d.reservedValue = -5;
         auto* bitmap = new GBitmap(d);
         bitmap->SetFeatureId(kOwn);
         return bitmap;
       }},
      {GBitmapImpClassId,
       [] {
         GBitmapDescription d;
         d.data = new uint8_t[6]{1, 2, 3, 4, 5, 6};
         d.dataLength = 6;
         d.bounds = GRect(-1, -1, 2, 0);
         d.bitsPerPixel = 16;
         d.componentOrder = 1;
         d.bottomUp = 1;
         d.masksGiven = 1;
         d.redMask = 0xF800;
         d.greenMask = 0x07E0;
         d.blueMask = 0x001F;
         d.segmentStep = -2;
         d.rowsPerSegment = 7;
         auto* body = new GBitmapImp(d);
         body->GetDecodedSize();
         return body;
       }},
      {GTTTableCacheClassId,
       [] {
         auto* cache = new GTTTableCache;
         static uint8_t head[4] = {0, 1, 0, 0};
         cache->AddTable(1, new GByteBuffer(head, 4, 0));
         cache->AddTable(5, nullptr);
         return cache;
       }},
      {GGlyphCacheClassId,
       [] {
         static uint8_t outline[3] = {0, 1, 2};
         auto* cache = new GGlyphCache;
         cache->AddNode(3, new GGlyphCacheNode(new GByteBuffer(outline, 3, 0), nullptr));
         cache->AddNode(0x1234, new GGlyphCacheNode(nullptr, new GByteBuffer(outline, 2, 0)));
         return cache;
       }},
      {GGlyphCacheNodeClassId,
       [] {
         static uint8_t bytes[5] = {9, 8, 7, 6, 5};
         return new GGlyphCacheNode(new GByteBuffer(bytes, 5, 0), new GByteBuffer(bytes, 2, 0));
       }},
      {GTextStringClassId,
       [] { return new GTextString(new GArrayHolder<uint16_t>(new uint16_t[2]{0x41, 0x3042}, 2, true), 2, 16); }},
      {GTextEscapementsClassId,
       [] { return new GTextEscapements(nullptr, new GArrayHolder<int16_t>(new int16_t[2]{3, -4}, 2, true), 2); }},
      {GTextStringGraphicClassId,
       [] {
         const GShortPoint at[] = {{1, 2}, {5, 2}};
         return new GTextStringGraphic(nullptr, new uint16_t[2]{'o', 'k'}, 1, 16, at, 3, 2, qvtest::SampleBundle());
       }},
      // A handle resolves to its face only through a font database (tested
      // with the faces); here it stands for itself.
      {GDownloadFaceClassId, [] { return new GDownloadFace(new qvtest::TestFaceHandle(nullptr, 9), 1); }},
      // A font handle resolves through the registered pool (tested with the
      // pool); without a font it stores its version, key 0 and a stamp no
      // font has.
      {GTTFontFileClassId, [] { return new GTTFontFile; }},
      {GNupFilterClassId, [] { return new GNupFilter; }},
      {GScalePageFilterClassId, [] { return new GScalePageFilter; }},
      {GBookletFilterClassId, [] { return new GBookletFilter; }},
      {GFitToSizeFilterClassId, [] { return new GFitToSizeFilter; }},
      {GSymetricalDuplexFilterClassId, [] { return new GSymetricalDuplexFilter; }},
  };
}

TEST(GraphicsPersistenceTest, EveryRegisteredClassStoresWhatItPredictsAndRoundTrips) {
  std::set<RWClassID> sampled;
  for (const StoreSizeSample& sample : StoreSizeSamples()) {
    SCOPED_TRACE(sample.id);
    std::unique_ptr<MPersistentObject> object(sample.make());
    ASSERT_EQ(object->ClassId(), sample.id);
    qvtest::ExpectStoredByteCountIsWritten(*object);
    qvtest::ExpectRoundTripsInAllForms(*object);
    sampled.insert(sample.id);
  }
  // The graphics objects and graphic-state attributes.
  for (const auto& object : qvtest::GraphicsObjectSamples()) {
    SCOPED_TRACE(object->ClassId());
    qvtest::ExpectStoredByteCountIsWritten(*object);
    qvtest::ExpectRoundTripsInAllForms(*object);
    sampled.insert(object->ClassId());
  }
  unsigned count = 0;
  const ModelClassEntry* classes = GraphicsClasses(&count);
  for (unsigned i = 0; i < count; ++i)
    EXPECT_EQ(sampled.count(classes[i].id), 1u) << classes[i].name << " has no store-size sample";
}

TEST(GraphicsPersistenceTest, AColourSharedByAPaintAndAPaletteIsReadOnceAndHeldByBoth) {
  // A hostile graph can name one colour from two owners; a save of live
  // objects never does, so the graph is made by hand through handles.
  auto* shared = new GRGBColor(4, 5, 6, 255);
  MPersistentComposite root(kOwn);
  auto* paint = new GColorPaint(shared);
  auto* palette = new GPaletteTable(std::vector<GColor*>{});
  palette->AddEntry(shared);
  root.AddChild(paint);
  root.AddChild(palette);
  // The colour is counted once, then written as a back reference.
  qvtest::ExpectStoredByteCountIsWritten(root);
  for (qvtest::ModelForm form : qvtest::kAllModelForms) {
    SCOPED_TRACE(qvtest::ModelFormName(form));
    qvtest::ModelRead read = qvtest::RestoreFromForm(qvtest::SaveInForm(&root, form), form);
    ASSERT_FALSE(read.failed);
    std::unique_ptr<MPersistentObject> owned(read.object);
    auto* composite = read.object->AsComposite();
    ASSERT_NE(composite, nullptr);
    ASSERT_EQ(composite->GetEntryCount(), 2);
    auto* readPaint = dynamic_cast<GColorPaint*>(composite->Children().Data()[0].Pointee());
    auto* readPalette = dynamic_cast<GPaletteTable*>(composite->Children().Data()[1].Pointee());
    ASSERT_NE(readPaint, nullptr);
    ASSERT_NE(readPalette, nullptr);
    ASSERT_EQ(readPalette->GetCount(), 1u);
    EXPECT_EQ(readPaint->GetColor(), readPalette->GetEntry(0));
    // Either owner may let go first.
    readPaint->SetColor(nullptr);
    EXPECT_EQ(static_cast<GRGBColor*>(readPalette->GetEntry(0))->GetBlue(), 6);
  }
}

}  // namespace
