// GNT40DMCClient: the configuration client of the NT 4.0 driver. Its update
// brings a printer's settings up to date from the configuration library's
// tree (installed options, then job defaults); RestoreFactory writes the
// settings into the library's factory contexts. The printer set-up, the
// property sheets and the DEVMODE conversion create one for a single call.
#pragma once

#include "config/GDMCClient.h"

class GNT40DMCClient : public GDMCClient {
 public:
  GNT40DMCClient(GAttributeComposite* settings, GDriverInstance* instance);

  // Mode 0 imports the installed options and then the job defaults (only
  // the job defaults of an auto-configured printer); mode 2 the job
  // defaults of a per-user connection. 1 when the import ran; the result is
  // stamped as "DMCLastUpdate".
  int Update(const RWWString& printerName, int mode) override;
  // Exports "factory/physical" and then "factory/printing" for the
  // printer; the last walk's result, 0 when the export could not start.
  int RestoreFactory(const RWWString& printerName);

  // The driver core's two configuration-library runs, each through a client
  // made for the one call (the module installs them as its document
  // services).
  static int RunUpdate(GAttributeComposite* settings, GDriverInstance* instance, const RWWString& printerName,
                       int mode);
  static int RunRestoreFactory(GAttributeComposite* settings, GDriverInstance* instance,
                               const RWWString& printerName);
};
