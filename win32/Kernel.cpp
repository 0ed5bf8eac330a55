#include "win32/Kernel.h"
#include "w32detail/Kernel.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

#include <unistd.h>

#include "w32detail/HandleTable.h"
#include "w32detail/Platform.h"
#include "w32detail/Time.h"

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

namespace {

std::atomic<DWORD> g_nextThreadId{1};
thread_local DWORD t_threadId = 0;

DWORD NewThreadId() { return g_nextThreadId++; }

}  // namespace

DWORD GetCurrentThreadId() {
  if (t_threadId == 0) t_threadId = NewThreadId();
  return t_threadId;
}

// ---- Kernel objects ------------------------------------------------------

namespace {

using Clock = std::chrono::steady_clock;

// Set when the process's first thread begins to leave the process. On the
// platform, ending the process stops every other thread where it stands:
// none of them sees the first thread end or runs on into code whose
// statics the exit is tearing down (a thread that wakes then would unload
// modules while their globals are being destroyed).
std::atomic<bool> g_processEnding{false};

bool IsProcessFirstThread() { return gettid() == getpid(); }

// Any thread but the one that ends the process stops here once the
// process is ending; it never returns, and the process's end takes it.
void StopIfProcessEnding() {
  if (!g_processEnding.load() || IsProcessFirstThread()) return;
  for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
}

// Waits on the condition until ready() holds or the time is up; true when
// ready. INFINITE waits without limit.
template <class Ready>
bool WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, DWORD milliseconds,
               Ready ready) {
  StopIfProcessEnding();
  bool result = true;
  if (milliseconds == INFINITE) {
    cv.wait(lock, ready);
  } else {
    result = cv.wait_for(lock, std::chrono::milliseconds(milliseconds), ready);
  }
  if (g_processEnding.load()) {
    lock.unlock();
    StopIfProcessEnding();
    lock.lock();
  }
  return result;
}

class Waitable : public w32detail::KernelObject {
 public:
  // WAIT_OBJECT_0 or WAIT_TIMEOUT.
  virtual DWORD Wait(DWORD milliseconds) = 0;
};

class Semaphore : public Waitable {
 public:
  Semaphore(LONG initial, LONG maximum) : count_(initial), maximum_(maximum) {}

  DWORD Wait(DWORD milliseconds) override {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!WaitUntil(cv_, lock, milliseconds, [this] { return count_ > 0; })) return WAIT_TIMEOUT;
    --count_;
    return WAIT_OBJECT_0;
  }

  // False, count unchanged, when the release would pass the maximum.
  bool Release(LONG n, LONG* previous) {
    std::lock_guard<std::mutex> g(mutex_);
    if (n > maximum_ - count_) return false;
    if (previous) *previous = count_;
    count_ += n;
    if (n == 1)
      cv_.notify_one();
    else
      cv_.notify_all();
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  LONG count_;
  const LONG maximum_;
};

// One per thread that a handle can name: threads of CreateThread and any
// other thread whose pseudo-handle was duplicated.
class ThreadObject : public Waitable {
 public:
  explicit ThreadObject(DWORD id) : id_(id) {}

  DWORD Wait(DWORD milliseconds) override {
    std::unique_lock<std::mutex> lock(mutex_);
    return WaitUntil(cv_, lock, milliseconds, [this] { return ended_; }) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
  }

  void Finish(DWORD exitCode) {
    std::lock_guard<std::mutex> g(mutex_);
    if (ended_) return;
    ended_ = true;
    exitCode_ = exitCode;
    cv_.notify_all();
  }

  DWORD id() const { return id_; }

 private:
  const DWORD id_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool ended_ = false;
  DWORD exitCode_ = 0;
};

// The calling thread's object, made on first need; marked ended when the
// thread's thread-local storage goes away. The process's first thread
// leaves only by ending the process, which stops the other threads first:
// its object is never marked ended, so no waiter wakes into the exit.
struct CurrentThread {
  std::shared_ptr<ThreadObject> object;
  bool startedByUs = false;
  ~CurrentThread() {
    if (IsProcessFirstThread()) {
      // The lock is never given back: a module detaching now finishes
      // first, and none attaches or detaches after.
      w32detail::LoaderLock().lock();
      g_processEnding.store(true);
      return;
    }
    if (object) object->Finish(0);
  }
};
thread_local CurrentThread t_current;

// The stand-in is loaded with the program, on the process's first thread:
// that thread's state is made now, so the end of the process is noticed
// whichever thread loads the modules (a thread's state that was never made
// has nothing to destroy when the thread leaves).
[[maybe_unused]] const bool g_firstThreadKnown = [] {
  if (IsProcessFirstThread()) t_current.startedByUs = false;
  return true;
}();

}  // namespace

namespace w32detail {

std::recursive_mutex& LoaderLock() {
  static auto* lock = new std::recursive_mutex;  // outlives every static
  return *lock;
}

}  // namespace w32detail

namespace {

std::shared_ptr<ThreadObject> CurrentThreadObject() {
  if (!t_current.object) t_current.object = std::make_shared<ThreadObject>(GetCurrentThreadId());
  return t_current.object;
}

// Thrown by ExitCurrentThread and caught where the thread started.
struct ThreadExit {
  DWORD code;
};

const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
const HANDLE kCurrentThread = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2));

std::shared_ptr<w32detail::KernelObject> Resolve(HANDLE handle) {
  if (handle == kCurrentThread) return CurrentThreadObject();
  return w32detail::LookupHandle(handle);
}

template <class Routine>
HANDLE StartThread(Routine routine, DWORD flags, LPDWORD threadId) {
  if ((flags & ~static_cast<DWORD>(STACK_SIZE_PARAM_IS_A_RESERVATION)) != 0) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  auto object = std::make_shared<ThreadObject>(NewThreadId());
  try {
    std::thread([object, routine]() mutable {
      t_threadId = object->id();
      t_current.object = object;
      t_current.startedByUs = true;
      DWORD code;
      try {
        code = routine();
      } catch (const ThreadExit& e) {
        code = e.code;
      }
      object->Finish(code);
    }).detach();
  } catch (const std::system_error&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (threadId) *threadId = object->id();
  return w32detail::AddHandle(object);
}

}  // namespace

BOOL CloseHandle(HANDLE handle) {
  if (handle == kCurrentProcess || handle == kCurrentThread) return TRUE;
  auto object = w32detail::LookupHandle(handle);
  if (!object || !object->ClosedByCloseHandle() || !w32detail::RemoveHandle(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

HANDLE GetCurrentProcess() { return kCurrentProcess; }
DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }
HANDLE GetCurrentThread() { return kCurrentThread; }

BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, HANDLE* target, DWORD,
                     BOOL, DWORD options) {
  if (w32detail::ShouldFail("DuplicateHandle")) return FALSE;
  if (sourceProcess != kCurrentProcess || targetProcess != kCurrentProcess) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!target) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto object = Resolve(source);
  if (!object || !object->ClosedByCloseHandle()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *target = w32detail::AddHandle(std::move(object));
  if (options & DUPLICATE_CLOSE_SOURCE) CloseHandle(source);
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  if (w32detail::ShouldFail("WaitForSingleObject")) return WAIT_FAILED;
  auto waitable = std::dynamic_pointer_cast<Waitable>(Resolve(handle));
  if (!waitable) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return waitable->Wait(milliseconds);
}

HANDLE CreateSemaphoreW(LPSECURITY_ATTRIBUTES, LONG initialCount, LONG maximumCount, LPCWSTR name) {
  if (w32detail::ShouldFail("CreateSemaphoreW")) return nullptr;
  if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (name && name[0]) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return w32detail::AddHandle(std::make_shared<Semaphore>(initialCount, maximumCount));
}

BOOL ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LONG* previousCount) {
  if (w32detail::ShouldFail("ReleaseSemaphore")) return FALSE;
  auto object = w32detail::LookupHandleAs<Semaphore>(semaphore);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (releaseCount <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!object->Release(releaseCount, previousCount)) {
    SetLastError(ERROR_TOO_MANY_POSTS);
    return FALSE;
  }
  return TRUE;
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                    LPDWORD threadId) {
  if (w32detail::ShouldFail("CreateThread")) return nullptr;
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return StartThread([start, parameter] { return start(parameter); }, flags, threadId);
}


namespace {
// Milliseconds a test moved the tick count forward; Reset() clears them.
std::atomic<ULONGLONG>& TickOffset() {
  static std::atomic<ULONGLONG>* offset = [] {
    auto* value = new std::atomic<ULONGLONG>(0);
    w32detail::RegisterReset([value] { value->store(0); });
    return value;
  }();
  return *offset;
}
}  // namespace

void Sleep(DWORD milliseconds) {
  StopIfProcessEnding();
  if (milliseconds == 0) {
    std::this_thread::yield();
    return;
  }
  if (milliseconds == INFINITE) {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
  }
  // Time is virtual: the tick count and a set clock move on at once.
  TickOffset().fetch_add(milliseconds);
  w32detail::AdvanceSetClock(milliseconds);
  std::this_thread::yield();
}

DWORD GetTickCount() {
  static const Clock::time_point start = Clock::now();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  return static_cast<DWORD>(static_cast<ULONGLONG>(ms) + TickOffset().load());
}

namespace w32test {
void AdvanceTickCount(DWORD milliseconds) { TickOffset().fetch_add(milliseconds); }
}  // namespace w32test

namespace crt {

uintptr_t _beginthreadex(void*, unsigned, unsigned (*start)(void*), void* argument, unsigned flags,
                         unsigned* threadId) {
  if (w32detail::ShouldFail("_beginthreadex")) return 0;
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  DWORD id = 0;
  HANDLE h = StartThread([start, argument] { return static_cast<DWORD>(start(argument)); }, flags, &id);
  if (h && threadId) *threadId = id;
  return reinterpret_cast<uintptr_t>(h);
}

}  // namespace crt

namespace w32test {
size_t OpenHandleCount() { return w32detail::HandleCount(); }
}  // namespace w32test

namespace w32detail {

void ExitCurrentThread(DWORD exitCode) {
  if (!t_current.startedByUs) {
    std::fputs("stand-in: a thread not started by CreateThread cannot exit early\n", stderr);
    std::abort();
  }
  throw ThreadExit{exitCode};
}

}  // namespace w32detail
