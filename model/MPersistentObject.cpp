#include "model/MPersistentObject.h"

#include <atomic>

#include "model/GCountedPtr.h"
#include "model/MPersistentComposite.h"
#include "model/MPersistentIterator.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWError.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWVirtualStream.h"

namespace {

std::atomic<uint32_t> g_serialCounter{0};

// The innermost object whose body is being read on this thread.
thread_local MRestoreScope* t_restoreScope = nullptr;

// What a read may hand out: a model object that is not still being read
// further up and is not a member embedded in another object. Anything else is refused: inside a restore the refusal fails
// the restore (as a bad reference), whose end frees what it created; after
// an outermost read nothing else can refer to the object, so a refused
// object that the read created is freed here.
MPersistentObject* Accept(RWCollectable* object) {
  if (object == nullptr) return nullptr;
  auto* model = dynamic_cast<MPersistentObject*>(object);
  if (model != nullptr && !model->IsEmbedded() && !MRestoreScope::IsRestoring(model)) return model;
  RWReadTableGuard guard;
  if (guard.IsTopLevel()) {
    // An outermost read cannot yield an object still being read.
    if (model == nullptr) delete object;
  } else {
    RWMessageText text(RWToolsMsg_REF());
    RWRaiseInternalLogicError(RWInternalLogicError(text));
  }
  return nullptr;
}

}  // namespace

// ---- Serials ----

uint32_t MPersistentObject::SerialCounter() { return g_serialCounter.load(); }
void MPersistentObject::SetSerialCounter(uint32_t value) { g_serialCounter.store(value); }

void MPersistentObject::AssignNextSerial() {
  // Serials run 1, 2, 3, ...; 0 is skipped when the counter wraps.
  uint32_t current = g_serialCounter.load();
  uint32_t taken;
  do {
    taken = current == 0 ? 1 : current;
  } while (!g_serialCounter.compare_exchange_weak(current, taken + 1));
  serial_ = taken;
}

void MPersistentObject::ClearSerials() {
  serial_ = 0;
  // Every object hands out an iterator over its children (a leaf an empty
  // one), so containers of other families than MPersistentComposite, such
  // as the attribute containers, are cleared as well.
  MPersistentIterator* it = CreateIterator();
  if (it == nullptr) return;
  while (it->Advance()) {
    if (MPersistentObject* child = it->Current()) child->ClearSerials();
  }
  delete it;
}

// ---- Construction ----

MPersistentObject::MPersistentObject() : holders_(0xFFFFFFFFu), id_(0), serial_(0), embedded_(false) {
  AssignNextSerial();
}

MPersistentObject::MPersistentObject(const int32_t& id)
    : holders_(0xFFFFFFFFu), id_(id), serial_(0), embedded_(false) {
  AssignNextSerial();
}

MPersistentObject::MPersistentObject(const MPersistentObject& other)
    : RWCollectable(other), holders_(0xFFFFFFFFu), id_(other.id_), serial_(other.serial_), embedded_(false) {}

MPersistentObject& MPersistentObject::operator=(const MPersistentObject& other) {
  if (this != &other) {
    id_ = other.id_;
    serial_ = other.serial_;
  }
  return *this;
}

MPersistentObject::~MPersistentObject() = default;

// ---- RWCollectable ----

RWClassID MPersistentObject::ClassId() const { return MPersistentObjectClassId; }

int MPersistentObject::CompareTo(const RWCollectable* other) const {
  if (other == this) return 0;
  return reinterpret_cast<uintptr_t>(this) < reinterpret_cast<uintptr_t>(other) ? -1 : 1;
}

bool MPersistentObject::IsEqual(const RWCollectable* other) const {
  if (other == nullptr || other->ClassId() != ClassId()) return false;
  // Same class id: a model class, unless a foreign class took a model id.
  auto* model = dynamic_cast<const MPersistentObject*>(other);
  return model != nullptr && Matches(model) != 0;
}

// The version, the feature id and the serial; a stored serial 0 keeps the
// object's own.
template <typename Archive>
void MPersistentObject::Members(Archive& archive) {
  archive.Version(ClassVersion());
  archive(rwm::As<uint32_t>(id_));
  if constexpr (Archive::kReading) {
    uint32_t serial = 0;
    archive(serial);
    if (archive.Ok() && serial != 0) serial_ = serial;
  } else {
    archive(serial_);
  }
}

RW_STORED_MEMBERS_DEFINE(MPersistentObject, RWCollectable)

// ---- The leaf behaviour of the model's interface ----

int MPersistentObject::DerivesFrom(RWClassID classId) const { return classId == MPersistentObjectClassId; }

int MPersistentObject::Matches(const MPersistentObject* other) const {
  return other != nullptr && other->id_ == id_;
}

int MPersistentObject::DiffersFrom(const MPersistentObject* other) const { return !Matches(other); }

void MPersistentObject::AddChild(MPersistentObject*) {}
void MPersistentObject::PrependChild(MPersistentObject*) {}
MPersistentObject* MPersistentObject::RemoveChild(const MPersistentObject*) { return nullptr; }
MPersistentObject* MPersistentObject::RemoveChildById(const int32_t&) { return nullptr; }
MPersistentObject* MPersistentObject::RemoveChildByClass(const RWClassID&) { return nullptr; }
int MPersistentObject::ReplaceChildById(const int32_t&, const MPersistentObject*) { return 0; }
int MPersistentObject::ReplaceChildByClass(const RWClassID&, const MPersistentObject*) { return 0; }
int MPersistentObject::ReplaceChild(const MPersistentObject*, const MPersistentObject*) { return 0; }
int MPersistentObject::ReplaceChildByKind(const RWClassID&, const MPersistentObject*) { return 0; }
void MPersistentObject::AddChildHandle(const GCountedRef&) {}
void MPersistentObject::InsertChildHandle(const GCountedRef&) {}
void MPersistentObject::RemoveChildHandle(GCountedRef& out, const GCountedRef&) { out.Assign(GCountedRef()); }
void MPersistentObject::RemoveChildHandleById(GCountedRef& out, const int32_t&) { out.Assign(GCountedRef()); }
void MPersistentObject::RemoveChildHandleByClass(GCountedRef& out, const RWClassID&) { out.Assign(GCountedRef()); }
int MPersistentObject::ReplaceChildHandleById(const int32_t&, const GCountedRef&) { return 0; }
int MPersistentObject::ReplaceChildHandleByClass(const RWClassID&, const GCountedRef&) { return 0; }
void MPersistentObject::RemoveAllChildren() {}

MPersistentObject* MPersistentObject::FindById(const int32_t& id) { return id_ == id ? this : nullptr; }
MPersistentObject* MPersistentObject::FindByClass(const RWClassID& classId) {
  return ClassId() == classId ? this : nullptr;
}
MPersistentObject* MPersistentObject::FindMatch(const MPersistentObject* other) {
  return Matches(other) ? this : nullptr;
}
MPersistentObject* MPersistentObject::FindByKind(const RWClassID& classId) {
  return DerivesFrom(classId) ? this : nullptr;
}

namespace {

MPersistentComposite* CollectIf(bool matches, MPersistentObject* self, MPersistentComposite* into) {
  if (matches && into != nullptr) into->AddChild(self);
  return into;
}

MPersistentComposite* SelectIf(bool matches, MPersistentObject* self) {
  if (!matches) return nullptr;
  auto* result = new MPersistentComposite;
  result->AddChild(self);
  return result;
}

}  // namespace

MPersistentComposite* MPersistentObject::CollectByClass(const RWClassID& classId, MPersistentComposite* into) {
  return CollectIf(ClassId() == classId, this, into);
}
MPersistentComposite* MPersistentObject::CollectById(const int32_t& id, MPersistentComposite* into) {
  return CollectIf(id_ == id, this, into);
}
MPersistentComposite* MPersistentObject::CollectByKind(const RWClassID& classId, MPersistentComposite* into) {
  return CollectIf(DerivesFrom(classId) != 0, this, into);
}
MPersistentComposite* MPersistentObject::SelectById(const int32_t& id) { return SelectIf(id_ == id, this); }
MPersistentComposite* MPersistentObject::SelectByClass(const RWClassID& classId) {
  return SelectIf(ClassId() == classId, this);
}
MPersistentComposite* MPersistentObject::SelectByKind(const RWClassID& classId) {
  return SelectIf(DerivesFrom(classId) != 0, this);
}

void MPersistentObject::HandleById(GCountedRef& out, const int32_t& id) {
  out.Assign(GCountedRef(id_ == id ? this : nullptr));
}
void MPersistentObject::HandleByClass(GCountedRef& out, const RWClassID& classId) {
  out.Assign(GCountedRef(ClassId() == classId ? this : nullptr));
}
void MPersistentObject::HandleMatching(GCountedRef& out, const MPersistentObject* const& other) {
  out.Assign(GCountedRef(Matches(other) ? this : nullptr));
}

MPersistentComposite* MPersistentObject::AsComposite() { return nullptr; }
uint32_t MPersistentObject::GetSerial() const { return serial_; }
int MPersistentObject::GetEntryCount() const { return 1; }
int MPersistentObject::GetNodeCount() const { return 1; }
MPersistentIterator* MPersistentObject::CreateIterator() { return new MPersistentNullIterator; }
RWClassID MPersistentObject::GetTypeId() const { return ClassId(); }

MPersistentObject* MPersistentObject::DeepCopy() const {
  // Walking the children does not change them.
  MPersistentObject* self = const_cast<MPersistentObject*>(this);
  if (self->AsComposite() == nullptr) return Clone();
  MPersistentObject* copy = CreateSameKind();
  copy->id_ = id_;
  MPersistentIterator* it = self->CreateIterator();
  while (it != nullptr && it->Advance()) {
    if (MPersistentObject* child = it->Current()) copy->AddChild(child->DeepCopy());
  }
  delete it;
  return copy;
}

// ---- Reading one object ----

MRestoreScope::MRestoreScope(const MPersistentObject* object) : object_(object), outer_(t_restoreScope) {
  t_restoreScope = this;
}

MRestoreScope::~MRestoreScope() { t_restoreScope = outer_; }

bool MRestoreScope::IsRestoring(const MPersistentObject* object) {
  for (MRestoreScope* s = t_restoreScope; s != nullptr; s = s->outer_)
    if (s->object_ == object) return true;
  return false;
}

void MPersistentObject::ReadPersistentObject(RWVirtualInStream& stream, MPersistentObject*& out) {
  RWCollectable* object = nullptr;
  RWReadObjectPointer(stream, object);
  out = Accept(object);
  if (object != nullptr && out == nullptr) stream.SetState(RW_STREAM_FAIL);
}

void MPersistentObject::ReadPersistentObject(RWBinaryFile& file, MPersistentObject*& out) {
  RWCollectable* object = nullptr;
  RWReadObjectPointerFromFile(file, object);
  out = Accept(object);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, MPersistentObject*& out) {
  MPersistentObject::ReadPersistentObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, MPersistentObject*& out) {
  MPersistentObject::ReadPersistentObject(file, out);
  return file;
}
