#include "model/GRenderAttribute.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GRenderAttribute::GRenderAttribute() = default;
GRenderAttribute::GRenderAttribute(const int32_t* id) : GAttribute(id) {}
GRenderAttribute::GRenderAttribute(const GRenderAttribute& other) = default;
GRenderAttribute& GRenderAttribute::operator=(const GRenderAttribute& other) = default;
GRenderAttribute::~GRenderAttribute() = default;

QV_PERSISTENT_ID_DEFINE(GRenderAttribute, GAttribute, GRenderAttributeClassId)

int GRenderAttribute::Matches(const MPersistentObject* other) const { return GAttribute::Matches(other); }

// The version is written and read, and any stored version is accepted.
template <typename Archive>
void GRenderAttribute::Members(Archive& archive) {
  archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GRenderAttribute, GAttribute)

GColorAttribute::GColorAttribute(const int32_t* id) : GRenderAttribute(id) {}
GColorAttribute::GColorAttribute(const GColorAttribute& other) = default;
GColorAttribute& GColorAttribute::operator=(const GColorAttribute& other) = default;
GColorAttribute::~GColorAttribute() = default;
