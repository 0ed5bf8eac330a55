// GProviderRegistry: the one place where the driver finds outside sources of
// data for a printer. Providers are registered by name; those offering
// output channels stand in the channel list, those offering sessions in the
// session list (a provider offering both stands in both). Queries visit the
// providers in registration order. The registry never owns a provider.
//
// Registration and removal happen only in module attach and detach, which
// the loader serialises; there is no lock.
#pragma once

#include <vector>

#include "config/GProvider.h"
#include "rw/RWCString.h"
#include "rw/RWWString.h"

class GProviderRegistry {
 public:
  // The process-wide registry.
  static GProviderRegistry* GetInstance();

  GProviderRegistry() = default;
  GProviderRegistry(const GProviderRegistry&) = delete;
  GProviderRegistry& operator=(const GProviderRegistry&) = delete;

  // 1, changing nothing, when the name (compared exactly) is registered
  // already; otherwise enters the provider by its service mask and returns 0.
  int Register(GProvider* provider, const RWCString& name, int reserved = 0);
  // Removes the name from both lists; the provider is left alone. 0.
  int Unregister(const RWCString& name);

  // The first channel / session that a provider covering the services
  // gives, or null; the caller owns it.
  GOutputChannel* OpenOutputChannel(MPersistentObject* settings, const RWWString& portName, int services);
  GProviderSession* CreateSession(GDriverInstance* instance, const RWWString& portName, int services);
  // Providers whose SupportsServices is true, over the channel list when
  // the low bits ask for channels and over the session list when the high
  // bits ask for sessions.
  int CountProviders(int services);

 private:
  struct Entry {
    RWCString name;
    GProvider* provider;
  };
  static bool Holds(const std::vector<Entry>& list, const RWCString& name);

  std::vector<Entry> channels_;
  std::vector<Entry> sessions_;
};
