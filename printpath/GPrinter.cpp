#include "printpath/GPrinter.h"

#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"

namespace {

constexpr int32_t kDefaultPrinterMode = 2;

}  // namespace

GPrinter::GPrinter() : printerMode_(kDefaultPrinterMode), pjlChild_(nullptr), generatorChild_(nullptr) {}

GPrinter::GPrinter(const int32_t* id)
    : GPeripheralComposite(id), printerMode_(kDefaultPrinterMode), pjlChild_(nullptr), generatorChild_(nullptr) {}

GPrinter::GPrinter(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id)
    : GPeripheralComposite(name, defaultState, configuration, id, 0, kAddOnNone, kNoAddOns),
      printerMode_(kDefaultPrinterMode),
      pjlChild_(nullptr),
      generatorChild_(nullptr) {}

GPrinter::GPrinter(const GPrinter& other)
    : GPeripheralComposite(other), printerMode_(other.printerMode_), pjlChild_(nullptr), generatorChild_(nullptr) {
  // The copy shares the children; its pointers are its own look-ups.
  LocateChildren();
}

GPrinter& GPrinter::operator=(const GPrinter& other) {
  if (&other == this || !other.DiffersFrom(this)) return *this;
  GPeripheralComposite::operator=(other);
  printerMode_ = other.printerMode_;
  LocateChildren();
  return *this;
}

GPrinter::~GPrinter() = default;

GPrinter* GPrinter::CreateSameKind() const { return new GPrinter; }
GPrinter* GPrinter::Clone() const { return new GPrinter(*this); }
RWClassID GPrinter::ClassId() const { return GPrinterClassId; }

int GPrinter::DerivesFrom(RWClassID classId) const {
  return classId == GPrinterClassId || GPeripheralComposite::DerivesFrom(classId);
}

int GPrinter::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId()) return 0;
  auto* printer = dynamic_cast<const GPrinter*>(other);
  return printer != nullptr && GPeripheral::Matches(other) && printerMode_ == printer->printerMode_;
}

void GPrinter::LocateChildren() {
  pjlChild_ = nullptr;
  generatorChild_ = nullptr;
  // The direct children only: the pointers are not held, and the printer
  // holds its direct children.
  for (size_t i = 0; i < ChildCount(); ++i) {
    GPeripheral* child = ChildAt(i);
    if (child == nullptr) continue;
    if (pjlChild_ == nullptr && child->FeatureId() == GPjlPeripheralId) pjlChild_ = child;
    if (generatorChild_ == nullptr && child->FeatureId() == GGeneratorPeripheralId) generatorChild_ = child;
  }
}

GPeripheral* GPrinter::GetPjlChild() {
  LocateChildren();
  return pjlChild_;
}

GPeripheral* GPrinter::GetGeneratorChild() {
  LocateChildren();
  return generatorChild_;
}

void GPrinter::ChildrenChanged() { LocateChildren(); }

// ---- Persistence ----

uint32_t GPrinter::MembersStoreSize() const { return GPeripheralComposite::MembersStoreSize() + 8; }

void GPrinter::SaveMembers(RWVirtualOutStream& stream) const {
  GPeripheralComposite::SaveMembers(stream);
  stream.PutULong(ClassVersion());
  stream.PutLong(printerMode_);
}

void GPrinter::SaveMembersToFile(RWBinaryFile& file) const {
  GPeripheralComposite::SaveMembersToFile(file);
  file.WriteULong(ClassVersion());
  file.WriteLong(printerMode_);
}

void GPrinter::RestoreMembers(RWVirtualInStream& stream) {
  MRestoreScope scope(this);
  GPeripheralComposite::RestoreMembers(stream);
  LocateChildren();
  uint32_t version = 0;
  stream.GetULong(version);
  if (!stream.Good() || version != ClassVersion()) return;
  int32_t mode = 0;
  stream.GetLong(mode);
  if (stream.Good()) printerMode_ = mode;
}

void GPrinter::RestoreMembersFromFile(RWBinaryFile& file) {
  MRestoreScope scope(this);
  GPeripheralComposite::RestoreMembersFromFile(file);
  LocateChildren();
  uint32_t version = 0;
  if (!file.ReadULong(version) || version != ClassVersion()) return;
  int32_t mode = 0;
  if (file.ReadLong(mode)) printerMode_ = mode;
}

RWCollectable* GPrinterCreate() { return new GPrinter; }
