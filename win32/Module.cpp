#include "win32/Module.h"
#include "w32detail/Module.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "w32detail/AnsiText.h"
#include "win32/File.h"
#include "w32detail/File.h"
#include "w32detail/Kernel.h"
#include "w32detail/Platform.h"
#include "w32host/Administration.h"
#include "w32test/Picture.h"

namespace {

const std::u16string kSystemDirectory = u"C:\\WINDOWS\\SYSTEM32\\";
const std::u16string kDefaultImage = u"C:\\WINDOWS\\SYSTEM32\\SPOOLSV.EXE";
const uintptr_t kImageHandle = 0x00400000;

struct Entry {
  HMODULE handle;
  std::u16string name;  // as installed
  std::u16string key;   // lower-cased name with its extension
  std::u16string path;
  std::map<std::string, FARPROC> exports;
  std::map<UINT, std::u16string> strings;
  std::map<UINT, w32test::DialogSpec> dialogs;
  std::map<UINT, w32test::BitmapSpec> bitmaps;
  std::set<UINT> cursors;
  DWORD count;
  bool image;             // the process's executable
  void* mapped = nullptr;  // the host image the loader mapped, if any
};

struct ModuleTable {
  std::mutex mutex;
  std::vector<std::shared_ptr<Entry>> entries;
  uintptr_t nextHandle = 0x10000000;
  std::map<std::string, std::string> images;  // host path of a Windows path -> host image file
};

bool HasDirectory(const std::u16string& name) { return name.find_first_of(u"\\/:") != std::u16string::npos; }

std::u16string BaseName(const std::u16string& name) {
  size_t cut = name.find_last_of(u"\\/:");
  return cut == std::u16string::npos ? name : name.substr(cut + 1);
}

// The name as the loader looks for it: ".dll" added when the name has no
// extension, and a trailing dot (which means "no extension") removed.
std::u16string WithExtension(const std::u16string& name) {
  std::u16string base = BaseName(name);
  if (!base.empty() && base.back() == u'.') return name.substr(0, name.size() - 1);
  if (base.find(u'.') == std::u16string::npos) return name + u".dll";
  return name;
}

std::u16string Key(const std::u16string& name) {
  std::u16string k = BaseName(WithExtension(name));
  for (auto& c : k)
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) c = static_cast<char16_t>(c + 32);
  return k;
}

std::shared_ptr<Entry> MakeImageEntry(const std::u16string& path) {
  auto e = std::make_shared<Entry>();
  e->handle = reinterpret_cast<HMODULE>(kImageHandle);
  e->name = BaseName(path);
  e->key = Key(path);
  e->path = path;
  e->count = 1;
  e->image = true;
  return e;
}

ModuleTable& moduleTable() {
  static ModuleTable* t = [] {
    auto* mt = new ModuleTable;
    mt->entries.push_back(MakeImageEntry(kDefaultImage));
    w32detail::RegisterReset([mt] {
      std::lock_guard<std::mutex> g(mt->mutex);
      // A mapped image stays mapped: code of it may still run.
      mt->entries.clear();
      mt->entries.push_back(MakeImageEntry(kDefaultImage));
      mt->images.clear();
    });
    return mt;
  }();
  return *t;
}

// Paths compare by where they lead, so case, separators and "." or ".."
// do not matter.
std::string HostPath(const Entry& e) { return w32detail::MapPath(e.path.c_str()); }

// Callers hold the table's lock.
std::shared_ptr<Entry> FindByName(ModuleTable& t, const std::u16string& name) {
  if (HasDirectory(name)) {
    std::string host = w32detail::MapPath(WithExtension(name).c_str());
    if (host.empty()) return nullptr;
    for (auto& e : t.entries)
      if (HostPath(*e) == host) return e;
    return nullptr;
  }
  std::u16string key = Key(name);
  for (auto& e : t.entries)
    if (e->key == key) return e;
  return nullptr;
}

std::shared_ptr<Entry> FindByHandle(ModuleTable& t, HMODULE module) {
  if (!module) module = reinterpret_cast<HMODULE>(kImageHandle);
  for (auto& e : t.entries)
    if (e->handle == module && e->count > 0) return e;
  return nullptr;
}

using DllMainProc = BOOL (*)(HINSTANCE, DWORD, LPVOID);

// The resources the image carries in its resource section; a section of
// another signature or version gives none.
void ReadResourceSection(void* image, Entry* e) {
  const auto* section = static_cast<const IMAGE_RESOURCE_SECTION*>(dlsym(image, IMAGE_RESOURCE_SECTION_NAME));
  if (section == nullptr || section->signature != IMAGE_RESOURCE_SIGNATURE ||
      section->version != IMAGE_RESOURCE_VERSION || section->strings == nullptr)
    return;
  for (DWORD i = 0; i < section->stringCount; ++i) {
    const IMAGE_RESOURCE_STRING& s = section->strings[i];
    if (s.text != nullptr) e->strings.emplace(s.id, std::u16string(s.text));
  }
}

// The dialog templates the image carries beside its strings, if any.
void ReadDialogSection(void* image, Entry* e) {
  const auto* section = static_cast<const IMAGE_DIALOG_SECTION*>(dlsym(image, IMAGE_DIALOG_SECTION_NAME));
  if (section == nullptr || section->signature != IMAGE_DIALOG_SIGNATURE || section->version != IMAGE_DIALOG_VERSION)
    return;
  for (auto& [id, spec] : w32test::DialogTemplates(section->dialogs, section->dialogCount))
    e->dialogs.emplace(id, std::move(spec));
}

// Maps the image named for the path: a new entry holding one reference,
// attached through its DllMain. Called without the table's lock, which the
// image's DllMain may need.
HMODULE MapImage(const std::u16string& path, const std::string& file) {
  void* image = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (image == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  auto e = std::make_shared<Entry>();
  e->name = BaseName(path);
  e->key = Key(path);
  e->path = path;
  e->count = 1;
  e->image = false;
  e->mapped = image;
  ReadResourceSection(image, e.get());
  ReadDialogSection(image, e.get());
  ModuleTable& t = moduleTable();
  {
    std::lock_guard<std::mutex> g(t.mutex);
    if (auto other = FindByName(t, path)) {  // mapped meanwhile on another thread
      ++other->count;
      dlclose(image);
      return other->handle;
    }
    e->handle = reinterpret_cast<HMODULE>(t.nextHandle);
    t.nextHandle += 0x10000;
    t.entries.push_back(e);
  }
  auto dllMain = reinterpret_cast<DllMainProc>(dlsym(image, "DllMain"));
  std::lock_guard<std::recursive_mutex> loader(w32detail::LoaderLock());
  if (dllMain != nullptr && !dllMain(reinterpret_cast<HINSTANCE>(e->handle), DLL_PROCESS_ATTACH, nullptr)) {
    {
      std::lock_guard<std::mutex> g(t.mutex);
      t.entries.erase(std::remove(t.entries.begin(), t.entries.end(), e), t.entries.end());
    }
    dlclose(image);
    SetLastError(ERROR_DLL_INIT_FAILED);
    return nullptr;
  }
  return e->handle;
}

HMODULE Load(const std::u16string& name) {
  if (name.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  ModuleTable& t = moduleTable();
  std::string file;
  {
    std::lock_guard<std::mutex> g(t.mutex);
    auto e = FindByName(t, name);
    if (e) {
      ++e->count;
      return e->handle;
    }
    auto image = HasDirectory(name) ? t.images.find(w32detail::MapPath(WithExtension(name).c_str())) : t.images.end();
    if (image == t.images.end()) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    file = image->second;
  }
  return MapImage(WithExtension(name), file);
}

HMODULE Handle(const std::u16string* name) {
  ModuleTable& t = moduleTable();
  std::lock_guard<std::mutex> g(t.mutex);
  auto e = name ? FindByName(t, *name) : FindByHandle(t, nullptr);
  if (!e || e->count == 0) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return e->handle;
}

std::optional<std::u16string> PathOf(HMODULE module) {
  ModuleTable& t = moduleTable();
  std::lock_guard<std::mutex> g(t.mutex);
  auto e = FindByHandle(t, module);
  if (!e) return std::nullopt;
  return e->path;
}

// Copies at most size - 1 units and a terminator. Returns the units copied,
// or size (with ERROR_INSUFFICIENT_BUFFER) when the text was cut.
template <class Char, class Text>
DWORD CopyPath(const Text& text, Char* buffer, DWORD size) {
  if (size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (text.size() < size) {
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return static_cast<DWORD>(text.size());
  }
  std::copy(text.begin(), text.begin() + (size - 1), buffer);
  buffer[size - 1] = 0;
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}

// The string of a loaded module; null with the last error set when missing.
std::optional<std::u16string> FindString(HINSTANCE module, UINT id) {
  ModuleTable& t = moduleTable();
  std::lock_guard<std::mutex> g(t.mutex);
  auto e = FindByHandle(t, module);
  if (!e) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return std::nullopt;
  }
  auto it = e->strings.find(id);
  if (id > 0xFFFF || it == e->strings.end() || it->second.empty()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return std::nullopt;
  }
  return it->second;
}

template <class Char, class Text>
int CopyString(const Text& text, Char* buffer, int size) {
  size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
  std::copy(text.begin(), text.begin() + n, buffer);
  buffer[n] = 0;
  return static_cast<int>(n);
}

bool CheckStringBuffer(const void* buffer, int size) {
  if (size == 0) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return false;
  }
  if (!buffer || size < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return true;
}

}  // namespace

HMODULE LoadLibraryW(LPCWSTR name) {
  if (w32detail::ShouldFail("LoadLibraryW")) return nullptr;
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return Load(name);
}

HMODULE LoadLibraryA(LPCSTR name) {
  if (w32detail::ShouldFail("LoadLibraryA")) return nullptr;
  if (!name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto wide = w32detail::AnsiToWide(name);
  if (!wide) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return Load(*wide);
}

HMODULE LoadLibraryExW(LPCWSTR name, HANDLE file, DWORD) {
  if (w32detail::ShouldFail("LoadLibraryExW")) return nullptr;
  if (!name || file) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return Load(name);
}

BOOL FreeLibrary(HMODULE module) {
  if (w32detail::ShouldFail("FreeLibrary")) return FALSE;
  ModuleTable& t = moduleTable();
  std::unique_lock<std::mutex> g(t.mutex);
  auto e = module ? FindByHandle(t, module) : nullptr;
  if (!e) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  if (!e->image) --e->count;  // the executable stays loaded
  if (e->count != 0 || e->mapped == nullptr) return TRUE;
  // The last reference to a mapped image: it is detached and unmapped.
  t.entries.erase(std::remove(t.entries.begin(), t.entries.end(), e), t.entries.end());
  g.unlock();
  std::lock_guard<std::recursive_mutex> loader(w32detail::LoaderLock());
  if (auto dllMain = reinterpret_cast<DllMainProc>(dlsym(e->mapped, "DllMain")))
    dllMain(reinterpret_cast<HINSTANCE>(e->handle), DLL_PROCESS_DETACH, nullptr);
  dlclose(e->mapped);
  return TRUE;
}

void FreeLibraryAndExitThread(HMODULE module, DWORD exitCode) {
  FreeLibrary(module);
  w32detail::ExitCurrentThread(exitCode);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  if (w32detail::ShouldFail("GetProcAddress")) return nullptr;
  ModuleTable& t = moduleTable();
  std::lock_guard<std::mutex> g(t.mutex);
  auto e = module ? FindByHandle(t, module) : nullptr;
  if (!e) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  // Values up to 0xFFFF are ordinals, which no entry exports.
  if (reinterpret_cast<uintptr_t>(name) <= 0xFFFF) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  if (e->mapped != nullptr) {
    if (void* symbol = dlsym(e->mapped, name)) return reinterpret_cast<FARPROC>(symbol);
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  auto it = e->exports.find(name);
  if (it == e->exports.end() || !it->second) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return it->second;
}

BOOL GetModuleHandleExW(DWORD flags, LPCWSTR name, HMODULE* module) {
  if (module == nullptr ||
      (flags & ~(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS)) != 0 ||
      (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) == 0) {
    // Modules by name are reached through GetModuleHandleW.
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *module = nullptr;
  Dl_info info{};
  if (name == nullptr || dladdr(name, &info) == 0 || info.dli_fname == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  void* image = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD |
                                           ((flags & GET_MODULE_HANDLE_EX_FLAG_PIN) != 0 ? RTLD_NODELETE : 0));
  if (image == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  ModuleTable& t = moduleTable();
  {
    std::lock_guard<std::mutex> g(t.mutex);
    for (auto& e : t.entries)
      if (e->mapped == image && e->count > 0) *module = e->handle;
  }
  dlclose(image);
  if (*module == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  return TRUE;
}

HMODULE GetModuleHandleW(LPCWSTR name) {
  if (!name) return Handle(nullptr);
  std::u16string n(name);
  return Handle(&n);
}

HMODULE GetModuleHandleA(LPCSTR name) {
  if (!name) return Handle(nullptr);
  auto wide = w32detail::AnsiToWide(name);
  if (!wide) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return Handle(&*wide);
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
  if (w32detail::ShouldFail("GetModuleFileNameW")) return 0;
  auto path = PathOf(module);
  if (!path) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  if (!buffer && size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return CopyPath(*path, buffer, size);
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  if (w32detail::ShouldFail("GetModuleFileNameA")) return 0;
  auto path = PathOf(module);
  if (!path) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  if (!buffer && size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto narrow = w32detail::WideToAnsi(*path);
  if (!narrow) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  return CopyPath(*narrow, buffer, size);
}

int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int size) {
  if (w32detail::ShouldFail("LoadStringW")) return 0;
  if (!CheckStringBuffer(buffer, size)) return 0;
  auto text = FindString(module, id);
  if (!text) {
    buffer[0] = 0;
    return 0;
  }
  return CopyString(*text, buffer, size);
}

int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int size) {
  if (w32detail::ShouldFail("LoadStringA")) return 0;
  if (!CheckStringBuffer(buffer, size)) return 0;
  auto text = FindString(module, id);
  std::optional<std::string> narrow;
  if (text) {
    narrow = w32detail::WideToAnsi(*text);
    if (!narrow) SetLastError(ERROR_NO_UNICODE_TRANSLATION);
  }
  if (!narrow) {
    buffer[0] = 0;
    return 0;
  }
  return CopyString(*narrow, buffer, size);
}

namespace w32detail {

namespace {

// A resource of a module's table of one kind; sets the error a missing
// module or id gives.
template <class Spec>
std::optional<Spec> FindModuleResource(HINSTANCE module, UINT id, std::map<UINT, Spec> Entry::*resources) {
  ModuleTable& t = moduleTable();
  std::lock_guard<std::mutex> g(t.mutex);
  auto e = FindByHandle(t, module);
  if (!e) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return std::nullopt;
  }
  const std::map<UINT, Spec>& map = (*e).*resources;
  auto it = map.find(id);
  if (it == map.end()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return std::nullopt;
  }
  return it->second;
}

}  // namespace

std::optional<w32test::DialogSpec> FindDialogTemplate(HINSTANCE module, UINT id) {
  return FindModuleResource(module, id, &Entry::dialogs);
}

std::optional<w32test::BitmapSpec> FindBitmapResource(HINSTANCE module, UINT id) {
  return FindModuleResource(module, id, &Entry::bitmaps);
}

bool AddModuleDialogs(const std::u16string& path, const std::map<UINT, w32test::DialogSpec>& dialogs) {
  ModuleTable& t = moduleTable();
  std::lock_guard<std::mutex> g(t.mutex);
  auto e = FindByName(t, path);
  if (!e) return false;
  for (const auto& [id, spec] : dialogs) e->dialogs.emplace(id, spec);
  return true;
}

bool AddModuleBitmaps(const std::u16string& path, const std::map<UINT, w32test::BitmapSpec>& bitmaps,
                      const std::vector<UINT>& cursors) {
  ModuleTable& t = moduleTable();
  std::lock_guard<std::mutex> g(t.mutex);
  auto e = FindByName(t, path);
  if (!e) return false;
  for (const auto& [id, spec] : bitmaps) e->bitmaps.emplace(id, spec);
  for (UINT id : cursors) e->cursors.insert(id);
  return true;
}

bool HasCursorResource(HINSTANCE module, UINT id) {
  ModuleTable& t = moduleTable();
  std::lock_guard<std::mutex> g(t.mutex);
  auto e = FindByHandle(t, module);
  if (!e) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return false;
  }
  if (e->cursors.count(id) == 0) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return false;
  }
  return true;
}

}  // namespace w32detail

namespace w32test {

HMODULE InstallModule(const ModuleSpec& spec) {
  auto e = std::make_shared<Entry>();
  e->name = BaseName(spec.name);
  e->path = !spec.path.empty() ? spec.path : HasDirectory(spec.name) ? spec.name : kSystemDirectory + spec.name;
  e->key = Key(e->name);
  std::string host = HostPath(*e);
  if (e->name.empty() || host.empty()) return nullptr;
  e->exports = spec.exports;
  e->strings = spec.strings;
  e->dialogs = spec.dialogs;
  e->bitmaps = spec.bitmaps;
  e->cursors = spec.cursors;
  e->count = spec.loadCount;
  e->image = false;
  if (!FileContents(e->path.c_str())) PutFile(e->path.c_str(), std::string());

  ModuleTable& t = moduleTable();
  std::lock_guard<std::mutex> g(t.mutex);
  auto same = std::find_if(t.entries.begin(), t.entries.end(),
                           [&](const std::shared_ptr<Entry>& x) { return !x->image && HostPath(*x) == host; });
  if (same != t.entries.end()) {
    e->handle = (*same)->handle;
    *same = e;
  } else {
    e->handle = reinterpret_cast<HMODULE>(t.nextHandle);
    t.nextHandle += 0x10000;
    t.entries.push_back(e);
  }
  return e->handle;
}

bool RemoveModule(LPCWSTR name) {
  if (!name) return false;
  std::u16string path;
  {
    ModuleTable& t = moduleTable();
    std::lock_guard<std::mutex> g(t.mutex);
    auto e = FindByName(t, name);
    if (!e || e->image) return false;
    path = e->path;
    t.entries.erase(std::find(t.entries.begin(), t.entries.end(), e));
  }
  DWORD saved = GetLastError();
  DeleteFileW(path.c_str());
  SetLastError(saved);
  return true;
}

HMODULE InstalledModule(LPCWSTR name) {
  if (!name) return nullptr;
  ModuleTable& t = moduleTable();
  std::lock_guard<std::mutex> g(t.mutex);
  auto e = FindByName(t, name);
  return e ? e->handle : nullptr;
}

DWORD ModuleLoadCount(LPCWSTR name) {
  if (!name) return 0;
  ModuleTable& t = moduleTable();
  std::lock_guard<std::mutex> g(t.mutex);
  auto e = FindByName(t, name);
  return e ? e->count : 0;
}

void SetProcessImagePath(LPCWSTR path) {
  if (!path || !path[0]) return;
  ModuleTable& t = moduleTable();
  std::lock_guard<std::mutex> g(t.mutex);
  for (auto& e : t.entries)
    if (e->image) e = MakeImageEntry(path);
}

}  // namespace w32test

namespace w32host {

void SetModuleImage(LPCWSTR path, const std::string& hostFile) {
  if (path == nullptr) return;
  const std::string host = w32detail::MapPath(WithExtension(path).c_str());
  if (host.empty()) return;
  ModuleTable& t = moduleTable();
  std::lock_guard<std::mutex> g(t.mutex);
  if (hostFile.empty())
    t.images.erase(host);
  else
    t.images[host] = hostFile;
}

}  // namespace w32host
