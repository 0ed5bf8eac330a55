#include "config/GWatermarkHandlers.h"

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "config/GDMCLibrary.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GSettingQuery.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"

namespace {

constexpr const WCHAR* kWatermarksPath = u"printing/Watermarks";
constexpr const WCHAR* kColorPath = u"printing/Watermarks/WMColor";
constexpr const WCHAR* kFontPath = u"printing/Watermarks/WMFont";
constexpr const WCHAR* kEscapementPath = u"printing/Watermarks/WMFontEscapement";
constexpr const WCHAR* kCustomAnglePath = u"printing/Watermarks/WMFontEscapement/WMCustomAngle";
constexpr const WCHAR* kFirstPageOnlyPath = u"printing/Watermarks/WMFirstPageOnly";
constexpr const WCHAR* kFontStylePath = u"printing/Watermarks/WMFontStyle";
constexpr const WCHAR* kShadeLevelPath = u"printing/Watermarks/WMShadeLevel";

// Defaults of the attributes a detail handler creates when they are missing.
constexpr int16_t kDefaultCharSet = 0;
constexpr int16_t kDefaultEscapement = 1;
constexpr int16_t kDefaultCustomAngle = 0;
constexpr int16_t kDefaultFirstPageOnly = 2;
constexpr int16_t kDefaultFontStyle = 0;
constexpr int16_t kDefaultShade = 224;

GValueAttribute* ValueOf(MPersistentObject* object, int32_t id) {
  return object != nullptr ? dynamic_cast<GValueAttribute*>(object->FindById(id)) : nullptr;
}

GStringAttribute* StringOf(MPersistentObject* object, int32_t id) {
  return object != nullptr ? dynamic_cast<GStringAttribute*>(object->FindById(id)) : nullptr;
}

void WatermarkAppendCopy(GAttributeComposite* changes, GAttribute* attribute) {
  if (changes != nullptr && attribute != nullptr) changes->AddChild(attribute->DeepCopy());
}

std::string_view WatermarkView(const RWCString& text) { return std::string_view(text.Data(), text.Length()); }

// The narrow text equals the wide one character by character (the font
// names are plain ASCII).
bool SameNarrowText(std::string_view narrow, const WCHAR* wide) {
  size_t i = 0;
  for (; i < narrow.size(); ++i) {
    if (wide[i] == 0 || wide[i] != static_cast<unsigned char>(narrow[i])) return false;
  }
  return wide[i] == 0;
}

// The pool's direct children that are records, first to last, until f
// answers false.
template <typename F>
void ForEachRecord(MPersistentObject* pool, F f) {
  GSettingQuery::ForEachChild(pool, [&](MPersistentObject* child) {
    auto* record = dynamic_cast<GAttributeComposite*>(child);
    return record == nullptr || f(record);
  });
}

// Reads the detail's option and sets the value attribute to the first row
// with that text; a copy goes to the change list. 0 when the path is
// unknown or no row has the text.
int ImportDetailValue(GConfigFeatureHandler& handler, GValueAttribute* attribute, GAttributeComposite* changes,
                      LPCWSTR path, const GOptionRow* rows, uint16_t count, int16_t* matched = nullptr) {
  if (attribute == nullptr) return 0;
  GDMCTextBuffer buffer(GConfigFeatureHandler::kTextBytes);
  if (handler.ReadOption(path, buffer) == 0) return 0;
  const int row = GConfigFeatureHandler::FindRowByText(rows, count, buffer.Text());
  if (row < 0) return 0;
  attribute->SetValue(rows[row].value);
  WatermarkAppendCopy(changes, attribute);
  if (matched != nullptr) *matched = rows[row].value;
  return 1;
}

}  // namespace

// ---- Detail handler base ----

GAttributeComposite* GWatermarkDetailHandler::FindCurrentWatermark(GAttributeComposite* settings) {
  GAttributeComposite* group = FindGroup(settings, GFeatureIds::kDocumentSettings2);
  return group != nullptr ? dynamic_cast<GAttributeComposite*>(group->FindById(GFeatureIds::kWatermarks)) : nullptr;
}

void GWatermarkDetailHandler::EnsureValue(GAttributeComposite* watermark, int32_t id, int16_t value) {
  if (watermark == nullptr || watermark->FindById(id) != nullptr) return;
  watermark->AddChild(new GValueAttribute(value, &id));
}

// ---- Colour ----

const GWMColorHandler::Row GWMColorHandler::kRows[kOptionCount] = {
    {0xFFFFFF, u"Gray"}, {0x0000FF, u"Red"},  {0x00FFFF, u"Yellow"},  {0xFF0000, u"Blue"},
    {0x00FF00, u"Green"}, {0xFFFF00, u"Cyan"}, {0xFF00FF, u"Magenta"},
};

int GWMColorHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GAttributeComposite* watermark = FindCurrentWatermark(settings);
  if (watermark == nullptr) return 0;
  for (int32_t id : {GFeatureIds::kWMRed, GFeatureIds::kWMGreen, GFeatureIds::kWMBlue})
    EnsureValue(watermark, id, kDefault);
  GDMCTextBuffer buffer(kTextBytes);
  if (ReadOption(kColorPath, buffer) == 0) return 0;
  for (const Row& row : kRows) {
    if (GDMCLibrary::IsSameText(buffer.Text(), row.text) == 0) continue;
    GValueAttribute* red = ValueOf(watermark, GFeatureIds::kWMRed);
    GValueAttribute* green = ValueOf(watermark, GFeatureIds::kWMGreen);
    GValueAttribute* blue = ValueOf(watermark, GFeatureIds::kWMBlue);
    if (red == nullptr || green == nullptr || blue == nullptr) return 0;
    red->SetValue(static_cast<int16_t>(row.color & 0xFF));
    green->SetValue(static_cast<int16_t>((row.color >> 8) & 0xFF));
    blue->SetValue(static_cast<int16_t>((row.color >> 16) & 0xFF));
    WatermarkAppendCopy(changes, red);
    WatermarkAppendCopy(changes, green);
    WatermarkAppendCopy(changes, blue);
    return 1;
  }
  return 0;
}

int GWMColorHandler::Export(GAttributeComposite* object) {
  if (library_ == nullptr || object == nullptr) return 0;
  GValueAttribute* parts[3] = {ValueOf(object, GFeatureIds::kWMRed), ValueOf(object, GFeatureIds::kWMGreen),
                               ValueOf(object, GFeatureIds::kWMBlue)};
  if (parts[0] == nullptr && parts[1] == nullptr && parts[2] == nullptr) return 0;
  uint32_t color = 0;
  for (int i = 0; i < 3; ++i) {
    const int16_t part = parts[i] != nullptr ? parts[i]->GetValue() : 0;
    // A component outside a byte is no colour of the table.
    if (part < 0 || part > 255) return 0;
    color |= static_cast<uint32_t>(part) << (8 * i);
  }
  for (const Row& row : kRows) {
    if (row.color != color) continue;
    library_->DMCSetExport(kColorPath, row.text);
    return 1;
  }
  return 0;
}

// ---- Font ----

const WCHAR* const GWMFontHandler::kRows[kOptionCount] = {u"Times New Roman", u"Courier New", u"Helvetica",
                                                          u"Arial"};

int GWMFontHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GAttributeComposite* watermark = FindCurrentWatermark(settings);
  if (watermark == nullptr) return 0;
  if (watermark->FindById(GFeatureIds::kWMFont) == nullptr) {
    const int32_t id = GFeatureIds::kWMFont;
    watermark->AddChild(new GStringAttribute(kDefaultFont, &id));
  }
  EnsureValue(watermark, GFeatureIds::kWMFontCharSet, kDefaultCharSet);
  GStringAttribute* font = StringOf(watermark, GFeatureIds::kWMFont);
  if (font == nullptr) return 0;
  GDMCTextBuffer buffer(kTextBytes);
  if (ReadOption(kFontPath, buffer) == 0) return 0;
  for (const WCHAR* row : kRows) {
    if (GDMCLibrary::IsSameText(buffer.Text(), row) == 0) continue;
    std::string name;
    for (const WCHAR* p = row; *p != 0; ++p) name += static_cast<char>(*p);
    font->SetString(name.c_str());
    WatermarkAppendCopy(changes, font);
    return 1;
  }
  return 0;
}

int GWMFontHandler::Export(GAttributeComposite* object) {
  GStringAttribute* font = StringOf(object, GFeatureIds::kWMFont);
  if (font == nullptr || library_ == nullptr) return 0;
  std::string_view name = WatermarkView(font->GetString());
  if (name.size() > kFontNameChars) name = name.substr(0, kFontNameChars);
  // The stored name ends at its first terminator, as the compare would read it.
  const size_t end = name.find('\0');
  if (end != std::string_view::npos) name = name.substr(0, end);
  for (const WCHAR* row : kRows) {
    if (!SameNarrowText(name, row)) continue;
    library_->DMCSetExport(kFontPath, row);
    return 1;
  }
  return 0;
}

// ---- Escapement ----

const GOptionRow GWMFontEscapementHandler::kRows[kOptionCount] = {
    {0, u"Horizontal"}, {1, u"Diagonal"}, {2, u"Vertical"}, {3, u"TopDiagonal"}, {4, u"Custom"},
};

int GWMFontEscapementHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GAttributeComposite* watermark = FindCurrentWatermark(settings);
  if (watermark == nullptr) return 0;
  EnsureValue(watermark, GFeatureIds::kWMFontEscapement, kDefaultEscapement);
  int16_t escapement = 0;
  if (ImportDetailValue(*this, ValueOf(watermark, GFeatureIds::kWMFontEscapement), changes, kEscapementPath, kRows,
                        kOptionCount, &escapement) == 0) {
    return 0;
  }
  if (escapement != kCustom) return 1;

  // A custom escapement takes its angle from the sub-feature; without a
  // usable angle the previous one stays.
  EnsureValue(watermark, GFeatureIds::kWMCustomAngle, kDefaultCustomAngle);
  GValueAttribute* angle = ValueOf(watermark, GFeatureIds::kWMCustomAngle);
  if (angle == nullptr || library_->DMCSetContext(kCustomAnglePath) == 0) return 0;
  GDMCTextBuffer wide(kAngleWideBytes);
  library_->DMCGet(nullptr, wide.Data(), wide.Chars());
  GDMCNarrowBuffer narrow(kAngleNarrowBytes);
  library_->DMCWideToChar(narrow.Data(), narrow.Bytes(), wide.Text());
  const int32_t number = ParseNumber(narrow.Data(), narrow.Bytes());
  if ((number & 0xFFFF) == 0) return 0;
  angle->SetValue(static_cast<int16_t>(number));
  WatermarkAppendCopy(changes, angle);
  return 1;
}

int GWMFontEscapementHandler::Export(GAttributeComposite* object) {
  GValueAttribute* escapement = ValueOf(object, GFeatureIds::kWMFontEscapement);
  if (ExportValue(escapement, kEscapementPath, kRows, kOptionCount, false) == 0) return 0;
  if (escapement->GetValue() != kCustom) return 1;
  GValueAttribute* angle = ValueOf(object, GFeatureIds::kWMCustomAngle);
  if (angle == nullptr) return 0;
  GDMCNarrowBuffer narrow(kAngleNarrowBytes);
  std::snprintf(narrow.Data(), narrow.Bytes(), "%u", static_cast<unsigned>(static_cast<uint16_t>(angle->GetValue())));
  WCHAR wide[kAngleWideBytes / 2] = {};
  if (library_->DMCCharToWide(wide, kAngleWideBytes / 2, narrow.Data()) == nullptr) return 0;
  return library_->DMCSetExport(kCustomAnglePath, wide);
}

// ---- First page only ----

const GOptionRow GWMFirstPageOnlyHandler::kRows[kOptionCount] = {
    {2, u"NoPages"},
    {0, u"AllPages"},
    {1, u"FirstPageOnly"},
};

int GWMFirstPageOnlyHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GAttributeComposite* watermark = FindCurrentWatermark(settings);
  if (watermark == nullptr) return 0;
  EnsureValue(watermark, GFeatureIds::kWMFirstPageOnly, kDefaultFirstPageOnly);
  return ImportDetailValue(*this, ValueOf(watermark, GFeatureIds::kWMFirstPageOnly), changes, kFirstPageOnlyPath, kRows,
                           kOptionCount);
}

int GWMFirstPageOnlyHandler::Export(GAttributeComposite* settings) {
  return ExportValue(ValueOf(FindCurrentWatermark(settings), GFeatureIds::kWMFirstPageOnly), kFirstPageOnlyPath, kRows,
                     kOptionCount, false);
}

// ---- Font style ----

const GOptionRow GWMFontStyleHandler::kRows[kOptionCount] = {
    {0, u"Regular"}, {1, u"Bold"}, {2, u"Italic"}, {3, u"BoldItalic"}, {4, u"Underline"}, {8, u"Strikeout"},
};

int GWMFontStyleHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GAttributeComposite* watermark = FindCurrentWatermark(settings);
  if (watermark == nullptr) return 0;
  EnsureValue(watermark, GFeatureIds::kWMFontStyle, kDefaultFontStyle);
  return ImportDetailValue(*this, ValueOf(watermark, GFeatureIds::kWMFontStyle), changes, kFontStylePath, kRows,
                           kOptionCount);
}

int GWMFontStyleHandler::Export(GAttributeComposite* object) {
  return ExportValue(ValueOf(object, GFeatureIds::kWMFontStyle), kFontStylePath, kRows, kOptionCount, false);
}

// ---- Shade level ----

const GOptionRow GWMShadeLevelHandler::kRows[kOptionCount] = {
    {232, u"Lightest Color"}, {255, u"Lightest"}, {224, u"VeryLight"},  {192, u"Light"}, {160, u"MediumLight"},
    {128, u"Medium"},         {96, u"MediumDark"}, {64, u"Dark"},       {32, u"VeryDark"}, {0, u"Darkest"},
};

int GWMShadeLevelHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GAttributeComposite* watermark = FindCurrentWatermark(settings);
  if (watermark == nullptr) return 0;
  EnsureValue(watermark, GFeatureIds::kWMShadeLevel, kDefaultShade);
  return ImportDetailValue(*this, ValueOf(watermark, GFeatureIds::kWMShadeLevel), changes, kShadeLevelPath, kRows,
                           kOptionCount);
}

int GWMShadeLevelHandler::Export(GAttributeComposite* object) {
  return ExportValue(ValueOf(object, GFeatureIds::kWMShadeLevel), kShadeLevelPath, kRows, kOptionCount, false);
}

// ---- Watermark selection ----

const GOptionRow GWatermarksHandler::kRows[kOptionCount] = {
    {0, u"None"},
    {1, u"Confidential"},
    {2, u"Draft"},
    {3, u"Sample"},
};

int GWatermarksHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GAttributeComposite* watermark = GWatermarkDetailHandler::FindCurrentWatermark(settings);
  GStringAttribute* selected = StringOf(watermark, GFeatureIds::kSelectedWatermark);
  GValueAttribute* builtIn = ValueOf(watermark, GFeatureIds::kWatermarkBuiltIn);
  if (selected == nullptr || builtIn == nullptr) return 0;
  GDMCTextBuffer buffer(kSelectionBytes);
  if (ReadOption(kWatermarksPath, buffer) == 0) return 0;
  const int row = FindRowByText(kRows, kOptionCount, buffer.Text());
  if (row < 0) return 0;
  const int16_t number = kRows[row].value;

  MPersistentObject* pool = settings->FindById(GFeatureIds::kWatermarkPool);
  if (pool == nullptr) return 1;

  // The first record of the built-in watermark becomes the selection. A
  // record without a name cannot be selected, so it is left as it is.
  GAttributeComposite* record = nullptr;
  ForEachRecord(pool, [&](GAttributeComposite* candidate) {
    GValueAttribute* candidateNumber = ValueOf(candidate, GFeatureIds::kWatermarkBuiltIn);
    if (candidateNumber == nullptr || candidateNumber->GetValue() != number) return true;
    record = candidate;
    return false;
  });
  GStringAttribute* recordName = StringOf(record, GFeatureIds::kWatermarkName);
  if (recordName == nullptr) record = nullptr;
  if (record != nullptr) {
    selected->SetString(recordName->GetString());
    builtIn->SetValue(number);
    WatermarkAppendCopy(changes, selected);
    WatermarkAppendCopy(changes, builtIn);
  }

  GWMShadeLevelHandler(library_).Import(settings, changes);
  GWMFontStyleHandler(library_).Import(settings, changes);
  GWMFirstPageOnlyHandler(library_).Import(settings, changes);
  GWMFontEscapementHandler(library_).Import(settings, changes);
  GWMFontHandler(library_).Import(settings, changes);
  GWMColorHandler(library_).Import(settings, changes);

  if (record != nullptr) {
    // The selected record takes over the look the administrator defined.
    static constexpr int32_t kLook[] = {GFeatureIds::kWMFontSize,      GFeatureIds::kWatermarkBuiltIn,
                                        GFeatureIds::kWMShadeLevel,    GFeatureIds::kWMFontStyle,
                                        GFeatureIds::kWMFirstPageOnly, GFeatureIds::kWMFontEscapement,
                                        GFeatureIds::kWMCustomAngle,   GFeatureIds::kWMRed,
                                        GFeatureIds::kWMGreen,         GFeatureIds::kWMBlue,
                                        GFeatureIds::kWMFontCharSet};
    for (int32_t id : kLook) {
      GValueAttribute* current = ValueOf(watermark, id);
      GValueAttribute* stored = ValueOf(record, id);
      if (current != nullptr && stored != nullptr) stored->SetValue(current->GetValue());
    }
    GStringAttribute* currentFont = StringOf(watermark, GFeatureIds::kWMFont);
    GStringAttribute* storedFont = StringOf(record, GFeatureIds::kWMFont);
    if (currentFont != nullptr && storedFont != nullptr) storedFont->SetString(currentFont->GetString());
  }
  return 1;
}

int GWatermarksHandler::Export(GAttributeComposite* settings) {
  GAttributeComposite* watermark = GWatermarkDetailHandler::FindCurrentWatermark(settings);
  GValueAttribute* builtIn = ValueOf(watermark, GFeatureIds::kWatermarkBuiltIn);
  if (builtIn == nullptr || library_ == nullptr) return 0;
  const int16_t number = builtIn->GetValue();
  int result = 0;
  for (const GOptionRow& row : kRows) {
    if (row.value == number && library_->DMCSetExport(kWatermarksPath, row.text) != 0) {
      result = 1;
      break;
    }
  }
  if (result == 0 || number == 0) return result;

  GStringAttribute* selected = StringOf(watermark, GFeatureIds::kSelectedWatermark);
  MPersistentObject* pool = settings->FindById(GFeatureIds::kWatermarkPool);
  if (selected == nullptr || pool == nullptr) return 0;
  const std::string_view name = WatermarkView(selected->GetString());
  GAttributeComposite* record = nullptr;
  ForEachRecord(pool, [&](GAttributeComposite* candidate) {
    GStringAttribute* candidateName = StringOf(candidate, GFeatureIds::kWatermarkName);
    if (candidateName == nullptr || WatermarkView(candidateName->GetString()) != name) return true;
    record = candidate;
    return false;
  });
  if (record == nullptr) return result;

  GWMFontHandler(library_).Export(record);
  GWMShadeLevelHandler(library_).Export(record);
  GWMColorHandler(library_).Export(record);
  GWMFirstPageOnlyHandler(library_).Export(settings);
  GWMFontStyleHandler(library_).Export(record);
  GWMFontEscapementHandler(library_).Export(record);
  return result;
}

GConfigFeatureHandler* CreateWatermarksHandler(GDMCLibrary* library, GDriverInstance*) {
  return new GWatermarksHandler(library);
}
