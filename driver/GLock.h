// GLock: the abstract lock that the platform factory hands out
// (GOSFactory::CreateLock). Whoever holds a lock that fails to lock or
// unlock reports it through ReportFatalError: error 301 for a lock that
// cannot be taken, 302 for one that cannot be released.
#pragma once

class GLock {
 public:
  GLock() = default;
  GLock(const GLock&) = delete;
  GLock& operator=(const GLock&) = delete;
  virtual ~GLock();

  // 0, or -2 when the lock cannot be released.
  virtual int Unlock() = 0;
  // Blocks until the lock is taken: 0, or -1 on failure.
  virtual int Lock() = 0;
  // Kept for the interface's layout; does nothing.
  virtual void Reserved(void* argument);
};

