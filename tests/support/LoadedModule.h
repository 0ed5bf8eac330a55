// The module as the spooler holds it in the module tests: opened with
// dlopen, attached through DllMain, its entry points looked up by name, and
// on release detached, its keeper thread let go and closed again.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "win32/Module.h"
#include "w32test/Testing.h"
#include "win32/Types.h"

namespace qvtest {

// The whole of a file of the host machine (empty when it cannot be read).
inline std::string ReadHostFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Adds a printer of the sample family to the stand-in, its driver in
// directory and its data file at dataFile (which the caller writes).
inline void AddSamplePrinter(const char16_t* name, const char16_t* directory, const char16_t* dataFile) {
  w32test::PrinterSetup setup;
  setup.name = name;
  setup.driverName = u"Quarrin 4700";
  setup.driverDirectory = directory;
  setup.dataFile = dataFile;
  w32test::AddPrinter(setup);
}

class LoadedModule {
 public:
  using DllMainProc = BOOL (*)(HINSTANCE, DWORD, LPVOID);

  LoadedModule() = default;
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
  ~LoadedModule() { Release(); }

  // Opens the module file and attaches it as `instance`, the handle of its
  // entry in the stand-in's module table at `path`. Records a test failure
  // and answers false when either step fails.
  bool Load(const char* file, HINSTANCE instance, const char16_t* path) {
    instance_ = instance;
    path_ = path;
    library_ = dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) {
      ADD_FAILURE() << dlerror();
      return false;
    }
    auto dllMain = Symbol<DllMainProc>("DllMain");
    if (dllMain == nullptr || dllMain(instance_, 1, nullptr) != TRUE) {
      ADD_FAILURE() << "DllMain did not attach";
      return false;
    }
    attached_ = true;
    return true;
  }

  // Detaches, waits for the module's keeper thread to let go of it, and
  // closes it. Nothing when it was not loaded.
  void Release() {
    if (attached_) {
      EXPECT_EQ(Symbol<DllMainProc>("DllMain")(instance_, 0, nullptr), TRUE);
      attached_ = false;
    }
    for (int i = 0; path_ != nullptr && i < 1000 && w32test::ModuleLoadCount(path_) > 1; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (library_ != nullptr) dlclose(library_);
    library_ = nullptr;
  }

  template <class Proc>
  Proc Symbol(const char* name) const {
    return library_ != nullptr ? reinterpret_cast<Proc>(dlsym(library_, name)) : nullptr;
  }

 private:
  void* library_ = nullptr;
  HINSTANCE instance_ = nullptr;
  const char16_t* path_ = nullptr;
  bool attached_ = false;
};

}  // namespace qvtest
