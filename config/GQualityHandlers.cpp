#include "config/GQualityHandlers.h"

#include "config/GDMCLibrary.h"
#include "driver/GDriverInstance.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GTintwrightAttribute.h"
#include "model/GValueAttribute.h"

using namespace GFeatureIds;

namespace {

using GFeatureIds::kDocumentSettings;
using GFeatureIds::kDocumentSettings2;

template <size_t N>
constexpr uint16_t QualityCount(const GOptionRow (&)[N]) {
  return static_cast<uint16_t>(N);
}

const GOptionRow kGrayOptionsRows[] = {{1, u"BlackOnly"}, {0, u"HighQuality"}};

GValueAttribute* QualityValueIn(MPersistentObject* container, int32_t id) {
  return container != nullptr ? dynamic_cast<GValueAttribute*>(container->FindById(id)) : nullptr;
}

}  // namespace

// ---- Print quality ----

const GOptionRow GPrintQualityHandler::kRows[5] = {
    {-2, u"Fast"}, {-1, u"FastNormal"}, {0, u"Normal"}, {1, u"Best"}, {99, u"Custom"}};

const GPrintQualityHandler::PresetRow GPrintQualityHandler::kPresetRows[kPresetRowCount] = {
    {0, kPresetZepChoice, kDocumentSettings, 0, kZepChoice, false},
    {0, kPresetPatternScalingChoice, kDocumentSettings, 0, kPatternScalingChoice, false},
    {0, kPresetEdgeToEdge, kDocumentSettings, 0, kEdgeToEdge, false},
    {0, kPresetKivChoice, kDocumentSettings, 0, kKivChoice, false},
    {0, kPresetRasterizationChoice, kDocumentSettings2, 0, kRasterizationChoice, false},
    {0, kPresetTTAsBitmapSetting, kDocumentSettings2, 0, kTTAsBitmapSetting, false},
    {0, kPresetTextAsBlack, kDocumentSettings2, 0, kTextAsBlack, false},
    {0, kPreset582, kDocumentSettings2, 0, kQualitySetting582, true},
    {0, kPreset583, kDocumentSettings2, 0, kQualitySetting583, true},
    {0, kPreset584, kDocumentSettings2, 0, kQualitySetting584, true},
    {0, kPreset402, kDocumentSettings, 0, kManualDuplex, false},
    {0, kPreset409, kDocumentSettings, 0, kQualitySetting405, false},
    {0, kPresetCleaning, kDocumentSettings, 0, kCleaning, false},
    {0, kPreset900, kDocumentSettings2, 0, kPclPrintQuality, false},
    {kPresetResolution, kPresetXResolution, kDocumentSettings, kResolution, kXResolution, false},
    {kPresetResolution, kPresetYResolution, kDocumentSettings, kResolution, kYResolution, false},
    {kPresetResolution, kPresetBitsPerPixel, kDocumentSettings, kResolution, kBitsPerPixel, false},
    {0, kPreset910, kDocumentSettings2, 0, kQualitySetting910, false},
    {0, kPreset911, kDocumentSettings, 0, kQualitySetting911, false},
};

namespace {

// The preset member of a row, or null.
GValueAttribute* PresetMember(GAttributeComposite* preset, const GPrintQualityHandler::PresetRow& row) {
  MPersistentObject* holder = preset;
  if (row.memberParent != 0) holder = preset->FindById(row.memberParent);
  return QualityValueIn(holder, row.member);
}

// The setting a row feeds, or null.
GValueAttribute* PresetSetting(GAttributeComposite* settings, const GPrintQualityHandler::PresetRow& row) {
  MPersistentObject* holder = GConfigFeatureHandler::FindGroup(settings, row.group);
  if (row.parent != 0) holder = holder != nullptr ? holder->FindById(row.parent) : nullptr;
  return QualityValueIn(holder, row.id);
}

// Rows 586-588 apply only when the preset's 593 is on.
bool RowApplies(GAttributeComposite* preset, const GPrintQualityHandler::PresetRow& row) {
  if (!row.conditional) return true;
  GValueAttribute* condition = QualityValueIn(preset, kPresetCondition);
  return condition != nullptr && condition->GetValue() != 0;
}

}  // namespace

GPrintQualityHandler::GPrintQualityHandler() : optionCount_(QualityCount(kRows)), instance_(nullptr) {}

GPrintQualityHandler::GPrintQualityHandler(GDMCLibrary* library, GDriverInstance* instance)
    : GConfigFeatureHandler(library), optionCount_(QualityCount(kRows)), instance_(instance) {}

GAttributeComposite* GPrintQualityHandler::Preset(int32_t id) const {
  GConfiguration* configuration = instance_ != nullptr ? instance_->GetPrinterConfiguration() : nullptr;
  return configuration != nullptr ? dynamic_cast<GAttributeComposite*>(configuration->FindById(id)) : nullptr;
}

int GPrintQualityHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  settings_ = settings;
  changes_ = changes;
  GAttributeComposite* job = FindGroup(settings, kDocumentSettings);
  if (job == nullptr) return 0;
  if (dynamic_cast<GValueAttribute*>(job->FindById(kPrintQuality)) != nullptr) {
    return ImportTable(settings, changes, kDocumentSettings, kPrintQuality, kPath, kRows, optionCount_, kTextBytes,
                       GChangeRule::kNew);
  }
  // The preset first, so that the tree's own text and TrueType features
  // override what it set.
  int result = ImportPreset();
  if (GTextAsBlackHandler(library_).Import(settings, changes) != 0) result = 1;
  if (GTTAsBitmapSettingHandler(library_).Import(settings, changes) != 0) result = 1;
  return result;
}

int GPrintQualityHandler::ImportPreset() {
  if (library_ == nullptr) return 0;
  GDMCTextBuffer buffer(kTextBytes);
  if (library_->DMCGet(kPath, buffer.Data(), buffer.Chars()) != 1) return 0;
  int32_t presetId = 0;
  if (GDMCLibrary::IsSameText(buffer.Text(), u"Best") != 0) {
    presetId = kPrintQualityPresetBest;
  } else if (GDMCLibrary::IsSameText(buffer.Text(), u"Normal") != 0) {
    presetId = kPrintQualityPresetFast;
  } else {
    return 0;
  }
  GAttributeComposite* preset = Preset(presetId);
  if (preset == nullptr || FindGroup(settings_, kDocumentSettings2) == nullptr ||
      FindGroup(settings_, kDocumentSettings) == nullptr || changes_ == nullptr) {
    return 1;
  }
  for (const PresetRow& row : kPresetRows) {
    if (!RowApplies(preset, row)) continue;
    GValueAttribute* member = PresetMember(preset, row);
    GValueAttribute* setting = PresetSetting(settings_, row);
    if (member == nullptr || setting == nullptr) continue;
    setting->SetValue(member->GetValue());
    RecordChange(changes_, setting, member->GetValue(), GChangeRule::kCopy);
  }
  return 1;
}

int GPrintQualityHandler::MatchesPreset(GAttributeComposite* preset) const {
  if (preset == nullptr || FindGroup(settings_, kDocumentSettings) == nullptr ||
      FindGroup(settings_, kDocumentSettings2) == nullptr) {
    return 1;
  }
  for (const PresetRow& row : kPresetRows) {
    if (!RowApplies(preset, row)) continue;
    GValueAttribute* member = PresetMember(preset, row);
    GValueAttribute* setting = PresetSetting(settings_, row);
    if (member != nullptr && setting != nullptr && member->GetValue() != setting->GetValue()) return 0;
  }
  return 1;
}

int GPrintQualityHandler::Export(GAttributeComposite* settings) {
  settings_ = settings;
  changes_ = nullptr;
  GAttributeComposite* job = FindGroup(settings, kDocumentSettings);
  if (job == nullptr || library_ == nullptr) return 0;
  if (dynamic_cast<GValueAttribute*>(job->FindById(kPrintQuality)) != nullptr) {
    return ExportTable(settings, kDocumentSettings, kPrintQuality, kPath, kRows, optionCount_, false);
  }
  if (MatchesPreset(Preset(kPrintQualityPresetBest)) != 0) {
    library_->DMCSetExport(kPath, u"Best");
    return 1;
  }
  if (MatchesPreset(Preset(kPrintQualityPresetFast)) != 0) {
    library_->DMCSetExport(kPath, u"Normal");
    return 1;
  }
  // Settings of neither preset have no option of their own: the tree keeps
  // its quality.
  return 0;
}

// ---- Resolution ----

const GResolutionHandler::Row GResolutionHandler::kRows[7] = {
    {2, u"600dpi", 600, 1},           {3, u"300dpi", 300, 1},           {0, u"RAPIDOT_1200", 1200, 2},
    {1, u"CRISPA_1200", 1200, 1},     {4, u"CRISPA_1200_141", 1200, 1}, {5, u"CRISPA_1200_180", 1200, 1},
    {6, u"CRISPA_1200_212", 1200, 1}};

GResolutionHandler::GResolutionHandler() : optionCount_(7) {}
GResolutionHandler::GResolutionHandler(GDMCLibrary* library) : GConfigFeatureHandler(library), optionCount_(7) {}

int GResolutionHandler::Import(GAttributeComposite* settings, GAttributeComposite*) {
  GAttributeComposite* job = FindGroup(settings, kDocumentSettings);
  MPersistentObject* resolution = job != nullptr ? job->FindById(kResolution) : nullptr;
  GValueAttribute* bits = QualityValueIn(resolution, kBitsPerPixel);
  GValueAttribute* x = QualityValueIn(resolution, kXResolution);
  GValueAttribute* y = QualityValueIn(resolution, kYResolution);
  if (bits == nullptr || x == nullptr || y == nullptr) return 0;
  GDMCTextBuffer buffer(kBufferBytes);
  if (ReadOption(kPath, buffer) == 0) return 0;
  for (uint16_t i = 0; i < optionCount_; ++i) {
    if (GDMCLibrary::IsSameText(buffer.Text(), kRows[i].text) == 0) continue;
    // The resolution holds dots per inch, as the rest of the driver reads it.
    x->SetValue(kRows[i].dpi);
    y->SetValue(kRows[i].dpi);
    bits->SetValue(kRows[i].bitsPerPixel);
    return 1;
  }
  return 0;
}

int GResolutionHandler::Export(GAttributeComposite* settings) {
  GAttributeComposite* job = FindGroup(settings, kDocumentSettings);
  MPersistentObject* resolution = job != nullptr ? job->FindById(kResolution) : nullptr;
  GValueAttribute* x = QualityValueIn(resolution, kXResolution);
  if (x == nullptr || library_ == nullptr) return 0;
  GValueAttribute* bits = QualityValueIn(resolution, kBitsPerPixel);
  // The first option of that many dots per inch; at 1200 the bits per pixel
  // tell the two screenings apart.
  for (uint16_t i = 0; i < optionCount_; ++i) {
    if (kRows[i].dpi != x->GetValue()) continue;
    if (bits != nullptr && kRows[i].dpi == 1200 && kRows[i].bitsPerPixel != bits->GetValue()) continue;
    library_->DMCSetExport(kPath, kRows[i].text);
    return 1;
  }
  return 0;
}

// ---- Print colour as grey ----

const GTableFeature GPrintColorAsGrayOptionsHandler::kFeature = {
    u"printing/PrintColorAsGray[TRUE]/PrintColorAsGrayOptions",
    u"printing/PrintColorAsGray[TRUE]/PrintColorAsGrayOptions",
    kDocumentSettings,
    kPrintColorAsGrayOptions,
    kGrayOptionsRows,
    QualityCount(kGrayOptionsRows),
    510,
    GChangeRule::kCopy,
    false};

const GOptionRow GPrintColorAsGrayHandler::kRows[4] = {{0, u"Disable"}, {1, u"Enable"}, {0, u"FALSE"}, {1, u"TRUE"}};

GPrintColorAsGrayHandler::GPrintColorAsGrayHandler() : optionCount_(QualityCount(kRows)) {}
GPrintColorAsGrayHandler::GPrintColorAsGrayHandler(GDMCLibrary* library)
    : GConfigFeatureHandler(library), optionCount_(QualityCount(kRows)) {}

int GPrintColorAsGrayHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  GValueAttribute* gray = FindValue(settings, kDocumentSettings2, kPrintColorAsGray);
  if (gray == nullptr) return 0;
  GDMCTextBuffer buffer(kTextBytes);
  if (ReadOption(kPath, buffer) == 0) return 0;
  int result = 0;
  const int row = FindRowByText(kRows, optionCount_, buffer.Text());
  if (row >= 0) {
    gray->SetValue(kRows[row].value);
    RecordChange(changes, gray, kRows[row].value, GChangeRule::kNew);
    result = 1;
  }
  if (gray->GetValue() == 1 && GPrintColorAsGrayOptionsHandler(library_).Import(settings, changes) != 0) result = 1;
  CheckLock(settings, kPath, kPrintColorAsGray, buffer, true);
  return result;
}

int GPrintColorAsGrayHandler::Export(GAttributeComposite* settings) {
  GValueAttribute* gray = FindValue(settings, kDocumentSettings2, kPrintColorAsGray);
  int wrote = 0;
  if (gray != nullptr && library_ != nullptr) {
    // "Disable" / "Enable" first; a library that refuses them gets "FALSE" /
    // "TRUE".
    for (uint16_t i = 0; i < optionCount_; ++i) {
      if (kRows[i].value != gray->GetValue()) continue;
      if (library_->DMCSetExport(kPath, kRows[i].text) != 0) {
        wrote = 1;
        break;
      }
    }
  }
  if (GPrintColorAsGrayOptionsHandler(library_).Export(settings) != 0) wrote = 1;
  return wrote;
}

// ---- Colour control ----

namespace {
using TW = GTintwrightHandler;
}  // namespace

const GTintwrightHandler::SubFeature GTintwrightHandler::kSubFeatures[kSubFeatureCount] = {
    {u"printing/QVTintwright/QVTintwright_Text_Halftone", 0, 1, TW::kBoth, true,
     {{u"Smooth", 42}}, 1, 41, {{u"Detail", 41}}, 1, u"Smooth"},
    {u"printing/QVTintwright/QVTintwright_Text_NeutralGrays", 0, 0, TW::kBoth, true,
     {{u"4-Color", 71}}, 1, 70, {{u"BlackOnly", 70}}, 1, u"4-Color"},
    {u"printing/QVTintwright/QVTintwright_Graphics_Halftone", 1, 1, TW::kBoth, true,
     {{u"Smooth", 52}}, 1, 51, {{u"Detail", 51}}, 1, u"Smooth"},
    {u"printing/QVTintwright/QVTintwright_Graphics_NeutralGrays", 1, 0, TW::kBoth, true,
     {{u"4-Color", 81}}, 1, 80, {{u"BlackOnly", 80}}, 1, u"4-Color"},
    {u"printing/QVTintwright/QVTintwright_Photo_Halftone", 2, 1, TW::kBoth, true,
     {{u"Smooth", 62}}, 1, 61, {{u"Detail", 61}}, 1, u"Smooth"},
    {u"printing/QVTintwright/QVTintwright_Photo_NeutralGrays", 2, 0, TW::kBoth, true,
     {{u"BlackOnly", 90}}, 1, 91, {{u"4-Color", 91}}, 1, u"BlackOnly"},
    {u"printing/QVTintwright/QVTintwright_ColorOptions_RGBColor", 3, 3, TW::kFirst, false,
     {{u"Device", 99}}, 1, 98, {{u"Default-sRGB", 98}}, 1, u"Device"},
    {u"printing/QVTintwright/QVTintwright_Text_SRGBColor", 0, 3, TW::kSecond, false,
     {{u"Default-sRGB", 100}, {u"Device", 102}}, 2, 101, {{u"Default-sRGB", 100}, {u"Vivid", 101}}, 2, u"Device"},
    {u"printing/QVTintwright/QVTintwright_Graphics_SRGBColor", 1, 3, TW::kSecond, false,
     {{u"Default-sRGB", 103}, {u"Device", 105}}, 2, 104, {{u"Default-sRGB", 103}, {u"Vivid", 104}}, 2, u"Device"},
    {u"printing/QVTintwright/QVTintwright_Photo_SRGBColor", 2, 3, TW::kSecond, false,
     {{u"Default-sRGB", 106}, {u"Device", 108}}, 2, 107, {{u"Default-sRGB", 106}, {u"Vivid", 107}}, 2, u"Device"},
    {u"printing/QVTintwright/QVTintwright_ColorOptions_EdgeControl", 3, 2, TW::kBoth, true,
     {{u"Maximum", 96}, {u"Off", 93}, {u"Light", 94}}, 3, 95, {{u"Maximum", 96}, {u"Off", 93}, {u"Light", 94}}, 3,
     u"Normal"},
};

namespace {

// The colour-control attribute of group 364 and its version.
struct ColorObject {
  GTintwrightEnhancedAttribute* first = nullptr;
  GTintwrightEnhancedAttributeVer2* second = nullptr;
  GAttribute* attribute() const {
    return first != nullptr ? static_cast<GAttribute*>(first) : static_cast<GAttribute*>(second);
  }
  TW::Version version() const { return first != nullptr ? TW::kFirst : TW::kSecond; }
  bool Carries(const TW::SubFeature& f) const { return (f.version & version()) != 0; }
  bool Get(const TW::SubFeature& f, uint8_t* code) const {
    return first != nullptr ? first->GetEnhancedSetting(f.objectType, f.selector, code) != 0
                            : second->GetCode(f.objectType, f.selector, code) != 0;
  }
  bool Set(const TW::SubFeature& f, uint8_t code) const {
    return first != nullptr ? first->SetEnhancedSetting(f.objectType, f.selector, code) != 0
                            : second->SetCode(f.objectType, f.selector, code) != 0;
  }
};

ColorObject FindColorObject(GAttributeComposite* settings) {
  ColorObject object;
  GAttributeComposite* group = GConfigFeatureHandler::FindGroup(settings, kDocumentSettings2);
  if (group == nullptr) return object;
  object.first = dynamic_cast<GTintwrightEnhancedAttribute*>(group->FindByClass(GTintwrightEnhancedAttributeClassId));
  if (object.first == nullptr) {
    object.second = dynamic_cast<GTintwrightEnhancedAttributeVer2*>(
        group->FindByClass(GTintwrightEnhancedAttributeVer2ClassId));
  }
  return object;
}

// Reads every code the object carries; false when one cannot be read.
bool ReadCodes(const ColorObject& object, uint8_t (&codes)[TW::kSubFeatureCount]) {
  for (size_t i = 0; i < TW::kSubFeatureCount; ++i) {
    codes[i] = 0;
    if (!object.Carries(TW::kSubFeatures[i])) continue;
    if (!object.Get(TW::kSubFeatures[i], &codes[i])) return false;
  }
  return true;
}

}  // namespace

uint8_t GTintwrightHandler::ImportCode(const SubFeature& feature, LPCWSTR text) {
  for (uint8_t i = 0; i < feature.importCount && i < 3; ++i) {
    if (GDMCLibrary::IsSameText(text, feature.imports[i].text) != 0) return feature.imports[i].code;
  }
  return feature.otherCode;
}

LPCWSTR GTintwrightHandler::ExportText(const SubFeature& feature, uint8_t code) {
  for (uint8_t i = 0; i < feature.exportCount && i < 3; ++i) {
    if (feature.exports[i].code == code) return feature.exports[i].text;
  }
  return feature.otherText;
}

GTintwrightHandler::GTintwrightHandler() = default;
GTintwrightHandler::GTintwrightHandler(GDMCLibrary* library) : GConfigFeatureHandler(library) {}

int GTintwrightHandler::Import(GAttributeComposite* settings, GAttributeComposite* changes) {
  settings_ = settings;
  changes_ = changes;
  GValueAttribute* tintwright = FindValue(settings, kDocumentSettings2, kQVTintwright);
  if (tintwright == nullptr) return 0;
  GDMCTextBuffer buffer(kBufferBytes);
  if (ReadOption(kPath, buffer) == 0) return 0;
  if (GDMCLibrary::IsSameText(buffer.Text(), u"Manual") == 0) return 0;
  tintwright->SetValue(kManual);
  RecordChange(changes, tintwright, kManual, GChangeRule::kCopy);
  ImportColors();
  return 1;
}

void GTintwrightHandler::ImportColors() {
  const ColorObject object = FindColorObject(settings_);
  if (object.attribute() == nullptr) return;
  uint8_t codes[kSubFeatureCount];
  if (!ReadCodes(object, codes)) return;

  // The codes change only when every sub-feature that counts was there.
  bool complete = true;
  GDMCTextBuffer buffer(kBufferBytes);
  for (size_t i = 0; i < kSubFeatureCount; ++i) {
    const SubFeature& feature = kSubFeatures[i];
    if (!object.Carries(feature)) continue;
    buffer.Refill();
    if (ReadOption(feature.path, buffer) == 0) {
      if (feature.counts) complete = false;
      continue;
    }
    codes[i] = ImportCode(feature, buffer.Text());
  }
  if (!complete) return;
  for (size_t i = 0; i < kSubFeatureCount; ++i) {
    if (object.Carries(kSubFeatures[i])) object.Set(kSubFeatures[i], codes[i]);
  }
  RecordChange(changes_, object.attribute(), 0, GChangeRule::kCopy);
}

int GTintwrightHandler::Export(GAttributeComposite* settings) {
  settings_ = settings;
  changes_ = nullptr;
  GValueAttribute* tintwright = FindValue(settings, kDocumentSettings2, kQVTintwright);
  if (tintwright == nullptr || library_ == nullptr) return 0;
  if (tintwright->GetValue() != kManual) {
    library_->DMCSetExport(kPath, u"Automatic");
    return 1;
  }
  library_->DMCSetExport(kPath, u"Manual");
  const ColorObject object = FindColorObject(settings);
  uint8_t codes[kSubFeatureCount];
  if (object.attribute() == nullptr || !ReadCodes(object, codes)) return 1;
  // Only the sub-features the attribute carries are written.
  for (size_t i = 0; i < kSubFeatureCount; ++i) {
    if (!object.Carries(kSubFeatures[i])) continue;
    library_->DMCSetExport(kSubFeatures[i].path, ExportText(kSubFeatures[i], codes[i]));
  }
  return 1;
}

// ---- Creators ----

GConfigFeatureHandler* CreatePrintQualityHandler(GDMCLibrary* library, GDriverInstance* instance) {
  return new GPrintQualityHandler(library, instance);
}
GConfigFeatureHandler* CreateResolutionHandler(GDMCLibrary* library, GDriverInstance*) {
  return new GResolutionHandler(library);
}
GConfigFeatureHandler* CreatePrintColorAsGrayHandler(GDMCLibrary* library, GDriverInstance*) {
  return new GPrintColorAsGrayHandler(library);
}
GConfigFeatureHandler* CreateTintwrightHandler(GDMCLibrary* library, GDriverInstance*) {
  return new GTintwrightHandler(library);
}
