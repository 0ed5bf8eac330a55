#include "module/GPrinterHandleTable.h"

#include "driver/GLock.h"
#include "driver/osfactry.h"

namespace {

// The handle's value is the hash; the key is the whole handle.
uint32_t HandleHash(const HANDLE& printer) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(printer));
}

class TableGuard {
 public:
  TableGuard(GLock* lock, int line) : lock_(lock), line_(line) {
    if (lock_ == nullptr) return;
    if (lock_->Lock() != 0) {
      ReportFatalError(2, kLockErrorId, GPrinterHandleTable::kSourceName, line_, "");
      return;
    }
    locked_ = true;
  }
  TableGuard(const TableGuard&) = delete;
  TableGuard& operator=(const TableGuard&) = delete;
  ~TableGuard() {
    if (locked_ && lock_->Unlock() != 0)
      ReportFatalError(2, kUnlockErrorId, GPrinterHandleTable::kSourceName, line_, "");
  }

 private:
  GLock* lock_;
  int line_;
  bool locked_ = false;
};

}  // namespace

GPrinterHandleTable::GPrinterHandleTable() : table_(kBuckets, &HandleHash) {
  if (GOSFactory* factory = GOSFactory::GetInstance()) factory->EnsureLock(&lock_);
}

GPrinterHandleTable::~GPrinterHandleTable() { delete lock_; }

int GPrinterHandleTable::Put(HANDLE printer, int serverHandle, int* replaced) {
  TableGuard guard(lock_, __LINE__);
  const uint32_t bucket = table_.BucketOf(printer);
  if (Table::Node* node = table_.Find(bucket, printer)) {
    if (replaced != nullptr) *replaced = node->value;
    node->value = serverHandle;
    return 1;
  }
  int* slot = table_.FindOrInsert(bucket, printer);
  if (slot == nullptr) return -1;
  *slot = serverHandle;
  table_.SetCount(table_.Count() + 1);
  return 0;
}

int GPrinterHandleTable::Find(HANDLE printer, int* serverHandle) {
  TableGuard guard(lock_, __LINE__);
  Table::Node* node = table_.Find(table_.BucketOf(printer), printer);
  if (node == nullptr) return 0;
  if (serverHandle != nullptr) *serverHandle = node->value;
  return 1;
}

int GPrinterHandleTable::Remove(HANDLE printer, int* serverHandle, uint32_t* remaining) {
  TableGuard guard(lock_, __LINE__);
  Table::Node* node = table_.RemoveNode(table_.BucketOf(printer), printer);
  if (node != nullptr) {
    if (serverHandle != nullptr) *serverHandle = node->value;
    delete node;
    table_.SetCount(table_.Count() - 1);
  }
  if (remaining != nullptr) *remaining = table_.Count();
  return node != nullptr ? 1 : 0;
}

void GPrinterHandleTable::DiscardAll() {
  TableGuard guard(lock_, __LINE__);
  table_.RemoveAll();
}

uint32_t GPrinterHandleTable::Count() {
  TableGuard guard(lock_, __LINE__);
  return table_.Count();
}
