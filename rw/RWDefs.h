// Basic definitions shared by the container library.
#pragma once

#include <cstddef>
#include <cstdint>

// The "no position" size value: searches return it when nothing is found,
// index checks refuse it. Positions and lengths of the library are 32-bit.
constexpr size_t RW_NPOS = 0xFFFFFFFFu;
