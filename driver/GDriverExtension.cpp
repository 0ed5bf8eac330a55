#include "driver/GDriverExtension.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <set>

#include "driver/ExtensionValues.h"
#include "driver/GDriverInstance.h"
#include "driver/GDynamicLibrary.h"
#include "driver/GUpwardServices.h"
#include "driver/osfactry.h"
#include "model/GAttributeComposite.h"
#include "model/GBin.h"
#include "model/GCommand.h"
#include "model/GCommandComposite.h"
#include "model/GConfiguration.h"
#include "model/GCountedPtr.h"
#include "model/GFeatureIds.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GPassThroughCommand.h"
#include "model/GPeripheral.h"
#include "model/GRangeAttribute.h"
#include "model/GResourceMappingList.h"
#include "model/GSelectionString.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GStringConversion.h"
#include "model/GTray.h"
#include "model/GValue32Attribute.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "win32/Module.h"

using namespace GFeatureIds;

using namespace ExtensionIds;

namespace {

constexpr int32_t kNoId = 0;
// Feature ids in the device model.
// Class ids of the printer's page-description generators.
constexpr RWClassID kGeneratorBaseClass = 765;
constexpr RWClassID kExtensionPclXlClass = 767;
constexpr RWClassID kExtensionPcl5eClass = 788;

// Number spaces of extension trays and bins.
constexpr int kFirstExtensionTray = 28;
constexpr int kLastExtensionTray = 47;
constexpr int kTraySourceBase = 284;
constexpr int kTrayResourceBase = 10550;
constexpr int kFirstBinMapCode = 30;
constexpr int kLastBinMapCode = 59;
constexpr int kFirstPoolBin = 41;
constexpr int kLastPoolBin = 70;

// Names an extension hands over are read to at most this many bytes.
constexpr size_t kMaxExternalName = 255;
// Module file names of extensions, as given to LoadExtension.
constexpr size_t kMaxModuleName = 260;

const char kQueryInterfaceEntry[] = "QVExt_QueryInterface";
const WCHAR kPoolValue[] = u"DEKBinPool";
const WCHAR kOsTrayMapValue[] = u"DEKOSTrayMap";
const WCHAR kPdlTrayMapValue[] = u"DEKPDLTrayMap";
const WCHAR kPjlBinMapValue[] = u"DEKPJLBinMap";

std::mutex g_liveMutex;
std::set<const void*>& LiveExtensions() {
  static std::set<const void*> live;
  return live;
}

// ---- Small model helpers ----

GAttributeComposite* FindComposite(MPersistentObject* in, int32_t id) {
  return dynamic_cast<GAttributeComposite*>(GSettingQuery::Find(in, id));
}

GStringAttribute* FindString(MPersistentObject* in, int32_t id) {
  return dynamic_cast<GStringAttribute*>(GSettingQuery::Find(in, id));
}

// Deletes an object the caller owns, unless a handle still holds it.
void Dispose(MPersistentObject* object) {
  if (object != nullptr && object->HolderCount() < 0) delete object;
}

// Text of a fixed record field: up to the first zero, and never more than
// the field less its terminator, whether or not the extension put one.
RWCString FieldText(const char* field, size_t size) { return RWCString(field, strnlen(field, size - 1)); }

void SetField(char* field, size_t size, const RWCString& text) {
  std::memset(field, 0, size);
  std::memcpy(field, text.Data(), std::min(text.Length(), size - 1));
}

// A name an extension points to; empty for a null pointer.
RWCString ExternalName(const char* name) {
  if (name == nullptr) return RWCString();
  return RWCString(name, strnlen(name, kMaxExternalName));
}

#define FIELD_TEXT(record, member) FieldText((record).member, sizeof((record).member))
#define SET_FIELD(record, member, text) SetField((record).member, sizeof((record).member), (text))

// ---- The registry lists ----

// A list that holds exactly one entry whose slot is 100 stands for an
// empty list.
bool IsPlaceholder(GAttributeComposite* list) {
  if (list == nullptr || list->GetEntryCount() != 1) return false;
  int32_t slot = 0;
  return GSettingQuery::NumberAt(list->ChildAt(0), GFeatureIds::kExtensionIndex, &slot,
                                 GSettingQuery::kAttributeNumber) &&
         slot == kPlaceholderSlot;
}

int EntryCount(GAttributeComposite* list) {
  if (list == nullptr || IsPlaceholder(list)) return 0;
  return list->GetEntryCount();
}

// The slot of a list entry; false when it has none.
bool EntrySlot(MPersistentObject* entry, int32_t* slot) {
  return GSettingQuery::NumberAt(entry, GFeatureIds::kExtensionIndex, slot, GSettingQuery::kAttributeNumber);
}

bool IsJobSlot(int32_t slot) { return slot >= 0 && slot < kMaxExtensions; }

// The group of the settings, created when the settings lack it.
GAttributeComposite* EnsureGroup(GAttributeComposite* settings, int32_t groupId) {
  GAttributeComposite* group = FindComposite(settings, groupId);
  if (group == nullptr) {
    static const int32_t kRegistryGroupId = kExtensionRegistryGroup;
    static const int32_t kSettingsGroupId = GFeatureIds::kExtensionSettingsGroup;
    group = new GAttributeComposite(groupId == kExtensionRegistryGroup ? &kRegistryGroupId : &kSettingsGroupId);
    settings->AddChild(group);
    group = FindComposite(settings, groupId);
  }
  return group;
}

// A working copy of the list of that id in the group (a fresh empty list
// in place of a placeholder or a missing list); the caller owns it.
GAttributeComposite* TakeList(GAttributeComposite* group, const int32_t* listId) {
  GAttributeComposite* existing = FindComposite(group, *listId);
  if (existing != nullptr && !IsPlaceholder(existing)) {
    MPersistentObject* copy = existing->DeepCopy();
    if (auto* list = dynamic_cast<GAttributeComposite*>(copy)) return list;
    Dispose(copy);
  }
  return new GAttributeComposite(listId);
}

// Puts the working copy back in place of the group's list; the copy is used up.
void PutList(GAttributeComposite* group, GAttributeComposite* list) {
  if (group == nullptr) {
    Dispose(list);
    return;
  }
  if (GSettingQuery::Find(group, list->FeatureId()) != nullptr) {
    group->ReplaceChildById(list->FeatureId(), list);
    Dispose(list);
  } else {
    group->AddChild(list);
  }
}

// Lowers by one the slot of every entry above the removed slot.
void LowerSlotsAbove(GAttributeComposite* list, int32_t removedSlot) {
  for (int i = 0; i < list->GetEntryCount(); ++i) {
    auto* slotValue =
        dynamic_cast<GValueAttribute*>(GSettingQuery::Find(list->ChildAt(i), GFeatureIds::kExtensionIndex));
    if (slotValue != nullptr && slotValue->GetValue() > removedSlot)
      slotValue->SetValue(static_cast<int16_t>(slotValue->GetValue() - 1));
  }
}

GAttributeComposite* BuildRegistryEntry(const ExtensionInfoRecord& record, int16_t slot) {
  auto* entry = new GAttributeComposite(&kNoId);
  entry->AddChild(new GStringAttribute(FIELD_TEXT(record, text0), &kExtensionVendor));
  entry->AddChild(new GStringAttribute(FIELD_TEXT(record, extensionId), &kExtensionId));
  entry->AddChild(new GStringAttribute(FIELD_TEXT(record, text80), &kExtensionVersion));
  entry->AddChild(new GValueAttribute(static_cast<int16_t>(record.flags), &kExtensionFlags));
  entry->AddChild(new GStringAttribute(FIELD_TEXT(record, text116), &kExtensionText116));
  entry->AddChild(new GStringAttribute(FIELD_TEXT(record, moduleName), &kExtensionModuleName));
  entry->AddChild(new GStringAttribute(FIELD_TEXT(record, text176), &kExtensionSupport));
  entry->AddChild(new GStringAttribute(FIELD_TEXT(record, text216), &kExtensionNote));
  entry->AddChild(new GValueAttribute(slot, &GFeatureIds::kExtensionIndex));
  return entry;
}

RWCString EntryText(MPersistentObject* entry, int32_t id) {
  GStringAttribute* text = FindString(entry, id);
  return text != nullptr ? text->GetString() : RWCString();
}

// A job record filled back from a registry entry.
ExtensionInfoRecord* RecordFromEntry(MPersistentObject* entry) {
  auto* record = new ExtensionInfoRecord();
  SET_FIELD(*record, text0, EntryText(entry, kExtensionVendor));
  SET_FIELD(*record, extensionId, EntryText(entry, kExtensionId));
  SET_FIELD(*record, text80, EntryText(entry, kExtensionVersion));
  int32_t flags = 0;
  if (GSettingQuery::NumberAt(entry, kExtensionFlags, &flags, GSettingQuery::kAttributeNumber))
    record->flags = static_cast<uint16_t>(flags);
  SET_FIELD(*record, text116, EntryText(entry, kExtensionText116));
  SET_FIELD(*record, moduleName, EntryText(entry, kExtensionModuleName));
  SET_FIELD(*record, text176, EntryText(entry, kExtensionSupport));
  SET_FIELD(*record, text216, EntryText(entry, kExtensionNote));
  return record;
}

bool HasRequiredTexts(const ExtensionInfoRecord& record) {
  if (record.text0[0] == 0 || record.extensionId[0] == 0 || record.text80[0] == 0 || record.text116[0] == 0 ||
      record.text176[0] == 0 || record.text216[0] == 0)
    return false;
  return (record.flags & kExtensionHasRuntimeModule) == 0 || record.moduleName[0] != 0;
}

// A runtime module is looked for in the driver directory only: a name
// read back from the settings that would lead elsewhere is refused.
bool IsPlainFileName(const RWCString& name) {
  if (name.IsEmpty()) return false;
  for (size_t i = 0; i < name.Length(); ++i) {
    const char c = name.Data()[i];
    if (c == '\\' || c == '/' || c == ':') return false;
  }
  return !(name == "." || name == "..");
}

RWWString ModulePath(const RWCString& name) {
  GOSFactory* factory = GOSFactory::GetInstance();
  RWWString wide;
  ToWideString(name, wide);
  RWWString directory = factory != nullptr ? factory->GetDriverDirectory() : RWWString();
  return RWWString::Concat(RWWString::ConcatText(directory, u"\\"), wide);
}

// ---- Tray and bin groups ----

// Calls f(header, entries, count) for each group, within the bounds: a
// group whose entry count is out of bounds is taken as far as the bound
// and ends the walk, since the next header's place is then unknown.
template <class Entry, class F>
void WalkGroups(void* groups, int16_t groupCount, F f) {
  if (groups == nullptr || groupCount <= 0) return;
  const int count = std::min<int>(groupCount, kMaxExtensionGroups);
  const auto* cursor = static_cast<const unsigned char*>(groups);
  for (int g = 0; g < count; ++g) {
    const auto* header = reinterpret_cast<const ExtensionGroupHeader*>(cursor);
    const int stated = header->entryCount;
    const int entries = std::clamp(stated, 0, kMaxGroupEntries);
    const auto* first = reinterpret_cast<const Entry*>(cursor + sizeof(ExtensionGroupHeader));
    f(*header, first, entries);
    if (stated != entries) return;
    cursor += sizeof(ExtensionGroupHeader) + static_cast<size_t>(entries) * sizeof(Entry);
  }
}

bool IsExtensionTray(int n) { return n >= 0 && kFirstExtensionTray + n <= kLastExtensionTray; }
bool IsExtensionBinCode(int m) { return m >= 0 && kFirstBinMapCode + m <= kLastBinMapCode; }
bool IsExtensionPoolBin(int m) { return m >= 0 && kFirstPoolBin + m <= kLastPoolBin; }

RWCString FirstGroupName(void* groups, int16_t groupCount) {
  RWCString name;
  bool first = true;
  WalkGroups<ExtensionTrayEntry>(groups, groupCount, [&](const ExtensionGroupHeader& header, const void*, int) {
    if (first) name = ExternalName(header.name);
    first = false;
  });
  return name;
}

bool IsGroupName(void* groups, int16_t groupCount, const RWCString& name, bool bins) {
  bool found = false;
  auto test = [&](const ExtensionGroupHeader& header, const void*, int) {
    if (ExternalName(header.name) == name) found = true;
  };
  if (bins) {
    WalkGroups<ExtensionBinEntry>(groups, groupCount, test);
  } else {
    WalkGroups<ExtensionTrayEntry>(groups, groupCount, test);
  }
  return found;
}

void SetWhenEmpty(GAttributeComposite* options, int32_t id, const RWCString& name) {
  GStringAttribute* text = FindString(options, id);
  if (text != nullptr && text->GetString().IsEmpty()) text->SetString(name);
}

void ClearWhenEqual(GAttributeComposite* options, int32_t id, const RWCString& name) {
  GStringAttribute* text = FindString(options, id);
  if (text != nullptr && text->GetString() == name) text->SetString(RWCString());
}

// Removes from the pool every device of the kind, installed as the
// extension devices are, whose name is one of the groups'.
void RemoveDevices(GAttributeComposite* pool, int32_t kind, void* groups, int16_t groupCount) {
  if (pool == nullptr) return;
  for (int i = pool->GetEntryCount() - 1; i >= 0; --i) {
    auto* device = dynamic_cast<GPaperHandlingDevice*>(pool->ChildAt(static_cast<size_t>(i)));
    if (device == nullptr || device->GetKind() != kind || !device->IsInstalled()) continue;
    if (!IsGroupName(groups, groupCount, device->GetName(), kind == GPaperHandlingDevice::kOutputDevice)) continue;
    Dispose(pool->RemoveChild(device));
  }
}

int16_t StatusAnswer(uint16_t flags, int16_t trays, int16_t bins) {
  const bool withTrays = (flags & kExtensionSuppliesTrays) != 0;
  const bool withBins = (flags & kExtensionSuppliesBins) != 0;
  if (withTrays && withBins) return trays != 0 ? trays : bins;
  if (withTrays) return trays;
  if (withBins) return bins;
  return 0;
}

template <class T>
T* LoadStored(GDriverInstance* owner, const WCHAR* name) {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return nullptr;
  MPersistentObject* object = factory->LoadObject(owner, RWWString(name), 0);
  T* typed = dynamic_cast<T*>(object);
  if (typed == nullptr) Dispose(object);
  return typed;
}

void Store(GDriverInstance* owner, const WCHAR* name, const MPersistentObject* object) {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory != nullptr && object != nullptr) factory->StoreObject(owner, RWWString(name), object);
}

MPersistentAssociation* TrayAssociation(int n, int16_t pdlCode) {
  return new MPersistentAssociation(new GValueAttribute(static_cast<int16_t>(kFirstExtensionTray + n), &kNoId),
                                    new GValueAttribute(pdlCode, &kNoId), kNoId);
}

}  // namespace

// ---- One registration call ----

struct GDriverExtension::Session {
  HMODULE module = nullptr;
  ExtensionRegistrationTable table{};
  ExtensionInfoRecord record{};
  ~Session() {
    if (module != nullptr) FreeLibrary(module);
  }
};

// The pool and maps, and which of them were read from printer data (and
// so belong to this call).
struct GDriverExtension::Maps {
  GAttributeComposite* pool = nullptr;
  bool poolLoaded = false;
  GAttributeComposite* options = nullptr;
  GResourceMappingList* osTrayMap = nullptr;
  bool osTrayMapLoaded = false;
  MAssociationList* pdlTrayMap = nullptr;
  bool pdlTrayMapLoaded = false;
  MAssociationList* pjlBinMap = nullptr;
  bool pjlBinMapLoaded = false;
  ~Maps() {
    if (poolLoaded) Dispose(pool);
    if (osTrayMapLoaded) Dispose(osTrayMap);
    if (pdlTrayMapLoaded) Dispose(pdlTrayMap);
    if (pjlBinMapLoaded) Dispose(pjlBinMap);
  }
};

// ---- Construction ----

GDriverExtension::GDriverExtension() {
  info_ = new GExtensionInfoBlock();
  std::lock_guard<std::mutex> guard(g_liveMutex);
  LiveExtensions().insert(this);
}

GDriverExtension::GDriverExtension(GDriverInstance* owner)
    : owner_(owner), interfaceEntry_(UpwardServices().extensionInterface) {
  info_ = new GExtensionInfoBlock();
  info_->owner = owner;
  std::lock_guard<std::mutex> guard(g_liveMutex);
  LiveExtensions().insert(this);
}

GDriverExtension::~GDriverExtension() {
  {
    std::lock_guard<std::mutex> guard(g_liveMutex);
    LiveExtensions().erase(this);
  }
  ReleaseJob();
  owner_ = nullptr;
  interfaceEntry_ = nullptr;
  delete info_;
  info_ = nullptr;
}

void* GDriverExtension::GetInterfaceEntry() { return UpwardServices().extensionInterface; }

bool GDriverExtension::IsLive(const void* extension) {
  if (extension == nullptr) return false;
  std::lock_guard<std::mutex> guard(g_liveMutex);
  return LiveExtensions().count(extension) != 0;
}

int32_t GDriverExtension::GetEventMask(int slot) const { return IsJobSlot(slot) ? eventMasks_[slot] : 0; }

GAttributeComposite* GDriverExtension::DocumentSettings() const {
  return owner_ != nullptr ? owner_->GetDocumentSettings() : nullptr;
}

MPersistentObject* GDriverExtension::FindGenerator() const {
  GPeripheral* printer = owner_ != nullptr ? owner_->FindPrinter() : nullptr;
  return printer != nullptr ? printer->FindByKind(kGeneratorBaseClass) : nullptr;
}

int16_t GDriverExtension::GetDeviceType() const {
  MPersistentObject* generator = FindGenerator();
  if (generator == nullptr) return 0;
  if (generator->ClassId() == kExtensionPclXlClass) return 12;
  if (generator->ClassId() == kExtensionPcl5eClass) return 11;
  return 0;
}

int16_t GDriverExtension::PassThroughTarget() const {
  MPersistentObject* generator = FindGenerator();
  if (generator == nullptr) return 0;
  const RWClassID id = generator->ClassId();
  return id == kExtensionPclXlClass || id == kExtensionPcl5eClass ? static_cast<int16_t>(id) : 0;
}

// ---- Registration ----

int16_t GDriverExtension::OpenSession(Session& session, const char* moduleName, int16_t initial) {
  int16_t a = initial;
  if (moduleName == nullptr) return ExtensionResult::kModuleMissing;
  const RWCString name(moduleName, strnlen(moduleName, kMaxModuleName));
  const RWWString path = ModulePath(name);
  session.module = LoadLibraryW(reinterpret_cast<LPCWSTR>(path.Data()));
  auto query = session.module != nullptr
                   ? reinterpret_cast<ExtensionQueryInterface>(GetProcAddress(session.module, kQueryInterfaceEntry))
                   : nullptr;
  if (query == nullptr) {
    a = ExtensionResult::kModuleMissing;
  } else {
    a = query(kExtensionRegistrationInterface, &session.table);
    if (a != 0) session.table = ExtensionRegistrationTable{};
  }
  if (session.table.init != nullptr) a = session.table.init(&session.record, GetDeviceType());
  return a;
}

int16_t GDriverExtension::LoadExtension(const char* moduleName) {
  Session session;
  int16_t a = OpenSession(session, moduleName, 0);
  if (a == 0 && !HasRequiredTexts(session.record)) a = ExtensionResult::kTextMissing;

  GAttributeComposite* settings = a == 0 ? DocumentSettings() : nullptr;
  GAttributeComposite* registry = nullptr;
  int16_t slot = 0;
  if (settings != nullptr) {
    registry = TakeList(FindComposite(settings, kExtensionRegistryGroup), &kRegisteredExtensions);
    const int c = EntryCount(registry);
    const RWCString id = FIELD_TEXT(session.record, extensionId);
    if (c > kMaxExtensions - 1) {
      a = ExtensionResult::kTooManyExtensions;
    } else {
      for (int i = 0; i < registry->GetEntryCount(); ++i) {
        if (EntryText(registry->ChildAt(static_cast<size_t>(i)), kExtensionId) == id)
          a = ExtensionResult::kIdRegistered;
      }
    }
    slot = static_cast<int16_t>(c);
    if (a == 0) registry->AddChild(BuildRegistryEntry(session.record, slot));
  }

  // The extension's default settings, under the extension's own slot so
  // that a job hands each extension its own text.
  GAttributeComposite* settingsList = nullptr;
  if (a == 0 && session.table.settings != nullptr) {
    void* data = nullptr;
    uint16_t length = 0;
    session.table.settings(&data, &length);
    if (data == nullptr) length = 0;
    if (settings != nullptr) {
      if (length > kMaxExtensionSettings) {
        a = ExtensionResult::kSettingsTooLong;
      } else {
        settingsList = TakeList(FindComposite(settings, GFeatureIds::kExtensionSettingsGroup),
                                &GFeatureIds::kExtensionSettingsList);
        if (EntryCount(settingsList) < kMaxExtensions) {
          auto* entry = new GAttributeComposite(&kNoId);
          entry->AddChild(
              new GStringAttribute(RWCString(static_cast<const char*>(data), length), &kExtensionSettingsText));
          entry->AddChild(new GValueAttribute(slot, &GFeatureIds::kExtensionIndex));
          settingsList->AddChild(entry);
        }
      }
    }
  }

  // The registry changes only when the whole registration is accepted.
  if (a == 0 && registry != nullptr) {
    PutList(EnsureGroup(settings, kExtensionRegistryGroup), registry);
    registry = nullptr;
    if (settingsList != nullptr) {
      PutList(EnsureGroup(settings, GFeatureIds::kExtensionSettingsGroup), settingsList);
      settingsList = nullptr;
    }
  }
  Dispose(registry);
  Dispose(settingsList);

  if (a == 0) a = AddDekMaps(session.table, session.record.flags);
  if (a == 0 && session.table.installed != nullptr) session.table.installed();
  return a;
}

int16_t GDriverExtension::RemoveExtension(const char* moduleName) {
  Session session;
  int16_t a = OpenSession(session, moduleName, ExtensionResult::kModuleMissing);

  GAttributeComposite* settings = a == 0 ? DocumentSettings() : nullptr;
  GAttributeComposite* registry = nullptr;
  GAttributeComposite* settingsList = nullptr;
  int32_t removedSlot = -1;
  if (settings != nullptr) {
    registry = TakeList(FindComposite(settings, kExtensionRegistryGroup), &kRegisteredExtensions);
    const RWCString text0 = FIELD_TEXT(session.record, text0);
    const RWCString id = FIELD_TEXT(session.record, extensionId);
    MPersistentObject* found = nullptr;
    for (int i = 0; i < EntryCount(registry) && found == nullptr; ++i) {
      MPersistentObject* entry = registry->ChildAt(static_cast<size_t>(i));
      if (EntryText(entry, kExtensionVendor) == text0 && EntryText(entry, kExtensionId) == id) found = entry;
    }
    if (found == nullptr || !EntrySlot(found, &removedSlot)) {
      a = ExtensionResult::kNotFound;
    } else {
      Dispose(registry->RemoveChild(found));
      LowerSlotsAbove(registry, removedSlot);
    }
  }

  if (a == 0 && session.table.settings != nullptr) {
    void* data = nullptr;
    uint16_t length = 0;
    session.table.settings(&data, &length);
    if (length > kMaxExtensionSettings) {
      a = ExtensionResult::kSettingsTooLong;
    } else if (settings != nullptr) {
      settingsList =
          TakeList(FindComposite(settings, GFeatureIds::kExtensionSettingsGroup), &GFeatureIds::kExtensionSettingsList);
      for (int i = settingsList->GetEntryCount() - 1; i >= 0; --i) {
        MPersistentObject* entry = settingsList->ChildAt(static_cast<size_t>(i));
        int32_t slot = 0;
        if (EntrySlot(entry, &slot) && slot == removedSlot) Dispose(settingsList->RemoveChild(entry));
      }
      LowerSlotsAbove(settingsList, removedSlot);
    }
  }

  if (a == 0 && registry != nullptr) {
    PutList(EnsureGroup(settings, kExtensionRegistryGroup), registry);
    registry = nullptr;
    if (settingsList != nullptr) {
      PutList(EnsureGroup(settings, GFeatureIds::kExtensionSettingsGroup), settingsList);
      settingsList = nullptr;
    }
  }
  Dispose(registry);
  Dispose(settingsList);

  if (a == 0) a = RemoveDekMaps(session.table, session.record.flags);
  if (a == 0 && session.table.removed != nullptr) session.table.removed();
  return a;
}

// ---- The tray and bin maps ----

void GDriverExtension::LookUpMaps(Maps& maps, bool needPool) {
  if (needPool) {
    maps.pool = LoadStored<GAttributeComposite>(owner_, kPoolValue);
    maps.poolLoaded = maps.pool != nullptr;
    if (maps.pool == nullptr) {
      MPersistentObject* configuration = owner_ != nullptr ? owner_->GetPrinterConfiguration() : nullptr;
      maps.pool = FindComposite(GSettingQuery::Find(configuration, kAutoConfiguration), kPaperHandlingDevices);
    }
    maps.options = FindComposite(DocumentSettings(), kInstallableOptions);
  }
}

void GDriverExtension::StoreMaps(Maps& maps) {
  Store(owner_, kPoolValue, maps.pool);
  if (maps.osTrayMap != nullptr && maps.pdlTrayMap != nullptr) {
    Store(owner_, kOsTrayMapValue, maps.osTrayMap);
    Store(owner_, kPdlTrayMapValue, maps.pdlTrayMap);
  }
  if (maps.pjlBinMap != nullptr) Store(owner_, kPjlBinMapValue, maps.pjlBinMap);
}

namespace {

// The tray maps: the stored ones, else the instance's source mappings and
// the generator's PDL tray map.
void LookUpTrayMaps(GDriverInstance* owner, GResourceMappingList*& os, bool& osLoaded, MAssociationList*& pdl,
                    bool& pdlLoaded) {
  os = LoadStored<GResourceMappingList>(owner, kOsTrayMapValue);
  osLoaded = os != nullptr;
  if (os == nullptr && owner != nullptr) os = owner->GetSourceMappings();
  pdl = LoadStored<MAssociationList>(owner, kPdlTrayMapValue);
  pdlLoaded = pdl != nullptr;
  if (pdl == nullptr && owner != nullptr)
    pdl = dynamic_cast<MAssociationList*>(
        GSettingQuery::Find(owner->GetPeripheralConfiguration(kGeneratorPeripheral), kPdlTrayMap));
}

void LookUpBinMap(GDriverInstance* owner, MAssociationList*& pjl, bool& pjlLoaded) {
  pjl = LoadStored<MAssociationList>(owner, kPjlBinMapValue);
  pjlLoaded = pjl != nullptr;
  if (pjl == nullptr && owner != nullptr)
    pjl = dynamic_cast<MAssociationList*>(
        GSettingQuery::Find(owner->GetPeripheralConfiguration(kPjlPeripheral), kPjlBinMap));
}

// The tray and bin groups an extension supplies, as its entries hand them
// over: t and b are the entries' answers (1 when not asked); a group count
// stays 0 unless its entry answered 0.
struct SuppliedGroups {
  int16_t t = 1;
  int16_t b = 1;
  void* trayGroups = nullptr;
  int16_t trayCount = 0;
  void* binGroups = nullptr;
  int16_t binCount = 0;

  SuppliedGroups(const ExtensionRegistrationTable& table, uint16_t flags, int16_t deviceType) {
    if ((flags & kExtensionSuppliesTrays) != 0 && table.trayEntry != nullptr) {
      t = table.trayEntry(&trayGroups, &trayCount, deviceType);
      if (t != 0) trayCount = 0;
    }
    if ((flags & kExtensionSuppliesBins) != 0 && table.binEntry != nullptr) {
      b = table.binEntry(&binGroups, &binCount, deviceType);
      if (b != 0) binCount = 0;
    }
  }
};

}  // namespace

int16_t GDriverExtension::AddDekMaps(const ExtensionRegistrationTable& table, uint16_t flags) {
  const SuppliedGroups supplied(table, flags, GetDeviceType());
  int16_t t = supplied.t;
  int16_t b = supplied.b;
  void* const trayGroups = supplied.trayGroups;
  const int16_t trayCount = supplied.trayCount;
  void* const binGroups = supplied.binGroups;
  const int16_t binCount = supplied.binCount;

  Maps maps;
  LookUpMaps(maps, t == 0 || b == 0);

  if (trayCount > 0 && trayGroups != nullptr) {
    WalkGroups<ExtensionTrayEntry>(
        trayGroups, trayCount, [&](const ExtensionGroupHeader& header, const ExtensionTrayEntry* entries, int count) {
          if (maps.pool == nullptr) return;
          auto* device = new GPaperHandlingDevice(ExternalName(header.name), GPaperHandlingDevice::kInputDevice, 1,
                                                  1, 0, 0, &kNoId);
          auto* option = new GAttributeComposite(&kNoId);
          for (int i = 0; i < count; ++i) {
            if (!IsExtensionTray(entries[i].trayNumber)) continue;
            const RWCString name = ExternalName(entries[i].name);
            option->AddChild(new GTray(name.Data(), static_cast<int16_t>(kFirstExtensionTray + entries[i].trayNumber),
                                       0, 0, -1, -1, nullptr, &kExtensionTray));
          }
          device->SetOption(0, GCountedPtr(option));
          maps.pool->AddChild(device);
        });
    LookUpTrayMaps(owner_, maps.osTrayMap, maps.osTrayMapLoaded, maps.pdlTrayMap, maps.pdlTrayMapLoaded);
    if (maps.osTrayMap != nullptr && maps.pdlTrayMap != nullptr) {
      WalkGroups<ExtensionTrayEntry>(
          trayGroups, trayCount, [&](const ExtensionGroupHeader&, const ExtensionTrayEntry* entries, int count) {
            for (int i = 0; i < count; ++i) {
              const int n = entries[i].trayNumber;
              if (!IsExtensionTray(n)) continue;
              auto* mapping = new GResourceMapping(kTrayResourceBase + n, static_cast<int16_t>(kTraySourceBase + n),
                                                   static_cast<int16_t>(kFirstExtensionTray + n), kNoId);
              if (!maps.osTrayMap->AddIfNew(mapping)) delete mapping;
              maps.pdlTrayMap->Add(TrayAssociation(n, entries[i].pdlTrayCode));
            }
          });
      SetWhenEmpty(maps.options, kOptionalPaperSources, FirstGroupName(trayGroups, trayCount));
    } else {
      t = ExtensionResult::kTrayMapsMissing;
    }
  }

  if (binCount > 0 && binGroups != nullptr) {
    WalkGroups<ExtensionBinEntry>(
        binGroups, binCount, [&](const ExtensionGroupHeader& header, const ExtensionBinEntry* entries, int count) {
          if (maps.pool == nullptr) return;
          auto* device = new GPaperHandlingDevice(ExternalName(header.name), GPaperHandlingDevice::kOutputDevice, 1,
                                                  1, 0, 0, &kNoId);
          auto* option = new GAttributeComposite(&kNoId);
          for (int i = 0; i < count; ++i) {
            if (!IsExtensionPoolBin(entries[i].binNumber)) continue;
            option->AddChild(new GBin(ExternalName(entries[i].name),
                                      static_cast<int16_t>(kFirstPoolBin + entries[i].binNumber), &kExtensionBin));
          }
          device->SetOption(0, GCountedPtr(option));
          maps.pool->AddChild(device);
        });
    LookUpBinMap(owner_, maps.pjlBinMap, maps.pjlBinMapLoaded);
    if (maps.pjlBinMap != nullptr) {
      WalkGroups<ExtensionBinEntry>(
          binGroups, binCount, [&](const ExtensionGroupHeader&, const ExtensionBinEntry* entries, int count) {
            for (int i = 0; i < count; ++i) {
              const int m = entries[i].binNumber;
              if (!IsExtensionBinCode(m)) continue;
              const auto code = static_cast<int16_t>(kFirstBinMapCode + m);
              maps.pjlBinMap->Add(new MPersistentAssociation(
                  new GValueAttribute(code, &kNoId),
                  new GSelectionString(ExternalName(entries[i].pjlBinName), code, kNoId), kNoId));
            }
          });
      RWCString first;
      bool seen = false;
      WalkGroups<ExtensionBinEntry>(binGroups, binCount, [&](const ExtensionGroupHeader& header, const void*, int) {
        if (!seen) first = ExternalName(header.name);
        seen = true;
      });
      SetWhenEmpty(maps.options, kAccessoryOutputBins, first);
    } else {
      b = ExtensionResult::kBinMapMissing;
    }
  }

  if (maps.pool != nullptr) StoreMaps(maps);
  return StatusAnswer(flags, t, b);
}

int16_t GDriverExtension::RemoveDekMaps(const ExtensionRegistrationTable& table, uint16_t flags) {
  const SuppliedGroups supplied(table, flags, GetDeviceType());
  int16_t t = supplied.t;
  int16_t b = supplied.b;
  void* const trayGroups = supplied.trayGroups;
  const int16_t trayCount = supplied.trayCount;
  void* const binGroups = supplied.binGroups;
  const int16_t binCount = supplied.binCount;

  Maps maps;
  LookUpMaps(maps, t == 0 || b == 0);

  if (trayCount > 0 && trayGroups != nullptr) {
    RemoveDevices(maps.pool, GPaperHandlingDevice::kInputDevice, trayGroups, trayCount);
    LookUpTrayMaps(owner_, maps.osTrayMap, maps.osTrayMapLoaded, maps.pdlTrayMap, maps.pdlTrayMapLoaded);
    if (maps.osTrayMap != nullptr && maps.pdlTrayMap != nullptr) {
      WalkGroups<ExtensionTrayEntry>(
          trayGroups, trayCount, [&](const ExtensionGroupHeader&, const ExtensionTrayEntry* entries, int count) {
            for (int i = 0; i < count; ++i) {
              const int n = entries[i].trayNumber;
              if (!IsExtensionTray(n)) continue;
              const auto code = static_cast<int16_t>(kFirstExtensionTray + n);
              Dispose(maps.osTrayMap->RemoveByDeviceCode(code));
              GValueAttribute key(code, &kNoId);
              Dispose(maps.pdlTrayMap->RemoveKey(&key));
            }
          });
      ClearWhenEqual(maps.options, kOptionalPaperSources, FirstGroupName(trayGroups, trayCount));
    } else {
      t = ExtensionResult::kTrayMapsMissing;
    }
  }

  if (binCount > 0 && binGroups != nullptr) {
    RemoveDevices(maps.pool, GPaperHandlingDevice::kOutputDevice, binGroups, binCount);
    LookUpBinMap(owner_, maps.pjlBinMap, maps.pjlBinMapLoaded);
    if (maps.pjlBinMap != nullptr) {
      RWCString first;
      bool seen = false;
      WalkGroups<ExtensionBinEntry>(
          binGroups, binCount, [&](const ExtensionGroupHeader& header, const ExtensionBinEntry* entries, int count) {
            if (!seen) first = ExternalName(header.name);
            seen = true;
            for (int i = 0; i < count; ++i) {
              const int m = entries[i].binNumber;
              if (!IsExtensionBinCode(m)) continue;
              GValueAttribute key(static_cast<int16_t>(kFirstBinMapCode + m), &kNoId);
              Dispose(maps.pjlBinMap->RemoveKey(&key));
            }
          });
      ClearWhenEqual(maps.options, kAccessoryOutputBins, first);
    } else {
      b = ExtensionResult::kBinMapMissing;
    }
  }

  if (maps.options != nullptr && maps.pool != nullptr) StoreMaps(maps);
  return StatusAnswer(flags, t, b);
}

// ---- The job ----

void GDriverExtension::ReleaseJob() {
  for (int i = 0; i < kMaxExtensions; ++i) {
    delete runtimeTables_[i];
    runtimeTables_[i] = nullptr;
    delete records_[i];
    records_[i] = nullptr;
    if (info_ != nullptr) info_->records[i] = nullptr;
    // Destroying the library record frees the module it loaded.
    delete libraries_[i];
    libraries_[i] = nullptr;
  }
  count_ = 0;
  if (info_ != nullptr) info_->count = 0;
}

void GDriverExtension::BeginJob(GCommand* documentStart) {
  ReleaseJob();
  jobState_ = 0;
  for (int i = 0; i < kMaxExtensions; ++i) {
    runtimeTables_[i] = new ExtensionRuntimeTable{};
    eventMasks_[i] = 0;
    info_->records[i] = nullptr;
    info_->settingsTexts[i] = RWCString();
  }
  info_->count = 0;
  info_->owner = owner_;
  info_->generator = FindGenerator();
  info_->command = documentStart;
  info_->documentSettings = DocumentSettings();

  GAttributeComposite* settings = info_->documentSettings;
  if (settings != nullptr) {
    // A record per registered slot. The registry comes from the settings
    // and may be damaged: entries without a slot of 0-3 are passed over,
    // and only the records actually built are counted.
    GAttributeComposite* registry = FindComposite(FindComposite(settings, kExtensionRegistryGroup),
                                                  kRegisteredExtensions);
    for (int i = 0; i < EntryCount(registry); ++i) {
      MPersistentObject* entry = registry->ChildAt(static_cast<size_t>(i));
      int32_t slot = -1;
      if (!EntrySlot(entry, &slot) || !IsJobSlot(slot)) continue;
      delete records_[slot];
      records_[slot] = RecordFromEntry(entry);
    }
    GAttributeComposite* settingsList = FindComposite(FindComposite(settings, GFeatureIds::kExtensionSettingsGroup),
                                                      GFeatureIds::kExtensionSettingsList);
    for (int i = 0; i < EntryCount(settingsList); ++i) {
      MPersistentObject* entry = settingsList->ChildAt(static_cast<size_t>(i));
      int32_t slot = -1;
      if (!EntrySlot(entry, &slot) || !IsJobSlot(slot)) continue;
      RWCString text = EntryText(entry, kExtensionSettingsText);
      if (text.Length() > kMaxExtensionSettings) text = RWCString(text.Data(), kMaxExtensionSettings);
      info_->settingsTexts[slot] = text;
    }
  }
  count_ = 0;
  for (int i = 0; i < kMaxExtensions; ++i) {
    info_->records[i] = records_[i];
    if (records_[i] != nullptr) ++count_;
  }
  info_->count = count_;

  // The runtime modules.
  for (int i = 0; i < kMaxExtensions; ++i) {
    if (records_[i] == nullptr || (records_[i]->flags & kExtensionHasRuntimeModule) == 0) continue;
    const RWCString name = FIELD_TEXT(*records_[i], moduleName);
    if (!IsPlainFileName(name)) continue;
    libraries_[i] = new GDynamicLibrary(ModulePath(name));
    if (!libraries_[i]->Load()) continue;
    auto query = reinterpret_cast<ExtensionQueryInterface>(
        GetProcAddress(libraries_[i]->GetModule(), kQueryInterfaceEntry));
    if (query == nullptr) continue;
    if (query(kExtensionRuntimeInterface, runtimeTables_[i]) != 0) *runtimeTables_[i] = ExtensionRuntimeTable{};
  }
  for (int i = 0; i < kMaxExtensions; ++i) {
    if (records_[i] == nullptr || runtimeTables_[i]->init == nullptr) continue;
    eventMasks_[i] = ExtensionEvent::kDefaultMask;
    if (runtimeTables_[i]->init(interfaceEntry_, &eventMasks_[i], this) != 0)
      eventMasks_[i] = ExtensionEvent::kDefaultMask;
  }

  AddToSettings(documentStart, CollectJobData(ExtensionEvent::kJobStartPjl, kExtensionPjlLines));
  AddToSettings(documentStart, CollectJobData(ExtensionEvent::kJobStartPdl, kExtensionPdlData));
}

GAttributeComposite* GDriverExtension::CollectJobData(int32_t event, int32_t compositeId) {
  static const int32_t kPjlLinesId = kExtensionPjlLines;
  static const int32_t kPdlDataId = kExtensionPdlData;
  GAttributeComposite* data = nullptr;
  for (int i = 0; i < kMaxExtensions; ++i) {
    ExtensionRuntimeTable* table = runtimeTables_[i];
    if (table == nullptr || table->event == nullptr || (eventMasks_[i] & event) == 0) continue;
    void* bytes = nullptr;
    uint16_t length = 0;
    if (table->event(event, &bytes, &length, this) != 0) continue;
    if (bytes != nullptr) {
      if (data == nullptr)
        data = new GAttributeComposite(compositeId == kExtensionPjlLines ? &kPjlLinesId : &kPdlDataId);
      data->AddChild(new GStringAttribute(RWCString(static_cast<const char*>(bytes), length), &kNoId));
    }
    if (table->free != nullptr) table->free(bytes, this);
  }
  return data;
}

void GDriverExtension::AddToSettings(GCommand* command, GAttributeComposite* data) {
  if (data == nullptr) return;
  GState* settings = command != nullptr ? command->GetSettings() : nullptr;
  if (settings != nullptr) {
    settings->AddChild(data);
  } else {
    Dispose(data);
  }
}

void GDriverExtension::EndJob(GCommand* documentEnd) {
  info_->command = documentEnd;
  AddToSettings(documentEnd, CollectJobData(ExtensionEvent::kJobEndPjl, kExtensionPjlLines));
  AddToSettings(documentEnd, CollectJobData(ExtensionEvent::kJobEndPdl, kExtensionPdlData));
  for (int i = 0; i < kMaxExtensions; ++i) {
    if (runtimeTables_[i] != nullptr && runtimeTables_[i]->end != nullptr) runtimeTables_[i]->end(this);
  }
  ReleaseJob();
}

GCommand* GDriverExtension::OnPageStart(GCommand* page, int secondPass) {
  info_->command = page;
  const int32_t event = secondPass ? ExtensionEvent::kPageStartSecondPass : ExtensionEvent::kPageStart;
  if (page != nullptr) page->PinResources();
  const auto target = static_cast<uint16_t>(PassThroughTarget());
  GCommandComposite* composite = nullptr;
  for (int i = 0; i < kMaxExtensions; ++i) {
    ExtensionRuntimeTable* table = runtimeTables_[i];
    if (table == nullptr || table->event == nullptr || (eventMasks_[i] & event) == 0) continue;
    void* bytes = nullptr;
    uint16_t length = 0;
    if (table->event(event, &bytes, &length, this) != 0) continue;
    if (bytes != nullptr) {
      auto* command = new GPassThroughCommand(static_cast<const uint8_t*>(bytes), length, target, &kNoId);
      if (command->MakeDataOwned()) {
        if (composite == nullptr) {
          composite = new GCommandComposite();
          composite->AddChild(page);
        }
        composite->AddChild(command);
      } else {
        delete command;
      }
    }
    if (table->free != nullptr) table->free(bytes, this);
  }
  return composite != nullptr ? composite : page;
}

GCommand* GDriverExtension::OnPageEnd(GCommand* page, int secondPass) {
  info_->command = page;
  const int32_t event = secondPass ? ExtensionEvent::kPageEndSecondPass : ExtensionEvent::kPageEnd;
  const auto target = static_cast<uint16_t>(PassThroughTarget());
  GCommandComposite* composite = nullptr;
  for (int i = 0; i < kMaxExtensions; ++i) {
    ExtensionRuntimeTable* table = runtimeTables_[i];
    if (table == nullptr || table->event == nullptr || (eventMasks_[i] & event) == 0) continue;
    void* bytes = nullptr;
    uint16_t length = 0;
    if (table->event(event, &bytes, &length, this) != 0) continue;
    if (bytes != nullptr) {
      auto* command = new GPassThroughCommand(static_cast<const uint8_t*>(bytes), length, target, &kNoId);
      if (command->MakeDataOwned()) {
        if (composite == nullptr) composite = new GCommandComposite();
        composite->AddChild(command);
      } else {
        delete command;
      }
    }
    if (table->free != nullptr) table->free(bytes, this);
  }
  if (composite == nullptr) return page;
  if (page != nullptr) {
    page->PinResources();
    composite->AddChild(page);
  }
  return composite;
}

// ---- Values and settings for extensions ----

int16_t GDriverExtension::GetUIValue(int32_t valueId, int16_t* out, GAttributeComposite* settings) {
  info_->generator = FindGenerator();
  return GetExtensionValue(static_cast<uint16_t>(valueId), out, settings, this);
}

int16_t GDriverExtension::GetExtSettings(char* buffer, uint32_t length, const char* extensionId) {
  const auto wanted = static_cast<uint16_t>(length);
  if (extensionId == nullptr) return ExtensionResult::kNotFound;
  const RWCString id(extensionId, strnlen(extensionId, sizeof(ExtensionInfoRecord::extensionId)));
  int match = -1;
  for (int i = 0; i < kMaxExtensions; ++i) {
    const ExtensionInfoRecord* record = info_->records[i];
    if (record != nullptr && FIELD_TEXT(*record, extensionId) == id) match = i;
  }
  if (match < 0) return ExtensionResult::kNotFound;
  const RWCString& text = info_->settingsTexts[match];
  if (text.IsEmpty()) return ExtensionResult::kNotFound;
  const size_t copied = std::min<size_t>(wanted, text.Length());
  if (buffer != nullptr && copied != 0) std::memcpy(buffer, text.Data(), copied);
  if (wanted < text.Length()) return 2;
  if (wanted > text.Length()) return 11;
  return 0;
}

// ---- Exports ----

int16_t DriverGetValue(int32_t valueId, int16_t* out, void* context) {
  if (out == nullptr || !GDriverExtension::IsLive(context)) return 1;
  return GetExtensionValue(static_cast<uint16_t>(valueId), out, nullptr, static_cast<GDriverExtension*>(context));
}

int16_t DriverGetExtSettings(char* buffer, uint32_t length, const char* extensionId, void* context) {
  if (!GDriverExtension::IsLive(context)) return ExtensionResult::kNotFound;
  return static_cast<GDriverExtension*>(context)->GetExtSettings(buffer, length, extensionId);
}

int16_t DriverSetExtSettings(const char*, uint32_t, const char*, void*) { return ExtensionResult::kNotSupported; }
