// GNT40DocumentServices: what the driver object's document operations need
// from the layers above the driver core: the number of registered
// configuration providers of a service (the provider registry), and the
// configuration library's two runs (restoring the factory contexts after a
// document sheet, updating the defaults of a new printer or of a printer
// that has no DEVMODE yet). The module installs them at start-up; without them no provider
// counts and the configuration-library runs are skipped.
#pragma once

#include "rw/RWWString.h"

class GAttributeComposite;
class GDriverInstance;

struct GNT40DocumentServices {
  // The number of registered providers that serve the services.
  int (*countProviders)(unsigned services) = nullptr;
  // Restores the factory contexts ("factory/physical", then
  // "factory/printing") into the settings of the instance's printer.
  int (*restoreFactory)(GAttributeComposite* settings, GDriverInstance* instance,
                        const RWWString& printerName) = nullptr;
  // Updates the settings from the configuration library for the printer
  // (mode 0: a printer of this machine).
  int (*update)(GAttributeComposite* settings, GDriverInstance* instance, const RWWString& printerName,
                int mode) = nullptr;
};

// Installs the services (a default-made record removes them).
void SetNT40DocumentServices(const GNT40DocumentServices& services);
GNT40DocumentServices GetNT40DocumentServices();
