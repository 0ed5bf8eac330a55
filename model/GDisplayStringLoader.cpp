#include "model/GDisplayStringLoader.h"

#include "model/GStringConversion.h"
#include "win32/Module.h"

namespace {

// Resource strings are read into a buffer of this many characters.
constexpr int kResourceBufferSize = 256;

}  // namespace

GDisplayStringLoader::GDisplayStringLoader(HINSTANCE fallback, const GDisplayString* string)
    : fallback_(fallback), string_(string) {}

GDisplayStringLoader::~GDisplayStringLoader() = default;

RWWString& GDisplayStringLoader::Resolve(RWWString& out, const GDisplayString* string) {
  string_ = string;
  return GetText(out);
}

RWWString& GDisplayStringLoader::GetText(RWWString& out) const {
  if (string_ == nullptr) {
    out = RWWString();
    return out;
  }
  RWWString text;
  ToWideString(string_->GetText(), text);
  const int16_t id = string_->GetResourceId();
  if (id != 0) {
    RWWString loaded;
    // The id is a 16-bit resource id: its bits as an unsigned number.
    const unsigned resource = static_cast<uint16_t>(id);
    int count = 0;
    if (string_->GetModuleName().Length() != 0)
      count = LoadFromLibrary(string_->GetModuleName(), resource, loaded);
    else if (fallback_ != nullptr)
      count = LoadFromModule(fallback_, resource, loaded);
    if (count != 0) text = loaded;
  }
  out = text;
  return out;
}

int GDisplayStringLoader::LoadFromLibrary(const RWCString& moduleName, unsigned id, RWWString& out) const {
  RWWString name;
  ToWideString(moduleName, name);
  HMODULE module = LoadLibraryW(name.Data());
  if (module == nullptr) return 0;
  const int count = LoadFromModule(module, id, out);
  FreeLibrary(module);
  return count;
}

int GDisplayStringLoader::LoadFromModule(HINSTANCE module, unsigned id, RWWString& out) const {
  if (module == nullptr) return 0;
  WCHAR buffer[kResourceBufferSize] = {};
  const int count = LoadStringW(module, id & 0xFFFF, buffer, kResourceBufferSize);
  if (count > 0) out = RWWString(buffer, static_cast<size_t>(count));
  return count > 0 ? count : 0;
}
