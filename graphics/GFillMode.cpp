#include "graphics/GFillMode.h"

#include "model/GPeripheral.h"
#include "rw/RWMembers.h"

// ---- GFillMode ----

GFillMode::GFillMode() : mode_(kFillNotGiven) {}
GFillMode::GFillMode(int32_t mode, const int32_t* id) : GRenderAttribute(id), mode_(mode) {}
GFillMode::GFillMode(const GFillMode& other) = default;
GFillMode& GFillMode::operator=(const GFillMode& other) = default;
GFillMode::~GFillMode() = default;

QV_PERSISTENT_KIND_DEFINE(GFillMode, GRenderAttribute, GFillModeClassId)

int GFillMode::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* mode = dynamic_cast<const GFillMode*>(other);
  return mode != nullptr && mode->ClassId() == ClassId() && mode->mode_ == mode_;
}

int16_t GFillMode::ApplyTo(GPeripheral* receiver) { return receiver != nullptr ? receiver->SetFillMode(this) : 0; }

template <typename Archive>
void GFillMode::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(mode_);
}

RW_STORED_MEMBERS_DEFINE(GFillMode, GRenderAttribute)

// ---- GRasterOperation ----

GRasterOperation::GRasterOperation() : code_(0), kind_(kRopNotGiven) {}
GRasterOperation::GRasterOperation(uint16_t code, int32_t kind, const int32_t* id)
    : GRenderAttribute(id), code_(code), kind_(kind) {}
GRasterOperation::GRasterOperation(const GRasterOperation& other) = default;
GRasterOperation& GRasterOperation::operator=(const GRasterOperation& other) = default;
GRasterOperation::~GRasterOperation() = default;

QV_PERSISTENT_KIND_DEFINE(GRasterOperation, GRenderAttribute, GRasterOperationClassId)

int GRasterOperation::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* operation = dynamic_cast<const GRasterOperation*>(other);
  return operation != nullptr && operation->ClassId() == ClassId() && operation->code_ == code_ &&
         operation->kind_ == kind_;
}

int16_t GRasterOperation::ApplyTo(GPeripheral* receiver) {
  return receiver != nullptr ? receiver->SetRasterOperation(this) : 0;
}

template <typename Archive>
void GRasterOperation::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(code_, kind_);
}

RW_STORED_MEMBERS_DEFINE(GRasterOperation, GRenderAttribute)

RWCollectable* GFillModeCreate() { return new GFillMode; }
RWCollectable* GRasterOperationCreate() { return new GRasterOperation; }
