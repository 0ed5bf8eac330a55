#include "win32/VersionInfo.h"
#include "w32test/VersionInfo.h"

#include <cstring>
#include <map>
#include <mutex>

#include "win32/Kernel.h"
#include "w32detail/Kernel.h"
#include "w32detail/Platform.h"

namespace {

// Block layout (little-endian, in-process): magic, total size, translation
// count, translations (two 16-bit values each), string count, then per
// string a key and a value, each a 32-bit unit count and the units with a
// terminator, padded to 4 bytes.
constexpr DWORD kVersionInfoMagic = 0x49565651;  // "QVVI"

std::u16string fold(const std::u16string& s) {
  std::u16string out = s;
  for (char16_t& c : out)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return out;
}

struct VersionInfoState {
  std::mutex mutex;
  std::map<std::u16string, w32test::VersionStrings> files;  // folded path
};

VersionInfoState& versionInfoState() {
  static VersionInfoState* s = [] {
    auto* st = new VersionInfoState;
    w32detail::RegisterReset([st] {
      std::lock_guard<std::mutex> g(st->mutex);
      st->files.clear();
    });
    return st;
  }();
  return *s;
}

void put32(std::string& b, DWORD v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void put16(std::string& b, WORD v) {
  b.push_back(static_cast<char>(v & 0xFF));
  b.push_back(static_cast<char>(v >> 8));
}
void putText(std::string& b, const std::u16string& s) {
  put32(b, static_cast<DWORD>(s.size()));
  for (char16_t c : s) put16(b, c);
  put16(b, 0);
  while (b.size() % 4) b.push_back('\0');
}

std::string build(const w32test::VersionStrings& info) {
  std::string b;
  put32(b, kVersionInfoMagic);
  put32(b, 0);
  put32(b, static_cast<DWORD>(info.translations.size()));
  for (auto& [lang, cp] : info.translations) {
    put16(b, lang);
    put16(b, cp);
  }
  put32(b, static_cast<DWORD>(info.strings.size()));
  for (auto& [key, value] : info.strings) {
    putText(b, key);
    putText(b, value);
  }
  DWORD total = static_cast<DWORD>(b.size());
  std::memcpy(&b[4], &total, 4);
  return b;
}

bool lookup(LPCWSTR fileName, std::string* block) {
  if (!fileName) return false;
  VersionInfoState& s = versionInfoState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto it = s.files.find(fold(fileName));
  if (it == s.files.end()) return false;
  *block = build(it->second);
  return true;
}

// Bounded reader over a block.
struct ResourceReader {
  const BYTE* p;
  size_t size;
  size_t at = 0;
  bool get32(DWORD* v) {
    if (size - at < 4) return false;
    *v = static_cast<DWORD>(p[at]) | static_cast<DWORD>(p[at + 1]) << 8 | static_cast<DWORD>(p[at + 2]) << 16 |
         static_cast<DWORD>(p[at + 3]) << 24;
    at += 4;
    return true;
  }
  // A text: its first unit's offset and its length.
  bool text(size_t* offset, DWORD* count) {
    if (!get32(count)) return false;
    size_t bytes = (static_cast<size_t>(*count) + 1) * 2;
    if (*count > size || size - at < bytes) return false;
    *offset = at;
    at += bytes;
    while (at % 4) ++at;
    return at <= size;
  }
};

}  // namespace

DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle) {
  if (handle) *handle = 0;
  if (w32detail::ShouldFail("GetFileVersionInfoSizeW")) return 0;
  std::string block;
  if (!lookup(fileName, &block)) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return 0;
  }
  return static_cast<DWORD>(block.size());
}

BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD, DWORD size, LPVOID data) {
  if (w32detail::ShouldFail("GetFileVersionInfoW")) return FALSE;
  std::string block;
  if (!data || !lookup(fileName, &block)) {
    SetLastError(data ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (size < block.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(data, block.data(), block.size());
  return TRUE;
}

BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, UINT* len) {
  if (!block || !subBlock || !buffer || !len) return FALSE;
  const BYTE* p = static_cast<const BYTE*>(block);
  ResourceReader header{p, 8};
  DWORD magic = 0, total = 0;
  if (!header.get32(&magic) || !header.get32(&total) || magic != kVersionInfoMagic || total < 16) return FALSE;
  ResourceReader r{p, total, 8};
  DWORD translations = 0;
  if (!r.get32(&translations) || translations > (total - r.at) / 4) return FALSE;
  std::u16string key = fold(subBlock);
  if (key == u"\\VARFILEINFO\\TRANSLATION") {
    if (translations == 0) return FALSE;
    *buffer = const_cast<BYTE*>(p + r.at);
    *len = translations * 4;
    return TRUE;
  }
  r.at += translations * 4;
  DWORD strings = 0;
  if (!r.get32(&strings)) return FALSE;
  for (DWORD i = 0; i < strings; ++i) {
    size_t keyAt = 0, valueAt = 0;
    DWORD keyCount = 0, valueCount = 0;
    if (!r.text(&keyAt, &keyCount) || !r.text(&valueAt, &valueCount)) return FALSE;
    std::u16string k(keyCount, u'\0');
    for (DWORD j = 0; j < keyCount; ++j)
      k[j] = static_cast<char16_t>(p[keyAt + 2 * j] | p[keyAt + 2 * j + 1] << 8);
    if (fold(k) == key) {
      *buffer = const_cast<BYTE*>(p + valueAt);
      *len = valueCount + 1;
      return TRUE;
    }
  }
  return FALSE;
}

namespace w32test {

void SetFileVersionInfo(LPCWSTR path, const VersionStrings& info) {
  VersionInfoState& s = versionInfoState();
  std::lock_guard<std::mutex> g(s.mutex);
  s.files[fold(path)] = info;
}

void RemoveFileVersionInfo(LPCWSTR path) {
  VersionInfoState& s = versionInfoState();
  std::lock_guard<std::mutex> g(s.mutex);
  s.files.erase(fold(path));
}

void SetVersionTranslations(const std::u16string& fileName, std::vector<std::pair<WORD, WORD>> translations) {
  if (translations.empty()) {
    RemoveFileVersionInfo(fileName.c_str());
    return;
  }
  VersionStrings info;
  info.translations = std::move(translations);
  SetFileVersionInfo(fileName.c_str(), info);
}

}  // namespace w32test
