#include "ui/framework/GVersionInfo.h"

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "win32/Module.h"
#include "win32/VersionInfo.h"

namespace {

// The path of the module's file, read into a buffer that grows until the
// whole path fits; empty when it cannot be read.
RWWString ModulePath(HINSTANCE module) {
  std::vector<WCHAR> buffer(520);
  while (true) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = GetModuleFileNameW(reinterpret_cast<HMODULE>(module), buffer.data(), size);
    if (length == 0) return RWWString();
    if (length < size) return RWWString(buffer.data(), length);
    // Cut to fit: a shorter path would name another file.
    if (size >= GVersionInfo::kMaxPath) return RWWString();
    buffer.assign(static_cast<size_t>(size) * 2 > GVersionInfo::kMaxPath ? GVersionInfo::kMaxPath : size * 2, 0);
  }
}

}  // namespace

GVersionInfo::GVersionInfo(HINSTANCE module) {
  modulePath_ = ModulePath(module);
  if (modulePath_.IsEmpty()) return;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(modulePath_.Data(), &handle);
  if (size == 0 || size > kMaxBlockSize) return;
  block_.reset(new (std::nothrow) uint8_t[size]());
  if (block_ == nullptr) return;
  blockSize_ = size;
  if (!GetFileVersionInfoW(modulePath_.Data(), handle, size, block_.get())) {
    Clear();
    return;
  }
  void* table = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block_.get(), u"\\VarFileInfo\\Translation", &table, &length) || length < 4 ||
      !InBlock(table, length)) {
    Clear();
    return;
  }
  translations_ = static_cast<size_t>(static_cast<const uint8_t*>(table) - block_.get());
  translationCount_ = length / 4;
  current_ = 0;
  const uint8_t* entry = block_.get() + translations_;
  language_ = static_cast<uint16_t>(entry[0] | entry[1] << 8);
  codePage_ = static_cast<uint16_t>(entry[2] | entry[3] << 8);
}

GVersionInfo::~GVersionInfo() = default;

void GVersionInfo::Clear() {
  block_.reset();
  blockSize_ = 0;
  translations_ = 0;
  translationCount_ = 0;
  current_ = 0;
  language_ = 0;
  codePage_ = 0;
}

bool GVersionInfo::InBlock(const void* at, size_t bytes) const {
  if (block_ == nullptr || at == nullptr) return false;
  const auto begin = reinterpret_cast<uintptr_t>(block_.get());
  const auto p = reinterpret_cast<uintptr_t>(at);
  if (p < begin || p - begin > blockSize_) return false;
  return bytes <= blockSize_ - (p - begin);
}

int GVersionInfo::GetTranslation() const {
  if (block_ == nullptr) return 0;
  return static_cast<int>(static_cast<uint32_t>(codePage_) << 16 | language_);
}

int GVersionInfo::GetStringValue(const RWWString& name, RWWString* out) const {
  if (out != nullptr) *out = RWWString();
  if (block_ == nullptr || name.IsEmpty()) return 0;
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04X%04X\\", language_, codePage_);
  std::u16string key;
  for (const char* c = prefix; *c != 0; ++c) key.push_back(static_cast<char16_t>(*c));
  key.append(name.Data(), name.Length());
  void* value = nullptr;
  UINT count = 0;  // characters with the terminator
  if (!VerQueryValueW(block_.get(), key.c_str(), &value, &count) || count == 0 ||
      !InBlock(value, static_cast<size_t>(count) * 2)) {
    return 0;
  }
  // Read byte by byte: the block gives no alignment; stop at a terminator.
  const auto* bytes = static_cast<const uint8_t*>(value);
  std::vector<WCHAR> text;
  for (UINT i = 0; i < count; ++i) {
    const WCHAR c = static_cast<WCHAR>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    if (c == 0) break;
    text.push_back(c);
  }
  if (out != nullptr) *out = RWWString(text.data(), text.size());
  return 1;
}
