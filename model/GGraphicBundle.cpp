#include "model/GGraphicBundle.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

const int32_t GGraphicBundle::kGraphicsStateId = 244;
const int32_t GGraphicBundle::kBrushId = 154;
const int32_t GGraphicBundle::kPenId = 160;
const int32_t GGraphicBundle::kLineCapId = 166;
const int32_t GGraphicBundle::kLineJoinId = 172;
const int32_t GGraphicBundle::kClipId = 177;
const int32_t GGraphicBundle::kFillModeId = 182;
const int32_t GGraphicBundle::kRasterOperationId = 183;

GGraphicBundle::GGraphicBundle() : GState(&kGraphicsStateId) {}
GGraphicBundle::GGraphicBundle(const int32_t*) : GState(&kGraphicsStateId) {}
GGraphicBundle::GGraphicBundle(const GGraphicBundle& other) = default;
GGraphicBundle& GGraphicBundle::operator=(const GGraphicBundle& other) = default;
GGraphicBundle::~GGraphicBundle() = default;

QV_PERSISTENT_KIND_DEFINE(GGraphicBundle, GState, GGraphicBundleClassId)

template <typename Archive>
void GGraphicBundle::Members(Archive& archive) {
  archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GGraphicBundle, GState)

void GGraphicBundle::SetMember(const int32_t& id, GAttribute* attribute) {
  if (attribute == nullptr) return;
  attribute->SetFeatureId(id);
  GState::AddChild(attribute);
}

GAttribute* GGraphicBundle::DetachMember(const int32_t& id) {
  GAttribute* member = FindById(id);
  return member != nullptr ? RemoveChild(member) : nullptr;
}

void GGraphicBundle::SetBrush(GAttribute* brush) { SetMember(kBrushId, brush); }
void GGraphicBundle::SetLineCap(GAttribute* cap) { SetMember(kLineCapId, cap); }
void GGraphicBundle::SetClip(GAttribute* clip) { SetMember(kClipId, clip); }
void GGraphicBundle::SetFillMode(GAttribute* fillMode) { SetMember(kFillModeId, fillMode); }
void GGraphicBundle::SetLineJoin(GAttribute* joint) { SetMember(kLineJoinId, joint); }
void GGraphicBundle::SetPen(GAttribute* pen) { SetMember(kPenId, pen); }
void GGraphicBundle::SetRasterOperation(GAttribute* operation) { SetMember(kRasterOperationId, operation); }

GAttribute* GGraphicBundle::DetachBrush() { return DetachMember(kBrushId); }
GAttribute* GGraphicBundle::DetachLineCap() { return DetachMember(kLineCapId); }
GAttribute* GGraphicBundle::DetachClip() { return DetachMember(kClipId); }
GAttribute* GGraphicBundle::DetachFillMode() { return DetachMember(kFillModeId); }
GAttribute* GGraphicBundle::DetachLineJoin() { return DetachMember(kLineJoinId); }
GAttribute* GGraphicBundle::DetachPen() { return DetachMember(kPenId); }
GAttribute* GGraphicBundle::DetachRasterOperation() { return DetachMember(kRasterOperationId); }

GAttribute* GGraphicBundle::GetBrush() { return FindById(kBrushId); }
GAttribute* GGraphicBundle::GetLineCap() { return FindById(kLineCapId); }
GAttribute* GGraphicBundle::GetClip() { return FindById(kClipId); }
GAttribute* GGraphicBundle::GetFillMode() { return FindById(kFillModeId); }
GAttribute* GGraphicBundle::GetLineJoin() { return FindById(kLineJoinId); }
GAttribute* GGraphicBundle::GetPen() { return FindById(kPenId); }
GAttribute* GGraphicBundle::GetRasterOperation() { return FindById(kRasterOperationId); }

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GGraphicBundle*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GGraphicBundle*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GGraphicBundleCreate() { return new GGraphicBundle; }
