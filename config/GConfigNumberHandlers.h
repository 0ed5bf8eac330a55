// The feature handlers whose option is a decimal number: copies, memory,
// the driver's work space, the scale and the dry time. The tree's text is
// narrowed by the library and read as the C runtime reads an integer; each
// handler decides which numbers it accepts and how a value is written back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "config/GConfigFeatureHandler.h"

struct GNumberFeature {
  const WCHAR* path;
  int32_t group;
  int32_t id;
  uint16_t bufferBytes;
};

class GNumberFeatureHandler : public GConfigFeatureHandler {
 public:
  explicit GNumberFeatureHandler(const GNumberFeature& feature);
  GNumberFeatureHandler(GDMCLibrary* library, const GNumberFeature& feature);

  // Accepted numbers are stored and a copy of the attribute is recorded.
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  // Writes the number of the attribute's value; the library's answer.
  int Export(GAttributeComposite* settings) override;

  const GNumberFeature& Feature() const { return *feature_; }

 protected:
  // The value a number imports as; false when it is refused.
  virtual bool Accept(int32_t number, int16_t* value) const = 0;
  // The number a value is exported as.
  virtual int32_t Exported(int16_t value) const = 0;
  // The attribute an export reads.
  virtual GValueAttribute* ExportedAttribute(GAttributeComposite* settings);

  const GNumberFeature* feature_;
};

// Counts accepted when their low 16 bits are not 0, kept as 16-bit values and
// written back unsigned.
class GCountFeatureHandler : public GNumberFeatureHandler {
 public:
  using GNumberFeatureHandler::GNumberFeatureHandler;

 protected:
  bool Accept(int32_t number, int16_t* value) const override;
  int32_t Exported(int16_t value) const override;
};

class GCopiesHandler : public GCountFeatureHandler {
 public:
  static const GNumberFeature kFeature;
  GCopiesHandler() : GCountFeatureHandler(kFeature) {}
  explicit GCopiesHandler(GDMCLibrary* library) : GCountFeatureHandler(library, kFeature) {}
};

class GMemoryHandler : public GCountFeatureHandler {
 public:
  static const GNumberFeature kFeature;
  GMemoryHandler() : GCountFeatureHandler(kFeature) {}
  explicit GMemoryHandler(GDMCLibrary* library) : GCountFeatureHandler(library, kFeature) {}
};

// Its export needs the installable options and then takes the first
// attribute 202 anywhere in the settings.
class GDriverWorkSpaceSettingHandler : public GCountFeatureHandler {
 public:
  static const GNumberFeature kFeature;
  GDriverWorkSpaceSettingHandler() : GCountFeatureHandler(kFeature) {}
  explicit GDriverWorkSpaceSettingHandler(GDMCLibrary* library) : GCountFeatureHandler(library, kFeature) {}

 protected:
  GValueAttribute* ExportedAttribute(GAttributeComposite* settings) override;
};

// Percent from 25 to 400.
class GScaleChoiceHandler : public GNumberFeatureHandler {
 public:
  static const GNumberFeature kFeature;
  GScaleChoiceHandler() : GNumberFeatureHandler(kFeature) {}
  explicit GScaleChoiceHandler(GDMCLibrary* library) : GNumberFeatureHandler(library, kFeature) {}

 protected:
  bool Accept(int32_t number, int16_t* value) const override;
  int32_t Exported(int16_t value) const override;
};

// Dry-time adjustments in steps of 5 map to the values 1-10; 4 (none) is
// never imported.
class GDryTimeHandler : public GNumberFeatureHandler {
 public:
  static const GNumberFeature kFeature;
  GDryTimeHandler() : GNumberFeatureHandler(kFeature) {}
  explicit GDryTimeHandler(GDMCLibrary* library) : GNumberFeatureHandler(library, kFeature) {}

 protected:
  bool Accept(int32_t number, int16_t* value) const override;
  int32_t Exported(int16_t value) const override;
};
