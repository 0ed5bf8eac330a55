// The module's own string table, authored here as data. The module's image
// carries it in its resource section (IMAGE_RESOURCE_SECTION_NAME), so that
// whoever loads the module with LoadLibrary finds the texts it shows through
// LoadStringW on its instance; a test that installs the module's entry by
// hand gives it the same table.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "win32/Module.h"

typedef IMAGE_RESOURCE_STRING StringTableEntry;

// The entries in ascending id order.
const StringTableEntry* StringTableEntries(size_t* count);
// The same entries as the module table of the platform takes them.
const std::map<UINT, std::u16string>& ModuleStringTable();
