// GDynamicLibrary: a persistent record of a dynamically loaded library (a
// companion or add-on module). It loads its module on the first call, calls
// entry points by name, and releases the module when it is unloaded,
// restored or destroyed. Only the path is stored.
#pragma once

#include <cstdint>

#include "model/MPersistentObject.h"
#include "rw/RWWString.h"
#include "win32/Types.h"

constexpr RWClassID GDynamicLibraryClassId = 780;

class GDynamicLibrary : public MPersistentObject {
 public:
  // Empty path, not loaded.
  GDynamicLibrary();
  explicit GDynamicLibrary(const RWWString& path);
  // A copy of a loaded library takes its own reference to the module, so
  // that each object releases only what it holds.
  GDynamicLibrary(const GDynamicLibrary& other);
  GDynamicLibrary& operator=(const GDynamicLibrary& other);
  // Unloads.
  ~GDynamicLibrary() override;

  static RWClassID StaticClassId() { return GDynamicLibraryClassId; }
  static uint32_t ClassVersion() { return 1; }

  // Loads the module when it is not loaded; 1 when it is loaded afterwards.
  int Load();
  // Releases the module when this object holds it.
  void Unload();

  // Calls the entry with one argument, a pointer to the given values laid
  // out as consecutive 32-bit words; its 32-bit result, 0 when the module or
  // the entry is missing. Only 32-bit values can be passed.
  template <typename... Words>
  int32_t CallWithArgPointer(const char* entry, Words... words) {
    const uint32_t packed[] = {ToWord(words)..., 0u};
    return CallWithWords(entry, packed);
  }
  // Calls the entry with two 32-bit arguments; the low 16 bits of its
  // result, 0 when the module or the entry is missing.
  int16_t CallEntry(const char* entry, int32_t first, int32_t second);

  const RWWString& GetPath() const { return path_; }
  int IsLoaded() const { return loaded_; }
  HMODULE GetModule() const { return module_; }

  // Same class, equal base, same path, same loaded flag and module.
  bool operator==(const GDynamicLibrary& other) const;

  // ---- RWCollectable ----
  QV_PERSISTENT_KIND(GDynamicLibrary);
  RW_STORED_MEMBERS();

  // ---- MPersistentObject ----
  int Matches(const MPersistentObject* other) const override;

  // Entry types of the two call forms.
  using WordsEntry = int32_t (*)(const uint32_t* words);
  using PairEntry = int32_t (*)(int32_t first, int32_t second);

 private:
  static uint32_t ToWord(int32_t value) { return static_cast<uint32_t>(value); }
  static uint32_t ToWord(uint32_t value) { return value; }
  int32_t CallWithWords(const char* entry, const uint32_t* words);
  void TakeReferenceLike(const GDynamicLibrary& other);

  RWWString path_;
  int loaded_ = 0;
  HMODULE module_ = nullptr;
};

RWCollectable* GDynamicLibraryCreate();
