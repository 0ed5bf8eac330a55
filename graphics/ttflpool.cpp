// The font pool (GTTFontPool) and its handle (GTTFontFile). The name of
// this file is the source name in the pool's fatal-error reports.
#include <algorithm>
#include <atomic>

#include "driver/GLock.h"
#include "driver/osfactry.h"
#include "graphics/GTTFontPool.h"
#include "model/GPersistInStream.h"
#include "model/GPersistOutStream.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

constexpr const char* kPoolSource = "ttflpool";
// The binary stream format of SaveToPath and RestoreFromPath.
constexpr int kBinaryFormat = 1;
// The stamp a handle without a font stores: no font is found with it.
constexpr uint32_t kNoFontStamp = 0xFFFFFFFFu;

// The registered pool: read by any thread, set by the module's start-up.
std::atomic<GTTFontPool*> g_pool{nullptr};
// Set only while the pool's lock is held: the job whose restore adds fonts,
// and the database whose purge runs.
int32_t g_addingId = 0;
int32_t g_purgeId = 0;

GTTFontReader* AsFont(MPersistentObject* value) { return dynamic_cast<GTTFontReader*>(value); }

}  // namespace

class GTTFontPool::PoolLock {
 public:
  explicit PoolLock(const GTTFontPool* pool) : lock_(pool->lock_) {
    if (lock_ != nullptr && lock_->Lock() != 0) ReportFatalError(2, kLockErrorId, kPoolSource, __LINE__, "");
  }
  ~PoolLock() {
    if (lock_ != nullptr && lock_->Unlock() == -2) ReportFatalError(2, kUnlockErrorId, kPoolSource, __LINE__, "");
  }
  PoolLock(const PoolLock&) = delete;
  PoolLock& operator=(const PoolLock&) = delete;

 private:
  GLock* lock_;
};

GTTFontPool::GTTFontPool() : fonts_(std::make_unique<GKeyedCache>(&OnEvent)) {
  if (GOSFactory* factory = GOSFactory::GetInstance()) factory->EnsureLock(&lock_);
}

// The fonts lose the pool's reference as the pool goes: those only the pool
// held are deleted, the others go with their last handle.
GTTFontPool::~GTTFontPool() {
  GTTFontPool* self = this;
  g_pool.compare_exchange_strong(self, nullptr);
  {
    PoolLock guard(this);
    DropAllLocked();
  }
  delete lock_;
}

int GTTFontPool::Reserved(void*) { return 0; }

void GTTFontPool::ReleaseEntry(GTTFontReader* font) {
  if (font == nullptr) return;
  auto it = std::find(entries_.begin(), entries_.end(), font->GetKey());
  if (it != entries_.end()) entries_.erase(it);
}

GTTFontPool* GTTFontPool::GetInstance() { return g_pool.load(); }

void GTTFontPool::RegisterInstance(GTTFontPool* pool) {
  GTTFontPool* previous = g_pool.exchange(pool);
  if (previous != nullptr && previous != pool) delete previous;
}

void GTTFontPool::DestroyInstance() { delete g_pool.exchange(nullptr); }

// The table's fonts lose the pool's reference as they leave it: a font that
// only the pool held is deleted, one that handles still use goes with its
// last handle. Dropping the table without that would keep every font for
// the life of the process.
void GTTFontPool::Reset() {
  PoolLock guard(this);
  entries_.clear();
  DropAllLocked();
  fonts_ = std::make_unique<GKeyedCache>(&OnEvent);
  nextKey_ = 0;
}

uint32_t GTTFontPool::NextKey() { return nextKey_++; }

void GTTFontPool::AddEntry(uint32_t value) {
  PoolLock guard(this);
  entries_.push_back(value);
}

uint32_t GTTFontPool::GetEntryCount() const {
  PoolLock guard(this);
  return static_cast<uint32_t>(entries_.size());
}

GTTFontFile* GTTFontPool::CreateFileHandle(GTTFontReader* font) { return new GTTFontFile(this, font); }

int GTTFontPool::AddFont(GTTFontReader* font) {
  if (font == nullptr) return 0;
  PoolLock guard(this);
  font->Lock();
  if (fonts_->Insert(font->GetKey(), font)) font->SetReferenceCount(static_cast<int16_t>(font->GetReferenceCount() + 1));
  font->Unlock();
  return 1;
}

GTTFontReader* GTTFontPool::FindFont(uint32_t key, uint32_t minStamp) {
  PoolLock guard(this);
  GTTFontReader* font = AsFont(fonts_->Find(key));
  if (font == nullptr || font->GetStamp() < minStamp) return nullptr;
  font->Lock();
  font->SetReferenceCount(static_cast<int16_t>(font->GetReferenceCount() + 1));
  font->Unlock();
  return font;
}

GTTFontReader* GTTFontPool::TakeFont(uint32_t key) {
  PoolLock guard(this);
  return AsFont(fonts_->Remove(key));
}

int GTTFontPool::RemoveFont(uint32_t key) {
  PoolLock guard(this);
  MPersistentObject* value = fonts_->Remove(key);
  if (value == nullptr) return 0;
  GTTFontReader* font = AsFont(value);
  if (font == nullptr) return 1;
  font->Lock();
  const int16_t count = static_cast<int16_t>(font->GetReferenceCount() - 1);
  font->SetReferenceCount(count);
  font->Unlock();
  if (count < 1) delete font;
  return 1;
}

void GTTFontPool::RemoveAll() {
  PoolLock guard(this);
  DropAllLocked();
}

void GTTFontPool::DropAllLocked() {
  uint32_t* keys = nullptr;
  const uint32_t count = fonts_->GetKeys(&keys);
  for (uint32_t i = 0; i < count; ++i) {
    GTTFontReader* font = AsFont(fonts_->Remove(keys[i]));
    if (font == nullptr) continue;
    font->Lock();
    const int16_t left = static_cast<int16_t>(font->GetReferenceCount() - 1);
    font->SetReferenceCount(left);
    font->Unlock();
    if (left <= 0) delete font;
  }
  delete[] keys;
}

int GTTFontPool::ContainsFont(uint32_t key) {
  PoolLock guard(this);
  return fonts_->Contains(key);
}

uint32_t GTTFontPool::GetFontCount() {
  PoolLock guard(this);
  return fonts_->GetCount();
}

int GTTFontPool::ReleaseFont(GTTFontReader* font) {
  PoolLock guard(this);
  return ReleaseHeldFont(font);
}

// Under the pool's lock, with the font locked by the caller.
int GTTFontPool::ReleaseHeldFont(GTTFontReader* font) {
  if (font == nullptr) return 0;
  const int16_t count = font->GetReferenceCount();
  if (count == 2) {
    if (fonts_->Find(font->GetKey()) == font) ReleaseEntry(font);
    font->SetReferenceCount(1);
    return 0;
  }
  if (count == 1) {
    ReleaseEntry(font);
    font->SetReferenceCount(0);
    // The last reference: the table must not keep pointing at a font that
    // is about to be deleted.
    if (fonts_->Find(font->GetKey()) == font) fonts_->Remove(font->GetKey());
    font->Unlock();
    delete font;
    return 1;
  }
  font->SetReferenceCount(static_cast<int16_t>(count - 1));
  return 0;
}

void GTTFontPool::Purge(int32_t databaseId) {
  PoolLock guard(this);
  g_purgeId = databaseId;
  fonts_->Purge();
  g_purgeId = 0;
}

void GTTFontPool::PurgeAll() {
  PoolLock guard(this);
  g_purgeId = 0;
  fonts_->Purge();
}

int GTTFontPool::OnEvent(MPersistentObject* value, MPersistentObject* existing, int event) {
  if (event == GKeyedCache::kAdded) {
    GTTFontReader* font = AsFont(value);
    if (font == nullptr) return 0;
    font->Lock();
    font->SetReferenceCount(1);
    if (g_addingId != 0) font->AddOwner(g_addingId);
    font->Unlock();
    return 0;
  }
  if (event == GKeyedCache::kConflict) {
    GTTFontReader* restored = AsFont(value);
    GTTFontReader* held = AsFont(existing);
    // Something that is not a font never replaces a font.
    if (restored == nullptr || held == nullptr) return held == nullptr ? 1 : 0;
    held->Lock();
    restored->Lock();
    int answer = 0;
    if (held->GetStamp() < restored->GetStamp()) {
      if (held->GetReferenceCount() < 2) {
        held->SetReferenceCount(static_cast<int16_t>(held->GetReferenceCount() - 1));
        restored->SetReferenceCount(1);
        if (g_addingId != 0) restored->AddOwner(g_addingId);
        answer = 1;
      } else {
        held->AssignFrom(*restored);
        held->SetStamp(restored->GetStamp());
        if (g_addingId != 0) held->AddOwner(g_addingId);
      }
    } else if (g_addingId != 0) {
      held->AddOwner(g_addingId);
    }
    restored->Unlock();
    held->Unlock();
    return answer;
  }
  if (event == GKeyedCache::kPurgeQuery) {
    GTTFontReader* font = AsFont(existing);
    if (font == nullptr || g_purgeId == 0) return 0;
    font->Lock();
    font->RemoveOwner(g_purgeId);
    int answer = 0;
    if (font->GetOwnerCount() == 0 && font->GetReferenceCount() == 1) {
      font->SetReferenceCount(0);
      answer = 1;
    }
    font->Unlock();
    return answer;
  }
  return 0;
}

int GTTFontPool::SaveFilter(MPersistentObject* value, int event, void* userData) {
  GTTFontReader* font = AsFont(value);
  if (font == nullptr) return 0;
  const auto id = static_cast<int32_t>(reinterpret_cast<intptr_t>(userData));
  switch (event) {
    case GKeyedCache::kCountQuery: {
      font->Lock();
      const int listed = font->HasSaveRequester(id);
      font->Unlock();
      return listed;
    }
    case GKeyedCache::kWriteQuery:
      // The font stays locked while it is written.
      font->Lock();
      if (font->HasSaveRequester(id)) return 1;
      font->Unlock();
      return 0;
    case GKeyedCache::kWritten:
      font->RemoveSaveRequester(id);
      font->Unlock();
      return 0;
    default:
      return 0;
  }
}

int GTTFontPool::SaveToStream(RWVirtualOutStream& stream, int32_t databaseId) {
  PoolLock guard(this);
  return fonts_->SaveToStream(stream, &SaveFilter, reinterpret_cast<void*>(static_cast<intptr_t>(databaseId)));
}

int GTTFontPool::SaveToFile(RWBinaryFile& file, int32_t databaseId) {
  PoolLock guard(this);
  return fonts_->SaveToFile(file, &SaveFilter, reinterpret_cast<void*>(static_cast<intptr_t>(databaseId)));
}

int GTTFontPool::RestoreFromStream(RWVirtualInStream& stream) {
  PoolLock guard(this);
  return fonts_->RestoreFromStream(stream);
}

int GTTFontPool::RestoreFromFile(RWBinaryFile& file) {
  PoolLock guard(this);
  return fonts_->RestoreFromFile(file);
}

int GTTFontPool::SaveToPath(const RWWString& path, int32_t databaseId) {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return 0;
  std::unique_ptr<GPersistOutStream> holder(factory->OpenFileOutStream(path, kBinaryFormat));
  RWVirtualOutStream* stream = holder != nullptr ? holder->GetStream() : nullptr;
  if (stream == nullptr || !stream->Good()) return 0;
  const int result = SaveToStream(*stream, databaseId);
  return result == 1 && stream->Good() ? 1 : 0;
}

int GTTFontPool::RestoreFromPath(const RWWString& path, int32_t jobId) {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return 0;
  std::unique_ptr<GPersistInStream> holder(factory->OpenFileInStream(path, kBinaryFormat));
  RWVirtualInStream* stream = holder != nullptr ? holder->GetStream() : nullptr;
  if (stream == nullptr || !stream->Good()) return 0;
  PoolLock guard(this);
  g_addingId = jobId;
  const int result = fonts_->RestoreFromStream(*stream);
  g_addingId = 0;
  return result;
}

// ---- GTTFontFile ----

GTTFontFile::GTTFontFile() = default;

GTTFontFile::GTTFontFile(GTTFontPool* pool, GTTFontReader* font) : font_(font), pool_(pool) {
  if (font_ == nullptr) return;
  font_->Lock();
  font_->SetReferenceCount(static_cast<int16_t>(font_->GetReferenceCount() + 1));
  font_->Unlock();
}

GTTFontFile::GTTFontFile(const GTTFontFile& other) : GTTFontFile(other.pool_, other.font_) {
  MPersistentObject::operator=(other);
}

GTTFontFile::~GTTFontFile() { Release(); }

void GTTFontFile::Release() {
  GTTFontReader* font = font_;
  font_ = nullptr;
  if (font == nullptr) return;
  GTTFontPool* pool = GTTFontPool::GetInstance();
  if (pool == nullptr) {
    // No pool to release through: the reference is dropped, and the font
    // deleted with its last one.
    font->Lock();
    const int16_t left = static_cast<int16_t>(font->GetReferenceCount() - 1);
    font->SetReferenceCount(left);
    font->Unlock();
    if (left <= 0) delete font;
    return;
  }
  GTTFontPool::PoolLock guard(pool);
  font->Lock();
  if (!pool->ReleaseHeldFont(font)) font->Unlock();
}

QV_PERSISTENT_KIND_DEFINE(GTTFontFile, MPersistentObject, GTTFontFileClassId)

int GTTFontFile::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* handle = dynamic_cast<const GTTFontFile*>(other);
  if (handle == nullptr) return 0;
  if (handle->font_ == font_) return 1;
  if (handle->font_ == nullptr || font_ == nullptr) return 0;
  font_->Lock();
  handle->font_->Lock();
  const int same = font_->Matches(handle->font_);
  handle->font_->Unlock();
  font_->Unlock();
  return same;
}

template <typename Archive>
void GTTFontFile::Members(Archive& archive) {
  archive.Version(ClassVersion());
  uint32_t key = font_ != nullptr ? font_->GetKey() : 0;
  uint32_t stamp = font_ != nullptr ? font_->GetStamp() : kNoFontStamp;
  archive(key, stamp);
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    Release();
    pool_ = GTTFontPool::GetInstance();
    font_ = pool_ != nullptr ? pool_->FindFont(key, stamp) : nullptr;
  }
}

RW_STORED_MEMBERS_DEFINE(GTTFontFile, MPersistentObject)

template <typename F>
auto GTTFontFile::Locked(F&& call) -> decltype(call(*static_cast<GTTFontReader*>(nullptr))) {
  using Result = decltype(call(*font_));
  if (font_ == nullptr) return Result{};
  font_->Lock();
  Result result = call(*font_);
  font_->Unlock();
  return result;
}

int GTTFontFile::HasRequiredTables(uint32_t source) {
  return Locked([&](GTTFontReader& f) { return f.HasRequiredTables(source); });
}
uint32_t GTTFontFile::ReadTableBytes(uint32_t source, uint32_t tagIndex, uint32_t offset, int32_t cacheFlag,
                                     uint8_t* destination, uint32_t length) {
  return Locked([&](GTTFontReader& f) { return f.ReadTableBytes(source, tagIndex, offset, cacheFlag, destination, length); });
}
uint32_t GTTFontFile::GetTable(uint32_t source, uint32_t tagIndex, int32_t cacheFlag,
                               std::unique_ptr<GByteBuffer>& out) {
  out.reset();
  return Locked([&](GTTFontReader& f) { return f.GetTable(source, tagIndex, cacheFlag, out); });
}
uint32_t GTTFontFile::GetTableSize(uint32_t source, uint32_t tagIndex) {
  return Locked([&](GTTFontReader& f) { return f.GetTableSize(source, tagIndex); });
}
uint32_t GTTFontFile::GetGlyphData(uint32_t source, int32_t cacheFlag, uint16_t glyph,
                                   std::unique_ptr<GByteBuffer>& out) {
  out.reset();
  return Locked([&](GTTFontReader& f) { return f.GetGlyphData(source, cacheFlag, glyph, out); });
}
uint32_t GTTFontFile::GetGlyphOffset(uint32_t source, uint16_t glyph) {
  return Locked([&](GTTFontReader& f) { return f.GetGlyphOffset(source, glyph); });
}
int GTTFontFile::GetFontBBox(uint32_t source, int16_t* xMin, int16_t* yMin, int16_t* xMax, int16_t* yMax) {
  return Locked([&](GTTFontReader& f) { return f.GetFontBBox(source, xMin, yMin, xMax, yMax); });
}
uint16_t GTTFontFile::GetGlyphIndex(uint32_t source, int32_t vertical, uint16_t code, int32_t encodingId) {
  return Locked([&](GTTFontReader& f) { return f.GetGlyphIndex(source, vertical, code, encodingId); });
}
int GTTFontFile::ProcessGlyph(const GGlyphRequest& request) {
  return Locked([&](GTTFontReader& f) { return f.ProcessGlyph(request); });
}
int GTTFontFile::CacheGlyph(uint16_t glyph, GByteBuffer* glyphData, GByteBuffer* rendering) {
  if (font_ == nullptr) {
    delete glyphData;
    delete rendering;
    return 0;
  }
  return Locked([&](GTTFontReader& f) { return f.CacheGlyph(glyph, glyphData, rendering); });
}
int GTTFontFile::FindCachedGlyphData(uint16_t glyph, std::unique_ptr<GByteBuffer>& out) {
  out.reset();
  return Locked([&](GTTFontReader& f) { return f.FindCachedGlyphData(glyph, out); });
}
int GTTFontFile::FindCachedRendering(uint16_t glyph, std::unique_ptr<GByteBuffer>& out) {
  out.reset();
  return Locked([&](GTTFontReader& f) { return f.FindCachedRendering(glyph, out); });
}
int GTTFontFile::Prefetch(uint32_t source, int32_t encodingId) {
  return Locked([&](GTTFontReader& f) { return f.Prefetch(source, encodingId); });
}
int GTTFontFile::GetGlyphCount(uint32_t source, uint16_t* out) {
  return Locked([&](GTTFontReader& f) { return f.GetGlyphCount(source, out); });
}
int GTTFontFile::GetTypoDescender(uint32_t source, int16_t* out) {
  return Locked([&](GTTFontReader& f) { return f.GetTypoDescender(source, out); });
}
int GTTFontFile::GetHorizontalMetrics(uint32_t source, uint16_t glyph, uint16_t* advance, int16_t* sideBearing) {
  return Locked([&](GTTFontReader& f) { return f.GetHorizontalMetrics(source, glyph, advance, sideBearing); });
}
int GTTFontFile::GetVerticalMetrics(uint32_t source, uint16_t glyph, uint16_t* advance, int16_t* sideBearing) {
  return Locked([&](GTTFontReader& f) { return f.GetVerticalMetrics(source, glyph, advance, sideBearing); });
}

int GTTFontFile::RenderGlyph(uint32_t source, int32_t cacheFlag, uint16_t glyphOrCode, uint16_t code,
                             std::unique_ptr<GByteBuffer>& out, int32_t value, int32_t encodingId,
                             const GFontMetrics& parameters) {
  out.reset();
  if (font_ == nullptr) return 0;
  font_->Lock();
  if (font_->FindCachedRendering(glyphOrCode, out)) {
    const int length = static_cast<int>(out->GetLength());
    font_->Unlock();
    return length;
  }
  const int result = font_->RenderGlyph(source, cacheFlag, glyphOrCode, code, out, value, encodingId, parameters);
  if (cacheFlag != 0 && out != nullptr && out->GetLength() != 0)
    font_->CacheGlyph(glyphOrCode, nullptr, out->Detach());
  font_->Unlock();
  return result;
}

void GTTFontFile::RegisterForSave(int32_t databaseId) {
  if (font_ == nullptr) return;
  font_->Lock();
  font_->AddSaveRequester(databaseId);
  font_->Unlock();
  if (pool_ != nullptr) pool_->AddFont(font_);
}

RWCollectable* GTTFontFileCreate() { return new GTTFontFile; }
