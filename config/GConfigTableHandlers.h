// The feature handlers that are nothing but an option table: each maps the
// option texts of one feature of the configuration tree to the values of one
// attribute of the settings, through GTableFeatureHandler and a GTableFeature
// record kept as data. A few add a small rule of their own (a condition, a
// second attribute, the context set first). GScaleFromLargePaperHandler has
// no table: "TRUE" is 1, anything else 0.
#pragma once

#include <cstdint>

#include "config/GConfigFeatureHandler.h"
#include "model/GFeatureIds.h"

// Everything a table handler needs to know of its feature.
struct GTableFeature {
  const WCHAR* path;        // feature path read on import
  const WCHAR* exportPath;  // feature path written on export
  int32_t group;            // group of the settings root
  int32_t id;               // attribute in the group
  const GOptionRow* rows;
  uint16_t count;           // rows in use
  uint16_t bufferBytes;     // text buffer handed to the library
  GChangeRule rule;         // what an import records in the change list
  bool strictExport;        // export answers the library's answer
};

class GTableFeatureHandler : public GConfigFeatureHandler {
 public:
  explicit GTableFeatureHandler(const GTableFeature& feature);
  GTableFeatureHandler(GDMCLibrary* library, const GTableFeature& feature);

  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;

  const GTableFeature& Feature() const { return *feature_; }
  uint16_t GetOptionCount() const { return optionCount_; }

 protected:
  // The table import; matched receives the value of the row that matched.
  int ImportRows(GAttributeComposite* settings, GAttributeComposite* changes, int16_t* matched = nullptr);

  const GTableFeature* feature_;
  uint16_t optionCount_;
};

#define QV_TABLE_FEATURE_HANDLER(Name)                                            \
  class Name : public GTableFeatureHandler {                                      \
   public:                                                                        \
    static const GTableFeature kFeature;                                          \
    Name() : GTableFeatureHandler(kFeature) {}                                    \
    explicit Name(GDMCLibrary* library) : GTableFeatureHandler(library, kFeature) {} \
  }

// Margins: the library's current feature is set before anything else.
class GSymmetricalMarginsHandler : public GTableFeatureHandler {
 public:
  static const GTableFeature kFeature;
  GSymmetricalMarginsHandler() : GTableFeatureHandler(kFeature) {}
  explicit GSymmetricalMarginsHandler(GDMCLibrary* library) : GTableFeatureHandler(library, kFeature) {}
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
};

class GEmulateSTMarginsHandler : public GTableFeatureHandler {
 public:
  static const GTableFeature kFeature;
  GEmulateSTMarginsHandler() : GTableFeatureHandler(kFeature) {}
  explicit GEmulateSTMarginsHandler(GDMCLibrary* library) : GTableFeatureHandler(library, kFeature) {}
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
};

// Imported only while manual duplex (365/245) is on.
class GStraightPaperPathHandler : public GTableFeatureHandler {
 public:
  static const GTableFeature kFeature;
  GStraightPaperPathHandler() : GTableFeatureHandler(kFeature) {}
  explicit GStraightPaperPathHandler(GDMCLibrary* library) : GTableFeatureHandler(library, kFeature) {}
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
};

// An installed tray 1 also sets 365/274 to 8.
class GTray1Handler : public GTableFeatureHandler {
 public:
  static const GTableFeature kFeature;
  GTray1Handler() : GTableFeatureHandler(kFeature) {}
  explicit GTray1Handler(GDMCLibrary* library) : GTableFeatureHandler(library, kFeature) {}
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
};

QV_TABLE_FEATURE_HANDLER(GManualDuplexHandler);
QV_TABLE_FEATURE_HANDLER(GPageOrderHandler);
QV_TABLE_FEATURE_HANDLER(GIgnoreCollationChoiceHandler);
QV_TABLE_FEATURE_HANDLER(GBinderChoiceHandler);
QV_TABLE_FEATURE_HANDLER(GPatternScalingChoiceHandler);
QV_TABLE_FEATURE_HANDLER(GZepChoiceHandler);
QV_TABLE_FEATURE_HANDLER(GKivChoiceHandler);
QV_TABLE_FEATURE_HANDLER(GRasterizationChoiceHandler);
QV_TABLE_FEATURE_HANDLER(GJobRetentionModeChoiceHandler);
QV_TABLE_FEATURE_HANDLER(GEdgeToEdgeHandler);
QV_TABLE_FEATURE_HANDLER(GMonoChromeChoiceHandler);
QV_TABLE_FEATURE_HANDLER(GCollationUnitHandler);
QV_TABLE_FEATURE_HANDLER(GDeviceIsPlurexHandler);
QV_TABLE_FEATURE_HANDLER(GScannerChoiceHandler);
QV_TABLE_FEATURE_HANDLER(GBinderUnitHandler);
QV_TABLE_FEATURE_HANDLER(GDuplexUnitHandler);
QV_TABLE_FEATURE_HANDLER(GBookletTargetSizeHandler);
QV_TABLE_FEATURE_HANDLER(GTTAsBitmapSettingHandler);
QV_TABLE_FEATURE_HANDLER(GScalePageChoiceHandler);
QV_TABLE_FEATURE_HANDLER(GTextAsBlackHandler);
QV_TABLE_FEATURE_HANDLER(GOrientationHandler);
QV_TABLE_FEATURE_HANDLER(GSparetoneHandler);
QV_TABLE_FEATURE_HANDLER(GEnvFeederHandler);
QV_TABLE_FEATURE_HANDLER(GJobRetentionHandler);
QV_TABLE_FEATURE_HANDLER(GJobRetentionAvailableHandler);
QV_TABLE_FEATURE_HANDLER(GPrinterHardDiskHandler);

#undef QV_TABLE_FEATURE_HANDLER

// "physical/ScaleFromLargePaper" (365/915): "TRUE" imports 1, any other
// text 0; export writes "TRUE" for 1 and "FALSE" otherwise.
class GScaleFromLargePaperHandler : public GConfigFeatureHandler {
 public:
  static constexpr const WCHAR* kPath = u"physical/ScaleFromLargePaper";
  static constexpr int32_t kId = GFeatureIds::kScaleFromLargePaper;
  static constexpr size_t kBufferBytes = 256;

  GScaleFromLargePaperHandler() = default;
  explicit GScaleFromLargePaperHandler(GDMCLibrary* library) : GConfigFeatureHandler(library) {}
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;
};
