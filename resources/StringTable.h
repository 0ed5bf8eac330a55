// The module's own string table, authored here as data. Whoever installs the
// module in the platform's module table (the module's tests, the host) gives
// it this table, so that LoadStringW on the module's instance finds the
// texts the module shows.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "win32/Types.h"

struct StringTableEntry {
  UINT id;
  const char16_t* text;
};

// The entries in ascending id order.
const StringTableEntry* StringTableEntries(size_t* count);
// The same entries as the module table of the platform takes them.
const std::map<UINT, std::u16string>& ModuleStringTable();
