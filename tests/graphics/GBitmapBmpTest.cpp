// Bitmaps judged by an independent decoder: Python's imaging library (PIL,
// Debian's python3-pil) decodes device-independent bitmap files, plain
// (1, 4, 8, 16, 24 and 32 bits, with and without bit masks, bottom-up and
// top-down) and run-length encoded (4 and 8 bits), and every row that our
// body converts must give PIL's colours. The files are written by the
// script itself, so that the run-length streams are those of an ordinary
// encoder.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/GBitmap.h"
#include "support/PythonJudge.h"

namespace {

// PIL is installed for Debian's own interpreter.
bool RunDebianPython(const std::string& script, std::string* output) {
  const std::string path = ::testing::TempDir() + "qv_bitmap_judge_" + std::to_string(getpid()) + ".py";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  std::fwrite(script.data(), 1, script.size(), f);
  std::fclose(f);
  const char* interpreter = access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
  FILE* p = popen((std::string(interpreter) + " '" + path + "' 2>&1").c_str(), "r");
  if (p == nullptr) return false;
  output->clear();
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) output->append(buffer, n);
  const int status = pclose(p);
  std::remove(path.c_str());
  return status == 0;
}

const char kScript[] = R"PY(
import io, random, struct
from PIL import Image

random.seed(11)

def bmp(width, height, bpp, compression, pixels, palette=(), masks=None, topdown=False):
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    extra = struct.pack('<III', *masks) if masks else b''
    offset = 14 + 40 + len(extra) + len(pal)
    info = struct.pack('<IiiHHIIiiII', 40, width, -height if topdown else height, 1, bpp,
                       compression, len(pixels), 2835, 2835, len(palette), 0)
    head = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return head + info + extra + pal + pixels

def plain(rows, width, bpp, topdown):
    stride = (width * bpp + 31) // 32 * 4
    out = b''
    for row in (rows if topdown else reversed(rows)):
        buf = bytearray()
        if bpp < 8:
            acc, n = 0, 0
            for v in row:
                acc, n = (acc << bpp) | v, n + bpp
                if n == 8:
                    buf.append(acc); acc, n = 0, 0
            if n:
                buf.append(acc << (8 - n))
        else:
            for v in row:
                buf += v.to_bytes(bpp // 8, 'little')
        out += bytes(buf) + b'\0' * (stride - len(buf))
    return out

def runs_row(width, colours):
    row = []
    while len(row) < width:
        v = random.randrange(colours)
        row += [v] * random.choice((1, 1, 2, 3, 5, 9))
    return row[:width]

def rle(rows, four):
    out = bytearray()
    for row in reversed(rows):
        i = 0
        while i < len(row):
            j = i
            while j < len(row) and row[j] == row[i] and j - i < 255:
                j += 1
            if j - i >= 2:
                out += bytes((j - i, row[i] * 17 if four else row[i]))
                i = j
                continue
            # an absolute run up to the next repeat (even length for 4 bits)
            j = i
            while j < len(row) and j - i < 254 and not (j + 1 < len(row) and row[j] == row[j + 1]):
                j += 1
            n = j - i
            if four and n % 2:
                n -= 1
            if n < 3 or (four and n < 4):
                out += bytes((1, row[i] * 17 if four else row[i]))
                i += 1
                continue
            seg = row[i:i + n]
            data = bytes(seg) if not four else bytes((seg[k] << 4) | seg[k + 1] for k in range(0, n, 2))
            out += bytes((0, n)) + data + (b'\0' if len(data) % 2 else b'')
            i += n
        out += b'\0\0'
    return bytes(out + b'\0\1')

def palette(n):
    return [(random.randrange(256), random.randrange(256), random.randrange(256)) for _ in range(n)]

def cases():
    w, h = 13, 5
    for bpp, colours in ((1, 2), (4, 16), (8, 40)):
        p = palette(colours)
        rows = [[random.randrange(colours) for _ in range(w)] for _ in range(h)]
        yield 'plain%d' % bpp, w, h, bmp(w, h, bpp, 0, plain(rows, w, bpp, False), p), '8'
    rgb = [[(random.randrange(256), random.randrange(256), random.randrange(256)) for _ in range(w)] for _ in range(h)]
    packed = [[(r << 16) | (g << 8) | b for (r, g, b) in row] for row in rgb]
    yield 'plain24', w, h, bmp(w, h, 24, 0, plain(packed, w, 24, False)), '8'
    yield 'plain24 top-down', w, h, bmp(w, h, 24, 0, plain(packed, w, 24, True), topdown=True), '8'
    yield 'plain32', w, h, bmp(w, h, 32, 0, plain(packed, w, 32, False)), '8'
    yield 'masks32 bgrx', w, h, bmp(w, h, 32, 3, plain(packed, w, 32, False), masks=(0xFF0000, 0xFF00, 0xFF)), '8'
    xbgr = [[(r << 24) | (g << 16) | (b << 8) for (r, g, b) in row] for row in rgb]
    yield 'masks32 xbgr', w, h, bmp(w, h, 32, 3, plain(xbgr, w, 32, False), masks=(0xFF000000, 0xFF0000, 0xFF00)), '8'
    p555 = [[((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3) for (r, g, b) in row] for row in rgb]
    yield 'plain16 555', w, h, bmp(w, h, 16, 0, plain(p555, w, 16, False)), '5'
    yield 'masks16 555', w, h, bmp(w, h, 16, 3, plain(p555, w, 16, False), masks=(0x7C00, 0x3E0, 0x1F)), '5'
    p565 = [[((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3) for (r, g, b) in row] for row in rgb]
    yield 'masks16 565', w, h, bmp(w, h, 16, 3, plain(p565, w, 16, False), masks=(0xF800, 0x7E0, 0x1F)), '6'
    for name, four, colours, width, height in (('rle8', False, 40, 37, 9), ('rle4', True, 16, 38, 9)):
        p = palette(colours)
        rows = [runs_row(width, colours) for _ in range(height)]
        # a stretch without repeats, which only absolute runs encode
        rows[2][4:14] = [(k * 3 + 1) % colours for k in range(10)]
        yield name, width, height, bmp(width, height, 4 if four else 8, 2 if four else 1, rle(rows, four), p), '8'

for name, w, h, data, bits in cases():
    image = Image.open(io.BytesIO(data))
    image.load()
    print('%s|%d|%d|%s|%s|%s' % (name, w, h, bits, data.hex(), image.convert('RGB').tobytes().hex()))
)PY";

std::string Unhex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

uint32_t U32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
  return v;
}

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = line.find(separator, start)) != std::string::npos; start = at + 1)
    parts.push_back(line.substr(start, at - start));
  parts.push_back(line.substr(start));
  return parts;
}

// Our rows of one file, as red, green, blue bytes from the top row down.
std::string DecodeWithBitmap(const std::string& file) {
  const uint32_t offset = U32(file, 10);
  const uint32_t headerSize = U32(file, 14);
  const int32_t width = static_cast<int32_t>(U32(file, 18));
  const int32_t storedHeight = static_cast<int32_t>(U32(file, 22));
  const uint16_t bits = static_cast<uint16_t>(static_cast<uint8_t>(file[28]) | static_cast<uint8_t>(file[29]) << 8);
  const uint32_t compression = U32(file, 30);
  const uint32_t colours = U32(file, 46);
  const int32_t height = storedHeight < 0 ? -storedHeight : storedHeight;
  size_t paletteAt = 14 + headerSize;
  GBitmapDescription d;
  if (compression == 3) {
    d.masksGiven = 1;
    d.redMask = U32(file, paletteAt);
    d.greenMask = U32(file, paletteAt + 4);
    d.blueMask = U32(file, paletteAt + 8);
    paletteAt += 12;
  }
  const std::string pixels = file.substr(offset);
  d.ownsData = 1;
  d.data = new uint8_t[pixels.size()];
  std::memcpy(d.data, pixels.data(), pixels.size());
  d.dataLength = static_cast<uint32_t>(pixels.size());
  d.rowAlignment = 4;
  d.bounds = GRect(0, 0, static_cast<int16_t>(width), static_cast<int16_t>(height));
  d.bitsPerPixel = static_cast<uint8_t>(bits);
  d.planes = 1;
  d.componentOrder = 0;
  // The file's run-length codes are the other way round from ours.
  d.compression = compression == 1 ? 2 : compression == 2 ? 1 : 0;
  d.bottomUp = storedHeight > 0 ? 1 : 0;
  GBitmap bitmap(d);

  std::string rgb;
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3 + 8);
  for (int16_t y = 0; y < height; ++y) {
    if (bits <= 8) {
      EXPECT_EQ(bitmap.GetRow(row.data(), 0, static_cast<int16_t>(width), y, kBitmapRowColor),
                (static_cast<uint32_t>(width) * bits + 7) / 8);
      for (int32_t x = 0; x < width; ++x) {
        const uint32_t bit = static_cast<uint32_t>(x) * bits;
        const uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        if (index >= colours) {
          ADD_FAILURE() << "index " << index << " past the palette";
          rgb += std::string(3, '\0');
          continue;
        }
        const size_t entry = paletteAt + 4 * index;
        rgb += file[entry + 2];
        rgb += file[entry + 1];
        rgb += file[entry];
      }
    } else {
      // Swapped colour of blue-green-red pixels is red, green, blue.
      EXPECT_EQ(bitmap.GetRow(row.data(), 0, static_cast<int16_t>(width), y, kBitmapRowSwapped),
                static_cast<uint32_t>(width) * 3);
      rgb.append(reinterpret_cast<const char*>(row.data()), static_cast<size_t>(width) * 3);
    }
  }
  return rgb;
}

TEST(GBitmapBmpTest, RowsAgreeWithPythonImagingLibrary) {
  std::string output;
  if (!RunDebianPython(kScript, &output)) {
    if (output.find("No module named 'PIL'") != std::string::npos)
      GTEST_SKIP() << "python3-pil is not installed (scripts/setup.sh installs it)";
    FAIL() << "the judge failed:\n" << output;
  }
  int cases = 0;
  for (const std::string& line : qvtest::Lines(output)) {
    const std::vector<std::string> parts = Split(line, '|');
    ASSERT_EQ(parts.size(), 6u) << line;
    SCOPED_TRACE(parts[0]);
    ++cases;
    const std::string ours = DecodeWithBitmap(Unhex(parts[4]));
    const std::string theirs = Unhex(parts[5]);
    ASSERT_EQ(ours.size(), theirs.size());
    // Components of fewer than 8 bits are compared in their own bits: PIL
    // fills the low bits from the high ones, we leave them 0.
    const int componentBits = std::stoi(parts[3]);
    for (size_t i = 0; i < ours.size(); ++i) {
      const int bits = componentBits == 6 ? (i % 3 == 1 ? 6 : 5) : componentBits;
      const uint8_t keep = static_cast<uint8_t>(0xFF << (8 - bits));
      ASSERT_EQ(static_cast<uint8_t>(ours[i]), static_cast<uint8_t>(theirs[i]) & keep)
          << "pixel " << i / 3 << " component " << i % 3;
    }
  }
  EXPECT_EQ(cases, 13);
}

}  // namespace
