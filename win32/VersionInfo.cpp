#include "win32/VersionInfo.h"

#include <cstring>
#include <map>
#include <mutex>

#include "win32/Kernel.h"
#include "win32/Testing.h"

namespace {

// Blocks by upper-cased path. A block is a 32-bit little-endian byte count
// followed by the translation table.
struct VersionInfoState {
  std::mutex mutex;
  std::map<std::u16string, std::vector<BYTE>> blocks;
};

VersionInfoState& state() {
  static VersionInfoState* s = [] {
    auto* st = new VersionInfoState;
    w32detail::RegisterReset([st] {
      std::lock_guard<std::mutex> g(st->mutex);
      st->blocks.clear();
    });
    return st;
  }();
  return *s;
}

std::u16string Key(LPCWSTR name) {
  std::u16string key;
  for (; name != nullptr && *name != 0; ++name) {
    const char16_t c = *name;
    key.push_back(c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c);
  }
  return key;
}

bool SameText(LPCWSTR a, const char16_t* b) { return a != nullptr && Key(a) == Key(b); }

}  // namespace

DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle) {
  if (handle != nullptr) *handle = 0;
  VersionInfoState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  auto it = s.blocks.find(Key(fileName));
  if (it == s.blocks.end()) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return 0;
  }
  return static_cast<DWORD>(it->second.size());
}

BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD, DWORD size, LPVOID data) {
  VersionInfoState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  auto it = s.blocks.find(Key(fileName));
  if (it == s.blocks.end()) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  if (data == nullptr || size < it->second.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(data, it->second.data(), it->second.size());
  return TRUE;
}

BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, UINT* length) {
  if (length != nullptr) *length = 0;
  if (block == nullptr || buffer == nullptr || !SameText(subBlock, u"\\VarFileInfo\\Translation")) return FALSE;
  const BYTE* bytes = static_cast<const BYTE*>(block);
  const UINT count = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<UINT>(bytes[3]) << 24;
  if (count == 0) return FALSE;
  *buffer = const_cast<BYTE*>(bytes + 4);
  if (length != nullptr) *length = count;
  return TRUE;
}

namespace w32test {

void SetVersionTranslations(const std::u16string& fileName, std::vector<std::pair<WORD, WORD>> translations) {
  VersionInfoState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  const std::u16string key = Key(fileName.c_str());
  if (translations.empty()) {
    s.blocks.erase(key);
    return;
  }
  const UINT count = static_cast<UINT>(translations.size() * 4);
  std::vector<BYTE> block = {static_cast<BYTE>(count), static_cast<BYTE>(count >> 8), static_cast<BYTE>(count >> 16),
                             static_cast<BYTE>(count >> 24)};
  for (const auto& [language, codePage] : translations) {
    block.push_back(static_cast<BYTE>(language));
    block.push_back(static_cast<BYTE>(language >> 8));
    block.push_back(static_cast<BYTE>(codePage));
    block.push_back(static_cast<BYTE>(codePage >> 8));
  }
  s.blocks[key] = std::move(block);
}

}  // namespace w32test
