// The TrueType reader (GTTFontReader). The name of this file is the source
// name in the reader's fatal-error reports.
#include <algorithm>
#include <cstring>

#include "driver/GCodePageConverter.h"
#include "driver/GLock.h"
#include "driver/osfactry.h"
#include "graphics/GGlyphCache.h"
#include "graphics/GTTFontReader.h"
#include "graphics/GTTTableCache.h"
#include "model/MStoredMembers.h"

namespace {

constexpr const char* kReaderSource = "ttftfile";

constexpr uint32_t TTTag(char a, char b, char c, char d) {
  return static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24 | static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8 | static_cast<uint8_t>(d);
}

// The tables a usable font must have.
constexpr uint32_t kRequiredTags[] = {
    TTTag('c', 'm', 'a', 'p'), TTTag('g', 'l', 'y', 'f'), TTTag('h', 'e', 'a', 'd'), TTTag('h', 'h', 'e', 'a'),
    TTTag('h', 'm', 't', 'x'), TTTag('l', 'o', 'c', 'a'), TTTag('m', 'a', 'x', 'p'), TTTag('n', 'a', 'm', 'e'),
    TTTag('p', 'o', 's', 't'), TTTag('O', 'S', '/', '2')};

// The tables Prefetch reads, as tag indexes.
constexpr uint32_t kPrefetchedTables[] = {0, 4, 5, 6, 7, 9, 1, 13, 16, 17, 18, 19, 22, 23};

// Platform-3 encodings preferred for an encoding id, most preferred first.
struct CmapPreference {
  const uint16_t* encodings;
  uint32_t count;
};

CmapPreference CmapPreferenceFor(int32_t encodingId) {
  static constexpr uint16_t kSymbol[] = {0};
  static constexpr uint16_t kShiftJis[] = {2, 1};
  static constexpr uint16_t kChinese[] = {3, 1};
  static constexpr uint16_t kKorean[] = {5, 1};
  static constexpr uint16_t kJohab[] = {6, 1};
  static constexpr uint16_t kBig5[] = {4, 1};
  static constexpr uint16_t kUnicode[] = {1};
  switch (encodingId) {
    case 3: return {kSymbol, 1};
    case 17: return {kShiftJis, 2};
    case 18:
    case 19: return {kChinese, 2};
    case 20:
    case 21: return {kKorean, 2};
    case 22: return {kJohab, 2};
    case 23: return {kBig5, 2};
    default: return {kUnicode, 1};
  }
}

// The encoding id that Unicode text is converted to for a subtable of
// another platform-3 encoding; 0 when there is no conversion.
int32_t EncodingIdForSubtable(uint16_t encoding) {
  switch (encoding) {
    case 2: return 17;
    case 3: return 18;
    case 4: return 23;
    case 5: return 21;
    case 6: return 22;
    default: return 0;
  }
}

bool IsDoubleByteOrGlyphEncoding(int32_t encodingId) {
  return encodingId == 1 || (encodingId >= 16 && encodingId <= 23);
}

}  // namespace

const uint32_t GTTFontReader::kTags[kTagCount + 1] = {
    TTTag('c', 'm', 'a', 'p'), TTTag('h', 'e', 'a', 'd'), TTTag('g', 'l', 'y', 'f'), TTTag('l', 'o', 'c', 'a'),
    TTTag('m', 'a', 'x', 'p'), TTTag('m', 'o', 'r', 't'), TTTag('n', 'a', 'm', 'e'), TTTag('O', 'S', '/', '2'),
    TTTag('p', 'o', 's', 't'), TTTag('c', 'v', 't', ' '), TTTag('e', 'd', 't', '0'), TTTag('e', 'd', 't', '1'),
    TTTag('c', 'r', 'y', 'p'), TTTag('f', 'p', 'g', 'm'), TTTag('g', 'd', 'i', 'r'), TTTag('h', 'd', 'm', 'x'),
    TTTag('h', 'h', 'e', 'a'), TTTag('h', 'm', 't', 'x'), TTTag('v', 'h', 'e', 'a'), TTTag('v', 'm', 't', 'x'),
    TTTag('k', 'e', 'r', 'n'), TTTag('L', 'T', 'S', 'H'), TTTag('G', 'S', 'U', 'B'), TTTag('p', 'r', 'e', 'p'),
    TTTag('P', 'C', 'L', 'T'), 0};

// ---- Bounded reads ----

bool GTTReadU16(const uint8_t* data, uint32_t length, uint64_t offset, uint16_t& out) {
  if (data == nullptr || offset + 2 > length) return false;
  out = static_cast<uint16_t>(data[offset] << 8 | data[offset + 1]);
  return true;
}

bool GTTReadU32(const uint8_t* data, uint32_t length, uint64_t offset, uint32_t& out) {
  if (data == nullptr || offset + 4 > length) return false;
  out = static_cast<uint32_t>(data[offset]) << 24 | static_cast<uint32_t>(data[offset + 1]) << 16 |
        static_cast<uint32_t>(data[offset + 2]) << 8 | data[offset + 3];
  return true;
}

// ---- Look-ups ----

// The first segment whose end is at least the code, narrowed first by
// halving and then found by a short linear scan; no final 0xFFFF segment
// is relied on: a code beyond every segment maps to nothing.
uint16_t GTTCmapFormat4Lookup(const uint8_t* cmap, uint32_t length, uint32_t offset, uint16_t code) {
  uint16_t segCountX2 = 0;
  if (!GTTReadU16(cmap, length, uint64_t{offset} + 6, segCountX2)) return 0;
  const uint32_t segCount = segCountX2 / 2u;
  if (segCount == 0) return 0;
  const uint64_t ends = uint64_t{offset} + 14;
  const uint64_t starts = uint64_t{offset} + 16 + segCountX2;
  const uint64_t deltas = starts + segCountX2;
  const uint64_t rangeOffsets = deltas + segCountX2;
  // The four arrays must lie inside the table.
  if (rangeOffsets + segCountX2 > length) return 0;
  auto endAt = [&](uint32_t i) {
    uint16_t v = 0;
    GTTReadU16(cmap, length, ends + 2u * i, v);
    return v;
  };
  uint32_t first = 0;
  if (segCountX2 >= 16) {
    uint32_t half = 1;
    while (half * 2 <= segCount) half *= 2;
    if (endAt(half - 1) < code) first = segCount - half;
    while (half > 1) {
      half /= 2;
      if (first + half - 1 < segCount && endAt(first + half - 1) < code) first += half;
    }
  }
  uint32_t i = first;
  while (i < segCount && endAt(i) < code) ++i;
  if (i == segCount) return 0;
  uint16_t start = 0, delta = 0, rangeOffset = 0;
  GTTReadU16(cmap, length, starts + 2u * i, start);
  GTTReadU16(cmap, length, deltas + 2u * i, delta);
  GTTReadU16(cmap, length, rangeOffsets + 2u * i, rangeOffset);
  if (code < start) return 0;
  if (rangeOffset == 0) return static_cast<uint16_t>(code + delta);
  uint16_t glyph = 0;
  const uint64_t at = rangeOffsets + 2u * i + rangeOffset + 2u * (code - start);
  if (!GTTReadU16(cmap, length, at, glyph) || glyph == 0) return 0;
  return static_cast<uint16_t>(glyph + delta);
}

uint16_t GTTCmapFormat2Lookup(const uint8_t* cmap, uint32_t length, uint32_t offset, uint16_t code) {
  uint16_t key = 0;
  if (!GTTReadU16(cmap, length, uint64_t{offset} + 6 + 2u * (code >> 8), key)) return 0;
  const uint16_t byte = (key != 0 || code < 256) ? (code & 0xFF) : (code >> 8);
  const uint64_t header = uint64_t{offset} + 518 + key;
  uint16_t firstCode = 0, entryCount = 0, idDelta = 0, idRangeOffset = 0;
  if (!GTTReadU16(cmap, length, header, firstCode) || !GTTReadU16(cmap, length, header + 2, entryCount) ||
      !GTTReadU16(cmap, length, header + 4, idDelta) || !GTTReadU16(cmap, length, header + 6, idRangeOffset))
    return 0;
  const uint16_t d = static_cast<uint16_t>(byte - firstCode);
  if (d >= entryCount) return 0;
  uint16_t glyph = 0;
  if (!GTTReadU16(cmap, length, header + 6 + idRangeOffset + 2u * d, glyph) || glyph == 0) return 0;
  return static_cast<uint16_t>(glyph + idDelta);
}

uint16_t GTTMortVerticalForm(const uint8_t* mort, uint32_t length, uint16_t glyph) {
  static constexpr struct {
    uint32_t offset;
    uint8_t bytes[12];
    uint32_t count;
  } kExpected[] = {
      {0, {0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01}, 12},
      {16, {0x00, 0x03, 0x00, 0x01}, 4},
      {20, {0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFF}, 12},
      {32, {0x00, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFE}, 12},
      {44, {0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, 12},
      {58, {0x80, 0x04}, 2},
      {60, {0x00, 0x00, 0x00, 0x01, 0x00, 0x06, 0x00, 0x04}, 8},
  };
  if (mort == nullptr || length < 77) return glyph;
  uint16_t units = 0;
  GTTReadU16(mort, length, 68, units);
  if (76 + 4u * units > length) return glyph;
  for (const auto& run : kExpected)
    if (std::memcmp(mort + run.offset, run.bytes, run.count) != 0) return glyph;
  for (uint32_t i = 0; i < units; ++i) {
    uint16_t from = 0, to = 0;
    GTTReadU16(mort, length, 76 + 4u * i, from);
    GTTReadU16(mort, length, 78 + 4u * i, to);
    if (from == glyph) return to;
  }
  return glyph;
}

uint16_t GTTGsubVerticalForm(const uint8_t* gsub, uint32_t length, uint16_t glyph) {
  uint32_t version = 0;
  uint16_t featureList = 0, lookupList = 0, featureCount = 0, lookupCount = 0;
  if (length < 10 || !GTTReadU32(gsub, length, 0, version)) return glyph;
  if (version != 0x00010000 && version != 0x00001000) return glyph;
  if (!GTTReadU16(gsub, length, 6, featureList) || !GTTReadU16(gsub, length, 8, lookupList)) return glyph;
  if (!GTTReadU16(gsub, length, featureList, featureCount) || !GTTReadU16(gsub, length, lookupList, lookupCount))
    return glyph;
  // The first feature tagged "vert".
  uint64_t feature = 0;
  bool found = false;
  for (uint32_t i = 0; i < featureCount && !found; ++i) {
    uint32_t tag = 0;
    uint16_t at = 0;
    const uint64_t record = uint64_t{featureList} + 2 + 6u * i;
    if (!GTTReadU32(gsub, length, record, tag) || !GTTReadU16(gsub, length, record + 4, at)) return glyph;
    if (tag == TTTag('v', 'e', 'r', 't')) {
      feature = uint64_t{featureList} + at;
      found = true;
    }
  }
  if (!found) return glyph;
  uint16_t indexCount = 0;
  if (!GTTReadU16(gsub, length, feature + 2, indexCount)) return glyph;
  for (uint32_t i = 0; i < indexCount; ++i) {
    uint16_t index = 0, lookupAt = 0, type = 0, subCount = 0;
    if (!GTTReadU16(gsub, length, feature + 4 + 2u * i, index) || index >= lookupCount) return glyph;
    if (!GTTReadU16(gsub, length, uint64_t{lookupList} + 2 + 2u * index, lookupAt)) return glyph;
    const uint64_t lookup = uint64_t{lookupList} + lookupAt;
    if (!GTTReadU16(gsub, length, lookup, type) || type != 1) return glyph;
    if (!GTTReadU16(gsub, length, lookup + 4, subCount)) return glyph;
    for (uint32_t s = 0; s < subCount; ++s) {
      uint16_t subAt = 0, format = 0, coverageAt = 0, coverageFormat = 0, count = 0;
      if (!GTTReadU16(gsub, length, lookup + 6 + 2u * s, subAt)) return glyph;
      const uint64_t sub = lookup + subAt;
      if (!GTTReadU16(gsub, length, sub, format) || (format != 1 && format != 2)) return glyph;
      if (!GTTReadU16(gsub, length, sub + 2, coverageAt)) return glyph;
      const uint64_t coverage = sub + coverageAt;
      if (!GTTReadU16(gsub, length, coverage, coverageFormat) || !GTTReadU16(gsub, length, coverage + 2, count))
        return glyph;
      int64_t coverageIndex = -1;
      for (uint32_t c = 0; c < count && coverageIndex < 0; ++c) {
        if (coverageFormat == 1) {
          uint16_t g = 0;
          if (!GTTReadU16(gsub, length, coverage + 4 + 2u * c, g)) return glyph;
          if (g == glyph) coverageIndex = c;
        } else if (coverageFormat == 2) {
          uint16_t first = 0, last = 0, startIndex = 0;
          const uint64_t range = coverage + 4 + 6u * c;
          if (!GTTReadU16(gsub, length, range, first) || !GTTReadU16(gsub, length, range + 2, last) ||
              !GTTReadU16(gsub, length, range + 4, startIndex))
            return glyph;
          if (first <= glyph && glyph <= last) coverageIndex = int64_t{startIndex} + glyph - first;
        } else {
          break;
        }
      }
      if (coverageIndex < 0) continue;
      if (format == 1) {
        uint16_t delta = 0;
        if (!GTTReadU16(gsub, length, sub + 4, delta)) return glyph;
        return static_cast<uint16_t>(glyph + delta);
      }
      uint16_t substitutes = 0, substitute = 0;
      if (!GTTReadU16(gsub, length, sub + 4, substitutes) || coverageIndex >= substitutes) return glyph;
      if (!GTTReadU16(gsub, length, sub + 6 + 2u * static_cast<uint64_t>(coverageIndex), substitute)) return glyph;
      return substitute;
    }
  }
  return glyph;
}

// ---- GTTFontReader ----

GTTFontReader::GTTFontReader(uint32_t key) : key_(key) {
  if (GOSFactory* factory = GOSFactory::GetInstance()) factory->EnsureLock(&lock_);
}

GTTFontReader::~GTTFontReader() {
  delete lock_;
  lock_ = nullptr;
}

QV_PERSISTENT_ID_DEFINE(GTTFontReader, MPersistentObject, GTTFontReaderClassId)

GTTTableCache* GTTFontReader::GetTableCache() const { return static_cast<GTTTableCache*>(tableCache_.Pointee()); }
GGlyphCache* GTTFontReader::GetGlyphCache() const { return static_cast<GGlyphCache*>(glyphCache_.Pointee()); }

void GTTFontReader::Lock() {
  if (lock_ != nullptr && lock_->Lock() != 0) ReportFatalError(2, kLockErrorId, kReaderSource, __LINE__, "");
  locked_ = 1;
}

void GTTFontReader::Unlock() {
  locked_ = 0;
  if (lock_ != nullptr && lock_->Unlock() == -2) ReportFatalError(2, kUnlockErrorId, kReaderSource, __LINE__, "");
}

int GTTFontReader::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* font = dynamic_cast<const GTTFontReader*>(other);
  if (font == nullptr) return 0;
  if (locaFormat_ != font->locaFormat_ || !(record1_ == font->record1_) || !(record2_ == font->record2_) ||
      !(glyphCount_ == font->glyphCount_) || !(typoDescender_ == font->typoDescender_) ||
      !(horizontalMetricCount_ == font->horizontalMetricCount_) ||
      !(verticalMetricCount_ == font->verticalMetricCount_))
    return 0;
  auto same = [](const MPersistentObject* a, const MPersistentObject* b) {
    if (a == nullptr || b == nullptr) return a == b;
    return a->Matches(b) != 0;
  };
  return same(tableCache_.Pointee(), font->tableCache_.Pointee()) &&
         same(glyphCache_.Pointee(), font->glyphCache_.Pointee());
}

void GTTFontReader::AssignFrom(GTTFontReader& other) {
  if (&other == this) return;
  if (GTTTableCache* theirs = other.GetTableCache()) {
    if (tableCache_.IsEmpty()) tableCache_ = GCountedRef(new GTTTableCache);
    if (GetTableCache() != theirs) GetTableCache()->AssignFrom(*theirs);
  }
  if (GGlyphCache* theirs = other.GetGlyphCache()) {
    if (glyphCache_.IsEmpty()) glyphCache_ = GCountedRef(new GGlyphCache);
    if (GetGlyphCache() != theirs) GetGlyphCache()->AssignFrom(*theirs);
  }
  locaFormat_ = other.locaFormat_;
  record1_ = other.record1_;
  record2_ = other.record2_;
  glyphCount_ = other.glyphCount_;
  typoDescender_ = other.typoDescender_;
  horizontalMetricCount_ = other.horizontalMetricCount_;
  verticalMetricCount_ = other.verticalMetricCount_;
}

// ---- Tables ----

int GTTFontReader::HasRequiredTables(uint32_t source) {
  for (uint32_t tag : kRequiredTags)
    if (GetTableLength(source, tag) == 0) return 0;
  return 1;
}

uint32_t GTTFontReader::GetTableSize(uint32_t source, uint32_t tagIndex) {
  if (tagIndex >= kTagCount) return 0;
  const GTTTableCache* cache = GetTableCache();
  if (cache != nullptr && cache->IsPresent(tagIndex)) return cache->GetLength(tagIndex);
  return GetTableLength(source, kTags[tagIndex]);
}

uint32_t GTTFontReader::ReadCachedTableBytes(uint32_t tagIndex, uint32_t offset, uint8_t* destination,
                                             uint32_t length) const {
  const GTTTableCache* cache = GetTableCache();
  if (cache == nullptr || !cache->IsPresent(tagIndex)) return 0;
  if (uint64_t{offset} + length > cache->GetLength(tagIndex) || length == 0) return 0;
  std::unique_ptr<GByteBuffer> view(cache->FindTable(tagIndex));
  if (view == nullptr || view->GetData() == nullptr) return 0;
  std::memcpy(destination, view->GetData() + offset, length);
  return length;
}

uint32_t GTTFontReader::ReadTableBytes(uint32_t source, uint32_t tagIndex, uint32_t offset, int32_t cacheFlag,
                                       uint8_t* destination, uint32_t length) {
  if (tagIndex >= kTagCount || destination == nullptr) return 0;
  if (ReadCachedTableBytes(tagIndex, offset, destination, length) == length && length != 0) return length;
  const uint32_t tag = kTags[tagIndex];
  if (cacheFlag != 0 && CanCacheTables()) {
    const uint32_t size = GetTableLength(source, tag);
    if (size == 0) {
      CacheTable(tagIndex, nullptr);
      return 0;
    }
    if (uint64_t{offset} + length > size) return 0;
    if (size >= kCacheLimit) return ReadTablePart(source, tag, offset, destination, length);
    std::unique_ptr<GByteBuffer> whole;
    if (ReadTable(source, tag, whole, size) != size || whole == nullptr || whole->GetLength() != size) return 0;
    std::memcpy(destination, whole->GetData() + offset, length);
    CacheTable(tagIndex, whole.release());
    return length;
  }
  return ReadTablePart(source, tag, offset, destination, length);
}

uint32_t GTTFontReader::GetTable(uint32_t source, uint32_t tagIndex, int32_t cacheFlag,
                                 std::unique_ptr<GByteBuffer>& out) {
  out.reset();
  if (tagIndex >= kTagCount) return 0;
  if (const GTTTableCache* cache = GetTableCache(); cache != nullptr && cache->IsPresent(tagIndex)) {
    std::unique_ptr<GByteBuffer> view(cache->FindTable(tagIndex));
    const uint32_t length = view != nullptr ? view->GetLength() : 0;
    if (length != 0) out = std::move(view);
    return length;
  }
  const uint32_t tag = kTags[tagIndex];
  const uint32_t size = GetTableLength(source, tag);
  const bool caching = cacheFlag != 0 && CanCacheTables();
  if (size == 0) {
    if (caching) CacheTable(tagIndex, nullptr);
    return 0;
  }
  std::unique_ptr<GByteBuffer> read;
  if (ReadTable(source, tag, read, size) != size || read == nullptr || read->GetLength() != size) return 0;
  // The cache takes the bytes; the caller keeps a view of them.
  if (caching && size < kCacheLimit) CacheTable(tagIndex, read->Detach());
  out = std::move(read);
  return size;
}

uint32_t GTTFontReader::FindCachedTable(uint32_t tagIndex, std::unique_ptr<GByteBuffer>& out) const {
  out.reset();
  const GTTTableCache* cache = GetTableCache();
  if (cache == nullptr) return 0;
  out.reset(cache->FindTable(tagIndex));
  return out != nullptr ? out->GetLength() : 0;
}

int GTTFontReader::CacheTable(uint32_t tagIndex, GByteBuffer* buffer) {
  if (tableCache_.IsEmpty()) tableCache_ = GCountedRef(new GTTTableCache);
  GTTTableCache* cache = GetTableCache();
  const int before = cache->GetEntryCount();
  cache->AddTable(tagIndex, buffer);
  if (cache->GetEntryCount() > before) IncrementStamp();
  return cache->GetEntryCount();
}

// ---- Glyphs ----

int GTTFontReader::CacheGlyph(uint16_t glyph, GByteBuffer* glyphData, GByteBuffer* rendering) {
  if (glyphCache_.IsEmpty()) glyphCache_ = GCountedRef(new GGlyphCache);
  GGlyphCache* cache = GetGlyphCache();
  const int before = cache->GetEntryCount();
  cache->AddNode(glyph, new GGlyphCacheNode(glyphData, rendering));
  if (cache->GetEntryCount() > before) IncrementStamp();
  return cache->GetEntryCount();
}

int GTTFontReader::FindCachedGlyphData(uint16_t glyph, std::unique_ptr<GByteBuffer>& out) const {
  out.reset();
  const GGlyphCache* cache = GetGlyphCache();
  const GGlyphCacheNode* node = cache != nullptr ? cache->FindNode(glyph) : nullptr;
  if (node == nullptr || node->GetOutlineLength() == 0) return 0;
  out.reset(node->GetOutline());
  return 1;
}

int GTTFontReader::FindCachedRendering(uint16_t glyph, std::unique_ptr<GByteBuffer>& out) const {
  out.reset();
  const GGlyphCache* cache = GetGlyphCache();
  const GGlyphCacheNode* node = cache != nullptr ? cache->FindNode(glyph) : nullptr;
  if (node == nullptr || node->GetRenderingLength() == 0) return 0;
  out.reset(node->GetRendering());
  return 1;
}

int GTTFontReader::ReadLocaFormat(uint32_t source) {
  if (locaFormat_ != 255) return 1;
  uint8_t bytes[2] = {0, 0};
  if (ReadTableBytes(source, kHead, 50, 0, bytes, 2) != 2) return 0;
  locaFormat_ = bytes[1];
  return 1;
}

uint32_t GTTFontReader::GetGlyphOffset(uint32_t source, uint16_t glyph) {
  if (!ReadLocaFormat(source)) return 0;
  uint8_t bytes[4] = {0, 0, 0, 0};
  if (locaFormat_ == 1) {
    uint32_t offset = 0;
    if (ReadTableBytes(source, kLoca, 4u * glyph, 1, bytes, 4) != 4) return 0;
    GTTReadU32(bytes, 4, 0, offset);
    return offset;
  }
  uint16_t offset = 0;
  if (ReadTableBytes(source, kLoca, 2u * glyph, 1, bytes, 2) != 2) return 0;
  GTTReadU16(bytes, 2, 0, offset);
  return 2u * offset;
}

uint32_t GTTFontReader::GetGlyphData(uint32_t source, int32_t cacheFlag, uint16_t glyph,
                                     std::unique_ptr<GByteBuffer>& out) {
  out.reset();
  if (FindCachedGlyphData(glyph, out)) return out->GetLength();
  if (!ReadLocaFormat(source)) return 0;
  uint32_t start = 0, end = 0;
  uint8_t bytes[8] = {};
  if (locaFormat_ == 1) {
    if (ReadTableBytes(source, kLoca, 4u * glyph, 1, bytes, 8) != 8) return 0;
    GTTReadU32(bytes, 8, 0, start);
    GTTReadU32(bytes, 8, 4, end);
  } else {
    uint16_t a = 0, b = 0;
    if (ReadTableBytes(source, kLoca, 2u * glyph, 1, bytes, 4) != 4) return 0;
    GTTReadU16(bytes, 4, 0, a);
    GTTReadU16(bytes, 4, 2, b);
    start = 2u * a;
    end = 2u * b;
  }
  const uint32_t length = end > start ? end - start : 0;
  if (length == 0) {
    out = std::make_unique<GByteBuffer>(nullptr, 0, 1);
    return 0;
  }
  // A damaged "loca" may claim more than "glyf" holds: nothing is
  // allocated for bytes the table does not have.
  if (uint64_t{start} + length > GetTableSize(source, kGlyf)) return 0;
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[length]);
  if (data == nullptr || ReadTableBytes(source, kGlyf, start, 1, data.get(), length) != length) return 0;
  out = std::make_unique<GByteBuffer>(data.release(), length, 1);
  if (cacheFlag != 0) CacheGlyph(glyph, out->Detach(), nullptr);
  return length;
}

int GTTFontReader::ProcessGlyph(const GGlyphRequest& request) { return ProcessGlyphAt(request, 0); }

int GTTFontReader::ProcessGlyphAt(const GGlyphRequest& request, int depth) {
  if (depth > kMaxComponentDepth) return 0;
  std::unique_ptr<GByteBuffer> data;
  if (GetGlyphData(request.source, 1, request.glyph, data) == 0) return data != nullptr ? 1 : 0;
  uint16_t contours = 0;
  GTTReadU16(data->GetData(), data->GetLength(), 0, contours);
  if (static_cast<int16_t>(contours) < 0) {
    // The component records are copied first: walking them caches further
    // glyphs, and the walk keeps no view into the cache meanwhile.
    std::vector<uint8_t> bytes(data->GetData(), data->GetData() + data->GetLength());
    data.reset();
    const uint32_t length = static_cast<uint32_t>(bytes.size());
    const bool whole = ForEachComponent(bytes.data(), length, [&](uint16_t component) {
      GGlyphRequest part = request;
      part.glyph = component;
      part.component = 1;
      return ProcessGlyphAt(part, depth + 1) != 0;
    });
    if (!whole) return 0;
  }
  data.reset();
  if (request.component != 0 || request.render == 0) return 1;
  const uint16_t first = IsDoubleByteOrGlyphEncoding(request.encodingId) ? request.glyph : request.code;
  std::unique_ptr<GByteBuffer> rendering;
  RenderGlyph(request.source, 1, first, request.code, rendering, 0, request.encodingId, request.parameters);
  return rendering != nullptr ? 1 : 0;
}

int GTTFontReader::Prefetch(uint32_t source, int32_t encodingId) {
  if (prefetched_ != 0) return 1;
  for (uint32_t tagIndex : kPrefetchedTables) {
    if (const GTTTableCache* cache = GetTableCache(); cache != nullptr && cache->IsPresent(tagIndex)) continue;
    const uint32_t size = GetTableLength(source, kTags[tagIndex]);
    if (size == 0) {
      CacheTable(tagIndex, nullptr);
      continue;
    }
    std::unique_ptr<GByteBuffer> whole;
    if (ReadTable(source, kTags[tagIndex], whole, size) != 0 && whole != nullptr) CacheTable(tagIndex, whole.release());
  }
  GGlyphRequest request;
  request.source = source;
  ProcessGlyph(request);
  if (encodingId == 17) {
    request.glyph = GetGlyphIndex(source, 0, 0xA5, 17);
    request.code = 0xA5;
    ProcessGlyph(request);
  }
  prefetched_ = 1;
  return 1;
}

// ---- Character codes ----

int GTTFontReader::SelectCmapSubtable(const uint8_t* cmap, uint32_t length, int32_t encodingId, GCmapSelection& out) {
  out = GCmapSelection();
  uint16_t tables = 0;
  if (!GTTReadU16(cmap, length, 2, tables)) return 0;
  const CmapPreference preference = CmapPreferenceFor(encodingId);
  auto rank = [&preference](uint16_t encoding) {
    for (uint32_t i = 0; i < preference.count; ++i)
      if (preference.encodings[i] == encoding) return i;
    return preference.count;
  };
  for (uint32_t i = 0; i < tables; ++i) {
    const uint64_t record = 4 + 8u * i;
    uint16_t platform = 0, encoding = 0, format = 0;
    uint32_t offset = 0;
    // A record, or its subtable's format, outside the table ends the walk.
    if (!GTTReadU16(cmap, length, record, platform) || !GTTReadU16(cmap, length, record + 2, encoding) ||
        !GTTReadU32(cmap, length, record + 4, offset))
      break;
    if (platform != 3) continue;
    if (!GTTReadU16(cmap, length, offset, format)) continue;
    if (out.found == 0 || rank(encoding) < rank(out.encoding)) {
      out.found = 1;
      out.format = format;
      out.offset = offset;
      out.platform = platform;
      out.encoding = encoding;
      if (rank(encoding) == 0) break;
    }
  }
  return out.found;
}

uint16_t GTTFontReader::GetGlyphIndex(uint32_t source, int32_t vertical, uint16_t code, int32_t encodingId) {
  if (encodingId == 1) {
    std::unique_ptr<GByteBuffer> maxp;
    uint16_t count = 0;
    if (GetTable(source, kMaxp, 1, maxp) == 0 || !GTTReadU16(maxp->GetData(), maxp->GetLength(), 4, count))
      return code;
    if (code < count) return code;
  }
  std::unique_ptr<GByteBuffer> os2, cmap;
  if (GetTable(source, kOS2, 1, os2) == 0 || GetTable(source, kCmap, 1, cmap) == 0) return 0;
  GCmapSelection selection;
  if (!SelectCmapSubtable(cmap->GetData(), cmap->GetLength(), encodingId, selection)) return 0;
  uint16_t firstChar = 0, lastChar = 0;
  if (!GTTReadU16(os2->GetData(), os2->GetLength(), 64, firstChar) ||
      !GTTReadU16(os2->GetData(), os2->GetLength(), 66, lastChar))
    return 0;
  const uint16_t high = firstChar & 0xF000;
  GCodePageConverter* converter = GetCodePageConverter();
  auto toUnicode = [&](uint16_t c) {
    return converter != nullptr ? static_cast<uint16_t>(converter->ToUnicode(c, encodingId)) : c;
  };
  if (selection.encoding == 0) {
    if (high != 0) {
      if (code < 0x100) code |= high;
    } else {
      int major = 0;
      if (GOSFactory* factory = GOSFactory::GetInstance())
        major = static_cast<int>(factory->GetOSVersion().GetVersion() >> 16);
      const bool keep = lastChar < 0x100 || encodingId == 16 || (encodingId == 3 && major <= 4);
      if (!keep) code = toUnicode(code);
    }
  } else if (selection.encoding == 1) {
    if (encodingId != 16 && encodingId != 3) {
      if (high == 0xF000) {
        if (code < 0x100) code |= 0xF000;
      } else {
        code = toUnicode(code);
      }
    }
  } else if (encodingId == 16) {
    const int32_t target = EncodingIdForSubtable(selection.encoding);
    if (target == 0) return 0;
    if (converter != nullptr) code = static_cast<uint16_t>(converter->FromUnicode(code, target));
  }
  uint16_t glyph = 0;
  if (selection.format == 4)
    glyph = GTTCmapFormat4Lookup(cmap->GetData(), cmap->GetLength(), selection.offset, code);
  else if (selection.format == 2)
    glyph = GTTCmapFormat2Lookup(cmap->GetData(), cmap->GetLength(), selection.offset, code);
  if (vertical != 0) glyph = VerticalForm(source, glyph);
  return glyph;
}

uint16_t GTTFontReader::VerticalForm(uint32_t source, uint16_t glyph) {
  std::unique_ptr<GByteBuffer> table;
  if (GetTable(source, kMort, 1, table) != 0) return GTTMortVerticalForm(table->GetData(), table->GetLength(), glyph);
  if (GetTable(source, kGsub, 1, table) != 0) return GTTGsubVerticalForm(table->GetData(), table->GetLength(), glyph);
  return glyph;
}

// ---- Metrics ----

template <typename T>
int GTTFontReader::ReadScalarOnce(uint32_t source, uint32_t tagIndex, uint32_t offset, GTTCachedValue<T>& cached,
                                  T* out) {
  if (cached.flag == 0) {
    uint8_t bytes[2] = {0, 0};
    if (ReadTableBytes(source, tagIndex, offset, 0, bytes, 2) != 2) return 0;
    cached.value = static_cast<T>(bytes[0] << 8 | bytes[1]);
    cached.flag = 1;
    IncrementStamp();
  }
  if (out != nullptr) *out = cached.value;
  return 1;
}

int GTTFontReader::GetGlyphCount(uint32_t source, uint16_t* out) {
  return ReadScalarOnce(source, kMaxp, 4, glyphCount_, out);
}

int GTTFontReader::GetTypoDescender(uint32_t source, int16_t* out) {
  return ReadScalarOnce(source, kOS2, 70, typoDescender_, out);
}

int GTTFontReader::GetFontBBox(uint32_t source, int16_t* xMin, int16_t* yMin, int16_t* xMax, int16_t* yMax) {
  uint8_t bytes[8] = {};
  if (ReadTableBytes(source, kHead, 36, 0, bytes, 8) != 8) return 0;
  int16_t* outs[] = {xMin, yMin, xMax, yMax};
  for (int i = 0; i < 4; ++i)
    if (outs[i] != nullptr) *outs[i] = static_cast<int16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
  return 8;
}

int GTTFontReader::ReadMetrics(uint32_t source, uint32_t headerTag, uint32_t metricsTag,
                               GTTCachedValue<uint16_t>& count, uint16_t glyph, uint16_t* advance,
                               int16_t* sideBearing) {
  uint16_t n = 0;
  if (!ReadScalarOnce(source, headerTag, 34, count, &n) || n == 0) return 0;
  uint8_t bytes[2] = {0, 0};
  const uint32_t advanceAt = glyph < n ? 4u * glyph : 4u * (n - 1u);
  if (ReadTableBytes(source, metricsTag, advanceAt, 1, bytes, 2) != 2) return 0;
  const uint16_t width = static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
  const uint32_t bearingAt = glyph < n ? 4u * glyph + 2 : 2u * (uint32_t{n} + glyph);
  if (ReadTableBytes(source, metricsTag, bearingAt, 0, bytes, 2) != 2) return 0;
  if (advance != nullptr) *advance = width;
  if (sideBearing != nullptr) *sideBearing = static_cast<int16_t>(bytes[0] << 8 | bytes[1]);
  return 1;
}

int GTTFontReader::GetHorizontalMetrics(uint32_t source, uint16_t glyph, uint16_t* advance, int16_t* sideBearing) {
  return ReadMetrics(source, kHhea, kHmtx, horizontalMetricCount_, glyph, advance, sideBearing);
}

int GTTFontReader::GetVerticalMetrics(uint32_t source, uint16_t glyph, uint16_t* advance, int16_t* sideBearing) {
  return ReadMetrics(source, kVhea, kVmtx, verticalMetricCount_, glyph, advance, sideBearing);
}

// ---- Ids ----

namespace {

void AddId(std::vector<int32_t>& ids, int32_t id) {
  if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
}

void RemoveId(std::vector<int32_t>& ids, int32_t id) { ids.erase(std::remove(ids.begin(), ids.end(), id), ids.end()); }

}  // namespace

void GTTFontReader::AddSaveRequester(int32_t id) { AddId(saveRequesters_, id); }
void GTTFontReader::RemoveSaveRequester(int32_t id) { RemoveId(saveRequesters_, id); }
int GTTFontReader::HasSaveRequester(int32_t id) const {
  return std::find(saveRequesters_.begin(), saveRequesters_.end(), id) != saveRequesters_.end();
}
void GTTFontReader::AddOwner(int32_t id) { AddId(owners_, id); }
void GTTFontReader::RemoveOwner(int32_t id) { RemoveId(owners_, id); }

// ---- Persistence ----

template <typename Archive>
void GTTFontReader::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(stamp_, key_, locaFormat_);
  archive(record1_.flag, record1_.first, record1_.second, record1_.third);
  archive(record2_.flag, record2_.first, record2_.second, record2_.third);
  archive(glyphCount_.flag, glyphCount_.value, typoDescender_.flag, typoDescender_.value);
  archive(horizontalMetricCount_.flag, horizontalMetricCount_.value, verticalMetricCount_.flag,
          verticalMetricCount_.value);
  MStored::TypedRef<GTTTableCache>(archive, tableCache_);
  MStored::TypedRef<GGlyphCache>(archive, glyphCache_);
}

RW_STORED_MEMBERS_DEFINE(GTTFontReader, MPersistentObject)
