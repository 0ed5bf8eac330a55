// The RGB-to-gray functions: worked values, the loaders' length checks, and
// every function over a grid of colours against the same formulas computed
// by Python.
#include "graphics/GGrayConversion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/PythonJudge.h"

namespace {

struct Rgb {
  uint8_t r, g, b;
};

// The grid: every 17th level and a few near the ends.
std::vector<Rgb> Grid() {
  std::vector<uint8_t> levels;
  for (int v = 0; v <= 255; v += 17) levels.push_back(static_cast<uint8_t>(v));
  for (int v : {1, 2, 127, 128, 253, 254}) levels.push_back(static_cast<uint8_t>(v));
  std::vector<Rgb> grid;
  for (uint8_t r : levels)
    for (uint8_t g : levels)
      for (uint8_t b : levels) grid.push_back({r, g, b});
  return grid;
}

std::string GridAsPython(const std::vector<Rgb>& grid) {
  std::string text = "grid = [";
  for (const Rgb& c : grid)
    text += "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + "),";
  return text + "]\n";
}

// Deterministic tables with every kind of byte.
std::vector<uint8_t> SampleTables() {
  std::vector<uint8_t> t(kGrayTablesSize);
  uint32_t x = 12345;
  for (uint8_t& v : t) {
    x = x * 1103515245u + 12345u;
    v = static_cast<uint8_t>(x >> 16);
  }
  return t;
}

// Runs the script (which prints one result per grid entry, in order) and
// compares with ours.
void ExpectPythonAgrees(const std::string& script, const std::vector<Rgb>& grid, GGrayFunction f) {
  std::string output;
  ASSERT_TRUE(qvtest::RunPython(script, &output)) << "python3 could not run the judge";
  const std::vector<std::string> lines = qvtest::Lines(output);
  ASSERT_EQ(lines.size(), grid.size());
  int mismatches = 0;
  for (size_t i = 0; i < grid.size(); ++i) {
    const int ours = f(grid[i].r, grid[i].g, grid[i].b);
    if (std::to_string(ours) != lines[i] && ++mismatches <= 5)
      ADD_FAILURE() << "(" << int(grid[i].r) << "," << int(grid[i].g) << "," << int(grid[i].b) << "): ours " << ours
                    << ", python " << lines[i];
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(GGrayConversionTest, LuminanceWorkedValues) {
  struct Case {
    Rgb in;
    int want;
  };
  for (Case c : {Case{{255, 255, 255}, 65535}, Case{{0, 0, 0}, 0}, Case{{255, 0, 0}, 76 * 257},
                 Case{{0, 255, 0}, 151 * 257}, Case{{0, 0, 255}, 28 * 257}, Case{{128, 128, 128}, 128 * 257}})
    EXPECT_EQ(LuminanceGray(c.in.r, c.in.g, c.in.b), c.want) << int(c.in.r) << "," << int(c.in.g) << "," << int(c.in.b);
}

TEST(GGrayConversionTest, LuminanceAgreesWithPython) {
  const std::vector<Rgb> grid = Grid();
  ExpectPythonAgrees(GridAsPython(grid) +
                         "for r, g, b in grid:\n"
                         "    print(((76 * r + 151 * g + 28 * b + 255) // 256) * 257)\n",
                     grid, &LuminanceGray);
}

TEST(GGrayConversionTest, WeightedGrayUsesTheLoadedShiftAndWeights) {
  const uint8_t standard[4] = {8, 77, 150, 29};
  ASSERT_EQ(LoadGrayWeights(standard, 4), 1);
  EXPECT_EQ(WeightedGray(255, 255, 255), 255);
  EXPECT_EQ(WeightedGray(0, 0, 0), 0);
  EXPECT_EQ(WeightedGray(255, 0, 0), (255 * 77) >> 8);
  // The shift is taken modulo 32.
  const uint8_t wrapped[4] = {32 + 1, 1, 0, 0};
  ASSERT_EQ(LoadGrayWeights(wrapped, 4), 1);
  EXPECT_EQ(WeightedGray(200, 9, 9), 100);
  // Weights a little over one never turn white into black.
  const uint8_t heavy[4] = {8, 80, 150, 30};
  ASSERT_EQ(LoadGrayWeights(heavy, 4), 1);
  EXPECT_EQ(WeightedGray(255, 255, 255), 255);
  EXPECT_EQ(WeightedGray(200, 200, 200), (200 * 260) >> 8);
}

TEST(GGrayConversionTest, WeightedGrayAgreesWithPython) {
  const std::vector<Rgb> grid = Grid();
  for (const std::vector<uint8_t>& d :
       {std::vector<uint8_t>{8, 77, 150, 29}, std::vector<uint8_t>{10, 255, 512 - 256 - 1, 1},
        std::vector<uint8_t>{2, 1, 2, 1}, std::vector<uint8_t>{0, 0, 1, 0}}) {
    SCOPED_TRACE(int(d[0]));
    ASSERT_EQ(LoadGrayWeights(d.data(), 4), 1);
    ExpectPythonAgrees(GridAsPython(grid) + "d = [" + std::to_string(d[0]) + "," + std::to_string(d[1]) + "," +
                           std::to_string(d[2]) + "," + std::to_string(d[3]) +
                           "]\n"
                           "for r, g, b in grid:\n"
                           "    print((r * d[1] + g * d[2] + b * d[3]) >> (d[0] % 32))\n",
                       grid, &WeightedGray);
  }
}

TEST(GGrayConversionTest, TableGrayBlendsByColourfulness) {
  std::vector<uint8_t> t = SampleTables();
  // T4 all 0: the linear gray m itself.
  std::fill(t.begin() + 1024, t.end(), 0);
  ASSERT_EQ(LoadGrayTables(t.data(), kGrayTablesSize), 1);
  const int m = (t[10] + t[256 + 20] + t[512 + 30]) % 256;
  EXPECT_EQ(TableGray(10, 20, 30), m);
  // T4 all 255: the mapped gray, (T3[m] x 255 + 255) div 256.
  std::fill(t.begin() + 1024, t.end(), 255);
  ASSERT_EQ(LoadGrayTables(t.data(), kGrayTablesSize), 1);
  EXPECT_EQ(TableGray(10, 20, 30), (t[768 + m] * 255 + 255) / 256);
}

TEST(GGrayConversionTest, TableGrayAgreesWithPython) {
  const std::vector<uint8_t> t = SampleTables();
  ASSERT_EQ(LoadGrayTables(t.data(), kGrayTablesSize), 1);
  std::string tables(reinterpret_cast<const char*>(t.data()), t.size());
  const std::vector<Rgb> grid = Grid();
  ExpectPythonAgrees(GridAsPython(grid) + "t = bytes.fromhex('" + qvtest::Hex(tables) +
                         "')\n"
                         "T0, T1, T2, T3, T4 = (t[i * 256:(i + 1) * 256] for i in range(5))\n"
                         "for r, g, b in grid:\n"
                         "    m = (T0[r] + T1[g] + T2[b]) % 256\n"
                         "    s = ((abs(g - b) + abs(b - r) + abs(r - g)) // 2) % 256\n"
                         "    k = T4[s]\n"
                         "    print(((T3[m] * k + (255 - k) * m + 255) // 256) % 256)\n",
                     grid, &TableGray);
}

TEST(GGrayConversionTest, ShortOrMissingDescriptorsAreRefusedAndChangeNothing) {
  const uint8_t weights[4] = {0, 1, 0, 0};
  ASSERT_EQ(LoadGrayWeights(weights, 4), 1);
  EXPECT_EQ(WeightedGray(9, 8, 7), 9);
  const uint8_t other[4] = {0, 0, 1, 0};
  EXPECT_EQ(LoadGrayWeights(other, 3), 0);
  EXPECT_EQ(LoadGrayWeights(nullptr, 4), 0);
  EXPECT_EQ(WeightedGray(9, 8, 7), 9);

  std::vector<uint8_t> t(kGrayTablesSize, 0);
  ASSERT_EQ(LoadGrayTables(t.data(), kGrayTablesSize), 1);
  EXPECT_EQ(TableGray(200, 100, 50), 0);
  std::vector<uint8_t> other_tables(kGrayTablesSize, 7);
  EXPECT_EQ(LoadGrayTables(other_tables.data(), kGrayTablesSize - 1), 0);
  EXPECT_EQ(LoadGrayTables(nullptr, kGrayTablesSize), 0);
  EXPECT_EQ(TableGray(200, 100, 50), 0);
}

TEST(GGrayConversionTest, TheFunctionsAreDistinguishableByIdentity) {
  GGrayFunction chosen = &LuminanceGray;
  EXPECT_EQ(chosen, &LuminanceGray);
  chosen = &WeightedGray;
  EXPECT_NE(chosen, &LuminanceGray);
  EXPECT_NE(static_cast<GGrayFunction>(&TableGray), &LuminanceGray);
}

}  // namespace
