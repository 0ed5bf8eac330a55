// HostModule: the driver's user-interface module loaded as the spooler and
// an application load it. The host names the file that holds the module's
// image at its Windows path; LoadLibrary maps it, with the string table its
// image carries, and attaches it through DllMain. Every operation goes
// through its exported entry points. Detaching gives the host's reference
// back; closing also waits for the module's keeper thread to give back its
// own, whereupon the module is detached and unmapped.
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
  // Gives the host's reference back. The module's keeper thread gives back
  // its own once the thread that attached the module has ended, or a period
  // after the last call; the module is detached when both are back.
  void Detach();
  // Gives the host's reference back and waits until the module is detached.
  void Close();

  // An exported entry point, or null.
  template <class Proc>
  Proc Entry(const char* name) const {
    return reinterpret_cast<Proc>(Symbol(name));
  }

 private:
  void* Symbol(const char* name) const;

  HINSTANCE instance_ = nullptr;
  bool loaded_ = false;
};
