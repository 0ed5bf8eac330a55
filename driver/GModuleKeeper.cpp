#include "driver/GModuleKeeper.h"


#include "win32/Kernel.h"
#include "win32/Module.h"

namespace {

// The keeper thread runs code of this image. A module is unloaded by
// whoever loaded it, at any time after its detach; the thread cannot drop
// the image and leave it in one step, so the image is marked to stay mapped
// until the process ends. Marking it again changes nothing, so every launch
// does it and no process-wide flag remembers it. What the thread holds and
// gives back is the module table's load reference.
void KeepImageMapped() {
  HMODULE image = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&KeeperThreadProc), &image);
}

}  // namespace

GModuleKeeper::GModuleKeeper(DWORD periodMs)
    : semaphore_(CreateSemaphoreW(nullptr, 1, 1, nullptr)), period_(periodMs == 0 ? kDefaultPeriodMs : periodMs) {}

GModuleKeeper::~GModuleKeeper() {
  if (semaphore_ != nullptr) CloseHandle(semaphore_);
  semaphore_ = nullptr;
}

bool GModuleKeeper::Acquire() {
  return semaphore_ != nullptr && WaitForSingleObject(semaphore_, INFINITE) == WAIT_OBJECT_0;
}

void GModuleKeeper::Release() { ReleaseSemaphore(semaphore_, 1, nullptr); }

int GModuleKeeper::Start(HINSTANCE module) {
  if (!Acquire()) return 0;
  int result = 0;
  if (self_ == nullptr) {
    const DWORD length = GetModuleFileNameA(module, modulePath_, sizeof modulePath_);
    if (length != 0 && length < sizeof modulePath_) result = Launch();
  }
  Release();
  return result;
}

int GModuleKeeper::Launch() {
  if (self_ != nullptr) return 0;
  KeepImageMapped();
  self_ = LoadLibraryA(modulePath_);
  if (self_ == nullptr) return 0;
  HANDLE watched = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &watched, 0, FALSE,
                       DUPLICATE_SAME_ACCESS))
    watched = nullptr;
  watchedThread_ = watched;
  thread_ = CreateThread(nullptr, 4096, &KeeperThreadProc, this, 0, &threadId_);
  if (thread_ != nullptr) {
    CloseHandle(thread_);
    thread_ = nullptr;
    return 1;
  }
  threadId_ = 0;
  if (watchedThread_ != nullptr) CloseHandle(watchedThread_);
  watchedThread_ = nullptr;
  FreeLibrary(self_);
  self_ = nullptr;
  return 0;
}

int GModuleKeeper::Touch() {
  if (!Acquire()) return 0;
  useMark_ = 1;
  Release();
  return 1;
}

int GModuleKeeper::SetDocumentActive(int flag) {
  if (!Acquire()) return 0;
  documentActive_ = flag;
  const int result = flag != 0 && self_ == nullptr ? Launch() : 1;
  Release();
  return result;
}

bool GModuleKeeper::IsRunning() {
  if (!Acquire()) return false;
  const bool running = threadId_ != 0;
  Release();
  return running;
}

int GModuleKeeper::UseMark() {
  if (!Acquire()) return 0;
  const int mark = useMark_;
  Release();
  return mark;
}

DWORD KeeperThreadProc(LPVOID parameter) {
  auto* keeper = static_cast<GModuleKeeper*>(parameter);
  bool held = keeper->Acquire();
  while (held) {
    const HANDLE watched = keeper->watchedThread_;
    const DWORD period = keeper->period_;
    keeper->Release();
    if (watched == nullptr) {
      Sleep(period);
    } else if (WaitForSingleObject(watched, period) != WAIT_TIMEOUT) {
      // The watched thread ended, or it can no longer be waited on.
      held = keeper->Acquire();
      break;
    }
    held = keeper->Acquire();
    if (!held) break;
    // The mark counts down to 0 and stays there, so that it is 0 again one
    // period after the last use however long a document was open.
    const int old = keeper->useMark_;
    keeper->useMark_ = old > 0 ? old - 1 : 0;
    if (old <= 0 && keeper->documentActive_ == 0) break;
  }
  const HMODULE self = keeper->self_;
  keeper->self_ = nullptr;
  keeper->threadId_ = 0;
  // Taken under the semaphore: a relaunch may store a new one at once.
  const HANDLE watched = keeper->watchedThread_;
  keeper->watchedThread_ = nullptr;
  if (held) keeper->Release();
  if (watched != nullptr) CloseHandle(watched);
  FreeLibraryAndExitThread(self, 0);
}
