#include "rw/RWSmallBlockCache.h"

#include <cstdlib>
#include <mutex>

namespace {

constexpr size_t kClasses = 5;        // sizes 2, 4, 6, 8, 10
constexpr size_t kKeptPerClass = 5;

struct SizeClass {
  void* blocks[kKeptPerClass];
  size_t count;
};

// Zero initialised, so the cache works from static initialisation on.
SizeClass g_classes[kClasses];
std::mutex g_cacheLock;

// The class of a cached size, or -1 for sizes the cache does not keep.
int ClassOf(size_t size) {
  if (size < 1 || size > 10) return -1;
  return static_cast<int>((size + 1) / 2 - 1);
}

}  // namespace

void* RWSmallBlockAllocate(size_t size) {
  int c = ClassOf(size);
  if (c < 0) return std::malloc(size);
  {
    std::lock_guard<std::mutex> guard(g_cacheLock);
    SizeClass& sizeClass = g_classes[c];
    if (sizeClass.count > 0) return sizeClass.blocks[--sizeClass.count];
  }
  return std::malloc(static_cast<size_t>(c + 1) * 2);
}

void RWSmallBlockFree(void* block, size_t size) {
  if (block == nullptr) return;
  int c = ClassOf(size);
  if (c >= 0) {
    std::lock_guard<std::mutex> guard(g_cacheLock);
    SizeClass& sizeClass = g_classes[c];
    if (sizeClass.count < kKeptPerClass) {
      sizeClass.blocks[sizeClass.count++] = block;
      return;
    }
  }
  std::free(block);
}

void RWSmallBlockCacheRelease() {
  std::lock_guard<std::mutex> guard(g_cacheLock);
  for (SizeClass& sizeClass : g_classes) {
    while (sizeClass.count > 0) std::free(sizeClass.blocks[--sizeClass.count]);
  }
}

size_t RWSmallBlockCachedCount(size_t size) {
  int c = ClassOf(size);
  if (c < 0) return 0;
  std::lock_guard<std::mutex> guard(g_cacheLock);
  return g_classes[c].count;
}
