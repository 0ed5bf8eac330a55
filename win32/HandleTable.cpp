#include "w32detail/HandleTable.h"

#include <map>
#include <mutex>

namespace w32detail {

namespace {

struct Table {
  std::mutex mutex;
  std::map<uintptr_t, std::shared_ptr<KernelObject>> objects;
  uintptr_t next = 0x40;
};

Table& table() {
  static Table* t = new Table;  // never destroyed: threads may outlive static destruction
  return *t;
}

}  // namespace

KernelObject::~KernelObject() = default;

HANDLE AddHandle(std::shared_ptr<KernelObject> object) {
  Table& t = table();
  std::lock_guard<std::mutex> g(t.mutex);
  uintptr_t value = t.next;
  t.next += 4;
  t.objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
  Table& t = table();
  std::lock_guard<std::mutex> g(t.mutex);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == t.objects.end() ? nullptr : it->second;
}

bool RemoveHandle(HANDLE handle) {
  std::shared_ptr<KernelObject> doomed;  // released outside the lock
  Table& t = table();
  std::lock_guard<std::mutex> g(t.mutex);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.objects.end()) return false;
  doomed = std::move(it->second);
  t.objects.erase(it);
  return true;
}

size_t HandleCount() {
  Table& t = table();
  std::lock_guard<std::mutex> g(t.mutex);
  return t.objects.size();
}

}  // namespace w32detail
