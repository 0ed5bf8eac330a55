// The PCL XL generator's text: for each text graphic, the font that prints
// it (a printer-resident font that stands in for the face, or the face
// downloaded), the text in that font's encoding, the font and character
// attributes written only where they differ from the printer's text state,
// and the text with its advances. Also the font and text queries the print
// path asks before it builds text.
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <memory>

#include "graphics/GFontFaceHandle.h"
#include "graphics/GTextString.h"
#include "graphics/GTextStringGraphic.h"
#include "graphics/GTransformAttribute.h"
#include "model/GDeviceFontDescription.h"
#include "model/GDeviceFontList.h"
#include "model/GDeviceFontListComposite.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GState.h"
#include "pdl/GCheetahDownloadRecord.h"
#include "pdl/XLOperators.h"
#include "pdl/cheetah.h"

namespace {

constexpr RWClassID kTextTransformClassId = 103;
constexpr uint32_t kTextScaleBitmapsByPage = 0x10000;
constexpr float kBoldValue = 0.015f;
constexpr float kItalicShear = 0.31623f;
// The name the text state takes when its font leaves the printer: no font
// of that name exists, so the next text selects its font again.
const char kNoFont[] = "No Font";

// The request the device-font predicate compares with; set only for the
// walk of one search on this thread.
thread_local const GFontMetrics* tMatchRequest = nullptr;

int MatchesRequest(GDeviceFontDescription* font, int) {
  return GCheetah::MatchDeviceFont(font, tMatchRequest);
}

// The first device font of the lists that matches the request, and its
// list; null when none does.
GDeviceFontDescription* WalkDeviceFonts(GDeviceFontListComposite* lists, const GFontMetrics& request,
                                        GDeviceFontList** inList = nullptr) {
  if (lists == nullptr) return nullptr;
  const GCountedPtrVector& children = lists->Lists().Children();
  tMatchRequest = &request;
  GDeviceFontDescription* found = nullptr;
  for (size_t i = 0; i < children.Count() && found == nullptr; ++i) {
    auto* list = dynamic_cast<GDeviceFontList*>(children.At(i)->Pointee());
    if (list == nullptr) continue;
    GDeviceFontDescription* match = nullptr;
    if (list->FindFontWhere(&MatchesRequest, 0, match) != 0 && match != nullptr) {
      found = match;
      if (inList != nullptr) *inList = list;
    }
  }
  tMatchRequest = nullptr;
  return found;
}

// Pages of 256 characters and the extra flag, as the font download counts
// them.
uint32_t DeviceFontUnits(uint16_t n) { return n < 256 ? 1 : (n + 255u) / 256u + 1; }

bool ContainsSymbolSet(const GDeviceFontDescription* d, int32_t set) {
  const auto& sets = d->GetSymbolSets();
  for (size_t i = 0; i < sets.Count(); ++i)
    if (*sets.At(i) == set) return true;
  return false;
}

// "#HEIGHT", "#PITCH" and "#WIDTH" in a printer font's selection command.
RWCString FillSelectionCommand(const RWCString& command, float size, uint16_t resolution) {
  std::string text(command.Data(), command.Length());
  const int32_t pixels = static_cast<int32_t>(size);
  const int32_t hundredths = resolution != 0 ? 7200 * pixels / resolution : 0;
  // The height in points to a quarter point, as the PCL 5e device fonts are
  // selected.
  const int32_t rounded = (hundredths + 12) / 25 * 25;
  char height[32];
  std::snprintf(height, sizeof height, "%.2f", rounded / 100.0);
  char pitch[32];
  std::snprintf(pitch, sizeof pitch, "%.2f", rounded > 0 ? 12000.0 / rounded : 0.0);
  for (const auto& [key, value] : {std::pair<const char*, const char*>{"#HEIGHT", height},
                                   {"#PITCH", pitch}, {"#WIDTH", pitch}}) {
    const size_t at = text.find(key);
    if (at != std::string::npos) text.replace(at, std::strlen(key), value);
  }
  return RWCString(text.c_str(), text.size());
}

}  // namespace

// ---- Device fonts ----

int GCheetah::MatchDeviceFont(const GDeviceFontDescription* d, const GFontMetrics* r) {
  if (d == nullptr || r == nullptr) return 0;
  if (d->GetWeight() != r->weight || d->GetStyle() != r->metricInt1 || !ContainsSymbolSet(d, r->metricInt4)) return 0;
  if (d->GetScalability() == 0 &&
      (d->GetHeight() != r->height || r->metricReal1 != 1.0f || r->metricReal2 != 1.0f))
    return 0;
  return d->GetName() == r->name ? 1 : 0;
}

GDownloadHandle* GCheetah::FindDeviceFont(GFontFaceHandle* face) {
  if (face == nullptr || (face->GetFlags() & 1) != 0) return nullptr;
  GDeviceFontDescription* d = WalkDeviceFonts(GetDeviceFontList(), face->GetMetrics());
  if (d == nullptr) return nullptr;
  auto* handle = new GCheetahDownloadHandle(this);
  handle->SetKind(GDownloadRecord::kPrinterFont);
  handle->SetDeviceFont(d);
  const uint16_t n = static_cast<uint16_t>(face->GetLastChar() - face->GetFirstChar() + 1);
  handle->ChargeMemory((budget_.GetOverheadKB() + DeviceFontUnits(n)) * 1024);
  if (GDownloadCache* cache = GetDownloadCache())
    cache->Add(face->GetMetrics(), face->GetDownloadExtras(), handle->Clone());
  face->SetDownloadInfo(handle);
  return handle;
}

int32_t GCheetah::QueryFontHandling(GFontFace* face) {
  if (face == nullptr) return 4;
  const int32_t kind = face->GetFaceKind();
  int32_t r = (kind & 2) != 0 ? 16 : 0;
  if ((kind & 1) == 0) return r + 4;
  r += 32;
  if (GDeviceFontDescription* d = WalkDeviceFonts(GetDeviceFontList(), face->GetMetrics()))
    r = d->GetLocation() >= 4 && d->GetLocation() <= 7 ? 72 : 8;
  return r;
}

int32_t GCheetah::QueryTextHandling(const GFontMetrics* metrics, int32_t kind, int32_t selector, const char** outText,
                                    int32_t, int32_t, GDeviceFontDescription** outDescription) {
  if (outText != nullptr) *outText = nullptr;
  int32_t r = 0;
  if (kind == 0)
    r = 32;
  else if (kind == 1 || kind == 2)
    r = 48;
  else
    return 4;
  if (outDescription != nullptr) *outDescription = nullptr;
  if (metrics == nullptr) return r;
  GDeviceFontList* list = nullptr;
  GDeviceFontDescription* d = WalkDeviceFonts(GetDeviceFontList(), *metrics, &list);
  if (d == nullptr) return r;
  if (outText != nullptr) {
    if (selector == 0 && d->GetFontId() != 0)
      *outText = list->LookupFirst(d->GetFontId());
    else if (selector == 1)
      *outText = list->LookupSecond(metrics->metricInt4);
  }
  if (outDescription != nullptr) *outDescription = d;
  return d->GetLocation() >= 4 && d->GetLocation() <= 7 ? 72 : 8;
}

int16_t GCheetah::LookupStyleCode(int16_t n) {
  static const int16_t kCodes[16] = {204, 1, 2, 3, 84, 221, 86, 87, 168, 169, 170, 171, 252, 253, 252, 51};
  return kCodes[static_cast<uint16_t>(n - 1) & 15];
}

// ---- Selections ----

void GCheetah::SelectDeviceFont(GFontFaceHandle* face, const GDeviceFontDescription* d, int32_t encoding) {
  FontSelection s;
  s.name = d->GetSelectString();
  s.size = face->GetHeight();
  s.symbolSet = GetSymbolSet(encoding);
  if (d->GetScalability() == 1) {
    const GFontMetrics& m = face->GetMetrics();
    const GFontDownloadExtras& e = face->GetDownloadExtras();
    s.bold = static_cast<uint16_t>(e.extrasShort) > d->GetWeight() ? kBoldValue : 0.0f;
    if (d->GetStyle() == 0 && e.extrasInt1 != 0) s.shearX = kItalicShear;
    s.scaleX = m.metricReal1;
    s.scaleY = m.metricReal2;
    s.angle = e.angle2.GetDegrees();
    s.subMode = s.writingMode = m.metricInt7 == 1 ? 1 : 0;
  }
  ApplyFontSelection(s);
}

void GCheetah::SelectTrueTypeFont(GFontFaceHandle* face, int32_t glyphEncoding) {
  auto* record = dynamic_cast<GDownloadHandle*>(face->GetDownloadInfo());
  const GFontMetrics& m = face->GetMetrics();
  const GFontDownloadExtras& e = face->GetDownloadExtras();
  FontSelection s;
  s.name = record != nullptr ? record->GetName() : RWCString();
  s.size = m.height;
  s.symbolSet = GetSymbolSet(glyphEncoding);
  s.bold = static_cast<uint16_t>(e.extrasShort) > m.weight ? kBoldValue : 0.0f;
  if (m.metricInt1 == 0 && e.extrasInt1 != 0) s.shearX = kItalicShear;
  s.scaleX = m.metricReal1;
  s.scaleY = m.metricReal2;
  s.angle = e.angle2.GetDegrees();
  s.writingMode = m.metricInt7 == 1 ? 1 : 0;
  ApplyFontSelection(s);
}

void GCheetah::SelectBitmapFont(GScaledFont& face, int32_t glyphEncoding) {
  auto* record = dynamic_cast<GDownloadHandle*>(face.GetDownloadInfo());
  FontSelection s;
  s.name = record != nullptr ? record->GetName() : RWCString();
  s.size = face.GetHeight();
  s.symbolSet = GetSymbolSet(glyphEncoding);
  ApplyFontSelection(s);
}

void GCheetah::ApplyFontSelection(const FontSelection& s) {
  FontSelection& t = textState_;
  if (s.bold != t.bold) {
    t.bold = s.bold;
    XLSetCharBoldValue(S(), s.bold);
  }
  if (s.shearX != t.shearX || s.shearY != t.shearY || s.scaleX != t.scaleX || s.scaleY != t.scaleY ||
      s.angle != t.angle) {
    t.shearX = s.shearX;
    t.shearY = s.shearY;
    t.scaleX = s.scaleX;
    t.scaleY = s.scaleY;
    t.angle = s.angle;
    XLSetCharShearReal(S(), s.shearX, s.shearY);
    XLSetCharScale(S(), s.scaleX, s.scaleY);
    XLSetCharAngleReal(S(), s.angle);
  }
  if (s.subMode != t.subMode) {
    t.subMode = s.subMode;
    XLSetCharSubMode(S(), &s.subMode, 1);
  }
  if (s.writingMode != t.writingMode) {
    t.writingMode = s.writingMode;
    XLSetCharAttributes(S(), s.writingMode);
  }
  if (s.name == t.name && s.size == t.size && s.symbolSet == t.symbolSet) return;
  t.name = s.name;
  t.size = s.size;
  t.symbolSet = s.symbolSet;
  const bool command = s.name.IndexOfChar('\x1b') != RW_NPOS;
  if (!command) {
    XLSetFont(S(), reinterpret_cast<const uint8_t*>(s.name.Data()), static_cast<uint32_t>(s.name.Length()),
              s.size > 0.0f ? s.size : 0.000001f, s.symbolSet);
  } else {
    const RWCString filled = FillSelectionCommand(s.name, s.size, yResolution_);
    XLSetFontPCL(S(), reinterpret_cast<const uint8_t*>(filled.Data()), static_cast<uint32_t>(filled.Length()));
  }
}

// ---- Writing ----

void GCheetah::WriteText(GShortPoint position, const GTextString& text, const GTextEscapements* escapements) {
  if (edgeToEdge_ != 0) {
    static const GMedia* const kDefaultMedia = new GMedia;
    const GMedia* media = GetPageMedia() != nullptr ? GetPageMedia() : kDefaultMedia;
    position.x = static_cast<int16_t>(position.x + media->GetImageableOrigin()->x);
  }
  XLSetCursorS16(S(), position.x, position.y);
  const int16_t* x = escapements != nullptr ? escapements->GetXAdvances() : nullptr;
  const int16_t* y = escapements != nullptr ? escapements->GetYAdvances() : nullptr;
  // The spacing arrays hold one advance a character: an escapement with
  // fewer gives none.
  const uint32_t count = text.GetLength();
  if (escapements == nullptr || escapements->GetCount() < count) x = y = nullptr;
  if (text.GetCharSize() == 1 && text.GetBytes() != nullptr)
    XLText(S(), text.GetBytes(), count, x, y);
  else if (text.GetCharSize() == 2 && text.GetWideChars() != nullptr)
    XLText16(S(), text.GetWideChars(), count, x, y);
}

void GCheetah::GetPageScale(float* x, float* y) {
  *x = 1.0f;
  *y = 1.0f;
  GState* current = GetCurrentState();
  auto* graphics = current != nullptr ? dynamic_cast<GState*>(current->FindById(GFeatureIds::kGraphicsState)) : nullptr;
  auto* transform =
      graphics != nullptr ? dynamic_cast<GTransformAttribute*>(graphics->FindByClass(kTextTransformClassId)) : nullptr;
  if (transform == nullptr) return;
  GRealPair scale;
  transform->GetScale(scale);
  if (scale.x != 0.0f) *x = scale.x;
  if (scale.y != 0.0f) *y = scale.y;
}

int16_t GCheetah::RemoveDownloadedFont(const RWCString& fontName) {
  XLRemoveFont(S(), reinterpret_cast<const uint8_t*>(fontName.Data()), static_cast<uint32_t>(fontName.Length()));
  if (fontName == textState_.name) textState_.name = kNoFont;
  // Called in the middle of other operations (a font released to make
  // room): the write status stays for the operation that runs.
  return static_cast<int16_t>(writeStatus_);
}

int16_t GCheetah::DrawText(GGraphic* graphic) {
  auto* text = dynamic_cast<GTextStringGraphic*>(graphic);
  if (pathDepth_ <= 0) XLNewPath(S());
  const bool transparent = (brushSource_ == kSourceSolid || brushSource_ == kSourcePatternNoBackground) &&
                           transparency_ == 1;
  if (transparent) {
    XLSetPatternTxMode(S(), 0);
    XLSetSourceTxMode(S(), 0);
  }
  GFontFaceHandle* face = text != nullptr ? text->GetFont() : nullptr;
  GTextString* string = text != nullptr ? text->GetText() : nullptr;
  if (face != nullptr && string != nullptr) {
    if (GetDownloadCache() == nullptr || GetGlyphCodeAllocator() == nullptr) NewDownloadState();
    const int32_t t = string->GetEncoding();
    auto* record = dynamic_cast<GDownloadHandle*>(face->GetDownloadInfo());
    if (face->GetDownloadInfo() != nullptr && (record == nullptr || record->IsValid() == 0)) {
      delete face->DetachDownloadInfo();
      record = nullptr;
    }
    if (record == nullptr && GetDownloadCache() != nullptr) record = GetDownloadCache()->Find(face);
    if (record == nullptr && t != textenc::kGlyphIndex) record = FindDeviceFont(face);
    if (record == nullptr) record = DownloadFont(face, GetDownloadEncoding(t), t);

    float sx = 1.0f;
    float sy = 1.0f;
    if ((face->GetDownloadExtras().extrasWord & kTextScaleBitmapsByPage) != 0) GetPageScale(&sx, &sy);
    GGlyphCodeAllocator* codes = GetGlyphCodeAllocator();
    const GShortPoint at = text->GetOrigin();
    switch (record != nullptr ? record->GetKind() : 0) {
      case GDownloadRecord::kPrinterFont: {
        GDeviceFontDescription* d = record->GetDeviceFont();
        if (d == nullptr) break;
        int32_t c = 0;
        bool unchanged = false;
        if (ContainsSymbolSet(d, t) || (t == textenc::kUnicode && d->GetSymbolSet() == 16)) {
          c = t;
          unchanged = true;
        }
        if (t == textenc::kSymbol && (d->GetSymbolSet() == 53 || d->GetSymbolSet() == 55 || d->GetSymbolSet() == 54)) {
          c = d->GetSymbolSet();
          unchanged = true;
        }
        if (!unchanged) c = face->GetMetrics().metricInt4;
        SelectDeviceFont(face, d, c);
        if (unchanged || c == t) {
          WriteText(at, *string, text->GetEscapements());
        } else {
          const GTextString converted(*string, c, codes);
          WriteText(at, converted, text->GetEscapements());
        }
        break;
      }
      case GDownloadRecord::kOutlineFont:
      case GDownloadRecord::kBitmapFont: {
        // The characters go in the font's glyph encoding: the text itself
        // when the encodings agree, else its conversion.
        const int32_t c = record->GetGlyphEncoding();
        std::unique_ptr<GTextString> converted;
        if (c != t) converted = std::make_unique<GTextString>(*string, c, codes);
        const GTextString& sent = converted != nullptr ? *converted : *string;
        if (record->GetKind() == GDownloadRecord::kOutlineFont) {
          DownloadTrueTypeChars(face, *string, sent);
          SelectTrueTypeFont(face, c);
        } else {
          GScaledFont scaled(face, sx, sy);
          DownloadBitmapChars(scaled, *string, sent);
          SelectBitmapFont(scaled, c);
        }
        WriteText(at, sent, text->GetEscapements());
        record->SetUseStamp(NextUseStamp());
        break;
      }
      default:
        break;
    }
  }
  if (transparent) {
    XLSetPatternTxMode(S(), 1);
    XLSetSourceTxMode(S(), 1);
  }
  return TakeWriteStatus();
}
