// The TrueType reader on small hand-made fonts: the look-ups and walks that
// damaged fonts must not lead past their tables, the choice of the cmap
// subtable, the vertical forms, the table cache's size limit and the stamp.
#include <gtest/gtest.h>

#include <map>

#include "graphics/GGlyphCache.h"
#include "graphics/GTTFontReader.h"
#include "graphics/GTTTableCache.h"
#include "support/TestFontReader.h"

namespace {

using qvtest::CmapFormat4;
using qvtest::CmapTable;
using qvtest::PutU16;
using qvtest::PutU32;
using qvtest::SfntTag;
using Tables = std::vector<std::pair<uint32_t, std::vector<uint8_t>>>;

std::vector<uint8_t> TtrOS2(uint16_t firstChar = 0x20, uint16_t lastChar = 0xFFFF) {
  std::vector<uint8_t> os2(78, 0);
  os2[64] = firstChar >> 8;
  os2[65] = firstChar & 0xFF;
  os2[66] = lastChar >> 8;
  os2[67] = lastChar & 0xFF;
  os2[70] = 0xFF;  // sTypoDescender -200
  os2[71] = 0x38;
  return os2;
}

std::vector<uint8_t> TtrHead(uint16_t locaFormat) {
  std::vector<uint8_t> head(54, 0);
  head[51] = static_cast<uint8_t>(locaFormat);
  head[36] = 0xFF;  // xMin -10
  head[37] = 0xF6;
  head[43] = 100;  // yMax 100
  return head;
}

// A font of glyphs given as raw "glyf" records (long loca).
Tables TtrGlyphFont(const std::vector<std::vector<uint8_t>>& glyphs) {
  std::vector<uint8_t> glyf, loca;
  for (const auto& g : glyphs) {
    PutU32(loca, static_cast<uint32_t>(glyf.size()));
    glyf.insert(glyf.end(), g.begin(), g.end());
  }
  PutU32(loca, static_cast<uint32_t>(glyf.size()));
  std::vector<uint8_t> maxp;
  PutU32(maxp, 0x5000);
  PutU16(maxp, static_cast<uint32_t>(glyphs.size()));
  return {{SfntTag("head"), TtrHead(1)}, {SfntTag("maxp"), maxp}, {SfntTag("loca"), loca}, {SfntTag("glyf"), glyf}};
}

// A composite glyph of the given components (word arguments, no transform).
std::vector<uint8_t> TtrComposite(const std::vector<uint16_t>& components) {
  std::vector<uint8_t> g;
  PutU16(g, 0xFFFF);
  for (int i = 0; i < 4; ++i) PutU16(g, 0);
  for (size_t i = 0; i < components.size(); ++i) {
    PutU16(g, 0x0001 | (i + 1 < components.size() ? 0x0020 : 0));
    PutU16(g, components[i]);
    PutU16(g, 0);
    PutU16(g, 0);
  }
  return g;
}

std::vector<uint8_t> TtrSimpleGlyph() {
  std::vector<uint8_t> g;
  PutU16(g, 1);
  for (int i = 0; i < 4; ++i) PutU16(g, 0);
  PutU16(g, 0);  // one contour of one point
  PutU16(g, 0);  // no instructions
  g.push_back(0x01 | 0x02 | 0x10 | 0x04 | 0x20);  // on curve, short x, same y
  g.push_back(5);
  return g;
}

qvtest::TestFontReader* TtrReader(const Tables& tables) {
  return new qvtest::TestFontReader(1, qvtest::BuildSfnt(tables));
}

TEST(GTTFontReaderCmap, Format4WithoutFinalSegmentMapsNothingBeyondTheLast) {
  const Tables tables = {{SfntTag("OS/2"), TtrOS2()},
                         {SfntTag("cmap"), CmapTable({{3, 1, CmapFormat4({{0x41, 0x43, 2}})}})}};
  std::unique_ptr<qvtest::TestFontReader> reader(TtrReader(tables));
  EXPECT_EQ(reader->GetGlyphIndex(0, 0, 0x41, 16), 0x43);
  EXPECT_EQ(reader->GetGlyphIndex(0, 0, 0x43, 16), 0x45);
  // Beyond every segment: no 0xFFFF sentinel to stop the scan.
  EXPECT_EQ(reader->GetGlyphIndex(0, 0, 0x44, 16), 0);
  EXPECT_EQ(reader->GetGlyphIndex(0, 0, 0xFFFF, 16), 0);
  EXPECT_EQ(reader->GetGlyphIndex(0, 0, 0x40, 16), 0);
}

TEST(GTTFontReaderCmap, DamagedSubtablesGiveGlyphZero) {
  // Format 4 whose segment count claims arrays past the table's end.
  std::vector<uint8_t> longCount = CmapFormat4({{0x41, 0x43, 2}});
  longCount[6] = 0x7F;
  // An idRangeOffset that points past the table.
  std::vector<uint8_t> farRange = CmapFormat4({{0x41, 0x43, 0}});
  farRange[farRange.size() - 2] = 0x7F;
  // Format 2 cut short in its subHeaderKeys and with a far idRangeOffset.
  std::vector<uint8_t> shortFormat2 = {0, 2, 0, 10, 0, 0, 0, 0};
  std::vector<uint8_t> farFormat2(6 + 512, 0);
  farFormat2[1] = 2;
  for (uint16_t v : {0, 0x100, 0, 0x7FF0}) PutU16(farFormat2, v);  // firstCode, entryCount, idDelta, idRangeOffset
  for (const auto& sub : {longCount, farRange, shortFormat2, farFormat2}) {
    const Tables tables = {{SfntTag("OS/2"), TtrOS2()}, {SfntTag("cmap"), CmapTable({{3, 1, sub}})}};
    std::unique_ptr<qvtest::TestFontReader> reader(TtrReader(tables));
    EXPECT_EQ(reader->GetGlyphIndex(0, 0, 0x42, 16), 0);
  }
}

TEST(GTTFontReaderCmap, Format2MapsOneAndTwoByteCodes) {
  // Key 0 for every high byte but 0x81, whose subHeader (at 8) maps
  // 0x8140..0x8141 to glyphs 7 and 8; subHeader 0 maps single bytes
  // 0x20..0x21 to glyphs 3 and 4.
  std::vector<uint8_t> sub;
  PutU16(sub, 2);
  PutU16(sub, 0);
  PutU16(sub, 0);
  for (int i = 0; i < 256; ++i) PutU16(sub, i == 0x81 ? 8 : 0);
  // subHeader 0: firstCode 0x20, count 2, delta 0, rangeOffset to glyphs.
  PutU16(sub, 0x20);
  PutU16(sub, 2);
  PutU16(sub, 0);
  PutU16(sub, 2 + 8);  // from this field: rest of header 1 (8 bytes) + its own 2
  PutU16(sub, 0x40);
  PutU16(sub, 2);
  PutU16(sub, 0);
  PutU16(sub, 2 + 4);
  for (uint16_t g : {3, 4, 7, 8}) PutU16(sub, g);
  const Tables tables = {{SfntTag("OS/2"), TtrOS2()}, {SfntTag("cmap"), CmapTable({{3, 2, sub}})}};
  std::unique_ptr<qvtest::TestFontReader> reader(TtrReader(tables));
  // Shift-JIS text (id 17) keeps its code.
  EXPECT_EQ(reader->GetGlyphIndex(0, 0, 0x20, 17), 3);
  EXPECT_EQ(reader->GetGlyphIndex(0, 0, 0x21, 17), 4);
  EXPECT_EQ(reader->GetGlyphIndex(0, 0, 0x8140, 17), 7);
  EXPECT_EQ(reader->GetGlyphIndex(0, 0, 0x8141, 17), 8);
  EXPECT_EQ(reader->GetGlyphIndex(0, 0, 0x8142, 17), 0);
}

TEST(GTTFontReaderCmap, SelectsByPreferenceAndStaysInsideTheTable) {
  const auto sub = CmapFormat4({{0x41, 0x41, 0}});
  struct Case {
    std::vector<std::tuple<uint16_t, uint16_t, std::vector<uint8_t>>> records;
    uint16_t claimed;
    int32_t encodingId;
    int found;
    uint16_t encoding;
  } cases[] = {
      {{{3, 1, sub}, {3, 2, sub}}, 0, 17, 1, 2},
      {{{3, 2, sub}, {3, 1, sub}}, 0, 17, 1, 2},
      {{{3, 1, sub}, {3, 0, sub}}, 0, 3, 1, 0},
      {{{1, 0, sub}, {3, 5, sub}}, 0, 16, 1, 5},
      {{{1, 0, sub}}, 0, 16, 0, 0},
      // A record count far beyond the records the table holds.
      {{{3, 1, sub}}, 4000, 17, 1, 1},
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> cmap = CmapTable(c.records, c.claimed);
    std::unique_ptr<qvtest::TestFontReader> reader(TtrReader({}));
    GCmapSelection selection;
    EXPECT_EQ(reader->SelectCmapSubtable(cmap.data(), static_cast<uint32_t>(cmap.size()), c.encodingId, selection),
              c.found);
    EXPECT_EQ(selection.encoding, c.encoding);
    if (c.found) EXPECT_EQ(selection.format, 4);
  }
}

TEST(GTTFontReaderCmap, SymbolFontCodesTakeTheHighBits) {
  const Tables tables = {{SfntTag("OS/2"), TtrOS2(0xF020, 0xF0FF)},
                         {SfntTag("cmap"), CmapTable({{3, 0, CmapFormat4({{0xF041, 0xF041, 9}})}})}};
  std::unique_ptr<qvtest::TestFontReader> reader(TtrReader(tables));
  EXPECT_EQ(reader->GetGlyphIndex(0, 0, 0x41, 3), 0xF041 + 9);
}

TEST(GTTFontReaderCmap, GlyphIndexTextBelowTheGlyphCountSkipsTheCmap) {
  Tables tables = TtrGlyphFont({TtrSimpleGlyph(), TtrSimpleGlyph()});
  // Codes below 0x100 of a font whose first character is 0xF020 are looked
  // up as 0xF000 + code.
  tables.push_back({SfntTag("OS/2"), TtrOS2(0xF020)});
  tables.push_back({SfntTag("cmap"), CmapTable({{3, 1, CmapFormat4({{0xF005, 0xF005, 0x0FFF}})}})});
  std::unique_ptr<qvtest::TestFontReader> reader(TtrReader(tables));
  EXPECT_EQ(reader->GetGlyphIndex(0, 0, 1, 1), 1);
  EXPECT_EQ(reader->GetGlyphIndex(0, 0, 5, 1), 4);  // at or above the count: through the cmap
}

TEST(GTTFontReaderGlyphs, SelfReferringCompositeFailsWithoutEndlessRecursion) {
  // Glyph 1 refers to itself; glyph 2 to 3 and 3 to 2.
  std::unique_ptr<qvtest::TestFontReader> reader(
      TtrReader(TtrGlyphFont({TtrSimpleGlyph(), TtrComposite({1}), TtrComposite({3}), TtrComposite({0, 2})})));
  for (uint16_t glyph : {1, 2, 3}) {
    GGlyphRequest request;
    request.glyph = glyph;
    request.render = 1;
    EXPECT_EQ(reader->ProcessGlyph(request), 0) << glyph;
  }
  EXPECT_EQ(reader->renders, 0);
}

TEST(GTTFontReaderGlyphs, CompositeLoadsItsComponentsAndRendersOnlyItself) {
  std::unique_ptr<qvtest::TestFontReader> reader(
      TtrReader(TtrGlyphFont({TtrSimpleGlyph(), TtrSimpleGlyph(), TtrComposite({0, 1}), {}})));
  GGlyphRequest request;
  request.glyph = 2;
  request.code = 0x41;
  request.render = 1;
  request.encodingId = 16;
  EXPECT_EQ(reader->ProcessGlyph(request), 1);
  EXPECT_EQ(reader->renderedGlyphs, std::vector<uint16_t>({2}));
  std::unique_ptr<GByteBuffer> view;
  EXPECT_EQ(reader->FindCachedGlyphData(0, view), 1);
  EXPECT_EQ(reader->FindCachedGlyphData(1, view), 1);
  // Glyph 3 has no outline: an empty buffer, length 0, success without rendering.
  std::unique_ptr<GByteBuffer> empty;
  EXPECT_EQ(reader->GetGlyphData(0, 1, 3, empty), 0u);
  ASSERT_NE(empty, nullptr);
  request.glyph = 3;
  EXPECT_EQ(reader->ProcessGlyph(request), 1);
  EXPECT_EQ(reader->renders, 1);
}

TEST(GTTFontReaderGlyphs, TruncatedCompositeAndFarLocaFail) {
  std::vector<uint8_t> cut = TtrComposite({0, 0});
  cut.resize(cut.size() - 3);  // the last component's arguments are missing
  Tables tables = TtrGlyphFont({TtrSimpleGlyph(), cut});
  std::unique_ptr<qvtest::TestFontReader> reader(TtrReader(tables));
  GGlyphRequest request;
  request.glyph = 1;
  EXPECT_EQ(reader->ProcessGlyph(request), 0);
  // A loca entry far beyond "glyf": nothing is read or reserved.
  for (auto& [tag, bytes] : tables)
    if (tag == SfntTag("loca")) bytes[8] = 0x7F;
  std::unique_ptr<qvtest::TestFontReader> far(TtrReader(tables));
  std::unique_ptr<GByteBuffer> data;
  EXPECT_EQ(far->GetGlyphData(0, 1, 1, data), 0u);
  EXPECT_EQ(data, nullptr);
}

TEST(GTTFontReaderMetrics, AdvancesAndBearingsStayInsideHmtx) {
  std::vector<uint8_t> hhea(36, 0);
  hhea[35] = 2;  // two long metrics
  std::vector<uint8_t> hmtx;
  for (uint16_t v : {500, 10, 600, 20, 30}) PutU16(hmtx, v);  // then one bearing
  std::unique_ptr<qvtest::TestFontReader> reader(
      TtrReader({{SfntTag("hhea"), hhea}, {SfntTag("hmtx"), hmtx}, {SfntTag("head"), TtrHead(0)}}));
  uint16_t advance = 0;
  int16_t bearing = 0;
  ASSERT_EQ(reader->GetHorizontalMetrics(0, 1, &advance, &bearing), 1);
  EXPECT_EQ(advance, 600);
  EXPECT_EQ(bearing, 20);
  ASSERT_EQ(reader->GetHorizontalMetrics(0, 2, &advance, &bearing), 1);
  EXPECT_EQ(advance, 600);
  EXPECT_EQ(bearing, 30);
  // Beyond the bearings the table holds: no metrics, no over-read.
  EXPECT_EQ(reader->GetHorizontalMetrics(0, 3, &advance, &bearing), 0);
  EXPECT_EQ(reader->GetHorizontalMetrics(0, 0xFFFF, &advance, &bearing), 0);
  EXPECT_EQ(reader->GetVerticalMetrics(0, 0, &advance, &bearing), 0);  // no vhea
  int16_t xMin = 0, yMax = 0;
  EXPECT_EQ(reader->GetFontBBox(0, &xMin, nullptr, nullptr, &yMax), 8);
  EXPECT_EQ(xMin, -10);
  EXPECT_EQ(yMax, 100);
}

// A "mort" table of the one shape the reader understands, with the pairs.
std::vector<uint8_t> TtrMort(const std::vector<std::pair<uint16_t, uint16_t>>& pairs, uint16_t claimed = 0) {
  std::vector<uint8_t> m(76, 0);
  const uint8_t head[] = {0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01};
  std::memcpy(m.data(), head, 12);
  const uint8_t a[] = {0x00, 0x03, 0x00, 0x01};
  std::memcpy(m.data() + 16, a, 4);
  const uint8_t b[] = {0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFF};
  std::memcpy(m.data() + 20, b, 12);
  const uint8_t c[] = {0x00, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFE};
  std::memcpy(m.data() + 32, c, 12);
  m[45] = 0x08;
  m[58] = 0x80;
  m[59] = 0x04;
  const uint8_t d[] = {0x00, 0x00, 0x00, 0x01, 0x00, 0x06, 0x00, 0x04};
  std::memcpy(m.data() + 60, d, 8);
  const uint16_t units = claimed != 0 ? claimed : static_cast<uint16_t>(pairs.size());
  m[68] = units >> 8;
  m[69] = units & 0xFF;
  for (const auto& [from, to] : pairs) {
    PutU16(m, from);
    PutU16(m, to);
  }
  m.push_back(0);
  return m;
}

TEST(GTTFontReaderVertical, MortPairsAreBoundedByTheTable) {
  EXPECT_EQ(GTTMortVerticalForm(TtrMort({{5, 50}, {6, 60}}).data(), 76 + 8 + 1, 6), 60);
  EXPECT_EQ(GTTMortVerticalForm(TtrMort({{5, 50}}).data(), 76 + 4 + 1, 7), 7);
  // A pair count beyond the table: the table is not used at all.
  const auto claimed = TtrMort({{5, 50}}, 1000);
  EXPECT_EQ(GTTMortVerticalForm(claimed.data(), static_cast<uint32_t>(claimed.size()), 5), 5);
  // One byte off the expected shape: no substitution.
  auto off = TtrMort({{5, 50}});
  off[59] = 0x05;
  EXPECT_EQ(GTTMortVerticalForm(off.data(), static_cast<uint32_t>(off.size()), 5), 5);
}

// A GSUB with one "vert" feature listing the given lookups; each lookup is
// (type, single-substitution format 1 delta) over a coverage of glyph 10.
std::vector<uint8_t> TtrGsub(const std::vector<uint16_t>& types) {
  std::vector<uint8_t> g;
  PutU32(g, 0x00010000);
  PutU16(g, 0);   // ScriptList
  PutU16(g, 10);  // FeatureList
  const uint32_t n = static_cast<uint32_t>(types.size());
  const uint32_t lookupList = 10 + 2 + 6 + 4 + 2 * n;
  PutU16(g, lookupList);
  PutU16(g, 1);  // FeatureList: one record
  PutU32(g, qvtest::SfntTag("vert"));
  PutU16(g, 8);
  PutU16(g, 0);  // Feature: params, count, indexes
  PutU16(g, n);
  for (uint32_t i = 0; i < n; ++i) PutU16(g, i);
  // LookupList: count, offsets; each lookup 8 bytes + subtable 6 + coverage 6.
  PutU16(g, n);
  for (uint32_t i = 0; i < n; ++i) PutU16(g, 2 + 2 * n + 20 * i);
  for (uint16_t type : types) {
    PutU16(g, type);
    PutU16(g, 0);
    PutU16(g, 1);
    PutU16(g, 8);  // subtable right after
    PutU16(g, 1);  // format 1
    PutU16(g, 6);  // coverage
    PutU16(g, 100);
    PutU16(g, 1);  // coverage format 1, one glyph: 10
    PutU16(g, 1);
    PutU16(g, 10);
  }
  return g;
}

TEST(GTTFontReaderVertical, GsubVertSingleSubstitution) {
  const auto one = TtrGsub({1});
  EXPECT_EQ(GTTGsubVerticalForm(one.data(), static_cast<uint32_t>(one.size()), 10), 110);
  EXPECT_EQ(GTTGsubVerticalForm(one.data(), static_cast<uint32_t>(one.size()), 11), 11);
  const auto typeTwoFirst = TtrGsub({2, 1});
  EXPECT_EQ(GTTGsubVerticalForm(typeTwoFirst.data(), static_cast<uint32_t>(typeTwoFirst.size()), 10), 10);
  // Every prefix of the table: never a read past its end.
  for (uint32_t n = 0; n < one.size(); ++n) GTTGsubVerticalForm(one.data(), n, 10);
}

TEST(GTTFontReaderTables, CachesBelowTheLimitAndReadsLargerTablesPiecewise) {
  for (uint32_t size : {GTTFontReader::kCacheLimit - 1, GTTFontReader::kCacheLimit}) {
    std::vector<uint8_t> big(size, 0x5A);
    std::unique_ptr<qvtest::TestFontReader> reader(TtrReader({{SfntTag("glyf"), big}}));
    uint8_t bytes[4] = {};
    EXPECT_EQ(reader->ReadTableBytes(0, GTTFontReader::kGlyf, size - 4, 1, bytes, 4), 4u);
    EXPECT_EQ(reader->ReadTableBytes(0, GTTFontReader::kGlyf, size - 3, 1, bytes, 4), 0u);
    const bool cached = reader->GetTableCache() != nullptr && reader->GetTableCache()->IsPresent(GTTFontReader::kGlyf);
    EXPECT_EQ(cached, size < GTTFontReader::kCacheLimit) << size;
    EXPECT_EQ(reader->GetStamp(), cached ? 1u : 0u);
  }
}

TEST(GTTFontReaderTables, MissingTableIsRecordedAndThePrefetchRunsOnce) {
  std::unique_ptr<qvtest::TestFontReader> reader(TtrReader(TtrGlyphFont({TtrSimpleGlyph()})));
  std::unique_ptr<GByteBuffer> out;
  EXPECT_EQ(reader->GetTable(0, GTTFontReader::kName, 1, out), 0u);
  const int queries = reader->lengthQueries;
  EXPECT_EQ(reader->GetTableSize(0, GTTFontReader::kName), 0u);
  EXPECT_EQ(reader->lengthQueries, queries);  // answered by the cache
  EXPECT_EQ(reader->HasRequiredTables(0), 0);
  EXPECT_EQ(reader->Prefetch(0, 0), 1);
  const uint32_t stamp = reader->GetStamp();
  EXPECT_GT(stamp, 0u);
  EXPECT_EQ(reader->FindCachedGlyphData(0, out), 1);
  EXPECT_EQ(reader->Prefetch(0, 0), 1);
  EXPECT_EQ(reader->GetStamp(), stamp);
}

TEST(GTTFontReaderTables, NoCachingWhenTheReaderForbidsIt) {
  std::unique_ptr<qvtest::TestFontReader> reader(TtrReader(TtrGlyphFont({TtrSimpleGlyph()})));
  reader->canCache = false;
  uint8_t bytes[2] = {};
  EXPECT_EQ(reader->ReadTableBytes(0, GTTFontReader::kMaxp, 4, 1, bytes, 2), 2u);
  EXPECT_EQ(reader->GetTableCache(), nullptr);
  uint16_t count = 0;
  EXPECT_EQ(reader->GetGlyphCount(0, &count), 1);
  EXPECT_EQ(count, 1);
}

}  // namespace
