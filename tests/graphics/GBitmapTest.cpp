// GBitmap and its body: the row conversion of every depth and mode, the
// run-length decoder, colour reduction and sharing, on worked examples and
// on damaged descriptions and data.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "graphics/GBitmap.h"
#include "graphics/GColor.h"
#include "graphics/GGrayConversion.h"
#include "graphics/GPaletteTable.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Layout {
  uint8_t bits = 8;
  uint8_t planes = 1;
  int16_t width = 1;
  int16_t height = 1;
  uint8_t alignment = 1;
  int32_t order = 0;
  int32_t compression = 0;
  int32_t bottomUp = 0;
  int32_t mirror = 0;
  int32_t masksGiven = 0;
  uint32_t masks[3] = {0, 0, 0};
};

// A bitmap owning a copy of data.
GBitmap Make(const Layout& l, const Bytes& data, GPaletteTable* palette = nullptr) {
  GBitmapDescription d;
  d.ownsData = 1;
  if (!data.empty()) {
    d.data = new uint8_t[data.size()];
    std::memcpy(d.data, data.data(), data.size());
  }
  d.dataLength = static_cast<uint32_t>(data.size());
  d.rowAlignment = l.alignment;
  d.bounds = GRect(0, 0, l.width, l.height);
  d.bitsPerPixel = l.bits;
  d.planes = l.planes;
  d.componentOrder = l.order;
  d.compression = l.compression;
  d.palette = palette;
  d.bottomUp = l.bottomUp;
  d.mirror = l.mirror;
  d.masksGiven = l.masksGiven;
  d.redMask = l.masks[0];
  d.greenMask = l.masks[1];
  d.blueMask = l.masks[2];
  return GBitmap(d);
}

Bytes Row(const GBitmap& bitmap, int16_t x0, int16_t x1, int16_t row, int32_t mode) {
  Bytes out(64, 0xEE);
  const uint32_t n = bitmap.GetRow(out.data(), x0, x1, row, mode);
  out.resize(n);
  return out;
}

struct RowCase {
  const char* name;
  Layout layout;
  Bytes data;
  int16_t x0, x1, row;
  int32_t mode;
  Bytes expected;
};

Layout L(uint8_t bits, uint8_t planes, int16_t width, int16_t height) {
  Layout l;
  l.bits = bits;
  l.planes = planes;
  l.width = width;
  l.height = height;
  return l;
}

Layout With(Layout l, int32_t order, int32_t mirror, int32_t bottomUp = 0) {
  l.order = order;
  l.mirror = mirror;
  l.bottomUp = bottomUp;
  return l;
}

Layout Masked(Layout l, uint32_t r, uint32_t g, uint32_t b) {
  l.masksGiven = 1;
  l.masks[0] = r;
  l.masks[1] = g;
  l.masks[2] = b;
  return l;
}

TEST(GBitmapTest, RowConversionTable) {
  const RowCase cases[] = {
      // 1 bit: column x0 lands in the top bit; the rest of the last byte
      // is what the source held after the span.
      {"1bit x0=3 x1=12", L(1, 1, 16, 1), {0b10110011, 0b01011100}, 3, 12, 0, 2, {0b10011010, 0b11100000}},
      {"1bit aligned", L(1, 1, 16, 1), {0xA5, 0x3C}, 0, 16, 0, 2, {0xA5, 0x3C}},
      {"1bit mirrored", With(L(1, 1, 8, 1), 0, 1), {0b11010000}, 0, 5, 0, 2, {0b01011000}},
      // 1 bit in 3 planes: nibble (p0 p1 p2), swapped (p2 p1 p0); an odd
      // count ends in 7.
      {"1bit 3 planes", L(1, 3, 8, 1), {0b10100000, 0b11000000, 0b01100000}, 0, 3, 0, 2, {0x63, 0x57}},
      {"1bit 3 planes swapped", L(1, 3, 8, 1), {0b10100000, 0b11000000, 0b01100000}, 0, 3, 0, 3, {0x36, 0x57}},
      {"1bit 3 planes mirrored", With(L(1, 3, 8, 1), 0, 1), {0b10100000, 0b11000000, 0b01100000}, 0, 3, 0, 2,
       {0x53, 0x67}},
      // 4 bits.
      {"4bit x0=1 x1=4", L(4, 1, 4, 1), {0x12, 0x34}, 1, 4, 0, 2, {0x23, 0x40}},
      {"4bit even", L(4, 1, 4, 1), {0x12, 0x34}, 0, 3, 0, 2, {0x12, 0x34}},
      {"4bit mirrored", With(L(4, 1, 4, 1), 0, 1), {0x12, 0x34}, 0, 3, 0, 2, {0x32, 0x10}},
      // 8 bits.
      {"8bit span", L(8, 1, 4, 1), {1, 2, 3, 4}, 1, 3, 0, 2, {2, 3}},
      {"8bit mirrored", With(L(8, 1, 4, 1), 0, 1), {1, 2, 3, 4}, 0, 4, 0, 0, {4, 3, 2, 1}},
      // 8 bits in 3 planes: (p0, p1, p2), swapped (p2, p1, p0).
      {"8bit 3 planes", L(8, 3, 2, 1), {1, 2, 3, 4, 5, 6}, 0, 2, 0, 2, {1, 3, 5, 2, 4, 6}},
      {"8bit 3 planes swapped", L(8, 3, 2, 1), {1, 2, 3, 4, 5, 6}, 0, 2, 0, 3, {5, 3, 1, 6, 4, 2}},
      {"8bit 3 planes gray", With(L(8, 3, 1, 1), 1, 0), {10, 20, 30}, 0, 1, 0, 0, {(30 * 10 + 59 * 20 + 11 * 30) / 100}},
      // 24 bits.
      {"24bit colour", L(24, 1, 1, 1), {10, 20, 30}, 0, 1, 0, 2, {10, 20, 30}},
      {"24bit swapped", L(24, 1, 1, 1), {10, 20, 30}, 0, 1, 0, 3, {30, 20, 10}},
      {"24bit order 1 swapped back", With(L(24, 1, 1, 1), 1, 0), {10, 20, 30}, 0, 1, 0, 3, {10, 20, 30}},
      {"24bit gray", L(24, 1, 1, 1), {10, 20, 30}, 0, 1, 0, 0, {21}},
      {"24bit gray order 1", With(L(24, 1, 1, 1), 1, 0), {10, 20, 30}, 0, 1, 0, 4, {(30 * 10 + 59 * 20 + 11 * 30) / 100}},
      {"24bit mirrored", With(L(24, 1, 2, 1), 0, 1), {1, 2, 3, 4, 5, 6}, 0, 2, 0, 2, {4, 5, 6, 1, 2, 3}},
      // 16 bits: (blue, green, red) through the masks.
      {"16bit 0x7FFF", L(16, 1, 1, 1), {0xFF, 0x7F}, 0, 1, 0, 2, {248, 248, 248}},
      {"16bit red 555", L(16, 1, 1, 1), {0x00, 0x7C}, 0, 1, 0, 2, {0, 0, 248}},
      {"16bit red 555 swapped", L(16, 1, 1, 1), {0x00, 0x7C}, 0, 1, 0, 3, {248, 0, 0}},
      {"16bit 565", Masked(L(16, 1, 1, 1), 0xF800, 0x07E0, 0x001F), {0xE0, 0x07}, 0, 1, 0, 2, {0, 252, 0}},
      {"16bit gray takes red mask as blue", L(16, 1, 1, 1), {0x00, 0x7C}, 0, 1, 0, 0, {248 * 11 / 100}},
      {"16bit gray order 1", With(L(16, 1, 1, 1), 1, 0), {0x00, 0x7C}, 0, 1, 0, 0, {248 * 30 / 100}},
      // 32 bits.
      {"32bit default masks", L(32, 1, 1, 1), {0x11, 0x22, 0x33, 0x44}, 0, 1, 0, 2, {0x11, 0x22, 0x33}},
      {"32bit 10-bit masks", Masked(L(32, 1, 1, 1), 0x3FF00000, 0x000FFC00, 0x000003FF), {0xFF, 0x03, 0x00, 0x00}, 0,
       1, 0, 3, {0, 0, 255}},
      {"32bit gray ignores order", With(L(32, 1, 1, 1), 1, 0), {0, 0, 200, 0}, 0, 1, 0, 1, {200 * 30 / 100}},
      // Rows.
      {"bottom-up row 0 is the last stored", With(L(8, 1, 4, 3), 0, 0, 1), {1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3}, 0, 4,
       0, 2, {3, 3, 3, 3}},
      {"top-down row 2", L(8, 1, 4, 3), {1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3}, 0, 4, 2, 2, {3, 3, 3, 3}},
  };
  for (const RowCase& c : cases) {
    SCOPED_TRACE(c.name);
    GBitmap bitmap = Make(c.layout, c.data);
    bitmap.SetGrayFunction(&LuminanceGray);
    EXPECT_EQ(Row(bitmap, c.x0, c.x1, c.row, c.mode), c.expected);
    EXPECT_EQ(bitmap.GetRow(nullptr, c.x0, c.x1, c.row, c.mode), 0u);
  }
}

TEST(GBitmapTest, RowsArePaddedToTheAlignment) {
  Layout l = L(8, 1, 3, 2);
  l.alignment = 4;
  GBitmap bitmap = Make(l, {1, 2, 3, 0, 4, 5, 6, 0});
  EXPECT_EQ(bitmap.GetBody()->GetStride(), 4u);
  EXPECT_EQ(bitmap.GetBody()->GetPackedRowBytes(), 3u);
  EXPECT_EQ(Row(bitmap, 0, 3, 1, 2), (Bytes{4, 5, 6}));
}

TEST(GBitmapTest, AnInstalledGrayFunctionOtherThanLuminanceIsUsed) {
  uint8_t weights[4] = {0, 0, 1, 0};  // green only
  ASSERT_EQ(LoadGrayWeights(weights, 4), 1);
  GBitmap bitmap = Make(L(24, 1, 1, 1), {10, 20, 30});
  bitmap.SetGrayFunction(&WeightedGray);
  EXPECT_EQ(Row(bitmap, 0, 1, 0, 0), (Bytes{20}));
}

TEST(GBitmapTest, MasksGiveShiftsAndBitCounts) {
  GBitmap bitmap = Make(Masked(L(16, 1, 1, 1), 0xF800, 0x07E0, 0x001F), {0, 0});
  const GBitmapImp* body = bitmap.GetBody();
  EXPECT_EQ(body->GetMaskShift(0), 11);
  EXPECT_EQ(body->GetMaskBitCount(0), 5);
  EXPECT_EQ(body->GetMaskShift(1), 5);
  EXPECT_EQ(body->GetMaskBitCount(1), 6);
  EXPECT_EQ(body->GetMaskShift(2), 0);
  GBitmap plain = Make(L(32, 1, 1, 1), {0, 0, 0, 0});
  EXPECT_EQ(plain.GetRedMask(), 0xFF0000u);
  EXPECT_EQ(plain.GetBody()->GetMaskShift(0), 16);
}

TEST(GBitmapTest, ForwardingAccessors) {
  Layout l = L(1, 3, 10, 2);
  GBitmap bitmap = Make(l, Bytes(12, 0), new GPaletteTable);
  GRect bounds;
  bitmap.GetBounds(bounds);
  EXPECT_TRUE(bounds.Equals(GRect(0, 0, 10, 2)));
  EXPECT_EQ(bitmap.GetBitsPerPixel(), 4u);
  EXPECT_EQ(bitmap.GetRowBytes(0, 5), 3u);
  EXPECT_EQ(bitmap.GetDataSize(), 12u);
  EXPECT_EQ(bitmap.GetDecodedSize(), 12u);
  ASSERT_NE(bitmap.GetPalette(), nullptr);
  EXPECT_EQ(bitmap.GetPalette()->GetCount(), 2u);
  EXPECT_EQ(bitmap.IsCompressed(), 0);
  EXPECT_EQ(bitmap.IsValid(), 1);
  EXPECT_EQ(bitmap.IsEmpty(), 0);
  GBitmap empty;
  EXPECT_EQ(empty.IsEmpty(), 1);
  EXPECT_EQ(empty.GetRow(nullptr, 0, 1, 0, 2), 0u);
  EXPECT_EQ(Make(L(16, 1, 3, 1), Bytes(6, 0)).GetBitsPerPixel(), 24u);
}

// ---- Sharing ----

TEST(GBitmapTest, CopiesShareTheBodyAndTheLastOneDeletesIt) {
  auto* first = new GBitmap(Make(L(8, 1, 2, 1), {1, 2}));
  EXPECT_EQ(first->GetShareCount(), 1);
  GBitmap copy(*first);
  EXPECT_EQ(copy.GetBody(), first->GetBody());
  EXPECT_EQ(copy.GetShareCount(), 2);
  delete first;
  EXPECT_EQ(copy.GetShareCount(), 1);
  EXPECT_EQ(Row(copy, 0, 2, 0, 2), (Bytes{1, 2}));
  GBitmap assigned;
  assigned = copy;
  EXPECT_EQ(assigned.GetShareCount(), 2);
  EXPECT_TRUE(assigned.Matches(&copy));
}

TEST(GBitmapTest, BorrowedDataIsCopiedWhenMadeOwned) {
  uint8_t pixels[2] = {7, 8};
  GBitmapDescription d;
  d.ownsData = 0;
  d.data = pixels;
  d.dataLength = 2;
  d.bounds = GRect(0, 0, 2, 1);
  d.bitsPerPixel = 8;
  GBitmap bitmap(d);
  EXPECT_EQ(bitmap.GetBits(), pixels);
  EXPECT_EQ(bitmap.MakeDataOwned(), 1);
  EXPECT_NE(bitmap.GetBits(), pixels);
  pixels[0] = 0;
  EXPECT_EQ(Row(bitmap, 0, 2, 0, 2), (Bytes{7, 8}));
}

TEST(GBitmapTest, BodiesMatchByLayoutPaletteAndPixels) {
  GBitmap a = Make(L(8, 1, 2, 1), {1, 2}, new GPaletteTable);
  GBitmap b = Make(L(8, 1, 2, 1), {1, 2}, new GPaletteTable);
  GBitmap c = Make(L(8, 1, 2, 1), {1, 3});
  GBitmap d = Make(With(L(8, 1, 2, 1), 0, 1), {1, 2});
  EXPECT_TRUE(a.Matches(&b));
  EXPECT_FALSE(a.Matches(&c));
  EXPECT_FALSE(a.Matches(&d));
  GBitmap empty;
  EXPECT_FALSE(a.Matches(&empty));
  EXPECT_TRUE(empty.Matches(&empty));
}

// ---- Run-length decoding ----

struct RleCase {
  const char* name;
  int32_t compression;  // 1: 4-bit, 2: 8-bit
  int16_t width, height;
  Bytes encoded;
  std::vector<Bytes> rows;  // every row's pixels as 8-bit values (4-bit: packed bytes)
};

TEST(GBitmapTest, RunLengthDecodingTable) {
  const RleCase cases[] = {
      {"8-bit run, end of line, end", 2, 4, 2, {3, 5, 0, 0, 0, 1}, {{5, 5, 5, 0}, {0, 0, 0, 0}}},
      {"4-bit run alternates nibbles and wraps", 1, 3, 2, {3, 0xAB, 2, 0xCD}, {{0xAB, 0xA0}, {0xCD, 0x00}}},
      {"end of line after a full row skips nothing", 2, 2, 2, {2, 9, 0, 0, 2, 8}, {{9, 9}, {8, 8}}},
      {"end of line at a row's start leaves that row empty", 2, 2, 3, {0, 0, 2, 9}, {{0, 0}, {9, 9}, {0, 0}}},
      {"two ends of line leave an empty row between", 2, 2, 3, {1, 5, 0, 0, 0, 0, 1, 7}, {{5, 0}, {0, 0}, {7, 0}}},
      {"absolute run with padding", 2, 4, 2, {0, 3, 1, 2, 3, 0, 1, 4, 0, 0, 2, 6}, {{1, 2, 3, 4}, {6, 6, 0, 0}}},
      {"4-bit absolute run, odd count", 1, 4, 1, {0, 3, 0x12, 0x30, 1, 0x40}, {{0x12, 0x34}}},
      {"delta moves right and down", 2, 4, 3, {1, 7, 0, 2, 2, 1, 1, 8}, {{7, 0, 0, 0}, {0, 0, 0, 8}, {0, 0, 0, 0}}},
      {"delta wraps at the row end", 2, 3, 2, {0, 2, 4, 0, 1, 9}, {{0, 0, 0}, {0, 9, 0}}},
      // Damaged streams: every limit ends decoding, what came before stays.
      {"run past the last row stops there", 2, 2, 1, {5, 4, 1, 9}, {{4, 4}}},
      {"delta past the last row stops", 2, 2, 2, {1, 3, 0, 2, 0, 9, 1, 5}, {{3, 0}, {0, 0}}},
      {"truncated delta", 2, 2, 1, {1, 3, 0, 2, 1}, {{3, 0}}},
      {"truncated absolute run", 2, 4, 1, {0, 4, 1, 2}, {{1, 2, 0, 0}}},
      {"odd final byte", 2, 2, 1, {1, 3, 2}, {{3, 0}}},
      {"no data", 2, 2, 1, {}, {{0, 0}}},
      {"absolute run past the row wraps, then past the image", 2, 2, 1, {0, 4, 1, 2, 3, 4}, {{1, 2}}},
  };
  for (const RleCase& c : cases) {
    SCOPED_TRACE(c.name);
    Layout l = L(c.compression == 1 ? 4 : 8, 1, c.width, c.height);
    l.compression = c.compression;
    GBitmap bitmap = Make(l, c.encoded);
    const GBitmapImp* body = bitmap.GetBody();
    EXPECT_EQ(bitmap.GetCompression(), 0);
    EXPECT_EQ(body->OwnsData(), 1);
    EXPECT_EQ(bitmap.GetDataSize(), (static_cast<uint32_t>(c.height) + 1) * body->GetStride());
    for (int16_t y = 0; y < c.height; ++y) EXPECT_EQ(Row(bitmap, 0, c.width, y, 2), c.rows[y]) << "row " << y;
    // The spare row after the image stays zero.
    const uint8_t* spare = bitmap.GetBits() + static_cast<size_t>(c.height) * body->GetStride();
    for (uint32_t i = 0; i < body->GetStride(); ++i) EXPECT_EQ(spare[i], 0) << "spare byte " << i;
  }
}

TEST(GBitmapTest, RunLengthDataThatCannotMakeAnImageLeavesNoData) {
  struct {
    const char* name;
    uint8_t bits;
    int32_t compression;
    int16_t width, height;
  } cases[] = {
      {"8-bit runs in a 1-bit image", 1, 2, 8, 2},
      {"4-bit runs in an 8-bit image", 8, 1, 8, 2},
      {"decoded block too large", 8, 2, 32767, 32767},
      {"unknown compression", 8, 7, 2, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Layout l = L(c.bits, 1, c.width, c.height);
    l.compression = c.compression;
    GBitmap bitmap = Make(l, {2, 0xFF, 0, 1});
    Bytes row(64, 0xEE);
    if (c.compression == 7) {
      // Not a run-length form: kept as given, and no row is read from it.
      EXPECT_EQ(bitmap.GetCompression(), 7);
      EXPECT_EQ(bitmap.GetRow(row.data(), 0, 2, 0, 2), 0u);
      continue;
    }
    EXPECT_EQ(bitmap.GetCompression(), 0);
    EXPECT_EQ(bitmap.GetDataSize(), 0u);
    EXPECT_EQ(bitmap.GetBits(), nullptr);
    // Rows read as zero pixels.
    EXPECT_EQ(Row(bitmap, 0, 8, 1, 2), Bytes(c.bits == 1 ? 1 : 8, 0));
  }
}

// ---- Damaged descriptions ----

TEST(GBitmapTest, RowsNeverReadPastTheData) {
  // Too little data for the layout: the rows it does not cover read as 0.
  GBitmap shortData = Make(L(24, 1, 4, 4), {1, 2, 3, 4, 5, 6, 7});
  EXPECT_EQ(Row(shortData, 0, 4, 0, 2), (Bytes{1, 2, 3, 4, 5, 6, 7, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Row(shortData, 0, 4, 3, 2), Bytes(12, 0));
  // The 1-bit join reads the byte after the span only when it is there.
  GBitmap oneBit = Make(L(1, 1, 8, 1), {0xFF});
  EXPECT_EQ(Row(oneBit, 1, 8, 0, 2), (Bytes{0xFE}));
  // Planes beyond the data.
  GBitmap planes = Make(L(8, 3, 2, 1), {1, 2});
  EXPECT_EQ(Row(planes, 0, 2, 0, 2), (Bytes{1, 0, 0, 2, 0, 0}));
}

TEST(GBitmapTest, SpansAndLayoutsOutsideTheImageReadNothing) {
  GBitmap bitmap = Make(L(8, 1, 4, 2), Bytes(8, 1));
  Bytes buffer(16, 0xEE);
  EXPECT_EQ(bitmap.GetRow(buffer.data(), 0, 5, 0, 2), 0u);
  EXPECT_EQ(bitmap.GetRow(buffer.data(), -1, 2, 0, 2), 0u);
  EXPECT_EQ(bitmap.GetRow(buffer.data(), 2, 2, 0, 2), 0u);
  EXPECT_EQ(bitmap.GetRow(buffer.data(), 3, 1, 0, 2), 0u);
  EXPECT_EQ(bitmap.GetRow(buffer.data(), 0, 4, 2, 2), 0u);
  EXPECT_EQ(bitmap.GetRow(buffer.data(), 0, 4, -1, 2), 0u);
  EXPECT_EQ(buffer, Bytes(16, 0xEE));
  const struct {
    const char* name;
    uint8_t bits, planes;
  } layouts[] = {{"2 bits", 2, 1}, {"4 bits in 3 planes", 4, 3}, {"no planes", 8, 0}, {"24 bits in 3 planes", 24, 3}};
  for (const auto& c : layouts) {
    SCOPED_TRACE(c.name);
    GBitmap odd = Make(L(c.bits, c.planes, 4, 1), Bytes(64, 1));
    EXPECT_EQ(odd.GetRow(buffer.data(), 0, 4, 0, 2), 0u);
  }
  // A reversed rectangle has no pixels.
  GBitmapDescription d;
  d.bounds = GRect(10, 10, 2, 2);
  d.bitsPerPixel = 8;
  GBitmap reversed(d);
  EXPECT_EQ(reversed.GetRow(buffer.data(), 0, 1, 0, 2), 0u);
  EXPECT_EQ(reversed.GetBody()->GetStride(), 0u);
}

TEST(GBitmapTest, MasksWithoutBitsGiveZeroComponents) {
  GBitmap bitmap = Make(Masked(L(32, 1, 1, 1), 0, 0xFF00, 0xFF), {0x11, 0x22, 0x33, 0x44});
  EXPECT_EQ(Row(bitmap, 0, 1, 0, 3), (Bytes{0, 0x22, 0x11}));
}

TEST(GBitmapTest, AlignmentZeroIsTakenAsUnpadded) {
  Layout l = L(8, 1, 3, 2);
  l.alignment = 0;
  GBitmap bitmap = Make(l, {1, 2, 3, 4, 5, 6});
  EXPECT_EQ(bitmap.GetBody()->GetStride(), 3u);
  EXPECT_EQ(Row(bitmap, 0, 3, 1, 2), (Bytes{4, 5, 6}));
}

TEST(GBitmapTest, BottomUpRowsCountFromTheImageTopWhateverTheBounds) {
  GBitmapDescription d;
  Bytes pixels{1, 2, 3};
  d.ownsData = 0;
  d.data = pixels.data();
  d.dataLength = 3;
  d.bounds = GRect(5, 10, 6, 13);
  d.bitsPerPixel = 8;
  d.bottomUp = 1;
  GBitmap bitmap(d);
  EXPECT_EQ(Row(bitmap, 0, 1, 0, 2), (Bytes{3}));
  EXPECT_EQ(Row(bitmap, 0, 1, 2, 2), (Bytes{1}));
}

TEST(GBitmapTest, SegmentedRowsFollowTheSegmentStep) {
  // Two rows per segment, one 64 KB segment apart.
  Bytes pixels(65536 + 4, 0);
  pixels[0] = 1;
  pixels[2] = 2;
  pixels[65536] = 3;
  pixels[65538] = 4;
  GBitmapDescription d;
  d.ownsData = 0;
  d.data = pixels.data();
  d.dataLength = static_cast<uint32_t>(pixels.size());
  d.bounds = GRect(0, 0, 2, 4);
  d.bitsPerPixel = 8;
  d.segmentStep = 1;
  d.rowsPerSegment = 2;
  GBitmap bitmap(d);
  EXPECT_EQ(bitmap.IsSegmented(), 1);
  for (int16_t y = 0; y < 4; ++y) EXPECT_EQ(Row(bitmap, 0, 1, y, 2), (Bytes{static_cast<uint8_t>(y + 1)}));
  // A segmented layout without rows per segment has no row address.
  d.rowsPerSegment = 0;
  GBitmap broken(d);
  Bytes buffer(4);
  EXPECT_EQ(broken.GetRow(buffer.data(), 0, 1, 0, 2), 0u);
}

// ---- Colour reduction ----

GBitmap ColourImage(int16_t width, int16_t height, int colours) {
  Bytes pixels;
  for (int i = 0; i < width * height; ++i) {
    const int c = i % colours;
    pixels.push_back(static_cast<uint8_t>(c & 0xFF));
    pixels.push_back(static_cast<uint8_t>(c >> 8));
    pixels.push_back(static_cast<uint8_t>(c == 0 ? 0xFF : 0x10));
  }
  return Make(L(24, 1, width, height), pixels);
}

TEST(GBitmapTest, ReduceColorDepthOfATwoColourImageGivesOneBit) {
  GBitmap source = ColourImage(100, 100, 2);
  GBitmap reduced;
  source.ReduceColorDepth(reduced);
  ASSERT_FALSE(reduced.IsEmpty());
  EXPECT_EQ(reduced.GetBitsPerPixel(), 1u);
  EXPECT_EQ(reduced.GetDataSize(), 13u * 100u);
  EXPECT_EQ(reduced.GetRowAlignment(), 1);
  ASSERT_NE(reduced.GetPalette(), nullptr);
  ASSERT_EQ(reduced.GetPalette()->GetCount(), 2u);
  // Index 0 is the first colour met: blue 0xFF stored first (b, g, r).
  auto* first = static_cast<GRGBColor*>(reduced.GetPalette()->GetEntry(0));
  EXPECT_EQ(first->GetRed(), 0xFF);
  EXPECT_EQ(first->GetBlue(), 0);
  EXPECT_EQ(first->GetFourthByte(), 255);
  // Pixels alternate 0, 1.
  EXPECT_EQ(Row(reduced, 0, 8, 0, 2), (Bytes{0x55}));
}

TEST(GBitmapTest, ReduceColorDepthToAPaletteImage) {
  GBitmap source = ColourImage(20, 20, 5);
  GBitmap reduced;
  source.ReduceColorDepth(reduced);
  EXPECT_EQ(reduced.GetBitsPerPixel(), 8u);
  EXPECT_EQ(reduced.GetPalette()->GetCount(), 5u);
  EXPECT_EQ(Row(reduced, 0, 6, 0, 2), (Bytes{0, 1, 2, 3, 4, 0}));
  auto* third = static_cast<GRGBColor*>(reduced.GetPalette()->GetEntry(2));
  EXPECT_EQ(third->GetRed(), 0x10);
  EXPECT_EQ(third->GetBlue(), 2);
}

TEST(GBitmapTest, ReduceColorDepthSharesWhatItCannotReduce) {
  const struct {
    const char* name;
    GBitmap source;
  } cases[] = {
      {"300 colours", ColourImage(100, 100, 300)},
      {"40000 pixels", ColourImage(200, 200, 2)},
      {"4-bit", Make(L(4, 1, 2, 1), {0x12}, new GPaletteTable)},
      {"8-bit without palette", Make(L(8, 1, 2, 1), {0, 1})},
      {"empty", GBitmap()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GBitmap reduced;
    c.source.ReduceColorDepth(reduced);
    EXPECT_EQ(reduced.GetBody(), c.source.GetBody());
  }
}

TEST(GBitmapTest, ReduceColorDepthOfAnEightBitTwoEntryPaletteImage) {
  GBitmap source = Make(L(8, 1, 10, 1), {0, 1, 1, 0, 0, 0, 0, 0, 1, 5}, new GPaletteTable);
  GBitmap reduced;
  source.ReduceColorDepth(reduced);
  EXPECT_EQ(reduced.GetBitsPerPixel(), 1u);
  EXPECT_EQ(Row(reduced, 0, 10, 0, 2), (Bytes{0x60, 0xC0}));
  EXPECT_NE(reduced.GetPalette(), source.GetPalette());
}

}  // namespace
