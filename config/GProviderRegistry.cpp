#include "config/GProviderRegistry.h"

#include <algorithm>

namespace {
constexpr unsigned kChannelBits = 0x0000FFFFu;
constexpr unsigned kSessionBits = 0xFFFF0000u;
}  // namespace

GProviderRegistry* GProviderRegistry::GetInstance() {
  static GProviderRegistry registry;
  return &registry;
}

bool GProviderRegistry::Holds(const std::vector<Entry>& list, const RWCString& name) {
  return std::any_of(list.begin(), list.end(), [&](const Entry& e) { return e.name == name; });
}

int GProviderRegistry::Register(GProvider* provider, const RWCString& name, int) {
  if (Holds(channels_, name) || Holds(sessions_, name)) return 1;
  if (provider == nullptr) return 0;
  const auto mask = static_cast<unsigned>(provider->GetServiceMask());
  if ((mask & kChannelBits) != 0) channels_.push_back(Entry{name, provider});
  if ((mask & kSessionBits) != 0) sessions_.push_back(Entry{name, provider});
  return 0;
}

int GProviderRegistry::Unregister(const RWCString& name) {
  auto named = [&](const Entry& e) { return e.name == name; };
  channels_.erase(std::remove_if(channels_.begin(), channels_.end(), named), channels_.end());
  sessions_.erase(std::remove_if(sessions_.begin(), sessions_.end(), named), sessions_.end());
  return 0;
}

GOutputChannel* GProviderRegistry::OpenOutputChannel(MPersistentObject* settings, const RWWString& portName,
                                                     int services) {
  for (const Entry& e : channels_) {
    const int mask = e.provider->GetServiceMask();
    if ((mask & services) != services) continue;
    if (GOutputChannel* channel = e.provider->CreateOutputChannel(settings, e.name, services, portName))
      return channel;
  }
  return nullptr;
}

GProviderSession* GProviderRegistry::CreateSession(GDriverInstance* instance, const RWWString& portName,
                                                   int services) {
  for (const Entry& e : sessions_) {
    const int mask = e.provider->GetServiceMask();
    if ((mask & services) != services) continue;
    if (GProviderSession* session = e.provider->CreateSession(instance, e.name, services, portName)) return session;
  }
  return nullptr;
}

int GProviderRegistry::CountProviders(int services) {
  const auto bits = static_cast<unsigned>(services);
  int count = 0;
  if ((bits & kChannelBits) != 0)
    for (const Entry& e : channels_) count += e.provider->SupportsServices(services) ? 1 : 0;
  if ((bits & kSessionBits) != 0)
    for (const Entry& e : sessions_) count += e.provider->SupportsServices(services) ? 1 : 0;
  return count;
}
