#include "winnt40/GNT40DriverSettings.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "driver/osfactry.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GPeripheral.h"
#include "model/GPersistableLong.h"
#include "model/GRangeAttribute.h"
#include "model/GSelectionString.h"
#include "model/GSettingQuery.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GStringConversion.h"
#include "model/GValue32Attribute.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentAssociation.h"
#include "model/MPersistentIterator.h"
#include "win32/CodePage.h"
#include "win32/DevMode.h"
#include "win32/Module.h"
#include "win32/Registry.h"
#include "win32/Spooler.h"
#include "winnt40/GNT40PrinterDevMode.h"

using namespace GFeatureIds;

namespace {

std::atomic<uint32_t> g_processAppFlags{0};

const WCHAR kNoneText[] = u"<none>";
const WCHAR kQuorvaleKey[] = u"Software\\Quorvale\\";
const WCHAR kDriversKey[] = u"SOFTWARE\\Quorvale\\QV FA Drivers";
// HKEY_CURRENT_USER as a signed number, the root of a registry location.
const WCHAR kUserRoot[] = u"???\\-2147483647\\";

std::u16string U16(const RWWString& s) { return std::u16string(s.Data(), s.Length()); }
RWWString Wide(const std::u16string& s) { return RWWString(s.data(), s.size()); }

RWWString Decimal(int32_t value) {
  const std::string text = std::to_string(value);
  return RWWString(text.c_str());
}

GOSFactory* SettingsFactory() { return GOSFactory::GetInstance(); }

std::vector<MPersistentObject*> ChildrenOf(MPersistentObject* object) {
  std::vector<MPersistentObject*> children;
  if (object == nullptr) return children;
  std::unique_ptr<MPersistentIterator> it(object->CreateIterator());
  while (it != nullptr && it->Advance() != 0) children.push_back(it->Current());
  return children;
}

MPersistentObject* Find(MPersistentObject* in, int32_t id) { return in != nullptr ? in->FindById(id) : nullptr; }

// The direct child of that id, not one further down.
MPersistentObject* DirectChild(MPersistentObject* in, int32_t id) {
  for (MPersistentObject* child : ChildrenOf(in))
    if (child != nullptr && child->FeatureId() == id) return child;
  return nullptr;
}

GAttributeComposite* CompositeCopy(const MPersistentObject* object, int32_t id) {
  if (object == nullptr) return nullptr;
  MPersistentObject* copy = object->DeepCopy();
  auto* composite = dynamic_cast<GAttributeComposite*>(copy);
  if (composite == nullptr) {
    delete copy;
    return nullptr;
  }
  composite->SetFeatureId(id);
  return composite;
}

GAttributeComposite* NewGroup(int32_t id) { return new GAttributeComposite(&id); }

// Removes the direct child of that id from the settings; the caller owns it.
MPersistentObject* TakeChild(GAttributeComposite* settings, int32_t id) {
  return DirectChild(settings, id) != nullptr ? settings->RemoveChildById(id) : nullptr;
}

// Replaces a direct child of the same id, or adds the group.
void PutGroup(GAttributeComposite* settings, MPersistentObject* group) {
  if (group == nullptr) return;
  if (MPersistentObject* old = TakeChild(settings, group->FeatureId())) delete old;
  settings->AddChild(group);
}

// Sets a 16-bit value attribute of the composite, adding it when missing.
void SetValue(MPersistentObject* in, int32_t id, int16_t value) {
  if (auto* attribute = dynamic_cast<GValueAttribute*>(DirectChild(in, id))) {
    attribute->SetValue(value);
  } else if (in != nullptr) {
    in->AddChild(new GValueAttribute(value, &id));
  }
}

// The printer's level-2 record, read into an owned buffer; empty on failure.
std::vector<BYTE> PrinterInfo2(HANDLE printer) {
  std::vector<BYTE> buffer;
  if (printer == nullptr) return buffer;
  DWORD needed = 0;
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  if (needed < sizeof(PRINTER_INFO_2W)) return buffer;
  buffer.resize(needed);
  if (!GetPrinterW(printer, 2, buffer.data(), needed, &needed)) buffer.clear();
  return buffer;
}

// The directory part (up to and including the last backslash) of a module's
// path; empty when the path cannot be read or has none.
std::u16string ModuleDirectory(HMODULE module) {
  WCHAR path[260] = {};
  const DWORD length = GetModuleFileNameW(module, path, 260);
  if (length == 0 || length >= 260) return std::u16string();
  const std::u16string text(path, length);
  const size_t slash = text.find_last_of(u'\\');
  return slash == std::u16string::npos ? std::u16string() : text.substr(0, slash + 1);
}

int16_t ReadShortLE(const BYTE* bytes) {
  return static_cast<int16_t>(static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)));
}

}  // namespace

void SetProcessAppFlags(uint32_t flags) { g_processAppFlags.store(flags); }

uint32_t ProcessAppFlags() { return g_processAppFlags.load(); }

GNT40DriverSettings::GNT40DriverSettings() = default;

GNT40DriverSettings::~GNT40DriverSettings() { DeleteDevModeObject(); }

void GNT40DriverSettings::DeleteDevModeObject() {
  delete devMode_;
  devMode_ = nullptr;
}

void GNT40DriverSettings::ReplaceDevModeObject(GNT40PrinterDevMode* object) {
  if (object == devMode_) return;
  DeleteDevModeObject();
  devMode_ = object;
}

int GNT40DriverSettings::MakeDevModeObject() {
  DeleteDevModeObject();
  devMode_ = new GNT40PrinterDevMode(this, GetPrinterHandle());
  return devMode_ != nullptr ? 1 : 0;
}

// ---- DEVMODE ----

int GNT40DriverSettings::LoadDevMode(const DEVMODEW* in) {
  if (devMode_ != nullptr) {
    if (in != nullptr) {
      if (devMode_->IsEqual(in) != 0) return 1;
      defaultsLoaded_ = 0;
    } else {
      if (defaultsLoaded_ != 0) {
        if (MakeDevModeObject() == 0) return 0;
        devModeState_ |= kRebuildPaperList;
        // A fresh object of a printer without a usable DEVMODE of its own
        // holds the bare defaults: its public fields are not filled and its
        // settings area is empty. The defaults are handed to it as on the
        // first load, but the groups the printer keeps (options,
        // preferences, extensions) are left as they are stored.
        if (devMode_->IsLoadedFromPrinter() == 0) {
          if (GAttributeComposite* defaults = CreateDefaultSettings()) {
            SaveSettings(defaults, 0);
            delete defaults;
          }
        }
        return 1;
      }
      defaultsLoaded_ = 1;
    }
  } else {
    defaultsLoaded_ = in == nullptr ? 1 : 0;
  }

  devModeState_ = -1;
  if (MakeDevModeObject() == 0) return 0;

  const int fromPrinter = devMode_->IsLoadedFromPrinter();
  if (fromPrinter != 0) {
    const int32_t id = kInstallableOptions;
    if (GAttributeComposite* options = LoadSettingsGroup(&id)) {
      ApplyDocumentSettings(options);
      delete options;
      devMode_->ApplyCollatePolicy();
    }
  } else if (GAttributeComposite* defaults = CreateDefaultSettings()) {
    SaveSettings(defaults, 1);
    delete defaults;
  }

  if (in != nullptr) devMode_->LoadFrom(in);

  if (GOSFactory* factory = SettingsFactory()) {
    if (const DEVMODEW* buffer = devMode_->GetBuffer()) {
      factory->SetTimeOffset(ReadShortLE(reinterpret_cast<const BYTE*>(buffer) + kTimeBiasOffset));
    }
  }

  if (fromPrinter != 0 && in != nullptr) datatypeFlag_ = devMode_->IsEmfDatatype() == 1 ? 1 : 0;
  return 1;
}

GAttributeComposite* GNT40DriverSettings::GetDevModeSettings() {
  return devMode_ != nullptr ? devMode_->GetSettings() : nullptr;
}

// ---- Settings ----

RWWString GNT40DriverSettings::ModelVariantFromDriverName(const RWWString& driverName) {
  std::u16string name = U16(driverName);
  std::u16string folded = name;
  for (auto& c : folded) c = RWWStringTraits::Lower(c);
  size_t match = folded.find(u"series");
  if (match == std::u16string::npos) match = folded.find(u"pcl");
  // The variant is the text before the character that precedes the match;
  // a match at the very start has no such character, and then no variant
  // applies.
  if (match == std::u16string::npos || match == 0) return RWWString();
  return Wide(name.substr(0, match - 1));
}

GAttributeComposite* GNT40DriverSettings::CreateDefaultSettings() {
  GPeripheral* device = FindPrinter();
  GConfiguration* configuration = GetPrinterConfiguration();

  // 1. The device's configuration group becomes the settings root. Without a
  // device entry or group the root starts empty.
  MPersistentObject* group = Find(configuration, kDriverConfiguration);
  if (group == nullptr) group = Find(device, kDriverConfiguration);
  GAttributeComposite* settings = CompositeCopy(group, kSettingsRoot);
  if (settings == nullptr) settings = NewGroup(kSettingsRoot);

  // 2. Job and page settings from the device's default state; the page
  // medium gives way to the paper id of the user's country.
  GState* state = device != nullptr ? device->GetDefaultState() : nullptr;
  GAttributeComposite* job = CompositeCopy(Find(state, kJobSettings), kDocumentSettings);
  if (job == nullptr) job = NewGroup(kDocumentSettings);
  if (MPersistentObject* medium = TakeChild(job, kPageMedia)) delete medium;
  if (MPersistentObject* paper = TakeChild(job, kPaperSize)) delete paper;
  const int32_t paperId = kPaperSize;
  job->AddChild(new GValueAttribute(GetDefaultPaperId(), &paperId));
  PutGroup(settings, job);
  PutGroup(settings, CompositeCopy(Find(state, kPageState), kPageSettings));

  // 3. The model variant: named in printer data, or taken from the driver
  // name when the configuration asks for it.
  GOSFactory* factory = SettingsFactory();
  const RWWString base =
      factory != nullptr ? factory->GetPrinterDataString(this, RWWString(u"Base"), RWWString(kNoneText))
                         : RWWString(kNoneText);
  if (!RWWString::EqualsText(base, kNoneText)) {
    ApplyNamedModelEntry(base, settings);
  } else {
    int32_t variantSwitch = 0;
    if (GSettingQuery::Number(Find(configuration, kModelVariantSwitch), &variantSwitch,
                              GSettingQuery::kNumberNoRange) &&
        variantSwitch == 1) {
      const RWWString variant = ModelVariantFromDriverName(GetDriverName());
      if (!variant.IsEmpty()) ApplyNamedModelEntry(variant, settings);
    }
  }

  // 4. Options bound to printer data, then the custom media list.
  ApplyPrinterDataOptions(settings);
  RebuildCustomMediaList(settings);
  return settings;
}

GAttributeComposite* GNT40DriverSettings::GetDocumentSettings() {
  devModeState_ &= ~kRebuildSettings;
  const int32_t optionsId = kInstallableOptions;
  const int32_t preferencesId = kDriverPreferences;
  const int32_t registryId = kExtensionRegistryGroup;

  GAttributeComposite* options = LoadSettingsGroup(&optionsId);
  if (options != nullptr) ApplyDocumentSettings(options);

  GAttributeComposite* current = GetDevModeSettings();
  GAttributeComposite* copy = CompositeCopy(current, current != nullptr ? current->FeatureId() : kSettingsRoot);
  GAttributeComposite* preferences = LoadSettingsGroup(&preferencesId);
  GAttributeComposite* registry = LoadSettingsGroup(&registryId);
  const bool complete = copy != nullptr && options != nullptr && preferences != nullptr && registry != nullptr;
  if (!complete) {
    delete copy;
    delete options;
    delete preferences;
    delete registry;
    return CreateDefaultSettings();
  }
  PutGroup(copy, options);
  if (perUser_ != 0) MergeUserWatermarks(preferences);
  PutGroup(copy, preferences);
  PutGroup(copy, registry);
  RebuildCustomMediaList(copy);
  return copy;
}

int GNT40DriverSettings::SaveSettings(GAttributeComposite* settings, int store) {
  if (settings == nullptr) return 0;
  int ok = 1;

  if (MPersistentObject* customList = DirectChild(settings, kCustomPaperList)) customList->RemoveAllChildren();
  ApplyDocumentSettings(settings);

  MPersistentObject* uiState = TakeChild(settings, kUIState);

  auto takeGroup = [&](int32_t id) {
    MPersistentObject* taken = TakeChild(settings, id);
    auto* group = dynamic_cast<GAttributeComposite*>(taken);
    if (group == nullptr) {
      delete taken;
      group = NewGroup(id);
    }
    return group;
  };

  GAttributeComposite* registry = takeGroup(kExtensionRegistryGroup);
  if (store == 1 && StoreSettingsGroup(registry) == 0) ok = 0;

  GAttributeComposite* preferences = takeGroup(kDriverPreferences);
  if (perUser_ != 0 && SaveUserWatermarks(preferences) == 0) ok = 0;
  if (store == 1 && StoreSettingsGroup(preferences) == 0) ok = 0;

  GAttributeComposite* options = takeGroup(kInstallableOptions);
  if (store == 1 && StoreSettingsGroup(options) == 0) ok = 0;

  settings->ClearSerials();
  if (devMode_ == nullptr) MakeDevModeObject();
  if (devMode_ == nullptr || devMode_->SetSettings(settings) == 0) ok = 0;

  if (uiState != nullptr) settings->AddChild(uiState);
  settings->AddChild(options);
  settings->AddChild(preferences);
  settings->AddChild(registry);
  return ok;
}

GAttributeComposite* GNT40DriverSettings::LoadSettingsGroup(const int32_t* id) {
  GOSFactory* factory = SettingsFactory();
  if (id == nullptr || factory == nullptr) return nullptr;
  MPersistentObject* object = factory->LoadObject(this, Decimal(*id), 0);
  auto* group = dynamic_cast<GAttributeComposite*>(object);
  if (group == nullptr) delete object;
  return group;
}

int GNT40DriverSettings::StoreSettingsGroup(GAttributeComposite* group) {
  GOSFactory* factory = SettingsFactory();
  if (group == nullptr || factory == nullptr) return 0;
  return factory->StoreObject(this, Decimal(group->FeatureId()), group) != 0 ? 1 : 0;
}

void GNT40DriverSettings::ApplyPrinterDataOptions(GAttributeComposite* settings) {
  MPersistentObject* options = Find(settings, kInstallableOptions);
  GConfiguration* configuration = GetPrinterConfiguration();
  GOSFactory* factory = SettingsFactory();
  if (options == nullptr || configuration == nullptr || factory == nullptr) return;

  for (MPersistentObject* entry : ChildrenOf(Find(configuration, kPrinterDataOptions))) {
    auto* association = dynamic_cast<MPersistentAssociation*>(entry);
    if (association == nullptr) continue;
    int32_t optionId = 0;
    RWCString valueName;
    if (!GSettingQuery::Number(association->GetKey(), &optionId, GSettingQuery::kNumberNoRange) ||
        !GSettingQuery::Text(association->GetValue(), &valueName))
      continue;
    RWWString name;
    ToWideString(valueName, name);
    MPersistentObject* option = Find(options, optionId);
    if (auto* range = dynamic_cast<GRangeAttribute*>(option)) {
      const DWORD value = factory->GetPrinterDataDword(this, name, 0xFFFFFFFFu);
      const int64_t number = static_cast<int32_t>(value);
      if (value != 0xFFFFFFFFu && number >= range->GetMin() && number <= range->GetMax()) {
        range->SetValue(static_cast<int16_t>(number));
      }
    } else if (auto* value = dynamic_cast<GValueAttribute*>(option)) {
      const DWORD number = factory->GetPrinterDataDword(this, name, 0xFFFFFFFFu);
      if (number != 0xFFFFFFFFu) value->SetValue(static_cast<int16_t>(number));
    } else if (auto* text = dynamic_cast<GStringAttribute*>(option)) {
      const RWWString read = factory->GetPrinterDataString(this, name, RWWString(kNoneText));
      if (!RWWString::EqualsText(read, kNoneText)) {
        RWCString narrow;
        ToNarrowString(read, narrow);
        text->SetString(narrow);
      }
    }
  }

  if (auto* trueType = dynamic_cast<GValueAttribute*>(Find(configuration, kTrueTypeAsBitmap))) {
    const UINT oem = GetOEMCP();
    const bool farEast = oem == 932 || oem == 936 || oem == 949 || oem == 950 || oem == 1361;
    trueType->SetValue(farEast ? 1 : 0);
  }
}

// ---- Per-user watermark pool ----

RWWString GNT40DriverSettings::PrinterUuid() {
  GOSFactory* factory = SettingsFactory();
  if (factory == nullptr) return RWWString();
  return factory->GetPrinterDataString(this, RWWString(u"PrinterUUID"), RWWString(u""));
}

RWWString GNT40DriverSettings::UserWatermarkPoolLocation() {
  return Wide(std::u16string(kUserRoot) + kQuorvaleKey + U16(PrinterUuid()) +
              u"\\LocalWatermarkPoolData\\LocalWatermarkPool");
}

namespace {

bool WatermarkName(MPersistentObject* record, RWCString* name) {
  return GSettingQuery::Text(DirectChild(record, GFeatureIds::kWatermarkName), name);
}

bool SameName(const RWCString& a, const RWCString& b) {
  return a.Length() == b.Length() && a.Compare(b, 0) == 0;
}

}  // namespace

void GNT40DriverSettings::MergeUserWatermarks(GAttributeComposite* preferences) {
  if (preferences == nullptr) return;
  MPersistentObject* pool = DirectChild(preferences, kWatermarkPool);
  for (MPersistentObject* record : ChildrenOf(pool)) {
    if (record != nullptr && DirectChild(record, kWatermarkOrigin) == nullptr) {
      SetValue(record, kWatermarkOrigin, kPrinterPool);
    }
  }

  GOSFactory* factory = SettingsFactory();
  if (factory == nullptr) return;
  std::unique_ptr<MPersistentObject> stored(factory->LoadObject(this, UserWatermarkPoolLocation(), 0));
  const std::vector<MPersistentObject*> userRecords = ChildrenOf(stored.get());
  if (userRecords.empty()) return;
  if (pool == nullptr) {
    pool = NewGroup(kWatermarkPool);
    preferences->AddChild(pool);
  }
  for (MPersistentObject* record : userRecords) {
    if (record == nullptr) continue;
    RWCString name;
    if (WatermarkName(record, &name)) {
      for (MPersistentObject* existing : ChildrenOf(pool)) {
        RWCString existingName;
        if (existing != nullptr && WatermarkName(existing, &existingName) && SameName(name, existingName)) {
          delete pool->RemoveChild(existing);
        }
      }
    }
    SetValue(record, kWatermarkOrigin, kUserPool);
    pool->AddChild(record->DeepCopy());
  }
}

int GNT40DriverSettings::SaveUserWatermarks(GAttributeComposite* preferences) {
  GOSFactory* factory = SettingsFactory();
  if (factory == nullptr) return 0;
  std::unique_ptr<GAttributeComposite> userPool(NewGroup(kWatermarkPool));
  for (MPersistentObject* record : ChildrenOf(DirectChild(preferences, kWatermarkPool))) {
    int32_t origin = 0;
    if (record != nullptr &&
        GSettingQuery::Number(DirectChild(record, kWatermarkOrigin), &origin, GSettingQuery::kNumberNoRange) &&
        origin == kUserPool) {
      userPool->AddChild(record->DeepCopy());
    }
  }
  return factory->StoreObject(this, UserWatermarkPoolLocation(), userPool.get()) != 0 ? 1 : 0;
}

// ---- Application flags, DEVMODE size, registry paths ----

int GNT40DriverSettings::IsDevmodeAppflagEnabled() {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, kDriversKey, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    DWORD type = 0;
    BYTE data[4] = {};
    DWORD size = sizeof(data);
    const LONG status = RegQueryValueExW(key, u"EnableDevmodeAppflag", nullptr, &type, data, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(data)) continue;
    const DWORD value = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<DWORD>(data[3]) << 24);
    return value != 0 ? 1 : 0;
  }
  return 1;
}

void GNT40DriverSettings::RefreshAppFlags() {
  uint32_t flags = ProcessAppFlags();
  if ((flags & kPublicDevModeFlags) != 0 && IsDevmodeAppflagEnabled() == 0) flags &= ~kPublicDevModeFlags;
  SetAppFlags(flags);
}

int GNT40DriverSettings::GetDevModeSize(int fixUserDevMode) {
  if ((GetAppFlags() & kPublicDevModeFlags) == 0) return kFullDevModeSize;
  if (fixUserDevMode == 0) return kPublicDevModeSize;

  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Printers\\DevModes2", 0, KEY_READ | KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    return kPublicDevModeSize;
  }
  const std::u16string name = U16(GetPrinterName());
  std::vector<BYTE> data(kFullDevModeSize);
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(data.size());
  if (RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size) == ERROR_SUCCESS &&
      type == REG_BINARY && size > static_cast<DWORD>(kPublicDevModeSize)) {
    data[offsetof(DEVMODEW, dmSize)] = kPublicDevModeSize & 0xFF;
    data[offsetof(DEVMODEW, dmSize) + 1] = kPublicDevModeSize >> 8;
    data[offsetof(DEVMODEW, dmDriverExtra)] = 0;
    data[offsetof(DEVMODEW, dmDriverExtra) + 1] = 0;
    RegSetValueExW(key, name.c_str(), 0, REG_BINARY, data.data(), kPublicDevModeSize);
  }
  RegCloseKey(key);
  return kPublicDevModeSize;
}

RWWString GNT40DriverSettings::GetJobStorageKeyPath() {
  return Wide(std::u16string(kQuorvaleKey) + U16(PrinterUuid()) + u"\\LocalJobStorageData");
}

void GNT40DriverSettings::SetLocalJobStorage(int flag) {
  if (GOSFactory* factory = SettingsFactory()) {
    factory->WriteUserDword(GetJobStorageKeyPath(), RWWString(u"LocalJobStorage"), static_cast<DWORD>(flag));
  }
}

int GNT40DriverSettings::IsRemotePrinter() {
  const std::vector<BYTE> buffer = PrinterInfo2(GetPrinterHandle());
  if (buffer.empty()) return 0;
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  return info->pServerName != nullptr && info->pServerName[0] != 0 ? 1 : 0;
}

RWWString GNT40DriverSettings::GetResourceModulePath() {
  const RWWString name = GDriverInstance::GetResourceModulePath();
  GOSFactory* factory = SettingsFactory();
  if (factory == nullptr) return name;
  const std::u16string directory = ModuleDirectory(factory->GetModuleHandle());
  if (directory.empty()) return name;
  return Wide(directory + U16(name));
}
