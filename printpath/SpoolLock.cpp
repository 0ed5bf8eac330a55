#include "printpath/SpoolLock.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

struct SpoolLockState {
  std::mutex mutex;
  std::condition_variable released;
  std::thread::id owner;
  unsigned depth = 0;
};

// Made on first use and kept for the life of the process.
SpoolLockState& State() {
  static SpoolLockState* state = new SpoolLockState;
  return *state;
}

}  // namespace

namespace SpoolLock {

void Enter() {
  SpoolLockState& state = State();
  std::unique_lock<std::mutex> guard(state.mutex);
  const std::thread::id self = std::this_thread::get_id();
  if (state.depth != 0 && state.owner == self) {
    ++state.depth;
    return;
  }
  state.released.wait(guard, [&] { return state.depth == 0; });
  state.owner = self;
  state.depth = 1;
}

void Leave() {
  SpoolLockState& state = State();
  std::unique_lock<std::mutex> guard(state.mutex);
  if (state.depth == 0 || state.owner != std::this_thread::get_id()) return;
  if (--state.depth == 0) {
    state.owner = std::thread::id();
    guard.unlock();
    state.released.notify_one();
  }
}

int IsHeldByThisThread() {
  SpoolLockState& state = State();
  std::lock_guard<std::mutex> guard(state.mutex);
  return state.depth != 0 && state.owner == std::this_thread::get_id() ? 1 : 0;
}

}  // namespace SpoolLock
