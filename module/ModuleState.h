// The module's process-wide state, built by DllMain at process attach and
// reset at process detach, and used by the exported entry points.
#pragma once

#include <cstdint>

#include "win32/Types.h"

class GDriverServer;
class GModuleKeeper;
class GPrinterHandleTable;

namespace qvmodule {

// The keep-loaded guard: a static object of the module.
GModuleKeeper& Keeper();
// The driver server fetched at attach; null before attach or after a
// failed one.
GDriverServer* Server();
// The printer-handle table of the document events; null outside attach.
GPrinterHandleTable* PrinterHandles();
// The companion module's application flags read at attach.
uint32_t AppFlags();

}  // namespace qvmodule

// The export attribute of the module's entry points.
#define QV_EXPORT extern "C" __attribute__((visibility("default")))
