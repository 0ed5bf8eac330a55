#include "win32/Registry.h"
#include "w32detail/Registry.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "win32/Kernel.h"
#include "w32detail/Kernel.h"
#include "w32detail/Platform.h"

namespace {

struct Value {
  std::u16string name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct Key {
  std::u16string name;
  Key* parent = nullptr;  // valid while the key is not deleted: a parent with subkeys cannot be deleted
  std::map<std::u16string, std::shared_ptr<Key>> subkeys;  // by upper-cased name
  std::vector<Value> values;                               // in creation order
  bool deleted = false;
};

struct OpenKey {
  std::shared_ptr<Key> key;
  REGSAM access = 0;
};

struct RegistryState {
  std::mutex mutex;
  std::shared_ptr<Key> machine = std::make_shared<Key>();
  std::shared_ptr<Key> user = std::make_shared<Key>();
  std::map<uintptr_t, OpenKey> handles;
  uintptr_t nextHandle = 0x1000;
};

RegistryState& registryState() {
  static RegistryState* s = [] {
    auto* st = new RegistryState;
    w32detail::RegisterReset([st] {
      std::lock_guard<std::mutex> g(st->mutex);
      st->machine = std::make_shared<Key>();
      st->user = std::make_shared<Key>();
      st->handles.clear();
    });
    return st;
  }();
  return *s;
}

constexpr REGSAM kGenericRead = 0x80000000;
constexpr REGSAM kGenericWrite = 0x40000000;
constexpr REGSAM kGenericAll = 0x10000000;
constexpr REGSAM kMaximumAllowed = 0x02000000;

// Generic and maximum rights turn into the key rights they stand for.
REGSAM MapAccess(REGSAM desired) {
  REGSAM access = desired & 0x00FFFFFF & ~kMaximumAllowed;
  if (desired & kGenericRead) access |= KEY_READ;
  if (desired & kGenericWrite) access |= KEY_WRITE;
  if (desired & (kGenericAll | kMaximumAllowed)) access |= KEY_ALL_ACCESS;
  return access;
}

std::u16string Fold(std::u16string_view s) {
  std::u16string out(s);
  for (auto& c : out) c = w32detail::UpcaseChar(c);
  return out;
}

std::u16string_view View(LPCWSTR s) {
  if (!s) return {};
  size_t n = 0;
  while (s[n]) ++n;
  return std::u16string_view(s, n);
}

// Splits a key path into its names. A leading backslash, or an empty name
// inside the path, is refused; one trailing backslash is tolerated.
LONG SplitPath(std::u16string_view path, std::vector<std::u16string_view>* parts) {
  parts->clear();
  if (path.empty()) return ERROR_SUCCESS;
  if (path.front() == u'\\') return ERROR_BAD_PATHNAME;
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end == start) return ERROR_BAD_PATHNAME;
    parts->push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return ERROR_SUCCESS;
}

// The root key of a predefined handle, or null.
std::shared_ptr<Key> RootOf(RegistryState& s, HKEY key) {
  if (key == HKEY_LOCAL_MACHINE) return s.machine;
  if (key == HKEY_CURRENT_USER) return s.user;
  return nullptr;
}

bool IsRoot(HKEY key) { return key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER; }

// Resolves a handle to its key and the rights it was opened with.
LONG FromHandle(RegistryState& s, HKEY key, std::shared_ptr<Key>* out, REGSAM* access) {
  if (auto root = RootOf(s, key)) {
    *out = root;
    *access = KEY_ALL_ACCESS;
    return ERROR_SUCCESS;
  }
  auto it = s.handles.find(reinterpret_cast<uintptr_t>(key));
  if (it == s.handles.end()) return ERROR_INVALID_HANDLE;
  if (it->second.key->deleted) return ERROR_KEY_DELETED;
  *out = it->second.key;
  *access = it->second.access;
  return ERROR_SUCCESS;
}

// Walks the path from `base`; with `create` set, missing keys are made.
LONG Walk(std::shared_ptr<Key> base, std::u16string_view path, bool create, std::shared_ptr<Key>* out,
          bool* created) {
  std::vector<std::u16string_view> parts;
  LONG r = SplitPath(path, &parts);
  if (r != ERROR_SUCCESS) return r;
  if (created) *created = false;
  std::shared_ptr<Key> k = std::move(base);
  for (auto part : parts) {
    std::u16string folded = Fold(part);
    auto it = k->subkeys.find(folded);
    if (it == k->subkeys.end()) {
      if (!create) return ERROR_FILE_NOT_FOUND;
      auto child = std::make_shared<Key>();
      child->name = std::u16string(part);
      child->parent = k.get();
      it = k->subkeys.emplace(std::move(folded), std::move(child)).first;
      if (created) *created = true;
    }
    k = it->second;
  }
  *out = std::move(k);
  return ERROR_SUCCESS;
}

Value* FindValue(Key& k, std::u16string_view name) {
  for (auto& v : k.values)
    if (w32detail::EqualNoCase(v.name, name)) return &v;
  return nullptr;
}

void StoreValue(Key& k, std::u16string_view name, DWORD type, const BYTE* data, size_t size) {
  Value* v = FindValue(k, name);
  if (!v) {
    k.values.push_back(Value{std::u16string(name), type, {}});
    v = &k.values.back();
  }
  v->type = type;
  v->data.assign(data, data + size);
}

bool EraseValue(Key& k, std::u16string_view name) {
  for (auto it = k.values.begin(); it != k.values.end(); ++it) {
    if (w32detail::EqualNoCase(it->name, name)) {
      k.values.erase(it);
      return true;
    }
  }
  return false;
}

HKEY NewHandle(RegistryState& s, std::shared_ptr<Key> key, REGSAM access) {
  uintptr_t h = s.nextHandle;
  s.nextHandle += 4;
  s.handles[h] = OpenKey{std::move(key), access};
  return reinterpret_cast<HKEY>(h);
}

// Answers a value the way RegQueryValueExW and RegEnumValueW do.
LONG CopyOut(const Value& v, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  if (type) *type = v.type;
  DWORD size = static_cast<DWORD>(v.data.size());
  if (!data) {
    if (dataSize) *dataSize = size;
    return ERROR_SUCCESS;
  }
  DWORD capacity = *dataSize;
  *dataSize = size;
  if (capacity < size) return ERROR_MORE_DATA;
  if (size) std::memcpy(data, v.data.data(), size);
  return ERROR_SUCCESS;
}

LONG OpenCommon(HKEY key, LPCWSTR subKey, REGSAM desired, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  std::shared_ptr<Key> base;
  REGSAM baseAccess;
  LONG r = FromHandle(s, key, &base, &baseAccess);
  if (r != ERROR_SUCCESS) return r;
  std::u16string_view path = View(subKey);
  // An empty path on a root answers the root itself, as the platform does.
  if (path.empty() && IsRoot(key)) {
    *result = key;
    return ERROR_SUCCESS;
  }
  std::shared_ptr<Key> found;
  r = Walk(base, path, false, &found, nullptr);
  if (r != ERROR_SUCCESS) return r;
  *result = NewHandle(s, found, MapAccess(desired));
  return ERROR_SUCCESS;
}

}  // namespace

LONG RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result) {
  if (w32detail::ShouldFail("RegOpenKeyW")) return static_cast<LONG>(GetLastError());
  return OpenCommon(key, subKey, KEY_ALL_ACCESS, result);
}

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM desired, PHKEY result) {
  if (w32detail::ShouldFail("RegOpenKeyExW")) return static_cast<LONG>(GetLastError());
  return OpenCommon(key, subKey, desired, result);
}

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPCWSTR, DWORD, REGSAM desired, const void*,
                     PHKEY result, LPDWORD disposition) {
  if (w32detail::ShouldFail("RegCreateKeyExW")) return static_cast<LONG>(GetLastError());
  if (!result || !subKey || reserved != 0) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  std::shared_ptr<Key> base;
  REGSAM baseAccess;
  LONG r = FromHandle(s, key, &base, &baseAccess);
  if (r != ERROR_SUCCESS) return r;
  std::shared_ptr<Key> found;
  bool created = false;
  r = Walk(base, View(subKey), true, &found, &created);
  if (r != ERROR_SUCCESS) return r;
  *result = NewHandle(s, found, MapAccess(desired));
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (w32detail::ShouldFail("RegCloseKey")) return static_cast<LONG>(GetLastError());
  if (IsRoot(key)) return ERROR_SUCCESS;
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  return s.handles.erase(reinterpret_cast<uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  if (w32detail::ShouldFail("RegQueryValueExW")) return static_cast<LONG>(GetLastError());
  if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  std::shared_ptr<Key> k;
  REGSAM access;
  LONG r = FromHandle(s, key, &k, &access);
  if (r != ERROR_SUCCESS) return r;
  if (!(access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  const Value* v = FindValue(*k, View(name));
  if (!v) return ERROR_FILE_NOT_FOUND;
  return CopyOut(*v, type, data, dataSize);
}

LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
  if (w32detail::ShouldFail("RegSetValueExW")) return static_cast<LONG>(GetLastError());
  if (!data && dataSize) return ERROR_INVALID_PARAMETER;
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  std::shared_ptr<Key> k;
  REGSAM access;
  LONG r = FromHandle(s, key, &k, &access);
  if (r != ERROR_SUCCESS) return r;
  if (!(access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  StoreValue(*k, View(name), type, data, dataSize);
  return ERROR_SUCCESS;
}

LONG RegDeleteValueW(HKEY key, LPCWSTR name) {
  if (w32detail::ShouldFail("RegDeleteValueW")) return static_cast<LONG>(GetLastError());
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  std::shared_ptr<Key> k;
  REGSAM access;
  LONG r = FromHandle(s, key, &k, &access);
  if (r != ERROR_SUCCESS) return r;
  if (!(access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  return EraseValue(*k, View(name)) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
  if (w32detail::ShouldFail("RegDeleteKeyW")) return static_cast<LONG>(GetLastError());
  if (!subKey) return ERROR_INVALID_PARAMETER;
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  std::shared_ptr<Key> base;
  REGSAM access;
  LONG r = FromHandle(s, key, &base, &access);
  if (r != ERROR_SUCCESS) return r;
  std::shared_ptr<Key> victim;
  r = Walk(base, View(subKey), false, &victim, nullptr);
  if (r != ERROR_SUCCESS) return r;
  // A root cannot be deleted, nor a key that still has subkeys.
  if (!victim->parent || !victim->subkeys.empty()) return ERROR_ACCESS_DENIED;
  victim->parent->subkeys.erase(Fold(victim->name));
  victim->parent = nullptr;
  victim->deleted = true;
  victim->values.clear();
  return ERROR_SUCCESS;
}

LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved, LPDWORD type,
                   LPBYTE data, LPDWORD dataSize) {
  if (w32detail::ShouldFail("RegEnumValueW")) return static_cast<LONG>(GetLastError());
  if (!name || !nameLength || reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  std::shared_ptr<Key> k;
  REGSAM access;
  LONG r = FromHandle(s, key, &k, &access);
  if (r != ERROR_SUCCESS) return r;
  if (!(access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
  const Value& v = k->values[index];
  // The name needs room for its terminator.
  if (*nameLength <= v.name.size()) return ERROR_MORE_DATA;
  std::memcpy(name, v.name.data(), v.name.size() * sizeof(WCHAR));
  name[v.name.size()] = 0;
  *nameLength = static_cast<DWORD>(v.name.size());
  return CopyOut(v, type, data, dataSize);
}

LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved, LPWSTR keyClass,
                   LPDWORD classLength, void* lastWriteTime) {
  if (w32detail::ShouldFail("RegEnumKeyExW")) return static_cast<LONG>(GetLastError());
  if (!name || !nameLength || reserved || (keyClass && !classLength)) return ERROR_INVALID_PARAMETER;
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  std::shared_ptr<Key> k;
  REGSAM access;
  LONG r = FromHandle(s, key, &k, &access);
  if (r != ERROR_SUCCESS) return r;
  if (!(access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
  if (index >= k->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  auto it = k->subkeys.begin();
  std::advance(it, index);
  const std::u16string& n = it->second->name;
  if (*nameLength <= n.size()) return ERROR_MORE_DATA;
  if (keyClass && *classLength < 1) return ERROR_MORE_DATA;
  std::memcpy(name, n.data(), n.size() * sizeof(WCHAR));
  name[n.size()] = 0;
  *nameLength = static_cast<DWORD>(n.size());
  if (keyClass) {
    keyClass[0] = 0;
    *classLength = 0;
  } else if (classLength) {
    *classLength = 0;
  }
  if (lastWriteTime) std::memset(lastWriteTime, 0, 8);  // a FILETIME: two 32-bit halves
  return ERROR_SUCCESS;
}

namespace w32detail {

// Upper case of the letters of the Latin, Greek and Cyrillic blocks and of
// the full-width Latin letters; every other character is its own upper case.
WCHAR UpcaseChar(WCHAR c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<WCHAR>(c - 0x20) : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<WCHAR>(c - 0x20);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x131) return u'I';
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
      return (c & 1) ? c : static_cast<WCHAR>(c - 1);
    if (c == 0x130 || c == 0x138 || c == 0x149 || c == 0x17F || c == 0x178) return c;
    return (c & 1) ? static_cast<WCHAR>(c - 1) : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<WCHAR>(c - 0x20);
  if (c >= 0x430 && c <= 0x44F) return static_cast<WCHAR>(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return static_cast<WCHAR>(c - 0x50);
  if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<WCHAR>(c - 0x20);
  return c;
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpcaseChar(a[i]) != UpcaseChar(b[i])) return false;
  return true;
}

LONG RegistryRead(HKEY root, std::u16string_view path, std::u16string_view name, DWORD* type,
                  std::vector<BYTE>* data) {
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto base = RootOf(s, root);
  if (!base) return ERROR_INVALID_HANDLE;
  std::shared_ptr<Key> k;
  LONG r = Walk(base, path, false, &k, nullptr);
  if (r != ERROR_SUCCESS) return r;
  const Value* v = FindValue(*k, name);
  if (!v) return ERROR_FILE_NOT_FOUND;
  if (type) *type = v->type;
  if (data) *data = v->data;
  return ERROR_SUCCESS;
}

LONG RegistryWrite(HKEY root, std::u16string_view path, std::u16string_view name, DWORD type, const BYTE* data,
                   size_t size) {
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto base = RootOf(s, root);
  if (!base) return ERROR_INVALID_HANDLE;
  std::shared_ptr<Key> k;
  LONG r = Walk(base, path, true, &k, nullptr);
  if (r != ERROR_SUCCESS) return r;
  StoreValue(*k, name, type, data, size);
  return ERROR_SUCCESS;
}

LONG RegistryRemoveValue(HKEY root, std::u16string_view path, std::u16string_view name) {
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto base = RootOf(s, root);
  if (!base) return ERROR_INVALID_HANDLE;
  std::shared_ptr<Key> k;
  LONG r = Walk(base, path, false, &k, nullptr);
  if (r != ERROR_SUCCESS) return r;
  return EraseValue(*k, name) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG RegistryCreateKey(HKEY root, std::u16string_view path) {
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto base = RootOf(s, root);
  if (!base) return ERROR_INVALID_HANDLE;
  std::shared_ptr<Key> k;
  return Walk(base, path, true, &k, nullptr);
}

std::vector<std::u16string> RegistryValueNames(HKEY root, std::u16string_view path) {
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  std::vector<std::u16string> names;
  auto base = RootOf(s, root);
  std::shared_ptr<Key> k;
  if (base && Walk(base, path, false, &k, nullptr) == ERROR_SUCCESS)
    for (const auto& v : k->values) names.push_back(v.name);
  return names;
}

namespace {

RegistryKeySnapshot Copy(const Key& key) {
  RegistryKeySnapshot out;
  out.name = key.name;
  for (const auto& v : key.values) out.values.push_back({v.name, v.type, v.data});
  for (const auto& [folded, child] : key.subkeys) out.subkeys.push_back(Copy(*child));
  return out;
}

void Build(const RegistryKeySnapshot& from, Key* into) {
  for (const auto& v : from.values) {
    // A repeated value name keeps the last one, as a second write would.
    bool replaced = false;
    for (auto& existing : into->values)
      if (EqualNoCase(existing.name, v.name)) {
        existing.type = v.type;
        existing.data = v.data;
        replaced = true;
      }
    if (!replaced) into->values.push_back(Value{v.name, v.type, v.data});
  }
  for (const auto& sub : from.subkeys) {
    std::u16string folded = Fold(sub.name);
    auto& slot = into->subkeys[folded];
    if (!slot) {
      slot = std::make_shared<Key>();
      slot->name = sub.name;
      slot->parent = into;
    }
    Build(sub, slot.get());
  }
}

void MarkDeleted(Key& key) {
  key.deleted = true;
  for (auto& [folded, child] : key.subkeys) MarkDeleted(*child);
}

}  // namespace

RegistryKeySnapshot RegistrySnapshot(HKEY root) {
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto base = RootOf(s, root);
  return base ? Copy(*base) : RegistryKeySnapshot{};
}

void RegistryRestore(HKEY root, const RegistryKeySnapshot& tree) {
  auto fresh = std::make_shared<Key>();
  Build(tree, fresh.get());
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  std::shared_ptr<Key>* slot = root == HKEY_LOCAL_MACHINE ? &s.machine : root == HKEY_CURRENT_USER ? &s.user : nullptr;
  if (slot == nullptr) return;
  MarkDeleted(**slot);
  *slot = std::move(fresh);
}

}  // namespace w32detail

namespace w32test {

void SetRegistryValue(HKEY root, const std::u16string& path, const std::u16string& name, DWORD type,
                      std::vector<BYTE> data) {
  w32detail::RegistryWrite(root, path, name, type, data.data(), data.size());
}

void SetRegistryString(HKEY root, const std::u16string& path, const std::u16string& name, const std::u16string& text) {
  std::vector<BYTE> bytes;
  for (WCHAR c : text) {
    bytes.push_back(static_cast<BYTE>(c & 0xFF));
    bytes.push_back(static_cast<BYTE>(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  SetRegistryValue(root, path, name, REG_SZ, std::move(bytes));
}

void SetRegistryDword(HKEY root, const std::u16string& path, const std::u16string& name, DWORD value) {
  SetRegistryValue(root, path, name, REG_DWORD,
                   {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                    static_cast<BYTE>(value >> 24)});
}

std::optional<RegistryValue> ReadRegistryValue(HKEY root, const std::u16string& path, const std::u16string& name) {
  RegistryValue v;
  if (w32detail::RegistryRead(root, path, name, &v.type, &v.data) != ERROR_SUCCESS) return std::nullopt;
  return v;
}

bool RegistryKeyExists(HKEY root, const std::u16string& path) {
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto base = RootOf(s, root);
  std::shared_ptr<Key> k;
  return base && Walk(base, path, false, &k, nullptr) == ERROR_SUCCESS;
}

size_t OpenRegistryKeyCount() {
  RegistryState& s = registryState();
  std::lock_guard<std::mutex> g(s.mutex);
  return s.handles.size();
}

}  // namespace w32test
