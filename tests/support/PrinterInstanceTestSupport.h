// A print-side driver instance for the page filters' tests: its device
// model is a root holding one printer with the configuration given, which
// the filters read through GDriverInstance::GetPrinterConfiguration.
#pragma once

#include "driver/GDriverInstance.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "printpath/GPeripheralComposite.h"
#include "printpath/GPrinter.h"

namespace qvtest {

class PrinterConfiguredInstance : public GDriverInstance {
 public:
  // Takes the configuration over.
  explicit PrinterConfiguredInstance(GConfiguration* configuration) {
    const int32_t rootId = GFeatureIds::kDeviceModelRoot;
    const int32_t printerId = GFeatureIds::kDeviceEntry;
    auto* root = new GPeripheralComposite(&rootId);
    auto* printer = new GPrinter(&printerId);
    printer->SetConfiguration(configuration);
    root->AddChild(printer);
    SetDeviceModel(root);
  }
  void RefreshAppFlags() override {}
  void* GetRenderObject() override { return this; }
  void* GetDriverObject() override { return nullptr; }
  GAttributeComposite* CreateDefaultSettings() override { return nullptr; }
  GAttributeComposite* GetDocumentSettings() override { return nullptr; }
  GAttributeComposite* GetDevModeSettings() override { return nullptr; }
  void Release() override {}
  GPrinterKey* GetPrinterKey() override { return nullptr; }
  RWWString GetJobStorageKeyPath() override { return RWWString(); }
};

}  // namespace qvtest
