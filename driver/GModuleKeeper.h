// GModuleKeeper: keeps the module loaded while it is in use. Every entry
// point marks it used; while a printer device context is open, or while an
// entry point was called within the last period, a thread of its own holds
// an extra load reference to the module, which it gives back when it ends.
// The thread also ends when the thread that started it ends.
//
// The code of the thread lives in the module itself, which therefore must
// never be unmapped under it: the first launch marks the module's image as
// one that stays mapped until the process ends, and the load reference the
// thread holds is the module table's.
#pragma once

#include "win32/Types.h"

class GModuleKeeper {
 public:
  // Creates the semaphore; a period of 0 means 500 ms.
  explicit GModuleKeeper(DWORD periodMs);
  // Closes the semaphore.
  ~GModuleKeeper();
  GModuleKeeper(const GModuleKeeper&) = delete;
  GModuleKeeper& operator=(const GModuleKeeper&) = delete;

  // Learns the module's path and launches the thread; 1 when it runs.
  int Start(HINSTANCE module);
  // Marks the module used; 1, or 0 when the semaphore cannot be taken.
  int Touch();
  // Records whether a device context is open; opening one relaunches a
  // stopped thread.
  int SetDocumentActive(int flag);

  // Whether the thread runs, and the use mark (for tests).
  bool IsRunning();
  int UseMark();

  static constexpr DWORD kDefaultPeriodMs = 500;

 private:
  friend DWORD KeeperThreadProc(LPVOID parameter);

  // With the semaphore held: loads the module again and starts the thread.
  int Launch();
  bool Acquire();
  void Release();

  char modulePath_[260] = {};
  HMODULE self_ = nullptr;
  HANDLE semaphore_ = nullptr;
  int useMark_ = 0;
  int documentActive_ = 0;
  HANDLE watchedThread_ = nullptr;
  DWORD threadId_ = 0;
  HANDLE thread_ = nullptr;
  DWORD period_ = kDefaultPeriodMs;
};

// The keeper thread; its parameter is the keeper.
DWORD KeeperThreadProc(LPVOID parameter);
