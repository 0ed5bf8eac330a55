#include "model/GEnumAttribute.h"

#include "model/GPeripheral.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

GEnumAttribute::GEnumAttribute() : selected_(-1), elementClass_(0) {}
GEnumAttribute::GEnumAttribute(const int32_t* id) : GAttributeComposite(id), selected_(-1), elementClass_(0) {}
GEnumAttribute::GEnumAttribute(const GEnumAttribute& other) = default;
GEnumAttribute& GEnumAttribute::operator=(const GEnumAttribute& other) = default;
GEnumAttribute::~GEnumAttribute() = default;

QV_PERSISTENT_KIND_DEFINE(GEnumAttribute, GAttributeComposite, GEnumAttributeClassId)
RWClassID GEnumAttribute::GetTypeId() const { return GEnumAttributeClassId; }

int GEnumAttribute::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* enumeration = dynamic_cast<const GEnumAttribute*>(other);
  if (enumeration == nullptr || !GAttributeComposite::Matches(other)) return 0;
  if (elementClass_ != enumeration->elementClass_) return 0;
  const GAttribute* mine = GetSelected();
  const GAttribute* theirs = enumeration->GetSelected();
  if (mine == nullptr || theirs == nullptr) return mine == theirs;
  return mine->Matches(theirs);
}

// ---- Options and the selection ----

GAttribute* GEnumAttribute::GetSelected() const {
  return selected_ >= 0 ? ChildAt(static_cast<size_t>(selected_)) : nullptr;
}

long GEnumAttribute::IndexOfHeldOption(const MPersistentObject* option) {
  return IndexOfChild(FindMatch(option));
}

void GEnumAttribute::AddChild(MPersistentObject* option) {
  if (option == nullptr) return;
  auto* attribute = dynamic_cast<GAttribute*>(option);
  if (attribute == nullptr || (elementClass_ != 0 && option->ClassId() != elementClass_)) {
    DropHandedOver(option);
    return;
  }
  if (elementClass_ == 0) elementClass_ = option->ClassId();
  if (FindMatch(option) != nullptr) {
    // An equal option is held already (or this very one, which a handle
    // holds and so is not destroyed).
    DropHandedOver(option);
    return;
  }
  const size_t position = Children().Count();
  if (AppendChild(attribute) && selected_ < 0) selected_ = static_cast<long>(position);
}

GAttribute* GEnumAttribute::RemoveChildById(const int32_t& id) { return RemoveChild(FindById(id)); }

GAttribute* GEnumAttribute::RemoveChildByClass(const RWClassID& classId) { return RemoveChild(FindByClass(classId)); }

void GEnumAttribute::ChildRemovedAt(size_t index) {
  if (selected_ < 0) return;
  const long removed = static_cast<long>(index);
  if (removed < selected_) {
    --selected_;
  } else if (removed == selected_) {
    // The first remaining option, or none.
    selected_ = Children().Count() > 0 ? 0 : -1;
  }
}

void GEnumAttribute::RemoveAllChildren() {
  GAttributeComposite::RemoveAllChildren();
  selected_ = -1;
}

GAttribute* GEnumAttribute::Select(const MPersistentObject* option) {
  const long index = IndexOfHeldOption(option);
  if (index < 0) return nullptr;
  selected_ = index;
  return ChildAt(static_cast<size_t>(index));
}

void GEnumAttribute::SelectNext() {
  if (selected_ >= 0 && static_cast<size_t>(selected_) + 1 < Children().Count()) ++selected_;
}

void GEnumAttribute::SelectPrevious() {
  if (selected_ > 0 && static_cast<size_t>(selected_) < Children().Count()) --selected_;
}

MPersistentObject* GEnumAttribute::DeepCopy() const {
  GEnumAttribute* copy = CreateSameKind();
  copy->SetFeatureId(FeatureId());
  copy->elementClass_ = elementClass_;
  long selected = -1;
  const GCountedPtrVector& options = Children();
  for (size_t i = 0; i < options.Count(); ++i) {
    const MPersistentObject* option = options.Data()[i].Pointee();
    if (option == nullptr) continue;
    MPersistentObject* optionCopy = option->DeepCopy();
    const size_t before = copy->Children().Count();
    // An option equal to one copied before is dropped by AddChild; the
    // option it matches then stands for it.
    const long held = copy->IndexOfHeldOption(optionCopy);
    copy->AddChild(optionCopy);
    if (static_cast<long>(i) == selected_)
      selected = copy->Children().Count() > before ? static_cast<long>(before) : held;
  }
  copy->selected_ = selected;
  return copy;
}

void GEnumAttribute::Merge(GAttribute*) {}

int16_t GEnumAttribute::ApplyTo(GPeripheral* receiver) {
  const int16_t result = receiver != nullptr ? receiver->SetEnum(this) : 0;
  changed = 0;
  return result;
}

// ---- Persistence ----

void GEnumAttribute::TakeSelection(MPersistentObject* read) {
  selected_ = -1;
  if (read == nullptr) return;
  const long index = IndexOfChild(read);
  if (index >= 0) {
    selected_ = index;
    return;
  }
  // The selection must be one of the options: anything else is damaged
  // input.
  GRefuseRead(read);
}

// The version, the selected option (written after the options: a back
// reference to one of them, or the null object) and the element class.
template <typename Archive>
void GEnumAttribute::Members(Archive& archive) {
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    MPersistentObject* read = nullptr;
    ReadPersistentObject(archive.Input(), read);
    if constexpr (Archive::kKind == rwm::Kind::kReadStream) {
      if (!archive.Input().Good()) {
        archive.Stop();
        return;
      }
    }
    TakeSelection(read);
  } else {
    archive.Pointer(GetSelected());
  }
  archive(rwm::As<int16_t>(elementClass_));
}

RW_STORED_MEMBERS_DEFINE_SIZE_AND_WRITES(GEnumAttribute, GAttributeComposite)

// The container body first: options read anew leave no selection until one
// is read back.
void GEnumAttribute::RestoreMembers(RWVirtualInStream& stream) {
  if (RestoreCompositeBody(stream)) selected_ = -1;
  rwm::Restore(*this, stream);
}

void GEnumAttribute::RestoreMembersFromFile(RWBinaryFile& file) {
  if (RestoreCompositeBodyFromFile(file)) selected_ = -1;
  rwm::Restore(*this, file);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GEnumAttribute*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GEnumAttribute*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GEnumAttributeCreate() { return new GEnumAttribute; }
