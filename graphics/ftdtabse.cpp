// The font database (GFontDatabase); the source name is fixed because the
// system names it in its fatal-error reports.
#include <algorithm>
#include <atomic>
#include <mutex>
#include <type_traits>
#include <vector>

#include "graphics/GFontDatabase.h"
#include "graphics/GFontFace.h"
#include "graphics/GTTFontPool.h"
#include "model/GStringConversion.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWCString.h"
#include "rw/RWVirtualStream.h"
#include "win32/File.h"

namespace {

// Key 0 stands for "no face" in a stored handle, so the counter starts at 1
// and skips 0 when it wraps.
std::atomic<uint32_t> g_nextFaceKey{1};

// The live databases, the newest last: a key names the newest database
// made or moved under it, and the one before it again when that one goes.
std::mutex& DatabaseTableLock() {
  static std::mutex lock;
  return lock;
}
std::vector<GFontDatabase*>& DatabaseTable() {
  static std::vector<GFontDatabase*> table;
  return table;
}

void ForgetDatabase(GFontDatabase* database) {
  auto& table = DatabaseTable();
  table.erase(std::remove(table.begin(), table.end(), database), table.end());
}

GFontFace* AsFace(MPersistentObject* value) { return dynamic_cast<GFontFace*>(value); }

// A restored face that meets the face held under its key: the newer stamp
// wins; a held face still in use takes the newer one's content in place.
int DatabaseEvent(MPersistentObject* value, MPersistentObject* existing, int event) {
  switch (event) {
    case GKeyedCache::kPurgeQuery: {
      GFontFace* face = AsFace(existing);
      if (face == nullptr || face->GetUseCount() != 1) return 0;
      face->SetUseCount(0);
      return 1;
    }
    case GKeyedCache::kAdded:
      if (GFontFace* face = AsFace(value)) face->SetUseCount(1);
      return 0;
    case GKeyedCache::kConflict: {
      GFontFace* restored = AsFace(value);
      GFontFace* held = AsFace(existing);
      if (restored == nullptr) return 0;
      if (held == nullptr) {
        restored->SetUseCount(1);
        return 1;
      }
      if (held->GetStamp() >= restored->GetStamp()) return 0;
      if (held->GetUseCount() > 1) {
        held->AssignFrom(*restored);
        while (held->GetStamp() < restored->GetStamp()) held->IncrementStamp();
        return 0;
      }
      held->DropUse();
      restored->SetUseCount(1);
      return 1;
    }
    default:
      return 0;
  }
}

// Writes the faces marked for saving, once per mark.
int DatabaseSaveFilter(MPersistentObject* value, int event, void*) {
  GFontFace* face = AsFace(value);
  if (face == nullptr) return 0;
  if (event == GKeyedCache::kWritten) {
    face->ClearSaveMark();
    return 0;
  }
  return face->IsMarkedForSave() == 1 ? 1 : 0;
}

bool DatabaseNarrowPath(const RWWString& path, RWCString& narrow) {
  ToNarrowString(path, narrow);
  return narrow.Length() != 0;
}

}  // namespace

GFontDatabase::GFontDatabase(uint32_t instance) : records_(&DatabaseEvent), instance_(instance) {
  std::lock_guard<std::mutex> guard(DatabaseTableLock());
  DatabaseTable().push_back(this);
}

GFontDatabase::~GFontDatabase() {
  Clear();
  std::lock_guard<std::mutex> guard(DatabaseTableLock());
  ForgetDatabase(this);
}

void GFontDatabase::SetInstance(uint32_t instance) {
  std::lock_guard<std::mutex> guard(DatabaseTableLock());
  ForgetDatabase(this);
  instance_ = instance;
  DatabaseTable().push_back(this);
}

GFontDatabase* GFontDatabase::FindForInstance(uint32_t instance) {
  std::lock_guard<std::mutex> guard(DatabaseTableLock());
  const auto& table = DatabaseTable();
  for (auto it = table.rbegin(); it != table.rend(); ++it) {
    if ((*it)->instance_ == instance) return *it;
  }
  return nullptr;
}

uint32_t GFontDatabase::NextUniqueId() {
  uint32_t key = g_nextFaceKey.fetch_add(1);
  return key != 0 ? key : g_nextFaceKey.fetch_add(1);
}

template <typename Out>
int GFontDatabase::SaveParts(Out& out) {
  // The font pool's part: the pooled TrueType fonts this database asked to
  // save (an empty part when no pool is registered). The instance's key is
  // the database's id with the pool.
  GTTFontPool* fontPool = GTTFontPool::GetInstance();
  const auto id = static_cast<int32_t>(instance_);
  GKeyedCache none;
  int result = 0;
  if constexpr (std::is_same_v<Out, RWBinaryFile>)
    result = fontPool != nullptr ? fontPool->SaveToFile(out, id) : none.SaveToFile(out, nullptr, nullptr);
  else
    result = fontPool != nullptr ? fontPool->SaveToStream(out, id) : none.SaveToStream(out, nullptr, nullptr);
  if (result != 1) return result;
  if constexpr (std::is_same_v<Out, RWBinaryFile>)
    return records_.SaveToFile(out, &DatabaseSaveFilter, nullptr);
  else
    return records_.SaveToStream(out, &DatabaseSaveFilter, nullptr);
}

int GFontDatabase::SaveToBinaryFile(RWBinaryFile& file) {
  int result = SaveParts(file);
  if (result == 1) Purge();
  return result;
}

int GFontDatabase::SaveToStream(RWVirtualOutStream& stream) {
  int result = SaveParts(stream);
  if (result == 1 && !stream.Good()) result = 0;
  return result;
}

int GFontDatabase::SaveToFile(const RWWString& path) {
  RWCString narrow;
  if (!DatabaseNarrowPath(path, narrow)) return 0;
  int result = 0;
  {
    RWBinaryFile file(narrow.Data(), "wb");
    if (file.Handle() == nullptr) return 0;
    result = SaveToBinaryFile(file);
    savedFiles_.push_back(path);
  }
  return result;
}

// Stored pool fonts merge into the registered pool by stamp. Without a
// pool they are read (so that the faces after them are reached) and
// dropped.
template <typename In>
int GFontDatabase::RestoreParts(In& in) {
  Purge();
  int result = 0;
  if (GTTFontPool* fontPool = GTTFontPool::GetInstance()) {
    if constexpr (std::is_same_v<In, RWBinaryFile>)
      result = fontPool->RestoreFromFile(in);
    else
      result = fontPool->RestoreFromStream(in);
  } else {
    GKeyedCache pool;
    if constexpr (std::is_same_v<In, RWBinaryFile>)
      result = pool.RestoreFromFile(in);
    else
      result = pool.RestoreFromStream(in);
    uint32_t* keys = nullptr;
    const uint32_t count = pool.GetKeys(&keys);
    for (uint32_t i = 0; i < count; ++i) delete pool.Remove(keys[i]);
    delete[] keys;
  }
  if (result != 1) return result;
  if constexpr (std::is_same_v<In, RWBinaryFile>)
    return records_.RestoreFromFile(in);
  else
    return records_.RestoreFromStream(in);
}

int GFontDatabase::RestoreFromBinaryFile(RWBinaryFile& file) { return RestoreParts(file); }

int GFontDatabase::RestoreFromStream(RWVirtualInStream& stream) { return RestoreParts(stream); }

int GFontDatabase::LoadFromFile(const RWWString& path) {
  if (currentFile_.Length() != 0 && path == currentFile_) return 1;
  RWCString narrow;
  int result = 0;
  if (DatabaseNarrowPath(path, narrow)) {
    RWBinaryFile file(narrow.Data(), "rb");
    if (file.Handle() != nullptr) result = RestoreFromBinaryFile(file);
  }
  currentFile_ = result == 1 ? path : RWWString();
  return result;
}

int GFontDatabase::AddRecord(GFontFace* face) {
  if (face == nullptr) return 0;
  if (records_.Insert(face->GetKey(), face) == 1) face->AddUse();
  return 1;
}

GFontFace* GFontDatabase::FindRecord(uint32_t key, uint32_t minStamp) {
  GFontFace* face = AsFace(records_.Find(key));
  if (face == nullptr || face->GetStamp() < minStamp) return nullptr;
  face->AddUse();
  return face;
}

GFontFace* GFontDatabase::TakeRecord(uint32_t key) { return AsFace(records_.Remove(key)); }

int GFontDatabase::ReleaseRecord(uint32_t key) {
  MPersistentObject* value = records_.Remove(key);
  if (value == nullptr) return 0;
  GFontFace* face = AsFace(value);
  if (face == nullptr || face->DropUse() <= 0) delete value;
  return 1;
}

int GFontDatabase::ContainsRecord(uint32_t key) const { return records_.Contains(key); }

uint32_t GFontDatabase::GetRecordCount() const { return records_.GetCount(); }

void GFontDatabase::Purge() {
  records_.Purge();
  if (GTTFontPool* fontPool = GTTFontPool::GetInstance()) fontPool->Purge(static_cast<int32_t>(instance_));
}

void GFontDatabase::Clear() {
  uint32_t* keys = nullptr;
  const uint32_t count = records_.GetKeys(&keys);
  for (uint32_t i = 0; i < count; ++i) ReleaseRecord(keys[i]);
  delete[] keys;
  if (GTTFontPool* fontPool = GTTFontPool::GetInstance()) fontPool->Purge(static_cast<int32_t>(instance_));
  for (const RWWString& path : savedFiles_) DeleteFileW(path.Data());
  savedFiles_.clear();
  currentFile_ = RWWString();
}
