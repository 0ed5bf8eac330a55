// The feature handlers the configuration client creates by feature name: a
// table of names and creators, compared in order with the library's exact
// text compare. Also the creator of the model bundle handler, which the
// client runs before the features of "physical" and "factory/physical".
#pragma once

#include <cstddef>

#include "win32/Types.h"

class GConfigFeatureHandler;
class GDMCLibrary;
class GDriverInstance;

// A new handler for the library (and the driver instance, for the handlers
// that read the device model); the caller deletes it.
using GConfigHandlerCreator = GConfigFeatureHandler* (*)(GDMCLibrary* library, GDriverInstance* instance);

struct GConfigHandlerEntry {
  const WCHAR* name;              // feature name as the library lists it
  GConfigHandlerCreator create;   // null: no handler for the feature yet
};

// The table, in compare order, and its length.
const GConfigHandlerEntry* ConfigHandlerEntries(size_t* count);

// The handler of the first entry whose name equals the feature name; null
// when no entry matches or the entry has no creator.
GConfigFeatureHandler* CreateConfigFeatureHandler(LPCWSTR featureName, GDMCLibrary* library,
                                                  GDriverInstance* instance);

// The model bundle handler ("physical/Bundles").
GConfigFeatureHandler* CreateBundlesHandler(GDMCLibrary* library, GDriverInstance* instance);
