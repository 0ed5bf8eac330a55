// Test support for the DEVMODE objects and the spooler form services: a
// small device (printer configuration, paper, source and capability
// mappings, media pool, document settings) and a driver instance over a
// printer installed in the stand-in.
#pragma once


#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "driver/DevmodePrivateArea.h"
#include "driver/GSettingValue.h"
#include "driver/GSpoolerFormServices.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GEnumAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GPeripheral.h"
#include "model/GRangeAttribute.h"
#include "model/GResourceMappingList.h"
#include "model/GStringAttribute.h"
#include "model/GValueAttribute.h"
#include "support/AttributeBuilders.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "model/MPersistentIterator.h"
#include "win32/DevMode.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"
#include "winnt40/GNT40DevMode.h"

namespace qvtest {

inline GRangeAttribute* Range(int32_t id, int16_t min, int16_t max, int16_t value) {
  return new GRangeAttribute(min, max, 1, value, &id);
}
inline GEnumAttribute* Enum(int32_t id, std::initializer_list<MPersistentObject*> children) {
  auto* group = new GEnumAttribute(&id);
  for (MPersistentObject* child : children) group->AddChild(child);
  return group;
}
inline GMedia* Medium(int16_t paperId, int16_t width, int16_t height, int32_t orientation = 0, uint16_t dpi = 600) {
  const GShortPoint size(width, height);
  const int32_t id = GFeatureIds::kCustomMedia;
  return new GMedia("", &size, &size, nullptr, orientation, paperId, dpi, dpi, &id);
}

// A readable listing of a tree: ids, values and texts, depth first.
inline std::string Describe(MPersistentObject* object) {
  if (object == nullptr) return "null";
  std::string out = std::to_string(object->FeatureId());
  int32_t value = 0;
  RWCString text;
  if (GSettingValue::ValueOf(object, &value)) out += "=" + std::to_string(value);
  if (GSettingValue::TextOf(object, &text)) out += "='" + std::string(text.Data(), text.Length()) + "'";
  // Children sorted, so that trees that differ only in order compare equal.
  MPersistentIterator* it = object->CreateIterator();
  std::vector<std::string> parts;
  while (it != nullptr && it->Advance()) parts.push_back(Describe(it->Current()));
  delete it;
  std::sort(parts.begin(), parts.end());
  std::string children;
  for (const std::string& part : parts) children += (children.empty() ? "" : " ") + part;
  if (!children.empty()) out += "{" + children + "}";
  return out;
}

inline int32_t Get(MPersistentObject* root, int32_t id) { return GSettingValue::GetOr(root, id, -9999); }

// Paper ids of the test device: Letter 1 (DMPAPER 1), A4 23 (DMPAPER 9),
// Legal 5 (DMPAPER 5); the custom-size limits are 3 x 5 in and 8.5 x 14 in.
constexpr int16_t kLetter = 1;
constexpr int16_t kA4 = 23;
constexpr int16_t kLegal = 5;

// The document settings of the test device (group 360). Enough settings
// that their serialised form compresses.
inline GAttributeComposite* MakeSettings() {
  return Group(360,
               {
                   Group(362, {Value(266, 1),
                               Value(267, 0),
                               Value(268, 0),
                               Group(329, {Value(266, 1), Value(268, 0)}),
                               Text(270, "Document settings of the test device"),
                               Value(GFeatureIds::kOrientation, 0),
                               Value(GFeatureIds::kPaperSize, kLetter),
                               Value(GFeatureIds::kCopies, 1),
                               Value(GFeatureIds::kInputBin, 1),
                               Text(GFeatureIds::kMediaType, "Plain"),
                               Enum(GFeatureIds::kResolution,
                                    {Value(GFeatureIds::kXResolution, 600), Value(GFeatureIds::kYResolution, 600),
                                     Value(GFeatureIds::kBitsPerPixel, 1), Value(GFeatureIds::kPrintQualityMode, 1)}),
                               Value(GFeatureIds::kColorMode, 1),
                               Value(GFeatureIds::kPrintColorAsGray, 0),
                               Value(GFeatureIds::kIcmEnable, 1),
                               Value(GFeatureIds::kIcmMethod, 0),
                               Value(GFeatureIds::kIcmIntent, 0),
                               Value(GFeatureIds::kDuplex, 0),
                               Value(GFeatureIds::kCollate, 0),
                               Value(GFeatureIds::kQVAutoDuplexScaling, 1),
                               Value(GFeatureIds::kQVSymmetricalMargins, 0),
                               Value(GFeatureIds::kCustomPaperWidth, 2159),
                               Value(GFeatureIds::kCustomPaperLength, 2794)}),
                   Group(365, {Value(308, 1), Value(310, 0)}),
                   Group(366, {Value(940, 0), Text(384, "Confidential")}),
                   Group(368, {}),
                   Group(GFeatureIds::kCustomPaperList, {}),
               });
}

// The printer configuration (the configuration of the printer entry).
inline GConfiguration* MakeConfiguration(int codecMode) {
  auto* configuration = new GConfiguration(GFeatureIds::kPeripheralConfiguration);
  configuration->AddChild(Group(359, {Group(366, {Value(940, static_cast<int16_t>(codecMode))})}));
  configuration->AddChild(Range(GFeatureIds::kCopiesRange, 1, 999, 1));
  configuration->AddChild(Range(GFeatureIds::kDuplexRange, 0, 2, 0));
  configuration->AddChild(Group(GFeatureIds::kSupportedOrientations, {Value(0, 0), Value(0, 90), Value(0, 270)}));
  auto entry = [](int16_t x, int16_t y, int16_t bits, int16_t quality) {
    return Group(0, {Value(GFeatureIds::kXResolution, x), Value(GFeatureIds::kYResolution, y),
                     Value(GFeatureIds::kBitsPerPixel, bits), Value(GFeatureIds::kPrintQualityMode, quality)});
  };
  // Quality modes: positive ones print at the resolution as it is, 0 and
  // below pick a DMRES_ print quality.
  configuration->AddChild(Group(GFeatureIds::kResolutionList, {entry(1200, 1200, 1, -4), entry(600, 600, 1, 1),
                                                               entry(600, 600, 2, -3), entry(300, 300, 1, -2)}));
  configuration->AddChild(Value(GFeatureIds::kDiscoveredPlurexMode, 1));
  auto* pool = new GMediaPool(&GFeatureIds::kPrinterMediaPool);
  pool->AddChild(Medium(kLetter, 5100, 6600));
  pool->AddChild(Medium(kA4, 4960, 7016));
  pool->AddChild(Medium(kLegal, 5100, 8400));
  pool->AddChild(Medium(GNT40DevMode::kSmallestCustomPaperId, 1800, 3000));
  pool->AddChild(Medium(GNT40DevMode::kLargestCustomPaperId, 5100, 8400));
  configuration->AddChild(pool);
  auto* trayMap = new MAssociationList(GFeatureIds::kMediaTypeTrayMap);
  trayMap->Add(new MPersistentAssociation(Text(0, "Transparency"), Value(0, 5), 0));
  trayMap->Add(new MPersistentAssociation(Text(0, "Labels"), Value(0, 51), 0));
  configuration->AddChild(trayMap);
  configuration->AddChild(Group(GFeatureIds::kDiscoveredMediaNames, {Text(0, "Envelope"), Text(0, "Labels")}));
  configuration->AddChild(Value(GFeatureIds::kColorMode, 1));
  configuration->AddChild(Value(339, 1));  // colour capability: colour printer
  return configuration;
}

// The printer entry of the test device model.
class TestPrinterEntry : public GPeripheral {
 public:
  explicit TestPrinterEntry(GConfiguration* configuration) : GPeripheral(&GFeatureIds::kDeviceEntry) {
    SetConfiguration(configuration);
  }
  TestPrinterEntry* CreateSameKind() const override { return new TestPrinterEntry(nullptr); }
  TestPrinterEntry* Clone() const override { return new TestPrinterEntry(*this); }
};

inline GResourceMappingList* Mappings(std::initializer_list<std::pair<int16_t, int16_t>> systemToDevice) {
  auto* list = new GResourceMappingList(0);
  for (auto [system, device] : systemToDevice) list->AddIfNewDeviceCode(new GResourceMapping(0, system, device, 0));
  return list;
}

// A driver instance over the printer "QV Test Printer" of the stand-in.
class DevModeTestInstance : public GSpoolerFormServices {
 public:
  explicit DevModeTestInstance(int codecMode = 0, const char16_t* driverName = u"QV Office Laser 4100 Series") {
    w32test::PrinterSetup setup;
    setup.name = u"QV Test Printer";
    setup.driverName = driverName;
    w32test::AddPrinter(setup);
    OpenPrinterW(u"QV Test Printer", &printer_, nullptr);
    SetNames(RWWString(u"QV Test Printer"), RWWString(driverName), RWWString(u"LPT1:"));
    auto* model = Group(GFeatureIds::kDeviceModelRoot);
    model->AddChild(new TestPrinterEntry(MakeConfiguration(codecMode)));
    SetDeviceModel(model);
    SetPaperMappings(Mappings({{1, kLetter}, {9, kA4}, {5, kLegal}}));
    SetSourceMappings(Mappings({{7, 1}, {1, 2}, {2, 3}}));
    SetCapabilityMappings(Mappings({{260, 5}}));
  }
  ~DevModeTestInstance() override {
    delete devModeSettings_;
    if (printer_ != nullptr) ClosePrinter(printer_);
  }

  HANDLE GetPrinterHandle() override { return printer_; }
  // The instance's own document settings (taken over).
  void InstallDocumentSettings(GAttributeComposite* settings) { SetStoredDocumentSettings(settings); }
  void SetFlags(uint32_t flags) { SetAppFlags(flags); }
  // The settings the form services read as the DEVMODE object's (owned).
  void SetDevModeSettings(GAttributeComposite* settings) {
    delete devModeSettings_;
    devModeSettings_ = settings;
  }

  void RefreshAppFlags() override {}
  void* GetRenderObject() override { return nullptr; }
  void* GetDriverObject() override { return nullptr; }
  GAttributeComposite* CreateDefaultSettings() override { return MakeSettings(); }
  GAttributeComposite* GetDocumentSettings() override { return StoredDocumentSettings(); }
  void Release() override {}
  GPrinterKey* GetPrinterKey() override { return nullptr; }
  RWWString GetJobStorageKeyPath() override { return RWWString(); }
  GAttributeComposite* GetDevModeSettings() override { return devModeSettings_; }

 private:
  HANDLE printer_ = nullptr;
  GAttributeComposite* devModeSettings_ = nullptr;
};

// The concrete DEVMODE object of the driver core's tests.
class TestDevMode : public GNT40DevMode {
 public:
  explicit TestDevMode(GDriverInstance* instance) : GNT40DevMode(instance) {}
  int IsUsable() override { return 1; }
  int GetSpecVersion() override { return 0x0401; }
  using GDevMode::GetCodecMode;
};

// DEVMODE bytes and fields.
using DevModeBytes = std::vector<uint8_t>;
inline DEVMODEW* AsDevMode(DevModeBytes& bytes) { return reinterpret_cast<DEVMODEW*>(bytes.data()); }
inline int16_t Field16(const void* dm, size_t offset) { return DevmodePrivateArea::GetShort(dm, offset); }
inline void SetField16(void* dm, size_t offset, int16_t v) { DevmodePrivateArea::SetShort(dm, offset, v); }
inline uint32_t Fields(const void* dm) { return DevmodePrivateArea::GetFields(dm); }
#define QV_DM(field) offsetof(DEVMODEW, field)

}  // namespace qvtest
