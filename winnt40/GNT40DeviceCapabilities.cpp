// The driver object's answers to DrvDeviceCapabilities: the dispatcher and
// its capability handlers. They read the DEVMODE object, the printer
// configuration of the device model, the document settings and the
// spooler's forms. Everything read from the model is untrusted: a missing
// part gives 0, the documented default or -1, and a resolution of 0 gives
// no size instead of a division by zero.
//
// DrvDeviceCapabilities has no size argument for its output: a caller
// learns the number of entries with a null output first and then passes an
// array of that many entries. The handlers write exactly the entries they
// count, each of its documented size.
#include <cstring>
#include <memory>

#include "driver/DevmodePrivateArea.h"
#include "driver/GSettingValue.h"
#include "driver/GSpoolerFormServices.h"
#include "driver/osfactry.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GDisplayString.h"
#include "model/GDisplayStringLoader.h"
#include "model/GFeatureIds.h"
#include "model/GFormToTrayDatabase.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GRangeAttribute.h"
#include "model/GResourceMapping.h"
#include "model/GTray.h"
#include "model/MPersistentIterator.h"
#include "model/MPersistentObject.h"
#include "rw/RWCString.h"
#include "win32/DevMode.h"
#include "win32/Module.h"
#include "winnt40/GNT40CapabilityRecords.h"
#include "winnt40/GNT40PrinterDevMode.h"
#include "winnt40/nt40qddi.h"

using namespace GFeatureIds;

namespace {

using SV = GSettingValue;
using Area = DevmodePrivateArea;

// Capability indexes (named apart from the feature ids of the classes).
enum CapabilityIndex : WORD {
  kDcFields = 1,
  kDcPapers = 2,
  kDcPaperSize = 3,
  kDcMinExtent = 4,
  kDcMaxExtent = 5,
  kDcBins = 6,
  kDcDuplex = 7,
  kDcSize = 8,
  kDcExtra = 9,
  kDcVersion = 10,
  kDcDriver = 11,
  kDcBinNames = 12,
  kDcEnumResolutions = 13,
  kDcFileDependencies = 14,
  kDcTrueType = 15,
  kDcPaperNames = 16,
  kDcOrientation = 17,
  kDcCopies = 18,
  kDcCollate = 22,
  kDcPersonality = 25,
  kDcPrintRate = 26,
  kDcPrintRateUnit = 27,
  kDcPrinterMem = 28,
  kDcMediaReady = 29,
  kDcStaple = 30,
  kDcPrintRatePpm = 31,
  kDcColorDevice = 32,
  kDcNup = 33,
};

constexpr int16_t kLargestCustomPaper = 17384;
constexpr int16_t kSmallestCustomPaper = 17385;
constexpr WORD kCustomSpoolerPaper = 256;  // DMPAPER_USER
constexpr UINT kCustomSizeString = 10120;
constexpr WORD kFormSourceBin = 15;  // DMBIN_FORMSOURCE
constexpr LONG kPrintRateUnitPpm = 1;
constexpr uint32_t kAppFlagQualityResolutions = 0x20000000;
constexpr LONG kFailed = -1;

// MulDiv as the platform does it: rounded, and -1 for a zero divisor or a
// result beyond 32 bits.
LONG MulDiv(LONG number, LONG numerator, LONG denominator) {
  if (denominator == 0) return -1;
  int64_t product = static_cast<int64_t>(number) * numerator;
  const int64_t half = (denominator < 0 ? -static_cast<int64_t>(denominator) : denominator) / 2;
  const bool negative = (product < 0) != (denominator < 0);
  if (product < 0) product = -product;
  int64_t quotient = (product + half) / (denominator < 0 ? -static_cast<int64_t>(denominator) : denominator);
  if (negative) quotient = -quotient;
  if (quotient > INT32_MAX || quotient < INT32_MIN) return -1;
  return static_cast<LONG>(quotient);
}

int32_t ValueOr(MPersistentObject* root, int32_t id, int32_t fallback) {
  return root != nullptr ? SV::GetOr(root, id, fallback) : fallback;
}

bool Has(MPersistentObject* root, int32_t id, int32_t* value) { return root != nullptr && SV::Get(root, id, value); }

// The tray and bin walks: where the entries go and how many there are.
struct BinWalk {
  void* output = nullptr;
  bool names = false;
  HINSTANCE resources = nullptr;
  int count = 0;
};

RWWString DisplayText(HINSTANCE resources, const GDisplayString& string) {
  RWWString text;
  GDisplayStringLoader(resources, &string).GetText(text);
  return text;
}

RWWString ResourceText(HINSTANCE resources, int32_t id) {
  RWWString text;
  if (resources != nullptr && id != 0) GDisplayStringLoader(resources, nullptr).LoadFromModule(resources, id, text);
  return text;
}

void PutWord(void* output, int index, WORD value) {
  std::memcpy(static_cast<uint8_t*>(output) + static_cast<size_t>(index) * sizeof(WORD), &value, sizeof value);
}

int TrayEntry(GTray* tray, GResourceMapping* mapping, int, void* context, int* found) {
  auto* walk = static_cast<BinWalk*>(context);
  if (tray == nullptr) return 1;
  if (walk->output != nullptr) {
    if (walk->names) {
      RWWString text = DisplayText(walk->resources, tray->GetDisplayString());
      if (text.Length() == 0 && mapping != nullptr) text = ResourceText(walk->resources, mapping->GetResourceId());
      GNT40CapabilityRecords::WriteBinName(walk->output, walk->count, u" ", text);
    } else {
      const WORD number =
          mapping != nullptr ? static_cast<WORD>(mapping->GetSystemCode()) : static_cast<WORD>(tray->GetTrayNumber());
      PutWord(walk->output, walk->count, number);
    }
  }
  ++walk->count;
  if (found != nullptr) *found = 1;
  return 1;
}

int BinEntry(GResourceMapping* bin, GResourceMapping*, int, void* context, int* found) {
  auto* walk = static_cast<BinWalk*>(context);
  if (bin == nullptr) return 1;
  if (walk->output != nullptr) {
    if (walk->names) {
      GNT40CapabilityRecords::WriteBinName(walk->output, walk->count, nullptr,
                                           ResourceText(walk->resources, bin->GetResourceId()));
    } else {
      PutWord(walk->output, walk->count, static_cast<WORD>(bin->GetSystemCode()));
    }
  }
  ++walk->count;
  if (found != nullptr) *found = 1;
  return 1;
}

// The library named by a path, loaded for the length of one answer.
class ScopedLibrary {
 public:
  explicit ScopedLibrary(const RWWString& path) : module_(path.Length() != 0 ? LoadLibraryW(path.Data()) : nullptr) {}
  ScopedLibrary(const ScopedLibrary&) = delete;
  ScopedLibrary& operator=(const ScopedLibrary&) = delete;
  ~ScopedLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  HINSTANCE Get() const { return module_; }

 private:
  HINSTANCE module_;
};

// The DEVMODE object's buffer, or null without one.
const uint8_t* DevModeBytes(GNT40Driver& driver) {
  GNT40PrinterDevMode* object = driver.GetDevModeObject();
  return object != nullptr ? reinterpret_cast<const uint8_t*>(object->GetBuffer()) : nullptr;
}

LONG DevModeWord(GNT40Driver& driver, size_t offset) {
  const uint8_t* dm = DevModeBytes(driver);
  return dm != nullptr ? Area::GetWord(dm, offset) : 0;
}

MPersistentObject* InstallableOptions(GAttributeComposite* settings) {
  return settings != nullptr ? settings->FindById(kInstallableOptions) : nullptr;
}

// Whether the form-to-tray database of the settings has assignments.
int HasFormAssignments(GAttributeComposite* settings) {
  auto* database = dynamic_cast<GFormToTrayDatabase*>(SV::Find(InstallableOptions(settings), kFormToTrayDatabase));
  if (database == nullptr && settings != nullptr) {
    database = dynamic_cast<GFormToTrayDatabase*>(SV::Find(settings, kFormToTrayDatabase));
  }
  return database != nullptr && database->HasAssignments() != 0 ? 1 : 0;
}

// The paper orientation of the DEVMODE: 0 for portrait, else 90.
int32_t PaperOrientation(GNT40Driver& driver) {
  const uint8_t* dm = DevModeBytes(driver);
  return dm != nullptr && Area::GetShort(dm, offsetof(DEVMODEW, dmOrientation)) == DMORIENT_PORTRAIT ? 0 : 90;
}

// A custom-size limit of the media pool as a packed POINTS in tenths of a
// millimetre (length in the high word); 0 when it cannot be had.
LONG CustomExtent(GNT40Driver& driver, int16_t paperId) {
  GNT40PrinterDevMode* object = driver.GetDevModeObject();
  GMediaPool* pool = driver.GetPrinterMediaPool();
  if (object == nullptr || pool == nullptr) return 0;
  const int16_t x = object->GetXResolution();
  const int16_t y = object->GetYResolution();
  if (x <= 0 || y <= 0) return 0;
  GMedia* medium =
      pool->FindMedia(paperId, PaperOrientation(driver), static_cast<uint16_t>(x), static_cast<uint16_t>(y));
  if (medium == nullptr) return 0;
  const LONG width = MulDiv(medium->GetSize()->x, 254, x);
  const LONG length = MulDiv(medium->GetSize()->y, 254, y);
  if (width == -1 || length == -1) return 0;
  return static_cast<LONG>((static_cast<uint32_t>(static_cast<uint16_t>(length)) << 16) | static_cast<uint16_t>(width));
}

HINSTANCE OwnModule() {
  GOSFactory* factory = GOSFactory::GetInstance();
  return factory != nullptr ? factory->GetModuleHandle() : nullptr;
}

// DC_BINS (names 0) and DC_BINNAMES (names 1).
LONG TrayList(GNT40Driver& driver, GAttributeComposite* settings, void* output, int names) {
  if (HasFormAssignments(settings) != 0) {
    if (output != nullptr) {
      if (names != 0) {
        GNT40CapabilityRecords::WriteBinName(output, 0, nullptr, RWWString(u"Form Select"));
      } else {
        PutWord(output, 0, kFormSourceBin);
      }
    }
    return 1;
  }

  driver.ApplyDocumentSettings(nullptr);
  std::unique_ptr<ScopedLibrary> resources;
  if (names != 0) resources = std::make_unique<ScopedLibrary>(driver.GetResourceModulePath());

  BinWalk walk;
  walk.output = output;
  walk.names = names != 0;
  walk.resources = resources != nullptr ? resources->Get() : nullptr;
  int counter = 0;
  driver.EnumerateInputTrays(&TrayEntry, &walk, 1, &counter);
  if (ValueOr(InstallableOptions(settings), kIncludeTypesInSourceList, 0) == 1) {
    counter = 0;
    driver.EnumerateOutputBins(&BinEntry, &walk, &counter);
  }
  return walk.count != 0 ? walk.count : kFailed;
}

}  // namespace

// ---- Dispatcher ----

LONG GNT40Driver::DeviceCapabilities(HANDLE, LPWSTR, WORD capability, LPVOID output, DEVMODEW* devMode) {
  if (LoadDevMode(devMode) == 0) return kFailed;
  switch (capability) {
    case kDcFields:
      return CapFields();
    case kDcPapers:
      return CapPapers(output);
    case kDcPaperSize:
      return CapPaperSize(output);
    case kDcMinExtent: {
      LONG extent = 0;
      CapMinExtent(&extent);
      return extent;
    }
    case kDcMaxExtent: {
      LONG extent = 0;
      CapMaxExtent(&extent);
      return extent;
    }
    case kDcBins:
      return CapBins(output);
    case kDcDuplex:
      return CapDuplex();
    case kDcSize:
      return CapSize();
    case kDcExtra:
      return CapExtra();
    case kDcVersion:
      return CapVersion();
    case kDcDriver:
      return CapDriver();
    case kDcBinNames:
      return CapBinNames(output);
    case kDcEnumResolutions:
      return CapEnumResolutions(output);
    case kDcFileDependencies:
      return CapFileDependencies(output);
    case kDcTrueType:
      return CapTrueType();
    case kDcPaperNames:
      return CapPaperNames(output);
    case kDcOrientation:
      return CapOrientation();
    case kDcCopies:
      return CapCopies();
    case kDcCollate:
      return CapCollate();
    case kDcPersonality:
      return CapPersonality(output);
    case kDcPrintRate:
      return CapPrintRate();
    case kDcPrintRateUnit:
      return CapPrintRateUnit();
    case kDcPrinterMem:
      return CapPrinterMem();
    case kDcMediaReady:
      return CapMediaReady(output);
    case kDcStaple:
      return CapStaple();
    case kDcPrintRatePpm:
      return CapPrintRatePpm();
    case kDcColorDevice:
      return CapColorDevice();
    case kDcNup:
      return CapNup(output);
    case GNT40CapabilityRecords::kPrivateIndex:
      return CapPrivate(output);
    default:
      return CapOther(capability, output);
  }
}

// ---- Helpers of the handlers ----

GAttributeComposite* GNT40Driver::RefreshDocumentSettings(int always) {
  if (always != 0 || StoredDocumentSettings() == nullptr || (GetDevModeState() & kRebuildSettings) != 0) {
    SetStoredDocumentSettings(GetDocumentSettings());
  }
  return StoredDocumentSettings();
}

// ---- Handlers, in slot order ----

LONG GNT40Driver::CapBinNames(void* output) { return TrayList(*this, RefreshDocumentSettings(0), output, 1); }

LONG GNT40Driver::CapBins(void* output) { return TrayList(*this, RefreshDocumentSettings(0), output, 0); }

LONG GNT40Driver::CapCopies() {
  auto* range = dynamic_cast<GRangeAttribute*>(SV::Find(GetPrinterConfiguration(), kCopiesRange));
  return range != nullptr ? range->GetMax() : 0;
}

LONG GNT40Driver::CapDriver() { return DevModeWord(*this, offsetof(DEVMODEW, dmDriverVersion)); }

LONG GNT40Driver::CapDuplex() {
  MPersistentObject* options = InstallableOptions(RefreshDocumentSettings(1));
  return ValueOr(options, kDuplexUnit, 0) != 0 || ValueOr(options, kManualDuplex, 0) != 0 ? 1 : 0;
}

LONG GNT40Driver::CapEnumResolutions(void* output) {
  MPersistentObject* list = SV::Find(GetPrinterConfiguration(), kResolutionList);
  if (list == nullptr) return 0;
  std::unique_ptr<MPersistentIterator> entries(list->CreateIterator());
  if (entries == nullptr) return 0;

  LONG count = 0;
  bool written = false;
  LONG lastX = 0;
  LONG previousY = 0;
  bool hasPrevious = false;
  while (entries->Advance() != 0) {
    MPersistentObject* entry = entries->Current();
    if (entry == nullptr) continue;
    LONG x = 0;
    LONG y = 0;
    int32_t quality = 0;
    if (SV::Get(entry, kPrintQualityMode, &quality)) {
      if ((GetAppFlags() & kAppFlagQualityResolutions) != 0) return kFailed;
      x = quality;
      y = quality;
    } else {
      x = ValueOr(entry, kXResolution, 0);
      y = ValueOr(entry, kYResolution, 0);
    }
    // Repeats of the pair just written are left out.
    if (!(written && x == lastX && hasPrevious && y == previousY)) {
      if (output != nullptr) {
        const LONG pair[2] = {x, y};
        std::memcpy(static_cast<uint8_t*>(output) + static_cast<size_t>(count) * sizeof pair, pair, sizeof pair);
      }
      ++count;
      written = true;
      lastX = x;
    }
    previousY = y;
    hasPrevious = true;
  }
  return count;
}

LONG GNT40Driver::CapExtra() {
  if ((GetAppFlags() & kPublicDevModeFlags) != 0) return 0;
  return DevModeWord(*this, offsetof(DEVMODEW, dmDriverExtra));
}

LONG GNT40Driver::CapFields() {
  const uint8_t* dm = DevModeBytes(*this);
  return dm != nullptr ? static_cast<LONG>(Area::GetFields(dm)) : 0;
}

LONG GNT40Driver::CapFileDependencies(void* output) {
  if (output != nullptr) {
    const WCHAR empty = 0;
    std::memcpy(output, &empty, sizeof empty);
  }
  return 0;
}

void GNT40Driver::CapMaxExtent(LONG* out) {
  if (out != nullptr) *out = CustomExtent(*this, kLargestCustomPaper);
}

void GNT40Driver::CapMinExtent(LONG* out) {
  if (out != nullptr) *out = CustomExtent(*this, kSmallestCustomPaper);
}

LONG GNT40Driver::CapOrientation() {
  int32_t orientation = 0;
  if (!Has(GetDevModeSettings(), GFeatureIds::kOrientation, &orientation)) return 0;
  return orientation == 270 || orientation == 180 ? 270 : 90;
}

LONG GNT40Driver::CapPaperNames(void* output) { return BuildPaperList(output, nullptr, nullptr); }

LONG GNT40Driver::CapPapers(void* output) { return BuildPaperList(nullptr, output, nullptr); }

LONG GNT40Driver::CapPaperSize(void* output) { return BuildPaperList(nullptr, nullptr, output); }

LONG GNT40Driver::CapSize() { return DevModeWord(*this, offsetof(DEVMODEW, dmSize)); }

LONG GNT40Driver::CapTrueType() { return 0; }

LONG GNT40Driver::CapVersion() { return DevModeWord(*this, offsetof(DEVMODEW, dmSpecVersion)); }

LONG GNT40Driver::CapOther(WORD, void*) { return kFailed; }

LONG GNT40Driver::CapCollate() { return ValueOr(GetPrinterConfiguration(), kCollationUnit, 0) == 1 ? 1 : 0; }

LONG GNT40Driver::CapPrivate(void* output) {
  if (output != nullptr) GNT40CapabilityRecords::WritePrivateRecord(output);
  return static_cast<LONG>(GNT40CapabilityRecords::kPrivateRecordSize);
}

LONG GNT40Driver::BuildPaperList(void* names, void* numbers, void* sizes) {
  // The list is built afresh on every call, so a second call or a form list
  // that changed since the last one never writes past the list's room.
  SetDevModeState(GetDevModeState() & ~kRebuildPaperList);
  GNT40PrinterDevMode* object = GetDevModeObject();
  const int16_t x = object != nullptr ? object->GetXResolution() : 0;
  const int16_t y = object != nullptr ? object->GetYResolution() : 0;
  const int32_t orientation = PaperOrientation(*this);
  GSpoolerFormList forms(GetPrinterHandle());
  if (!paperList_.Prepare(static_cast<int>(forms.Count()) + 1)) return kFailed;

  GAttributeComposite* settings = RefreshDocumentSettings(0);
  const int checkLimits = ValueOr(settings, kScaleFromLargePaper, 0) != 0 ? 0 : 1;
  for (size_t i = 0; i < forms.Count(); ++i) {
    if (IsPaperOffered(forms, i, x, y, orientation, checkLimits) == 0) continue;
    const GSpoolerFormList::Form& form = forms.At(i);
    paperList_.Append(form.name.Data(), form.name.Length(), static_cast<WORD>(i + 1), form.width / 100,
                      form.length / 100);
  }

  // The custom size closes the list.
  RWWString customName;
  {
    ScopedLibrary resources(GetResourceModulePath());
    WCHAR text[GNT40PaperList::kNameLength] = {};
    int length = 0;
    if (resources.Get() != nullptr) {
      length = LoadStringW(resources.Get(), kCustomSizeString, text, GNT40PaperList::kNameLength);
    }
    // Without a resource module that has it, the module's own table.
    if (length <= 0) length = LoadStringW(OwnModule(), kCustomSizeString, text, GNT40PaperList::kNameLength);
    if (length > 0) customName = RWWString(text, static_cast<size_t>(length));
  }
  int32_t width = 0;
  int32_t length = 0;
  if (!Has(settings, kCustomPaperWidth, &width) || !Has(settings, kCustomPaperLength, &length)) {
    width = 0;
    length = 0;
  }
  paperList_.Append(customName.Data(), customName.Length(), kCustomSpoolerPaper, width, length);

  paperList_.CopyNames(names);
  paperList_.CopyNumbers(numbers);
  paperList_.CopySizes(sizes);
  return paperList_.Count() != 0 ? paperList_.Count() : kFailed;
}

LONG GNT40Driver::CapColorDevice() { return ValueOr(GetPrinterConfiguration(), kColorDevice, 0) == 1 ? 1 : 0; }

LONG GNT40Driver::CapNup(void* output) {
  if (output != nullptr) GNT40CapabilityRecords::WriteNupChoices(output);
  return GNT40CapabilityRecords::kNupCount;
}

LONG GNT40Driver::CapStaple() {
  return ValueOr(InstallableOptions(RefreshDocumentSettings(1)), kStaplerInstalled, 0) == 1 ? 1 : 0;
}

LONG GNT40Driver::CapPrinterMem() { return ValueOr(GetPrinterConfiguration(), kMemory, 0); }

LONG GNT40Driver::CapPrintRate() { return ValueOr(InstallableOptions(RefreshDocumentSettings(0)), kPrintRate, 0); }

LONG GNT40Driver::CapPrintRatePpm() {
  GAttributeComposite* settings = RefreshDocumentSettings(0);
  const LONG rate = ValueOr(InstallableOptions(settings), kPrintRate, 0);
  const int32_t gray = ValueOr(SV::Find(settings, kDocumentSettings2), kPrintColorAsGray, 0);
  const int32_t grayRate = ValueOr(GetPrinterConfiguration(), kGrayPrintRate, 0);
  return (gray == 1 || gray == 3) && grayRate != 0 ? grayRate : rate;
}

LONG GNT40Driver::CapPrintRateUnit() { return kPrintRateUnitPpm; }

LONG GNT40Driver::CapPersonality(void* output) {
  if (output != nullptr) {
    RWCString text;
    MPersistentObject* configuration = GetPrinterConfiguration();
    if (configuration != nullptr) SV::GetText(configuration, kXLLanguageString, &text);
    GNT40CapabilityRecords::WritePersonality(output, text);
  }
  return 1;
}

LONG GNT40Driver::CapMediaReady(void* output) {
  if (HasFormAssignments(RefreshDocumentSettings(1)) == 0) return 0;
  return BuildPaperList(output, nullptr, nullptr);
}
