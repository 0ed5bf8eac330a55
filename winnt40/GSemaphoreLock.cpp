#include "winnt40/GSemaphoreLock.h"

#include "win32/Kernel.h"

GSemaphoreLock::GSemaphoreLock() : semaphore_(CreateSemaphoreW(nullptr, 1, 1, nullptr)) {}

GSemaphoreLock::~GSemaphoreLock() {
  if (semaphore_ != nullptr) CloseHandle(semaphore_);
}

int GSemaphoreLock::Unlock() { return ReleaseSemaphore(semaphore_, 1, nullptr) ? 0 : -2; }

int GSemaphoreLock::Lock() { return WaitForSingleObject(semaphore_, INFINITE) == WAIT_FAILED ? -1 : 0; }
