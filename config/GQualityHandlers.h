// The feature handlers of print quality, resolution and colour. Print
// quality is one attribute on printers that have it, else it selects one of
// two quality presets of the printer configuration that set some twenty
// settings at once; resolution sets the resolution's x, y and bits per
// pixel; printing colour as grey brings its option along; the colour
// control ("printing/QVTintwright") carries eleven colour sub-features into
// the codes of the colour-control attribute.
#pragma once

#include <cstdint>

#include "config/GConfigFeatureHandler.h"
#include "config/GConfigTableHandlers.h"

class GConfiguration;
class GDriverInstance;
class GTintwrightAttribute;

// "printing/PrintQuality": 362/901, or the presets 326 ("Best") and 327
// ("Normal") on printers without it.
class GPrintQualityHandler : public GConfigFeatureHandler {
 public:
  static constexpr const WCHAR* kPath = u"printing/PrintQuality";
  static const GOptionRow kRows[5];

  // One preset member and the setting it feeds: group/id, or group/parent/id
  // when parent is not 0; member is found in the preset, or inside the
  // preset's memberParent when that is not 0. conditional rows apply only
  // when the preset's 593 is present and not 0.
  struct PresetRow {
    int32_t memberParent;
    int32_t member;
    int32_t group;
    int32_t parent;
    int32_t id;
    bool conditional;
  };
  static constexpr size_t kPresetRowCount = 19;
  static const PresetRow kPresetRows[kPresetRowCount];

  GPrintQualityHandler();
  GPrintQualityHandler(GDMCLibrary* library, GDriverInstance* instance);
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;
  uint16_t GetOptionCount() const { return optionCount_; }

 private:
  int ImportPreset();
  // 1 when the settings hold the preset's values wherever both have one.
  int MatchesPreset(GAttributeComposite* preset) const;
  GAttributeComposite* Preset(int32_t id) const;

  uint16_t optionCount_;
  GDriverInstance* instance_;
  // The running call's settings and change list.
  GAttributeComposite* settings_ = nullptr;
  GAttributeComposite* changes_ = nullptr;
};

// "printing/Resolution": 362/249 and its x (323), y (324) resolution and
// bits per pixel (325).
class GResolutionHandler : public GConfigFeatureHandler {
 public:
  static constexpr const WCHAR* kPath = u"printing/Resolution";
  static constexpr size_t kBufferBytes = 256;
  // The options with their codes, and the dots per inch and bits per pixel
  // each gives the resolution.
  struct Row {
    int16_t code;
    const WCHAR* text;
    int16_t dpi;
    int16_t bitsPerPixel;
  };
  static const Row kRows[7];

  GResolutionHandler();
  explicit GResolutionHandler(GDMCLibrary* library);
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;
  uint16_t GetOptionCount() const { return optionCount_; }

 private:
  uint16_t optionCount_;
};

// "printing/PrintColorAsGray[TRUE]/PrintColorAsGrayOptions" (362/410).
class GPrintColorAsGrayOptionsHandler : public GTableFeatureHandler {
 public:
  static const GTableFeature kFeature;
  GPrintColorAsGrayOptionsHandler() : GTableFeatureHandler(kFeature) {}
  explicit GPrintColorAsGrayOptionsHandler(GDMCLibrary* library) : GTableFeatureHandler(library, kFeature) {}
};

// "printing/PrintColorAsGray" (364/296) and, when on, its option.
class GPrintColorAsGrayHandler : public GConfigFeatureHandler {
 public:
  static constexpr const WCHAR* kPath = u"printing/PrintColorAsGray";
  static const GOptionRow kRows[4];

  GPrintColorAsGrayHandler();
  explicit GPrintColorAsGrayHandler(GDMCLibrary* library);
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;
  uint16_t GetOptionCount() const { return optionCount_; }

 private:
  uint16_t optionCount_;
};

// "printing/QVTintwright" (364/304): "Manual" (6) imports the colour
// sub-features into the colour-control attribute of group 364.
class GTintwrightHandler : public GConfigFeatureHandler {
 public:
  static constexpr const WCHAR* kPath = u"printing/QVTintwright";
  static constexpr size_t kBufferBytes = 256;
  static constexpr int16_t kManual = 6;

  // Which colour-control attribute carries a sub-feature.
  enum Version : uint8_t { kFirst = 1, kSecond = 2, kBoth = 3 };
  // An option text and its code.
  struct Choice {
    const WCHAR* text;
    uint8_t code;
  };
  // One colour sub-feature: its path, the code it sets (object type and
  // selector), the options that import to a code (any other imports
  // otherCode) and the codes that export as an option (any other exports
  // otherText).
  struct SubFeature {
    const WCHAR* path;
    int objectType;
    int selector;
    Version version;
    bool counts;  // a missing path keeps the attribute's codes
    Choice imports[3];
    uint8_t importCount;
    uint8_t otherCode;
    Choice exports[3];
    uint8_t exportCount;
    const WCHAR* otherText;
  };
  static constexpr size_t kSubFeatureCount = 11;
  static const SubFeature kSubFeatures[kSubFeatureCount];

  GTintwrightHandler();
  explicit GTintwrightHandler(GDMCLibrary* library);
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;

  // The code an option text imports to, and the option text of a code.
  static uint8_t ImportCode(const SubFeature& feature, LPCWSTR text);
  static LPCWSTR ExportText(const SubFeature& feature, uint8_t code);

 private:
  void ImportColors();

  // The running call's settings and change list.
  GAttributeComposite* settings_ = nullptr;
  GAttributeComposite* changes_ = nullptr;
};

// Creators for the client's handler table.
GConfigFeatureHandler* CreatePrintQualityHandler(GDMCLibrary* library, GDriverInstance* instance);
GConfigFeatureHandler* CreateResolutionHandler(GDMCLibrary* library, GDriverInstance* instance);
GConfigFeatureHandler* CreatePrintColorAsGrayHandler(GDMCLibrary* library, GDriverInstance* instance);
GConfigFeatureHandler* CreateTintwrightHandler(GDMCLibrary* library, GDriverInstance* instance);
