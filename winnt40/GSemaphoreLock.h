// GSemaphoreLock: the lock that the NT 4.0 platform factory hands out, an
// unnamed semaphore with one count. It is not recursive: a thread that holds
// it and locks again waits for ever.
#pragma once

#include "driver/GLock.h"
#include "win32/Types.h"

class GSemaphoreLock : public GLock {
 public:
  // A semaphore with initial and maximum count 1.
  GSemaphoreLock();
  // Closes the semaphore.
  ~GSemaphoreLock() override;

  // Releases one count: 0, or -2 when that fails.
  int Unlock() override;
  // Waits without limit: 0 once taken (an abandoned wait counts as taken),
  // -1 when the wait fails.
  int Lock() override;

 private:
  HANDLE semaphore_;
};
