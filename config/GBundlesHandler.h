// GBundlesHandler: the model bundle, "physical/Bundles". The tree names a
// printer model of the family; importing it gives the settings the whole
// set of installed options the printer configuration's model list keeps for
// that model (through the driver instance), and exporting finds the model
// of the settings' bundle number (365/927) and writes its option text. The
// configuration client runs it before the features of "physical" and, on a
// factory export, of "factory/physical".
#pragma once

#include <cstdint>

#include "config/GConfigFeatureHandler.h"

class GDriverInstance;

// One model of the family: its name as the model list holds it and the
// option text the library uses for it (they may differ in case and spacing).
struct GBundleRow {
  const char* modelName;
  const WCHAR* optionText;
};

class GBundlesHandler : public GConfigFeatureHandler {
 public:
  static constexpr const WCHAR* kPath = u"physical/Bundles";
  static constexpr size_t kBufferBytes = 256;
  static constexpr uint16_t kRowCount = 55;
  static const GBundleRow kRows[kRowCount];

  GBundlesHandler();
  GBundlesHandler(GDMCLibrary* library, GDriverInstance* instance);

  int Import(GAttributeComposite* settings, GAttributeComposite* changes) override;
  int Export(GAttributeComposite* settings) override;

  uint16_t GetOptionCount() const { return optionCount_; }
  GDriverInstance* GetDriverInstance() const { return instance_; }

 private:
  uint16_t optionCount_;
  GDriverInstance* instance_;
};

// The creator the configuration client calls for the model bundle.
GConfigFeatureHandler* CreateModelBundlesHandler(GDMCLibrary* library, GDriverInstance* instance);
