#include "printpath/GCommandCompositeOnDisk.h"

#include "driver/GUpwardServices.h"
#include "driver/drvrsrvr.h"
#include "model/GAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/MPersistentCompositeOnDiskImp.h"
#include "model/MStoredMembers.h"
#include "model/RecordFileRegistry.h"
#include "printpath/SpoolLock.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

namespace {

bool IsCommand(const MPersistentObject* object) {
  return object != nullptr && object->DerivesFrom(GCommandClassId) && dynamic_cast<const GCommand*>(object) != nullptr;
}

// The text of a string attribute of the settings; empty when there is none.
RWCString TextOf(GState* settings, int32_t id) {
  auto* text = dynamic_cast<GStringAttribute*>(settings->FindById(id));
  return text != nullptr ? text->GetString() : RWCString();
}

// An unsigned number in base 16 (at most 8 digits, nothing else); false
// for any other text.
bool ParseHandle(const RWCString& text, uint32_t& value) {
  const size_t length = text.Length();
  if (length == 0 || length > 8) return false;
  value = 0;
  for (size_t i = 0; i < length; ++i) {
    const char c = text.Data()[i];
    uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      return false;
    }
    value = value * 16 + digit;
  }
  return true;
}

}  // namespace

// ---- Construction ----

GCommandCompositeOnDisk::GCommandCompositeOnDisk() : GCommand(nullptr), store_(0) { store_.MarkEmbedded(); }

GCommandCompositeOnDisk::GCommandCompositeOnDisk(const RWWString& fileName, int32_t deleteFlag, const int32_t* id)
    : GCommand(id), store_(fileName, deleteFlag, 0) {
  store_.MarkEmbedded();
}

GCommandCompositeOnDisk::GCommandCompositeOnDisk(const GCommandCompositeOnDisk& other)
    : GCommand(other), store_(other.store_) {
  store_.MarkEmbedded();
}

GCommandCompositeOnDisk& GCommandCompositeOnDisk::operator=(const GCommandCompositeOnDisk& other) {
  if (this != &other) {
    GCommand::operator=(other);
    store_ = other.store_;
  }
  return *this;
}

GCommandCompositeOnDisk::~GCommandCompositeOnDisk() = default;

QV_PERSISTENT_KIND_DEFINE(GCommandCompositeOnDisk, GCommand, GCommandCompositeOnDiskClassId)

int GCommandCompositeOnDisk::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  auto* composite = dynamic_cast<const GCommandCompositeOnDisk*>(other);
  if (composite == nullptr || composite->ClassId() != ClassId() || !GCommand::Matches(other)) return 0;
  return store_.Matches(&composite->store_);
}

// ---- Records ----

void GCommandCompositeOnDisk::AddChildHandle(const GCountedRef& child) {
  if (!IsCommand(child.Pointee())) return;
  store_.AddChildHandle(child);
}

void GCommandCompositeOnDisk::RemoveChildHandle(GCountedRef& out, const GCountedRef& child) {
  store_.RemoveChildHandle(out, child);
}
void GCommandCompositeOnDisk::RemoveChildHandleById(GCountedRef& out, const int32_t& id) {
  store_.RemoveChildHandleById(out, id);
}
void GCommandCompositeOnDisk::RemoveChildHandleByClass(GCountedRef& out, const RWClassID& classId) {
  store_.RemoveChildHandleByClass(out, classId);
}
int GCommandCompositeOnDisk::ReplaceChildHandleById(const int32_t& id, const GCountedRef& with) {
  return store_.ReplaceChildHandleById(id, with);
}
int GCommandCompositeOnDisk::ReplaceChildHandleByClass(const RWClassID& classId, const GCountedRef& with) {
  return store_.ReplaceChildHandleByClass(classId, with);
}
void GCommandCompositeOnDisk::HandleById(GCountedRef& out, const int32_t& id) { store_.HandleById(out, id); }
void GCommandCompositeOnDisk::HandleByClass(GCountedRef& out, const RWClassID& classId) {
  store_.HandleByClass(out, classId);
}
void GCommandCompositeOnDisk::HandleMatching(GCountedRef& out, const MPersistentObject* const& other) {
  store_.HandleMatching(out, other);
}
int GCommandCompositeOnDisk::GetEntryCount() const { return store_.GetEntryCount(); }
int GCommandCompositeOnDisk::GetNodeCount() const { return store_.GetNodeCount(); }

MPersistentIterator* GCommandCompositeOnDisk::CreateIterator() { return new GCommandCompositeOnDiskIterator(this); }

void GCommandCompositeOnDisk::AssignSettings(const GCountedPtr& settings) {
  MPersistentObject* object = settings.Pointee();
  if (object == nullptr || dynamic_cast<GState*>(object) == nullptr) return;
  GCountedRef old;
  store_.RemoveChildHandleById(old, GFeatureIds::kSpoolSettingsRecord);
  object->SetFeatureId(GFeatureIds::kSpoolSettingsRecord);
  store_.AddChildHandle(GCountedRef(object));
}

GCountedPtr GCommandCompositeOnDisk::GetSettingsHandle() const {
  GCountedRef record;
  store_.RemoveChildHandleById(record, GFeatureIds::kSpoolSettingsRecord);
  return GCountedPtr(record.Pointee());
}

void GCommandCompositeOnDisk::Close() { store_.Close(); }

int GCommandCompositeOnDisk::GetStoreError() { return store_.HasError(); }

void GCommandCompositeOnDisk::ForEachChild(RecordFunction function, int userData) {
  if (function == nullptr) return;
  RecordFileLock::Scope lock;
  MPersistentIterator* it = store_.CreateIterator();
  auto* records = dynamic_cast<MPersistentHandleIterator*>(it);
  while (records != nullptr && records->AdvanceHandle()) {
    GCountedRef record;
    records->CurrentHandle(record);
    function(&record, userData);
  }
  delete it;
}

int16_t GCommandCompositeOnDisk::Dispatch(GPeripheral*) { return 0; }

void GCommandCompositeOnDisk::RestoreFonts() {
  GState* settings = GetSettings();
  if (settings == nullptr) return;
  const RWCString path = TextOf(settings, GFeatureIds::kSpoolCompanionFilePath);
  const RWCString handleText = TextOf(settings, GFeatureIds::kSpoolInstanceHandle);
  if (path.IsEmpty() || handleText.IsEmpty()) return;
  uint32_t handle = 0;
  if (!ParseHandle(handleText, handle)) return;
  GDriverServer* server = GDriverServer::GetInstance();
  const auto load = UpwardServices().spoolFonts.load;
  if (server == nullptr || load == nullptr) return;
  GDriverInstance* instance = server->FindRenderDriverInstance(static_cast<int>(handle));
  if (instance == nullptr) return;
  SpoolLock::Scope lock;
  load(instance, RWWString(path));
}

// ---- Persistence ----

// The version, then the store as one embedded object.
template <typename Archive>
void GCommandCompositeOnDisk::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  if (!MStored::Going(archive)) return;
  archive.Version(ClassVersion());
  archive.Embedded(store_);
}

RW_STORED_MEMBERS_DEFINE(GCommandCompositeOnDisk, GCommand)

RWCollectable* GCommandCompositeOnDiskCreate() { return new GCommandCompositeOnDisk; }

// ---- Iterator ----

GCommandCompositeOnDiskIterator::GCommandCompositeOnDiskIterator(GCommandCompositeOnDisk* composite)
    : composite_(composite), inner_(nullptr), opened_(false) {
  composite_->RestoreFonts();
  MPersistentCompositeOnDisk& store = composite_->store_;
  opened_ = store.State() != MPersistentCompositeOnDisk::kOpen;
  store.GetStore(store_);
  auto* imp = dynamic_cast<MPersistentCompositeOnDiskImp*>(store_.Pointee());
  if (imp != nullptr) inner_ = static_cast<MPersistentHandleIterator*>(imp->CreateIterator());
}

GCommandCompositeOnDiskIterator::~GCommandCompositeOnDiskIterator() {
  delete inner_;
  inner_ = nullptr;
  store_.Assign(GCountedRef());
  // A walk over a closed composite leaves it closed, its index written.
  if (opened_) composite_->store_.Close();
}

MPersistentObject* GCommandCompositeOnDiskIterator::Current() { return nullptr; }
void GCommandCompositeOnDiskIterator::ReplaceCurrent(MPersistentObject* object) {
  if (inner_ != nullptr) inner_->ReplaceCurrent(object);
}
int GCommandCompositeOnDiskIterator::Advance() { return inner_ != nullptr ? inner_->Advance() : 0; }
void GCommandCompositeOnDiskIterator::Reset() {
  if (inner_ != nullptr) inner_->Reset();
}
void GCommandCompositeOnDiskIterator::CurrentHandle(GCountedRef& out) {
  if (inner_ != nullptr) {
    inner_->CurrentHandle(out);
  } else {
    out.Assign(GCountedRef());
  }
}
void GCommandCompositeOnDiskIterator::RemoveCurrent() {
  if (inner_ != nullptr) inner_->RemoveCurrent();
}
void GCommandCompositeOnDiskIterator::ReplaceCurrentHandle(const GCountedRef& object) {
  if (inner_ != nullptr) inner_->ReplaceCurrentHandle(object);
}
int GCommandCompositeOnDiskIterator::AdvanceHandle() { return inner_ != nullptr ? inner_->AdvanceHandle() : 0; }
