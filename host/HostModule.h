// HostModule: the driver's user-interface module loaded as the spooler and
// an application load it. The module gets its entry in the platform's module
// table (its Windows path and its string table), is opened with dlopen and
// attached through DllMain; every operation goes through its exported entry
// points. Closing detaches it, waits for its keeper thread to give back its
// reference and unloads it.
#pragma once

#include <string>

#include "win32/Types.h"

class HostModule {
 public:
  // Where the spooler keeps the driver's files, and the module's own path.
  static constexpr const char16_t* kDriverDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";
  static constexpr const char16_t* kModulePath = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVUI.DLL";

  HostModule() = default;
  HostModule(const HostModule&) = delete;
  HostModule& operator=(const HostModule&) = delete;
  ~HostModule() { Close(); }

  // Loads and attaches the module file; false with a message.
  bool Open(const std::string& file, std::string* why);
  // Detaches the module (process detach). The module's keeper thread ends
  // once the thread that attached the module has ended, or a period after
  // the last call.
  void Detach();
  // Detaches, waits for the keeper thread to give its reference back and
  // unloads the module.
  void Close();

  // An exported entry point, or null.
  template <class Proc>
  Proc Entry(const char* name) const {
    return reinterpret_cast<Proc>(Symbol(name));
  }

 private:
  void* Symbol(const char* name) const;

  void* library_ = nullptr;
  HINSTANCE instance_ = nullptr;
  bool attached_ = false;
};
