#include "winnt40/GNT40PrinterDevMode.h"

#include <zlib.h>

#include <cstring>
#include <vector>

#include "driver/DevmodePrivateArea.h"
#include "driver/GSettingValue.h"
#include "driver/GSpoolerFormServices.h"
#include "model/GAttributeComposite.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "win32/Kernel.h"
#include "win32/Spooler.h"
#include "winnt40/GNT40DriverSettings.h"

namespace {

using PA = DevmodePrivateArea;

#define DM_OFFSET(field) offsetof(DEVMODEW, field)

GDriverInstance* InstanceOf(GSpoolerFormServices* owner) { return owner; }

// The datatypes of the spooler's EMF print path.
bool IsEmfDatatypeName(const WCHAR* name) {
  static const char16_t* const kNames[] = {u"NT EMF 1.003", u"NT EMF 1.006", u"NT EMF 1.007", u"NT EMF 1.008"};
  const RWWString text(name);
  for (const char16_t* candidate : kNames)
    if (text == candidate) return true;
  return false;
}

}  // namespace

GNT40PrinterDevMode::GNT40PrinterDevMode(GSpoolerFormServices* owner, HANDLE printer)
    : GNT40DevMode(InstanceOf(owner)), owner_(owner) {
  if (printer == nullptr || TakePrinterDevMode(printer) == 0) SetDefaults();
  TakeDefaultSettingsIfNone();
}

GNT40PrinterDevMode::GNT40PrinterDevMode(GSpoolerFormServices* owner, WithoutSettings)
    : GNT40DevMode(InstanceOf(owner)), owner_(owner) {
  SetDefaults();
}

void GNT40PrinterDevMode::TakeDefaultSettingsIfNone() {
  if (GetSettings() == nullptr && GetInstance() != nullptr) AdoptSettings(GetInstance()->CreateDefaultSettings());
}

int GNT40PrinterDevMode::TakePrinterDevMode(HANDLE printer) {
  if (LoadFromPrinter(printer) == 0) return 0;
  // The same printer DEVMODE taken before, with nothing it was made from
  // changed since: the kept take.
  GNT40TakenDevMode* kept = KeptTakes();
  GNT40TakenDevMode::Source source;
  if (kept != nullptr) {
    source = DescribeTake();
    if (const GNT40TakenDevMode::Taken* taken = kept->Find(source)) {
      auto* copy = dynamic_cast<GAttributeComposite*>(taken->restored->settings->DeepCopy());
      if (copy != nullptr) {
        std::memcpy(Buffer(), taken->buffer.data(), PA::kTotalSize);
        AdoptSettings(copy);
        SetRestored(taken->restored);
        return 1;
      }
    }
  }
  // The printer's settings: in the current form, else in an old one.
  bool sound = true;
  GAttributeComposite* settings = IsSettingsAreaWhole(Buffer()) ? ReadPrivate(GetBuffer(), 0) : nullptr;
  if (settings != nullptr) {
    RememberRestored(Buffer(), settings);
    AdoptSettings(settings);
    ApplyColorPolicy();
  } else {
    sound = false;
    settings = ReadOldForms(Buffer());
    if (settings != nullptr) {
      AdoptSettings(settings);
    } else {
      // Settings that cannot be read in any form are not handed on: the
      // object keeps (or takes) the driver's defaults.
      EmptySettingsArea();
    }
  }
  TakeDefaultSettingsIfNone();
  // The printer's DEVMODE is handed out as the default of every job, so it
  // is checked as strictly as an application's. One that fails is written
  // again from the settings (the printer's own when they could be read,
  // else the driver's defaults), and the printer keeps the repaired copy.
  if (GetSettings() != nullptr && (!sound || !IsTakenDevModeSound())) {
    SetDefaults();
    SetSettings(nullptr);
    repaired_ = 1;
    StoreRepairedDevMode(printer);
  } else if (kept != nullptr && sound && Restored() != nullptr) {
    GNT40TakenDevMode::Taken taken;
    taken.buffer.assign(Buffer(), Buffer() + PA::kTotalSize);
    taken.restored = Restored();
    kept->Keep(std::move(source), std::move(taken));
  }
  return 1;
}

GNT40TakenDevMode* GNT40PrinterDevMode::KeptTakes() {
  auto* driver = dynamic_cast<GNT40DriverSettings*>(owner_);
  return driver != nullptr ? &driver->TakenDevMode() : nullptr;
}

GNT40TakenDevMode::Source GNT40PrinterDevMode::DescribeTake() {
  GNT40TakenDevMode::Source source;
  // The revision first: a write after it makes the take stale, not kept.
  source.revision = GNT40TakenDevMode::PrinterRevision();
  source.printer = loadedPrinterName_;
  source.loaded.assign(Buffer(), Buffer() + PA::kTotalSize);
  source.emf = IsEmfFlagSet();
  if (GDriverInstance* instance = GetInstance()) {
    source.appFlags = instance->GetAppFlags();
    source.colorCapability = instance->GetColorCapability();
  }
  auto* driver = dynamic_cast<GNT40DriverSettings*>(owner_);
  if (driver != nullptr) source.forms = driver->FormsForTake();
  return source;
}

bool GNT40PrinterDevMode::IsSettingsAreaWhole(const uint8_t* dm) {
  const uint16_t length = PA::GetWord(dm, PA::kSettingsLengthOffset);
  if (length == 0 || length > PA::kSettingsCapacity) return false;
  // One zlib stream that ends exactly at the stored length.
  std::vector<uint8_t> scratch(4096);
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return false;
  stream.next_in = const_cast<Bytef*>(dm + PA::kSettingsOffset);
  stream.avail_in = length;
  int result = Z_OK;
  while (result == Z_OK) {
    stream.next_out = scratch.data();
    stream.avail_out = static_cast<uInt>(scratch.size());
    result = inflate(&stream, Z_NO_FLUSH);
    if (result == Z_BUF_ERROR && stream.avail_in == 0) break;
  }
  const bool whole = result == Z_STREAM_END && stream.avail_in == 0;
  inflateEnd(&stream);
  return whole;
}

bool GNT40PrinterDevMode::IsTakenDevModeSound() {
  const DEVMODEW* taken = GetBuffer();
  // Only the fields the driver handles, each as Validate accepts it.
  if ((PA::GetFields(Buffer()) & ~kHandledFields) != 0) return false;
  uint32_t bad = 0;
  if (Validate(nullptr, taken, 1, &bad) != 1) return false;
  // The public fields say what the settings say.
  std::vector<uint8_t> derived(Buffer(), Buffer() + PA::kTotalSize);
  if (SettingsToPublic(GetSettings(), reinterpret_cast<DEVMODEW*>(derived.data())) != 1) return false;
  return std::memcmp(derived.data(), Buffer(), PA::kPublicSize) == 0;
}

void GNT40PrinterDevMode::StoreRepairedDevMode(HANDLE printer) {
  const DWORD lastError = GetLastError();
  DWORD needed = 0;
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  if (needed != 0) {
    std::vector<BYTE> info(needed);
    if (GetPrinterW(printer, 2, info.data(), needed, &needed)) {
      auto* record = reinterpret_cast<PRINTER_INFO_2W*>(info.data());
      record->pDevMode = GetBuffer();
      record->pSecurityDescriptor = nullptr;
      // A handle without the right to change the printer leaves the stored
      // copy as it is; the next write of the printer's DEVMODE mends it.
      SetPrinterW(printer, 2, info.data(), 0);
      const GNT40TakenDevMode::PrinterWrite noteWrite;
    }
  }
  SetLastError(lastError);
}

GNT40PrinterDevMode::GNT40PrinterDevMode(const GNT40PrinterDevMode& other) = default;

GNT40PrinterDevMode::~GNT40PrinterDevMode() = default;

int GNT40PrinterDevMode::LoadFromPrinter(HANDLE printer) {
  DWORD needed = 0;
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  if (needed == 0) return 0;
  std::vector<BYTE> buffer(needed);
  if (!GetPrinterW(printer, 2, buffer.data(), needed, &needed)) return 0;
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  loadedPrinterName_ = info->pPrinterName != nullptr ? RWWString(info->pPrinterName) : RWWString();
  if (info->pDatatype != nullptr) SetEmfFlag(IsEmfDatatypeName(info->pDatatype) ? 1 : 0);
  if (info->pDevMode == nullptr) return 0;

  // The DEVMODE must lie inside the answer before any of it is read.
  const auto* dm = reinterpret_cast<const uint8_t*>(info->pDevMode);
  const uint8_t* end = buffer.data() + buffer.size();
  if (dm < buffer.data() || dm > end || static_cast<size_t>(end - dm) < PA::kHeadSize) return 0;
  if (PA::GetWord(dm, DM_OFFSET(dmSpecVersion)) != GetSpecVersion() ||
      PA::GetWord(dm, DM_OFFSET(dmDriverExtra)) != PA::kDriverExtra ||
      PA::GetWord(dm, DM_OFFSET(dmSize)) != PA::kPublicSize || static_cast<size_t>(end - dm) < PA::kTotalSize ||
      PA::GetWord(dm, PA::kFormatTagOffset) != PA::kFormatTag)
    return 0;
  std::memcpy(Buffer(), dm, PA::kTotalSize);
  // The words that are constants of this layout, the driver's version, its
  // tag and the printer's name are the driver's own: where the stored copy
  // (registry data) lost them, they are put back, so that the DEVMODE handed
  // out is one the driver takes again as its own.
  PA::SetWord(Buffer(), PA::kPrivateSizeOffset, static_cast<uint16_t>(GetTotalSize()));
  PA::SetWord(Buffer(), PA::kHeaderSizeOffset, static_cast<uint16_t>(GetPrivateHeaderSize()));
  PA::SetWord(Buffer(), PA::kSettingsCapacityOffset, static_cast<uint16_t>(PA::kSettingsCapacity));
  PA::SetWord(Buffer(), DM_OFFSET(dmDriverVersion), static_cast<uint16_t>(GetDriverVersion()));
  if (GetInstance() != nullptr) AttachInstance(GetInstance());
  // A settings length past the area's room cannot be read; the area is
  // emptied rather than handed on.
  if (PA::GetWord(Buffer(), PA::kSettingsLengthOffset) > PA::kSettingsCapacity) EmptySettingsArea();
  SetLoadedFromPrinter(1);
  ApplyColorPolicy();
  return 1;
}

void GNT40PrinterDevMode::EmptySettingsArea() {
  PA::SetWord(Buffer(), PA::kSettingsLengthOffset, 0);
  std::memset(Buffer() + PA::kSettingsOffset, 0, PA::kSettingsCapacity);
}

int GNT40PrinterDevMode::IsDriverDevmode(const DEVMODEW* dm) {
  if (dm == nullptr) return 0;
  // The head first: the private header is read only once the extent is
  // known to reach it.
  if (PA::GetWord(dm, DM_OFFSET(dmSpecVersion)) != GetSpecVersion() ||
      PA::GetWord(dm, DM_OFFSET(dmSize)) != GetPublicSize() ||
      PA::GetWord(dm, DM_OFFSET(dmDriverExtra)) != GetPrivateHeaderSize() + GetSettingsAreaSize())
    return 0;
  return (PA::GetWord(dm, PA::kPrivateSizeOffset) == GetTotalSize() &&
          PA::GetWord(dm, PA::kHeaderSizeOffset) == GetPrivateHeaderSize() &&
          PA::GetWord(dm, PA::kFormatTagOffset) == PA::kFormatTag &&
          GetSettingsAreaSize() - PA::GetWord(dm, PA::kSettingsCapacityOffset) == 4)
             ? 1
             : 0;
}

int GNT40PrinterDevMode::CopyTo(DEVMODEW* out) {
  if (out == nullptr) return 0;
  if (GetInstance() != nullptr && (GetInstance()->GetAppFlags() & kAppFlagsPublicOnly) != 0) {
    CopyPublicOut(out);
    PA::SetWord(out, DM_OFFSET(dmDriverExtra), 0);
    PA::SetWord(out, DM_OFFSET(dmSize), static_cast<uint16_t>(PA::kPublicSize));
    return 1;
  }
  return GNT40DevMode::CopyTo(out);
}

int GNT40PrinterDevMode::SettingsToPublic(GAttributeComposite* settings, DEVMODEW* dm) {
  const int r = GNT40DevMode::SettingsToPublic(settings, dm);
  if (r != 1) return r;
  bool named = false;
  int16_t paperId = 0;
  int16_t spoolerPaper = 0;
  if (PA::GetShort(dm, DM_OFFSET(dmDefaultSource)) == DMBIN_FORMSOURCE && owner_ != nullptr &&
      GSettingValue::Get16(settings, GFeatureIds::kPaperSize, &paperId) &&
      owner_->PaperIdToDmPaper(paperId, &spoolerPaper) != 0 && spoolerPaper > 0) {
    GSpoolerFormList forms(owner_->GetPrinterHandle());
    if (forms.Count() >= static_cast<size_t>(spoolerPaper)) {
      PA::SetWideField(Buffer(), DM_OFFSET(dmFormName), CCHFORMNAME,
                       forms.At(static_cast<size_t>(spoolerPaper) - 1).name);
      PA::SetFieldBits(Buffer(), DM_FORMNAME);
      named = true;
    }
  }
  if (!named) PA::ClearFieldBits(dm, DM_FORMNAME);
  return r;
}

int GNT40PrinterDevMode::PublicToSettings(const DEVMODEW* dm, GAttributeComposite* settings) {
  const int r = GNT40DevMode::PublicToSettings(dm, settings);
  if (r != 1 || PA::GetShort(dm, DM_OFFSET(dmDefaultSource)) != DMBIN_FORMSOURCE ||
      (PA::GetFields(dm) & DM_FORMNAME) == 0)
    return r;
  const int flag = GSettingValue::GetOr(Configuration(), GFeatureIds::kScaleFromLargePaper, 0) == 0 ? 1 : 0;
  int16_t index = 0;
  int16_t paperId = 0;
  const RWWString name = PA::GetWideField(dm, DM_OFFSET(dmFormName), CCHFORMNAME);
  if (FormIndexForName(name, &index, flag) == 1 && owner_ != nullptr && owner_->DmPaperToPaperId(index, &paperId) != 0)
    GSettingValue::Set(settings, GFeatureIds::kPaperSize, paperId);
  else if (GetInstance() != nullptr)
    GSettingValue::Set(settings, GFeatureIds::kPaperSize, GetInstance()->GetDefaultPaperId());
  return r;
}

int GNT40PrinterDevMode::FindFormIndex(const RWWString& name, int16_t* index, int16_t x, int16_t y,
                                       int16_t orientation, int flag) {
  if (owner_ == nullptr) return 0;
  GSpoolerFormList forms(owner_->GetPrinterHandle());
  for (size_t i = 0; i < forms.Count() && i < 0x7FFF; ++i) {
    if (!(forms.At(i).name == name)) continue;
    GPaperRequest request;
    request.orientation = orientation;
    request.resolution[0] = x;
    request.resolution[1] = y;
    request.customLimits = flag;
    request.spoolerPaper = static_cast<int16_t>(i + 1);
    const int result = owner_->IsPaperSupported(&request);
    if (result == 1) *index = static_cast<int16_t>(i + 1);
    return result;
  }
  return 0;
}

int GNT40PrinterDevMode::FormIndexForName(const RWWString& name, int16_t* index, int flag) {
  const int16_t orientation =
      PA::GetShort(Buffer(), DM_OFFSET(dmOrientation)) == DMORIENT_LANDSCAPE ? int16_t{90} : int16_t{0};
  return FindFormIndex(name, index, GetXResolution(), GetYResolution(), orientation, flag);
}
