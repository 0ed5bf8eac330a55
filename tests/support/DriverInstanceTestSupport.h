// A concrete driver instance for the tests: the pure operations answer
// plainly, and the document settings are whatever the test installs.
#pragma once

#include "driver/GDriverInstance.h"
#include "model/GAttributeComposite.h"

namespace qvtest {

class TestDriverInstance : public GUIDriverInstance {
 public:
  TestDriverInstance() { SetNames(RWWString(u"Test Printer"), RWWString(u"Test Driver"), RWWString(u"LPT1:")); }

  // Takes the settings over (null removes them).
  void InstallSettings(GAttributeComposite* settings) { SetStoredDocumentSettings(settings); }

  void RefreshAppFlags() override {}
  GAttributeComposite* CreateDefaultSettings() override { return nullptr; }
  GAttributeComposite* GetDocumentSettings() override { return StoredDocumentSettings(); }
  GPrinterKey* GetPrinterKey() override { return nullptr; }
  RWWString GetJobStorageKeyPath() override { return RWWString(); }
  GAttributeComposite* GetDevModeSettings() override { return StoredDocumentSettings(); }
  int IsRemotePrinter() override { return remote; }

  int remote = 0;
};

}  // namespace qvtest
