// How the platform factory and the services built on it reach the driver
// instance they work for: through the instance members of the upward
// services (GUpwardServices) where a test installed its own, else through
// the instance itself.
#pragma once

#include "driver/GUpwardServices.h"
#include "rw/RWWString.h"

class GDriverInstance;
class MPersistentObject;

// Empty or null without an instance.
RWWString InstancePrinterName(GDriverInstance* instance);
MPersistentObject* InstancePrinterConfiguration(GDriverInstance* instance);
// A new document settings composite with the instance's defaults (the
// caller owns it), or null.
MPersistentObject* InstanceDefaultSettings(GDriverInstance* instance);
