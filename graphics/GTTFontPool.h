// GTTFontPool: the process's one pool of TrueType fonts, so that every job,
// filter and generator that needs a font shares one GTTFontReader and what
// it has cached. Fonts are kept under a 32-bit key in a keyed cache; the
// font database saves the fonts it asked for beside each spooled page, and
// a restore merges them back by stamp (the copy that knows more wins).
// GTTFontFile is a persistent, counted handle on a pooled font: stored, it
// carries only the font's key and stamp. Source file: ttflpool.cpp.
//
// Locks: the pool's lock first, then a font's. A handle that lets go of its
// font takes the pool's lock before the font's, so that the release cannot
// deadlock against the pool's other operations.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/GKeyedCache.h"
#include "graphics/GTTFontReader.h"
#include "model/MPersistentKind.h"
#include "model/MPersistentObject.h"
#include "rw/RWMembers.h"
#include "rw/RWWString.h"

class GLock;
class GTTFontFile;
class RWBinaryFile;
class RWVirtualInStream;
class RWVirtualOutStream;

constexpr RWClassID GTTFontFileClassId = 859;

class GTTFontPool {
 public:
  GTTFontPool();
  GTTFontPool(const GTTFontPool&) = delete;
  GTTFontPool& operator=(const GTTFontPool&) = delete;
  // The fonts still in the table lose the pool's reference: those that only
  // the pool held are deleted, the others are left to their handles.
  virtual ~GTTFontPool();

  // Kept for the interface's layout; nothing calls it.
  virtual int Reserved(void* argument);
  // Removes and deletes the first registered entry that names the font's key.
  virtual void ReleaseEntry(GTTFontReader* font);

  // The registered process-wide pool, or null. Register takes ownership
  // (a pool registered before is deleted); DestroyInstance deletes it.
  static GTTFontPool* GetInstance();
  static void RegisterInstance(GTTFontPool* pool);
  static void DestroyInstance();

  // Deletes every registered entry, empties the font table (each font
  // loses the pool's reference: those only the pool held are deleted) and
  // restarts the keys at 0.
  void Reset();
  uint32_t NextKey();
  // A registered entry naming a key (who registers is the caller's choice).
  void AddEntry(uint32_t value);
  uint32_t GetEntryCount() const;

  // A new handle on the font (one reference more).
  GTTFontFile* CreateFileHandle(GTTFontReader* font);
  // Inserts the font under its key (one reference more when inserted); 1.
  int AddFont(GTTFontReader* font);
  // The font with one reference more when held with a stamp of at least
  // minStamp; null otherwise (no reference taken).
  GTTFontReader* FindFont(uint32_t key, uint32_t minStamp);
  // Removes the entry; the font's count is left as it is.
  GTTFontReader* TakeFont(uint32_t key);
  // Removes the entry and drops the pool's reference, deleting the font
  // with its last; 1 when the key was held.
  int RemoveFont(uint32_t key);
  void RemoveAll();
  int ContainsFont(uint32_t key);
  uint32_t GetFontCount();
  // Drops one reference of a font that the caller has locked; 1 when the
  // font was deleted (it is then neither locked nor in the table).
  int ReleaseFont(GTTFontReader* font);
  // Removes the fonts that no job owns any more once the database's id
  // leaves their owners; PurgeAll removes none.
  void Purge(int32_t databaseId);
  void PurgeAll();

  // The fonts that list the database as a save requester, each once; the
  // request is then forgotten.
  int SaveToStream(RWVirtualOutStream& stream, int32_t databaseId);
  int SaveToFile(RWBinaryFile& file, int32_t databaseId);
  // Merges the stored fonts by stamp.
  int RestoreFromStream(RWVirtualInStream& stream);
  int RestoreFromFile(RWBinaryFile& file);
  // The same through a stream on a file path (binary format); 0 when the
  // stream cannot be opened. A restore makes the job an owner of its fonts.
  int SaveToPath(const RWWString& path, int32_t databaseId);
  int RestoreFromPath(const RWWString& path, int32_t jobId);

 private:
  friend class GTTFontFile;
  class PoolLock;
  int ReleaseHeldFont(GTTFontReader* font);
  // RemoveAll under the pool's lock.
  void DropAllLocked();
  static int OnEvent(MPersistentObject* value, MPersistentObject* existing, int event);
  static int SaveFilter(MPersistentObject* value, int event, void* userData);

  std::vector<uint32_t> entries_;
  GLock* lock_ = nullptr;
  std::unique_ptr<GKeyedCache> fonts_;
  std::atomic<uint32_t> nextKey_{0};
};

class GTTFontFile : public MPersistentObject {
 public:
  // No font and no pool (for the class factory and restores).
  GTTFontFile();
  // One reference more on the font.
  GTTFontFile(GTTFontPool* pool, GTTFontReader* font);
  // A copy refers to the same font, with a reference of its own.
  GTTFontFile(const GTTFontFile& other);
  GTTFontFile& operator=(const GTTFontFile&) = delete;
  // Lets go of the font through the process-wide pool.
  ~GTTFontFile() override;

  static RWClassID StaticClassId() { return GTTFontFileClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_KIND(GTTFontFile);
  // The same handle, the same font, or matching fonts.
  int Matches(const MPersistentObject* other) const override;
  // Stored body after the persistent base: version 1, then the font's key
  // and stamp (32-bit each; zeros for a handle without a font). A restore
  // finds the font in the process-wide pool, with that stamp at least.
  RW_STORED_MEMBERS();

  GTTFontReader* GetFont() const { return font_; }
  GTTFontPool* GetPool() const { return pool_; }

  // The reader's operations, each under the font's lock; 0 without a font.
  int HasRequiredTables(uint32_t source);
  uint32_t ReadTableBytes(uint32_t source, uint32_t tagIndex, uint32_t offset, int32_t cacheFlag, uint8_t* destination,
                          uint32_t length);
  uint32_t GetTable(uint32_t source, uint32_t tagIndex, int32_t cacheFlag, std::unique_ptr<GByteBuffer>& out);
  uint32_t GetTableSize(uint32_t source, uint32_t tagIndex);
  uint32_t GetGlyphData(uint32_t source, int32_t cacheFlag, uint16_t glyph, std::unique_ptr<GByteBuffer>& out);
  uint32_t GetGlyphOffset(uint32_t source, uint16_t glyph);
  int GetFontBBox(uint32_t source, int16_t* xMin, int16_t* yMin, int16_t* xMax, int16_t* yMax);
  uint16_t GetGlyphIndex(uint32_t source, int32_t vertical, uint16_t code, int32_t encodingId);
  int ProcessGlyph(const GGlyphRequest& request);
  int CacheGlyph(uint16_t glyph, GByteBuffer* glyphData, GByteBuffer* rendering);
  int FindCachedGlyphData(uint16_t glyph, std::unique_ptr<GByteBuffer>& out);
  int FindCachedRendering(uint16_t glyph, std::unique_ptr<GByteBuffer>& out);
  int Prefetch(uint32_t source, int32_t encodingId);
  int GetGlyphCount(uint32_t source, uint16_t* out);
  int GetTypoDescender(uint32_t source, int16_t* out);
  int GetHorizontalMetrics(uint32_t source, uint16_t glyph, uint16_t* advance, int16_t* sideBearing);
  int GetVerticalMetrics(uint32_t source, uint16_t glyph, uint16_t* advance, int16_t* sideBearing);
  // The cached rendering when there is one; otherwise the font renders and,
  // with the cache flag set, the result is cached. The font's result.
  int RenderGlyph(uint32_t source, int32_t cacheFlag, uint16_t glyphOrCode, uint16_t code,
                  std::unique_ptr<GByteBuffer>& out, int32_t value, int32_t encodingId, const GFontMetrics& parameters);
  // Asks for the font to be saved with the database's spool data and adds
  // it to the pool.
  void RegisterForSave(int32_t databaseId);

 private:
  template <typename F>
  auto Locked(F&& call) -> decltype(call(*static_cast<GTTFontReader*>(nullptr)));
  void Release();

  GTTFontReader* font_ = nullptr;
  GTTFontPool* pool_ = nullptr;
};

RWCollectable* GTTFontFileCreate();
