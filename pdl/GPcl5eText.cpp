// GPcl5e text: a text-string graphic finds or makes its font's download
// record (a printer font, a TrueType soft font or a bitmap soft font), has
// the missing characters downloaded, selects the font and prints the
// characters: as one run that the printer spaces itself when that is safe,
// otherwise character by character at explicit cursor positions, and as
// GL/2 labels for rotated text and for characters that the page edge cuts.
// It also answers the print path's questions about fonts and texts.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "graphics/GFontFaceHandle.h"
#include "graphics/GGlyphCodeAllocator.h"
#include "graphics/GShortPoint.h"
#include "graphics/GTextString.h"
#include "graphics/GTextStringGraphic.h"
#include "model/GDeviceFontDescription.h"
#include "model/GDeviceFontList.h"
#include "model/GDeviceFontListComposite.h"
#include "model/GMedia.h"
#include "pdl/GPcl5e.h"
#include "pdl/GPcl5eDownloadRecord.h"

namespace {

// The encoding a soft font's glyphs are kept in: allocated glyph codes for
// glyph indexes, Unicode and double-byte text, else the text's own.
int32_t MapGlyphEncoding(int32_t encoding) {
  return encoding == textenc::kGlyphIndex || (encoding >= textenc::kUnicode && encoding <= 23) ? textenc::kGlyphCode
                                                                                               : encoding;
}

bool HasNonZeroAdvance(const int16_t* advances, uint32_t count) {
  if (advances == nullptr) return false;
  for (uint32_t i = 0; i < count; ++i)
    if (advances[i] != 0) return true;
  return false;
}

}  // namespace

// What one call of PrintText prints.
struct GPcl5e::TextRun {
  int32_t kind = 0;
  GFontFaceHandle* face = nullptr;
  GPcl5eDownloadHandle* record = nullptr;
  const GTextString* text = nullptr;    // T: the codes sent
  const GTextString* source = nullptr;  // S: the face's own codes
  const GTextEscapements* escapements = nullptr;
  int32_t options = 0;
  GFontMetrics metrics;
  int32_t asGiven = 1;
  int32_t x0 = 0;
  int32_t y0 = 0;
};

void GPcl5e::ResetTextState() {
  fontSelection_ = RWCString();
  fontId_ = 0;
  fontHeight_ = 0.0f;
  symbolSet_ = 0;
  verticalFont_ = 0;
  textAngle_ = 0.0f;
  textPath_ = 0;
  primaryFontId_ = -1;
  italicSimulated_ = 0;
  boldSimulated_ = 0;
}

int32_t GPcl5e::CheckEscapeText(const RWCString& text) {
  return std::memchr(text.Data(), 0x1B, text.Length()) != nullptr ? 1 : 0;
}

GPcl5eDownloadHandle* GPcl5e::FindFontRecord(GFontFaceHandle* face) {
  GFaceDownloadInfo* info = face->GetDownloadInfo();
  if (auto* own = dynamic_cast<GPcl5eDownloadHandle*>(info); own != nullptr && own->IsValid() != 0) return own;
  if (info != nullptr) delete face->DetachDownloadInfo();
  GDownloadCache* cache = GetDownloadCache();
  GDownloadHandle* found = cache != nullptr ? cache->Find(face) : nullptr;
  auto* record = dynamic_cast<GPcl5eDownloadHandle*>(found);
  if (found != nullptr && record == nullptr) delete face->DetachDownloadInfo();
  return record;
}

int16_t GPcl5e::DrawText(GGraphic* graphic) {
  auto* textGraphic = dynamic_cast<GTextStringGraphic*>(graphic);
  GFontFaceHandle* face = textGraphic != nullptr ? textGraphic->GetFont() : nullptr;
  GTextString* text = textGraphic != nullptr ? textGraphic->GetText() : nullptr;
  if (face == nullptr || text == nullptr || text->GetLength() == 0 || face->GetFace() == nullptr)
    return TakeOutputStatus();
  if (GetDownloadCache() == nullptr) SetDownloadCache(new GPcl5eDownloadCache);
  if (GetGlyphCodeAllocator() == nullptr) SetGlyphCodeAllocator(new GPcl5eGlyphCodeAllocator);
  auto* allocator = static_cast<GPcl5eGlyphCodeAllocator*>(GetGlyphCodeAllocator());

  const int32_t e = text->GetEncoding();
  const bool extended = (capabilities_ & kCapText) != 0;
  const GFontMetrics& faceMetrics = face->GetMetrics();
  const GFontDownloadExtras& extras = face->GetDownloadExtras();
  // Without the text-and-font capability, what the printer's PCL fonts
  // cannot render goes down as bitmaps.
  const bool bitmapsOnly = !extended && ((face->GetLastChar() > 255 && (face->GetFlags() & 2) == 0) ||
                                         extras.extrasShort > static_cast<int16_t>(faceMetrics.weight) ||
                                         (extras.extrasInt1 != 0 && faceMetrics.metricInt1 == 0));

  GPcl5eDownloadHandle* record = FindFontRecord(face);
  if (record != nullptr && bitmapsOnly && record->GetKind() != GDownloadRecord::kBitmapFont) {
    delete face->DetachDownloadInfo();
    record = nullptr;
  }
  if (record == nullptr && e != textenc::kGlyphIndex && !bitmapsOnly) record = CreatePrinterFontRecord(face);
  if (record == nullptr) record = CreateSoftFontRecord(face, MapGlyphEncoding(e), bitmapsOnly);
  if (record == nullptr) return TakeOutputStatus();

  TextRun run;
  run.kind = record->GetKind();
  run.face = face;
  run.record = record;
  run.source = text;
  run.escapements = textGraphic->GetEscapements();
  run.options = textGraphic->GetTextOptions();
  run.metrics = faceMetrics;
  run.x0 = textGraphic->GetOrigin().x;
  run.y0 = textGraphic->GetOrigin().y;

  std::unique_ptr<GScaledFont> scaled;
  if (run.kind == GDownloadRecord::kBitmapFont) {
    scaled = std::make_unique<GScaledFont>(face, scaleX_, scaleY_);
    allocator->SetExtendedMode(extended ? 1 : 0);
  }
  std::unique_ptr<GTextString> converted;
  const auto convert = [&](int32_t target) -> const GTextString* {
    if (target == e) return text;
    converted = std::make_unique<GTextString>(*text, target, allocator);
    return converted.get();
  };
  switch (run.kind) {
    case GDownloadRecord::kPrinterFont: {
      GDeviceFontDescription* font = record->GetDeviceFont();
      if (font == nullptr) break;
      const int32_t b = PrinterEncodingOf(*font, face, e);
      SelectPrinterFont(face, *font, b, false);
      run.text = convert(b);
      run.asGiven = run.text == text ? 1 : 0;
      PrintText(run);
      break;
    }
    case GDownloadRecord::kOutlineFont:
    case GDownloadRecord::kBitmapFont: {
      const int32_t g = record->GetGlyphEncoding();
      run.text = convert(g);
      run.asGiven = run.text == text ? 1 : 0;
      if (run.kind == GDownloadRecord::kOutlineFont) {
        AddTrueTypeCharacters(face, record, *text, *run.text);
        SelectTrueTypeSoftFont(face, record, g);
      } else {
        AddBitmapCharacters(*scaled, record, *text, *run.text);
        SelectBitmapSoftFont(*scaled, record, g);
        run.metrics = scaled->GetMetrics();
      }
      PrintText(run);
      record->SetUseStamp(NextUseStamp());
      break;
    }
    default: break;
  }
  return TakeOutputStatus();
}

int GPcl5e::ClassifyGlyph(const TextRun& run, int32_t x, int32_t y, uint32_t index) const {
  // The glyph's cell in dots: from the origin along its advance (or the
  // cell width), from the ascent above the baseline to the descent below.
  const GShortPoint extent = *PageMedia().GetImageableExtent();
  const int32_t advance = run.escapements != nullptr && run.escapements->GetXAdvances() != nullptr
                              ? run.escapements->GetX(index)
                              : run.metrics.cellWidth;
  const int32_t width = static_cast<int32_t>(std::max(advance, static_cast<int32_t>(run.metrics.cellWidth)) * scaleX_);
  const int32_t left = x, right = x + std::max(width, 1);
  const int32_t top = y - static_cast<int32_t>(run.metrics.baseline * scaleY_);
  const int32_t bottom = y + static_cast<int32_t>(run.metrics.descent * scaleY_);
  if (right <= 0 || left >= extent.x || bottom <= 0 || top >= extent.y) return 2;
  if (left < 0 || right > extent.x || top < 0 || bottom > extent.y) return 1;
  return 0;
}

void GPcl5e::WriteTextCodes(const GTextString& text, bool transparent) {
  constexpr uint32_t kChunk = 128;
  uint8_t buffer[136];
  uint32_t fill = 0;
  const auto flush = [&] {
    if (transparent) Emit("#1B&p%fA%A0X", static_cast<int32_t>(fill));
    EmitRaw(buffer, static_cast<int32_t>(fill));
    fill = 0;
  };
  for (uint32_t i = 0; i < text.GetLength(); ++i) {
    const uint16_t c = text.GetChar(i);
    if (c < 256) {
      buffer[fill++] = static_cast<uint8_t>(c);
    } else {
      buffer[fill++] = static_cast<uint8_t>(c >> 8);
      buffer[fill++] = static_cast<uint8_t>(c);
    }
    if (fill + 2 >= kChunk) flush();
  }
  flush();
}

void GPcl5e::PrintText(const TextRun& run) {
  const GTextString& T = *run.text;
  const GTextString& S = *run.source;
  const uint32_t n = std::min(T.GetLength(), S.GetLength());
  if (n == 0) return;
  const bool extended = (capabilities_ & kCapText) != 0;
  const bool twoBytes = T.GetCharSize() == 2;
  const int16_t* xs = run.escapements != nullptr ? run.escapements->GetXAdvances() : nullptr;
  const int16_t* ys = run.escapements != nullptr ? run.escapements->GetYAdvances() : nullptr;
  const uint32_t advances = run.escapements != nullptr ? std::min<uint32_t>(run.escapements->GetCount(), n) : 0;
  const auto textPoint = [this](int32_t x, int32_t y, int32_t& tx, int32_t& ty) {
    tx = static_cast<int16_t>(static_cast<int32_t>(x * scaleX_) + offsetX_);
    ty = static_cast<int16_t>(static_cast<int32_t>(y * scaleY_) + offsetY_);
  };

  int32_t tx = 0, ty = 0;
  textPoint(run.x0, run.y0, tx, ty);
  const int c0 = ClassifyGlyph(run, tx, ty, 0);
  bool anyLow = false;
  for (uint32_t i = 0; i < n; ++i) anyLow = anyLow || T.GetChar(i) < 32;
  const bool transparent = textAngle_ == 0.0f && run.metrics.metricInt5 == 1 && c0 == 0 && anyLow;

  // One run that the printer spaces only for a fixed-pitch text that starts
  // inside the page, runs straight and ends inside it.
  bool perCharacter = true;
  if (run.options != 0 && run.metrics.metricInt5 == 1) {
    int32_t sum = 0;
    for (uint32_t i = 0; i < advances && xs != nullptr; ++i) sum += xs[i];
    const int32_t right = PageMedia().GetImageableExtent()->x;
    perCharacter = c0 != 0 || HasNonZeroAdvance(ys, advances) || run.metrics.metricInt7 != 0 || xs == nullptr ||
                   static_cast<int16_t>(tx + sum) > right || run.kind == GDownloadRecord::kBitmapFont;
  }
  if (extended) {
    EnterPclMode(0, false);
    Emit(!twoBytes || run.kind == GDownloadRecord::kPrinterFont || run.asGiven == 1 ? "#1B&t00P" : "#1B&t38P");
  }

  int32_t ax = 0, ay = 0;
  const auto advance = [&](uint32_t i) {
    if (xs != nullptr && i < advances) ax += xs[i];
    if (ys != nullptr && i < advances) ay += ys[i];
  };
  if (textAngle_ != 0.0f && run.kind != GDownloadRecord::kBitmapFont) {
    for (uint32_t i = 0; i < n; ++i) {
      const int32_t x = run.x0 + ax, y = run.y0 + ay;
      const uint16_t c = T.GetChar(i);
      if (!(!twoBytes && c <= 3)) {
        EnterGl2Mode(kGl2SourceTransparency | kGl2MergeControl | kGl2InputWindow);
        SelectPaintWithTransparency(brushKind_, 2, 1);
        PrintLabel(run, i, x, y, true);
      }
      advance(i);
    }
    forceX_ = forceY_ = 1;
    return;
  }

  bool forceX = true, forceY = true, setUp = true, directionReset = false;
  for (uint32_t i = 0; i < n; ++i) {
    const int32_t x = run.x0 + ax, y = run.y0 + ay;
    int32_t px = 0, py = 0;
    textPoint(x, y, px, py);
    const int cls = ClassifyGlyph(run, px, py, i);
    if (cls == 1) {
      EnterGl2Mode(kGl2SourceTransparency | kGl2MergeControl | kGl2InputWindow);
      setUp = true;
      if (textAngle_ != 0.0f && run.kind == GDownloadRecord::kBitmapFont && !directionReset) {
        Emit("DI1,0");
        textAngle_ = 0.0f;
        directionReset = true;
      }
      SelectPaintWithTransparency(brushKind_, 2, 1);
      PrintLabel(run, i, x, y, false);
    } else if (cls == 0 && px >= 0 && py >= 0) {
      if (setUp) {
        EnterPclMode(kPclRasterOperation, false);
        setUp = false;
        SetSourceTransparency(1);
        SelectPaintWithTransparency(brushKind_, 2, 0);
      }
      // PCL's y counts from the top of the logical page, the imageable
      // area starts below it.
      MoveCursor(static_cast<int16_t>(px), static_cast<int16_t>(py + PageMedia().GetImageableOrigin()->y), forceX,
                 forceY);
      uint16_t c = T.GetChar(i);
      if (run.kind == GDownloadRecord::kBitmapFont) SelectFontById(BitmapFontIdOf(run.record, c, &c));
      if (perCharacter || directionReset || textAngle_ != 0.0f) {
        if (!twoBytes || c < 256) {
          if ((c & 0xFF) < 32) Emit("#1B&p1X");
          const auto byte = static_cast<uint8_t>(c);
          EmitRaw(&byte, 1);
        } else {
          const uint8_t bytes[2] = {static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)};
          EmitRaw(bytes, 2);
        }
      } else {
        WriteTextCodes(T, transparent);
        break;
      }
      // The printer has moved the cursor along the text path.
      forceX = textPath_ == 0;
      forceY = textPath_ != 0;
    }
    advance(i);
  }
  // The cursor cache no longer knows where the printer's cursor is.
  forceX_ = forceY_ = 1;
}

void GPcl5e::PrintLabel(const TextRun& run, uint32_t index, int32_t x, int32_t y, bool rotatedPath) {
  // A rotated text's labels use the font and direction its selection set
  // up; a cut character's label selects its font first.
  if (!rotatedPath) {
    Emit("LO21");
    if (run.kind == GDownloadRecord::kPrinterFont && run.record->GetDeviceFont() != nullptr) {
      GDeviceFontDescription& font = *run.record->GetDeviceFont();
      SelectPrinterFont(run.face, font, PrinterEncodingOf(font, run.face, run.text->GetEncoding()), true);
      EnterGl2Mode(0);
    } else {
      uint16_t inFont = 0;
      Emit("FI%fA%A0", run.kind == GDownloadRecord::kBitmapFont
                           ? BitmapFontIdOf(run.record, run.text->GetChar(index), &inFont)
                           : GetSelectedFontId());
      if (run.kind == GDownloadRecord::kOutlineFont)
        Emit("SD4,%f25 2/A+25/i25*100/%F2", HeightCentipoints(run.face->GetHeight()));
      Emit("SS");
    }
  }
  const int32_t m = edgeToEdge_ != 0 ? PageMedia().GetImageableOrigin()->x : 0;
  Emit("PU%fA%A0,%fB%A0", x + m, y);
  uint16_t c = run.text->GetChar(index);
  if (run.kind == GDownloadRecord::kBitmapFont) BitmapFontIdOf(run.record, c, &c);
  const bool twoBytes = run.text->GetCharSize() == 2;
  if (!twoBytes) {
    const uint8_t label[4] = {'L', 'B', static_cast<uint8_t>(c), 3};
    EmitRaw(label, 4);
  } else if (c < 256) {
    if (!rotatedPath) Emit("LM0");
    Emit("LB");
    if (c > 3) {
      const auto byte = static_cast<uint8_t>(c);
      EmitRaw(&byte, 1);
    }
    Emit("#03");
  } else {
    const uint8_t label[] = {'L', 'M', '1', 'L', 'B', static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c), 0, 3};
    EmitRaw(label, sizeof label);
    Emit(rotatedPath ? "LM" : "LM0");
  }
}

int32_t GPcl5e::QueryFontHandling(GFontFace* face) {
  if (face == nullptr) return 128;
  const bool extended = (capabilities_ & kCapText) != 0;
  const GFontMetrics& metrics = face->GetMetrics();
  const GFontDownloadExtras& extras = face->GetDownloadExtras();
  const bool lighter = metrics.weight < static_cast<uint16_t>(extras.extrasShort);
  if (!extended && ((metrics.metricInt4 >= 17 && metrics.metricInt4 <= 23) || lighter ||
                    (metrics.metricInt1 == 0 && extras.extrasInt1 == 1)))
    return 128;
  if (extras.angle2.GetDegrees() != 0.0f && (extras.extrasInt1 == 1 || lighter)) return 128;
  const int32_t kind = face->GetFaceKind();
  int32_t result = ((kind & 2) != 0 ? 16 : 0) + ((kind & 1) != 0 ? 28 : 0) + 4;
  if ((kind & 1) != 0) {
    if (GDeviceFontDescription* font = FindPrinterFont(metrics, nullptr))
      result = font->GetLocation() >= 4 && font->GetLocation() <= 7 ? 72 : 8;
  }
  if (!extended && face->GetLastChar() > 255 && (result & (8 | 64)) == 0) return 128;
  return result;
}

int32_t GPcl5e::QueryTextHandling(const GFontMetrics* metrics, int32_t kind, int32_t selector, const char** outText,
                                  int32_t italic, int32_t weight, GDeviceFontDescription** outDescription) {
  if (outText != nullptr) *outText = nullptr;
  if (metrics == nullptr) return 128;
  const bool extended = (capabilities_ & kCapText) != 0;
  if (metrics->weight < weight || (italic != 0 && metrics->metricInt1 == 0) ||
      (!extended && metrics->metricInt4 >= 17 && metrics->metricInt4 <= 23))
    return 128;
  int32_t result = kind == 0 ? 32 : (kind == 1 || kind == 2) ? 48 : 4;
  if (result == 32 || result == 48) {
    GFontMetrics wanted = *metrics;
    wanted.weight = static_cast<uint16_t>(weight);
    wanted.metricInt1 = italic;
    GDeviceFontList* list = nullptr;
    if (GDeviceFontDescription* found = FindPrinterFont(wanted, &list)) {
      if (outText != nullptr) {
        if (selector == 0 && found->GetFontId() != 0)
          *outText = list->LookupFirst(found->GetFontId());
        else if (selector == 1)
          *outText = list->LookupSecond(metrics->metricInt4);
      }
      if (outDescription != nullptr) *outDescription = found;
      result = found->GetLocation() >= 4 && found->GetLocation() <= 7 ? 72 : 8;
    }
  }
  if (!extended && metrics->lastChar >= 256 && (result & (8 | 64)) == 0) return 128;
  return result;
}
