#include "graphics/GClip.h"

#include <algorithm>
#include <vector>

#include "graphics/GPathGraphic.h"
#include "model/GPeripheral.h"
#include "rw/RWMembers.h"
#include "rw/RWReadTable.h"

namespace {

bool ReadFailed(const RWVirtualInStream& stream) { return !stream.Good() || RWReadTableGuard::RestoreFailed(); }
bool ReadFailed(const RWBinaryFile& file) {
  return file.HasError() || file.IsAtEnd() || RWReadTableGuard::RestoreFailed();
}

GCountedRef CloneOf(const GPathGraphic* path) { return GCountedRef(path != nullptr ? path->Clone() : nullptr); }

}  // namespace

// ---- GClip ----

GClip::GClip() : rule_(kClipRuleNotGiven), region_(kClipRegionNotGiven) {}
GClip::GClip(int32_t region, int32_t rule, const int32_t* id) : GRenderAttribute(id), rule_(rule), region_(region) {}
GClip::GClip(const GClip& other) = default;
GClip& GClip::operator=(const GClip& other) = default;
GClip::~GClip() = default;

QV_PERSISTENT_ID_DEFINE(GClip, GRenderAttribute, GClipClassId)

int GClip::Matches(const MPersistentObject* other) const {
  auto* clip = dynamic_cast<const GClip*>(other);
  return clip != nullptr && GRenderAttribute::Matches(other) && clip->rule_ == rule_ && clip->region_ == region_;
}

RWClassID GClip::GetTypeId() const { return GClipClassId; }

template <typename Archive>
void GClip::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(rule_, region_);
}

RW_STORED_MEMBERS_DEFINE(GClip, GRenderAttribute)

// The same object, or the same class and a clip part that matches.
#define QV_CLIP_SAME_KIND(Class)                                             \
  if (other == this) return 1;                                               \
  auto* same = dynamic_cast<const Class*>(other);                            \
  if (same == nullptr || same->ClassId() != ClassId() || !GClip::Matches(other)) return 0

// ---- GClipToPage ----

GClipToPage::GClipToPage() : GClipToPage(nullptr) {}
GClipToPage::GClipToPage(const int32_t* id) : GClip(kClipInside, kClipWinding, id) {}
GClipToPage::GClipToPage(const GClipToPage& other) = default;
GClipToPage::~GClipToPage() = default;

QV_PERSISTENT_KIND_DEFINE(GClipToPage, GClip, GClipToPageClassId)

int GClipToPage::Matches(const MPersistentObject* other) const {
  QV_CLIP_SAME_KIND(GClipToPage);
  return 1;
}

int16_t GClipToPage::ApplyTo(GPeripheral* receiver) { return receiver != nullptr ? receiver->ClipToPage(this) : 0; }

int GClipToPage::GetBounds(GRect&) const { return 0; }

template <typename Archive>
void GClipToPage::Members(Archive& archive) {
  archive.Version(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GClipToPage, GClip)

// ---- GClipToPath ----

GClipToPath::GClipToPath() = default;

GClipToPath::GClipToPath(GPathGraphic* path, int32_t region, int32_t rule, const int32_t* id)
    : GClip(region, rule, id), path_(path) {}

GClipToPath::GClipToPath(const GClipToPath& other) : GClip(other), path_(CloneOf(other.GetPath())) {}

GClipToPath& GClipToPath::operator=(const GClipToPath& other) {
  // The clone is made first: the other clip may be what keeps this one's
  // path alive.
  if (this != &other) path_ = CloneOf(other.GetPath());
  return *this;
}

GClipToPath::~GClipToPath() = default;

QV_PERSISTENT_KIND_DEFINE(GClipToPath, GClip, GClipToPathClassId)

GPathGraphic* GClipToPath::GetPath() const { return static_cast<GPathGraphic*>(path_.Pointee()); }

int GClipToPath::Matches(const MPersistentObject* other) const {
  QV_CLIP_SAME_KIND(GClipToPath);
  const GPathGraphic* mine = GetPath();
  const GPathGraphic* theirs = same->GetPath();
  if (mine == nullptr || theirs == nullptr) return mine == theirs;
  return mine->Matches(theirs);
}

int16_t GClipToPath::ApplyTo(GPeripheral* receiver) { return receiver != nullptr ? receiver->ClipToPath(this) : 0; }

int GClipToPath::GetBounds(GRect& out) const {
  const GPathGraphic* path = GetPath();
  if (path == nullptr) return 0;
  out = path->GetBounds();
  return 1;
}

// The path read replaces the held one; anything but a path fails the
// restore. The clip holds what it read and lets it go itself, so it adopts
// it from the restore.
template <typename Input>
void GClipToPath::ReadPath(Input& input) {
  GPathGraphic* path = nullptr;
  GReadTypedObject(input, path);
  if (path != nullptr) RWReadTableGuard::Adopt(path);
  if (path != nullptr || !ReadFailed(input)) path_ = GCountedRef(path);
}

template <typename Archive>
void GClipToPath::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kKind == rwm::Kind::kReadStream) {
    MRestoreScope scope(this);
    if (archive.Ok()) ReadPath(archive.Stream());
  } else if constexpr (Archive::kKind == rwm::Kind::kReadFile) {
    MRestoreScope scope(this);
    if (archive.Ok()) ReadPath(archive.File());
  } else {
    archive.Pointer(GetPath());
  }
}

RW_STORED_MEMBERS_DEFINE(GClipToPath, GClip)

// ---- GClipToRectangle ----

GClipToRectangle::GClipToRectangle() = default;

GClipToRectangle::GClipToRectangle(const GRect& rect, int32_t region, int32_t rule, const int32_t* id)
    : GClip(region, rule, id) {
  rects_.Append(rect);
}

GClipToRectangle::GClipToRectangle(const GRectVector& rects, int32_t region, int32_t rule, const int32_t* id)
    : GClip(region, rule, id), rects_(rects) {}

GClipToRectangle::GClipToRectangle(const GClipToRectangle& other) = default;

GClipToRectangle& GClipToRectangle::operator=(const GClipToRectangle& other) {
  rects_ = other.rects_;
  return *this;
}

GClipToRectangle::~GClipToRectangle() = default;

QV_PERSISTENT_KIND_DEFINE(GClipToRectangle, GClip, GClipToRectangleClassId)

int GClipToRectangle::Matches(const MPersistentObject* other) const {
  QV_CLIP_SAME_KIND(GClipToRectangle);
  if (same->GetCount() != GetCount()) return 0;
  for (uint32_t i = 0; i < GetCount(); ++i)
    if (!rects_.Data()[i].Equals(same->rects_.Data()[i])) return 0;
  return 1;
}

int16_t GClipToRectangle::ApplyTo(GPeripheral* receiver) {
  return receiver != nullptr ? receiver->ClipToRectangles(this) : 0;
}

int GClipToRectangle::GetBounds(GRect& out) const {
  if (rects_.Count() == 0) return 0;
  GRect box = rects_.Data()[0];
  for (uint32_t i = 1; i < GetCount(); ++i) {
    const GRect& r = rects_.Data()[i];
    box.left = std::min(box.left, r.left);
    box.top = std::min(box.top, r.top);
    box.right = std::max(box.right, r.right);
    box.bottom = std::max(box.bottom, r.bottom);
  }
  out = box;
  return 1;
}

void GClipToRectangle::GetRectangle(uint32_t index, GRect& out) const {
  out = index < GetCount() ? rects_.Data()[index] : GRect();
}

namespace {
// One rectangle of a clip's stored run: left, top, right, bottom.
template <typename Archive>
void StoreRect(Archive& archive, GRect& r) {
  archive(r.left, r.top, r.right, r.bottom);
}
}  // namespace

template <typename Archive>
void GClipToRectangle::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    std::vector<GRect> read;
    rwm::ReadCounted(archive, read, StoreRect<Archive>);
    if (!archive.Ok()) return;
    GRectVector rects(read.size());
    for (const GRect& r : read) rects.Append(r);
    rects_ = rects;
  } else {
    rwm::WriteCounted(archive, rects_.Data(), GetCount(), StoreRect<Archive>);
  }
}

RW_STORED_MEMBERS_DEFINE(GClipToRectangle, GClip)

// ---- GClipToSingleRectangle ----

GClipToSingleRectangle::GClipToSingleRectangle() = default;
GClipToSingleRectangle::GClipToSingleRectangle(const GRect& rect, int32_t region, int32_t rule, const int32_t* id)
    : GClip(region, rule, id), rect_(rect) {}
GClipToSingleRectangle::GClipToSingleRectangle(const GClipToSingleRectangle& other) = default;

GClipToSingleRectangle& GClipToSingleRectangle::operator=(const GClipToSingleRectangle& other) {
  rect_ = other.rect_;
  return *this;
}

GClipToSingleRectangle::~GClipToSingleRectangle() = default;

QV_PERSISTENT_KIND_DEFINE(GClipToSingleRectangle, GClip, GClipToSingleRectangleClassId)

int GClipToSingleRectangle::Matches(const MPersistentObject* other) const {
  QV_CLIP_SAME_KIND(GClipToSingleRectangle);
  return rect_.Equals(same->rect_);
}

int16_t GClipToSingleRectangle::ApplyTo(GPeripheral* receiver) {
  return receiver != nullptr ? receiver->ClipToRectangle(this) : 0;
}

int GClipToSingleRectangle::GetBounds(GRect& out) const {
  out = rect_;
  return 1;
}

template <typename Archive>
void GClipToSingleRectangle::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(rect_.left, rect_.top, rect_.right, rect_.bottom);
}

RW_STORED_MEMBERS_DEFINE(GClipToSingleRectangle, GClip)

#undef QV_CLIP_SAME_KIND

RWCollectable* GClipToPageCreate() { return new GClipToPage; }
RWCollectable* GClipToPathCreate() { return new GClipToPath; }
RWCollectable* GClipToRectangleCreate() { return new GClipToRectangle; }
RWCollectable* GClipToSingleRectangleCreate() { return new GClipToSingleRectangle; }
