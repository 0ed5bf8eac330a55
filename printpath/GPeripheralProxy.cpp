#include "printpath/GPeripheralProxy.h"

#include <string>

#include "model/GCommand.h"
#include "model/MStoredMembers.h"
#include "rw/RWBinaryFile.h"
#include "rw/RWVirtualStream.h"
#include "win32/Module.h"

namespace {

// Entry names by add-on kind; a kind outside the table selects none.
struct AddOnEntryNames {
  int32_t kind;
  const char16_t* create;
  const char16_t* destroy;
};

constexpr AddOnEntryNames kAddOnEntryNames[] = {
    {kAddOnGeneric, u"_C_GENERIC_ADDON", u"_D_GENERIC_ADDON"},
    {kAddOnPclXl, u"_C_PCLXL_ADDON", u"_D_PCLXL_ADDON"},
    {kAddOnPcl, u"_C_PCL_ADDON", u"_D_PCL_ADDON"},
    {kAddOnPostScript, u"_C_PS_ADDON", u"_D_PS_ADDON"},
    {kAddOnPjl, u"_C_PJL_ADDON", u"_D_PJL_ADDON"},
};

const AddOnEntryNames* EntryNamesOf(int32_t kind) {
  for (const AddOnEntryNames& names : kAddOnEntryNames)
    if (names.kind == kind) return &names;
  return nullptr;
}

// The entry names are ASCII; anything else can name no export.
std::string NarrowEntryName(const RWWString& name) {
  std::string narrow;
  for (size_t i = 0; i < name.Length(); ++i) {
    const char16_t c = name.Data()[i];
    if (c == 0 || c > 0x7F) return std::string();
    narrow.push_back(static_cast<char>(c));
  }
  return narrow;
}

}  // namespace

RWWString GPeripheralProxy::CreateEntryName(int32_t kind) {
  const AddOnEntryNames* names = EntryNamesOf(kind);
  return names != nullptr ? RWWString(names->create) : RWWString();
}

RWWString GPeripheralProxy::DestroyEntryName(int32_t kind) {
  const AddOnEntryNames* names = EntryNamesOf(kind);
  return names != nullptr ? RWWString(names->destroy) : RWWString();
}

GPeripheralProxy::GPeripheralProxy() = default;

GPeripheralProxy::GPeripheralProxy(const RWWString& moduleName, int32_t kind, int32_t mode)
    : createEntry_(CreateEntryName(kind)),
      destroyEntry_(DestroyEntryName(kind)),
      kind_(kind),
      mode_(mode),
      library_(moduleName) {
  if (mode_ == kAddOnsWhenCreated) CreateAddOn();
}

GPeripheralProxy::GPeripheralProxy(const GPeripheralProxy& other)
    : GPeripheral(other),
      addOn_(other.addOn_),
      createEntry_(other.createEntry_),
      destroyEntry_(other.destroyEntry_),
      kind_(other.kind_),
      mode_(other.mode_),
      library_(other.library_) {}

GPeripheralProxy& GPeripheralProxy::operator=(const GPeripheralProxy& other) {
  if (this == &other) return *this;
  ReleaseAddOn();
  GPeripheral::operator=(other);
  addOn_ = other.addOn_;
  createEntry_ = other.createEntry_;
  destroyEntry_ = other.destroyEntry_;
  kind_ = other.kind_;
  mode_ = other.mode_;
  library_ = other.library_;
  return *this;
}

GPeripheralProxy::~GPeripheralProxy() { ReleaseAddOn(); }

QV_PERSISTENT_KIND_DEFINE(GPeripheralProxy, GPeripheral, GPeripheralProxyClassId)

int GPeripheralProxy::Matches(const MPersistentObject* other) const {
  if (other == this) return 1;
  if (other == nullptr || other->ClassId() != ClassId() || !GPeripheral::Matches(other)) return 0;
  auto* proxy = dynamic_cast<const GPeripheralProxy*>(other);
  if (proxy == nullptr) return 0;
  return library_.Matches(&proxy->library_) != 0 && createEntry_ == proxy->createEntry_ &&
                 destroyEntry_ == proxy->destroyEntry_ && kind_ == proxy->kind_ && mode_ == proxy->mode_ &&
                 addOn_.Pointee() == proxy->addOn_.Pointee()
             ? 1
             : 0;
}

void GPeripheralProxy::CreateAddOn() {
  if (addOn_.Pointee() != nullptr) return;
  const std::string entry = NarrowEntryName(createEntry_);
  if (entry.empty() || library_.Load() == 0) return;
  FARPROC proc = GetProcAddress(library_.GetModule(), entry.c_str());
  if (proc == nullptr) return;
  const uint32_t words[2] = {0, 0};
  GPeripheral* created = reinterpret_cast<GAddOnCreateEntry>(proc)(words);
  if (created != nullptr) addOn_ = GCountedPtr(created);
}

void GPeripheralProxy::ReleaseAddOn() {
  if (addOn_.Pointee() == nullptr) return;
  // The object itself when the proxy was its last holder, else a clone
  // for the module to destroy while the others keep theirs.
  auto* taken = static_cast<GPeripheral*>(addOn_.TakePointee(nullptr));
  const std::string entry = NarrowEntryName(destroyEntry_);
  FARPROC proc = nullptr;
  if (!entry.empty() && library_.IsLoaded() != 0) proc = GetProcAddress(library_.GetModule(), entry.c_str());
  if (proc != nullptr) {
    GPeripheral* const slot = taken;
    reinterpret_cast<GAddOnDestroyEntry>(proc)(&slot);
  } else {
    // A module without a destroy entry cannot take the object back; it is
    // deleted here so that nothing leaks.
    delete taken;
  }
  library_.Unload();
}

GCountedPtr GPeripheralProxy::Send(GCommand* command) {
  if (GPeripheral* addOn = GetAddOn(); addOn != nullptr && library_.IsLoaded() != 0) {
    GCountedPtr keep(addOn_);
    return addOn->Send(command);
  }
  if (mode_ != kAddOnsPerCommand) return GCountedPtr(command);
  GCountedPtr result(command);
  CreateAddOn();
  if (GPeripheral* addOn = GetAddOn(); addOn != nullptr && library_.IsLoaded() != 0) result = addOn->Send(command);
  ReleaseAddOn();
  return result;
}

// A read releases the current add-on first and creates a new one from the
// restored module and names; the stored add-on reference is read and let
// go: only an object the module made can go back to its destroy entry.
template <typename Archive>
void GPeripheralProxy::Members(Archive& archive) {
  if (!MStored::Going(archive)) return;
  archive.Version(ClassVersion());
  if constexpr (Archive::kReading) {
    if (!archive.Ok()) return;
    ReleaseAddOn();
    if (!MStored::Into(archive, library_)) return;
    int32_t mode = kNoAddOns;
    int32_t kind = kAddOnNone;
    archive(createEntry_, destroyEntry_, mode, kind);
    if (!archive.Ok()) return;
    mode_ = mode;
    kind_ = kind;
    GCountedPtr stored;
    MStored::Held<GPeripheral>(archive, stored);
    CreateAddOn();
  } else {
    archive.Embedded(library_);
    archive(createEntry_, destroyEntry_, mode_, kind_);
    archive.Pointer(addOn_.Pointee());
  }
}

RW_STORED_MEMBERS_DEFINE(GPeripheralProxy, GPeripheral)

RWCollectable* GPeripheralProxyCreate() { return new GPeripheralProxy; }
