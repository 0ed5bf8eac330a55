#include "graphics/GPaint.h"

#include "model/GPeripheral.h"
#include "model/MPersistentRead.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

// ---- GPaint ----

GPaint::~GPaint() = default;

QV_PERSISTENT_ID_DEFINE(GPaint, MPersistentObject, GPaintClassId)

// The version of this part carries no fields of its own: it is read and
// not compared.
template <typename Archive>
void GPaint::Members(Archive& archive) {
  archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(GPaint, MPersistentObject)

// ---- GColorPaint ----

namespace {

GCountedRef CloneOf(const GColor* color) { return GCountedRef(color != nullptr ? color->Clone() : nullptr); }

}  // namespace

GColorPaint::GColorPaint() = default;

GColorPaint::GColorPaint(GColor* color) : color_(color) {}

GColorPaint::GColorPaint(const GColorPaint& other) : GPaint(other), color_(CloneOf(other.GetColor())) {}

GColorPaint& GColorPaint::Assign(const GColorPaint& other) {
  if (this != &other) {
    GPaint::operator=(other);
    // The clone is made first: the other paint may be the one that holds
    // this paint's colour alive.
    GCountedRef copy = CloneOf(other.GetColor());
    color_ = copy;
  }
  return *this;
}

GColorPaint::~GColorPaint() = default;

QV_PERSISTENT_KIND_DEFINE(GColorPaint, GPaint, GColorPaintClassId)

int GColorPaint::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* paint = dynamic_cast<const GColorPaint*>(other);
  if (paint == nullptr) return 0;
  const GColor* mine = GetColor();
  const GColor* theirs = paint->GetColor();
  if (mine == nullptr || theirs == nullptr) return 1;
  return mine->Matches(theirs);
}

void GColorPaint::SetColor(GColor* color) { color_ = GCountedRef(color); }

GColor* GColorPaint::GetColor() const { return static_cast<GColor*>(color_.Pointee()); }

int16_t GColorPaint::ApplyAsPen(GPeripheral* target) { return target != nullptr ? target->SetPenColor(this) : 0; }

int16_t GColorPaint::ApplyAsBrush(GPeripheral* target) {
  return target != nullptr ? target->SetBrushColor(this) : 0;
}

// ---- Persistence ----

// The version, then the colour as an object reference (it shares the
// identity table of the save the paint belongs to). The colour read
// replaces the held one; anything but a colour in its place fails the
// restore.
template <typename Archive>
void GColorPaint::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  archive.Version(ClassVersion());
  if (!MStored::Going(archive, true)) return;
  MStored::TypedRef<GColor>(archive, color_);
}

RW_STORED_MEMBERS_DEFINE(GColorPaint, GPaint)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPaint*& out) { return MReadPersistentAs(stream, out); }
RWBinaryFile& operator>>(RWBinaryFile& file, GPaint*& out) { return MReadPersistentAs(file, out); }

void GRestoreHeldPaint(RWVirtualInStream& stream, GCountedRef& paint) {
  GPaint* read = nullptr;
  stream >> read;
  if (read != nullptr) RWReadTableGuard::Adopt(read);
  if (read != nullptr || (stream.Good() && !RWReadTableGuard::RestoreFailed())) paint = GCountedRef(read);
}

void GRestoreHeldPaint(RWBinaryFile& file, GCountedRef& paint) {
  GPaint* read = nullptr;
  file >> read;
  if (read != nullptr) RWReadTableGuard::Adopt(read);
  if (read != nullptr || !(file.HasError() || file.IsAtEnd() || RWReadTableGuard::RestoreFailed()))
    paint = GCountedRef(read);
}

int GHeldPaintsMatch(const GPaint* a, const GPaint* b) {
  if (a == nullptr || b == nullptr) return a == b ? 1 : 0;
  return a == b || a->Matches(b) ? 1 : 0;
}

RWCollectable* GColorPaintCreate() { return new GColorPaint; }
