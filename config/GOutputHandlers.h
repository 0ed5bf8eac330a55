// The feature handlers of output, finishing, duplex and the installed output
// accessory and paper source. Their values depend on each other or on the
// installed accessories: the output bin and stapling are refined by the
// accessory part number, duplex and its automatic scaling need a duplex
// unit or manual duplex, booklet printing forces one page per sheet, and
// the accessory and paper-source texts also mark the matching device of the
// printer's device list as installed.
#pragma once

#include <cstdint>

#include "config/GConfigFeatureHandler.h"
#include "config/GConfigTableHandlers.h"

class GDriverInstance;

// Accessory part numbers of the output accessories, as the library and the
// model name them.
namespace dmcaccessory {
constexpr const char* kK5210 = "K5210";
constexpr const char* kK5211 = "K5211";
constexpr const char* kK5212 = "K5212";
constexpr const char* kK5213 = "K5213";
constexpr const char* kK5214 = "K5214";
}  // namespace dmcaccessory

// "printing/OutputBin" (362/248), refined by the installed accessory
// (365/316); "Stacker-Stapled" and "Stacker" stand for several bins.
class GOutputBinHandler : public GConfigFeatureHandler {
 public:
  static constexpr const WCHAR* kPath = u"printing/OutputBin";
  static const GOptionRow kRows[12];

  GOutputBinHandler();
  explicit GOutputBinHandler(GDMCLibrary* library);
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;
  uint16_t GetOptionCount() const { return optionCount_; }

 private:
  uint16_t optionCount_;
};

// "printing/StaplerChoice/Stapling" (362/289, stitching 362/982).
class GStaplingHandler : public GConfigFeatureHandler {
 public:
  static constexpr const WCHAR* kPath = u"printing/StaplerChoice/Stapling";
  static const GOptionRow kRows[10];

  GStaplingHandler();
  explicit GStaplingHandler(GDMCLibrary* library);
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;
  uint16_t GetOptionCount() const { return optionCount_; }

 private:
  uint16_t optionCount_;
};

// "printing/StaplerChoice" (362/278), only with a stapler installed
// (365/311); runs the stapling handler after it.
class GStaplerChoiceHandler : public GConfigFeatureHandler {
 public:
  static constexpr const WCHAR* kPath = u"printing/StaplerChoice";
  static const GOptionRow kRows[2];

  GStaplerChoiceHandler();
  explicit GStaplerChoiceHandler(GDMCLibrary* library);
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;
  uint16_t GetOptionCount() const { return optionCount_; }

 private:
  uint16_t optionCount_;
};

// "printing/Duplex/QVAutoDuplexScaling" (362/983) below "printing/Duplex";
// on, it also turns symmetrical margins (362/713) on.
class GAutoDuplexScalingHandler : public GConfigFeatureHandler {
 public:
  static constexpr const WCHAR* kDuplexPath = u"printing/Duplex";
  static constexpr const WCHAR* kPath = u"printing/Duplex/QVAutoDuplexScaling";
  static const GOptionRow kRows[2];

  GAutoDuplexScalingHandler();
  explicit GAutoDuplexScalingHandler(GDMCLibrary* library);
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;
  uint16_t GetOptionCount() const { return optionCount_; }

  // 1 when the printer can print on both sides: manual duplex enabled
  // (365/245 = 3) or a duplex unit installed (365/308 = 1).
  static int CanDuplex(GAttributeComposite* settings);

 private:
  uint16_t optionCount_;
};

// "printing/Duplex" (362/253) with its binding edge
// "printing/Duplex/DuplexEdge"; duplex on turns the page order to back to
// front and brings the automatic duplex scaling along.
class GDuplexHandler : public GConfigFeatureHandler {
 public:
  static constexpr const WCHAR* kPath = u"printing/Duplex";
  static constexpr const WCHAR* kEdgePath = u"printing/Duplex/DuplexEdge";
  static const GOptionRow kRows[3];

  GDuplexHandler();
  explicit GDuplexHandler(GDMCLibrary* library);
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;
  uint16_t GetOptionCount() const { return optionCount_; }

 private:
  uint16_t optionCount_;
};

// "printing/BookletPrintingChoice" (362/279); booklet printing forces one
// page per sheet (362/266).
class GBookletPrintingChoiceHandler : public GTableFeatureHandler {
 public:
  static const GTableFeature kFeature;
  GBookletPrintingChoiceHandler() : GTableFeatureHandler(kFeature) {}
  explicit GBookletPrintingChoiceHandler(GDMCLibrary* library) : GTableFeatureHandler(library, kFeature) {}
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
};

// "printing/NUpChoice/NUpBordersChoice" (362/267).
class GNUpBordersChoiceHandler : public GTableFeatureHandler {
 public:
  static const GTableFeature kFeature;
  GNUpBordersChoiceHandler() : GTableFeatureHandler(kFeature) {}
  explicit GNUpBordersChoiceHandler(GDMCLibrary* library) : GTableFeatureHandler(library, kFeature) {}
};

// "printing/NUpChoice/NUpPageOrderChoice" (362/268).
class GNUpPageOrderChoiceHandler : public GTableFeatureHandler {
 public:
  static const GTableFeature kFeature;
  GNUpPageOrderChoiceHandler() : GTableFeatureHandler(kFeature) {}
  explicit GNUpPageOrderChoiceHandler(GDMCLibrary* library) : GTableFeatureHandler(library, kFeature) {}
};

// "printing/NUpChoice" (362/266) and its page order and borders; not
// imported while booklet printing is on.
class GNUpChoiceHandler : public GConfigFeatureHandler {
 public:
  static constexpr const WCHAR* kPath = u"printing/NUpChoice";
  static const GOptionRow kRows[6];

  GNUpChoiceHandler();
  explicit GNUpChoiceHandler(GDMCLibrary* library);
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;
  uint16_t GetOptionCount() const { return optionCount_; }

 private:
  uint16_t optionCount_;
};

// An installed device named by a text option: the text is stored in a
// string attribute of the installable options, a word stands for the empty
// text, and the device of the printer's device list (90) with that model
// name is marked installed.
struct GDeviceOption {
  const WCHAR* path;      // feature path
  int32_t id;             // string attribute in group 365
  const WCHAR* noneText;  // option text of the empty text
  bool accessoryFlags;    // the output accessory also sets 311 and 981
};

class GDeviceOptionHandler : public GConfigFeatureHandler {
 public:
  static constexpr size_t kBufferBytes = 256;
  static constexpr size_t kNarrowBytes = 128;

  GDeviceOptionHandler(GDMCLibrary* library, GDriverInstance* instance, const GDeviceOption& option);
  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;
  GDriverInstance* GetDriverInstance() const { return instance_; }

 private:
  GDriverInstance* instance_;
  const GDeviceOption* option_;
};

// "physical/AccessoryOutputBins" (365/316), "NotInstalled" for none.
class GAccessoryOutputBinsHandler : public GDeviceOptionHandler {
 public:
  static const GDeviceOption kOption;
  GAccessoryOutputBinsHandler() : GDeviceOptionHandler(nullptr, nullptr, kOption) {}
  GAccessoryOutputBinsHandler(GDMCLibrary* library, GDriverInstance* instance)
      : GDeviceOptionHandler(library, instance, kOption) {}
};

// "physical/OptionalPaperSources" (365/315), "None" for none.
class GOptionalPaperSourcesHandler : public GDeviceOptionHandler {
 public:
  static const GDeviceOption kOption;
  GOptionalPaperSourcesHandler() : GDeviceOptionHandler(nullptr, nullptr, kOption) {}
  GOptionalPaperSourcesHandler(GDMCLibrary* library, GDriverInstance* instance)
      : GDeviceOptionHandler(library, instance, kOption) {}
};

// Creators for the client's handler table.
GConfigFeatureHandler* CreateOutputBinHandler(GDMCLibrary* library, GDriverInstance* instance);
GConfigFeatureHandler* CreateStaplingHandler(GDMCLibrary* library, GDriverInstance* instance);
GConfigFeatureHandler* CreateStaplerChoiceHandler(GDMCLibrary* library, GDriverInstance* instance);
GConfigFeatureHandler* CreateDuplexHandler(GDMCLibrary* library, GDriverInstance* instance);
GConfigFeatureHandler* CreateAutoDuplexScalingHandler(GDMCLibrary* library, GDriverInstance* instance);
GConfigFeatureHandler* CreateBookletPrintingChoiceHandler(GDMCLibrary* library, GDriverInstance* instance);
GConfigFeatureHandler* CreateNUpChoiceHandler(GDMCLibrary* library, GDriverInstance* instance);
GConfigFeatureHandler* CreateAccessoryOutputBinsHandler(GDMCLibrary* library, GDriverInstance* instance);
GConfigFeatureHandler* CreateOptionalPaperSourcesHandler(GDMCLibrary* library, GDriverInstance* instance);
