// GPcl5e font selection: printer-resident fonts matched against a face and
// selected by the command text their description carries, scaled to the
// face's height; TrueType soft fonts scaled and selected by id, with bold
// and italic simulated by the printer; bitmap soft fonts selected by id.
// Rotated text goes through GL/2, so each selection has a GL/2 form. A
// memory of the current font keeps a selection in force from being sent
// again.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/GFontFaceHandle.h"
#include "graphics/GTextString.h"
#include "model/GDeviceFontDescription.h"
#include "model/GDeviceFontList.h"
#include "model/GDeviceFontListComposite.h"
#include "pdl/GPcl5e.h"
#include "pdl/PclSymbolSets.h"
#include "pdl/GPcl5eDownloadRecord.h"

namespace {

// The label buffer: a printer font's expanded selection text must stay
// below its size to become a GL/2 font definition.
constexpr size_t kLabelBuffer = 100;

bool HasSymbolSet(const GDeviceFontDescription& font, int32_t encoding) {
  const GDeviceFontDescription::SymbolSetVector& sets = font.GetSymbolSets();
  for (size_t i = 0; i < sets.Count(); ++i)
    if (*sets.At(i) == encoding) return true;
  return false;
}

// Replaces the first occurrence of what in text.
void ReplaceFirst(std::string& text, const char* what, const char* with) {
  const size_t at = text.find(what);
  if (at != std::string::npos) text.replace(at, std::strlen(what), with);
}

// The metrics the device-font predicate compares with (the predicate takes
// only an int, so the walk leaves its metrics here for the call).
thread_local const GFontMetrics* gMatching = nullptr;

int MatchesCurrent(GDeviceFontDescription* font, int) {
  return font != nullptr && gMatching != nullptr && GPcl5e::MatchesPrinterFont(*font, *gMatching) ? 1 : 0;
}

}  // namespace

GDeviceFontDescription* GPcl5e::FindPrinterFont(const GFontMetrics& metrics, GDeviceFontList** inList) const {
  GDeviceFontListComposite* lists = GetDeviceFontList();
  if (lists == nullptr) return nullptr;
  const GFontMetrics* saved = gMatching;
  gMatching = &metrics;
  GDeviceFontDescription* found = nullptr;
  const GCountedPtrVector& children = lists->Lists().Children();
  for (size_t i = 0; i < children.Count(); ++i) {
    auto* list = dynamic_cast<GDeviceFontList*>(children.At(i)->Pointee());
    if (list != nullptr && list->FindFontWhere(&MatchesCurrent, 0, found) != 0 && found != nullptr) {
      if (inList != nullptr) *inList = list;
      break;
    }
    found = nullptr;
  }
  gMatching = saved;
  return found;
}

uint16_t GPcl5e::SymbolSetForEncoding(int32_t encoding) { return PclSymbolSetForEncoding(encoding); }

bool GPcl5e::MatchesPrinterFont(const GDeviceFontDescription& font, const GFontMetrics& metrics) {
  const int32_t location = font.GetLocation();
  const bool addOn = location >= 4 && location <= 7;
  if (metrics.metricInt4 == textenc::kUnicode && !addOn) return false;
  if (font.GetWeight() != metrics.weight || font.GetStyle() != metrics.metricInt1) return false;
  if (font.GetName().Length() != metrics.name.Length() ||
      std::memcmp(font.GetName().Data(), metrics.name.Data(), metrics.name.Length()) != 0)
    return false;
  if (!(addOn && metrics.metricInt4 == textenc::kUnicode) && !HasSymbolSet(font, metrics.metricInt4)) return false;
  if (font.GetScalability() != 0) return true;
  return font.GetHeight() == metrics.height && metrics.metricReal1 == 1.0f && metrics.metricReal2 == 1.0f;
}

GPcl5eDownloadHandle* GPcl5e::CreatePrinterFontRecord(GFontFaceHandle* face) {
  if (face == nullptr || (face->GetFlags() & 1) != 0) return nullptr;
  GDeviceFontDescription* font = FindPrinterFont(face->GetMetrics(), nullptr);
  if (font == nullptr) return nullptr;
  auto* record = new GPcl5eDownloadHandle(this);
  record->SetName(face->GetName());
  record->SetKind(GDownloadRecord::kPrinterFont);
  record->SetDeviceFont(font);
  const uint16_t first = face->GetFirstChar(), last = face->GetLastChar();
  const auto count = static_cast<uint16_t>(last - first + 1);
  const uint32_t pages = count > 255 ? ((static_cast<uint16_t>(last - first)) >> 8) + 1 : 1;
  const uint32_t extra = count > 255 ? 1 : 0;
  record->ChargeMemory((budget_.GetOverheadKB() + pages + extra) * 1024);
  face->SetDownloadInfo(record);
  if (GetDownloadCache() != nullptr)
    GetDownloadCache()->Add(face->GetMetrics(), face->GetDownloadExtras(), record->Clone());
  return record;
}

int32_t GPcl5e::PrinterEncodingOf(const GDeviceFontDescription& font, GFontFaceHandle* face, int32_t encoding) const {
  if (HasSymbolSet(font, encoding) || (encoding == textenc::kUnicode && font.GetSymbolSet() == textenc::kUnicode)) {
    const int32_t set = font.GetSymbolSet();
    if (encoding == textenc::kSymbol && (set == 53 || set == 54 || set == 55)) return set;
    return encoding;
  }
  return face != nullptr ? face->GetMetrics().metricInt4 : encoding;
}

int32_t GPcl5e::HeightCentipoints(int32_t height) const {
  const double y = yResolution_ != 0 ? yResolution_ : 600;
  return static_cast<int32_t>(height / y * scaleY_ * 7200);
}

RWCString GPcl5e::SelectionTemplate(const GDeviceFontDescription& font) const {
  const RWCString& select = font.GetSelectString();
  if (font.GetLocation() == 2) {
    const std::string s(select.Data(), select.Length());
    std::string text = "#1B(s%f12000 25 2/A+25/i25*/%F2h%f25 2/A+25/i25*100/%F2V";
    text += "#1B&n%fD1+%A0W%0" + s + "#1B&n%fD1+%A0W#01" + s + "#1B&n%fD1+%A0W#02" + s;
    return RWCString(text.c_str());
  }
  std::string text(select.Data(), select.Length());
  ReplaceFirst(text, "#HEIGHT", "%f25 2/A+25/i25*100/%F2");
  ReplaceFirst(text, "#WIDTH", "%f12000 25 2/A+25/i25*/%F2");
  ReplaceFirst(text, "#PITCH", "%f12000 25 2/A+25/i25*/%F2");
  return RWCString(text.c_str());
}

void GPcl5e::SetSelectionCells(GFontFaceHandle* face, const GDeviceFontDescription& font, int32_t rotated) {
  const int16_t metric = face->GetMetrics().horizontalMetric1;
  const double x = xResolution_ != 0 ? xResolution_ : 600;
  const int32_t cells[5] = {HeightCentipoints(face->GetHeight()), static_cast<int32_t>(x * scaleX_), rotated,
                            static_cast<int32_t>(font.GetSelectString().Length()), metric != 0 ? metric : 50};
  for (int i = 0; i < 5; ++i) formatter_.SetCell(i, cells[i]);
  for (int i = 5; i < 8; ++i) formatter_.SetCell(i, 0);
}

void GPcl5e::SelectPrinterFont(GFontFaceHandle* face, const GDeviceFontDescription& font, int32_t encoding,
                               bool forLabel) {
  primaryFontId_ = -1;
  const RWCString selection = SelectionTemplate(font);
  const auto height = static_cast<float>(face->GetHeight());
  const auto sym = static_cast<int16_t>(SymbolSetForEncoding(encoding == textenc::kUnicode ? 4 : encoding));
  float angle = 0.0f;
  int16_t vertical = 0;
  if (font.GetScalability() == 1) {
    angle = face->GetAngle2().GetDegrees();
    vertical = face->GetMetrics().metricInt7 == 1 ? -1 : 0;
  }
  // A label selection is written every time; a text selection only when
  // another is in force.
  const bool same = selection == fontSelection_ && height == fontHeight_ && sym == symbolSet_ &&
                    vertical == verticalFont_ && static_cast<int32_t>(angle) == static_cast<int32_t>(textAngle_);
  if (forLabel || !same) {
    fontSelection_ = selection;
    fontId_ = 0;
    fontHeight_ = height;
    symbolSet_ = sym;
    verticalFont_ = vertical;
    const bool rotated = angle != 0.0f;
    const bool gl2 = rotated || forLabel;
    const bool disk = font.GetLocation() == 2;
    if (gl2 && disk) {
      EnterPclMode(0, false);
      Emit("#1B*c999D");
    } else if (gl2) {
      EnterGl2Mode(0);
      Emit("SD1,%fA%A0", static_cast<uint16_t>(sym));
    } else {
      EnterPclMode(0, false);
      Emit("#1B(%fA%A0%fB64+%I1", static_cast<uint16_t>(sym) >> 5, static_cast<uint16_t>(sym) & 31);
    }
    if (rotated)
      EnterGl2Mode(0);
    else if (!forLabel)
      EnterPclMode(0, false);
    SetSelectionCells(face, font, gl2 ? 1 : 0);
    formatter_.SetTemplate(selection.Data());
    if (forLabel && !disk)
      WriteLabelFontDefinition();
    else
      formatter_.RunToStream();
    if (rotated && disk) {
      EnterPclMode(0, false);
      Emit("#1B*c6F");
      EnterGl2Mode(0);
      Emit("FI999;");
    }
  }
  SetTextDirection(angle);
}

void GPcl5e::WriteLabelFontDefinition() {
  // The expansion must stay below the label buffer, whatever the device
  // data says; a longer one is not used.
  uint8_t expanded[kLabelBuffer] = {};
  const uint32_t count = formatter_.RunToBuffer(expanded, kLabelBuffer);
  if (formatter_.LastRunOverflowed() || count >= kLabelBuffer) return;
  const std::string text(reinterpret_cast<const char*>(expanded), count);
  if (text.find("SD") != std::string::npos) {
    // The description carries its GL/2 definition already.
    formatter_.RunToStream();
  } else {
    const RWCString definition = ToLabelFontDefinition(text.data(), text.size());
    EmitRaw(definition.Data(), static_cast<int32_t>(definition.Length()));
  }
}

RWCString GPcl5e::ToLabelFontDefinition(const char* t, size_t n) {
  const std::string text(t, n);
  const size_t o = text.find('(');
  if (o == std::string::npos) return RWCString("SD");
  size_t c = text.find('\x1B', o);
  bool symbolSet = true;
  if (c == std::string::npos) {
    if (text.find('s', o) == std::string::npos)
      c = n;
    else
      symbolSet = false;
  }
  std::string result;
  if (symbolSet && c > o + 1) {
    // The letter, then the digits read backwards down to the "(".
    const char letter = text[c - 1];
    int64_t code = letter - 64;
    int64_t scale = 32;
    for (size_t i = c - 1; i > o + 1; --i) {
      const char d = text[i - 1];
      if (d < '0' || d > '9') break;
      code += (d - '0') * scale;
      scale *= 10;
      if (scale > 320000000) break;
    }
    result = "SD1," + std::to_string(code) + ",";
  } else {
    result = "SD";
    c = o - 1;
  }
  size_t p = c + 3;
  if (p < n) {
    struct Parameter {
      char letter;
      int kind;
      size_t at;
    };
    std::vector<Parameter> found;
    const char letters[] = {'p', 'h', 'v', 's', 'b', 't'};
    for (int i = 0; i < 6; ++i) {
      for (size_t at = p; at < n; ++at) {
        if ((text[at] | 0x20) == letters[i]) {
          found.push_back({letters[i], i + 2, at});
          break;
        }
      }
    }
    std::sort(found.begin(), found.end(), [](const Parameter& a, const Parameter& b) { return a.at < b.at; });
    for (const Parameter& parameter : found) {
      if (parameter.at < p) continue;
      result += std::to_string(parameter.kind) + "," + text.substr(p, parameter.at - p) + ",";
      p = parameter.at + 1;
    }
  }
  if (!result.empty() && result.back() == ',') result.pop_back();
  return RWCString(result.c_str());
}

void GPcl5e::SelectTrueTypeSoftFont(GFontFaceHandle* face, GPcl5eDownloadHandle* record, int32_t glyphEncoding) {
  const int32_t id = record->GetFontId();
  const auto height = static_cast<float>(face->GetHeight());
  const auto sym = static_cast<int16_t>(SymbolSetForEncoding(glyphEncoding));
  const GFontMetrics& metrics = face->GetMetrics();
  const int16_t vertical = metrics.metricInt7 == 1 ? -1 : 0;
  if (id != fontId_ || height != fontHeight_ || sym != symbolSet_ || vertical != verticalFont_) {
    fontSelection_ = "No Font";
    fontId_ = id;
    fontHeight_ = height;
    symbolSet_ = sym;
    verticalFont_ = vertical;
  }
  const GFontDownloadExtras& extras = face->GetDownloadExtras();
  const bool bold = metrics.weight < static_cast<uint16_t>(extras.extrasShort);
  const bool italic = metrics.metricInt1 == 0 && extras.extrasInt1 != 0;
  const float angle = face->GetAngle2().GetDegrees();
  const int32_t centipoints = HeightCentipoints(face->GetHeight());
  if (angle != 0.0f) {
    EnterGl2Mode(0);
    Emit("SD4,%f25 2/A+25/i25*100/%F2", centipoints);
    Emit("FI%fA%A0", id);
    SetTextDirection(angle);
    return;
  }
  EnterPclMode(0, false);
  EmitRaw("\x1B(16A", 5);
  if (metrics.metricInt5 == 1) {
    const double x = xResolution_ != 0 ? xResolution_ : 600;
    Emit("#1B(s0p%fAB/%F2h%f25 2/C+25/i25*100/%F2V", static_cast<int32_t>(x * scaleX_), metrics.horizontalMetric1,
         centipoints);
  } else {
    Emit("#1B(s1p%f25 2/A+25/i25*100/%F2V", centipoints);
  }
  SetTextPath(vertical);
  SelectFontById(id);
  if (italic) {
    EmitRaw("\x1B(s1S", 5);
    italicSimulated_ = 1;
  } else if (italicSimulated_ != 0) {
    EmitRaw("\x1B(s0S", 5);
    italicSimulated_ = 0;
  }
  if (bold) {
    EmitRaw(extras.extrasShort > 700 ? "\x1B(s4B" : "\x1B(s3B", 5);
    boldSimulated_ = 1;
  } else if (boldSimulated_ != 0) {
    EmitRaw("\x1B(s0B", 5);
    boldSimulated_ = 0;
  }
  SetTextDirection(angle);
}

void GPcl5e::SelectBitmapSoftFont(GScaledFont& scaled, GPcl5eDownloadHandle* record, int32_t glyphEncoding) {
  const int32_t id = record->GetFontId();
  const auto height = static_cast<float>(scaled.GetHeight());
  const auto sym = static_cast<int16_t>(SymbolSetForEncoding(glyphEncoding));
  if (id != fontId_ || height != fontHeight_ || sym != symbolSet_) {
    fontSelection_ = "No Font";
    fontId_ = id;
    fontHeight_ = height;
    symbolSet_ = sym;
  }
  EnterPclMode(0, false);
  SelectFontById(id);
}

void GPcl5e::SetTextPath(int32_t path) {
  const auto p = static_cast<int8_t>(path);
  if (p == textPath_) return;
  Emit("#1B&c%fA%A0T", p);
  textPath_ = p;
}

void GPcl5e::SelectFontById(int32_t id) {
  if (id == primaryFontId_ && primaryFontId_ >= 0) return;
  Emit("#1B(%fA%A0X", id);
  primaryFontId_ = static_cast<int16_t>(id);
}

void GPcl5e::SetTextDirection(float angle) {
  if (angle == textAngle_) return;
  if (angle != 0.0f) {
    EnterGl2Mode(0);
    EmitRaw("SB0", 3);
    const auto tenths = static_cast<int32_t>(angle * 10.0f);
    const double radians = tenths / 10.0 * 3.14159265358979323846 / 180.0;
    const auto cosine = static_cast<int32_t>(std::cos(radians) * 32768.0);
    const auto sine = static_cast<int32_t>(std::sin(radians) * 32768.0);
    Emit("DI%fA%A0,%fB%A0", cosine / 4, sine / 4);
  } else {
    EnterGl2Mode(0);
    Emit("DI");
    EnterPclMode(0, false);
  }
  textAngle_ = angle;
}
