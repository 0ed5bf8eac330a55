#include "graphics/GGrayConversion.h"

#include <cstring>

namespace {

// The process's one set of weights and tables.
uint8_t g_weights[kGrayWeightsSize] = {};
uint8_t g_tables[kGrayTablesSize] = {};

int Distance(int a, int b) { return a > b ? a - b : b - a; }

}  // namespace

int LuminanceGray(uint8_t red, uint8_t green, uint8_t blue) {
  const int s = 76 * red + 151 * green + 28 * blue + 255;
  return (s / 256) * 257;
}

int WeightedGray(uint8_t red, uint8_t green, uint8_t blue) {
  // At most 3 x 255 x 255: no overflow.
  const unsigned sum = red * unsigned{g_weights[1]} + green * unsigned{g_weights[2]} + blue * unsigned{g_weights[3]};
  const unsigned gray = sum >> (g_weights[0] % 32);
  return gray > 255 ? 255 : static_cast<int>(gray);
}

int TableGray(uint8_t red, uint8_t green, uint8_t blue) {
  const uint8_t* byRed = g_tables;
  const uint8_t* byGreen = g_tables + 256;
  const uint8_t* byBlue = g_tables + 512;
  const uint8_t* byGray = g_tables + 768;
  const uint8_t* byColourfulness = g_tables + 1024;
  // The linear gray.
  const int m = (byRed[red] + byGreen[green] + byBlue[blue]) % 256;
  // How far the channels lie apart: 0 for a gray input.
  const int s = ((Distance(green, blue) + Distance(blue, red) + Distance(red, green)) / 2) % 256;
  const int k = byColourfulness[s];
  return ((byGray[m] * k + (255 - k) * m + 255) / 256) % 256;
}

int LoadGrayWeights(const uint8_t* descriptor, uint32_t length) {
  if (descriptor == nullptr || length < kGrayWeightsSize) return 0;
  std::memcpy(g_weights, descriptor, kGrayWeightsSize);
  return 1;
}

int LoadGrayTables(const uint8_t* tables, uint32_t length) {
  if (tables == nullptr || length < kGrayTablesSize) return 0;
  std::memcpy(g_tables, tables, kGrayTablesSize);
  return 1;
}
