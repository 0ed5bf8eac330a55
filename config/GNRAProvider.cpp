#include "config/GNRAProvider.h"

GNRAProvider::GNRAProvider() = default;
GNRAProvider::GNRAProvider(const GNRAProvider& other) = default;
GNRAProvider::~GNRAProvider() = default;

GNRAProvider* GNRAProvider::CreateSameKind() const { return new GNRAProvider; }
GNRAProvider* GNRAProvider::Clone() const { return new GNRAProvider(*this); }
RWClassID GNRAProvider::ClassId() const { return GNRAProviderClassId; }

int GNRAProvider::DerivesFrom(RWClassID classId) const {
  return classId == GNRAProviderClassId || GProvider::DerivesFrom(classId);
}

int GNRAProvider::GetServiceMask() { return kAutoConfigurationService; }

int GNRAProvider::SupportsServices(int) { return 0; }
