#include "win32/Kernel.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <functional>

#include "win32/Testing.h"

namespace {

thread_local DWORD t_lastError = 0;

// Thread-local slots: a process-wide table of allocated indexes, a per-thread
// array of values.
constexpr DWORD kTlsSlots = 1088;  // the count Windows guarantees
struct TlsTable {
  std::mutex mutex;
  bool used[kTlsSlots] = {};
};
TlsTable& tlsTable() {
  static TlsTable* t = new TlsTable;
  return *t;
}
thread_local LPVOID t_tlsValues[kTlsSlots] = {};

}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION cs) { cs->impl = new std::recursive_mutex; }

void DeleteCriticalSection(LPCRITICAL_SECTION cs) {
  delete static_cast<std::recursive_mutex*>(cs->impl);
  cs->impl = nullptr;
}

void EnterCriticalSection(LPCRITICAL_SECTION cs) { static_cast<std::recursive_mutex*>(cs->impl)->lock(); }

void LeaveCriticalSection(LPCRITICAL_SECTION cs) { static_cast<std::recursive_mutex*>(cs->impl)->unlock(); }

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs) {
  return static_cast<std::recursive_mutex*>(cs->impl)->try_lock() ? TRUE : FALSE;
}

DWORD TlsAlloc() {
  if (w32detail::ShouldFail("TlsAlloc")) return TLS_OUT_OF_INDEXES;
  TlsTable& t = tlsTable();
  std::lock_guard<std::mutex> g(t.mutex);
  for (DWORD i = 0; i < kTlsSlots; ++i) {
    if (!t.used[i]) {
      t.used[i] = true;
      t_tlsValues[i] = nullptr;
      return i;
    }
  }
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return TLS_OUT_OF_INDEXES;
}

BOOL TlsFree(DWORD index) {
  TlsTable& t = tlsTable();
  std::lock_guard<std::mutex> g(t.mutex);
  if (index >= kTlsSlots || !t.used[index]) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  t.used[index] = false;
  return TRUE;
}

LPVOID TlsGetValue(DWORD index) {
  if (index >= kTlsSlots) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return t_tlsValues[index];
}

BOOL TlsSetValue(DWORD index, LPVOID value) {
  if (index >= kTlsSlots) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  t_tlsValues[index] = value;
  return TRUE;
}

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

DWORD GetCurrentThreadId() {
  static std::atomic<DWORD> next{1};
  thread_local DWORD id = next++;
  return id;
}
