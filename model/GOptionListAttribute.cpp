#include "model/GOptionListAttribute.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

GOptionListAttribute::GOptionListAttribute() : value_(0), key_(0) {}

GOptionListAttribute::GOptionListAttribute(int16_t key, int16_t value) : value_(value), key_(key) {}

GOptionListAttribute::GOptionListAttribute(const GOptionListAttribute& other)
    : GAttribute(other), value_(other.value_), key_(other.key_) {
  const RWIntrusiveSlist& list = other.entries_.AsSlist();
  for (const RWSlistLink* link = list.First(); link != list.Tail(); link = link->next)
    entries_.Append(static_cast<const RWShortListNode*>(link)->value);
}

GOptionListAttribute& GOptionListAttribute::operator=(const GOptionListAttribute& other) {
  if (this == &other) return *this;
  GAttribute::operator=(other);
  value_ = other.value_;
  key_ = other.key_;
  entries_.Clear();
  const RWIntrusiveSlist& list = other.entries_.AsSlist();
  for (const RWSlistLink* link = list.First(); link != list.Tail(); link = link->next)
    entries_.Append(static_cast<const RWShortListNode*>(link)->value);
  return *this;
}

GOptionListAttribute::~GOptionListAttribute() = default;

int GOptionListAttribute::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* list = dynamic_cast<const GOptionListAttribute*>(other);
  if (list == nullptr || !GAttribute::Matches(other) || list->key_ != key_ ||
      list->entries_.Count() != entries_.Count())
    return 0;
  const RWSlistLink* mine = entries_.AsSlist().First();
  const RWSlistLink* theirs = list->entries_.AsSlist().First();
  for (; mine != entries_.AsSlist().Tail(); mine = mine->next, theirs = theirs->next) {
    if (static_cast<const RWShortListNode*>(mine)->value != static_cast<const RWShortListNode*>(theirs)->value)
      return 0;
  }
  return 1;
}

MPersistentIterator* GOptionListAttribute::CreateIterator() { return nullptr; }

int16_t GOptionListAttribute::ApplyTo(GPeripheral*) { return 1; }

int16_t GOptionListAttribute::GetOptionCount() const { return static_cast<int16_t>(entries_.Count()); }

int16_t GOptionListAttribute::GetOption(int16_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= entries_.Count()) return -1;
  return static_cast<const RWShortListNode*>(entries_.AsSlist().LinkAt(static_cast<size_t>(index)))->value;
}

void GOptionListAttribute::AppendOption(int16_t value) {
  if (entries_.Count() < kMaxOptions) entries_.Append(value);
}

// The version, key and value are read whatever the version says; a newer
// body stops there. The entries are read one by one, so the stored count
// reserves nothing.
template <typename Archive>
void GOptionListAttribute::Members(Archive& archive) {
  const uint32_t version = archive.AnyVersion(ClassVersion());
  archive(key_, value_);
  if (!archive.Ok() || version > ClassVersion()) return;
  if constexpr (Archive::kReading) {
    entries_.Clear();
    int32_t count = 0;
    archive(count);
    if (!archive.Ok()) return;
    if (count < 0 || static_cast<uint32_t>(count) > kMaxOptions) {
      // No list of this system is that long: damaged input.
      archive.Fail();
      GFailRestore();
      return;
    }
    for (int32_t i = 0; i < count; ++i) {
      int16_t entry = 0;
      archive(entry);
      if (!archive.Ok()) return;
      entries_.Append(entry);
    }
  } else {
    archive(static_cast<int32_t>(entries_.Count()));
    const RWIntrusiveSlist& list = entries_.AsSlist();
    for (const RWSlistLink* link = list.First(); link != list.Tail(); link = link->next)
      archive(static_cast<const RWShortListNode*>(link)->value);
  }
}

RW_STORED_MEMBERS_DEFINE(GOptionListAttribute, GAttribute)
