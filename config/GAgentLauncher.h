// GAgentLauncher: a companion-module launcher that starts the network
// registry agent's helper for one printer only when the printer asks for
// it. The request is the printer's "QvrdbUpdateRequest" printer-data value,
// read from the registry key where the spooler keeps the printer's data: 1
// (or missing, which is then created as 0) launches, anything else does not.
#pragma once

#include "driver/GExternalModule.h"
#include "rw/RWWString.h"

class GAgentLauncher : public GExternalModule {
 public:
  GAgentLauncher(const RWWString& printerName, HANDLE printer);
  ~GAgentLauncher() override;

  // 0: launches are never held back here. A launch is skipped when it
  // answers non-zero.
  virtual int IsBlocked();
  // Told 1 just before a launch and 0 after a failed one; does nothing. 1.
  virtual int SetPending(int pending);

  // Reads the printer's request and, when it asks for a launch, loads the
  // module and starts it; the loaded flag tells whether that worked.
  void StartIfRequested();
  // Loads the module of the module path and starts it. A start answering 0
  // or 1 keeps the module loaded and gives 1; anything else frees it again
  // and gives 0, as does a module that cannot be loaded.
  int LoadAndStart();
  // When loaded: frees the module and clears the loaded flag.
  void Unload();

  // The request value and the registry key the spooler keeps printers under
  // (relative to HKEY_LOCAL_MACHINE).
  static constexpr const char16_t* kRequestValueName = u"QvrdbUpdateRequest";
  static constexpr const char16_t* kPrintersKey = u"System\\CurrentControlSet\\Control\\Print\\Printers\\";

  // The key of the printer's printer data: the printer's own key when it
  // exists, else (a connection) the key of its name with every backslash
  // turned into a comma. Empty when neither key exists.
  static RWWString PrinterDataKey(const RWWString& printerName);
};
