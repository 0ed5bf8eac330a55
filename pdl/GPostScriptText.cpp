// The PostScript generator's text path: which font serves a text (a
// printer font re-encoded for the text's code page, or a font the generator
// downloads), the font selections and the string shows, and the answers to
// the font and text handling queries.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "driver/GCodePageConverter.h"
#include "graphics/GFontFaceHandle.h"
#include "graphics/GTextString.h"
#include "graphics/GTextStringGraphic.h"
#include "model/GDeviceFontDescription.h"
#include "model/GDeviceFontList.h"
#include "model/GDeviceFontListComposite.h"
#include "model/MPersistentIterator.h"
#include "pdl/GPostScript.h"
#include "pdl/GPostScriptDownloadRecord.h"
#include "pdl/PSFontProcSets.h"

namespace {

constexpr int32_t kPrinterFontListId = 424;

bool IsSymbolFontEncoding(int32_t e) { return e >= 53 && e <= 55; }

bool IsSingleByteCodePage(int32_t e) { return (e >= 4 && e <= 9) || e == 12 || e == 14 || e == 15; }

}  // namespace

// ---- Printer fonts ----

bool GPostScript::MatchesPrinterFont(const GDeviceFontDescription& d, const GFontMetrics& m) {
  if (d.GetWeight() != m.weight || d.GetStyle() != m.metricInt1) return false;
  bool encoding = false;
  const auto& sets = d.GetSymbolSets();
  for (size_t i = 0; i < sets.Count(); ++i)
    if (*sets.At(i) == m.metricInt4) encoding = true;
  if (!encoding) return false;
  if (d.GetScalability() == 0 &&
      (d.GetHeight() != m.height || m.metricReal1 != 1.0f || m.metricReal2 != 1.0f))
    return false;
  // The description's names each end in a comma.
  const std::string names(d.GetName().Data());
  const std::string wanted = std::string(m.name.Data()) + ",";
  for (size_t at = names.find(wanted); at != std::string::npos; at = names.find(wanted, at + 1))
    if (at == 0 || names[at - 1] == ',') return true;
  return false;
}

GDeviceFontDescription* GPostScript::FindPrinterFont(const GFontMetrics& metrics, GDeviceFontList** listOut) const {
  GDeviceFontListComposite* lists = GetDeviceFontList();
  if (lists == nullptr) return nullptr;
  // The list's search takes a plain predicate: the metrics reach it
  // through this thread's slot.
  thread_local const GFontMetrics* wanted = nullptr;
  const GFontMetrics* saved = wanted;
  wanted = &metrics;
  GDeviceFontDescription* found = nullptr;
  std::unique_ptr<MPersistentIterator> it(lists->CreateIterator());
  while (found == nullptr && it != nullptr && it->Advance() != 0) {
    auto* list = dynamic_cast<GDeviceFontList*>(it->Current());
    if (list == nullptr || (fontOption571_ == 2 && list->FeatureId() != kPrinterFontListId)) continue;
    list->FindFontWhere([](GDeviceFontDescription* d, int) { return MatchesPrinterFont(*d, *wanted) ? 1 : 0; }, 0,
                        found);
    if (found != nullptr && listOut != nullptr) *listOut = list;
  }
  wanted = saved;
  return found;
}

GDownloadHandle* GPostScript::CreatePrinterFontRecord(GFontFaceHandle* face) {
  if ((face->GetFlags() & 1) != 0) return nullptr;
  GDeviceFontDescription* description = FindPrinterFont(face->GetMetrics());
  if (description == nullptr) return nullptr;
  GDownloadHandle* record = NewRecord(face, face->GetName(), GDownloadRecord::kPrinterFont, 0);
  record->SetDeviceFont(description);
  const int32_t span = face->GetLastChar() - face->GetFirstChar();
  const uint32_t pages = span + 1 > 255 ? static_cast<uint32_t>((span >> 8) + 1) + 1 : 1;
  record->ChargeMemory((GetMemoryBudget().GetOverheadKB() + pages) * 1024);
  return record;
}

int32_t GPostScript::MapGlyphEncoding(int32_t encoding) {
  return encoding == textenc::kGlyphIndex || (encoding >= 16 && encoding <= 23) ? textenc::kGlyphCode : encoding;
}

void GPostScript::WriteGlyphMapping(int32_t encoding) {
  auto* cache = dynamic_cast<GPostScriptDownloadCache*>(GetDownloadCache());
  const int32_t mapping = psfonts::MappingForEncoding(encoding);
  if (cache != nullptr && cache->HasMapping(static_cast<uint32_t>(mapping))) return;
  if (applicationMode_ == 0) {
    writer_->WriteText(psfonts::GlyphMapping(mapping));
    writer_->WriteText("\r\n");
  }
  if (cache != nullptr) cache->AddMapping(static_cast<uint32_t>(mapping));
}

namespace {

// The text in one byte per code of a code page the printer font lists, or
// empty: symbol texts keep their low bytes; Unicode texts take the first
// single-byte Windows code page of the list (from the current one on) that
// converts every character.
std::vector<uint8_t> ConvertToPrinterEncoding(const std::vector<uint16_t>& codes,
                                              const GDeviceFontDescription& description, int32_t e,
                                              int32_t currentMapping, int32_t& resultEncoding) {
  std::vector<uint8_t> out;
  resultEncoding = 0;
  if (e == textenc::kSymbol || IsSymbolFontEncoding(e)) {
    for (uint16_t c : codes) out.push_back(static_cast<uint8_t>(c & 0xFF));
    resultEncoding = e;
    return out;
  }
  if (e != textenc::kUnicode) return out;
  const auto& list = description.GetSymbolSets();
  const size_t n = list.Count();
  if (n == 0) return out;
  size_t first = 0;
  for (size_t i = 0; i < n; ++i)
    if (*list.At(i) == currentMapping) {
      first = i;
      break;
    }
  GCodePageConverter* converter = GetCodePageConverter();
  for (size_t step = 0; step < n; ++step) {
    const int32_t candidate = *list.At((first + step) % n);
    if (!IsSingleByteCodePage(candidate)) continue;
    std::vector<uint8_t> bytes;
    bool ok = true;
    for (uint16_t c : codes) {
      if (c < 128) {
        bytes.push_back(static_cast<uint8_t>(c));
        continue;
      }
      const uint32_t b = converter != nullptr ? converter->FromUnicode(c, candidate) : 0;
      if (b < 128 || b > 255) {
        ok = false;
        break;
      }
      bytes.push_back(static_cast<uint8_t>(b));
    }
    if (ok) {
      resultEncoding = candidate;
      return bytes;
    }
  }
  return out;
}

}  // namespace

// ---- Finding the font of a text ----

GDownloadHandle* GPostScript::FindDownloadRecord(GFontFaceHandle* face, int32_t encoding) {
  GFaceDownloadInfo* info = face->GetDownloadInfo();
  auto* own = dynamic_cast<GDownloadHandle*>(info);
  if (own != nullptr && own->IsValid() != 0 && own->GetRecord()->GetGenerator() == this) return own;
  if (info != nullptr) delete face->DetachDownloadInfo();
  EnsureDownloadState();
  if (GDownloadHandle* cached = GetDownloadCache()->Find(face)) return cached;
  if (encoding != textenc::kGlyphIndex)
    if (GDownloadHandle* printer = CreatePrinterFontRecord(face)) return printer;
  return ChooseFontFormat(face, MapGlyphEncoding(encoding));
}

GDownloadHandle* GPostScript::NewRecord(GFontFaceHandle* face, const RWCString& name, int32_t kind,
                                        int32_t glyphEncoding) {
  EnsureDownloadState();
  auto* handle = new GPostScriptDownloadHandle(this);
  handle->SetName(name);
  handle->SetKind(kind);
  handle->SetGlyphEncoding(glyphEncoding);
  handle->SetFaceFontNumber(face->GetFontNumber());
  auto* faceHandle = static_cast<GPostScriptDownloadHandle*>(handle->Clone());
  if (GFaceDownloadInfo* old = face->DetachDownloadInfo()) delete old;
  face->SetDownloadInfo(faceHandle);
  GetDownloadCache()->Add(face->GetMetrics(), face->GetDownloadExtras(), handle);
  return faceHandle;
}

// ---- Drawing ----

int16_t GPostScript::DrawText(GGraphic* graphic) {
  auto* text = dynamic_cast<GTextStringGraphic*>(graphic);
  GFontFaceHandle* face = text != nullptr ? text->GetFont() : nullptr;
  GTextString* string = text != nullptr ? text->GetText() : nullptr;
  if (face == nullptr || face->GetFace() == nullptr || string == nullptr || string->GetLength() == 0)
    return static_cast<int16_t>(TakeStatus());
  EnsureStreamStarted(1);
  if (IsInsidePath() == 0) writer_->WriteOperator("O", false);

  int32_t e = string->GetEncoding();
  const uint32_t n = string->GetLength();
  std::vector<uint16_t> codes(n);
  for (uint32_t i = 0; i < n; ++i) codes[i] = string->GetChar(i);
  const int32_t bytesPerCode = string->GetCharSize() == 2 ? 2 : 1;
  GTextEscapements* advances = text->GetEscapements();
  const int16_t* xAdvances = advances != nullptr && advances->GetCount() >= n ? advances->GetXAdvances() : nullptr;
  const int16_t* yAdvances = advances != nullptr && advances->GetCount() >= n ? advances->GetYAdvances() : nullptr;
  const GShortPoint position = text->GetOrigin();

  GDownloadHandle* record = FindDownloadRecord(face, e);
  if (record == nullptr) return static_cast<int16_t>(TakeStatus());
  // Faces that share a record share its font number.
  if (auto* ps = dynamic_cast<GPostScriptDownloadHandle*>(record)) face->SetFontNumber(ps->GetFaceFontNumber());

  switch (record->GetKind()) {
    case GDownloadRecord::kPrinterFont: {
      GDeviceFontDescription* description = record->GetDeviceFont();
      if (description == nullptr) break;
      if (e == textenc::kSymbol && IsSymbolFontEncoding(description->GetSymbolSet())) e = description->GetSymbolSet();
      if (bytesPerCode == 1) {
        if (e != currentMapping_) {
          currentMapping_ = e;
          WriteGlyphMapping(e);
        }
        ShowTextRuns(face, record, currentMapping_, position, codes.data(), n, 1, xAdvances, yAdvances);
        break;
      }
      int32_t converted = 0;
      std::vector<uint8_t> bytes = ConvertToPrinterEncoding(codes, *description, e, currentMapping_, converted);
      if (bytes.empty() || converted == 0) break;
      if (converted != currentMapping_) {
        currentMapping_ = converted;
        WriteGlyphMapping(converted);
      }
      std::vector<uint16_t> narrow(bytes.begin(), bytes.end());
      ShowTextRuns(face, record, currentMapping_, position, narrow.data(), n, 1, xAdvances, yAdvances);
      break;
    }
    case GDownloadRecord::kBitmapFont:
    case GDownloadRecord::kOutlineFont: {
      const int32_t g = record->GetGlyphEncoding();
      std::vector<uint16_t> glyphCodes = codes;
      if (g != e) {
        GTextString converted(*string, g, GetGlyphCodeAllocator());
        for (uint32_t i = 0; i < n; ++i) glyphCodes[i] = i < converted.GetLength() ? converted.GetChar(i) : 0;
      }
      if (record->GetKind() == GDownloadRecord::kBitmapFont)
        AddBitmapGlyphs(face, record, codes.data(), glyphCodes.data(), n);
      else
        AddType1Glyphs(face, record, codes.data(), glyphCodes.data(), n, e);
      ShowTextRuns(face, record, g, position, glyphCodes.data(), n, bytesPerCode, xAdvances, yAdvances);
      record->SetUseStamp(NextUseStamp());
      break;
    }
    case GDownloadRecord::kType42Font:
      AddType42Glyphs(face, record, codes.data(), n, e);
      ShowTextRuns(face, record, record->GetGlyphEncoding(), position, codes.data(), n, bytesPerCode, xAdvances,
                   yAdvances);
      record->SetUseStamp(NextUseStamp());
      break;
    default:
      break;
  }
  return static_cast<int16_t>(TakeStatus());
}

void GPostScript::SelectTextFont(GFontFaceHandle* face, GDownloadHandle* record, int32_t encoding, int32_t subFont) {
  char name[300];
  if (record->GetKind() == GDownloadRecord::kPrinterFont) {
    const GDeviceFontDescription* d = record->GetDeviceFont();
    std::snprintf(name, sizeof name, "(%.240s%03d)", d != nullptr ? d->GetSelectString().Data() : "",
                  static_cast<int>(psfonts::MappingForEncoding(encoding)));
  } else {
    std::snprintf(name, sizeof name, "/F%03d%03d", static_cast<int>(FontNumberOf(record->GetName())),
                  static_cast<int>(subFont));
  }
  const GFontMetrics& m = face->GetMetrics();
  const GFontDownloadExtras& x = face->GetDownloadExtras();
  const float size = static_cast<float>(face->GetHeight());
  float angle = face->GetAngle2().GetDegrees();
  if (record->GetKind() == GDownloadRecord::kOutlineFont && x.extrasWord == 2) angle = 0.0f;
  const float slant = m.metricInt1 == 0 && x.extrasInt1 != 0 && x.extrasWord != 4 ? 0.31623f : 0.0f;
  if (record->GetKind() == GDownloadRecord::kBitmapFont)
    writer_->SelectFont(name, size, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f);
  else
    writer_->SelectFont(name, size, slant, 0.0f, m.metricReal1, m.metricReal2, angle);
}

void GPostScript::ShowTextRuns(GFontFaceHandle* face, GDownloadHandle* record, int32_t encoding,
                               GShortPoint position, const uint16_t* codes, uint32_t count, int32_t bytesPerCode,
                               const int16_t* xAdvances, const int16_t* yAdvances) {
  if (count == 0) return;
  const int32_t kind = record->GetKind();
  int32_t bold = 0;
  const int16_t wanted = face->GetDownloadExtras().extrasShort;
  if ((kind == GDownloadRecord::kOutlineFont || kind == GDownloadRecord::kType42Font) && wanted >= 600 &&
      wanted > static_cast<int16_t>(face->GetMetrics().weight))
    bold = static_cast<int32_t>(static_cast<float>(face->GetHeight()) * 0.0299f);
  writer_->WriteText("BRUSH_TYPE psisfill pop\r\n");
  if (bytesPerCode == 1) {
    WritePoint(position);
    writer_->WriteOperator("Q", false);
    SelectTextFont(face, record, encoding, 0);
    std::vector<uint8_t> bytes(count);
    for (uint32_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(codes[i] & 0xFF);
    writer_->ShowText(bytes.data(), count, xAdvances, yAdvances, 1, bold);
    return;
  }
  // One pass per sub-font, in the order the sub-fonts first occur; each
  // code's advance takes in the codes of other sub-fonts that follow it,
  // so every pass puts its glyphs where they belong.
  std::vector<bool> shown(count, false);
  uint32_t start = 0;
  GShortPoint at = position;
  for (;;) {
    const uint16_t sub = static_cast<uint16_t>(codes[start] >> 8);
    std::vector<uint8_t> bytes;
    std::vector<int16_t> xs;
    std::vector<int16_t> ys;
    int64_t nx = at.x;
    int64_t ny = at.y;
    int64_t px = at.x;
    int64_t py = at.y;
    uint32_t next = count;
    for (uint32_t k = start; k < count; ++k) {
      if (next == count && !shown[k] && (codes[k] >> 8) != sub) {
        next = k;
        nx = px;
        ny = py;
      }
      if (!shown[k] && (codes[k] >> 8) == sub) {
        bytes.push_back(static_cast<uint8_t>(codes[k] & 0xFF));
        xs.push_back(xAdvances != nullptr ? xAdvances[k] : 0);
        ys.push_back(yAdvances != nullptr ? yAdvances[k] : 0);
        shown[k] = true;
      } else if (!bytes.empty()) {
        if (xAdvances != nullptr) xs.back() = static_cast<int16_t>(xs.back() + xAdvances[k]);
        if (yAdvances != nullptr) ys.back() = static_cast<int16_t>(ys.back() + yAdvances[k]);
      }
      if (xAdvances != nullptr) px += xAdvances[k];
      if (yAdvances != nullptr) py += yAdvances[k];
    }
    WritePoint(at);
    writer_->WriteOperator("Q", false);
    SelectTextFont(face, record, encoding, sub);
    writer_->ShowText(bytes.data(), static_cast<uint32_t>(bytes.size()), xAdvances != nullptr ? xs.data() : nullptr,
                      yAdvances != nullptr ? ys.data() : nullptr, 1, bold);
    if (next == count) break;
    start = next;
    if (xAdvances != nullptr || yAdvances != nullptr)
      at = GShortPoint(static_cast<int16_t>(nx), static_cast<int16_t>(ny));
    else
      at = position;
  }
}

// ---- Queries ----

int32_t GPostScript::QueryFontHandling(GFontFace* face) {
  if (face == nullptr) return 4;
  const int32_t encoding = face->GetDownloadExtras().encoding;
  if (encoding >= 17 && encoding <= 23) return 128;
  const int32_t kind = face->GetFaceKind();
  const bool outlines = (kind & 2) != 0;
  int32_t result = 0;
  if (face->GetMetrics().metricInt7 == 1) {
    if (outlines) return 128;
  } else if (outlines) {
    result = 16;
  }
  if ((kind & 1) == 0) return result + 4;
  result += 32;
  if (FindPrinterFont(face->GetMetrics()) != nullptr) result = 8;
  return result;
}

int32_t GPostScript::QueryTextHandling(const GFontMetrics* metrics, int32_t kind, int32_t selector,
                                       const char** outText, int32_t, int32_t,
                                       GDeviceFontDescription** outDescription) {
  if (outText != nullptr) *outText = nullptr;
  if (metrics == nullptr) return 4;
  if (metrics->metricInt7 == 1 && (kind == 1 || kind == 2)) return 128;
  if (metrics->metricInt4 >= 17 && metrics->metricInt4 <= 23) return 128;
  int32_t result = kind == 0 ? 32 : kind == 1 || kind == 2 ? 48 : 4;
  if (result == 4) return 4;
  GDeviceFontList* list = nullptr;
  GDeviceFontDescription* found = FindPrinterFont(*metrics, &list);
  if (found == nullptr) return result;
  if (outText != nullptr && list != nullptr) {
    if (selector == 0 && found->GetFontId() != 0)
      *outText = list->LookupFirst(found->GetFontId());
    else if (selector == 1)
      *outText = list->LookupSecond(metrics->metricInt4);
  }
  if (outDescription != nullptr) *outDescription = found;
  return 8;
}
