#include "model/GTray.h"

#include <new>

#include "model/GDisplayString.h"
#include "model/GMedia.h"
#include "model/GPeripheral.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

RWCString TextOrEmpty(const char* text) { return text != nullptr ? RWCString(text) : RWCString(); }

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
      name_(TextOrEmpty(name)),
      trayNumber_(trayNumber),
      parameter1_(0),
      parameter2_(0),
      capacity_(-1),
      level_(-1),
      displayString_(new GDisplayString) {}

GTray::GTray(const char* name, int16_t trayNumber, int32_t parameter1, int32_t parameter2, int32_t capacity,
             int32_t level, GMedia* medium, const int32_t* id)
    : GAttribute(id),
      name_(TextOrEmpty(name)),
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
      name_(TextOrEmpty(name)),
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

// The version, the name, tray number, the two parameters, capacity and
// level, whether a medium follows and that medium, then the display string
// (stored from version 2 on; an older body keeps the one the tray has).
template <typename Archive>
void GTray::Members(Archive& archive) {
  const uint32_t version = archive.VersionUpTo(ClassVersion());
  archive(name_, trayNumber_, parameter1_, parameter2_, capacity_, level_);
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    // The stored medium, if any, replaces the one the tray held.
    SetMedia(nullptr);
    int32_t flag = 0;
    archive(flag);
    if (!archive.Ok()) return;
    if (flag == 1) {
      // Read in place into a fresh medium; without memory for it the tray
      // keeps none (and the restore cannot go on in step with the input).
      GCountedPtr medium(new (std::nothrow) GMedia);
      if (medium.IsEmpty() || !MStored::Into(archive, *medium.Pointee())) return;
      medium_.Assign(medium);
    }
    if (version != 2) return;
    GCountedPtr displayString(new (std::nothrow) GDisplayString);
    if (displayString.IsEmpty() || !MStored::Into(archive, *displayString.Pointee())) return;
    displayString_.Assign(displayString);
  } else {
    const GMedia* medium = GetMedia();
    archive(static_cast<int32_t>(medium != nullptr ? 1 : 0));
    if (medium != nullptr) archive.Pointer(medium);
    archive.Pointer(&GetDisplayString());
  }
}

RW_STORED_MEMBERS_DEFINE(GTray, GAttribute)

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GTray*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GTray*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GTrayCreate() { return new GTray; }
