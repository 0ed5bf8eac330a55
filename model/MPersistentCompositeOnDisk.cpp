#include "model/MPersistentCompositeOnDisk.h"

#include <cstring>

#include "model/GStringConversion.h"
#include "model/MPersistentCompositeOnDiskImp.h"
#include "model/MPersistentIterator.h"
#include "model/RecordFileRegistry.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "win32/File.h"

namespace {

MPersistentCompositeOnDiskImp* AsStore(const GCountedRef& handle) {
  return static_cast<MPersistentCompositeOnDiskImp*>(handle.Pointee());
}

}  // namespace

MPersistentCompositeOnDisk::MPersistentCompositeOnDisk(int32_t deleteFlag) : deleteFlag_(deleteFlag) {}

MPersistentCompositeOnDisk::MPersistentCompositeOnDisk(const RWWString& fileName, int32_t deleteFlag,
                                                       const int32_t& id)
    : MPersistentObject(id), deleteFlag_(deleteFlag) {
  ToNarrowString(fileName, fileName_);
  Open(fileName_);
}

MPersistentCompositeOnDisk::MPersistentCompositeOnDisk(const MPersistentCompositeOnDisk& other)
    : MPersistentObject(other),
      fileName_(other.fileName_),
      state_(other.state_),
      store_(other.store_),
      deleteFlag_(other.deleteFlag_),
      attachPending_(other.attachPending_),
      storedState_(other.storedState_),
      keepStoredState_(other.keepStoredState_) {
  Open(fileName_);
}

MPersistentCompositeOnDisk& MPersistentCompositeOnDisk::operator=(const MPersistentCompositeOnDisk& other) {
  if (this == &other || (!store_.IsEmpty() && store_.Pointee() == other.store_.Pointee())) return *this;
  RecordFileLock::Scope lock;
  // This composite's own registry entry goes with its old file; it takes
  // no entry for the new one (as a copy does not).
  Close();
  MPersistentObject::operator=(other);
  deleteFlag_ = other.deleteFlag_;
  store_.Assign(other.store_);
  fileName_ = other.fileName_;
  state_ = other.state_;
  attachPending_ = other.attachPending_;
  storedState_ = other.storedState_;
  keepStoredState_ = other.keepStoredState_;
  return *this;
}

MPersistentCompositeOnDisk::~MPersistentCompositeOnDisk() {
  RecordFileLock::Scope lock;
  Close();
  if (deleteFlag_ != 1) return;
  // The file goes with its store, when the last holder lets go of it: not
  // while another composite still works on it.
  GCountedRef store(store_);
  if (store.IsEmpty()) store.Assign(RecordFileRegistry::StoreOf(fileName_));
  if (!store.IsEmpty())
    AsStore(store)->RemoveFileWhenDestroyed();
  else if (!fileName_.IsEmpty())
    crt::remove(fileName_.Data());  // a failed removal leaves the file
}

void MPersistentCompositeOnDisk::Open(const RWCString& fileName) {
  RecordFileLock::Scope lock;
  if (state_ == kOpen) return;
  state_ = kOpen;
  attachPending_ = false;
  RecordFileRegistry::Attach(fileName, FeatureId(), store_);
}

void MPersistentCompositeOnDisk::AttachRestored() {
  RecordFileLock::Scope lock;
  if (!attachPending_ || state_ != kOpen) return;
  attachPending_ = false;
  RecordFileRegistry::Attach(fileName_, FeatureId(), store_);
}

void MPersistentCompositeOnDisk::Close() {
  RecordFileLock::Scope lock;
  if (state_ == kClosed) return;
  state_ = kClosed;
  // From now on the saves write the composite's own state.
  keepStoredState_ = false;
  if (attachPending_) {
    // Never attached: there is no entry of its own.
    attachPending_ = false;
    return;
  }
  bool remaining = false;
  RecordFileRegistry::Detach(fileName_, remaining);
  // Let go even when other composites still have the file open: a closed
  // composite that kept the store would keep the file open after the last
  // close, with its index unwritten.
  store_.Assign(GCountedRef());
}

void MPersistentCompositeOnDisk::OpenRestored(const RWCString& name, int32_t deleteFlag, int32_t storedState) {
  RecordFileLock::Scope lock;
  Close();
  store_.Assign(GCountedRef());
  fileName_ = name;
  deleteFlag_ = deleteFlag;
  state_ = kOpen;
  attachPending_ = true;
  storedState_ = storedState;
  keepStoredState_ = true;
}

int32_t MPersistentCompositeOnDisk::StateToStore() const { return keepStoredState_ ? storedState_ : state_; }

MPersistentCompositeOnDiskImp* MPersistentCompositeOnDisk::Store(GCountedRef& keep) {
  GetStore(keep);
  return AsStore(keep);
}

void MPersistentCompositeOnDisk::GetStore(GCountedRef& out) {
  if (state_ != kOpen) Open(fileName_);
  AttachRestored();
  out.Assign(store_);
}

const MPersistentCompositeOnDiskImp* MPersistentCompositeOnDisk::AttachedStore() const { return AsStore(store_); }

void MPersistentCompositeOnDisk::GetFileName(RWCString& out) {
  AttachRestored();
  MPersistentCompositeOnDiskImp* store = AsStore(store_);
  out = store != nullptr && store->HasFile() ? store->FileName() : RWCString();
}

int MPersistentCompositeOnDisk::HasError() {
  if (state_ == kOpen) {
    GCountedRef keep;
    MPersistentCompositeOnDiskImp* store = Store(keep);
    lastError_ = store == nullptr ? 1 : store->ErrorState();
  }
  return lastError_;
}

// ---- RWCollectable ----

QV_PERSISTENT_KIND_DEFINE_MADE_WITH(MPersistentCompositeOnDisk, MPersistentObject, MPersistentCompositeOnDiskClassId, 0)

// The version, the state word, the file name and the delete flag; the
// composite opens on the file only when all were read.
template <typename Archive>
void MPersistentCompositeOnDisk::Members(Archive& archive) {
  archive.Version(ClassVersion());
  int32_t state = StateToStore();
  RWCString name = fileName_;
  int32_t deleteFlag = deleteFlag_;
  archive(state, name, deleteFlag);
  if constexpr (Archive::kReading) {
    // Whatever state was stored, the composite is open on the file.
    if (archive.Ok()) OpenRestored(name, deleteFlag, state);
  }
}

RW_STORED_MEMBERS_DEFINE(MPersistentCompositeOnDisk, MPersistentObject)

int MPersistentCompositeOnDisk::Matches(const MPersistentObject* other) const {
  auto* composite = dynamic_cast<const MPersistentCompositeOnDisk*>(other);
  if (composite == nullptr || composite->ClassId() != ClassId()) return 0;
  if (composite == this) return 1;
  return composite->fileName_.Length() == fileName_.Length() &&
         std::memcmp(composite->fileName_.Data(), fileName_.Data(), fileName_.Length()) == 0 &&
         composite->state_ == state_ && composite->store_.Pointee() == store_.Pointee() &&
         composite->deleteFlag_ == deleteFlag_;
}

// ---- Forwarded to the store ----

void MPersistentCompositeOnDisk::AddChildHandle(const GCountedRef& child) {
  GCountedRef keep;
  if (MPersistentCompositeOnDiskImp* store = Store(keep)) store->AddChildHandle(child);
}

void MPersistentCompositeOnDisk::InsertChildHandle(const GCountedRef& child) {
  GCountedRef keep;
  if (MPersistentCompositeOnDiskImp* store = Store(keep)) store->InsertChildHandle(child);
}

void MPersistentCompositeOnDisk::RemoveChildHandle(GCountedRef& out, const GCountedRef& child) {
  GCountedRef result;
  GCountedRef keep;
  if (MPersistentCompositeOnDiskImp* store = Store(keep)) store->RemoveChildHandle(result, child);
  out.Assign(result);
}

void MPersistentCompositeOnDisk::RemoveChildHandleById(GCountedRef& out, const int32_t& id) {
  GCountedRef result;
  GCountedRef keep;
  if (MPersistentCompositeOnDiskImp* store = Store(keep)) store->RemoveChildHandleById(result, id);
  out.Assign(result);
}

void MPersistentCompositeOnDisk::RemoveChildHandleByClass(GCountedRef& out, const RWClassID& classId) {
  GCountedRef result;
  GCountedRef keep;
  if (MPersistentCompositeOnDiskImp* store = Store(keep)) store->RemoveChildHandleByClass(result, classId);
  out.Assign(result);
}

int MPersistentCompositeOnDisk::ReplaceChildHandleById(const int32_t& id, const GCountedRef& with) {
  GCountedRef keep;
  MPersistentCompositeOnDiskImp* store = Store(keep);
  return store != nullptr ? store->ReplaceChildHandleById(id, with) : 0;
}

int MPersistentCompositeOnDisk::ReplaceChildHandleByClass(const RWClassID& classId, const GCountedRef& with) {
  GCountedRef keep;
  MPersistentCompositeOnDiskImp* store = Store(keep);
  return store != nullptr ? store->ReplaceChildHandleByClass(classId, with) : 0;
}

int MPersistentCompositeOnDisk::ReplaceMatchingHandle(const GCountedRef& object, const GCountedRef& with) {
  GCountedRef keep;
  MPersistentCompositeOnDiskImp* store = Store(keep);
  return store != nullptr ? store->ReplaceMatchingHandle(object, with) : 0;
}

void MPersistentCompositeOnDisk::IgnoreRequest(int32_t first, int32_t second) {
  GCountedRef keep;
  if (MPersistentCompositeOnDiskImp* store = Store(keep)) store->IgnoreRequest(first, second);
}

void MPersistentCompositeOnDisk::RemoveAllChildren() {
  GCountedRef keep;
  if (MPersistentCompositeOnDiskImp* store = Store(keep)) store->RemoveAllChildren();
}

void MPersistentCompositeOnDisk::HandleById(GCountedRef& out, const int32_t& id) {
  GCountedRef result;
  GCountedRef keep;
  if (MPersistentCompositeOnDiskImp* store = Store(keep)) store->HandleById(result, id);
  out.Assign(result);
}

void MPersistentCompositeOnDisk::HandleByClass(GCountedRef& out, const RWClassID& classId) {
  GCountedRef result;
  GCountedRef keep;
  if (MPersistentCompositeOnDiskImp* store = Store(keep)) store->HandleByClass(result, classId);
  out.Assign(result);
}

void MPersistentCompositeOnDisk::HandleMatching(GCountedRef& out, const MPersistentObject* const& other) {
  GCountedRef result;
  GCountedRef keep;
  if (MPersistentCompositeOnDiskImp* store = Store(keep)) store->HandleMatching(result, other);
  out.Assign(result);
}

int MPersistentCompositeOnDisk::GetEntryCount() const {
  GCountedRef keep;
  MPersistentCompositeOnDiskImp* store = const_cast<MPersistentCompositeOnDisk*>(this)->Store(keep);
  return store != nullptr ? store->GetEntryCount() : 0;
}

int MPersistentCompositeOnDisk::GetNodeCount() const {
  GCountedRef keep;
  MPersistentCompositeOnDiskImp* store = const_cast<MPersistentCompositeOnDisk*>(this)->Store(keep);
  return store != nullptr ? store->GetNodeCount() : 0;
}

MPersistentIterator* MPersistentCompositeOnDisk::CreateIterator() {
  GCountedRef keep;
  MPersistentCompositeOnDiskImp* store = Store(keep);
  return store != nullptr ? store->CreateIterator() : new MPersistentNullIterator;
}

RWCollectable* MPersistentCompositeOnDiskCreate() { return new MPersistentCompositeOnDisk(0); }
