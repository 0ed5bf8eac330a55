#include "model/GCommandComposite.h"

#include "model/GCountedPtr.h"
#include "model/MPersistentIterator.h"

GCommandComposite::GCommandComposite() : GCommand(nullptr) { members_.MarkEmbedded(); }

GCommandComposite::GCommandComposite(const GCommandComposite& other) : GCommand(other), members_(other.members_) {
  members_.MarkEmbedded();
}

GCommandComposite& GCommandComposite::operator=(const GCommandComposite& other) {
  if (this != &other) {
    GCommand::operator=(other);
    members_ = other.members_;
  }
  return *this;
}

GCommandComposite::~GCommandComposite() = default;

GCommandComposite* GCommandComposite::CreateSameKind() const { return new GCommandComposite(); }

GCommandComposite* GCommandComposite::Clone() const { return new GCommandComposite(*this); }

RWClassID GCommandComposite::ClassId() const { return GCommandCompositeClassId; }

int GCommandComposite::DerivesFrom(RWClassID classId) const {
  return classId == GCommandCompositeClassId || GCommand::DerivesFrom(classId);
}

int GCommandComposite::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* composite = dynamic_cast<const GCommandComposite*>(other);
  if (composite == nullptr || composite->ClassId() != ClassId() || !GCommand::Matches(other)) return 0;
  return members_.Matches(&composite->members_);
}

void GCommandComposite::AddChild(MPersistentObject* child) {
  if (child == nullptr) return;
  if (dynamic_cast<GCommand*>(child) == nullptr || child == this) {
    if (child != this && child->HolderCount() < 0) delete child;
    return;
  }
  members_.AddChild(child);
}

MPersistentComposite* GCommandComposite::AsComposite() { return &members_; }

int GCommandComposite::GetEntryCount() const { return members_.GetEntryCount(); }

MPersistentIterator* GCommandComposite::CreateIterator() { return members_.CreateIterator(); }

void GCommandComposite::PinResources() {
  const GCountedPtrVector& members = members_.Children();
  for (size_t i = 0; i < members.Count(); ++i) {
    auto* command = dynamic_cast<GCommand*>(members.Data()[i].Pointee());
    if (command != nullptr) command->PinResources();
  }
}

int16_t GCommandComposite::Dispatch(GPeripheral*) { return 0; }

GCommand* GCommandComposite::MemberAt(size_t index) const {
  const GCountedPtrVector& members = members_.Children();
  if (index >= members.Count()) return nullptr;
  return dynamic_cast<GCommand*>(members.Data()[index].Pointee());
}
