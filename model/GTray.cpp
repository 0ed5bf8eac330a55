#include "model/GTray.h"

#include <new>

#include "model/GDisplayString.h"
#include "model/GMedia.h"
#include "model/GPeripheral.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

RWCString TrayTextOrEmpty(const char* text) { return text != nullptr ? RWCString(text) : RWCString(); }

// The typed reads of the two stored forms, so that one body reader serves
// both. Each answers whether the value was read.
struct TrayStreamInput {
  RWVirtualInStream& stream;
  bool Good() const { return stream.Good(); }
  bool ULong(uint32_t& value) { return stream.GetULong(value).Good(); }
  bool Long(int32_t& value) { return stream.GetLong(value).Good(); }
  bool Short(int16_t& value) { return stream.GetShort(value).Good(); }
  bool String(RWCString& text) {
    text.RestoreFrom(stream);
    return stream.Good();
  }
  // True when the object was read into target.
  bool Into(RWCollectable* target) { return RWReadObjectInto(stream, target) == target && stream.Good(); }
};

struct TrayFileInput {
  RWBinaryFile& file;
  bool Good() const { return !file.HasError() && !file.IsAtEnd(); }
  bool ULong(uint32_t& value) { return file.ReadULong(value); }
  bool Long(int32_t& value) { return file.ReadLong(value); }
  bool Short(int16_t& value) { return file.ReadShort(value); }
  bool String(RWCString& text) { return text.RestoreFromFile(file); }
  bool Into(RWCollectable* target) { return RWReadObjectIntoFromFile(file, target) == target && Good(); }
};

}  // namespace

GTray::GTray()
    : trayNumber_(0),
      parameter1_(0),
      parameter2_(0),
      capacity_(-1),
      level_(-1),
      displayString_(new GDisplayString) {}

GTray::GTray(const char* name, int16_t trayNumber, const int32_t* id)
    : GAttribute(id),
      name_(TrayTextOrEmpty(name)),
      trayNumber_(trayNumber),
      parameter1_(0),
      parameter2_(0),
      capacity_(-1),
      level_(-1),
      displayString_(new GDisplayString) {}

GTray::GTray(const char* name, int16_t trayNumber, int32_t parameter1, int32_t parameter2, int32_t capacity,
             int32_t level, GMedia* medium, const int32_t* id)
    : GAttribute(id),
      name_(TrayTextOrEmpty(name)),
      trayNumber_(trayNumber),
      parameter1_(parameter1),
      parameter2_(parameter2),
      capacity_(capacity),
      level_(level),
      medium_(medium),
      displayString_(new GDisplayString) {}

GTray::GTray(int16_t resourceId, const char* name, int16_t trayNumber, int32_t parameter1, int32_t parameter2,
             int32_t capacity, int32_t level, GMedia* medium, const char* displayText, const char* moduleName,
             const int32_t* id)
    : GAttribute(id),
      name_(TrayTextOrEmpty(name)),
      trayNumber_(trayNumber),
      parameter1_(parameter1),
      parameter2_(parameter2),
      capacity_(capacity),
      level_(level),
      medium_(medium),
      displayString_(new GDisplayString(resourceId, displayText, moduleName)) {}

GTray::GTray(const GTray& other) : GAttribute(other), displayString_(new GDisplayString) { CopyMembers(other); }

GTray& GTray::operator=(const GTray& other) {
  if (this != &other) {
    GAttribute::operator=(other);
    CopyMembers(other);
  }
  return *this;
}

GTray::~GTray() = default;

void GTray::CopyMembers(const GTray& other) {
  name_ = other.name_;
  trayNumber_ = other.trayNumber_;
  parameter1_ = other.parameter1_;
  parameter2_ = other.parameter2_;
  capacity_ = other.capacity_;
  level_ = other.level_;
  const GMedia* medium = other.GetMedia();
  SetMedia(medium != nullptr ? medium->Clone() : nullptr);
  SetDisplayString(other.GetDisplayString());
}

QV_PERSISTENT_KIND_DEFINE(GTray, GAttribute, GTrayClassId)

int GTray::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !GAttribute::Matches(other)) return 0;
  const auto* tray = dynamic_cast<const GTray*>(other);
  if (tray == nullptr) return 0;
  if (!(name_ == tray->name_) || trayNumber_ != tray->trayNumber_ || parameter1_ != tray->parameter1_ ||
      parameter2_ != tray->parameter2_ || capacity_ != tray->capacity_ || level_ != tray->level_)
    return 0;
  if (!GetDisplayString().Matches(&tray->GetDisplayString())) return 0;
  const GMedia* mine = GetMedia();
  const GMedia* theirs = tray->GetMedia();
  if (mine == nullptr || theirs == nullptr) return mine == theirs;
  return mine->Matches(theirs);
}

int16_t GTray::ApplyTo(GPeripheral* receiver) { return receiver != nullptr ? receiver->SetTray(this) : 0; }

int GTray::SetLevel(int32_t value, int percent) {
  if (!percent) {
    // A sheet count: from -1 (not given) up to a full tray.
    if (value < -1 || value > capacity_) return 0;
    level_ = value;
    return 1;
  }
  if (capacity_ <= 0 || value < 0 || value > 100) return 0;
  // That share of the capacity, rounded down.
  level_ = static_cast<int32_t>(static_cast<int64_t>(capacity_) * value / 100);
  return 1;
}

// ---- Medium and display string ----

GMedia* GTray::GetMedia() const { return static_cast<GMedia*>(medium_.Pointee()); }

void GTray::SetMedia(GMedia* medium) { medium_.Assign(GCountedPtr(medium)); }

GMedia* GTray::ReleaseMedia() { return static_cast<GMedia*>(medium_.TakePointee(nullptr)); }

GDisplayString& GTray::GetDisplayString() { return *static_cast<GDisplayString*>(displayString_.Pointee()); }

const GDisplayString& GTray::GetDisplayString() const {
  return *static_cast<const GDisplayString*>(displayString_.Pointee());
}

GDisplayString& GTray::OwnDisplayString() {
  // Held elsewhere too (a stored graph that referred to it again): change
  // a copy of the tray's own, not the shared object.
  if (displayString_.Pointee()->HolderCount() > 0) displayString_.Assign(GCountedPtr(new GDisplayString(GetDisplayString())));
  return GetDisplayString();
}

void GTray::SetDisplayString(const GDisplayString& displayString) {
  if (&displayString == &GetDisplayString()) return;
  OwnDisplayString() = displayString;
}

// ---- Persistence ----

uint32_t GTray::MembersStoreSize() const {
  // Version, name length, tray number, the two parameters, capacity, level
  // and the medium flag: 30 bytes beside the name's characters. The medium
  // and the display string follow as objects with their class tags; sized
  // in one store table so that they count as they are written.
  RWStoreTableGuard guard;
  uint32_t size = GAttribute::MembersStoreSize() + 30 + static_cast<uint32_t>(name_.Length());
  if (const GMedia* medium = GetMedia()) size += medium->StoredByteCount();
  size += GetDisplayString().StoredByteCount();
  return size;
}

void GTray::SaveMembers(RWVirtualOutStream& stream) const {
  GAttribute::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  name_.SaveTo(stream);
  stream.PutShort(trayNumber_);
  stream.PutLong(parameter1_);
  stream.PutLong(parameter2_);
  stream.PutLong(capacity_);
  stream.PutLong(level_);
  const GMedia* medium = GetMedia();
  stream.PutLong(medium != nullptr ? 1 : 0);
  if (medium != nullptr) RWWriteObjectPointer(stream, medium);
  RWWriteObjectPointer(stream, &GetDisplayString());
}

void GTray::SaveMembersToFile(RWBinaryFile& file) const {
  GAttribute::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  name_.SaveToFile(file);
  file.WriteShort(trayNumber_);
  file.WriteLong(parameter1_);
  file.WriteLong(parameter2_);
  file.WriteLong(capacity_);
  file.WriteLong(level_);
  const GMedia* medium = GetMedia();
  file.WriteLong(medium != nullptr ? 1 : 0);
  if (medium != nullptr) RWWriteObjectPointerToFile(file, medium);
  RWWriteObjectPointerToFile(file, &GetDisplayString());
}

template <typename Input>
void GTray::RestoreBody(Input& input) {
  uint32_t version = 0;
  if (!input.ULong(version) || version > ClassVersion()) return;
  if (!input.String(name_) || !input.Short(trayNumber_) || !input.Long(parameter1_) || !input.Long(parameter2_) ||
      !input.Long(capacity_) || !input.Long(level_))
    return;

  // The stored medium, if any, replaces the one the tray held.
  SetMedia(nullptr);
  int32_t flag = 0;
  if (!input.Long(flag)) return;
  if (flag == 1) {
    // Read in place into a fresh medium; without memory for it the tray
    // keeps none (and the restore cannot go on in step with the input).
    GCountedPtr medium(new (std::nothrow) GMedia);
    if (medium.IsEmpty() || !input.Into(medium.Pointee())) return;
    medium_.Assign(medium);
  }

  // Only version 2 carries a display string; an older body keeps the one
  // the tray has.
  if (version != 2) return;
  GCountedPtr displayString(new (std::nothrow) GDisplayString);
  if (displayString.IsEmpty() || !input.Into(displayString.Pointee())) return;
  displayString_.Assign(displayString);
}

void GTray::RestoreMembers(RWVirtualInStream& stream) {
  GAttribute::RestoreMembers(stream);
  if (!stream.Good()) return;
  TrayStreamInput input{stream};
  RestoreBody(input);
}

void GTray::RestoreMembersFromFile(RWBinaryFile& file) {
  GAttribute::RestoreMembersFromFile(file);
  TrayFileInput input{file};
  RestoreBody(input);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GTray*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GTray*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GTrayCreate() { return new GTray; }
