#include "config/GNRAProvider.h"

#include <new>

#include "config/GNRAUpdateSession.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"
#include "win32/Kernel.h"
#include "win32/Window.h"

namespace {

// Reads a list held by value in place, from either form.
void ReadListInto(RWVirtualInStream& stream, GAttributeComposite& list) { RWReadObjectInto(stream, &list); }
void ReadListInto(RWBinaryFile& file, GAttributeComposite& list) { RWReadObjectIntoFromFile(file, &list); }

}  // namespace

GNRAProvider::GNRAProvider() : agentWindow_(nullptr), agentMessage_(0) {
  // The lists live inside the provider: a read never hands them out.
  watchedObjects_.MarkEmbedded();
  reservedObjects_.MarkEmbedded();
}

GNRAProvider::GNRAProvider(const GNRAProvider& other)
    : GProvider(other),
      agentWindow_(other.agentWindow_),
      agentMessage_(other.agentMessage_),
      watchedObjects_(other.watchedObjects_),
      reservedObjects_(other.reservedObjects_) {
  watchedObjects_.MarkEmbedded();
  reservedObjects_.MarkEmbedded();
}

GNRAProvider::~GNRAProvider() = default;

QV_PERSISTENT_KIND_DEFINE(GNRAProvider, GProvider, GNRAProviderClassId)

int GNRAProvider::Matches(const MPersistentObject* other) const {
  if (other == nullptr || other->ClassId() != GNRAProviderClassId || !GProvider::Matches(other)) return 0;
  const auto* provider = static_cast<const GNRAProvider*>(other);
  return provider->agentWindow_ == agentWindow_ && provider->agentMessage_ == agentMessage_ &&
                 watchedObjects_.Matches(&provider->watchedObjects_) &&
                 reservedObjects_.Matches(&provider->reservedObjects_)
             ? 1
             : 0;
}

// ---- Persistence ----

// The version and the two lists, each held by value and written as an
// object of the graph. The size is counted as one save, with the provider
// entered first: children shared by the two lists are back references the
// second time. A read forgets the agent and reads the lists in place; the
// second only while the input and the restore are still sound.
template <typename Archive>
void GNRAProvider::Members(Archive& archive) {
  const MStored::RestoreScope<Archive> scope(this);
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    ForgetAgent();
    ReadListInto(archive.Input(), watchedObjects_);
    if (!MStored::Going(archive.Input())) return;
    ReadListInto(archive.Input(), reservedObjects_);
  } else {
    archive.Embedded(watchedObjects_);
    archive.Embedded(reservedObjects_);
  }
}

RW_STORED_MEMBERS_DEFINE_SELF_FIRST(GNRAProvider, GProvider)

// ---- Provider operations ----

int GNRAProvider::GetServiceMask() { return kAutoConfigurationService; }

int GNRAProvider::SupportsServices(int services) {
  if (services != kAutoConfigurationService) return 0;
  return (IsAgentKnown() || FindAgent()) ? 1 : 0;
}

GProviderSession* GNRAProvider::CreateSession(GDriverInstance* instance, const RWCString& registeredName, int,
                                              const RWWString& portName) {
  return new (std::nothrow) GNRAUpdateSession(this, registeredName, instance, portName);
}

// ---- Agent contact ----

int GNRAProvider::IsAgentKnown() const { return agentWindow_ != nullptr && agentMessage_ != 0 ? 1 : 0; }

int GNRAProvider::FindAgent() {
  // A message that cannot be registered leaves the agent unknown.
  agentMessage_ = RegisterWindowMessageW(kAgentMessageName);
  agentWindow_ = FindWindowW(kAgentWindowClass, nullptr);
  return IsAgentKnown();
}

int GNRAProvider::SendAgentRequest(int code) {
  if (!IsAgentKnown() && !FindAgent()) return 0;
  // A window that has gone since the look-up answers 0 as well; only the
  // last error tells it from an agent that handled the request.
  SetLastError(ERROR_SUCCESS);
  const LRESULT answer = SendMessageW(agentWindow_, agentMessage_, kRequestWParam, static_cast<LPARAM>(code));
  if (answer == 0 && GetLastError() == ERROR_INVALID_WINDOW_HANDLE) {
    ForgetAgent();
    return 0;
  }
  return answer == 0 ? 1 : 0;
}

int GNRAProvider::ForgetAgent() {
  agentWindow_ = nullptr;
  agentMessage_ = 0;
  return 1;
}

RWCollectable* GNRAProviderCreate() { return new GNRAProvider; }
