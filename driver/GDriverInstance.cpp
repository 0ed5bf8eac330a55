// GDriverInstance: the per-printer base of the driver objects, and
// GUIDriverInstance. Every model part is looked up again on use and checked
// for its class, since the device model comes from the driver's data file.
#include "driver/GDriverInstance.h"

#include <atomic>
#include <vector>

#include "driver/GCompactSettingsCodec.h"
#include "driver/GDriverExtension.h"
#include "driver/GUpwardServices.h"
#include "driver/MassStorageFonts.h"
#include "driver/NumberedValueStore.h"
#include "driver/osfactry.h"
#include "model/GAttributeComposite.h"
#include "model/GCapabilities.h"
#include "model/GConfiguration.h"
#include "model/GCustomMediaSize.h"
#include "model/GDeviceFontList.h"
#include "model/GDeviceFontListComposite.h"
#include "model/GEnumAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GLocaleInfo.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GPeripheral.h"
#include "model/GPersistInStream.h"
#include "model/GPersistOutStream.h"
#include "model/GPersistableLong.h"
#include "model/GRangeAttribute.h"
#include "model/GResourceMapping.h"
#include "model/GResourceMappingList.h"
#include "model/GSettingQuery.h"
#include "model/GStringAttribute.h"
#include "model/GStringConversion.h"
#include "model/GTray.h"
#include "model/GValue32Attribute.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "model/MPersistentComposite.h"

using namespace GFeatureIds;

namespace {

// Result of the auto-configuration without a session or a configuration.
constexpr int16_t kNoAutoConfiguration = 603;
// RegisterExtension's answer when extensions are not available.
constexpr int16_t kExtensionsUnavailable = 5;
// The services of a bidirectional configuration session.
constexpr int kConfigurationServices = 0x10000;
// Paper ids of user forms.
constexpr int16_t kFirstFormId = 16385;
constexpr int16_t kLastFormId = 17383;
// The largest paper id of a standard paper.
constexpr int kLargestStandardPaperId = 0x3FFF;
// Reference media of the printer media pool.
constexpr int16_t kLargestCustomMedium = 17384;
constexpr int16_t kSmallestCustomMedium = 17385;
constexpr int16_t kLargestCheckedMedium = 17388;
constexpr int16_t kSmallestCheckedMedium = 17389;
// Discovered media names become output-bin mappings from these codes on.
constexpr int16_t kFirstDiscoveredSystemCode = 16690;
constexpr int16_t kFirstDiscoveredDeviceCode = 50;
// The room a stored object is re-encoded in.
constexpr size_t kReencodeBufferSize = 4096;
// The codec's 32-bit form: stored ids such as the entry list's do not fit
// in 16 bits.
constexpr int16_t kCodecSelector = 1;

// ---- Untrusted model access ----

// Stores a 16-bit value into an attribute that holds a number (a range
// clamps it); false for anything else.
bool WriteNumber(MPersistentObject* object, int16_t value) {
  if (auto* plain = dynamic_cast<GValueAttribute*>(object)) {
    plain->SetValue(value);
  } else if (auto* range = dynamic_cast<GRangeAttribute*>(object)) {
    range->SetValue(value);
  } else if (auto* value32 = dynamic_cast<GValue32Attribute*>(object)) {
    value32->SetValue(value);
  } else {
    return false;
  }
  return true;
}

// Copies the value of from's fromId to to's toId when both exist.
void CopyValue(MPersistentObject* from, int32_t fromId, MPersistentObject* to, int32_t toId) {
  int16_t value = 0;
  if (!GSettingQuery::ShortAt(from, fromId, &value)) return;
  WriteNumber(GSettingQuery::Find(to, toId), value);
}

GStringAttribute* FindInstanceString(MPersistentObject* in, int32_t id) {
  return dynamic_cast<GStringAttribute*>(GSettingQuery::Find(in, id));
}

// Deletes an object the caller owns, unless a handle still holds it.
void DisposeInstance(MPersistentObject* object) {
  if (object != nullptr && object->HolderCount() < 0) delete object;
}

using GSettingQuery::ForEachChild;

// The media pool's reference medium of the paper id, or null.
GMedia* ReferenceMedium(GMediaPool* pool, int16_t paperId, int32_t orientation, const int16_t resolution[2]) {
  if (pool == nullptr) return nullptr;
  return pool->FindMedia(paperId, orientation, static_cast<uint16_t>(resolution[0]),
                         static_cast<uint16_t>(resolution[1]));
}

// The bounds of the media queries: everything, or the custom-size limits of
// the pool when asked for and present.
void MediaBounds(GMediaPool* pool, int customLimits, int32_t orientation, const int16_t resolution[2],
                 GShortPoint* minimum, GShortPoint* maximum) {
  *minimum = GShortPoint(0, 0);
  *maximum = GShortPoint(32767, 32767);
  if (customLimits == 0) return;
  if (GMedia* smallest = ReferenceMedium(pool, kSmallestCustomMedium, orientation, resolution)) {
    *minimum = *smallest->GetSize();
  }
  if (GMedia* largest = ReferenceMedium(pool, kLargestCustomMedium, orientation, resolution)) {
    *maximum = *largest->GetSize();
  }
}

bool Within(const GShortPoint& size, const GShortPoint& minimum, const GShortPoint& maximum) {
  return size.x >= minimum.x && size.y >= minimum.y && size.x <= maximum.x && size.y <= maximum.y;
}

// A resolution the media and pixel conversions can use.
bool UsableResolution(const int16_t resolution[2]) { return resolution[0] > 0 && resolution[1] > 0; }

// The x and y resolution of the settings' Resolution (249).
void SettingsResolution(MPersistentObject* settings, int16_t resolution[2]) {
  MPersistentObject* group = GSettingQuery::Find(settings, kResolution);
  resolution[0] = GSettingQuery::ShortOr(group, kXResolution, 0);
  resolution[1] = GSettingQuery::ShortOr(group, kYResolution, 0);
}

// The first direct child of group with the id, or null.
GAttribute* DirectChildWithId(const GAttributeComposite& group, int32_t id) {
  for (int i = 0; i < group.GetEntryCount(); ++i) {
    GAttribute* child = group.ChildAt(static_cast<size_t>(i));
    if (child != nullptr && child->FeatureId() == id) return child;
  }
  return nullptr;
}

// Lays the settings of from over target, group by group: a named group the
// target has takes from's group the same way, a named setting the target
// has is replaced by a copy of from's, anything else is added as a copy.
// Appending from's groups beside the target's own (what Merge does) would
// change nothing: every search of the settings finds the target's groups
// first.
void OverlaySettings(GAttributeComposite& target, const GAttributeComposite& from) {
  for (int i = 0; i < from.GetEntryCount(); ++i) {
    GAttribute* child = from.ChildAt(static_cast<size_t>(i));
    if (child == nullptr) continue;
    GAttribute* own = child->FeatureId() != 0 ? DirectChildWithId(target, child->FeatureId()) : nullptr;
    auto* ownGroup = dynamic_cast<GAttributeComposite*>(own);
    auto* childGroup = dynamic_cast<GAttributeComposite*>(child);
    if (ownGroup != nullptr && childGroup != nullptr) {
      OverlaySettings(*ownGroup, *childGroup);
    } else if (own != nullptr) {
      target.ReplaceChild(own, child);
    } else {
      target.AddChild(child->DeepCopy());
    }
  }
}

}  // namespace

// ---- Seams to the higher layers ----

GUpdateSession::~GUpdateSession() = default;
GDeviceFontCatalog::~GDeviceFontCatalog() = default;

// ---- Construction ----

GDriverInstance::GDriverInstance() { driverExtension_ = new GDriverExtension(this); }

GDriverInstance::~GDriverInstance() {
  DisposeInstance(deviceModel_);
  DisposeInstance(paperMappings_);
  DisposeInstance(sourceMappings_);
  DisposeInstance(capabilityMappings_);
  DisposeInstance(documentSettings_);
  DisposeInstance(symmetricPool_);
  delete driverExtension_;
  driverExtension_ = nullptr;
}

void GDriverInstance::SetNames(const RWWString& printerName, const RWWString& driverName,
                               const RWWString& portName) {
  printerName_ = printerName;
  driverName_ = driverName;
  portName_ = portName;
}

void GDriverInstance::SetStoredDocumentSettings(GAttributeComposite* settings) {
  if (settings == documentSettings_) return;
  DisposeInstance(documentSettings_);
  documentSettings_ = settings;
}

// ---- Setters of the driver server ----

namespace {
GResourceMappingList* AdoptMappingList(MPersistentObject* list) {
  auto* mappings = dynamic_cast<GResourceMappingList*>(list);
  if (mappings == nullptr) DisposeInstance(list);
  return mappings;
}
}  // namespace

void GDriverInstance::SetDeviceModel(MPersistentObject* model) {
  if (model == deviceModel_) return;
  DisposeInstance(deviceModel_);
  deviceModel_ = model;
  // Cached answers of the old model are stale.
  colourStale_ = 1;
  DisposeInstance(symmetricPool_);
  symmetricPool_ = nullptr;
}

void GDriverInstance::SetPaperMappings(MPersistentObject* list) {
  if (list == paperMappings_) return;
  DisposeInstance(paperMappings_);
  paperMappings_ = AdoptMappingList(list);
}

void GDriverInstance::SetSourceMappings(MPersistentObject* list) {
  if (list == sourceMappings_) return;
  DisposeInstance(sourceMappings_);
  sourceMappings_ = AdoptMappingList(list);
}

void GDriverInstance::SetCapabilityMappings(MPersistentObject* list) {
  if (list == capabilityMappings_) return;
  DisposeInstance(capabilityMappings_);
  capabilityMappings_ = AdoptMappingList(list);
}

// ---- Model paths ----

GPeripheral* GDriverInstance::FindPrinter() const {
  return dynamic_cast<GPeripheral*>(GSettingQuery::Find(deviceModel_, kDeviceEntry));
}

GConfiguration* GDriverInstance::GetPrinterConfiguration() const {
  GPeripheral* printer = FindPrinter();
  return printer != nullptr ? printer->GetConfiguration() : nullptr;
}

GConfiguration* GDriverInstance::GetPeripheralConfiguration(int32_t peripheralId) const {
  auto* peripheral = dynamic_cast<GPeripheral*>(GSettingQuery::Find(FindPrinter(), peripheralId));
  return peripheral != nullptr ? peripheral->GetConfiguration() : nullptr;
}

// The capability set is PrinterCapabilities (135) of the printer
// configuration's capability group (112), where every reader of the set
// looks for it.
GCapabilities* GDriverInstance::GetCapabilitySet() const {
  GConfiguration* configuration = GetPrinterConfiguration();
  MPersistentObject* group = GSettingQuery::Find(configuration, kPrinterCapabilityGroup);
  auto* set = dynamic_cast<GCapabilities*>(GSettingQuery::Find(group, kPrinterCapabilities));
  if (set == nullptr) set = dynamic_cast<GCapabilities*>(GSettingQuery::Find(configuration, kPrinterCapabilities));
  return set;
}

GMediaPool* GDriverInstance::GetPrinterMediaPool() const {
  return dynamic_cast<GMediaPool*>(GSettingQuery::Find(GetPrinterConfiguration(), kPrinterMediaPool));
}

GAttributeComposite* GDriverInstance::GetPaperHandlingDevices() const {
  return dynamic_cast<GAttributeComposite*>(GSettingQuery::Find(GetPrinterConfiguration(), kPaperHandlingDevices));
}

int16_t GDriverInstance::IsTrueTypeBitmapRequired() const {
  return GSettingQuery::ShortOr(GetPrinterConfiguration(), kTrueTypeAsBitmap, 0);
}

// ---- Virtual operations with a base behaviour ----

int16_t GDriverInstance::RunAutoConfiguration(int) {
  GUpdateSessionSource source = UpwardServices().updateSession;
  GUpdateSession* session = source != nullptr ? source(this, portName_, kConfigurationServices) : nullptr;
  if (session == nullptr) return kNoAutoConfiguration;
  GConfiguration* configuration = GetPrinterConfiguration();
  int16_t result = kNoAutoConfiguration;
  if (configuration != nullptr) result = session->Update(configuration, 1);
  delete session;
  return result;
}

int GDriverInstance::ApplyDocumentSettings(GAttributeComposite* settings) {
  if (settings == nullptr) settings = documentSettings_;
  if (settings == nullptr) return 0;
  MPersistentObject* options =
      settings->FeatureId() == kInstallableOptions ? settings : GSettingQuery::Find(settings, kInstallableOptions);
  GConfiguration* configuration = GetPrinterConfiguration();
  MPersistentObject* autoConfiguration = GSettingQuery::Find(configuration, kAutoConfiguration);
  GConfiguration* generator = GetPeripheralConfiguration(kGeneratorPeripheral);
  GConfiguration* pjl = GetPeripheralConfiguration(kPjlPeripheral);

  // 1. The generator's work space, taken from the discovered one when the
  // generator has none.
  MPersistentObject* workSpace = GSettingQuery::Find(generator, kDriverWorkSpaceSetting);
  if (workSpace == nullptr && generator != nullptr) {
    if (MPersistentObject* discovered = GSettingQuery::Find(autoConfiguration, kDriverWorkSpaceSetting)) {
      generator->AddChild(discovered->DeepCopy());
      workSpace = GSettingQuery::Find(generator, kDriverWorkSpaceSetting);
    }
  }
  int16_t value = 0;
  if (workSpace != nullptr && GSettingQuery::ShortAt(options, kDriverWorkSpace, &value)) WriteNumber(workSpace, value);

  // 2. Installed options into the configuration.
  CopyValue(options, kMemory, autoConfiguration, kDiscoveredMemory);
  CopyValue(options, kScannerChoice, autoConfiguration, kDiscoveredScanner);
  CopyValue(options, kDuplexUnit, autoConfiguration, kDiscoveredDuplexUnit);
  CopyValue(options, kManualDuplex, configuration, kManualDuplex);
  CopyValue(options, kCollationUnit, autoConfiguration, kDiscoveredPlurexMode);
  CopyValue(options, kStaplerInstalled, configuration, kStaplerInstalled);
  if (GSettingQuery::ShortAt(options, kPrinterHardDisk, &value))
    WriteNumber(GSettingQuery::Find(autoConfiguration, kDiscoveredHardDisk), value == 1 ? 1 : 0);
  CopyValue(options, kFontDimmsInstalled, generator, kFontDimmsInstalled);

  // 3. Tray and bin maps stored for the printer.
  if (MPersistentObject* binPool = LoadStoredObject(RWWString(GOSFactory::BinPoolValueName()))) {
    if (autoConfiguration != nullptr) autoConfiguration->ReplaceChildById(kPaperHandlingDevices, binPool);
    DisposeInstance(binPool);
  }
  if (MPersistentObject* trayMap = LoadStoredObject(RWWString(u"DEKOSTrayMap"))) SetSourceMappings(trayMap);
  if (MPersistentObject* pdlMap = LoadStoredObject(RWWString(u"DEKPDLTrayMap"))) {
    MPersistentObject* holder = GSettingQuery::Find(generator, kPeripheralConfiguration);
    if (holder == nullptr) holder = generator;
    if (holder != nullptr) holder->ReplaceChildById(kPdlTrayMap, pdlMap);
    DisposeInstance(pdlMap);
  }
  if (MPersistentObject* binMap = LoadStoredObject(RWWString(u"DEKPJLBinMap"))) {
    MPersistentObject* holder = GSettingQuery::Find(pjl, kPeripheralConfiguration);
    if (holder == nullptr) holder = pjl;
    if (holder != nullptr) holder->ReplaceChildById(kPjlBinMap, binMap);
    DisposeInstance(binMap);
  }

  // 4. The paper-handling devices.
  GStringAttribute* outputModel = FindInstanceString(options, kAccessoryOutputBins);
  GStringAttribute* inputModel = FindInstanceString(options, kOptionalPaperSources);
  bool inputChoiceUsable = true;
  bool envelopeFeederUsable = true;
  ForEachChild(GSettingQuery::Find(autoConfiguration, kPaperHandlingDevices), [&](MPersistentObject* child) {
    auto* device = dynamic_cast<GPaperHandlingDevice*>(child);
    if (device == nullptr) return true;
    int16_t option = 0;
    if (device->IsInstallable() == 1 && device->GetKind() == GPaperHandlingDevice::kOutputDevice) {
      if (outputModel != nullptr && outputModel->GetString() == device->GetName()) {
        device->SetInstalled(1);
        if (GSettingQuery::ShortAt(options, kOutputAccessoryMode, &option)) device->SelectOption(option);
      } else {
        device->SetInstalled(0);
      }
    } else if (device->IsInstallable() == 1) {
      device->SetInstalled(0);
      if (inputChoiceUsable && inputModel != nullptr && inputModel->GetString() == device->GetName()) {
        device->SetInstalled(1);
        if (GSettingQuery::ShortAt(options, kPaperSourceOption, &option) && device->GetOptionCount() > 1 &&
            device->HasOption(option)) {
          device->SelectOption(option);
        }
        inputChoiceUsable = false;
      }
      if (envelopeFeederUsable && GSettingQuery::ShortOr(options, kEnvFeeder, 0) == 1) {
        GTray* first = nullptr;
        ForEachChild(device, [&](MPersistentObject* tray) {
          first = dynamic_cast<GTray*>(tray);
          return false;
        });
        if (first != nullptr && first->GetTrayNumber() == 5) {
          device->SetInstalled(1);
          envelopeFeederUsable = false;
        }
      }
    } else if (GSettingQuery::ShortAt(options, kTray1Mode, &option) && device->GetOptionCount() > 1 &&
               device->HasOption(option)) {
      device->SelectOption(option);
    }
    return true;
  });

  // 5. Further options.
  CopyValue(options, kJobRetentionAvailable, autoConfiguration, kJobRetentionAvailable);
  CopyValue(options, kScaleFromLargePaper, configuration, kScaleFromLargePaper);
  CopyValue(options, kPrintRate, autoConfiguration, kPrintRate);
  return 1;
}

void GDriverInstance::Rebind(GPrinterKey*) {
  colourStale_ = 1;
  DisposeInstance(symmetricPool_);
  symmetricPool_ = nullptr;
}

int GDriverInstance::ReleaseMemory() { return 0; }

int GDriverInstance::GetColorCapability() {
  if (colourStale_ != 0) {
    int16_t value = 0;
    if (GSettingQuery::ShortAt(GetPrinterConfiguration(), kColorDevice, &value)) colourValue_ = value;
    colourStale_ = 0;
  }
  return colourValue_;
}

int GDriverInstance::IsPaperSupported(const GPaperRequest* request) {
  if (request == nullptr) return 0;
  struct Query {
    int16_t spoolerPaper;
  } query{request->spoolerPaper};
  auto matches = [](GMedia*, GResourceMapping* mapping, int, void* context, int* found) -> int {
    if (mapping != nullptr && mapping->GetSystemCode() == static_cast<Query*>(context)->spoolerPaper) {
      *found = 1;
      return 0;
    }
    return 1;
  };
  if (EnumerateMedia(matches, &query, request->orientation, request->resolution, 1, request->customLimits,
                     nullptr) == 1) {
    return 1;
  }
  if (documentSettings_ == nullptr) return 1;
  MPersistentObject* customSizes = GSettingQuery::Find(documentSettings_, kCustomPaperList);
  if (customSizes == nullptr || !UsableResolution(request->resolution)) return 0;

  GShortPoint minimum;
  GShortPoint maximum;
  MediaBounds(request->customLimits != 0 ? GetMediaPool() : nullptr, request->customLimits,
              request->orientation, request->resolution, &minimum, &maximum);
  int supported = 0;
  ForEachChild(customSizes, [&](MPersistentObject* child) {
    auto* size = dynamic_cast<GCustomMediaSize*>(child);
    if (size == nullptr) return true;
    int16_t spoolerPaper = 0;
    if (PaperIdToDmPaper(size->GetPaperId(), &spoolerPaper) == 0 || spoolerPaper != request->spoolerPaper) {
      return true;
    }
    GCustomMediaSize::Pair pixels;
    size->GetSizeInPixels(pixels, static_cast<uint32_t>(request->resolution[0]),
                          static_cast<uint32_t>(request->resolution[1]));
    if (pixels.width >= static_cast<uint32_t>(minimum.x) && pixels.height >= static_cast<uint32_t>(minimum.y) &&
        pixels.width <= static_cast<uint32_t>(maximum.x) && pixels.height <= static_cast<uint32_t>(maximum.y)) {
      supported = 1;
      return false;
    }
    return true;
  });
  return supported;
}

int GDriverInstance::IsRemotePrinter() { return 0; }

int GDriverInstance::IsSourceSupported(int16_t source) {
  auto matches = [](GTray* tray, GResourceMapping*, int, void* context, int* found) -> int {
    if (tray->GetTrayNumber() == *static_cast<int16_t*>(context)) {
      *found = 1;
      return 0;
    }
    return 1;
  };
  return EnumerateInputTrays(matches, &source, 1, nullptr) == 1 ? 1 : 0;
}

int GDriverInstance::IsResolutionSupported(int16_t x, int16_t y) {
  int supported = 0;
  ForEachChild(GSettingQuery::Find(GetPrinterConfiguration(), kResolutionList), [&](MPersistentObject* entry) {
    int16_t ex = 0;
    int16_t ey = 0;
    if (GSettingQuery::ShortAt(entry, kXResolution, &ex) && GSettingQuery::ShortAt(entry, kYResolution, &ey) &&
        ex == x && ey == y) {
      supported = 1;
      return false;
    }
    return true;
  });
  return supported;
}

int GDriverInstance::DmPaperToPaperId(int16_t spoolerPaper, int16_t* paperId) {
  GResourceMapping* mapping = paperMappings_ != nullptr ? paperMappings_->FindBySystemCode(spoolerPaper) : nullptr;
  if (mapping == nullptr) return 0;
  if (paperId != nullptr) *paperId = mapping->GetDeviceCode();
  return 1;
}

int GDriverInstance::PaperIdToDmPaper(int16_t paperId, int16_t* spoolerPaper) {
  GResourceMapping* mapping = paperMappings_ != nullptr ? paperMappings_->FindByDeviceCode(paperId) : nullptr;
  if (mapping == nullptr) return 0;
  if (spoolerPaper != nullptr) *spoolerPaper = mapping->GetSystemCode();
  return 1;
}

int16_t GDriverInstance::GetDefaultPaperId() {
  if (defaultPaper_ != 0) return defaultPaper_;
  int16_t paper = 1;
  GOSFactory* factory = GOSFactory::GetInstance();
  GLocaleInfo* locale = factory != nullptr ? factory->CreateLocaleInfo() : nullptr;
  if (locale != nullptr) {
    const int32_t country = locale->country;
    const bool letterCountry =
        (country >= 0 && country <= 2) || (country >= 50 && country <= 59) || (country >= 500 && country <= 599);
    paper = letterCountry ? 1 : 23;
    delete locale;
  }
  defaultPaper_ = paper;
  return paper;
}

int GDriverInstance::AddCustomForm(GCustomMediaSize* size, GAttributeComposite* list, int) {
  if (size == nullptr || list == nullptr) return 0;
  std::vector<bool> used(kLastFormId - kFirstFormId + 1, false);
  GCustomMediaSize* sameName = nullptr;
  ForEachChild(list, [&](MPersistentObject* child) {
    auto* entry = dynamic_cast<GCustomMediaSize*>(child);
    if (entry == nullptr) return true;
    const int16_t id = entry->GetPaperId();
    if (id >= kFirstFormId && id <= kLastFormId) used[id - kFirstFormId] = true;
    if (sameName == nullptr && entry != size && entry->GetName() == size->GetName()) sameName = entry;
    return true;
  });
  int16_t freeId = 0;
  for (int16_t id = kFirstFormId; id <= kLastFormId; ++id) {
    if (!used[id - kFirstFormId]) {
      freeId = id;
      break;
    }
  }
  if (freeId == 0) return 0;
  size->SetPaperId(freeId);
  if (sameName != nullptr) DisposeInstance(list->RemoveChild(sameName));
  list->AddChild(size);
  return 1;
}

int GDriverInstance::DeleteCustomForm(GCustomMediaSize* size, GAttributeComposite* list, int) {
  if (size == nullptr || list == nullptr) return 0;
  MPersistentObject* held = list->IndexOfChild(size) >= 0 ? size : nullptr;
  if (held == nullptr) {
    ForEachChild(list, [&](MPersistentObject* child) {
      if (child != nullptr && child->ClassId() == size->ClassId() && child->Matches(size)) {
        held = child;
        return false;
      }
      return true;
    });
  }
  if (held == nullptr) return 0;
  MPersistentObject* removed = list->RemoveChild(held);
  if (removed == nullptr) return 0;
  DisposeInstance(removed);
  return 1;
}

int GDriverInstance::EnumeratePaperNames(void*, void*, int, GAttributeComposite*) { return 0; }
int GDriverInstance::EnumerateAllPaperNames(void*, void*, int, GAttributeComposite*) { return 0; }

// The paper checked is the settings' PaperSize (260), or the given id when
// the settings have none; the orientation slot carries the settings'
// Orientation (265).
int GDriverInstance::CheckPaperForSettings(GAttributeComposite* settings, int16_t paperId) {
  const int16_t paper = GSettingQuery::ShortOr(settings, kPaperSize, paperId);
  int16_t resolution[2];
  SettingsResolution(settings, resolution);
  return CheckPaperId(settings, paper, GSettingQuery::ShortOr(settings, kOrientation, 0), resolution[0], resolution[1]);
}

int GDriverInstance::CheckPaperId(GAttributeComposite*, int16_t paperId, int32_t, int16_t, int16_t) {
  if (static_cast<uint16_t>(paperId) > kLargestStandardPaperId) return 2;
  MPersistentObject* list = GSettingQuery::Find(GetPrinterConfiguration(), kPaperList);
  if (list == nullptr) return 1;
  int present = 0;
  ForEachChild(list, [&](MPersistentObject* entry) {
    int32_t key = 0;
    auto* association = dynamic_cast<MPersistentAssociation*>(entry);
    const bool keyed = association != nullptr ? GSettingQuery::Number(association->GetKey(), &key)
                                              : GSettingQuery::Number(entry, &key);
    if (keyed && static_cast<int16_t>(key) == paperId) {
      present = 1;
      return false;
    }
    return true;
  });
  return present != 0 ? 1 : 2;
}

RWWString GDriverInstance::GetResourceModulePath() {
  RWWString path;
  if (GStringAttribute* name = FindInstanceString(GetPrinterConfiguration(), kResourceModuleName))
    ToWideString(name->GetString(), path);
  return path;
}

int GDriverInstance::ApplyNamedModelEntry(const RWWString& name, GAttribute* target) {
  int applied = 0;
  ForEachChild(GSettingQuery::Find(GetPrinterConfiguration(), kModelEntryList), [&](MPersistentObject* entry) {
    GStringAttribute* entryName = FindInstanceString(entry, kModelEntryName);
    if (entryName == nullptr) return true;
    RWWString wide;
    ToWideString(entryName->GetString(), wide);
    if (wide.Compare(name, 1) != 0) return true;
    auto* settings = dynamic_cast<GAttribute*>(GSettingQuery::Find(entry, kSettingsRoot));
    auto* group = dynamic_cast<GAttributeComposite*>(target);
    auto* settingsGroup = dynamic_cast<GAttributeComposite*>(settings);
    if (group != nullptr && settingsGroup != nullptr && group->FeatureId() == settingsGroup->FeatureId()) {
      // The variant's settings take the place of the target's own.
      OverlaySettings(*group, *settingsGroup);
    } else if (settings != nullptr && target != nullptr) {
      target->Merge(settings);
    }
    applied = 1;
    return false;
  });
  return applied;
}

int GDriverInstance::ApplyModelBundle(const RWWString& modelName, GAttribute* settings) {
  int found = 0;
  ForEachChild(GSettingQuery::Find(GetPrinterConfiguration(), kModelList), [&](MPersistentObject* entry) {
    GStringAttribute* entryName = FindInstanceString(entry, kModelListEntry);
    if (entryName == nullptr) return true;
    RWWString wide;
    ToWideString(entryName->GetString(), wide);
    if (wide.Compare(modelName, 1) != 0) return true;
    auto* bundle = dynamic_cast<GAttribute*>(GSettingQuery::Find(entry, kSettingsRoot));
    if (bundle != nullptr && settings != nullptr) settings->Merge(bundle);
    found = 1;
    return false;
  });
  return found;
}

int16_t GDriverInstance::ResolvePaperId(GAttributeComposite*, int16_t paperId) { return paperId; }

int16_t GDriverInstance::RegisterExtension(const char* name, int remove) {
  const int16_t value = GSettingQuery::ShortOr(GetPrinterConfiguration(), kDEKVersion2, 0);
  if (name == nullptr || name[0] == '\0') return value;
  if (value == 0 || driverExtension_ == nullptr) return kExtensionsUnavailable;
  return remove != 0 ? driverExtension_->RemoveExtension(name) : driverExtension_->LoadExtension(name);
}

int GDriverInstance::EnumerateBuiltinForms(void*, void*) { return 0; }
int GDriverInstance::IsBuiltinForm(GCustomMediaSize*) { return 0; }
int GDriverInstance::MatchPaperByName(int16_t, int16_t*) { return 0; }

// ---- Media ----

GMediaPool* GDriverInstance::GetMediaPool() {
  const int16_t emulateMargins = GSettingQuery::ShortOr(documentSettings_, kQVEmulateSTMargins, 0);
  const int16_t symmetricMargins = GSettingQuery::ShortOr(documentSettings_, kQVSymmetricalMargins, 0);
  GConfiguration* configuration = GetPrinterConfiguration();
  if (configuration == nullptr) return nullptr;
  if (emulateMargins != 0)
    return dynamic_cast<GMediaPool*>(GSettingQuery::Find(configuration, kEmulatedMarginsMediaPool));
  GMediaPool* pool = dynamic_cast<GMediaPool*>(GSettingQuery::Find(configuration, kPrinterMediaPool));
  if (symmetricMargins == 0 || pool == nullptr) return pool;
  if (symmetricPool_ == nullptr) symmetricPool_ = BuildSymmetricMediaPool(pool);
  return symmetricPool_;
}

namespace {
// One dimension of a centred imageable area: the larger margin on both
// sides; an extent that would turn negative becomes 0.
void CentreDimension(int size, int extent, int origin, int16_t* newOrigin, int16_t* newExtent) {
  const int opposite = size - extent - origin;
  int margin = origin > opposite ? origin : opposite;
  if (margin < 0) margin = 0;
  int centred = size - 2 * margin;
  if (centred < 0) centred = 0;
  *newOrigin = static_cast<int16_t>(margin);
  *newExtent = static_cast<int16_t>(centred);
}
}  // namespace

GMediaPool* GDriverInstance::BuildSymmetricMediaPool(GMediaPool* pool) {
  const int32_t noId = 0;
  auto* symmetric = new GMediaPool(&noId);
  ForEachChild(pool, [&](MPersistentObject* child) {
    auto* medium = dynamic_cast<GMedia*>(child);
    if (medium == nullptr) return true;
    const GShortPoint& size = *medium->GetSize();
    const GShortPoint& extent = *medium->GetImageableExtent();
    const GShortPoint& origin = *medium->GetImageableOrigin();
    GShortPoint newOrigin;
    GShortPoint newExtent;
    CentreDimension(size.x, extent.x, origin.x, &newOrigin.x, &newExtent.x);
    CentreDimension(size.y, extent.y, origin.y, &newOrigin.y, &newExtent.y);
    const int32_t featureId = medium->FeatureId();
    auto* copy = new GMedia(medium->GetPaperName().Data(), &size, &newExtent, &newOrigin, medium->GetOrientation(),
                            medium->GetPaperId(), medium->GetXResolution(), medium->GetYResolution(), &featureId,
                            medium->GetExtraCode(), medium->GetSecondName().Data(),
                            medium->GetMediaTypeName().Data());
    copy->changed = medium->changed;
    symmetric->AddChild(copy);
    return true;
  });
  return symmetric;
}

int GDriverInstance::IsMediaSizeWithinLimits(int16_t customPaperId, GAttributeComposite* settings) {
  GAttributeComposite* own = GetDocumentSettings();
  if (settings == nullptr) settings = own;
  if (settings == nullptr || own == nullptr) return 0;
  const int32_t orientation = GSettingQuery::ShortOr(settings, kOrientation, 0);
  int16_t resolution[2];
  SettingsResolution(settings, resolution);
  if (!UsableResolution(resolution)) return 0;

  GCustomMediaSize* size = nullptr;
  ForEachChild(GSettingQuery::Find(own, kCustomPaperList), [&](MPersistentObject* child) {
    auto* entry = dynamic_cast<GCustomMediaSize*>(child);
    if (entry != nullptr && entry->GetPaperId() == customPaperId) {
      size = entry;
      return false;
    }
    return true;
  });
  if (size == nullptr) return 0;
  GConfiguration* configuration = GetPrinterConfiguration();
  GMediaPool* pool = dynamic_cast<GMediaPool*>(GSettingQuery::Find(configuration, kPrinterMediaPool));
  if (pool == nullptr) return 0;
  GMedia* largest = ReferenceMedium(pool, kLargestCheckedMedium, orientation, resolution);
  GMedia* smallest = ReferenceMedium(pool, kSmallestCheckedMedium, orientation, resolution);
  if (largest == nullptr || smallest == nullptr) return 0;
  GMedia* medium = CreateMediaFromSettings(*size, settings, configuration);
  if (medium == nullptr) return 0;
  const int result = Within(*medium->GetSize(), *smallest->GetSize(), *largest->GetSize()) ? 1 : 0;
  delete medium;
  return result;
}

int GDriverInstance::IsMediaTypeAllowed(const RWCString& mediaTypeName) const {
  int allowed = 1;
  ForEachChild(GSettingQuery::Find(GetPrinterConfiguration(), kMediaTypesNotAllowed), [&](MPersistentObject* child) {
    auto* text = dynamic_cast<GStringAttribute*>(child);
    if (text != nullptr && text->GetString() == mediaTypeName) {
      allowed = 0;
      return false;
    }
    return true;
  });
  return allowed;
}

// ---- Enumerators ----

int GDriverInstance::EnumerateMedia(GMediaCallback callback, void* context, int32_t orientation,
                                    const int16_t resolution[2], int mappingFilter, int customLimits, int* counter) {
  if (counter != nullptr) *counter = 0;
  GMediaPool* pool = GetMediaPool();
  if (pool == nullptr || resolution == nullptr) return -1;
  GShortPoint minimum;
  GShortPoint maximum;
  MediaBounds(pool, customLimits, orientation, resolution, &minimum, &maximum);
  GMediaQueryIterator* query = pool->CreateMediaQuery(orientation, static_cast<uint16_t>(resolution[0]),
                                                      static_cast<uint16_t>(resolution[1]), minimum, maximum);
  if (query == nullptr) return -1;
  int index = 0;
  int found = 0;
  while (query->Advance()) {
    GMedia* medium = query->CurrentMedia();
    if (medium == nullptr) continue;
    GResourceMapping* mapping =
        paperMappings_ != nullptr ? paperMappings_->FindByDeviceCode(medium->GetPaperId()) : nullptr;
    if (mappingFilter != 0 && mapping == nullptr) continue;
    const int position = index++;
    if (context == nullptr || callback == nullptr) {
      found = 1;
      continue;
    }
    if (callback(medium, mapping, position, context, &found) != 1) break;
  }
  delete query;
  if (counter != nullptr) *counter = index;
  return found != 0 ? 1 : -1;
}

int GDriverInstance::EnumerateInputTrays(GTrayCallback callback, void* context, int mappingFilter, int* counter) {
  if (counter != nullptr) *counter = 0;
  GConfiguration* configuration = GetPrinterConfiguration();
  MPersistentObject* devices = GSettingQuery::Find(configuration, kPaperHandlingDevices);
  // With list 1114 the trays come in its order: one walk per entry, visiting
  // only the trays of that code.
  std::vector<int16_t> order;
  MPersistentObject* trayOrder = GSettingQuery::Find(configuration, kSourceOrder);
  ForEachChild(trayOrder, [&](MPersistentObject* entry) {
    int32_t code = 0;
    if (GSettingQuery::Number(entry, &code)) order.push_back(static_cast<int16_t>(code));
    return true;
  });
  const bool ordered = trayOrder != nullptr;
  const size_t passes = ordered ? order.size() : 1;

  int index = 0;
  int found = 0;
  bool stopped = false;
  for (size_t pass = 0; pass < passes && !stopped; ++pass) {
    ForEachChild(devices, [&](MPersistentObject* child) {
      auto* device = dynamic_cast<GPaperHandlingDevice*>(child);
      if (device == nullptr || device->IsInstalled() == 0 || device->GetKind() != GPaperHandlingDevice::kInputDevice) {
        return true;
      }
      ForEachChild(device, [&](MPersistentObject* item) {
        auto* tray = dynamic_cast<GTray*>(item);
        if (tray == nullptr) return true;
        if (ordered && tray->GetTrayNumber() != order[pass]) return true;
        GResourceMapping* mapping =
            sourceMappings_ != nullptr ? sourceMappings_->FindByDeviceCode(tray->GetTrayNumber()) : nullptr;
        if (mappingFilter != 0 && mapping == nullptr) return true;
        const int position = index++;
        if (context == nullptr || callback == nullptr) {
          found = 1;
          return true;
        }
        if (callback(tray, mapping, position, context, &found) != 1) stopped = true;
        return !stopped;
      });
      return !stopped;
    });
  }
  if (counter != nullptr) *counter = index;
  return found != 0 ? 1 : -1;
}

GResourceMappingList* GDriverInstance::AddDiscoveredMediaMappings() {
  const int32_t noId = 0;
  auto* list = new GResourceMappingList(noId);
  int16_t systemCode = kFirstDiscoveredSystemCode;
  int16_t deviceCode = kFirstDiscoveredDeviceCode;
  ForEachChild(GSettingQuery::Find(GetPrinterConfiguration(), kDiscoveredMediaNames), [&](MPersistentObject* child) {
    if (dynamic_cast<GStringAttribute*>(child) == nullptr) return true;
    const bool known = capabilityMappings_ != nullptr && capabilityMappings_->FindByDeviceCode(deviceCode) != nullptr;
    if (!known) {
      auto* mapping = new GResourceMapping(0, systemCode, deviceCode, noId);
      if (list->AddIfNewDeviceCode(mapping) == 0) delete mapping;
    }
    ++systemCode;
    ++deviceCode;
    return true;
  });
  return list;
}

int GDriverInstance::EnumerateOutputBins(GBinCallback callback, void* context, int* counter) {
  if (counter != nullptr) *counter = 0;
  int index = 0;
  int found = 0;
  bool stopped = false;
  auto visit = [&](MPersistentObject* child) {
    auto* mapping = dynamic_cast<GResourceMapping*>(child);
    if (mapping == nullptr) return true;
    const int position = index++;
    if (context == nullptr || callback == nullptr) {
      found = 1;
      return true;
    }
    if (callback(mapping, mapping, position, context, &found) != 1) stopped = true;
    return !stopped;
  };
  ForEachChild(capabilityMappings_, visit);
  if (!stopped) {
    GResourceMappingList* discovered = AddDiscoveredMediaMappings();
    ForEachChild(discovered, visit);
    DisposeInstance(discovered);
  }
  if (counter != nullptr) *counter = index;
  return found != 0 ? 1 : -1;
}

int GDriverInstance::IsSourceMapped(int16_t code) {
  if (capabilityMappings_ != nullptr && capabilityMappings_->FindByDeviceCode(code) != nullptr) return 1;
  GResourceMappingList* discovered = AddDiscoveredMediaMappings();
  const int known = discovered->FindByDeviceCode(code) != nullptr ? 1 : 0;
  DisposeInstance(discovered);
  return known;
}

// ---- Stored objects ----

MPersistentObject* GDriverInstance::LoadStoredObject(const RWWString& name) {
  GOSFactory* factory = GOSFactory::GetInstance();
  return factory != nullptr ? factory->LoadObject(this, name, 0) : nullptr;
}

int GDriverInstance::StoreStoredObject(const RWWString& name, const MPersistentObject* object) {
  GOSFactory* factory = GOSFactory::GetInstance();
  return factory != nullptr ? factory->StoreObject(this, name, object) : 0;
}

MPersistentObject* GDriverInstance::LoadAddedFonts() {
  const RWWString valueName(u"AddedFonts");
  MPersistentObject* stored = LoadStoredObject(valueName);
  auto* list = dynamic_cast<GDeviceFontListComposite*>(stored);
  if (list == nullptr) DisposeInstance(stored);
  RefreshMassStorageFontsFlag(this);
  if (IsMassStorageFontsPresent(this) == 0 && (list == nullptr || list->GetCount() == 0)) return list;

  bool changed = false;
  GFontCatalogReaderSource source = UpwardServices().fontCatalog;
  for (int device = 0; device < kFontDeviceCount; ++device) {
    const int32_t listId = FontDeviceId(device);
    GDeviceFontCatalog* reader = source != nullptr ? source(device, this) : nullptr;
    const bool readable = reader != nullptr && reader->Open() && reader->ReadDescriptor();
    const int state = GetFontDeviceState(this, device);
    if (readable && (state == 1 || (state == 0 && device < 6))) {
      SetFontDeviceState(this, device, 1);
      if (list == nullptr) list = new GDeviceFontListComposite;
      MPersistentObject* catalogue = reader->BuildFontList();
      if (auto* fonts = dynamic_cast<GDeviceFontList*>(catalogue)) {
        fonts->SetFeatureId(listId);
        const int32_t stamp = reader->GetStamp();
        fonts->SetStamp(static_cast<uint32_t>(stamp));
        auto* present = dynamic_cast<GDeviceFontList*>(list->FindListById(listId));
        if (present == nullptr) {
          list->Add(fonts);
          catalogue = nullptr;
          changed = true;
        } else if (static_cast<int64_t>(present->GetStamp()) < static_cast<int64_t>(stamp)) {
          list->ReplaceById(listId, fonts);
          changed = true;
        }
      }
      DisposeInstance(catalogue);
    } else {
      if (!readable) SetFontDeviceState(this, device, 0);
      if (IsRemotePrinter() == 0 && list != nullptr && list->FindListById(listId) != nullptr) {
        DisposeInstance(list->RemoveById(listId));
        changed = true;
      }
    }
    delete reader;
  }
  if (changed && list != nullptr) {
    SetMassStorageFontsPresent(list->GetCount() > 0 ? 1 : 0, this);
    StoreStoredObject(valueName, list);
  }
  return list;
}

int GDriverInstance::IsPhySettingCurrent(MPersistentObject* options) {
  MPersistentObject* stored = LoadStoredObject(RWWString(u"PhySetting"));
  if (stored == nullptr || options == nullptr) {
    DisposeInstance(stored);
    return 1;
  }
  int result = 1;
  GOSFactory* factory = GOSFactory::GetInstance();
  const RWWString last = factory != nullptr
                             ? factory->GetPrinterDataString(this, RWWString(u"LastUpdateType"), RWWString(u"FAILED"))
                             : RWWString(u"FAILED");
  int16_t bundle = 0;
  if ((last == u"Admin" || last == u"Auto") && GSettingQuery::ShortAt(options, kBundles, &bundle) && bundle != 14113 &&
      bundle != 14119) {
    result = 0;
  }
  static constexpr int32_t kNumbers[] = {kDriverWorkSpace,
                                         kMemory,
                                         kIgnoreCollationChoice,
                                         kScannerChoice,
                                         kDuplexUnit,
                                         kManualDuplex,
                                         kCollationUnit,
                                         kStaplerInstalled,
                                         kPrinterHardDisk,
                                         kEnvFeeder,
                                         kJobRetention,
                                         kScaleFromLargePaper,
                                         kIncludeTypesInSourceList};
  for (int32_t id : kNumbers) {
    int16_t now = 0;
    int16_t then = 0;
    if (GSettingQuery::ShortAt(options, id, &now) && GSettingQuery::ShortAt(stored, id, &then) && now != then) {
      DisposeInstance(stored);
      return 0;
    }
  }
  for (int32_t id : {kAccessoryOutputBins, kOptionalPaperSources}) {
    GStringAttribute* now = FindInstanceString(options, id);
    GStringAttribute* then = FindInstanceString(stored, id);
    if (now != nullptr && then != nullptr && !(now->GetString() == then->GetString())) {
      DisposeInstance(stored);
      return 0;
    }
  }
  DisposeInstance(stored);
  return result;
}

MPersistentObject* GDriverInstance::CopyNUpSettings(MPersistentObject* source, MPersistentObject* destination) {
  MPersistentObject* from = GSettingQuery::Find(source, kDocumentSettings);
  MPersistentObject* to = GSettingQuery::Find(destination, kNUpLayout);
  if (from != nullptr && to != nullptr) {
    for (int32_t id : {kNUpChoice, kNUpBordersChoice, kNUpPageOrderChoice}) CopyValue(from, id, to, id);
  }
  return destination;
}

// ---- Re-encoding ----

int GDriverInstance::ReencodeNamedObject(const RWWString& name) {
  GOSFactory* factory = GOSFactory::GetInstance();
  MPersistentObject* object = factory != nullptr ? factory->LoadObject(this, name, 1) : nullptr;
  if (object == nullptr) return 0;
  return ReencodeObject(object, name);
}

int GDriverInstance::ReencodeNumberedObject(uint32_t number) {
  NumberedValueStore store(this);
  const int key = static_cast<int>(number);
  MPersistentObject* object = store.LoadObjectByNumber(&key, 1);
  if (object == nullptr) return 0;
  return ReencodeObject(object, RWWString());
}

MPersistentObject* GDriverInstance::ConvertEntryList(MPersistentObject* list) {
  MPersistentObject* entryTemplate = GSettingQuery::Find(GetPrinterConfiguration(), kModelEntryList);
  if (entryTemplate == nullptr) return list;
  const int32_t listId = list->FeatureId();
  auto* converted = new GAttributeComposite(&listId);
  ForEachChild(list, [&](MPersistentObject* old) {
    MPersistentObject* entry = entryTemplate->DeepCopy();
    // Carry over the children the old entry has of the template's ids.
    std::vector<MPersistentObject*> parts;
    ForEachChild(entry, [&](MPersistentObject* part) {
      parts.push_back(part);
      return true;
    });
    for (MPersistentObject* part : parts) {
      if (part == nullptr) continue;
      MPersistentObject* kept = GSettingQuery::Find(old, part->FeatureId());
      if (kept != nullptr && kept != old) entry->ReplaceChildById(part->FeatureId(), kept);
    }
    // The template names only the settings; the entry keeps its own id and
    // what it carries beside them (a quick set's name, owner mark and
    // custom paper name), or a user's quick set would lose its name.
    entry->SetFeatureId(old->FeatureId());
    ForEachChild(old, [&](MPersistentObject* own) {
      if (own != nullptr && GSettingQuery::Find(entry, own->FeatureId()) == nullptr) entry->AddChild(own->DeepCopy());
      return true;
    });
    converted->AddChild(entry);
    return true;
  });
  DisposeInstance(list);
  return converted;
}

int GDriverInstance::ReencodeObject(MPersistentObject* object, const RWWString& name) {
  if (object == nullptr) return 0;
  std::vector<unsigned char> buffer(kReencodeBufferSize);
  GCompactSettingsCodec codec;
  int written = -1;
  {
    GPersistOutStream out(buffer.data(), buffer.size(), kBinaryStreamFormat);
    if (out.GetStream() != nullptr && codec.Encode(object, out.GetStream(), &out, kCodecSelector) == 1) written = out.Tell();
  }
  DisposeInstance(object);
  if (written <= 0) return 0;
  MPersistentObject* decoded = nullptr;
  {
    GPersistInStream in(buffer.data(), static_cast<size_t>(written), kBinaryStreamFormat);
    if (in.GetStream() != nullptr) decoded = codec.Decode(in.GetStream(), &in, this, kCodecSelector);
  }
  if (decoded == nullptr) return 0;
  if (decoded->FeatureId() == kQuickSetPool) decoded = ConvertEntryList(decoded);
  RWWString valueName = name;
  if (valueName.Length() == 0) valueName = NumberedValueStore::NumberName(decoded->FeatureId());
  const int stored = StoreStoredObject(valueName, decoded) == 1 ? 1 : 0;
  DisposeInstance(decoded);
  return stored;
}

// ---- GUIDriverInstance ----

GUIDriverInstance::GUIDriverInstance() = default;
GUIDriverInstance::~GUIDriverInstance() = default;

void* GUIDriverInstance::GetRenderObject() { return nullptr; }
void* GUIDriverInstance::GetDriverObject() { return dynamic_cast<void*>(this); }
void GUIDriverInstance::Rebind(GPrinterKey* key) { GDriverInstance::Rebind(key); }
void GUIDriverInstance::Release() {}

void GUIDriverInstance::GetPrinterLocation(RWWString& out) { out = RWWString(); }
RWWString GUIDriverInstance::GetJobDisplayName() { return RWWString(); }

int GUIDriverInstance::QueryCapabilitySet(uint32_t bit) {
  GCapabilities* set = GetCapabilitySet();
  return set != nullptr ? set->Has(bit) : 0;
}

namespace {
// A configuration flag read once per process: -1 until read.
int ReadProcessFlag(std::atomic<int>& cache, GDriverInstance* instance, int32_t id) {
  int value = cache.load();
  if (value < 0) {
    value = GSettingQuery::ShortOr(instance->GetPrinterConfiguration(), id, 0) == 1 ? 1 : 0;
    cache.store(value);
  }
  return value;
}
std::atomic<int> g_flag1025{-1};
std::atomic<int> g_flag1100{-1};
}  // namespace

int GUIDriverInstance::IsConfigurationFlag1025Set() { return ReadProcessFlag(g_flag1025, this, kAgentUpdate); }
int GUIDriverInstance::IsConfigurationFlag1100Set() { return ReadProcessFlag(g_flag1100, this, kConfigurationLibrary); }
