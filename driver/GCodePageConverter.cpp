#include "driver/GCodePageConverter.h"

#include <atomic>
#include <cstdlib>

#include "driver/GLock.h"
#include "driver/osfactry.h"

namespace {

const char kSourceName[] = "unicode";

std::atomic<GCodePageConverter*> g_converter{nullptr};
GLock* g_converterLock = nullptr;

// The converter obtained last; the module's static destruction deletes it.
struct UnloadRecord {
  GCodePageConverter* converter = nullptr;
  ~UnloadRecord() { delete converter; }
} g_unloadRecord;

}  // namespace

GCodePageConverter::~GCodePageConverter() {
  for (void* block : blocks_) std::free(block);
  blocks_.clear();
  GCodePageConverter* self = this;
  g_converter.compare_exchange_strong(self, nullptr);
  if (g_unloadRecord.converter == this) g_unloadRecord.converter = nullptr;
  GLock* lock = std::atomic_ref<GLock*>(g_converterLock).exchange(nullptr);
  delete lock;
}

GCodePageConverter* GetCodePageConverter() {
  if (GCodePageConverter* converter = g_converter.load(std::memory_order_acquire)) return converter;
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return nullptr;
  factory->EnsureLock(&g_converterLock);
  GLock* lock = std::atomic_ref<GLock*>(g_converterLock).load();
  bool locked = false;
  if (lock != nullptr) {
    if (lock->Lock() != 0) {
      ReportFatalError(2, kLockErrorId, kSourceName, __LINE__, "");
    } else {
      locked = true;
    }
  }
  if (g_converter.load() == nullptr) {
    if (GCodePageConverter* created = factory->CreateCodePageConverter()) {
      g_converter.store(created, std::memory_order_release);
      // A converter clears the record when it is deleted, so the record
      // holds none here.
      g_unloadRecord.converter = created;
    }
  }
  GCodePageConverter* converter = g_converter.load();
  if (locked && lock->Unlock() == -2) ReportFatalError(2, kUnlockErrorId, kSourceName, __LINE__, "");
  return converter;
}
