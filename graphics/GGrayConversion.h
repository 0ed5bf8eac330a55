// The RGB-to-gray functions with which monochrome output turns colours into
// gray levels. A gray function takes red, green and blue bytes and answers
// an int whose low byte is the gray level (0 black, 255 white). The
// print-side instance chooses one for each job: LuminanceGray, the default;
// WeightedGray, with weights from the device model; or TableGray, with
// lookup tables from the device model. Readers compare the function they
// were given with LuminanceGray (the function, not its results) to take
// their own fast path.
//
// The weights and tables are one set per process, loaded at job start and
// read without a lock during conversion.
#pragma once

#include <cstdint>

using GGrayFunction = int (*)(uint8_t red, uint8_t green, uint8_t blue);

// (76 r + 151 g + 28 b + 255) div 256, in both the low byte and the next.
int LuminanceGray(uint8_t red, uint8_t green, uint8_t blue);

// (r w1 + g w2 + b w3) shifted right by the shift (modulo 32), with the
// weights and shift of the last LoadGrayWeights; at most 255, so that
// weights that sum to a little more than one never turn white into black.
int WeightedGray(uint8_t red, uint8_t green, uint8_t blue);

// A blend of the table-mapped gray and the linear gray of the summed
// channel tables, weighted by the colourfulness of the input (see the
// source), with the tables of the last LoadGrayTables.
int TableGray(uint8_t red, uint8_t green, uint8_t blue);

// The byte counts of the two descriptors.
constexpr uint32_t kGrayWeightsSize = 4;
constexpr uint32_t kGrayTablesSize = 1280;

// Loads the weights from descriptor (shift, red, green and blue weight).
// 1 when loaded; 0 when fewer than 4 bytes are given (the weights in force
// stay).
int LoadGrayWeights(const uint8_t* descriptor, uint32_t length);

// Loads the five 256-byte tables: by red, by green, by blue, by the linear
// gray, by the colourfulness. 1 when loaded; 0 when fewer than 1280 bytes
// are given (the tables in force stay).
int LoadGrayTables(const uint8_t* tables, uint32_t length);
