// Small shared helpers of the collections: the growth policy that growing
// buffers (the string readers) follow, the binary search over a sorted
// array, the library version and the byte-mask table.
#pragma once

#include <cstddef>
#include <cstdint>

// The new capacity for a buffer of n elements of the given size: 16 below
// 16, else double; near the 32-bit limit the growth slows down, and growth
// past the limit raises OVFLOW (as an RWIndexError) and gives 0.
uint32_t RWGrowCapacity(uint32_t n, uint32_t elementSize);

// compare(element, key): negative when the element comes before the key.
typedef int (*RWBinarySearchCompare)(const void* element, const void* key);

// Searches count elements of elementSize bytes at base, sorted ascending by
// compare. Returns true when an element equal to the key was found; index
// receives the position where the search ended (0 for an empty array).
bool RWBinarySearch(const void* key, const void* base, uint32_t count, uint32_t elementSize,
                    RWBinarySearchCompare compare, uint32_t* index);

// The version of the container library: 0x0700.
uint32_t RWLibraryVersion();

// Fills a 4 x 4 byte table whose row i holds 0xFF in its first i bytes and
// 0 in the others.
void RWBuildByteMaskTable(uint8_t table[16]);
