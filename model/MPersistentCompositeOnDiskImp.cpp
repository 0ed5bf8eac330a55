#include "model/MPersistentCompositeOnDiskImp.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "model/GRecordProxy.h"
#include "model/MPersistentCompositeOnDisk.h"
#include "model/RecordFileRegistry.h"
#include "model/MPersistentKind.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWDiskBTree.h"
#include "rw/RWError.h"
#include "rw/RWFileSpaceManager.h"
#include "rw/RWPersistence.h"
#include "rw/RWVirtualStream.h"
#include "win32/File.h"

namespace {

// Class ids with a meaning for storing: composites that keep their children
// in a record file of their own are written whole and get a proxy record;
// a full index still takes the end-of-job marker, and a follow-up object
// right after its leading objects.
constexpr RWClassID kOnDiskCompositeClassId = 781;
constexpr RWClassID kSpooledCompositeClassId = 606;
constexpr RWClassID kAlwaysAcceptedClassId = 710;
constexpr RWClassID kFollowUpClassId = 703;
constexpr RWClassID kLeadClassIds[] = {702, 661};

// Shared by the store operations of every store, under RecordFileLock:
// how deep StoreObject is inside composites, and the class of the last
// object it accepted.
int32_t g_storeDepth = 0;
RWClassID g_lastAccepted = 0;

constexpr const char* kUpdateMode = "rb+";

// The tree's parameters in every record file.
constexpr uint32_t kKeyLength = 16;
constexpr uint32_t kTreeOrder = 10;
constexpr uint32_t kTreeMinimum = 10;

// A key as the tree reads it: a field of the key length, NUL-padded.
class TreeKey {
 public:
  explicit TreeKey(const RWCString& text) {
    std::memcpy(bytes_, text.Data(), std::min<size_t>(text.Length(), kKeyLength));
  }
  explicit TreeKey(const char* text) : TreeKey(RWCString(text)) {}
  const char* Data() const { return bytes_; }

 private:
  char bytes_[kKeyLength + 1] = {};
};

int CompareKeys(const char* stored, const char* key, size_t length) { return std::strncmp(stored, key, length); }

bool KeepsOwnFile(const MPersistentObject& object) {
  const RWClassID id = object.ClassId();
  return id == kOnDiskCompositeClassId || id == kSpooledCompositeClassId;
}

// The serials a store of the object writes keys for, in the order written.
void CollectSerials(MPersistentObject& object, std::vector<uint32_t>& serials) {
  if (!KeepsOwnFile(object) && object.AsComposite() != nullptr) {
    MPersistentIterator* it = object.CreateIterator();
    while (it != nullptr && it->Advance())
      if (MPersistentObject* child = it->Current()) CollectSerials(*child, serials);
    delete it;
  }
  serials.push_back(object.GetSerial());
}

void CollectRecordSerials(GRecord& record, std::vector<uint32_t>& serials) {
  serials.push_back(record.Serial());
  if (GRecordComposite* composite = record.AsComposite()) {
    RWIntrusiveDlist& links = composite->Links();
    for (RWDlistLink* link = links.First(); link != links.Tail(); link = link->next)
      CollectRecordSerials(*GRecordComposite::RecordAt(link), serials);
  }
}

bool HasPrefix(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

}  // namespace

// While a store works on its file, the errors of the file-space manager and
// the tree (a damaged or failing file) set the store's error flag instead of
// ending the process: the store then refuses further work, and its composite
// reports the error.
class MPersistentCompositeOnDiskImp::FileErrorScope final : public RWErrorInterceptor {
 public:
  explicit FileErrorScope(MPersistentCompositeOnDiskImp& store)
      : store_(store), previous_(RWSetThreadErrorInterceptor(this)) {}
  ~FileErrorScope() { RWSetThreadErrorInterceptor(previous_); }
  FileErrorScope(const FileErrorScope&) = delete;
  FileErrorScope& operator=(const FileErrorScope&) = delete;

  bool Intercept(const RWLibraryError& error) override {
    static const char* const kFileErrors[] = {"[FLIST]", "[MAGIC]", "[READERR]", "[SEEKERR]", "[WRITEERR]"};
    for (const char* prefix : kFileErrors) {
      if (HasPrefix(error.Text(), prefix)) {
        store_.errorFlag_ = 1;
        return true;
      }
    }
    return previous_ != nullptr && previous_->Intercept(error);
  }

 private:
  MPersistentCompositeOnDiskImp& store_;
  RWErrorInterceptor* previous_;
};

// Marks a search of the index in progress. A search that comes back into
// the same store (a proxy whose composite is kept in this very file) finds
// nothing instead of running in a circle.
class MPersistentCompositeOnDiskImp::SearchGuard {
 public:
  explicit SearchGuard(MPersistentCompositeOnDiskImp& store) : store_(store), entered_(store.searching_ == 0) {
    if (entered_) ++store_.searching_;
  }
  ~SearchGuard() {
    if (entered_) --store_.searching_;
  }
  SearchGuard(const SearchGuard&) = delete;
  SearchGuard& operator=(const SearchGuard&) = delete;
  explicit operator bool() const { return entered_; }

 private:
  MPersistentCompositeOnDiskImp& store_;
  bool entered_;
};

// ---- Construction and the file ----

MPersistentCompositeOnDiskImp::MPersistentCompositeOnDiskImp() { index_.MarkAsIndex(); }

MPersistentCompositeOnDiskImp::MPersistentCompositeOnDiskImp(const RWCString& fileName, const int32_t& id)
    : MPersistentObject(id), fileName_(fileName) {
  index_.MarkAsIndex();
  RecordFileLock::Scope lock;
  OpenFile();
}

MPersistentCompositeOnDiskImp::MPersistentCompositeOnDiskImp(const MPersistentCompositeOnDiskImp& other)
    : MPersistentObject(other) {
  index_.MarkAsIndex();
}

MPersistentCompositeOnDiskImp::~MPersistentCompositeOnDiskImp() {
  RecordFileLock::Scope lock;
  // From here on an opening of the name makes a new store, which finds the
  // file closed and its index written.
  RecordFileRegistry::Forget(this);
  CloseFile();
  // The records go now, while the lock is held: proxies among them let go
  // of their composites, which may close other stores.
  index_.ClearRecords();
  lastReplacement_.Assign(GRecordRef());
}

void MPersistentCompositeOnDiskImp::OpenFile() {
  errorFlag_ = 0;
  index_.ClearRecords();
  FileErrorScope scope(*this);
  manager_ = new RWFileSpaceManager(fileName_.Data());
  if (manager_->Handle() == nullptr) {
    delete manager_;
    manager_ = nullptr;
    errorFlag_ = 1;
    return;
  }
  if (!manager_->HasError()) {
    tree_ = new RWDiskBTree(manager_, 10, 0, kKeyLength, 0, -1, 0, kTreeOrder, kTreeMinimum);
    tree_->SetCompare(&CompareKeys);
  }
  const bool existed = std::strcmp(manager_->GetMode(), kUpdateMode) == 0;
  if (existed && !manager_->HasError() && errorFlag_ == 0 && !TreeIsARecordTree()) errorFlag_ = 1;
  if (existed && !manager_->HasError() && errorFlag_ == 0) ReadIndex();
  if (manager_->HasError() || tree_ == nullptr) errorFlag_ = 1;
}

bool MPersistentCompositeOnDiskImp::TreeIsARecordTree() {
  // An existing file's tree takes its key length and key kind from the
  // file. Keys of another length, or binary keys, are not the record keys
  // this store hands the tree: such a file is not a record file.
  const int32_t first = manager_->FirstBlock();
  if (first == -1) return true;  // an empty file: the tree was made now
  unsigned char bytes[RWDiskBTreeHeader::kSize];
  if (!manager_->SeekTo(first) || !manager_->ReadChars(reinterpret_cast<char*>(bytes), sizeof bytes)) {
    if (!manager_->HasError()) manager_->ClearError();
    return false;
  }
  RWDiskBTreeHeader header;
  header.Decode(bytes);
  return header.keyLength == static_cast<int32_t>(kKeyLength) && (header.flags & 1) == 0 &&
         header.order == static_cast<int32_t>(kTreeOrder) && header.minimum == static_cast<int32_t>(kTreeMinimum);
}

void MPersistentCompositeOnDiskImp::ReadIndex() {
  RWCString stored;
  int32_t offset = -1;
  // A file that no store has closed has no index: the store starts empty.
  if (!tree_->FindKey(TreeKey(kIndexKey).Data(), stored, offset) || errorFlag_ != 0) return;
  // The block holds the marker, the index's class tag and its body.
  int32_t marker = 0;
  uint16_t tag = 0;
  bool sound = manager_->SeekTo(offset) && manager_->ReadLong(marker) && manager_->ReadUShort(tag) &&
               tag == GRecordCompositeClassId && manager_->SeekTo(offset);
  if (sound) sound = RWReadObjectIntoFromFile(*manager_, &index_) == &index_;
  if (!sound || manager_->IsAtEnd() || manager_->HasError() || errorFlag_ != 0) {
    // A damaged index leaves the file as it is and the store failed.
    index_.ClearRecords();
    if (!manager_->HasError()) manager_->ClearError();
    errorFlag_ = 1;
    return;
  }
  // While the file is open its index lives in memory only.
  if (tree_->RemoveKey(TreeKey(kIndexKey).Data(), stored, offset)) manager_->Release(offset);
}

void MPersistentCompositeOnDiskImp::CloseFile() {
  {
    FileErrorScope scope(*this);
    if (!removeFile_ && FileUsable()) {
      const uint32_t size = index_.StoredByteCount();
      const int32_t offset = manager_->Allocate(size);
      if (offset == -1 || !manager_->SeekTo(offset)) {
        NoteFileError();
      } else {
        RWWriteObjectPointerToFile(*manager_, &index_);
        const int32_t end = manager_->CurrentOffset();
        if (manager_->HasError() || end < offset || static_cast<uint32_t>(end - offset) != size)
          NoteFileError();
        else if (!tree_->InsertKey(TreeKey(kIndexKey).Data(), offset))
          NoteFileError();
        manager_->Flush();
      }
    }
    delete tree_;
    tree_ = nullptr;
    delete manager_;
    manager_ = nullptr;
  }
  if (removeFile_ && !fileName_.IsEmpty()) crt::remove(fileName_.Data());
}

bool MPersistentCompositeOnDiskImp::FileUsable() const {
  return manager_ != nullptr && tree_ != nullptr && errorFlag_ == 0 && !manager_->HasError();
}

void MPersistentCompositeOnDiskImp::NoteFileError() { errorFlag_ = 1; }

int MPersistentCompositeOnDiskImp::ErrorState() const {
  return errorFlag_ != 0 || (manager_ != nullptr && manager_->HasError()) ? 1 : 0;
}

// ---- RWCollectable ----

QV_PERSISTENT_KIND_DEFINE(MPersistentCompositeOnDiskImp, MPersistentObject, MPersistentCompositeOnDiskImpClassId)

// The version alone: the file and the index are never part of a model
// stream. Any stored version is taken.
template <typename Archive>
void MPersistentCompositeOnDiskImp::Members(Archive& archive) {
  archive.AnyVersion(ClassVersion());
}

RW_STORED_MEMBERS_DEFINE(MPersistentCompositeOnDiskImp, MPersistentObject)

int MPersistentCompositeOnDiskImp::Matches(const MPersistentObject* other) const {
  auto* store = dynamic_cast<const MPersistentCompositeOnDiskImp*>(other);
  if (store == nullptr || store->ClassId() != ClassId() || !MPersistentObject::Matches(other)) return 0;
  if (store == this) return 1;
  const RWIntrusiveDlist& mine = const_cast<GRecordComposite&>(index_).Links();
  const RWIntrusiveDlist& theirs = const_cast<GRecordComposite&>(store->index_).Links();
  if (mine.Count() != theirs.Count()) return 0;
  for (RWDlistLink *a = mine.First(), *b = theirs.First(); a != mine.Tail(); a = a->next, b = b->next)
    if (GRecordComposite::RecordAt(a) != GRecordComposite::RecordAt(b)) return 0;
  return 1;
}

// ---- The composite interface ----

void MPersistentCompositeOnDiskImp::AddChildHandle(const GCountedRef& child) {
  RecordFileLock::Scope lock;
  if (!child.IsEmpty()) StoreObject(child, 0);
}

void MPersistentCompositeOnDiskImp::InsertChildHandle(const GCountedRef& child) { AddChildHandle(child); }

void MPersistentCompositeOnDiskImp::RemoveChildHandle(GCountedRef& out, const GCountedRef& child) {
  // The answer goes to out last: the key may be out's own object.
  GCountedRef result;
  {
    RecordFileLock::Scope lock;
    SearchGuard search(*this);
    if (search) index_.TakeMatching(result, child.Pointee(), *this);
  }
  out.Assign(result);
}

void MPersistentCompositeOnDiskImp::RemoveChildHandleById(GCountedRef& out, const int32_t& id) {
  // The answer goes to out last: the key may be out's own object.
  GCountedRef result;
  {
    RecordFileLock::Scope lock;
    SearchGuard search(*this);
    if (search) index_.TakeById(result, id, *this);
  }
  out.Assign(result);
}

void MPersistentCompositeOnDiskImp::RemoveChildHandleByClass(GCountedRef& out, const RWClassID& classId) {
  // The answer goes to out last: the key may be out's own object.
  GCountedRef result;
  {
    RecordFileLock::Scope lock;
    SearchGuard search(*this);
    if (search) index_.TakeByClass(result, classId, *this);
  }
  out.Assign(result);
}

int MPersistentCompositeOnDiskImp::ReplaceChildHandleById(const int32_t& id, const GCountedRef& with) {
  RecordFileLock::Scope lock;
  SearchGuard search(*this);
  return search ? index_.ReplaceById(id, with, *this) : 0;
}

int MPersistentCompositeOnDiskImp::ReplaceChildHandleByClass(const RWClassID& classId, const GCountedRef& with) {
  RecordFileLock::Scope lock;
  SearchGuard search(*this);
  return search ? index_.ReplaceByClass(classId, with, *this) : 0;
}

int MPersistentCompositeOnDiskImp::ReplaceMatchingHandle(const GCountedRef& object, const GCountedRef& with) {
  RecordFileLock::Scope lock;
  SearchGuard search(*this);
  return search ? index_.ReplaceMatching(object.Pointee(), with, *this) : 0;
}

void MPersistentCompositeOnDiskImp::IgnoreRequest(int32_t, int32_t) {}

void MPersistentCompositeOnDiskImp::RemoveAllChildren() {
  RecordFileLock::Scope lock;
  {
    FileErrorScope scope(*this);
    const bool fileSound = manager_ != nullptr && !manager_->HasError();
    if (fileSound && tree_ != nullptr) tree_->Clear();
    delete tree_;
    tree_ = nullptr;
    if (fileSound) manager_->Erase();
    delete manager_;
    manager_ = nullptr;
  }
  index_.ClearRecords();
  OpenFile();
}

// The peeks read the file, so they take the lock as well: another thread's
// store must not move the file position between a seek and a read.
void MPersistentCompositeOnDiskImp::HandleById(GCountedRef& out, const int32_t& id) {
  // The answer goes to out last: the key may be out's own object.
  GCountedRef result;
  {
    RecordFileLock::Scope lock;
    SearchGuard search(*this);
    if (search) index_.PeekById(result, id, *this);
  }
  out.Assign(result);
}

void MPersistentCompositeOnDiskImp::HandleByClass(GCountedRef& out, const RWClassID& classId) {
  // The answer goes to out last: the key may be out's own object.
  GCountedRef result;
  {
    RecordFileLock::Scope lock;
    SearchGuard search(*this);
    if (search) index_.PeekByClass(result, classId, *this);
  }
  out.Assign(result);
}

void MPersistentCompositeOnDiskImp::HandleMatching(GCountedRef& out, const MPersistentObject* const& other) {
  // The answer goes to out last: the key may be out's own object.
  GCountedRef result;
  {
    RecordFileLock::Scope lock;
    SearchGuard search(*this);
    if (search) index_.PeekMatching(result, other, *this);
  }
  out.Assign(result);
}

int MPersistentCompositeOnDiskImp::GetEntryCount() const { return index_.GetRecordCount(); }
int MPersistentCompositeOnDiskImp::GetNodeCount() const { return index_.GetRecordCount(); }

MPersistentIterator* MPersistentCompositeOnDiskImp::CreateIterator() {
  return new MPersistentCompositeOnDiskIterator(this);
}

// ---- Store operations ----

bool MPersistentCompositeOnDiskImp::IsThisStore(MPersistentObject& object) const {
  auto* composite = dynamic_cast<MPersistentCompositeOnDisk*>(&object);
  if (composite == nullptr) return false;
  if (composite->AttachedStore() == this) return true;
  const RWCString& name = composite->StoredFileName();
  return !fileName_.IsEmpty() && name.Length() == fileName_.Length() &&
         std::memcmp(name.Data(), fileName_.Data(), name.Length()) == 0;
}

bool MPersistentCompositeOnDiskImp::KeysAreFree(MPersistentObject& object, const GRecord* allowed) {
  // A store kept inside its own file would hold itself and never close.
  if (KeepsOwnFile(object) && IsThisStore(object)) return false;
  std::vector<uint32_t> serials;
  CollectSerials(object, serials);
  std::sort(serials.begin(), serials.end());
  if (std::adjacent_find(serials.begin(), serials.end()) != serials.end()) return false;
  std::vector<uint32_t> replaced;
  if (allowed != nullptr) CollectRecordSerials(const_cast<GRecord&>(*allowed), replaced);
  RWCString stored;
  int32_t offset;
  for (uint32_t serial : serials) {
    if (std::find(replaced.begin(), replaced.end(), serial) != replaced.end()) continue;
    if (tree_->FindKey(TreeKey(GRecord::KeyOf(serial)).Data(), stored, offset)) return false;
  }
  return FileUsable();
}

GRecordRef MPersistentCompositeOnDiskImp::StoreObject(const GCountedRef& handle, int replacing) {
  RecordFileLock::Scope lock;
  MPersistentObject* object = handle.Pointee();
  if (object == nullptr || !FileUsable()) return GRecordRef();
  const RWClassID classId = object->ClassId();
  if (!replacing && index_.GetChildCount() > kMaxIndexRecords) {
    const bool follows = classId == kFollowUpClassId &&
                         std::find(std::begin(kLeadClassIds), std::end(kLeadClassIds), g_lastAccepted) !=
                             std::end(kLeadClassIds);
    if (classId != kAlwaysAcceptedClassId && !follows) return GRecordRef();
  }
  // Every key the object needs is checked before anything is written: a
  // serial stored already (a copy keeps its source's serial) would be
  // written but could never be found again.
  if (g_storeDepth == 0) {
    FileErrorScope scope(*this);
    if (!KeysAreFree(*object, nullptr)) return GRecordRef();
  }
  g_lastAccepted = classId;

  GRecordRef record;
  std::unique_ptr<MPersistentObject> shell;
  const MPersistentObject* written = object;
  if (KeepsOwnFile(*object)) {
    record.Assign(GRecordRef(new GRecordProxy(*object)));
  } else if (object->AsComposite() != nullptr) {
    auto* composite = new GRecordComposite(*object);
    record.Assign(GRecordRef(composite));
    bool failed = false;
    ++g_storeDepth;
    MPersistentIterator* it = object->CreateIterator();
    while (it != nullptr && it->Advance()) {
      MPersistentObject* child = it->Current();
      if (child == nullptr) continue;
      // A child is held by its composite, so a handle on it is safe.
      GRecordRef childRecord = StoreObject(GCountedRef(child), replacing);
      if (childRecord.IsEmpty()) {
        failed = true;
        break;
      }
      composite->AddRecord(childRecord);
    }
    delete it;
    --g_storeDepth;
    // The shell: a new object of the class with the id and serial and no
    // children.
    if (!failed) shell.reset(object->CreateSameKind());
    if (shell == nullptr) {
      DiscardRecord(*composite, false);
      return GRecordRef();
    }
    shell->SetFeatureId(object->FeatureId());
    shell->SetSerial(object->GetSerial());
    written = shell.get();
  } else {
    record.Assign(GRecordRef(new GRecord(*object)));
  }

  if (!WriteRecord(*record, *written)) {
    DiscardRecord(*record, false);
    return GRecordRef();
  }
  if (g_storeDepth == 0) index_.AddRecord(record);
  return record;
}

int MPersistentCompositeOnDiskImp::WriteRecord(const GRecord& record, const MPersistentObject& object) {
  RecordFileLock::Scope lock;
  if (!FileUsable()) return 0;
  FileErrorScope scope(*this);
  const TreeKey key(record.GetKey());
  RWCString stored;
  int32_t present = -1;
  if (tree_->FindKey(key.Data(), stored, present) || !FileUsable()) return 0;
  // The block is exactly the object's stored size; what is written must
  // fill it and no more.
  const uint32_t size = object.StoredByteCount();
  const int32_t offset = manager_->Allocate(size);
  if (offset == -1 || !manager_->SeekTo(offset)) {
    NoteFileError();
    return 0;
  }
  RWWriteObjectPointerToFile(*manager_, &object);
  const int32_t end = manager_->CurrentOffset();
  if (manager_->HasError() || end < offset || static_cast<uint32_t>(end - offset) != size) {
    NoteFileError();
    return 0;
  }
  if (!tree_->InsertKey(key.Data(), offset)) {
    manager_->Release(offset);
    NoteFileError();
    return 0;
  }
  return FileUsable() ? 1 : 0;
}

void MPersistentCompositeOnDiskImp::DiscardRecord(GRecord& record, bool self) {
  if (GRecordComposite* composite = record.AsComposite()) {
    RWIntrusiveDlist& links = composite->Links();
    for (RWDlistLink* link = links.First(); link != links.Tail(); link = link->next)
      DiscardRecord(*GRecordComposite::RecordAt(link), true);
  }
  if (!self || !FileUsable()) return;
  FileErrorScope scope(*this);
  RWCString stored;
  int32_t offset = -1;
  if (tree_->RemoveKey(TreeKey(record.GetKey()).Data(), stored, offset)) manager_->Release(offset);
}

void MPersistentCompositeOnDiskImp::ReadObject(GCountedRef& out, GRecord& record, bool remove) {
  out.Assign(GCountedRef());
  RecordFileLock::Scope lock;
  if (!FileUsable()) return;
  MPersistentObject* object = nullptr;
  {
    FileErrorScope scope(*this);
    const TreeKey key(record.GetKey());
    RWCString stored;
    int32_t offset = -1;
    const bool found =
        remove ? tree_->RemoveKey(key.Data(), stored, offset) : tree_->FindKey(key.Data(), stored, offset);
    if (found && FileUsable() && manager_->SeekTo(offset)) {
      MPersistentObject::ReadPersistentObject(*manager_, object);
      if (manager_->HasError()) {
        NoteFileError();
      } else if (manager_->IsAtEnd()) {
        // A damaged block: the read failed and freed what it made. The
        // store goes on; the block is not handed back, as its extent cannot
        // be trusted.
        manager_->ClearError();
      } else if (object != nullptr && remove) {
        manager_->Release(offset);
      }
    }
  }
  GCountedRef result(object);
  if (object == nullptr && !remove) return;

  // A composite record brings its children back. When the composite itself
  // could not be read, taking still takes the children out of the file, so
  // that their blocks are freed with the record.
  if (GRecordComposite* composite = record.AsComposite()) {
    // Kept alive while the children are read: adding one may reach records.
    GRecordRef keep(composite);
    const bool onDisk = object != nullptr && object->DerivesFrom(kOnDiskCompositeClassId);
    RWIntrusiveDlist& links = composite->Links();
    for (RWDlistLink* link = links.First(); link != links.Tail(); link = link->next) {
      GRecordRef childRecord(GRecordComposite::RecordAt(link));
      GCountedRef child;
      ReadObject(child, *childRecord, remove);
      if (child.IsEmpty() || object == nullptr) continue;
      // An in-memory composite takes its children with AddChild; only a
      // composite kept on disk takes them by handle.
      if (onDisk)
        object->AddChildHandle(child);
      else
        object->AddChild(child.Pointee());
    }
  }
  out.Assign(result);
}

void MPersistentCompositeOnDiskImp::TakeObject(GCountedRef& out, GRecord& record) { ReadObject(out, record, true); }

void MPersistentCompositeOnDiskImp::PeekObject(GCountedRef& out, GRecord& record) { ReadObject(out, record, false); }

int MPersistentCompositeOnDiskImp::ReplaceObject(GRecord& record, const GCountedRef& with) {
  RecordFileLock::Scope lock;
  lastReplacement_.Assign(GRecordRef());
  if (with.IsEmpty() || !FileUsable()) return 0;
  {
    FileErrorScope scope(*this);
    RWCString stored;
    int32_t offset = -1;
    if (!tree_->FindKey(TreeKey(record.GetKey()).Data(), stored, offset)) return 0;
    // Refused before the old object goes: its keys may be reused.
    if (!KeysAreFree(*with.Pointee(), &record)) return 0;
  }
  {
    GCountedRef old;
    TakeObject(old, record);
  }
  GRecordRef made = StoreObject(with, 1);
  if (made.IsEmpty()) return 0;
  lastReplacement_.Assign(made);
  return 1;
}

GRecordRef MPersistentCompositeOnDiskImp::TakeReplacement() {
  GRecordRef made(lastReplacement_);
  lastReplacement_.Assign(GRecordRef());
  return made;
}

RWCollectable* MPersistentCompositeOnDiskImpCreate() { return new MPersistentCompositeOnDiskImp; }

// ---- MPersistentCompositeOnDiskIterator ----

MPersistentCompositeOnDiskIterator::MPersistentCompositeOnDiskIterator(MPersistentCompositeOnDiskImp* store)
    : store_(store), cursor_(store->index_.Links().Head()) {}

MPersistentCompositeOnDiskIterator::~MPersistentCompositeOnDiskIterator() = default;

bool MPersistentCompositeOnDiskIterator::OnRecord() const {
  RWIntrusiveDlist& links = store_->index_.Links();
  return cursor_ != links.Head() && cursor_ != links.Tail();
}

MPersistentObject* MPersistentCompositeOnDiskIterator::Current() { return nullptr; }

void MPersistentCompositeOnDiskIterator::ReplaceCurrent(MPersistentObject* object) {
  ReplaceCurrentHandle(GCountedRef(object));
}

int MPersistentCompositeOnDiskIterator::Advance() {
  RWIntrusiveDlist& links = store_->index_.Links();
  cursor_ = cursor_ == links.Tail() ? links.Head() : cursor_->next;
  if (cursor_ != links.Tail()) return 1;
  cursor_ = links.Head();
  return 0;
}

void MPersistentCompositeOnDiskIterator::Reset() { cursor_ = store_->index_.Links().Head(); }

int MPersistentCompositeOnDiskIterator::AdvanceHandle() { return Advance(); }

void MPersistentCompositeOnDiskIterator::CurrentHandle(GCountedRef& out) {
  out.Assign(GCountedRef());
  if (OnRecord()) store_->PeekObject(out, *GRecordComposite::RecordAt(cursor_));
}

void MPersistentCompositeOnDiskIterator::Recover(const GRecordRef& current, const GRecordRef& previous,
                                                 bool onNext) {
  GRecordComposite& index = store_->index_;
  RWIntrusiveDlist& links = index.Links();
  if (RWDlistLink* link = index.LastLinkOf(current.Pointee())) {
    cursor_ = link;
    return;
  }
  RWDlistLink* base = previous.IsEmpty() ? nullptr : index.LastLinkOf(previous.Pointee());
  if (base == nullptr) base = links.Head();
  cursor_ = onNext && base->next != links.Tail() ? base->next : base;
}

void MPersistentCompositeOnDiskIterator::RemoveCurrent() {
  if (!OnRecord()) return;
  RecordFileLock::Scope lock;
  RWIntrusiveDlist& links = store_->index_.Links();
  // The removal lets go of the record under the cursor: the cursor is put
  // back on the list afterwards.
  GRecordRef current(GRecordComposite::RecordAt(cursor_));
  GRecordRef previous(cursor_->previous != links.Head() ? GRecordComposite::RecordAt(cursor_->previous) : nullptr);
  GCountedRef object;
  store_->PeekObject(object, *current);
  if (!object.IsEmpty()) {
    GCountedRef removed;
    store_->RemoveChildHandle(removed, object);
  }
  Recover(current, previous, false);
}

void MPersistentCompositeOnDiskIterator::ReplaceCurrentHandle(const GCountedRef& object) {
  if (!OnRecord()) return;
  RecordFileLock::Scope lock;
  RWIntrusiveDlist& links = store_->index_.Links();
  GRecordRef current(GRecordComposite::RecordAt(cursor_));
  GRecordRef previous(cursor_->previous != links.Head() ? GRecordComposite::RecordAt(cursor_->previous) : nullptr);
  GCountedRef old;
  store_->PeekObject(old, *current);
  if (!old.IsEmpty()) store_->ReplaceMatchingHandle(old, object);
  // The new record takes the old one's place: the cursor stays on it.
  Recover(current, previous, true);
}
