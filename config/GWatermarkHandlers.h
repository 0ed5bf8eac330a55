// The watermark feature handlers of the configuration tree. GWatermarksHandler
// selects one of the built-in watermarks for the job ("printing/Watermarks"),
// lets one detail handler per sub-feature (colour, font, escapement with its
// custom angle, first page only, font style, shade) import the look into
// the job's current watermark (364/379), and then copies that look into the
// selected record of the watermark pool (378), so that the administrator's
// definition becomes the stored one. Export writes the selection and the
// look of the selected record.
#pragma once

#include <cstdint>

#include "config/GConfigFeatureHandler.h"

class GAttributeComposite;

// A detail handler: one sub-feature of "printing/Watermarks" and the
// attributes of the current watermark it owns. The import creates the owned
// attributes that are missing with their defaults, then applies the first
// row whose text is the tree's option.
class GWatermarkDetailHandler : public GConfigFeatureHandler {
 public:
  using GConfigFeatureHandler::GConfigFeatureHandler;

  // The job's current watermark (364/379), or null.
  static GAttributeComposite* FindCurrentWatermark(GAttributeComposite* settings);
  // Adds a value attribute with the default to the watermark when it has
  // none with the id.
  static void EnsureValue(GAttributeComposite* watermark, int32_t id, int16_t value);
};

// "printing/Watermarks/WMColor": red, green and blue (398, 399, 400).
class GWMColorHandler : public GWatermarkDetailHandler {
 public:
  // A colour as one 32-bit value: red in bits 0-7, green 8-15, blue 16-23.
  struct Row {
    uint32_t color;
    const WCHAR* text;
  };
  static constexpr uint16_t kOptionCount = 7;
  static const Row kRows[kOptionCount];
  static constexpr int16_t kDefault = 224;

  GWMColorHandler() = default;
  explicit GWMColorHandler(GDMCLibrary* library) : GWatermarkDetailHandler(library) {}
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* object) override;
};

// "printing/Watermarks/WMFont": the font name 386 (the option text itself);
// the character set 387 is only ensured.
class GWMFontHandler : public GWatermarkDetailHandler {
 public:
  static constexpr uint16_t kOptionCount = 4;
  static const WCHAR* const kRows[kOptionCount];
  static constexpr const char* kDefaultFont = "Arial";
  // Characters of the font name compared on export.
  static constexpr size_t kFontNameChars = 127;

  GWMFontHandler() = default;
  explicit GWMFontHandler(GDMCLibrary* library) : GWatermarkDetailHandler(library) {}
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* object) override;
};

// "printing/Watermarks/WMFontEscapement" 393 and, for a custom escapement,
// the angle 394 from ".../WMFontEscapement/WMCustomAngle".
class GWMFontEscapementHandler : public GWatermarkDetailHandler {
 public:
  static constexpr uint16_t kOptionCount = 5;
  static const GOptionRow kRows[kOptionCount];
  static constexpr int16_t kCustom = 4;
  static constexpr size_t kAngleWideBytes = 128;
  static constexpr size_t kAngleNarrowBytes = 64;

  GWMFontEscapementHandler() = default;
  explicit GWMFontEscapementHandler(GDMCLibrary* library) : GWatermarkDetailHandler(library) {}
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* object) override;
};

// "printing/Watermarks/WMFirstPageOnly" 382; its export reads the job's
// current watermark of the settings root it is given.
class GWMFirstPageOnlyHandler : public GWatermarkDetailHandler {
 public:
  static constexpr uint16_t kOptionCount = 3;
  static const GOptionRow kRows[kOptionCount];

  GWMFirstPageOnlyHandler() = default;
  explicit GWMFirstPageOnlyHandler(GDMCLibrary* library) : GWatermarkDetailHandler(library) {}
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;
};

// "printing/Watermarks/WMFontStyle" 388.
class GWMFontStyleHandler : public GWatermarkDetailHandler {
 public:
  static constexpr uint16_t kOptionCount = 6;
  static const GOptionRow kRows[kOptionCount];

  GWMFontStyleHandler() = default;
  explicit GWMFontStyleHandler(GDMCLibrary* library) : GWatermarkDetailHandler(library) {}
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* object) override;
};

// "printing/Watermarks/WMShadeLevel" 403.
class GWMShadeLevelHandler : public GWatermarkDetailHandler {
 public:
  static constexpr uint16_t kOptionCount = 10;
  static const GOptionRow kRows[kOptionCount];

  GWMShadeLevelHandler() = default;
  explicit GWMShadeLevelHandler(GDMCLibrary* library) : GWatermarkDetailHandler(library) {}
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* object) override;
};

// "printing/Watermarks": the selection 383 and the built-in number 1112.
class GWatermarksHandler : public GConfigFeatureHandler {
 public:
  static constexpr uint16_t kOptionCount = 4;
  static const GOptionRow kRows[kOptionCount];
  static constexpr size_t kSelectionBytes = 256;

  GWatermarksHandler() = default;
  explicit GWatermarksHandler(GDMCLibrary* library) : GConfigFeatureHandler(library) {}
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;
};

// Creator for the configuration client's handler table; the caller deletes
// the handler.
GConfigFeatureHandler* CreateWatermarksHandler(GDMCLibrary* library, GDriverInstance* instance);
