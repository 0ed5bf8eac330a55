#include "config/GNRAUpdateSession.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "config/GNRAProvider.h"
#include "model/GAttributeComposite.h"
#include "model/GBin.h"
#include "model/GFeatureIds.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GRangeAttribute.h"
#include "model/GSettingQuery.h"
#include "model/GStringAttribute.h"
#include "model/GStringConversion.h"
#include "model/GTray.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentIterator.h"
#include "rw/RWShortList.h"
#include "win32/Registry.h"
#include "win32/Spooler.h"

using namespace GFeatureIds;

namespace {

constexpr int16_t kStateDone = 2;
constexpr int16_t kStateFailed = 1;
// The mailbox option of an output accessory, whose bins of types 4-19 are
// named by the printer.
constexpr int16_t kMailboxOption = 2;
// The agent's code for a hard disk among the storage media.
constexpr DWORD kHardDisk = 3;

// Access asked for the printer: the session writes printer data.
constexpr DWORD kSessionAccess = PRINTER_ALL_ACCESS;

std::u16string Number(int64_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

// "<prefix><i><suffix>", the name of one value of an indexed family.
std::u16string Indexed(const char16_t* prefix, int32_t index, const char16_t* suffix) {
  return prefix + Number(index) + suffix;
}

// "PHD<i>-OPTION<j><suffix>".
std::u16string OptionValue(int32_t device, DWORD option, const char16_t* suffix) {
  return u"PHD" + Number(device) + u"-OPTION" + Number(option) + suffix;
}

bool IsPlaceholder(const std::u16string& text) { return text == GNRAUpdateSession::kTextPlaceholder; }

RWCString Narrow(const std::u16string& text) {
  RWCString narrow;
  ToNarrowString(RWWString(text.data(), text.size()), narrow);
  return narrow;
}

int16_t Clamp16(int64_t value) {
  if (value > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
  if (value < std::numeric_limits<int16_t>::min()) return std::numeric_limits<int16_t>::min();
  return static_cast<int16_t>(value);
}

void SetFlag(MPersistentObject* attribute, int16_t value) {
  if (auto* flag = dynamic_cast<GValueAttribute*>(attribute)) flag->SetValue(value);
}

// The children of a composite, taken before any handler runs.
std::vector<MPersistentObject*> ChildrenOf(MPersistentObject* composite) {
  std::vector<MPersistentObject*> children;
  if (composite == nullptr) return children;
  std::unique_ptr<MPersistentIterator> it(composite->CreateIterator());
  while (it && it->Advance())
    if (it->Current() != nullptr) children.push_back(it->Current());
  return children;
}

bool EqualIgnoringCase(const RWCString& a, const RWCString& b) { return a.Compare(b, 1) == 0; }

bool ContainsIgnoringCase(const RWCString& text, const RWCString& part) {
  return text.FindPattern(part.Data(), part.Length(), 0, 1) != RW_NPOS;
}

}  // namespace

const GNRAUpdateSession::Row GNRAUpdateSession::kHandlers[] = {
    {kAutoConfiguration, GAttributeCompositeClassId, &GNRAUpdateSession::HandleModelName},
    {kDriverWorkSpaceSetting, GRangeAttributeClassId, &GNRAUpdateSession::HandleAvailableMemory},
    {kDiscoveredDuplexUnit, GValueAttributeClassId, &GNRAUpdateSession::HandleDuplexPath},
    {kDiscoveredMemory, GValueAttributeClassId, &GNRAUpdateSession::HandleMemorySize},
    {kDiscoveredPlurexMode, GValueAttributeClassId, &GNRAUpdateSession::HandlePluxMode},
    {kTray1Capacity, GValueAttributeClassId, &GNRAUpdateSession::HandleTray1Capacity},
    {kPaperHandlingDevices, GAttributeCompositeClassId, &GNRAUpdateSession::HandlePaperHandlingDevices},
    {kDiscoveredMediaNames, GAttributeCompositeClassId, &GNRAUpdateSession::HandleMediaNames},
    {kDiscoveredHardDisk, GValueAttributeClassId, &GNRAUpdateSession::HandleDiskStorage},
    {kJobRetentionAvailable, GValueAttributeClassId, &GNRAUpdateSession::HandleHeldJobs},
    {kDiscoveredScanner, GValueAttributeClassId, &GNRAUpdateSession::HandleScannerSource},
    {kDeviceOptions, GAttributeCompositeClassId, &GNRAUpdateSession::HandleDeviceOptions},
};

// ---- Construction ----

GNRAUpdateSession::GNRAUpdateSession(GNRAProvider* provider, const RWCString& registeredName,
                                     GDriverInstance* instance, const RWWString& portName)
    : GProviderSession(provider, instance, portName), nraProvider_(provider), registeredName_(registeredName) {
  if (instance != nullptr) printerName_ = instance->GetPrinterName();
  if (!printerName_.IsEmpty()) {
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, kSessionAccess};
    HANDLE printer = nullptr;
    if (OpenPrinterW(printerName_.Data(), &printer, &defaults)) printer_ = printer;
  }
  AnnounceToAgent();
}

GNRAUpdateSession::~GNRAUpdateSession() {
  if (printer_ != nullptr) ClosePrinter(printer_);
}

int GNRAUpdateSession::HasModelName() { return GetReportedModel().IsEmpty() ? 0 : 1; }

int GNRAUpdateSession::AnnounceToAgent() {
  const int named = WriteString(u"RegistryAgentName", u"QVNRA");
  const int cleared = SetUpdateRequest(0);
  std::u16string model;
  if (ReadString(u"MODEL_NAME", &model)) SetReportedModel(Narrow(model));
  return named && cleared ? 1 : 0;
}

// ---- Printer data ----

int GNRAUpdateSession::ReadDword(const std::u16string& name, DWORD* value) {
  if (printer_ == nullptr) return 0;
  BYTE bytes[4] = {0, 0, 0, 0};
  DWORD type = REG_NONE;
  DWORD needed = 0;
  if (GetPrinterDataW(printer_, name.c_str(), &type, bytes, sizeof bytes, &needed) != ERROR_SUCCESS) return 0;
  if (type != REG_DWORD) return 0;
  *value = static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 | static_cast<DWORD>(bytes[2]) << 16 |
           static_cast<DWORD>(bytes[3]) << 24;
  return 1;
}

int GNRAUpdateSession::ReadBinary(const std::u16string& name, std::vector<BYTE>* bytes) {
  if (printer_ == nullptr) return 0;
  DWORD type = REG_NONE;
  DWORD needed = 0;
  const DWORD status = GetPrinterDataW(printer_, name.c_str(), &type, nullptr, 0, &needed);
  if ((status != ERROR_SUCCESS && status != ERROR_MORE_DATA) || type != REG_BINARY) return 0;
  // An answer larger than any the agent gives is damage, not an answer.
  if (needed > kMaxAnswerBytes) return 0;
  std::vector<BYTE> data(needed);
  DWORD read = 0;
  if (needed != 0 && GetPrinterDataW(printer_, name.c_str(), &type, data.data(), needed, &read) != ERROR_SUCCESS)
    return 0;
  if (type != REG_BINARY || read > needed) return 0;
  data.resize(read);
  *bytes = std::move(data);
  return 1;
}

int GNRAUpdateSession::ReadString(const std::u16string& name, std::u16string* text) {
  if (printer_ == nullptr) return 0;
  DWORD type = REG_NONE;
  DWORD needed = 0;
  const DWORD status = GetPrinterDataW(printer_, name.c_str(), &type, nullptr, 0, &needed);
  if (needed == 0 || (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) || type != REG_SZ) return 0;
  if (needed > kMaxAnswerBytes) return 0;
  // Room for every whole character and a terminator, whether or not the
  // answer carries one.
  const DWORD size = (needed & ~DWORD{1}) + 2;
  std::vector<BYTE> data(size, 0);
  DWORD read = 0;
  if (GetPrinterDataW(printer_, name.c_str(), &type, data.data(), size, &read) != ERROR_SUCCESS) return 0;
  if (type != REG_SZ) return 0;
  if (read > size) read = size;
  std::u16string out;
  for (DWORD i = 0; i + 1 < read; i += 2) {
    const char16_t c = static_cast<char16_t>(data[i] | data[i + 1] << 8);
    if (c == 0) break;
    out.push_back(c);
  }
  *text = std::move(out);
  return 1;
}

int GNRAUpdateSession::WriteDword(const std::u16string& name, DWORD value) {
  if (printer_ == nullptr) return 0;
  const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                         static_cast<BYTE>(value >> 24)};
  return SetPrinterDataW(printer_, name.c_str(), REG_DWORD, bytes, 4) == ERROR_SUCCESS ? 1 : 0;
}

int GNRAUpdateSession::WriteString(const std::u16string& name, const std::u16string& text) {
  if (printer_ == nullptr) return 0;
  // The characters only, without a terminator.
  std::vector<BYTE> bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<BYTE>(c & 0xFF));
    bytes.push_back(static_cast<BYTE>(c >> 8));
  }
  return SetPrinterDataW(printer_, name.c_str(), REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size())) ==
                 ERROR_SUCCESS
             ? 1
             : 0;
}

int GNRAUpdateSession::WriteBinary(const std::u16string& name, const std::vector<BYTE>& bytes) {
  if (printer_ == nullptr) return 0;
  return SetPrinterDataW(printer_, name.c_str(), REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size())) ==
                 ERROR_SUCCESS
             ? 1
             : 0;
}

int GNRAUpdateSession::SetUpdateRequest(DWORD value) { return WriteDword(u"QvrdbUpdateRequest", value); }

// ---- The run ----

int GNRAUpdateSession::WakeAgent() {
  int woken = 0;
  if (SetUpdateRequest(1) && nraProvider_ != nullptr)
    woken = nraProvider_->SendAgentRequest(6) && nraProvider_->SendAgentRequest(1) ? 1 : 0;
  if (!woken) SetUpdateRequest(0);
  if (nraProvider_ != nullptr) nraProvider_->ForgetAgent();
  return woken;
}

int16_t GNRAUpdateSession::Run(MPersistentObject* configuration, int checkModel) {
  configuration_ = configuration;
  checkModel_ = checkModel;
  int16_t result = kMissing;
  MPersistentObject* autoConfiguration =
      configuration != nullptr ? configuration->FindById(kAutoConfiguration) : nullptr;
  if (autoConfiguration != nullptr) {
    const int16_t requested = HandleObject(autoConfiguration, 0);
    if (requested != kDone && requested != kNoHandler) {
      result = requested;
    } else if (!WakeAgent()) {
      result = kAgentDidNotAnswer;
    } else {
      result = HandleObject(autoConfiguration, 1);
    }
  }
  configuration_ = nullptr;
  return result;
}

int16_t GNRAUpdateSession::HandleObject(MPersistentObject* attribute, int pass) {
  if (attribute == nullptr) return kNoHandler;
  for (const Row& row : kHandlers) {
    if (attribute->FeatureId() == row.featureId && attribute->ClassId() == row.classId)
      return (this->*row.handler)(attribute, pass);
  }
  return kNoHandler;
}

int16_t GNRAUpdateSession::HandleChildren(MPersistentObject* composite, int pass) {
  int16_t last = kDone;
  bool sawNoHandler = false;
  bool sawResult = false;
  for (MPersistentObject* child : ChildrenOf(composite)) {
    const int16_t r = HandleObject(child, pass);
    if (r == kNoHandler) {
      sawNoHandler = true;
    } else if (r != kDone) {
      last = r;
      sawResult = true;
    }
  }
  if (sawResult) return last;
  return sawNoHandler ? kNoHandler : kDone;
}

MPersistentObject* GNRAUpdateSession::FindInConfiguration(int32_t id) const {
  return configuration_ != nullptr ? configuration_->FindById(id) : nullptr;
}

bool GNRAUpdateSession::IndexRange(int32_t rangeId, int32_t* first, int32_t* last) const {
  auto* range = dynamic_cast<GRangeAttribute*>(FindInConfiguration(rangeId));
  if (range == nullptr) return false;
  *first = range->GetMin();
  *last = range->GetMax();
  // A damaged range must not make the session flood the printer's data.
  if (*last - *first >= kMaxIndexCount) *last = *first + kMaxIndexCount - 1;
  return *first <= *last;
}

int16_t GNRAUpdateSession::WriteNumberRequests(int32_t rangeId, const char16_t* prefix, const char16_t* suffix) {
  int16_t result = kDone;
  int32_t first = 0, last = -1;
  if (!IndexRange(rangeId, &first, &last)) return result;
  for (int32_t i = first; i <= last; ++i)
    if (!WriteDword(Indexed(prefix, i, suffix), kNumberPlaceholder)) result = kMissing;
  return result;
}

// ---- Row 1: the model ----

int16_t GNRAUpdateSession::HandleModelName(MPersistentObject* attribute, int pass) {
  if (pass == 0) {
    WriteString(u"MODEL_NAME", kTextPlaceholder);
    const int16_t r = HandleChildren(attribute, 0);
    return r == kNoHandler ? kDone : r;
  }
  int16_t r = kMissing;
  std::u16string answer;
  if (ReadString(u"MODEL_NAME", &answer) && !IsPlaceholder(answer)) {
    const RWCString name = Narrow(answer);
    if (checkModel_ == 0) {
      r = kDone;
    } else {
      r = kUnsupportedModel;
      for (MPersistentObject* entry : ChildrenOf(FindInConfiguration(kSupportedModelNames))) {
        auto* supported = dynamic_cast<GStringAttribute*>(entry);
        if (supported != nullptr && EqualIgnoringCase(supported->GetString(), name)) {
          r = kDone;
          break;
        }
      }
    }
    if (r == kDone) {
      if (auto* discovered = dynamic_cast<GStringAttribute*>(attribute->FindById(kDiscoveredModelName)))
        discovered->SetString(name);
      r = HandleChildren(attribute, 1);
      if (r == kNoHandler) r = kDone;
    }
  }
  SetFlag(attribute->FindById(kAutoConfigurationState), r == kDone ? kStateDone : kStateFailed);
  return r;
}

// ---- Rows with one value ----

int32_t GNRAUpdateSession::MemoryUnits(DWORD bytes) {
  // The single-precision value nearest 1/10485; the product is exact in
  // extended precision and truncated towards zero.
  constexpr uint32_t kFactorBits = 0x38C803B6u;
  float factor = 0;
  std::memcpy(&factor, &kFactorBits, sizeof factor);
  const long double product = static_cast<long double>(bytes) * static_cast<long double>(factor);
  return static_cast<int32_t>(std::trunc(product));
}

int16_t GNRAUpdateSession::HandleAvailableMemory(MPersistentObject* attribute, int pass) {
  const std::u16string name = u"HOST-APPLICATION-AVAILABLE-MEMORY";
  if (pass == 0) {
    WriteDword(name, kNumberPlaceholder);
    return kDone;
  }
  DWORD bytes = 0;
  if (ReadDword(name, &bytes) && bytes != kNumberPlaceholder) {
    if (auto* range = dynamic_cast<GRangeAttribute*>(attribute)) range->SetValue(Clamp16(MemoryUnits(bytes)));
  }
  return kDone;
}

int16_t GNRAUpdateSession::HandleDuplexPath(MPersistentObject* attribute, int pass) {
  const std::u16string name = u"prtMediaPathType2";
  if (pass == 0) {
    WriteDword(name, kNumberPlaceholder);
    return kDone;
  }
  DWORD answer = 0;
  if (!ReadDword(name, &answer)) return kMissing;
  SetFlag(attribute, answer != kNumberPlaceholder ? 1 : 0);
  return kDone;
}

int16_t GNRAUpdateSession::HandleMemorySize(MPersistentObject* attribute, int pass) {
  const std::u16string name = u"hrMemorySize";
  if (pass == 0) {
    WriteDword(name, kNumberPlaceholder);
    return kDone;
  }
  DWORD kilobytes = 0;
  if (!ReadDword(name, &kilobytes)) return kMissing;
  if (kilobytes != kNumberPlaceholder) SetFlag(attribute, Clamp16(kilobytes >> 10));
  return kDone;
}

int16_t GNRAUpdateSession::HandlePluxMode(MPersistentObject* attribute, int pass) {
  const std::u16string name = u"PLUX_MODE";
  if (pass == 0) {
    WriteDword(name, kNumberPlaceholder);
    return kDone;
  }
  DWORD mode = 0;
  if (!ReadDword(name, &mode)) return kMissing;
  SetFlag(attribute, mode == 3 || mode == 4 || mode == 5 ? 1 : 0);
  return kDone;
}

int16_t GNRAUpdateSession::HandleTray1Capacity(MPersistentObject* attribute, int pass) {
  const std::u16string name = u"prtInputMaxCapacity1";
  if (pass == 0) {
    WriteDword(name, kNumberPlaceholder);
    return kDone;
  }
  DWORD capacity = 0;
  if (!ReadDword(name, &capacity)) return kMissing;
  SetFlag(attribute, capacity != kNumberPlaceholder ? 1 : 0);
  return kDone;
}

int16_t GNRAUpdateSession::HandleHeldJobs(MPersistentObject* attribute, int pass) {
  const std::u16string name = u"HELD-JOB-ENABLE";
  if (pass == 0) {
    WriteDword(name, kNumberPlaceholder);
    return kDone;
  }
  DWORD answer = 0;
  if (ReadDword(name, &answer)) {
    if (answer == 1) SetFlag(attribute, 0);
    if (answer == 2) SetFlag(attribute, 1);
  }
  return kDone;
}

int16_t GNRAUpdateSession::HandleScannerSource(MPersistentObject* attribute, int pass) {
  const std::u16string name = u"NOT-READY-SOURCE-SCANNER";
  if (pass == 0) return WriteString(name, kTextPlaceholder) ? kDone : kMissing;
  std::u16string answer;
  if (!ReadString(name, &answer)) return kMissing;
  SetFlag(attribute, IsPlaceholder(answer) ? 0 : 1);
  return kDone;
}

// ---- Row 9: disks ----

int16_t GNRAUpdateSession::HandleDiskStorage(MPersistentObject* attribute, int pass) {
  if (pass == 0) return WriteNumberRequests(kDiskStorageIndexRange, u"hrDiskStorageMedia", u"");
  int16_t disks = 0;
  int32_t first = 0, last = -1;
  if (IndexRange(kDiskStorageIndexRange, &first, &last)) {
    for (int32_t i = first; i <= last; ++i) {
      DWORD medium = 0;
      if (ReadDword(Indexed(u"hrDiskStorageMedia", i, u""), &medium) && medium == kHardDisk) ++disks;
    }
  }
  SetFlag(attribute, disks);
  return kDone;
}

// ---- Row 8: media names ----

int16_t GNRAUpdateSession::HandleMediaNames(MPersistentObject* attribute, int pass) {
  const std::u16string available = u"Media-Names-Available";
  int32_t first = 0, last = -1;
  const bool haveRange = IndexRange(kMediaNameIndexRange, &first, &last);
  if (pass == 0) {
    int16_t result = kDone;
    for (int32_t i = first; haveRange && i <= last; ++i) {
      if (!WriteString(Indexed(u"MEDIA", i, u"-NAME"), kTextPlaceholder)) result = kMissing;
      WriteDword(available, kNumberPlaceholder);
    }
    return result;
  }
  attribute->RemoveAllChildren();
  DWORD mask = 0;
  if (!ReadDword(available, &mask)) return kDone;
  for (int32_t i = first; haveRange && i <= last; ++i) {
    // Index 1 is bit 0; an index outside 1-32 has no bit in the mask.
    const bool listed = mask == kNumberPlaceholder || (i >= 1 && i <= 32 && (mask >> (i - 1) & 1) != 0);
    if (!listed) continue;
    std::u16string name;
    if (ReadString(Indexed(u"MEDIA", i, u"-NAME"), &name) && !IsPlaceholder(name)) {
      const int32_t noId = 0;
      attribute->AddChild(new GStringAttribute(Narrow(name), &noId));
    }
  }
  return kDone;
}

// ---- Row 7: paper-handling devices ----

int32_t GNRAUpdateSession::InputIndexOfTray(int16_t trayNumber) {
  switch (trayNumber) {
    case 1:
    case 2:
      return 2;
    case 3:
      return 3;
    case 4:
      return 5;
    case 5:
      return 4;
    case 6:
      return 1;
    case 13:
      return 5;
    case 20:
      return 6;
    default:
      break;
  }
  if (trayNumber >= 21 && trayNumber <= 26) return trayNumber - 14;
  return 0;
}

int GNRAUpdateSession::TraysMatchCapacities(MPersistentObject* option, const std::vector<TrayRecord>& records) {
  bool anyTray = false;
  for (MPersistentObject* child : ChildrenOf(option)) {
    auto* tray = dynamic_cast<GTray*>(child);
    if (tray == nullptr) continue;
    anyTray = true;
    const int32_t index = InputIndexOfTray(tray->GetTrayNumber());
    if (index == 0) return 0;
    for (const TrayRecord& record : records) {
      if (record.first == index) {
        if (tray->GetCapacity() != record.second) return 0;
        break;
      }
    }
  }
  return anyTray ? 1 : 0;
}

int16_t GNRAUpdateSession::DecodeDeviceMemory(const std::vector<BYTE>& bytes) {
  if (bytes.size() <= 2 || bytes[0] != 1) return 0;
  switch (bytes[1]) {
    case 1:
      return 4;
    case 2:
      return 3;
    case 3:
      return 5;
    case 4:
      return 2;
    default:
      return 0;
  }
}

int16_t GNRAUpdateSession::HandlePaperHandlingDevices(MPersistentObject* attribute, int pass) {
  int32_t first = 0, last = -1;
  if (pass == 0) {
    int16_t result = kDone;
    if (IndexRange(kOutputBinIndexRange, &first, &last)) {
      for (int32_t i = first; i <= last; ++i)
        if (!WriteString(Indexed(u"prtOutputName", i, u""), kTextPlaceholder)) result = kMissing;
    }
    if (IndexRange(kInputTrayIndexRange, &first, &last)) {
      for (int32_t i = first; i <= last; ++i) {
        if (!WriteString(Indexed(u"prtInputModel", i, u""), kTextPlaceholder)) result = kMissing;
        if (!WriteDword(Indexed(u"prtInputMaxCapacity", i, u""), kNumberPlaceholder)) result = kMissing;
      }
    }
    if (IndexRange(kPaperHandlingDeviceIndexRange, &first, &last)) {
      for (int32_t i = first; i <= last; ++i) {
        if (!WriteString(Indexed(u"PHD", i, u"-MODEL"), kTextPlaceholder)) result = kMissing;
        if (!WriteBinary(Indexed(u"PHD", i, u"-DEVICE-MEMORY"), {})) result = kMissing;
      }
    }
    return result;
  }

  DetectDevices(attribute);

  // Bin names, in index order; a placeholder answer is an empty name.
  std::vector<RWCString> names;
  if (!IndexRange(kOutputBinIndexRange, &first, &last)) {
    first = 0;
    last = -1;
  }
  for (int32_t i = first; i <= last; ++i) {
    std::u16string name;
    if (!ReadString(Indexed(u"prtOutputName", i, u""), &name)) return kMissing;
    names.push_back(IsPlaceholder(name) ? RWCString() : Narrow(name));
  }
  ApplyOutputBinNames(attribute, names, first, last);
  return kDone;
}

void GNRAUpdateSession::DetectDevices(MPersistentObject* devices) {
  int32_t first = 0, last = -1;

  // 1. The accessories the printer reports, with their memory answers.
  std::vector<RWCString> models;
  std::vector<std::vector<BYTE>> memories;
  if (IndexRange(kPaperHandlingDeviceIndexRange, &first, &last)) {
    for (int32_t i = first; i <= last; ++i) {
      std::u16string model;
      if (!ReadString(Indexed(u"PHD", i, u"-MODEL"), &model) || IsPlaceholder(model)) continue;
      std::vector<BYTE> memory;
      if (!ReadBinary(Indexed(u"PHD", i, u"-DEVICE-MEMORY"), &memory)) memory.clear();
      models.push_back(Narrow(model));
      memories.push_back(std::move(memory));
    }
  }

  // 2. The capacities of the input trays; without all of them nothing is
  // detected.
  std::vector<TrayRecord> records;
  if (IndexRange(kInputTrayIndexRange, &first, &last)) {
    for (int32_t i = first; i <= last; ++i) {
      DWORD capacity = 0;
      if (!ReadDword(Indexed(u"prtInputMaxCapacity", i, u""), &capacity)) return;
      records.emplace_back(i, capacity == kNumberPlaceholder ? 0 : static_cast<int32_t>(capacity));
    }
  }

  // 3. Each optional or configurable accessory: which option it has and
  // whether it is there.
  for (MPersistentObject* child : ChildrenOf(devices)) {
    auto* device = dynamic_cast<GPaperHandlingDevice*>(child);
    if (device == nullptr || (!device->IsInstallable() && device->GetOptionCount() <= 1)) continue;
    int found = 0;
    const int32_t mode = device->GetDetectionMode();
    if (mode == 3) {
      if (device->GetKind() == GPaperHandlingDevice::kInputDevice) {
        const int16_t remembered = device->GetSelectedOption();
        RWShortList keys;
        device->GetOptionKeys(keys);
        RWSlistLink* link = keys.AsSlist().First();
        for (size_t k = 0; k < keys.Count() && link != nullptr; ++k, link = link->next) {
          const int16_t key = static_cast<RWShortListNode*>(link)->value;
          device->SelectOption(key);
          if (TraysMatchCapacities(device->GetOption(key), records)) {
            found = 1;
            break;
          }
        }
        if (!found) device->SelectOption(remembered);
      }
    } else if (mode == 1 || mode == 2) {
      const RWCString deviceName = device->GetName();
      for (size_t k = 0; k < models.size(); ++k) {
        const bool match =
            mode == 1 ? ContainsIgnoringCase(models[k], deviceName) : EqualIgnoringCase(models[k], deviceName);
        if (!match) continue;
        found = 1;
        if (device->GetOptionSource() == 1) {
          const int16_t key = DecodeDeviceMemory(memories[k]);
          device->SelectOption(key != 0 && device->HasOption(key) ? key : 0);
        }
        break;
      }
    }
    if (device->IsInstallable()) device->SetInstalled(found);
  }
}

void GNRAUpdateSession::ApplyOutputBinNames(MPersistentObject* devices, const std::vector<RWCString>& names,
                                            int32_t first, int32_t last) {
  MPersistentObject* binNames = FindInConfiguration(kDiscoveredBinNames);
  if (binNames != nullptr) binNames->RemoveAllChildren();
  int32_t n = 0;
  size_t m = 0;
  for (MPersistentObject* child : ChildrenOf(devices)) {
    auto* device = dynamic_cast<GPaperHandlingDevice*>(child);
    if (device == nullptr || device->GetKind() != GPaperHandlingDevice::kOutputDevice || !device->IsInstalled())
      continue;
    for (MPersistentObject* entry : ChildrenOf(device)) {
      auto* bin = dynamic_cast<GBin*>(entry);
      if (bin == nullptr) continue;
      ++n;
      if (n < first || n > last || m >= names.size()) continue;
      const int16_t type = bin->GetBinType();
      if (device->GetSelectedOption() == kMailboxOption && type >= 4 && type <= 19 && binNames != nullptr) {
        const int32_t noId = 0;
        binNames->AddChild(new GStringAttribute(names[m], &noId));
      }
      bin->SetName(names[m]);
      ++m;
    }
  }
}

// ---- Row 12: accessory options ----

int16_t GNRAUpdateSession::HandleDeviceOptions(MPersistentObject* attribute, int pass) {
  if (pass == 0) return WriteNumberRequests(kPaperHandlingDeviceIndexRange, u"PHD", u"-NUMBER-OF-OPTIONS");

  int32_t first = 0, last = -1;
  const bool haveRange = IndexRange(kPaperHandlingDeviceIndexRange, &first, &last);
  // The option count of one accessory, capped: the count is the agent's.
  auto optionCount = [&](int32_t device, DWORD* count) {
    if (!ReadDword(Indexed(u"PHD", device, u"-NUMBER-OF-OPTIONS"), count) || *count == kNumberPlaceholder) return false;
    if (*count > kMaxOptionsPerDevice) *count = kMaxOptionsPerDevice;
    return true;
  };

  // 1. Ask for every reported option's description and model.
  int16_t result = kDone;
  bool anyOption = false;
  for (int32_t i = first; haveRange && i <= last; ++i) {
    DWORD count = 0;
    if (!optionCount(i, &count)) continue;
    if (count != 0) anyOption = true;
    for (DWORD j = 1; j <= count; ++j) {
      if (!WriteString(OptionValue(i, j, u"-DESCRIPTION"), kTextPlaceholder)) result = kMissing;
      if (!WriteString(OptionValue(i, j, u"-OPTION_MODEL"), kTextPlaceholder)) result = kMissing;
    }
  }

  // 2. The agent answers them.
  if (!WakeAgent()) return kAgentDidNotAnswer;

  // 3. The reported option models.
  std::vector<RWCString> optionModels;
  for (int32_t i = first; haveRange && i <= last; ++i) {
    DWORD count = 0;
    if (!optionCount(i, &count) || count == 0) continue;
    for (DWORD j = 1; j <= count; ++j) {
      std::u16string model;
      if (!ReadString(OptionValue(i, j, u"-OPTION_MODEL"), &model)) return kMissing;
      if (!IsPlaceholder(model)) optionModels.push_back(Narrow(model));
    }
  }

  // 4. Each entry's target tells whether its model was reported; without
  // any reported option the targets keep their values.
  if (!anyOption) return result;
  for (MPersistentObject* entry : ChildrenOf(attribute)) {
    RWCString key;
    if (auto* model = dynamic_cast<GStringAttribute*>(entry->FindById(kOptionModelToMatch))) key = model->GetString();
    int32_t targetId = 0;
    if (!GSettingQuery::Number(entry->FindById(kOptionTargetId), &targetId, GSettingQuery::kValueOrRange)) continue;
    MPersistentObject* target = entry->FindById(targetId);
    bool reported = false;
    for (const RWCString& model : optionModels) {
      if (EqualIgnoringCase(model, key)) {
        reported = true;
        break;
      }
    }
    if (auto* flag = dynamic_cast<GValueAttribute*>(target)) {
      flag->SetValue(reported ? 1 : 0);
    } else if (auto* text = dynamic_cast<GStringAttribute*>(target)) {
      text->SetString(reported ? key : RWCString());
    }
  }
  return result;
}
