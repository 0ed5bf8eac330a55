#include "graphics/GPaletteTable.h"

#include <type_traits>

#include "model/GAttribute.h"
#include "model/GStoredChildren.h"
#include "model/MPersistentRead.h"
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

uint32_t GPaletteTable::MembersStoreSize() const {
  // The entries share the identity table of the save the palette belongs to.
  RWStoreTableGuard guard;
  return MPersistentObject::MembersStoreSize() + 8 + GStoredChildren::ReferencesSize(entries_);
}

void GPaletteTable::SaveMembers(RWVirtualOutStream& stream) const {
  MPersistentObject::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  GStoredChildren::Save(stream, entries_);
}

void GPaletteTable::SaveMembersToFile(RWBinaryFile& file) const {
  MPersistentObject::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  GStoredChildren::Save(file, entries_);
}

// The entries are read one at a time and the list grows with what was
// actually read, so a damaged count reserves nothing. Every entry must be a
// colour: a stored null entry, or an object of another class, would leave
// a place that the palette's readers cannot use, and fails the restore.
template <typename Input>
void GPaletteTable::RestoreEntries(Input& input) {
  Reset();
  GStoredChildren::Restore(input, [this, &input](MPersistentObject* object) {
    auto* color = dynamic_cast<GColor*>(object);
    if (color != nullptr) {
      GStoredChildren::AppendRestored(entries_, color, kCapacity);
      return;
    }
    if (object != nullptr) {
      MRefuseTypedRead(object);
    }
    GFailRestore();
    if constexpr (std::is_base_of_v<RWVirtualInStream, Input>) {
      input.SetState(RW_STREAM_FAIL);
    } else {
      (void)input;  // a file keeps no stream state of its own
    }
  });
}

void GPaletteTable::RestoreMembers(RWVirtualInStream& stream) {
  MRestoreScope scope(this);
  MPersistentObject::RestoreMembers(stream);
  uint32_t version = 0;
  if (stream.Good()) stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion() || RWReadTableGuard::RestoreFailed()) return;
  RestoreEntries(stream);
}

void GPaletteTable::RestoreMembersFromFile(RWBinaryFile& file) {
  MRestoreScope scope(this);
  MPersistentObject::RestoreMembersFromFile(file);
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion() || RWReadTableGuard::RestoreFailed()) return;
  RestoreEntries(file);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPaletteTable*& out) {
  return MReadPersistentAs(stream, out);
}

RWBinaryFile& operator>>(RWBinaryFile& file, GPaletteTable*& out) { return MReadPersistentAs(file, out); }

RWCollectable* GPaletteTableCreate() { return new GPaletteTable; }
