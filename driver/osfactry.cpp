#include "driver/osfactry.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "driver/GDriverInstanceAccess.h"
#include "driver/GLock.h"
#include "driver/GUpwardServices.h"
#include "model/GFeatureIds.h"
#include "model/GPersistInStream.h"
#include "model/GPersistOutStream.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentObject.h"
#include "rw/RWPersistence.h"
#include "rw/RWVirtualStream.h"

using namespace GFeatureIds;

namespace {

// The source name under which the factory reports its lock failures.
const char kOSFactorySource[] = "osfactry";


// Initial capacity of the store buffer when the object predicts next to
// nothing, and the number of times it is tried, doubling each time.
constexpr size_t kMinStoreCapacity = 64;
constexpr int kStoreAttempts = 3;
// What LoadObject reads at first.
constexpr DWORD kLoadFirstCapacity = 1024;

// MakeUniqueFileName: at most this many characters of the template, and
// this many names drawn before giving up.
constexpr size_t kMaxTemplateLength = 259;
constexpr int kMaxNameAttempts = 1000;

}  // namespace

// ---- The process-wide factory ----

GOSFactory* GOSFactory::GetInstance() { return UpwardServices().factory; }

GOSFactory::GOSFactory() = default;

GOSFactory::~GOSFactory() {
  // A deleted factory is no longer handed out.
  WithdrawFactory(this);
  delete factoryLock_;
  factoryLock_ = nullptr;
}

void GOSFactory::SetFactoryLock(GLock* lock) {
  if (factoryLock_ != lock) delete factoryLock_;
  factoryLock_ = lock;
}

// ---- Operations with a base behaviour ----

void* GOSFactory::ResolveInstance(void* object) { return object; }

void GOSFactory::SetTimeOffset(int16_t) {}

GOSVersionInfo GOSFactory::GetOSVersion() {
  GOSVersionInfo info;
  info.Query();
  return info;
}

void GOSFactory::EnsureLock(GLock** slot) {
  if (slot == nullptr) return;
  std::atomic_ref<GLock*> held(*slot);
  if (held.load(std::memory_order_acquire) != nullptr) return;
  GLock* lock = factoryLock_;
  bool locked = false;
  if (lock != nullptr) {
    if (lock->Lock() != 0) {
      ReportFatalError(2, kLockErrorId, kOSFactorySource, __LINE__, "");
    } else {
      locked = true;
    }
  }
  // Another thread may have filled the slot while this one waited.
  if (held.load(std::memory_order_acquire) == nullptr) held.store(CreateLock(), std::memory_order_release);
  if (locked && lock->Unlock() == -2) ReportFatalError(2, kUnlockErrorId, kOSFactorySource, __LINE__, "");
}

void GOSFactory::SetModuleHandle(HINSTANCE module) { moduleHandle_ = module; }

HINSTANCE GOSFactory::GetModuleHandle() { return moduleHandle_; }

GExternalModule* GOSFactory::CreateMiniInstallerLauncher(const RWWString&, HANDLE, void*) { return nullptr; }

RWWString GOSFactory::MakeUniqueFileName(const RWWString& directory, const RWWString& fileTemplate, int create) {
  RWWString pattern = fileTemplate.IsEmpty() ? GetDefaultFileTemplate() : fileTemplate;
  const size_t patternLength = pattern.Length() < kMaxTemplateLength ? pattern.Length() : kMaxTemplateLength;

  RWWString prefix = directory;
  const WCHAR separator = GetPathSeparator();
  if (!prefix.IsEmpty() && prefix[prefix.Length() - 1] != separator) prefix.AppendRepeated(separator, 1);

  bool drawsCharacters = false;
  for (size_t i = 0; i < patternLength; ++i) drawsCharacters = drawsCharacters || pattern[i] == u'&';

  SeedRandom();
  // A template without '&' names one file only: drawing again cannot help.
  const int attempts = drawsCharacters ? kMaxNameAttempts : 1;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    RWWString name = prefix;
    for (size_t i = 0; i < patternLength; ++i) {
      WCHAR c = pattern[i];
      if (c == u'&') {
        const unsigned r = static_cast<unsigned>(Random()) % 36u;
        c = static_cast<WCHAR>(r < 10 ? u'0' + r : u'A' + (r - 10));
      }
      name.AppendRepeated(c, 1);
    }
    if (FileExists(name)) continue;
    if (!create || CreateEmptyFile(name)) return name;
  }
  return RWWString();
}

WCHAR GOSFactory::GetPathSeparator() { return u'\\'; }

RWWString GOSFactory::GetDefaultFileTemplate() { return RWWString(u"&&&&&&&&.&&&"); }

void* GOSFactory::Allocate(size_t bytes) { return std::malloc(bytes); }

void GOSFactory::Free(void* block) {
  if (block != nullptr) std::free(block);
}

void GOSFactory::NotifyPlatform(void*) {}

int GOSFactory::IsPlatformFlagSet() { return 0; }

int GOSFactory::GetPlatformLimit() { return -1; }
int GOSFactory::SuppressesProgress() { return 0; }

// ---- The object store ----

// The codec mode of the asking instance's model. It is read for every store
// and load rather than kept: one factory serves every printer of the process,
// whose models may choose different forms, and a mode kept from another
// model would store a printer's settings in a form its own reads do not take.
int16_t GOSFactory::CodecMode(GDriverInstance* instance) {
  int16_t found = 0;
  if (MPersistentObject* configuration = InstancePrinterConfiguration(instance)) {
    MPersistentObject* driverConfiguration = configuration->FindById(kDriverConfiguration);
    MPersistentObject* preferences =
        driverConfiguration != nullptr ? driverConfiguration->FindById(kDriverPreferences) : nullptr;
    MPersistentObject* attribute = preferences != nullptr ? preferences->FindById(kDevmodeCodecMode) : nullptr;
    if (auto* value = dynamic_cast<GValueAttribute*>(attribute)) found = value->GetValue();
  }
  return found;
}

int GOSFactory::StoreObject(GDriverInstance* instance, const RWWString& name, const MPersistentObject* object) {
  if (object == nullptr) return 0;
  const size_t predicted = object->MembersStoreSize();
  size_t capacity = predicted + predicted / 2;
  if (capacity < kMinStoreCapacity) capacity = kMinStoreCapacity;

  bool useCodec = CodecMode(instance) == 1 && !(name == BinPoolValueName());
  // A codec of its own for this store, as each load has: the codec keeps its
  // mode between calls, and the factory serves every printer at once.
  GCompactSettingsCodec codec;
  for (int attempt = 0; attempt < kStoreAttempts; ++attempt) {
    void* buffer = Allocate(capacity);
    if (buffer == nullptr) return 0;
    GPersistOutStream* holder = OpenOutputStream(buffer, capacity, kBinaryStreamFormat);
    RWVirtualOutStream* stream = holder != nullptr ? holder->GetStream() : nullptr;
    if (stream == nullptr || !stream->Good()) {
      delete holder;
      Free(buffer);
      return 0;
    }
    int start = holder->Tell();
    if (useCodec && !codec.Encode(object, stream, holder, 1) && stream->Good()) {
      // The codec cannot write this object: store it through the framing,
      // which every reader understands.
      useCodec = false;
      delete holder;
      holder = OpenOutputStream(buffer, capacity, kBinaryStreamFormat);
      stream = holder != nullptr ? holder->GetStream() : nullptr;
      if (stream == nullptr || !stream->Good()) {
        delete holder;
        Free(buffer);
        return 0;
      }
      start = holder->Tell();
    }
    if (!useCodec) RWWriteObjectPointer(*stream, object);
    stream->Flush();
    if (stream->Good()) {
      const int end = holder->Tell();
      const DWORD written = end > start ? static_cast<DWORD>(end - start) : 0;
      const int result = WriteBlob(instance, name, buffer, written);
      delete holder;
      Free(buffer);
      return result;
    }
    // The buffer overflowed: nothing was stored; try again with twice the room.
    delete holder;
    Free(buffer);
    capacity *= 2;
  }
  return 0;
}

MPersistentObject* GOSFactory::LoadObject(GDriverInstance* instance, const RWWString& name, int portable) {
  DWORD capacity = kLoadFirstCapacity;
  void* buffer = Allocate(capacity);
  if (buffer == nullptr) return nullptr;
  DWORD size = 0;
  int read = ReadBlob(instance, name, buffer, capacity, &size);
  if (!read && size > capacity) {
    Free(buffer);
    capacity = size;
    buffer = Allocate(capacity);
    if (buffer == nullptr) return nullptr;
    size = 0;
    read = ReadBlob(instance, name, buffer, capacity, &size);
  }
  MPersistentObject* object = nullptr;
  if (read && size != 0 && size <= capacity) {
    const int format = portable ? kPortableStreamFormat : kBinaryStreamFormat;
    GPersistInStream* holder = OpenInputStream(buffer, size, format);
    RWVirtualInStream* stream = holder != nullptr ? holder->GetStream() : nullptr;
    if (stream != nullptr && stream->Good()) {
      if (CodecMode(instance) == 1 && !portable && !(name == BinPoolValueName())) {
        // The reader rebuilds the value over the defaults of the asking
        // instance, never over those of a printer that asked before.
        GCompactSettingsCodec codec;
        object = codec.Decode(stream, holder, instance, 1);
        if (object == nullptr) {
          // Not in the codec's form: values stored through the framing read
          // that way.
          delete holder;
          holder = OpenInputStream(buffer, size, format);
          stream = holder != nullptr ? holder->GetStream() : nullptr;
        }
      }
      if (object == nullptr && stream != nullptr && stream->Good()) MPersistentObject::ReadPersistentObject(*stream, object);
    }
    delete holder;
  }
  Free(buffer);
  return object;
}

// ---- Fatal errors ----

namespace {

std::atomic<GFatalErrorHandler> g_fatalHandler{nullptr};
// Set while the driver server's shut-down runs: the shut-down takes the
// server's locks, and a failure of one of them reports again; that report
// must not start the shut-down a second time.
std::atomic<bool> g_shutdownRunning{false};

}  // namespace

GFatalErrorHandler SetFatalErrorHandler(GFatalErrorHandler handler) { return g_fatalHandler.exchange(handler); }

void ReportFatalError(int severity, int errorId, RWCString sourceFile, int line, RWCString detail) {
  char text[256];
  const unsigned id = static_cast<unsigned>(errorId) & 0xFFFFu;
  if (severity == 2) {
    std::snprintf(text, sizeof text,
                  "There has been a critical error and the printer driver cannot continue.  Save your work, and "
                  "exit the current application.  (Error id = %u)",
                  id);
  } else {
    std::snprintf(text, sizeof text, "Error id = %u  (No error string table, yet...)", id);
  }

  if (severity == 2) {
    const auto hook = UpwardServices().criticalShutdown;
    if (hook != nullptr && !g_shutdownRunning.exchange(true)) {
      hook();
      g_shutdownRunning.store(false);
    }
  }

  if (GFatalErrorHandler handler = g_fatalHandler.load()) {
    GFatalErrorReport report;
    report.severity = severity;
    report.errorId = errorId;
    report.text = text;
    report.sourceFile = sourceFile;
    report.line = line;
    report.detail = detail;
    handler(report);
    return;
  }
  // The C runtime's abnormal end: exit code 3, nothing flushed.
  if (severity == 1 || severity == 2) std::_Exit(3);
}
