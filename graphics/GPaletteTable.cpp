#include "graphics/GPaletteTable.h"

#include "model/GAttribute.h"
#include "model/GStoredChildren.h"
#include "model/MPersistentRead.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWError.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

// The list's first capacity and its growth while a stored list is read.
constexpr size_t kCapacity = 64;

}  // namespace

GPaletteTable::GPaletteTable() : entries_(kCapacity) {
  AddEntry(new GRGBColor(255, 255, 255, 255));
  AddEntry(new GRGBColor(0, 0, 0, 255));
}

GPaletteTable::GPaletteTable(const std::vector<GColor*>& colors) : entries_(kCapacity) {
  for (const GColor* color : colors)
    if (color != nullptr) AddEntry(color->Clone());
}

GPaletteTable::GPaletteTable(const GPaletteTable& other) : MPersistentObject(other), entries_(kCapacity) {
  AppendClonesOf(other.entries_);
}

GPaletteTable& GPaletteTable::Assign(const GPaletteTable& other) {
  if (this != &other) {
    // The other's entries are held across the reset: the other palette may
    // live only through one of this palette's entries.
    GCountedPtrVector held(other.entries_);
    Reset();
    AppendClonesOf(held);
  }
  return *this;
}

GPaletteTable::~GPaletteTable() = default;

QV_PERSISTENT_KIND_DEFINE(GPaletteTable, MPersistentObject, GPaletteTableClassId)

int GPaletteTable::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  auto* palette = dynamic_cast<const GPaletteTable*>(other);
  if (palette == nullptr || palette->GetCount() != GetCount()) return 0;
  for (uint32_t i = 0; i < GetCount(); ++i) {
    const MPersistentObject* mine = entries_.Data()[i].Pointee();
    const MPersistentObject* theirs = palette->entries_.Data()[i].Pointee();
    if (mine != theirs && mine->DiffersFrom(theirs)) return 0;
  }
  return 1;
}

GColor* GPaletteTable::GetEntry(uint32_t index) const {
  if (index >= entries_.Count()) {
    RWRaiseIndexOutOfRange(index, static_cast<uint32_t>(entries_.Count()));
    return nullptr;
  }
  return static_cast<GColor*>(entries_.Data()[index].Pointee());
}

uint32_t GPaletteTable::GetCount() const { return static_cast<uint32_t>(entries_.Count()); }

int GPaletteTable::IsGray() const {
  GRGBColor rgb;
  for (uint32_t i = 0; i < GetCount(); ++i) {
    static_cast<const GColor*>(entries_.Data()[i].Pointee())->GetRGBColor(&rgb);
    if (rgb.GetRed() != rgb.GetGreen() || rgb.GetGreen() != rgb.GetBlue()) return 0;
  }
  return 1;
}

void GPaletteTable::AddEntry(GColor* color) {
  if (color != nullptr) entries_.Append(GCountedPtr(color));
}

void GPaletteTable::Reset() { entries_ = GCountedPtrVector(kCapacity); }

void GPaletteTable::AppendClonesOf(const GCountedPtrVector& entries) {
  for (size_t i = 0; i < entries.Count(); ++i)
    AddEntry(static_cast<const GColor*>(entries.Data()[i].Pointee())->Clone());
}

// ---- Persistence ----

// The version, then the entries as a child list. The entries are read one
// at a time and the list grows with what was actually read, so a damaged
// count reserves nothing. Every entry must be a colour: a stored null
// entry, or an object of another class, would leave a place that the
// palette's readers cannot use, and fails the restore. The entries share
// the identity table of the save the palette belongs to.
template <typename Archive>
void GPaletteTable::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    if (!archive.Ok() || RWReadTableGuard::RestoreFailed()) return;
    Reset();
  }
  GStoredChildren::Members(archive, entries_, [this, &archive](MPersistentObject* object) {
    auto* color = dynamic_cast<GColor*>(object);
    if (color != nullptr) {
      GStoredChildren::AppendRestored(entries_, color, kCapacity);
      return;
    }
    if (object != nullptr) MRefuseTypedRead(object);
    GFailRestore();
    if constexpr (Archive::kReading) archive.Fail();
  });
}

RW_STORED_MEMBERS_DEFINE(GPaletteTable, MPersistentObject)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPaletteTable*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GPaletteTable*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GPaletteTableCreate() { return new GPaletteTable; }
