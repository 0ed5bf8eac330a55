// The collections' small-block cache: blocks of 1 to 10 bytes are kept in
// one class per even size (2, 4, 6, 8, 10) when freed and handed out again,
// most recently freed first, so that small allocations that come and go
// reuse the same memory. Each class keeps at most 5 blocks; other sizes go
// straight to the system allocator. The cache is shared by all threads and
// guards itself.
#pragma once

#include <cstddef>

// A block of at least size bytes; null when the system allocator has none.
void* RWSmallBlockAllocate(size_t size);
// Gives back a block from RWSmallBlockAllocate with the same size; null
// does nothing.
void RWSmallBlockFree(void* block, size_t size);
// Frees every kept block and empties the classes.
void RWSmallBlockCacheRelease();
// The number of blocks kept for the size class of size (for tests).
size_t RWSmallBlockCachedCount(size_t size);
