#include "graphics/GCap.h"

#include "model/GPeripheral.h"
#include "rw/RWMembers.h"

namespace {

constexpr int32_t kSquareCap = 1;
constexpr int32_t kMiterJoin = 0;
constexpr int32_t kRoundJoin = 1;
constexpr int32_t kNoJoin = 3;

}  // namespace

// ---- GCap ----

GCap::GCap() : style_(kSquareCap) {}
GCap::GCap(int32_t style, const int32_t* id) : GRenderAttribute(id), style_(style) {}
GCap::GCap(const GCap& other) = default;
GCap& GCap::operator=(const GCap& other) = default;
GCap::~GCap() = default;

QV_PERSISTENT_KIND_DEFINE(GCap, GRenderAttribute, GCapClassId)

int GCap::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* cap = dynamic_cast<const GCap*>(other);
  return cap != nullptr && cap->ClassId() == ClassId() && GRenderAttribute::Matches(other) && cap->style_ == style_;
}

int16_t GCap::ApplyTo(GPeripheral* receiver) { return receiver != nullptr ? receiver->SetLineCap(this) : 0; }

int32_t GCap::GetCap() const { return style_; }

template <typename Archive>
void GCap::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(style_);
}

RW_STORED_MEMBERS_DEFINE(GCap, GRenderAttribute)

// ---- GJoint ----

GJoint::GJoint() : style_(kNoJoin) {}
GJoint::GJoint(int32_t style, const int32_t* id) : GRenderAttribute(id), style_(style == kMiterJoin ? kNoJoin : style) {}
GJoint::GJoint(const GJoint& other) = default;
GJoint& GJoint::operator=(const GJoint& other) = default;
GJoint::~GJoint() = default;

QV_PERSISTENT_KIND_DEFINE(GJoint, GRenderAttribute, GJointClassId)

int GJoint::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* joint = dynamic_cast<const GJoint*>(other);
  return joint != nullptr && joint->ClassId() == ClassId() && GRenderAttribute::Matches(other) &&
         joint->style_ == style_;
}

int16_t GJoint::ApplyTo(GPeripheral* receiver) { return receiver != nullptr ? receiver->SetLineJoin(this) : 0; }

RWClassID GJoint::GetTypeId() const { return GJointClassId; }

void GJoint::SetJoin(int32_t style) { style_ = style; }

int32_t GJoint::GetJoin() const { return style_; }

template <typename Archive>
void GJoint::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(style_);
}

RW_STORED_MEMBERS_DEFINE(GJoint, GRenderAttribute)

// ---- GMiterJoint ----

GMiterJoint::GMiterJoint() : GMiterJoint(0.0f, nullptr) {}

GMiterJoint::GMiterJoint(float limit, const int32_t* id) : GJoint(kRoundJoin, id), limit_(limit) {
  SetJoin(kMiterJoin);
}

GMiterJoint::GMiterJoint(const GMiterJoint& other) = default;
GMiterJoint& GMiterJoint::operator=(const GMiterJoint& other) = default;
GMiterJoint::~GMiterJoint() = default;

QV_PERSISTENT_KIND_DEFINE(GMiterJoint, GJoint, GMiterJointClassId)

int GMiterJoint::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* joint = dynamic_cast<const GMiterJoint*>(other);
  return joint != nullptr && GJoint::Matches(other) && joint->limit_ == limit_;
}

int16_t GMiterJoint::ApplyTo(GPeripheral* receiver) {
  return receiver != nullptr ? receiver->SetMiterJoin(this) : 0;
}

template <typename Archive>
void GMiterJoint::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(limit_);
}

RW_STORED_MEMBERS_DEFINE(GMiterJoint, GJoint)

RWCollectable* GCapCreate() { return new GCap; }
RWCollectable* GJointCreate() { return new GJoint; }
RWCollectable* GMiterJointCreate() { return new GMiterJoint; }
