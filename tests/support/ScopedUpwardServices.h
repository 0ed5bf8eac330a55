// Installs upward services for a test and puts back, when it goes, the
// record that was installed before it: the one way a test gives the lower
// layers a factory, a bridge, a channel source and the like.
//
//   qvtest::ScopedUpwardServices services;            // starts from the installed record
//   services.Change([](GUpwardServices& s) { s.factory = &factory; });
#pragma once

#include <utility>

#include "driver/GUpwardServices.h"

namespace qvtest {

class ScopedUpwardServices {
 public:
  // Keeps the installed record, to be put back; installs nothing.
  ScopedUpwardServices() : previous_(UpwardServices()) {}
  // Installs the record.
  explicit ScopedUpwardServices(const GUpwardServices& services) : previous_(InstallUpwardServices(services)) {}
  ~ScopedUpwardServices() { InstallUpwardServices(previous_); }
  ScopedUpwardServices(const ScopedUpwardServices&) = delete;
  ScopedUpwardServices& operator=(const ScopedUpwardServices&) = delete;

  // Installs the record as a whole.
  void Install(const GUpwardServices& services) { InstallUpwardServices(services); }
  // Changes members of the installed record.
  template <typename Edit>
  void Change(Edit&& change) {
    GUpwardServices services = UpwardServices();
    std::forward<Edit>(change)(services);
    InstallUpwardServices(services);
  }
  // Puts the record of the start back.
  void Restore() { InstallUpwardServices(previous_); }

 private:
  GUpwardServices previous_;
};

}  // namespace qvtest
