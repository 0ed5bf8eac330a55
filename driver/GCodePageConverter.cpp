#include "driver/GCodePageConverter.h"

#include <atomic>
#include <cstdlib>

#include "driver/GLock.h"
#include "driver/osfactry.h"
#include "win32/CodePage.h"

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

namespace {

// Serves whenever the platform offers no converter; never deleted before the
// process ends, so callers may keep the pointer.
GCodePageConverter* BuiltInConverter() {
  static GBuiltInCodePageConverter* converter = new GBuiltInCodePageConverter;
  return converter;
}

}  // namespace

GCodePageConverter* GetCodePageConverter() {
  if (GCodePageConverter* converter = g_converter.load(std::memory_order_acquire)) return converter;
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return BuiltInConverter();
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
  return converter != nullptr ? converter : BuiltInConverter();
}

// ---- GBuiltInCodePageConverter ----

UINT GBuiltInCodePageConverter::CodePageOf(int id) {
  switch (id) {
    case 4: return 1252;
    case 5: return 1250;
    case 6: return 1254;
    case 7: return 1251;
    case 8: return 1253;
    case 9: return 1255;
    case 10: return 1256;
    case 11: return 874;
    case 12: return 1257;
    case 14: return 1258;
    case 15: return 850;
    case 17: return 932;
    case 18:
    case 19: return 936;
    case 20:
    case 21: return 949;
    case 22: return 1361;
    case 23: return 950;
    default: return id >= 24 && id <= 52 ? 1252 : 0;
  }
}

int GBuiltInCodePageConverter::IsEncodingKnown(int id) {
  return id == 3 || id == 16 || CodePageOf(id) != 0 ? 1 : 0;
}

// A code above 0xFF of a double-byte encoding is its lead byte and its
// trail byte; any other code is one byte.
uint32_t GBuiltInCodePageConverter::ToUnicode(uint32_t code, int id) {
  if (id == 16) return code & 0xFFFF;
  if (id == 3) return code & 0xFF;
  const UINT codePage = CodePageOf(id);
  if (codePage == 0 || code > 0xFFFF) return 0;
  char bytes[2];
  int count = 0;
  if (code > 0xFF) bytes[count++] = static_cast<char>(code >> 8);
  bytes[count++] = static_cast<char>(code & 0xFF);
  WCHAR wide[2] = {};
  const int made = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, count, wide, 2);
  return made == 1 ? wide[0] : 0;
}

uint32_t GBuiltInCodePageConverter::FromUnicode(uint32_t unicode, int id) {
  if (id == 16) return unicode & 0xFFFF;
  if (id == 3) return unicode & 0xFF;
  const UINT codePage = CodePageOf(id);
  if (codePage == 0 || unicode > 0xFFFF || unicode == 0) return 0;
  const WCHAR wide = static_cast<WCHAR>(unicode);
  char bytes[4] = {};
  BOOL usedDefault = FALSE;
  const int made = WideCharToMultiByte(codePage, 0, &wide, 1, bytes, 4, nullptr, &usedDefault);
  if (usedDefault || made < 1 || made > 2) return 0;
  if (made == 1) return static_cast<uint8_t>(bytes[0]);
  return static_cast<uint32_t>(static_cast<uint8_t>(bytes[0])) << 8 | static_cast<uint8_t>(bytes[1]);
}

int GBuiltInCodePageConverter::NarrowToWide(const char* source, WCHAR* destination, UINT codePage, int count) {
  if (source == nullptr || destination == nullptr || count <= 0) return 0;
  return MultiByteToWideChar(codePage, 0, source, count, destination, count);
}

int GBuiltInCodePageConverter::WideToNarrow(const WCHAR* source, char* destination, UINT codePage, int count) {
  if (source == nullptr || destination == nullptr || count <= 0) return 0;
  return WideCharToMultiByte(codePage, 0, source, count, destination, count, nullptr, nullptr);
}
