// Fuzz target: arbitrary bytes read as a TrueType font file through the
// reader (table directory, cmap look-ups of every kind of text, vertical
// forms, glyph walks with composites, metrics, the prefetch) and through
// the font pool: a handle on the pooled font, a save for a database and a
// restore of that save into another pool, merged by stamp. Nothing may read
// outside the font's tables, recurse without end or leak.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <vector>

#include "graphics/GTTFontPool.h"
#include "graphics/GraphicsClasses.h"
#include "model/ModelClasses.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWBinaryStream.h"
#include "rw/RWLibraryClasses.h"
#include "support/FontTestClasses.h"

namespace {

void ExerciseReader(GTTFontFile& handle) {
  handle.HasRequiredTables(0);
  int16_t box[4];
  handle.GetFontBBox(0, &box[0], &box[1], &box[2], &box[3]);
  uint16_t glyphs = 0;
  handle.GetGlyphCount(0, &glyphs);
  int16_t descender = 0;
  handle.GetTypoDescender(0, &descender);
  static const int32_t kEncodings[] = {0, 1, 3, 16, 17, 18, 20, 22, 23};
  static const uint16_t kCodes[] = {0, 0x20, 0x41, 0xA5, 0xFF, 0x100, 0x3042, 0x8140, 0xF041, 0xFFFE, 0xFFFF};
  for (int32_t encoding : kEncodings)
    for (uint16_t code : kCodes)
      for (int32_t vertical = 0; vertical < 2; ++vertical) handle.GetGlyphIndex(0, vertical, code, encoding);
  const uint32_t walked = glyphs < 48 ? glyphs + 2u : 48u;
  for (uint32_t g = 0; g < walked; ++g) {
    GGlyphRequest request;
    request.glyph = static_cast<uint16_t>(g);
    request.code = static_cast<uint16_t>(g);
    request.render = 1;
    request.encodingId = 16;
    handle.ProcessGlyph(request);
    uint16_t advance = 0;
    int16_t bearing = 0;
    handle.GetHorizontalMetrics(0, static_cast<uint16_t>(g), &advance, &bearing);
    handle.GetVerticalMetrics(0, static_cast<uint16_t>(g), &advance, &bearing);
  }
  handle.GetHorizontalMetrics(0, 0xFFFF, nullptr, nullptr);
  handle.Prefetch(0, 17);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterPrintPathClasses();
    RegisterGraphicsClasses();
    qvtest::RegisterFontTestClasses();
    return true;
  }();
  if (!ready) return 0;

  GTTFontPool::RegisterInstance(new GTTFontPool);
  GTTFontPool* pool = GTTFontPool::GetInstance();
  auto* font = new qvtest::TestFontReader(pool->NextKey(), std::vector<uint8_t>(data, data + size));
  pool->AddFont(font);
  std::string saved;
  {
    GTTFontFile handle(pool, font);
    ExerciseReader(handle);
    handle.RegisterForSave(3);
    std::ostringstream bytes;
    {
      RWBinaryOutStream out(bytes);
      pool->SaveToStream(out, 3);
    }
    saved = bytes.str();
  }
  // Another pool restores the saved font, then a newer copy of it.
  GTTFontPool other;
  for (int round = 0; round < 2; ++round) {
    std::istringstream in(saved);
    RWBinaryInStream stream(in);
    other.RestoreFromStream(stream);
  }
  other.RemoveAll();
  pool->RemoveAll();
  GTTFontPool::DestroyInstance();
  return 0;
}
