// The testing interface of the stand-in, part Registry: see "w32test/Testing.h".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win32/Registry.h"

namespace w32test {

struct RegistryValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

// Pre-set and read registry state without handles or access checks. Paths
// are relative to the root, as in the calls.
void SetRegistryValue(HKEY root, const std::u16string& path, const std::u16string& name, DWORD type,
                      std::vector<BYTE> data);
// REG_SZ with its terminator counted, and REG_DWORD, as a program writes them.
void SetRegistryString(HKEY root, const std::u16string& path, const std::u16string& name, const std::u16string& text);
void SetRegistryDword(HKEY root, const std::u16string& path, const std::u16string& name, DWORD value);
std::optional<RegistryValue> ReadRegistryValue(HKEY root, const std::u16string& path, const std::u16string& name);
bool RegistryKeyExists(HKEY root, const std::u16string& path);
// Key handles opened and not yet closed.
size_t OpenRegistryKeyCount();

}  // namespace w32test
