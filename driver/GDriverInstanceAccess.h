// GDriverInstanceAccess: how the platform factory and the services built on
// it reach the driver instance they work for. The driver instance is defined
// with the driver objects, which are built on the factory; the module that
// defines them installs these accessors when it starts. Until then an
// instance has no printer name and no printer configuration.
#pragma once

#include "rw/RWWString.h"

class GDriverInstance;
class MPersistentObject;

struct GDriverInstanceAccess {
  // The instance's spooler printer name.
  RWWString (*printerName)(GDriverInstance* instance) = nullptr;
  // The printer configuration of the instance's device model (borrowed), or null.
  MPersistentObject* (*printerConfiguration)(GDriverInstance* instance) = nullptr;
};

// Installs the accessors (a default-made record removes them).
void SetDriverInstanceAccess(const GDriverInstanceAccess& access);
// Whether any accessors are installed.
bool HasDriverInstanceAccess();

// Through the installed accessors; empty or null without them or without an instance.
RWWString InstancePrinterName(GDriverInstance* instance);
MPersistentObject* InstancePrinterConfiguration(GDriverInstance* instance);
