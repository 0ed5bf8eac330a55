// GNRAProvider: the bidirectional provider through which the driver reaches
// the network registry agent, a separate program that talks to the printer
// and answers requests the driver leaves in printer data. It offers exactly
// the auto-configuration session, and finds and wakes the agent: the agent
// owns a top-level window of class "qvnra" and reacts to the registered
// message "QVNRA_CLIENT_REQUEST". Module attach creates one and registers it
// under "QVNRA 1.0"; detach unregisters and deletes it.
//
// It is also a persistent class: a stored object graph may hold one with
// its list of watched printer objects. The agent's window and message are
// only a cache of the last successful look-up and are never stored.
#pragma once

#include <cstdint>

#include "config/GProvider.h"
#include "model/GAttributeComposite.h"
#include "rw/RWMembers.h"
#include "win32/Types.h"

constexpr RWClassID GNRAProviderClassId = 957;

class GNRAProvider : public GProvider {
 public:
  // Agent unknown, both lists empty.
  GNRAProvider();
  // Copies the cached agent and both lists; the copied lists share their
  // children with the original through counted handles.
  GNRAProvider(const GNRAProvider& other);
  ~GNRAProvider() override;
  GNRAProvider& operator=(const GNRAProvider&) = delete;

  static RWClassID StaticClassId() { return GNRAProviderClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GNRAProvider);
  // True for 957, 952 and 751.
  // Same class, the provider comparison, the same cached agent, and lists
  // that match their counterparts.
  int Matches(const MPersistentObject* other) const override;

  // Stored body after the provider's: version 1, then both lists through
  // the framing. Reading version 1 forgets the agent and reads both lists;
  // another version reads nothing more.
  RW_STORED_MEMBERS();

  // ---- Provider operations ----
  // 0x10000.
  int GetServiceMask() override;
  // 1 only for exactly 0x10000 while the agent is known or can be found now.
  int SupportsServices(int services) override;
  // A new update session (GNRAUpdateSession) for the instance's printer,
  // whatever the services; the caller owns it. The provider never offers
  // an output channel.
  GProviderSession* CreateSession(GDriverInstance* instance, const RWCString& registeredName, int services,
                                  const RWWString& portName) override;

  // ---- Agent contact ----
  // 1 when both the agent's window and its message are known.
  int IsAgentKnown() const;
  // Looks the agent up (its registered message and its window) and keeps
  // what it found; 1 when both were found.
  int FindAgent();
  // Sends the request code to the agent, looking it up first when it is not
  // known; the calling thread waits for the answer. 1 when the agent
  // answered 0; 0 when it answered anything else, cannot be found, or its
  // window no longer exists.
  int SendAgentRequest(int code);
  // Forgets the agent, so that the next contact looks it up again. 1.
  int ForgetAgent();

  HWND GetAgentWindow() const { return agentWindow_; }
  UINT GetAgentMessage() const { return agentMessage_; }

  // The printer objects the agent is asked to watch.
  GAttributeComposite& WatchedObjects() { return watchedObjects_; }
  const GAttributeComposite& WatchedObjects() const { return watchedObjects_; }
  // A second list that the stored form carries and a copy duplicates;
  // nothing reads or fills it.
  GAttributeComposite& ReservedObjects() { return reservedObjects_; }
  const GAttributeComposite& ReservedObjects() const { return reservedObjects_; }

  // The name module attach registers it under.
  static constexpr const char* kRegisteredName = "QVNRA 1.0";
  // The agent's window class and registered message, and the first word of
  // every request.
  static constexpr const char16_t* kAgentWindowClass = u"qvnra";
  static constexpr const char16_t* kAgentMessageName = u"QVNRA_CLIENT_REQUEST";
  static constexpr WPARAM kRequestWParam = 3;

 private:
  HWND agentWindow_;
  UINT agentMessage_;
  GAttributeComposite watchedObjects_;
  GAttributeComposite reservedObjects_;
};

RWCollectable* GNRAProviderCreate();
