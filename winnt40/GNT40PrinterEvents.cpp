#include "winnt40/GNT40PrinterEvents.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "driver/GDriverInstance.h"
#include "driver/MassStorageFonts.h"
#include "driver/osfactry.h"
#include "win32/Module.h"
#include "win32/Rpc.h"
#include "winnt40/GNT40PrinterSetup.h"

namespace {

// The DIMM font devices.
constexpr int kFirstDimmDevice = 6;
constexpr int kLastDimmDevice = 9;
// Device states in the two-bit "DisabledMSDs" fields.
constexpr int kDeviceEnabled = 1;
constexpr int kDeviceDisabled = 2;

// dmFields bits of the DEVMODE fields that validation can reject.
constexpr DWORD kPaperSizeField = 0x2;
constexpr DWORD kPaperLengthField = 0x4;
constexpr DWORD kPaperWidthField = 0x8;
constexpr DWORD kDefaultSourceField = 0x200;
constexpr DWORD kPrintQualityField = 0x400;
constexpr DWORD kDuplexField = 0x1000;
constexpr DWORD kYResolutionField = 0x2000;
constexpr DWORD kCollateField = 0x8000;
constexpr DWORD kFormNameField = 0x10000;

}  // namespace

GNT40PrinterEvents::GNT40PrinterEvents(GDriverInstance* instance) : instance_(instance) {}

BOOL GNT40PrinterEvents::HandleEvent(const RWWString& printerName, int event) {
  // The connection operations do not add forms, so no handle is needed.
  GNT40PrinterSetup setup(instance_, nullptr);
  switch (event) {
    case kPrinterEventAddConnection:
    case kPrinterEventCacheRefresh:
      setup.FetchServerFontFiles(printerName);
      return TRUE;
    case kPrinterEventDeleteConnection:
    case kPrinterEventCacheDelete:
      setup.DeleteServerFontFiles(printerName);
      return TRUE;
    case kPrinterEventDelete:
      return TRUE;
    default:
      return FALSE;
  }
}

void GNT40PrinterEvents::WriteUpdateStamp(const RWWString& date, const RWWString& type) {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return;
  factory->SetPrinterDataString(instance_, RWWString(u"LastUpdated"), date);
  factory->SetPrinterDataString(instance_, RWWString(u"LastUpdateType"), type);
}

int GNT40PrinterEvents::WritePrinterUuid() {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return 0;
  UUID uuid{};
  UuidCreate(&uuid);
  RPC_WSTR text = nullptr;
  if (UuidToStringW(&uuid, &text) != RPC_S_OK || text == nullptr) return 0;
  const RWWString value(text);
  RpcStringFreeW(&text);
  return factory->SetPrinterDataString(instance_, RWWString(u"PrinterUUID"), value);
}

RWWString GNT40PrinterEvents::UpdateDateText() {
  GOSFactory* factory = GOSFactory::GetInstance();
  GDateTime now;
  if (factory == nullptr || !factory->GetDateTime(&now, nullptr, nullptr)) return RWWString();
  char text[64];
  std::snprintf(text, sizeof text, "%2.2d%s%2.2d%s%4.4d", now.month, "/ ", now.day, "/ ", now.year);
  return RWWString(text);
}

int GNT40PrinterEvents::MigrateStoredSettings() {
  if (instance_ == nullptr || !instance_->ReencodeNumberedObject(365)) return 0;
  int migrated = 1;
  // "DisabledMSDs" keeps two bits per device (1 enabled, 2 disabled); a DIMM
  // that is not marked disabled becomes enabled.
  for (int device = kFirstDimmDevice; device <= kLastDimmDevice; ++device) {
    if ((GetFontDeviceState(instance_, device) & kDeviceDisabled) == 0)
      SetFontDeviceState(instance_, device, kDeviceEnabled);
  }
  if (!instance_->ReencodeNumberedObject(366)) migrated = 0;
  if (!instance_->ReencodeNumberedObject(368)) migrated = 0;
  instance_->ReencodeNamedObject(RWWString(u"QuicksetPool"));
  return migrated;
}

UINT GNT40PrinterEvents::MessageForRejectedFields(DWORD rejectedFields) {
  switch (rejectedFields) {
    case kPaperSizeField:
    case kPaperLengthField:
    case kPaperWidthField:
    case kPaperLengthField | kPaperWidthField:
    case kFormNameField:
      return kPaperSizeNotSupported;
    case kDefaultSourceField:
      return kTrayNotInstalled;
    case kPrintQualityField:
    case kYResolutionField:
    case kPrintQualityField | kYResolutionField:
      return kInvalidResolution;
    case kDuplexField:
      return kDuplexNotInstalled;
    case kCollateField:
      return kCollationNotEnabled;
    default:
      return kInvalidDevMode;
  }
}

void GNT40PrinterEvents::ReportMessage(HMODULE resources, UINT id, LPWSTR text, DWORD capacity, DWORD* needed) {
  if (text == nullptr) capacity = 0;
  // The message is loaded whole and then cut to the caller's buffer. A
  // string resource holds at most 65535 characters, so the load needs no
  // more room than that whatever capacity the caller names (a huge one would
  // otherwise ask for gigabytes, or wrap the count around to nothing).
  const DWORD size = std::min(std::max(capacity, kMessageBuffer), kLongestString + 1);
  std::vector<WCHAR> message(size + 1, 0);
  const int length = resources != nullptr ? LoadStringW(resources, id, message.data(), static_cast<int>(size)) : 0;
  if (length > 0) {
    // A buffer of no characters gets nothing, not even a terminator; the
    // size needed is still reported.
    if (capacity > 0) {
      const DWORD copied = std::min<DWORD>(static_cast<DWORD>(length), capacity - 1);
      std::copy(message.data(), message.data() + copied, text);
      text[copied] = 0;
    }
    if (needed != nullptr) *needed = static_cast<DWORD>(length) + 1;
  } else if (capacity > 1) {
    text[0] = 0;
    if (needed != nullptr) *needed = 2;
  }
}
