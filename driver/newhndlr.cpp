#include "driver/newhndlr.h"

#include <cstdlib>
#include <new>

#include "driver/GLock.h"
#include "driver/gbnewhnd.h"
#include "driver/osfactry.h"

namespace {

// The source name under which the handler reports an exhausted reserve.
const char kNewHandlerSource[] = "newhndlr";

// Changed only under the reserve lock. The block comes from malloc: giving
// it back frees heap for the allocator, and taking it never re-enters the
// handler.
void* g_block = nullptr;
size_t g_size = MemoryReserve::kDefaultSize;
std::new_handler g_previous = nullptr;
bool g_installed = false;
GLock* g_lock = nullptr;

// Failures of the reserve lock are ignored.
class ReserveLock {
 public:
  ReserveLock() : locked_(g_lock != nullptr && g_lock->Lock() == 0) {}
  ReserveLock(const ReserveLock&) = delete;
  ReserveLock& operator=(const ReserveLock&) = delete;
  ~ReserveLock() { Unlock(); }
  void Unlock() {
    if (locked_) g_lock->Unlock();
    locked_ = false;
  }

 private:
  bool locked_;
};

// Keeps block as the reserve, freeing one that appeared meanwhile.
void KeepBlock(void* block) {
  void* old = nullptr;
  {
    ReserveLock guard;
    old = g_block;
    g_block = block;
  }
  std::free(old);
}

}  // namespace

void MemoryReserve::Install(size_t size) {
  if (g_lock == nullptr) {
    GOSFactory* factory = GOSFactory::GetInstance();
    if (factory == nullptr) return;
    factory->EnsureLock(&g_lock);
  }
  size_t blockSize = 0;
  {
    ReserveLock guard;
    // A flag rather than the recorded handler tells whether ours is in
    // place: the handler found at the first installation may well be null.
    if (!g_installed) {
      g_previous = std::set_new_handler(&NewHandler);
      g_installed = true;
    }
    if (size != 0) g_size = size;
    blockSize = g_size;
  }
  KeepBlock(std::malloc(blockSize));
}

void MemoryReserve::Remove() {
  void* block = nullptr;
  {
    ReserveLock guard;
    if (g_installed) {
      std::set_new_handler(g_previous);
      g_previous = nullptr;
      g_installed = false;
    }
    block = g_block;
    g_block = nullptr;
  }
  std::free(block);
  delete g_lock;
  g_lock = nullptr;
}

size_t MemoryReserve::Size() {
  ReserveLock guard;
  return g_size;
}

bool MemoryReserve::HasBlock() {
  ReserveLock guard;
  return g_block != nullptr;
}

void NewHandler() {
  void* block = nullptr;
  size_t size = 0;
  {
    ReserveLock guard;
    block = g_block;
    g_block = nullptr;
    size = g_size;
  }
  if (block == nullptr) {
    ReportFatalError(2, kOutOfMemoryErrorId, kNewHandlerSource, __LINE__, "");
    // Only a test's fatal-error handler returns here: fail the allocation
    // rather than retry it for ever.
    throw std::bad_alloc();
  }
  std::free(block);
  ReleaseMemoryOrFail();
  // A reserve that cannot be rebuilt leaves none; the next failure then
  // ends with error 101.
  KeepBlock(std::malloc(size));
}
