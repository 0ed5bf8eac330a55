#include "config/GNRAProvider.h"

#include <new>

#include "config/GNRAUpdateSession.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"
#include "win32/Kernel.h"
#include "win32/Window.h"

namespace {

bool StreamOk(const RWVirtualInStream& stream) { return stream.Good() && !RWReadTableGuard::RestoreFailed(); }

bool FileOk(RWBinaryFile& file) {
  return !file.HasError() && !file.IsAtEnd() && !RWReadTableGuard::RestoreFailed();
}

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

uint32_t GNRAProvider::MembersStoreSize() const {
  // Counted as one save: children shared by the two lists are back
  // references the second time.
  RWStoreTableGuard sizing;
  uint32_t index = 0;
  if (sizing.IsTopLevel()) sizing.Table().Enter(this, index);
  const uint32_t watched = watchedObjects_.StoredByteCount();
  const uint32_t reserved = reservedObjects_.StoredByteCount();
  return GProvider::MembersStoreSize() + 4 + watched + reserved;
}

void GNRAProvider::SaveMembers(RWVirtualOutStream& stream) const {
  GProvider::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  RWWriteObjectPointer(stream, &watchedObjects_);
  RWWriteObjectPointer(stream, &reservedObjects_);
}

void GNRAProvider::SaveMembersToFile(RWBinaryFile& file) const {
  GProvider::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  RWWriteObjectPointerToFile(file, &watchedObjects_);
  RWWriteObjectPointerToFile(file, &reservedObjects_);
}

void GNRAProvider::RestoreMembers(RWVirtualInStream& stream) {
  MRestoreScope scope(this);
  GProvider::RestoreMembers(stream);
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  ForgetAgent();
  RWReadObjectInto(stream, &watchedObjects_);
  if (!StreamOk(stream)) return;
  RWReadObjectInto(stream, &reservedObjects_);
}

void GNRAProvider::RestoreMembersFromFile(RWBinaryFile& file) {
  MRestoreScope scope(this);
  GProvider::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  ForgetAgent();
  RWReadObjectIntoFromFile(file, &watchedObjects_);
  if (!FileOk(file)) return;
  RWReadObjectIntoFromFile(file, &reservedObjects_);
}

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
