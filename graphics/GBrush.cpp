#include "graphics/GBrush.h"

#include "graphics/GPaint.h"
#include "model/GPeripheral.h"
#include "rw/RWMembers.h"

// ---- GBrush ----

GBrush::GBrush() = default;
GBrush::GBrush(GPaint* paint, const int32_t* id) : GRenderAttribute(id), paint_(paint) {}
GBrush::GBrush(const GBrush& other) = default;

GBrush& GBrush::operator=(const GBrush& other) {
  if (this == &other) return *this;
  GRenderAttribute::operator=(other);
  if (other.GetPaint() != nullptr) paint_ = other.paint_;
  return *this;
}

GBrush::~GBrush() = default;

QV_PERSISTENT_KIND_DEFINE(GBrush, GRenderAttribute, GBrushClassId)

int GBrush::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* brush = dynamic_cast<const GBrush*>(other);
  if (brush == nullptr || brush->ClassId() != ClassId() || !GRenderAttribute::Matches(other)) return 0;
  return GHeldPaintsMatch(GetPaint(), brush->GetPaint());
}

int16_t GBrush::ApplyTo(GPeripheral* receiver) { return receiver != nullptr ? receiver->SetBrush(this) : 0; }

RWClassID GBrush::GetTypeId() const { return GBrushClassId; }

void GBrush::SetPaint(GPaint* paint) {
  if (paint != GetPaint()) paint_ = GCountedRef(paint);
}

GPaint* GBrush::GetPaint() const { return static_cast<GPaint*>(paint_.Pointee()); }

template <typename Archive>
void GBrush::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kKind == rwm::Kind::kReadStream) {
    if (archive.Ok()) GRestoreHeldPaint(archive.Stream(), paint_);
  } else if constexpr (Archive::kKind == rwm::Kind::kReadFile) {
    if (archive.Ok()) GRestoreHeldPaint(archive.File(), paint_);
  } else {
    archive.Pointer(GetPaint());
  }
}

RW_STORED_MEMBERS_DEFINE(GBrush, GRenderAttribute)

// ---- GNoBrush ----

GNoBrush::GNoBrush() = default;
GNoBrush::GNoBrush(const int32_t* id) : GBrush(nullptr, id) {}
GNoBrush::GNoBrush(const GNoBrush& other) = default;
GNoBrush& GNoBrush::operator=(const GNoBrush& other) = default;
GNoBrush::~GNoBrush() = default;

QV_PERSISTENT_KIND_DEFINE(GNoBrush, GBrush, GNoBrushClassId)

int GNoBrush::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  return other != nullptr && other->ClassId() == ClassId() && GRenderAttribute::Matches(other);
}

int16_t GNoBrush::ApplyTo(GPeripheral* receiver) { return receiver != nullptr ? receiver->SetNoBrush(this) : 0; }

template <typename Archive>
void GNoBrush::Members(Archive& archive) {
  archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GNoBrush, GBrush)

RWCollectable* GBrushCreate() { return new GBrush; }
RWCollectable* GNoBrushCreate() { return new GNoBrush; }
