// The downloaded-font bookkeeping: releasing a record, the handles' counts,
// freeing room by the use stamps, finding the record of a face, the PCL 5e
// soft-font ids, the three generators' glyph codes, and the cache and
// allocator a generator keeps.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/GTextString.h"
#include "model/GDeviceFontDescription.h"
#include "pdl/GCheetahDownloadRecord.h"
#include "pdl/GPcl5eDownloadRecord.h"
#include "pdl/GPostScriptDownloadRecord.h"
#include "pdl/cheetah.h"
#include "support/FontTestClasses.h"

namespace {

using qvtest::SampleFaceExtras;
using qvtest::SampleFaceMetrics;
using qvtest::TestFaceHandle;
using qvtest::TestFontFace;

// A generator that records the fonts it is asked to remove.
class RemovalRecordingGenerator : public GCheetah {
 public:
  int16_t RemoveDownloadedFont(const RWCString& name) override {
    removed.emplace_back(name.Data(), name.Length());
    return 0;
  }
  std::vector<std::string> removed;
};

// ---- Records and handles ----

TEST(GDownloadRecordTest, ReleaseGivesTheFontUpOnlyWhenItHoldsMemory) {
  struct Case {
    const char* what;
    int32_t kind;
    uint32_t memory;
    bool removed;
  };
  const Case cases[] = {
      {"downloaded bitmap font", GDownloadRecord::kBitmapFont, 500, true},
      {"printer-resident font", GDownloadRecord::kPrinterFont, 500, false},
      {"nothing charged", GDownloadRecord::kOutlineFont, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RemovalRecordingGenerator generator;
    const uint32_t available = generator.GetMemoryBudget().GetAvailable();
    GCheetahDownloadHandle handle(&generator);
    handle.SetName("12TTSans");
    handle.SetKind(c.kind);
    handle.SetUseStamp(8);
    if (c.memory != 0) handle.ChargeMemory(c.memory);
    EXPECT_EQ(generator.GetMemoryBudget().GetAvailable(), available - c.memory);
    handle.AddSentCode(0x41);
    handle.AddGlyphCount(1);
    handle.Release();
    EXPECT_EQ(generator.removed.size(), c.removed ? 1u : 0u);
    if (c.removed) EXPECT_EQ(generator.removed[0], "12TTSans");
    EXPECT_EQ(generator.GetMemoryBudget().GetAvailable(), available);
    EXPECT_EQ(handle.GetMemory(), 0u);
    // A record without memory keeps its glyphs; a released one forgets them.
    EXPECT_EQ(handle.GetGlyphCount(), c.memory == 0 ? 1 : 0);
    EXPECT_EQ(handle.HasSentCode(0x41), c.memory == 0 ? 1 : 0);
    EXPECT_EQ(handle.GetKind(), c.kind);
    EXPECT_EQ(handle.GetUseStamp(), 8u);
    EXPECT_EQ(handle.IsValid(), 1);
  }
}

TEST(GDownloadRecordTest, HandlesShareTheRecordAndTheLastOneDeletesIt) {
  RemovalRecordingGenerator generator;
  auto first = std::make_unique<GCheetahDownloadHandle>(&generator);
  GDownloadRecord* record = first->GetRecord();
  EXPECT_EQ(record->GetUseCount(), 1);
  std::unique_ptr<GDownloadHandle> second(first->Clone());
  EXPECT_EQ(second->GetRecord(), record);
  EXPECT_EQ(record->GetUseCount(), 2);
  first->SetVerticalMetrics(1);
  EXPECT_EQ(static_cast<GCheetahDownloadHandle*>(second.get())->HasVerticalMetrics(), 1);
  first.reset();
  EXPECT_EQ(record->GetUseCount(), 1);
  second.reset();  // the sanitizers see the record freed once
}

// ---- Freeing room ----

struct CacheEntrySpec {
  int32_t kind;
  uint32_t memory;
  uint32_t stamp;
};

// Fills a cache with records of the given kinds, memory and stamps (the
// memory charged without a generator, so no budget is involved).
void FillCache(GDownloadCache& cache, const std::vector<CacheEntrySpec>& specs) {
  for (const CacheEntrySpec& spec : specs) {
    auto* handle = new GCheetahDownloadHandle(static_cast<GPdlGenerator*>(nullptr));
    handle->SetKind(spec.kind);
    if (spec.memory != 0) handle->ChargeMemory(spec.memory);
    handle->SetUseStamp(spec.stamp);
    cache.Add(SampleFaceMetrics(), SampleFaceExtras(), handle);
  }
}

TEST(GDownloadCacheTest, ReleaseOneFreesTheLeastRecentlyUsedDownloadedFont) {
  struct Case {
    const char* what;
    std::vector<CacheEntrySpec> entries;
    uint32_t released;
    int releasedIndex;
  };
  const Case cases[] = {
      {"only printer fonts", {{1, 100, 0}, {1, 200, 1}}, 0, -1},
      {"only Type 42 fonts", {{4, 100, 0}}, 0, -1},
      {"only fonts without memory", {{2, 0, 0}, {3, 0, 1}}, 0, -1},
      {"the smallest stamp", {{2, 100, 9}, {3, 300, 4}, {2, 200, 7}}, 300, 1},
      {"equal stamps: the first added", {{2, 100, 5}, {3, 300, 5}}, 100, 0},
      {"a stamp of all ones is never chosen", {{2, 100, 0xFFFFFFFFu}}, 0, -1},
      {"printer fonts are passed over", {{1, 900, 0}, {2, 100, 3}}, 100, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GCheetahDownloadCache cache;
    FillCache(cache, c.entries);
    const uint32_t total = cache.TotalMemory();
    EXPECT_EQ(cache.ReleaseOne(), c.released);
    EXPECT_EQ(cache.TotalMemory(), total - c.released);
    if (c.releasedIndex >= 0) EXPECT_EQ(cache.GetEntryHandle(c.releasedIndex)->GetMemory(), 0u);
  }
}

// ---- Finding the record of a face ----

TEST(GDownloadCacheTest, FindMatchesNameAndSizeAndAttachesAClone) {
  GCheetahDownloadCache cache;
  auto* face = new TestFontFace(SampleFaceMetrics(), SampleFaceExtras());
  face->kind = 1;  // bitmaps only: a downloaded bitmap font serves it
  TestFaceHandle handle(face, 0);
  FillCache(cache, {{2, 100, 1}});
  GDownloadHandle* found = cache.Find(&handle);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->GetRecord(), cache.GetEntryHandle(0)->GetRecord());
  EXPECT_EQ(handle.GetDownloadInfo(), found);
  EXPECT_EQ(found->GetRecord()->GetUseCount(), 2);

  // After ReleaseAll the entry still serves the face, emptied.
  cache.ReleaseAll();
  auto* again = new TestFontFace(SampleFaceMetrics(), SampleFaceExtras());
  again->kind = 1;
  TestFaceHandle second(again, 0);
  GDownloadHandle* refound = cache.Find(&second);
  ASSERT_NE(refound, nullptr);
  EXPECT_EQ(refound->GetMemory(), 0u);
  EXPECT_EQ(refound->GetGlyphCount(), 0);
}

TEST(GDownloadCacheTest, FindRefusesFacesThatDifferInNameCaseOrSize) {
  struct Case {
    const char* what;
    void (*change)(GFontMetrics&, GFontDownloadExtras&);
    int32_t faceKind;
    bool found;
  };
  const Case cases[] = {
      {"same face, outline", [](GFontMetrics&, GFontDownloadExtras&) {}, 2, true},
      {"name differs in case", [](GFontMetrics& m, GFontDownloadExtras&) { m.name = "SANS"; }, 2, false},
      {"other weight", [](GFontMetrics& m, GFontDownloadExtras&) { m.weight = 400; }, 2, false},
      {"outline font at another height still serves",
       [](GFontMetrics& m, GFontDownloadExtras&) { m.height = 99; }, 2, true},
      {"outline font of another metric 7", [](GFontMetrics& m, GFontDownloadExtras&) { m.metricInt7 = 1; }, 2,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GPcl5eDownloadCache cache;
    FillCache(cache, {{3, 100, 1}});
    GFontMetrics metrics = SampleFaceMetrics();
    GFontDownloadExtras extras = SampleFaceExtras();
    c.change(metrics, extras);
    auto* face = new TestFontFace(metrics, extras);
    face->kind = c.faceKind;
    TestFaceHandle handle(face, 0);
    EXPECT_EQ(cache.Find(&handle) != nullptr, c.found);
  }
}

TEST(GDownloadCacheTest, APrinterFontServesEverySizeWhenScalable) {
  GCheetahDownloadCache cache;
  GDeviceFontDescription scalable(RWCString("Sans"), RWCString(""), 0, GDeviceFontDescription::SymbolSetVector(), 700,
                                  0, 0, 0, 1, 0, 0, 0);
  auto* handle = new GCheetahDownloadHandle(static_cast<GPdlGenerator*>(nullptr));
  handle->SetKind(GDownloadRecord::kPrinterFont);
  handle->SetDeviceFont(&scalable);
  cache.Add(SampleFaceMetrics(), SampleFaceExtras(), handle);
  GFontMetrics metrics = SampleFaceMetrics();
  metrics.height = 77;
  GFontDownloadExtras extras = SampleFaceExtras();
  extras.flags = 2;
  TestFaceHandle face(new TestFontFace(metrics, extras), 0);
  EXPECT_NE(cache.Find(&face), nullptr);
}

TEST(GDownloadCacheTest, DestroyingTheCacheInvalidatesWhatFacesStillHold) {
  RemovalRecordingGenerator generator;
  auto cache = std::make_unique<GCheetahDownloadCache>();
  auto* face = new TestFontFace(SampleFaceMetrics(), SampleFaceExtras());
  TestFaceHandle handle(face, 0);
  auto* mine = new GCheetahDownloadHandle(&generator);
  mine->SetKind(GDownloadRecord::kOutlineFont);
  mine->ChargeMemory(64);
  handle.SetDownloadInfo(mine);
  cache->Add(face->GetMetrics(), face->GetDownloadExtras(), mine->Clone());
  const uint32_t available = generator.GetMemoryBudget().GetAvailable();
  cache.reset();
  EXPECT_EQ(mine->IsValid(), 0);
  EXPECT_EQ(mine->GetRecord()->GetUseCount(), 1);
  EXPECT_TRUE(generator.removed.empty());
  EXPECT_EQ(generator.GetMemoryBudget().GetAvailable(), available);
}

TEST(GDownloadCacheTest, ThePostScriptCacheForgetsItsMappingsWithItsFonts) {
  GPostScriptDownloadCache cache;
  cache.AddMapping(3);
  EXPECT_EQ(cache.HasMapping(3), 1);
  cache.ReleaseAll();
  EXPECT_EQ(cache.HasMapping(3), 0);
}

// ---- PCL 5e soft-font ids ----

TEST(GPcl5eSoftFontIdsTest, IdsCountUpFromTheCounterAndAReleasedSingleIdIsReplaced) {
  GPcl5eDownloadRecord::SetCounterForTesting(GPcl5eDownloadRecord::kFirstCounterValue);
  RemovalRecordingGenerator generator;
  GPcl5eDownloadHandle handle(&generator);
  EXPECT_EQ(handle.GetFontId(), 1001);
  EXPECT_EQ(handle.GetFontId(), 1001);
  handle.SetKind(GDownloadRecord::kOutlineFont);
  handle.ChargeMemory(10);
  handle.Release();
  ASSERT_EQ(generator.removed.size(), 1u);
  EXPECT_EQ(generator.removed[0], "1001");
  EXPECT_EQ(handle.GetFontId(), 1002);
}

TEST(GPcl5eSoftFontIdsTest, BlockFontsKeepTheirIdsAndLoseTheirMarks) {
  GPcl5eDownloadRecord::SetCounterForTesting(2000);
  RemovalRecordingGenerator generator;
  GPcl5eDownloadHandle handle(&generator);
  EXPECT_EQ(handle.GetBlockFontId(0x0041), 2001);
  EXPECT_EQ(handle.GetBlockFontId(0x3042), 2002);
  EXPECT_EQ(handle.GetBlockFontId(0x30FF), 2002);
  handle.MarkBlock(0x3042);
  EXPECT_EQ(handle.IsBlockMarked(0x3001), 1);
  EXPECT_EQ(handle.IsBlockMarked(0x0041), 0);
  handle.SetKind(GDownloadRecord::kBitmapFont);
  handle.ChargeMemory(10);
  handle.Release();
  EXPECT_EQ(generator.removed, (std::vector<std::string>{"2001", "2002"}));
  EXPECT_EQ(handle.IsBlockMarked(0x3042), 0);
  EXPECT_EQ(handle.GetBlockFontId(0x3042), 2002);
}

TEST(GPcl5eSoftFontIdsTest, TheCounterWrapsWithinTheValidIdsAndSkipsIdsInUse) {
  GPcl5eDownloadRecord::SetCounterForTesting(0);
  GPcl5eDownloadHandle low(static_cast<GPdlGenerator*>(nullptr));
  ASSERT_EQ(low.GetFontId(), 1);
  GPcl5eDownloadRecord::SetCounterForTesting(32766);
  GPcl5eDownloadHandle top(static_cast<GPdlGenerator*>(nullptr));
  EXPECT_EQ(top.GetFontId(), 32767);
  GPcl5eDownloadHandle wrapped(static_cast<GPdlGenerator*>(nullptr));
  EXPECT_EQ(wrapped.GetFontId(), 2);  // 0 is "none" and 1 is in use
  EXPECT_LE(GPcl5eDownloadRecord::PeekCounter(), GPcl5eDownloadRecord::kLastFontId);
}

// ---- Glyph codes ----

TEST(GeneratorGlyphCodesTest, PclXlCodesSkipTheRangeThatKeepsItsValue) {
  GCheetahGlyphCodeAllocator allocator;
  EXPECT_EQ(allocator.Map(0x2041), 0x2041);
  uint16_t code = 0;
  for (uint32_t i = 0; i < 7936; ++i) code = allocator.Map(static_cast<uint16_t>(0x3000 + i));
  EXPECT_EQ(code, 0x1FFF);
  EXPECT_EQ(allocator.Map(0x5000), 0x2100);
  EXPECT_EQ(allocator.Map(0x3000), 0x100);
}

TEST(GeneratorGlyphCodesTest, PostScriptCodesRunFrom0x21InEverySubFont) {
  GPostScriptGlyphCodeAllocator allocator;
  EXPECT_EQ(allocator.Map(0x41), 0x41);
  EXPECT_EQ(allocator.Map(0x2000), 0x121);
  uint16_t code = 0;
  for (uint32_t i = 2; i <= 223; ++i) code = allocator.Map(static_cast<uint16_t>(0x3000 + i));
  EXPECT_EQ(code, 0x1FF);
  EXPECT_EQ(allocator.Map(0x4000), 0x221);
  EXPECT_EQ(allocator.Map(0x2000), 0x121);
  // The codes run out without handing one out twice.
  std::vector<bool> seen(0x10000, false);
  for (uint32_t c = 0x100; c <= 0xFFFF; ++c) {
    const uint16_t mapped = allocator.Map(static_cast<uint16_t>(c));
    if (mapped == 0) continue;
    if (c == 0x2000 || c == 0x4000 || (c >= 0x3002 && c <= 0x30DF)) continue;
    EXPECT_FALSE(seen[mapped]) << c;
    seen[mapped] = true;
  }
  EXPECT_TRUE(allocator.IsExhausted());
}

TEST(GeneratorGlyphCodesTest, Pcl5eCodesDependOnTheMode) {
  GPcl5eGlyphCodeAllocator extended;
  EXPECT_EQ(extended.Map(100), 100);
  EXPECT_EQ(extended.Map(200), 0x8000);
  EXPECT_EQ(extended.Map(300), 0x8001);
  GPcl5eGlyphCodeAllocator plain;
  EXPECT_EQ(plain.SetExtendedMode(0), 256);
  EXPECT_EQ(plain.Map(200), 200);
  EXPECT_EQ(plain.Map(0x3042), 0x100);
  EXPECT_EQ(plain.SetExtendedMode(1), 128);
}

TEST(GeneratorGlyphCodesTest, TextInSingleByteAndUnicodeEncodingsConvertsThroughAGeneratorsAllocator) {
  GCheetahGlyphCodeAllocator allocator;
  for (int32_t encoding : {4, 5}) {
    SCOPED_TRACE(encoding);
    GTextString text(new GArrayHolder<uint8_t>(new uint8_t[2]{'h', 0xE9}, 2, true), 2, encoding);
    GTextString codes(text, 2, &allocator);
    EXPECT_EQ(codes.GetEncoding(), 2);
    EXPECT_EQ(codes.GetChar(0), 'h');
    EXPECT_EQ(codes.GetChar(1), 0xE9);
  }
  GTextString unicode(new GArrayHolder<uint16_t>(new uint16_t[3]{'h', 0x3042, 0x2014}, 3, true), 3, 16);
  GTextString codes(unicode, 2, &allocator);
  EXPECT_EQ(codes.GetChar(0), 'h');
  EXPECT_EQ(codes.GetChar(1), 0x100);
  EXPECT_EQ(codes.GetChar(2), 0x2014);
}

// ---- The generator's cache and allocator ----

TEST(GeneratorDownloadStateTest, ACopyMakesItsOwnAndTheBaseAssignmentDropsThem) {
  RemovalRecordingGenerator generator;
  generator.SetDownloadCache(new GCheetahDownloadCache);
  generator.SetGlyphCodeAllocator(new GCheetahGlyphCodeAllocator);
  // The PCL XL generator's copy makes fresh ones of its own.
  GCheetah copy(generator);
  ASSERT_NE(copy.GetDownloadCache(), nullptr);
  EXPECT_NE(copy.GetDownloadCache(), generator.GetDownloadCache());
  EXPECT_EQ(copy.GetDownloadCache()->GetEntryCount(), 0u);
  EXPECT_NE(copy.GetGlyphCodeAllocator(), generator.GetGlyphCodeAllocator());
  EXPECT_NE(generator.GetDownloadCache(), nullptr);
  GCheetah other;
  other.SetDownloadCache(new GCheetahDownloadCache);
  // The base's assignment (a generator skips an assignment from an equal one).
  static_cast<GPdlGenerator&>(other) = copy;
  EXPECT_EQ(other.GetDownloadCache(), nullptr);
  EXPECT_EQ(generator.NextUseStamp(), 0u);
  EXPECT_EQ(generator.NextUseStamp(), 1u);
}

}  // namespace
