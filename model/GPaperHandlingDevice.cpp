#include "model/GPaperHandlingDevice.h"

#include "model/GAttributeComposite.h"
#include "model/MPersistentIterator.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWPersistence.h"
#include "rw/RWReadTable.h"
#include "rw/RWShortList.h"
#include "rw/RWStoreTable.h"
#include "rw/RWVirtualStream.h"

// ---- Construction ----

GPaperHandlingDevice::GPaperHandlingDevice() : options_(kOptionBuckets, &HashKey) {}

GPaperHandlingDevice::GPaperHandlingDevice(const RWCString& name, int32_t kind, int32_t installable,
                                           int32_t installed, int32_t detectionMode, int32_t optionSource,
                                           const int32_t* id)
    : GAttribute(id),
      name_(name),
      kind_(kind),
      installable_(installable),
      installed_(installable == 0 ? 1 : installed),
      options_(kOptionBuckets, &HashKey),
      detectionMode_(detectionMode),
      optionSource_(optionSource) {}

GPaperHandlingDevice::GPaperHandlingDevice(int16_t resourceId, const RWCString& name, int32_t kind,
                                           int32_t installable, int32_t installed, int32_t detectionMode,
                                           int32_t optionSource, const char* displayText, const char* moduleName,
                                           const int32_t* id)
    : GPaperHandlingDevice(name, kind, installable, installed, detectionMode, optionSource, id) {
  displayString_ = GDisplayString(resourceId, displayText, moduleName);
}

GPaperHandlingDevice::GPaperHandlingDevice(const GPaperHandlingDevice& other)
    : GAttribute(other),
      name_(other.name_),
      kind_(other.kind_),
      installable_(other.installable_),
      installed_(other.installed_),
      selectedOption_(other.selectedOption_),
      options_(kOptionBuckets, &HashKey),
      detectionMode_(other.detectionMode_),
      optionSource_(other.optionSource_),
      displayString_(other.displayString_) {
  CopyOptions(other);
}

GPaperHandlingDevice& GPaperHandlingDevice::operator=(const GPaperHandlingDevice& other) {
  if (this != &other) {
    GAttribute::operator=(other);
    name_ = other.name_;
    kind_ = other.kind_;
    installable_ = other.installable_;
    installed_ = other.installed_;
    selectedOption_ = other.selectedOption_;
    detectionMode_ = other.detectionMode_;
    optionSource_ = other.optionSource_;
    displayString_ = other.displayString_;
    CopyOptions(other);
  }
  return *this;
}

GPaperHandlingDevice::~GPaperHandlingDevice() = default;

QV_PERSISTENT_KIND_DEFINE(GPaperHandlingDevice, GAttribute, GPaperHandlingDeviceClassId)

int16_t GPaperHandlingDevice::ApplyTo(GPeripheral*) { return 1; }

// ---- The option table ----

uint32_t GPaperHandlingDevice::HashKey(const int16_t& key) { return static_cast<uint16_t>(key); }

template <typename F>
void GPaperHandlingDevice::ForEachOption(F f) const {
  RWHashedDictionaryIterator<int16_t, GCountedPtr> it(options_);
  while (OptionTable::Node* node = it.Next()) f(node->key, node->value);
}

void GPaperHandlingDevice::CopyOptions(const GPaperHandlingDevice& other) {
  // Hold the other's composites first: they may be this device's own.
  OptionTable copy(kOptionBuckets, &HashKey);
  uint32_t count = 0;
  other.ForEachOption([&](int16_t key, const GCountedPtr& handle) {
    if (GCountedPtr* slot = copy.FindOrInsert(copy.BucketOf(key), key)) {
      *slot = handle;
      ++count;
    }
  });
  options_.RemoveAll();
  // Entering the keys in table order rebuilds every bucket in its order.
  RWHashedDictionaryIterator<int16_t, GCountedPtr> it(copy);
  while (OptionTable::Node* node = it.Next()) PutOption(node->key, node->value);
}

void GPaperHandlingDevice::PutOption(int16_t key, const GCountedPtr& option) {
  // Held before the old entry goes: the old composite may own the handle.
  GCountedPtr held(option);
  const uint32_t bucket = options_.BucketOf(key);
  if (options_.Remove(bucket, key)) options_.SetCount(options_.Count() - 1);
  if (GCountedPtr* slot = options_.FindOrInsert(bucket, key)) {
    *slot = held;
    options_.SetCount(options_.Count() + 1);
  }
}

void GPaperHandlingDevice::SetOption(int16_t key, const GCountedPtr& option) {
  PutOption(key, option);
  if (selectedOption_ == 0) selectedOption_ = key;
}

MPersistentObject* GPaperHandlingDevice::RemoveOption(int16_t key) {
  OptionTable::Node* node = options_.RemoveNode(options_.BucketOf(key), key);
  if (node == nullptr) return nullptr;
  options_.SetCount(options_.Count() - 1);
  MPersistentObject* taken = node->value.TakePointee(nullptr);
  delete node;
  if (key == selectedOption_) {
    int16_t next = 0;
    bool found = false;
    ForEachOption([&](int16_t k, const GCountedPtr& handle) {
      if (!found && dynamic_cast<GAttributeComposite*>(handle.Pointee()) != nullptr) {
        next = k;
        found = true;
      }
    });
    selectedOption_ = next;
  }
  return taken;
}

int GPaperHandlingDevice::SelectOption(int16_t key) {
  if (GetOption(key) == nullptr) return 0;
  selectedOption_ = key;
  return 1;
}

GAttributeComposite* GPaperHandlingDevice::GetOption(int16_t key) const {
  OptionTable::Node* node = options_.Find(options_.BucketOf(key), key);
  return node != nullptr ? dynamic_cast<GAttributeComposite*>(node->value.Pointee()) : nullptr;
}

void GPaperHandlingDevice::GetOptionKeys(RWShortList& keys) const {
  keys.Clear();
  ForEachOption([&](int16_t key, const GCountedPtr&) { keys.Append(key); });
}

int GPaperHandlingDevice::GetMinOptionSize() const {
  int smallest = 0;
  ForEachOption([&](int16_t, const GCountedPtr& handle) {
    auto* option = dynamic_cast<GAttributeComposite*>(handle.Pointee());
    if (option == nullptr) return;
    const int size = option->GetEntryCount();
    if (size != 0 && (smallest == 0 || size < smallest)) smallest = size;
  });
  return smallest;
}

int GPaperHandlingDevice::GetMaxOptionSize() const {
  int largest = 0;
  ForEachOption([&](int16_t, const GCountedPtr& handle) {
    auto* option = dynamic_cast<GAttributeComposite*>(handle.Pointee());
    if (option != nullptr && option->GetEntryCount() > largest) largest = option->GetEntryCount();
  });
  return largest;
}

int GPaperHandlingDevice::GetSelectedOptionSize() const {
  GAttributeComposite* option = GetOption(selectedOption_);
  return option != nullptr ? option->GetEntryCount() : 0;
}

MPersistentIterator* GPaperHandlingDevice::CreateIterator() {
  GAttributeComposite* option = GetOption(selectedOption_);
  if (option == nullptr) return new MPersistentNullIterator;
  return option->CreateIterator();
}

// ---- Flags ----

void GPaperHandlingDevice::SetInstallable(int32_t flag) {
  installable_ = flag;
  if (flag == 0) installed_ = 1;
}

int GPaperHandlingDevice::SetInstalled(int32_t flag) {
  if (installable_ != 1) return 0;
  installed_ = flag;
  return 1;
}

int32_t GPaperHandlingDevice::SetDetectionMode(int32_t mode) {
  const int32_t previous = detectionMode_;
  detectionMode_ = mode;
  return previous;
}

int32_t GPaperHandlingDevice::SetOptionSource(int32_t source) {
  const int32_t previous = optionSource_;
  optionSource_ = source;
  return previous;
}

int GPaperHandlingDevice::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !GAttribute::Matches(other)) return 0;
  auto* device = dynamic_cast<const GPaperHandlingDevice*>(other);
  return device != nullptr && device->name_ == name_ && device->kind_ == kind_ &&
         device->installable_ == installable_ && device->installed_ == installed_ &&
         device->selectedOption_ == selectedOption_ && device->detectionMode_ == detectionMode_ &&
         device->optionSource_ == optionSource_ && !displayString_.DiffersFrom(&device->displayString_) &&
         device->options_.Count() == options_.Count();
}

// ---- Persistence ----

// The version (older ones are read as they were), the name, kind, the two
// install flags, the selected option and the options as key and composite,
// then (from version 2 on) the detection mode, the option source and the
// display string. The options and the display string are objects of this
// save: shared composites count once in full, then as back references.
template <typename Archive>
void GPaperHandlingDevice::Members(Archive& archive) {
  MStored::RestoreScope<Archive> scope(this);
  const uint32_t version = archive.VersionUpTo(ClassVersion());
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    options_.RemoveAll();
  }
  uint16_t selected = static_cast<uint16_t>(selectedOption_);
  uint32_t count = static_cast<uint32_t>(options_.Count());
  archive(name_, kind_, installable_, installed_, selected, count);
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    selectedOption_ = static_cast<int16_t>(selected);
    for (uint32_t i = 0; i < count && MStored::Going(archive); ++i) {
      uint16_t key = 0;
      archive(key);
      if (!archive.Ok()) return;
      GAttributeComposite* option = nullptr;
      GReadTypedObject(archive.Input(), option);
      if (!MStored::Going(archive.Input())) return;
      // The handle deletes the composite when it lets go, so a failed
      // restore must not delete it too.
      RWReadTableGuard::Adopt(option);
      PutOption(static_cast<int16_t>(key), GCountedPtr(option));
    }
    if (version < 2) {
      ApplyVersionOneDefaults();
      return;
    }
  } else {
    ForEachOption([&](int16_t key, const GCountedPtr& handle) {
      archive(static_cast<uint16_t>(key));
      archive.Pointer(handle.Pointee());
    });
  }
  archive(detectionMode_, optionSource_);
  archive.Embedded(displayString_);
}

RW_STORED_MEMBERS_DEFINE(GPaperHandlingDevice, GAttribute)

void GPaperHandlingDevice::ApplyVersionOneDefaults() {
  detectionMode_ = 1;
  optionSource_ = options_.Count() >= 2 ? 1 : 0;
}

// Reading: a version above 2 ends it after the version. The table is
// emptied, then the options are read one by one (the stored count reserves
// nothing; the first failed read ends the list). A version 0 or 1 body has
// no detection mode, option source or display string: the first two take
// the defaults of those bodies, the display string stays.

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GPaperHandlingDevice*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GPaperHandlingDevice*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GPaperHandlingDeviceCreate() { return new GPaperHandlingDevice; }
