// Fuzz target: arbitrary bytes read as the TrueType font of a face that the
// PCL 5e generator downloads as a soft font: the font header from the
// font's tables, glyph characters with their composite components, the
// fall-back to a bitmap soft font, in both header formats. Nothing may read
// outside the font's tables, write a header or character past its command's
// limit, recurse without end or leak.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/GTextString.h"
#include "graphics/GTextStringGraphic.h"
#include "graphics/GraphicsClasses.h"
#include "model/ModelClasses.h"
#include "pdl/GPcl5e.h"
#include "pdl/GeneratorClasses.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWLibraryClasses.h"
#include "support/FontTestClasses.h"
#include "support/Pcl5JobDriver.h"
#include "support/TrueTypeTestFace.h"

namespace {

void DrawOnePage(const std::vector<uint8_t>& font, int32_t kind, uint32_t capabilities) {
  GFontMetrics metrics;
  metrics.verticalResolution = metrics.horizontalResolution = 600;
  metrics.height = 100;
  metrics.baseline = 90;
  metrics.descent = 25;
  metrics.cellWidth = 100;
  metrics.weight = 400;
  metrics.metricInt4 = textenc::kUnicode;
  metrics.firstChar = 32;
  metrics.lastChar = 255;
  metrics.name = "Fuzzed";
  auto* face = new qvtest::TestFontFace(metrics, GFontDownloadExtras());
  face->kind = kind;
  qvtest::TestTrueTypeFaceHandle handle(face, std::make_shared<qvtest::TestFontReader>(1, font));
  handle.glyphWidth = 8;
  handle.glyphHeight = 8;
  qvtest::Pcl5JobDriver job(capabilities);
  job.StartDocument();
  job.StartPage(qvtest::Pcl5PageSpec());
  // Glyph indexes (the font's first glyphs) and Unicode text.
  const uint16_t glyphs[] = {0, 1, 2, 3, 4, 5, 6, 7};
  const uint16_t unicode[] = {'A', 'e', 0xE9, 0x20AC, 0x3042};
  const int16_t advances[] = {60, 60, 60, 60, 60, 60, 60, 60};
  for (int pass = 0; pass < 2; ++pass) {
    GTextStringGraphic byIndex(static_cast<GFontFaceHandle*>(handle.Clone()), textenc::kGlyphIndex, glyphs, advances,
                               pass, 8, GShortPoint(600, 600), nullptr, nullptr);
    job.generator->DrawText(&byIndex);
    GTextStringGraphic text(static_cast<GFontFaceHandle*>(handle.Clone()), textenc::kUnicode, unicode, advances, 0, 5,
                            GShortPoint(-20, 900), nullptr, nullptr);
    job.generator->DrawText(&text);
  }
  job.EndPage();
  job.EndDocument();
  // Every header and character command stays within its limit.
  const std::string& bytes = job.Bytes();
  for (const char* command : {"\x1B)s", "\x1B(s"}) {
    for (size_t at = bytes.find(command); at != std::string::npos; at = bytes.find(command, at + 1)) {
      size_t end = at + 3;
      long value = 0;
      while (end < bytes.size() && bytes[end] >= '0' && bytes[end] <= '9' && value <= 100000)
        value = value * 10 + (bytes[end++] - '0');
      if (end < bytes.size() && bytes[end] == 'W' && value > 32767) __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterPrintPathClasses();
    RegisterGraphicsClasses();
    RegisterGeneratorClasses();
    qvtest::RegisterFontTestClasses();
    return true;
  }();
  if (!ready) return 0;
  const std::vector<uint8_t> font(data, data + size);
  DrawOnePage(font, 2, 0);
  DrawOnePage(font, 3, GPcl5e::kCapText);
  return 0;
}
