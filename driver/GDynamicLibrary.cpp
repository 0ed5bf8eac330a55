#include "driver/GDynamicLibrary.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "win32/Module.h"

GDynamicLibrary::GDynamicLibrary() = default;

GDynamicLibrary::GDynamicLibrary(const RWWString& path) : path_(path) {}

GDynamicLibrary::GDynamicLibrary(const GDynamicLibrary& other) : MPersistentObject(other), path_(other.path_) {
  TakeReferenceLike(other);
}

GDynamicLibrary& GDynamicLibrary::operator=(const GDynamicLibrary& other) {
  if (this != &other) {
    Unload();
    MPersistentObject::operator=(other);
    path_ = other.path_;
    TakeReferenceLike(other);
  }
  return *this;
}

GDynamicLibrary::~GDynamicLibrary() { Unload(); }

void GDynamicLibrary::TakeReferenceLike(const GDynamicLibrary& other) {
  if (!other.loaded_) return;
  // A reference of our own: the module loaded again under the same path
  // answers the same handle.
  Load();
}

int GDynamicLibrary::Load() {
  if (loaded_) return 1;
  HMODULE module = LoadLibraryW(path_.Data());
  if (module == nullptr) return 0;
  module_ = module;
  loaded_ = 1;
  return 1;
}

void GDynamicLibrary::Unload() {
  if (!loaded_) return;
  FreeLibrary(module_);
  module_ = nullptr;
  loaded_ = 0;
}

int32_t GDynamicLibrary::CallWithWords(const char* entry, const uint32_t* words) {
  if (!Load()) return 0;
  FARPROC proc = GetProcAddress(module_, entry);
  if (proc == nullptr) return 0;
  return reinterpret_cast<WordsEntry>(proc)(words);
}

int16_t GDynamicLibrary::CallEntry(const char* entry, int32_t first, int32_t second) {
  if (!Load()) return 0;
  FARPROC proc = GetProcAddress(module_, entry);
  if (proc == nullptr) return 0;
  const int32_t result = reinterpret_cast<PairEntry>(proc)(first, second);
  return static_cast<int16_t>(static_cast<uint32_t>(result) & 0xFFFFu);
}

bool GDynamicLibrary::operator==(const GDynamicLibrary& other) const { return Matches(&other) != 0; }

// ---- RWCollectable ----

QV_PERSISTENT_KIND_DEFINE(GDynamicLibrary, MPersistentObject, GDynamicLibraryClassId)

// A read of a known version releases the module loaded under the old path.
template <typename Archive>
void GDynamicLibrary::Members(Archive& archive) {
  archive.Version(ClassVersion());
  const bool known = archive.Ok();
  archive(path_);
  if constexpr (Archive::kReading) {
    if (known) Unload();
  }
}

RW_STORED_MEMBERS_DEFINE(GDynamicLibrary, MPersistentObject)

// ---- MPersistentObject ----

int GDynamicLibrary::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* library = dynamic_cast<const GDynamicLibrary*>(other);
  if (library == nullptr) return 0;
  return library->path_ == path_ && library->loaded_ == loaded_ && library->module_ == module_;
}

RWCollectable* GDynamicLibraryCreate() { return new GDynamicLibrary; }
