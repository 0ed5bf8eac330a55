// GNRAProvider: the bidirectional provider through which the driver reaches
// the network registry agent, a separate program that talks to the printer
// and answers requests the driver leaves in printer data. It offers exactly
// the auto-configuration session. Module attach creates one and registers
// it under "QVNRA 1.0"; detach unregisters and deletes it.
//
// For now it carries only its service mask: finding and waking the agent
// (through its window), its update session and its stored lists of watched
// printer objects come with the configuration exchange. Until then it
// serves no request.
#pragma once

#include "config/GProvider.h"

constexpr RWClassID GNRAProviderClassId = 957;

class GNRAProvider : public GProvider {
 public:
  GNRAProvider();
  GNRAProvider(const GNRAProvider& other);
  ~GNRAProvider() override;

  static RWClassID StaticClassId() { return GNRAProviderClassId; }

  GNRAProvider* CreateSameKind() const override;
  GNRAProvider* Clone() const override;
  RWClassID ClassId() const override;
  // True for 957, 952 and 751.
  int DerivesFrom(RWClassID classId) const override;

  // 0x10000.
  int GetServiceMask() override;
  // 0: the agent cannot be reached yet.
  int SupportsServices(int services) override;

  // The name module attach registers it under.
  static constexpr const char* kRegisteredName = "QVNRA 1.0";
};
