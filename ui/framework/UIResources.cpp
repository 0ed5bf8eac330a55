#include "ui/framework/UIResources.h"

#include <mutex>

#include "win32/Module.h"

namespace {

constexpr int kStringBuffer = 256;

struct ResourceState {
  std::mutex mutex;
  HINSTANCE module = nullptr;
  HINSTANCE library = nullptr;
  int16_t loadCount = 0;
};

ResourceState& State() {
  static ResourceState state;
  return state;
}

}  // namespace

void SetModuleInstance(HINSTANCE instance) {
  ResourceState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.module == nullptr) state.module = instance;
}

HINSTANCE GetModuleInstance() {
  ResourceState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.module;
}

int LoadUIResourceLibrary(const RWWString& name) {
  ResourceState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.loadCount == 0) {
    HMODULE library = LoadLibraryW(name.Data());
    if (library == nullptr) return 0;
    state.library = reinterpret_cast<HINSTANCE>(library);
  }
  ++state.loadCount;
  return 1;
}

int FreeUIResourceLibrary() {
  ResourceState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.loadCount <= 0) return 0;
  if (--state.loadCount != 0) return 0;
  HINSTANCE library = state.library;
  state.library = nullptr;
  return FreeLibrary(reinterpret_cast<HMODULE>(library));
}

HINSTANCE GetUIResourceInstance() {
  ResourceState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.library;
}

int LoadUIString(int id, RWWString* out) {
  WCHAR buffer[kStringBuffer] = {};
  const int length = id >= 0 ? LoadStringW(GetUIResourceInstance(), static_cast<UINT>(id), buffer, kStringBuffer) : 0;
  if (out != nullptr) *out = RWWString(buffer, static_cast<size_t>(length > 0 ? length : 0));
  return length > 0 ? length : 0;
}
