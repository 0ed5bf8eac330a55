// Internal to the stand-in (Registry): on no include path but the stand-in's own.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "win32/Registry.h"
#include "w32test/Registry.h"

namespace w32detail {

// Case folding of names as the registry and the spooler compare them.
WCHAR UpcaseChar(WCHAR c);
bool EqualNoCase(std::u16string_view a, std::u16string_view b);

// Value access by path for the parts of the stand-in that keep their state in
// the registry. No handles, access checks or failure injection.
LONG RegistryRead(HKEY root, std::u16string_view path, std::u16string_view name, DWORD* type, std::vector<BYTE>* data);
// Creates the key path when needed.
LONG RegistryWrite(HKEY root, std::u16string_view path, std::u16string_view name, DWORD type, const BYTE* data,
                   size_t size);
LONG RegistryRemoveValue(HKEY root, std::u16string_view path, std::u16string_view name);
LONG RegistryCreateKey(HKEY root, std::u16string_view path);
// Names of the key's values in creation order; empty when the key is missing.
std::vector<std::u16string> RegistryValueNames(HKEY root, std::u16string_view path);

// A copy of a whole tree, for saving the platform's state between runs.
struct RegistryValueSnapshot {
  std::u16string name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};
struct RegistryKeySnapshot {
  std::u16string name;
  std::vector<RegistryValueSnapshot> values;  // in creation order
  std::vector<RegistryKeySnapshot> subkeys;   // in the order of their upper-cased names
};
// The tree under a root (the root's own name is empty).
RegistryKeySnapshot RegistrySnapshot(HKEY root);
// Replaces the tree under a root by the copy. Handles open on the old tree
// answer ERROR_KEY_DELETED from then on.
void RegistryRestore(HKEY root, const RegistryKeySnapshot& tree);

}  // namespace w32detail
