#include "driver/drvrsrvr.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>

#include "driver/GDriverInstance.h"
#include "driver/GLock.h"
#include "driver/GUpwardServices.h"
#include "driver/osfactry.h"
#include "model/GFeatureIds.h"
#include "model/GPersistInStream.h"
#include "model/GResourceMappingList.h"
#include "model/MPersistentObject.h"
#include "win32/Spooler.h"

using namespace GFeatureIds;

// ---- Keys ----

GInstanceKey::~GInstanceKey() = default;

int GInstanceKey::Equals(const GInstanceKey*) const { return 0; }

GPrinterKey::GPrinterKey(HANDLE printer, const RWWString& printerName, int flag)
    : printer_(printer), printerName_(printerName), flag_(flag) {
  bool openedHere = false;
  if (printer_ == nullptr) {
    HANDLE opened = nullptr;
    if (!printerName_.IsEmpty() && OpenPrinterW(printerName_.Data(), &opened, nullptr) == 1) {
      printer_ = opened;
      openedHere = true;
    }
  }
  if (printer_ != nullptr) {
    DWORD needed = 0;
    BOOL sized = GetPrinterW(printer_, 2, nullptr, 0, &needed);
    if ((sized || GetLastError() == ERROR_INSUFFICIENT_BUFFER) && needed >= sizeof(PRINTER_INFO_2W)) {
      // The spooler's record is followed by its strings; PRINTER_INFO_2W
      // holds pointers, so the buffer is aligned for it.
      void* buffer = ::operator new(needed, std::align_val_t(alignof(PRINTER_INFO_2W)), std::nothrow);
      if (buffer != nullptr) {
        if (GetPrinterW(printer_, 2, static_cast<LPBYTE>(buffer), needed, &needed)) {
          const auto* info = static_cast<const PRINTER_INFO_2W*>(buffer);
          if (info->pPrinterName != nullptr &&
              (printerName_.IsEmpty() || !(printerName_ == static_cast<const WCHAR*>(info->pPrinterName))))
            printerName_ = static_cast<const WCHAR*>(info->pPrinterName);
          if (info->pDriverName != nullptr) driverName_ = static_cast<const WCHAR*>(info->pDriverName);
          if (info->pPortName != nullptr) portName_ = static_cast<const WCHAR*>(info->pPortName);
        }
        ::operator delete(buffer, std::align_val_t(alignof(PRINTER_INFO_2W)));
      }
    }
  }
  if (openedHere) {
    ClosePrinter(printer_);
    printer_ = nullptr;
  }
}

GPrinterKey::GPrinterKey(HANDLE printer, const RWWString& printerName, const RWWString& driverName,
                         const RWWString& portName, int flag)
    : printer_(printer), printerName_(printerName), driverName_(driverName), portName_(portName), flag_(flag) {}

GPrinterKey::~GPrinterKey() = default;

int GPrinterKey::Equals(const GInstanceKey* other) const {
  auto* key = dynamic_cast<const GPrinterKey*>(other);
  if (key == nullptr) return 0;
  return key->printer_ == printer_ && key->printerName_ == printerName_ && key->flag_ == flag_ &&
         key->driverName_ == driverName_ && key->portName_ == portName_;
}

int GPrinterKey::SameDriver(const GInstanceKey* other) const {
  auto* key = dynamic_cast<const GPrinterKey*>(other);
  return key != nullptr && key->driverName_ == driverName_;
}

// ---- The server ----

namespace {

std::atomic<GDriverServer*> g_server{nullptr};

// The server CreateInstance made, which the module's static destruction
// deletes at unload.
struct ServerUnloadRecord {
  std::mutex mutex;
  GDriverServer* server = nullptr;
  ~ServerUnloadRecord() {
    GDriverServer* last = nullptr;
    {
      std::lock_guard<std::mutex> guard(mutex);
      last = server;
      server = nullptr;
    }
    delete last;
  }
};
ServerUnloadRecord g_unload;

uint32_t IdentityHash(const uint32_t& key) { return key; }

// Holds a table lock for a scope. A lock that cannot be taken or released
// is a critical error; when the fatal-error handler returns (it does so only
// under test) the scope runs without the lock.
class TableLock {
 public:
  TableLock(GLock* lock, int line) : lock_(lock), line_(line) {
    if (lock_ == nullptr) return;
    if (lock_->Lock() != 0) {
      ReportFatalError(2, kLockErrorId, GDriverServer::kSourceName, line_, "");
      return;
    }
    locked_ = true;
  }
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;
  ~TableLock() { Unlock(); }
  void Unlock() {
    if (!locked_) return;
    locked_ = false;
    if (lock_->Unlock() != 0) ReportFatalError(2, kUnlockErrorId, GDriverServer::kSourceName, line_, "");
  }

 private:
  GLock* lock_;
  int line_;
  bool locked_ = false;
};

}  // namespace

GDriverServer* GDriverServer::CreateInstance() {
  if (GDriverServer* existing = GetInstance()) return existing;
  auto* server = new (std::nothrow) GDriverServer;
  if (server == nullptr) return nullptr;
  if (server->table1_ == nullptr || server->table2_ == nullptr) {
    delete server;
    return nullptr;
  }
  g_server.store(server, std::memory_order_release);
  // The module's static destruction deletes the server it made.
  std::lock_guard<std::mutex> guard(g_unload.mutex);
  g_unload.server = server;
  return server;
}

GDriverServer* GDriverServer::GetInstance() { return g_server.load(std::memory_order_acquire); }

void GDriverServer::RunCriticalShutdown() {
  if (GDriverServer* server = GetInstance()) server->CriticalShutdown();
}

GDriverServer::GDriverServer()
    : table1_(new (std::nothrow) Table(kBuckets, &IdentityHash)),
      table2_(new (std::nothrow) Table(kBuckets, &IdentityHash)) {
  if (GOSFactory* factory = GOSFactory::GetInstance()) {
    factory->EnsureLock(&lock1_);
    factory->EnsureLock(&lock2_);
  }
}

GDriverServer::~GDriverServer() {
  {
    std::lock_guard<std::mutex> guard(g_unload.mutex);
    if (g_unload.server == this) g_unload.server = nullptr;
  }
  GDriverServer* self = this;
  g_server.compare_exchange_strong(self, nullptr);
  EmptyTables();
  DropCaches();
  delete lock1_;
  lock1_ = nullptr;
  delete lock2_;
  lock2_ = nullptr;
  delete table1_;
  delete table2_;
}

// ---- Handles ----

int GDriverServer::AllocateHandle(GDriverInstance* instance, Table* table, GLock* lock) {
  const auto address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(instance));
  uint32_t candidate = address ^ (address >> 16);
  if (candidate == 0) candidate = 1;
  TableLock guard(lock, __LINE__);
  while (table->Find(table->BucketOf(candidate), candidate) != nullptr) {
    ++candidate;
    if (candidate == 0) candidate = 1;
  }
  GDriverInstance** slot = table->FindOrInsert(table->BucketOf(candidate), candidate);
  if (slot == nullptr) return 0;
  *slot = instance;
  table->SetCount(table->Count() + 1);
  return static_cast<int>(candidate);
}

void GDriverServer::ReleaseHandle(int handle, Table* table, GLock* lock, GDriverInstance** cache) {
  const auto key = static_cast<uint32_t>(handle);
  GDriverInstance* victim = nullptr;
  bool found = false;
  bool shutDown = false;
  {
    TableLock guard(lock, __LINE__);
    shutDown = shutDown_ != 0;
    if (Table::Node* node = table->RemoveNode(table->BucketOf(key), key)) {
      found = true;
      GDriverInstance* instance = node->value;
      delete node;
      table->SetCount(table->Count() - 1);
      if (!shutDown) {
        instance->Release();
        victim = *cache;
        *cache = instance;
      } else {
        victim = instance;
      }
    }
  }
  delete victim;
  if (!found && !shutDown) ReportFatalError(1, kUnknownDriverHandleErrorId, kSourceName, __LINE__, "");
}

int GDriverServer::FindHandleOf(int* handle, GDriverInstance* instance, Table* table, GLock* lock) {
  TableLock guard(lock, __LINE__);
  RWHashedDictionaryIterator<uint32_t, GDriverInstance*> it(*table);
  while (Table::Node* node = it.Next()) {
    if (node->value == instance) {
      if (handle != nullptr) *handle = static_cast<int>(node->key);
      return 1;
    }
  }
  return 0;
}

int GDriverServer::GetDriverHandle(int* handle, GDriverInstance* instance) {
  return FindHandleOf(handle, instance, table1_, lock1_);
}

int GDriverServer::GetRenderHandle(int* handle, GDriverInstance* instance) {
  return FindHandleOf(handle, instance, table2_, lock2_);
}

// ---- Opening and closing ----

void* GDriverServer::Open(GPrinterKey* key, int* handle, Table* table, GLock* lock, GDriverInstance** cache,
                          bool render) {
  GDriverInstance* instance = nullptr;
  {
    TableLock guard(lock, __LINE__);
    if (*cache != nullptr && key != nullptr) {
      GPrinterKey* cachedKey = (*cache)->GetPrinterKey();
      if (cachedKey != nullptr && cachedKey->SameDriver(key)) {
        instance = *cache;
        *cache = nullptr;
        instance->Rebind(key);
      }
      delete cachedKey;
    }
  }
  if (instance == nullptr) {
    GOSFactory* factory = GOSFactory::GetInstance();
    if (factory != nullptr && key != nullptr)
      instance = render ? factory->CreateRenderInstance(key) : factory->CreateDriver(key);
    if (instance == nullptr || InitializeInstance(instance) == 0) {
      delete instance;
      delete key;
      return nullptr;
    }
  }
  delete key;
  const int allocated = AllocateHandle(instance, table, lock);
  if (allocated == 0) {
    // No room for the table entry: nothing is handed out.
    delete instance;
    return nullptr;
  }
  if (handle != nullptr) *handle = allocated;
  return render ? instance->GetRenderObject() : instance->GetDriverObject();
}

GDriverInstance* GDriverServer::Lookup(int handle, Table* table, GLock* lock) {
  const auto key = static_cast<uint32_t>(handle);
  TableLock guard(lock, __LINE__);
  Table::Node* node = table->Find(table->BucketOf(key), key);
  return node != nullptr ? node->value : nullptr;
}

void* GDriverServer::OpenDriver(GPrinterKey* key, int* handle) {
  return Open(key, handle, table1_, lock1_, &cache1_, false);
}

void* GDriverServer::FindDriver(int handle) {
  GDriverInstance* instance = Lookup(handle, table1_, lock1_);
  return instance != nullptr ? instance->GetDriverObject() : nullptr;
}

void GDriverServer::CloseDriver(int handle) { ReleaseHandle(handle, table1_, lock1_, &cache1_); }

void* GDriverServer::OpenRenderInstance(GPrinterKey* key, int* handle) {
  return Open(key, handle, table2_, lock2_, &cache2_, true);
}

void* GDriverServer::FindRenderInstance(int handle) {
  GDriverInstance* instance = Lookup(handle, table2_, lock2_);
  return instance != nullptr ? instance->GetRenderObject() : nullptr;
}

GDriverInstance* GDriverServer::FindRenderDriverInstance(int handle) { return Lookup(handle, table2_, lock2_); }

void GDriverServer::CloseRenderInstance(int handle) {
  ReleaseHandle(handle, table2_, lock2_, &cache2_);
  TableLock guard(lock2_, __LINE__);
  if (table2_->Count() == 0) {
    if (const auto reset = UpwardServices().fontPoolReset) reset();
    shutDown_ = 0;
  }
}

int GDriverServer::InitializeInstance(GDriverInstance* instance) {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return 0;
  const RWWString path = factory->GetDriverDataFile(instance);
  GPersistInStream* stream = factory->OpenFileInStream(path, kBinaryStreamFormat);
  if (stream == nullptr) return 0;
  RWVirtualInStream* virtualStream = stream->GetStream();
  if (virtualStream == nullptr || !virtualStream->Good()) {
    delete stream;
    return 0;
  }
  MPersistentObject* root = nullptr;
  MPersistentObject::ReadPersistentObject(*virtualStream, root);
  delete stream;
  if (root == nullptr) return 0;

  instance->SetDeviceModel(root->RemoveChildById(kDeviceModelRoot));
  instance->SetPaperMappings(root->RemoveChildById(kPaperMappingList));
  instance->SetSourceMappings(root->RemoveChildById(kSourceMappingList));
  instance->SetCapabilityMappings(root->RemoveChildById(kDeviceCapabilityMappings));
  // Without capability mappings in the file (or with something else under
  // their id) the instance gets an empty list.
  if (instance->GetCapabilityMappings() == nullptr) {
    auto* empty = new (std::nothrow) GResourceMappingList(kDeviceCapabilityMappings);
    if (empty != nullptr) instance->SetCapabilityMappings(empty);
  }
  delete root;
  return 1;
}

// ---- Caches and tables ----

int GDriverServer::DropCache(GLock* lock, GDriverInstance** cache) {
  GDriverInstance* cached = nullptr;
  {
    TableLock guard(lock, __LINE__);
    cached = *cache;
    *cache = nullptr;
  }
  // Deleted outside the lock: a destructor that allocates may reach the
  // new-handler, which drops the caches again.
  delete cached;
  return cached != nullptr ? 1 : 0;
}

int GDriverServer::DropCaches() {
  const int first = DropCache(lock1_, &cache1_);
  const int second = DropCache(lock2_, &cache2_);
  return first || second ? 1 : 0;
}

void GDriverServer::Empty(Table* table, GLock* lock, bool release) {
  TableLock guard(lock, __LINE__);
  if (table->Count() == 0) return;
  RWHashedDictionaryIterator<uint32_t, GDriverInstance*> it(*table);
  if (release) {
    while (Table::Node* node = it.Next()) node->value->Release();
    it.Reset();
  }
  while (Table::Node* node = it.Next()) {
    delete node->value;
    node->value = nullptr;
  }
  table->RemoveAll();
}

void GDriverServer::EmptyTables() {
  Empty(table1_, lock1_, false);
  Empty(table2_, lock2_, true);
}

void GDriverServer::CriticalShutdown() {
  shutDown_ = 1;
  DropCaches();
}

int GDriverServer::ReleaseTableMemory(Table* table, GLock* lock) {
  TableLock guard(lock, __LINE__);
  RWHashedDictionaryIterator<uint32_t, GDriverInstance*> it(*table);
  while (Table::Node* node = it.Next())
    if (node->value->ReleaseMemory() != 0) return 1;
  return 0;
}

int GDriverServer::ReleaseMemory() {
  if (DropCaches() != 0) return 1;
  if (ReleaseTableMemory(table1_, lock1_) != 0) return 1;
  return ReleaseTableMemory(table2_, lock2_);
}
