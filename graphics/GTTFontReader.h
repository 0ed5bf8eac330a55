// GTTFontReader: byte-level access to one TrueType font for the font code
// of the print path: tables by tag (kept in a table cache), glyph outlines
// through "loca" and "glyf" (kept in a glyph cache), composite glyphs walked
// down to their components, character codes mapped to glyphs through
// "cmap" (formats 2 and 4), horizontal and vertical metrics, and vertical
// glyph forms through "mort" or a "GSUB" "vert" substitution.
//
// The reader is abstract: a concrete reader supplies the raw operations
// (reading a table or part of one, a table's length, whether caching is
// allowed, rendering a glyph); everything else is built on them here. Font
// bytes are untrusted: every read of a fetched table is checked against the
// table's length, and a damaged font gives glyph 0, no bytes or no metrics.
// Readers are shared by the font pool and its handles (GTTFontFile), which
// bracket every use with Lock and Unlock; the stamp grows with each piece
// of data cached so that, of two copies of one font, the one that knows more
// wins a merge. Source file: ttftfile.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/GByteBuffer.h"
#include "graphics/GFontFace.h"
#include "model/GCountedPtr.h"
#include "model/MPersistentKind.h"
#include "model/MPersistentObject.h"
#include "rw/RWMembers.h"

class GGlyphCache;
class GLock;
class GTTTableCache;

constexpr RWClassID GTTFontReaderClassId = 860;

// The subtable that SelectCmapSubtable picked.
struct GCmapSelection {
  int32_t found = 0;
  uint16_t format = 0;
  uint32_t offset = 0;  // from the start of "cmap"
  uint16_t platform = 0;
  uint16_t encoding = 0;
};

// A metrics record the reader holds, copies, compares and stores for its
// concrete reader; this class never fills it.
struct GTTMetricsRecord {
  int32_t flag = 0;
  int16_t first = 0;
  int16_t second = 0;
  uint16_t third = 0;
  bool operator==(const GTTMetricsRecord&) const = default;
};

// One cached scalar of the font: not yet read while the flag is 0.
template <typename T>
struct GTTCachedValue {
  int32_t flag = 0;
  T value = 0;
  bool operator==(const GTTCachedValue&) const = default;
};

// What ProcessGlyph walks.
struct GGlyphRequest {
  uint32_t source = 0;
  uint16_t glyph = 0;
  uint16_t code = 0;
  int32_t render = 0;
  int32_t encodingId = 0;
  GFontMetrics parameters;
  int32_t component = 0;
};

class GTTFontReader : public MPersistentObject {
 public:
  // The tag table: index 25 holds 0 and ends it.
  static constexpr uint32_t kTagCount = 25;
  static const uint32_t kTags[kTagCount + 1];
  enum TagIndex : uint32_t {
    kCmap = 0, kHead = 1, kGlyf = 2, kLoca = 3, kMaxp = 4, kMort = 5, kName = 6, kOS2 = 7, kPost = 8,
    kHhea = 16, kHmtx = 17, kVhea = 18, kVmtx = 19, kGsub = 22
  };
  // Tables of this size or larger are read piecewise and never cached.
  static constexpr uint32_t kCacheLimit = 250000;
  // How deep composite glyphs may nest; deeper (or self-referring)
  // composites fail the walk.
  static constexpr int kMaxComponentDepth = 16;

  // Each component of a composite glyph's "glyf" bytes, in order: visit is
  // called with the component's glyph index for every record whose flags
  // and index lie inside the bytes. The walk ends after the record without
  // the more-components flag; it answers false when a record runs past the
  // bytes' end or visit answers false.
  template <typename Visit>
  static bool ForEachComponent(const uint8_t* bytes, uint32_t length, Visit&& visit);

  // The font's key in the pool; the reader obtains its lock.
  explicit GTTFontReader(uint32_t key = 0);
  GTTFontReader(const GTTFontReader&) = delete;
  GTTFontReader& operator=(const GTTFontReader&) = delete;
  ~GTTFontReader() override;

  static RWClassID StaticClassId() { return GTTFontReaderClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_ID();
  // Base, loca format, both metrics records, the four scalars, then the
  // table caches and the glyph caches.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the persistent base: version 1, stamp, key, loca
  // format, both metrics records, the four scalars with their flags, the
  // table cache and the glyph cache (each a framed object, nil when none).
  RW_STORED_MEMBERS();

  // ---- Virtual operations, in slot order ----
  // Takes the other reader's knowledge: its caches' entries that this one
  // lacks (a missing cache is made first), the loca format, the metrics
  // records and the four scalars. The stamp does not change.
  virtual void AssignFrom(GTTFontReader& other);
  virtual uint32_t SourceOperation1(uint32_t a, uint32_t b, uint32_t c, uint32_t d) = 0;
  virtual uint32_t SourceOperation2(uint32_t a, uint32_t b, uint32_t c, uint32_t d) = 0;
  // A new buffer with the whole table (null on failure); the byte count read.
  virtual uint32_t ReadTable(uint32_t source, uint32_t tag, std::unique_ptr<GByteBuffer>& out, uint32_t length) = 0;
  // Copies length bytes of the table from offset; the count copied.
  virtual uint32_t ReadTablePart(uint32_t source, uint32_t tag, uint32_t offset, uint8_t* destination,
                                 uint32_t length) = 0;
  // The table's length, 0 when the font has no such table.
  virtual uint32_t GetTableLength(uint32_t source, uint32_t tag) = 0;
  virtual int CanCacheTables() = 0;
  // The rendering result of one glyph in a new buffer; non-zero on success.
  virtual int RenderGlyph(uint32_t source, int32_t cacheFlag, uint16_t glyphOrCode, uint16_t code,
                          std::unique_ptr<GByteBuffer>& out, int32_t value, int32_t encodingId,
                          const GFontMetrics& parameters) = 0;
  virtual int32_t SourceOperation3(uint32_t source, uint16_t a, int16_t b, int32_t c,
                                   const GFontMetrics& parameters) = 0;
  // The glyph's "glyf" bytes (a view of the cached bytes when cached, an
  // empty owning buffer for a glyph without outline); their length, 0 also
  // on failure (out then null).
  virtual uint32_t GetGlyphData(uint32_t source, int32_t cacheFlag, uint16_t glyph, std::unique_ptr<GByteBuffer>& out);
  // The glyph's offset in "glyf"; 0 when it cannot be read.
  virtual uint32_t GetGlyphOffset(uint32_t source, uint16_t glyph);
  // Picks the platform-3 subtable for the encoding id; 1 when found.
  virtual int SelectCmapSubtable(const uint8_t* cmap, uint32_t length, int32_t encodingId, GCmapSelection& out);

  // ---- Non-virtual operations ----
  void Lock();
  void Unlock();
  int32_t IsLocked() const { return locked_; }
  uint32_t IncrementStamp() { return ++stamp_; }
  uint32_t GetStamp() const { return stamp_; }
  void SetStamp(uint32_t stamp) { stamp_ = stamp; }
  uint32_t GetKey() const { return key_; }
  int16_t GetReferenceCount() const { return referenceCount_; }
  void SetReferenceCount(int16_t count) { referenceCount_ = count; }

  int HasRequiredTables(uint32_t source);
  uint32_t GetTableSize(uint32_t source, uint32_t tagIndex);
  uint32_t ReadTableBytes(uint32_t source, uint32_t tagIndex, uint32_t offset, int32_t cacheFlag, uint8_t* destination,
                          uint32_t length);
  // The table's length; out is a view of the cached bytes or a buffer of
  // its own, null when the table is missing or cannot be read.
  uint32_t GetTable(uint32_t source, uint32_t tagIndex, int32_t cacheFlag, std::unique_ptr<GByteBuffer>& out);
  int GetFontBBox(uint32_t source, int16_t* xMin, int16_t* yMin, int16_t* xMax, int16_t* yMax);
  int GetGlyphCount(uint32_t source, uint16_t* out);
  int GetTypoDescender(uint32_t source, int16_t* out);
  int GetHorizontalMetrics(uint32_t source, uint16_t glyph, uint16_t* advance, int16_t* sideBearing);
  int GetVerticalMetrics(uint32_t source, uint16_t glyph, uint16_t* advance, int16_t* sideBearing);
  uint16_t GetGlyphIndex(uint32_t source, int32_t vertical, uint16_t code, int32_t encodingId);
  int ProcessGlyph(const GGlyphRequest& request);
  int Prefetch(uint32_t source, int32_t encodingId);
  int CacheTable(uint32_t tagIndex, GByteBuffer* buffer);
  int CacheGlyph(uint16_t glyph, GByteBuffer* glyphData, GByteBuffer* rendering);
  uint32_t FindCachedTable(uint32_t tagIndex, std::unique_ptr<GByteBuffer>& out) const;
  uint32_t ReadCachedTableBytes(uint32_t tagIndex, uint32_t offset, uint8_t* destination, uint32_t length) const;
  int FindCachedGlyphData(uint16_t glyph, std::unique_ptr<GByteBuffer>& out) const;
  int FindCachedRendering(uint16_t glyph, std::unique_ptr<GByteBuffer>& out) const;

  void AddSaveRequester(int32_t id);
  void RemoveSaveRequester(int32_t id);
  int HasSaveRequester(int32_t id) const;
  void AddOwner(int32_t id);
  void RemoveOwner(int32_t id);
  int GetOwnerCount() const { return static_cast<int>(owners_.size()); }

  GTTTableCache* GetTableCache() const;
  GGlyphCache* GetGlyphCache() const;

 protected:
  GTTMetricsRecord& MetricsRecord1() { return record1_; }
  GTTMetricsRecord& MetricsRecord2() { return record2_; }

 private:
  int ProcessGlyphAt(const GGlyphRequest& request, int depth);
  int ReadLocaFormat(uint32_t source);
  int ReadMetrics(uint32_t source, uint32_t headerTag, uint32_t metricsTag, GTTCachedValue<uint16_t>& count,
                  uint16_t glyph, uint16_t* advance, int16_t* sideBearing);
  uint16_t VerticalForm(uint32_t source, uint16_t glyph);
  template <typename T>
  int ReadScalarOnce(uint32_t source, uint32_t tagIndex, uint32_t offset, GTTCachedValue<T>& cached, T* out);

  GLock* lock_ = nullptr;
  int32_t locked_ = 0;
  uint32_t stamp_ = 0;
  uint32_t key_ = 0;
  std::vector<int32_t> saveRequesters_;
  std::vector<int32_t> owners_;
  uint8_t locaFormat_ = 255;
  GTTMetricsRecord record1_;
  GTTMetricsRecord record2_;
  GTTCachedValue<uint16_t> glyphCount_;
  GTTCachedValue<int16_t> typoDescender_;
  GTTCachedValue<uint16_t> horizontalMetricCount_;
  GTTCachedValue<uint16_t> verticalMetricCount_;
  int16_t referenceCount_ = 0;
  int32_t prefetched_ = 0;
  // Held through counted handles: a damaged stored graph may name one cache
  // from two readers, and each then keeps it alive.
  GCountedRef tableCache_;
  GCountedRef glyphCache_;
};

// Bounded big-endian reads of font data: false, with out untouched, when
// the value does not lie wholly inside the length bytes.
bool GTTReadU16(const uint8_t* data, uint32_t length, uint64_t offset, uint16_t& out);

template <typename Visit>
bool GTTFontReader::ForEachComponent(const uint8_t* bytes, uint32_t length, Visit&& visit) {
  uint64_t at = 10;  // past the glyph header
  for (;;) {
    uint16_t flags = 0;
    uint16_t component = 0;
    if (!GTTReadU16(bytes, length, at, flags) || !GTTReadU16(bytes, length, at + 2, component)) return false;
    if (!visit(component)) return false;
    // The arguments (words or bytes), then the scale, the x and y scales or
    // the two-by-two matrix.
    at += 4 + ((flags & 0x0001) != 0 ? 4 : 2);
    if ((flags & 0x0080) != 0)
      at += 8;
    else if ((flags & 0x0040) != 0)
      at += 4;
    else if ((flags & 0x0008) != 0)
      at += 2;
    if (at > length) return false;
    if ((flags & 0x0020) == 0) return true;
  }
}
bool GTTReadU32(const uint8_t* data, uint32_t length, uint64_t offset, uint32_t& out);

// The format 4 and format 2 look-ups of a "cmap" subtable at offset; 0 when
// the code is not mapped or the subtable is damaged.
uint16_t GTTCmapFormat4Lookup(const uint8_t* cmap, uint32_t length, uint32_t offset, uint16_t code);
uint16_t GTTCmapFormat2Lookup(const uint8_t* cmap, uint32_t length, uint32_t offset, uint16_t code);
// The vertical forms: the glyph itself when the table gives none.
uint16_t GTTMortVerticalForm(const uint8_t* mort, uint32_t length, uint16_t glyph);
uint16_t GTTGsubVerticalForm(const uint8_t* gsub, uint32_t length, uint16_t glyph);
