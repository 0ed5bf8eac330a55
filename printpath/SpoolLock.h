// SpoolLock: the one process-wide lock under which page spool files are
// named, recorded and closed and under which a job's fonts are reloaded
// from companion files, so that no page is re-read while another job of the
// process writes the same file. It is made on first use; the thread that
// holds it may take it again, and a release by a thread that does not hold
// it does nothing (so a filter that resets after a failure may release it
// without knowing whether it was taken).
#pragma once

namespace SpoolLock {

// Waits until no other thread holds the lock, then takes it (once more).
void Enter();
// Gives one hold back when this thread holds the lock; else nothing.
void Leave();
// 1 when this thread holds the lock.
int IsHeldByThisThread();

// Holds the lock for a scope.
class Scope {
 public:
  Scope() { Enter(); }
  ~Scope() { Leave(); }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;
};

}  // namespace SpoolLock
