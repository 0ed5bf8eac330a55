#include "driver/MassStorageFonts.h"

#include "driver/osfactry.h"
#include "win32/CRuntime.h"
#include "win32/File.h"

namespace {

const WCHAR* const kDeviceNames[kFontDeviceCount] = {
    u"ROMAddOnFonts1", u"ROMAddOnFonts2", u"DiskFonts1", u"DiskFonts2", u"FlashFonts1",
    u"FlashFonts2",    u"DIMMFonts1",     u"DIMMFonts2", u"DIMMFonts3", u"DIMMFonts4",
};

const int32_t kDeviceIds[kFontDeviceCount] = {416, 417, 420, 421, 418, 419, 422, 423, 428, 429};

const WCHAR kDisabledDevices[] = u"DisabledMSDs";
const WCHAR kFontsPresent[] = u"MassStorageFonts";

constexpr int kFirstDimmDevice = 6;
constexpr int kDisabledState = 2;

bool ValidIndex(int deviceIndex) { return deviceIndex >= 0 && deviceIndex < kFontDeviceCount; }

DWORD DisabledDeviceMask(GOSFactory* factory, GDriverInstance* printer) {
  const DWORD mask = factory->GetPrinterDataDword(printer, kDisabledDevices, 0xFFFFFFFFu);
  // A missing value reads as -1, which means no state for any device.
  return mask == 0xFFFFFFFFu ? 0 : mask;
}

// True when path starts with directory followed by a backslash; paths
// compare without regard to case.
bool IsInDirectory(const RWWString& path, const RWWString& directory) {
  const size_t n = directory.Length();
  if (n == 0 || path.Length() <= n || path[n] != u'\\') return false;
  for (size_t i = 0; i < n; ++i) {
    if (crt::towupper(path[i]) != crt::towupper(directory[i])) return false;
  }
  return true;
}

bool SamePath(const RWWString& a, const RWWString& b) {
  if (a.Length() != b.Length()) return false;
  for (size_t i = 0; i < a.Length(); ++i) {
    if (crt::towupper(a[i]) != crt::towupper(b[i])) return false;
  }
  return true;
}

// A bare file name stands for that file of the driver directory.
RWWString InDriverDirectory(const RWWString& path, const RWWString& directory) {
  if (path.IsEmpty() || path.FindChar(u'\\') != RW_NPOS) return path;
  RWWString full = directory;
  full.AppendText(u"\\");
  full.AppendText(path.Data());
  return full;
}

}  // namespace

const WCHAR* FontDeviceValueName(int deviceIndex) {
  return ValidIndex(deviceIndex) ? kDeviceNames[deviceIndex] : nullptr;
}

int32_t FontDeviceId(int deviceIndex) { return ValidIndex(deviceIndex) ? kDeviceIds[deviceIndex] : 0; }

void GetFontDeviceFilePath(RWWString* out, GDriverInstance* printer, int deviceIndex) {
  if (out == nullptr) return;
  *out = RWWString();
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr || !ValidIndex(deviceIndex)) return;
  RWWString value = factory->GetPrinterDataString(printer, kDeviceNames[deviceIndex], RWWString());
  if (value.IsEmpty()) return;
  if (value.FindChar(u'\\') != RW_NPOS) {
    *out = value;
    return;
  }
  *out = InDriverDirectory(value, factory->GetDriverDirectory());
}

int SetFontDeviceFilePath(GDriverInstance* printer, int deviceIndex, RWWString path) {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr || !ValidIndex(deviceIndex)) return 0;
  const RWWString directory = factory->GetDriverDirectory();
  RWWString stored = path;
  // Only a leading directory part is dropped, with its separator: a path
  // that merely holds the directory's text further on is stored whole.
  if (IsInDirectory(path, directory)) stored = RWWString(path.Data() + directory.Length() + 1);
  return factory->SetPrinterDataString(printer, kDeviceNames[deviceIndex], stored);
}

void RemoveFontDeviceFile(GDriverInstance* printer, int deviceIndex, RWWString path) {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr || path.IsEmpty()) return;
  const RWWString directory = factory->GetDriverDirectory();
  const RWWString file = InDriverDirectory(path, directory);
  if (ValidIndex(deviceIndex)) {
    RWWString stored;
    GetFontDeviceFilePath(&stored, printer, deviceIndex);
    if (!stored.IsEmpty() && SamePath(stored, file))
      factory->SetPrinterDataString(printer, kDeviceNames[deviceIndex], RWWString());
  }
  if (IsInDirectory(file, directory)) DeleteFileW(file.Data());
}

int FindFreeFontDevice(GDriverInstance* printer, int first, int last) {
  if (first < 0) first = 0;
  if (last >= kFontDeviceCount) last = kFontDeviceCount - 1;
  for (int i = first; i <= last; ++i) {
    RWWString path;
    GetFontDeviceFilePath(&path, printer, i);
    if (path.IsEmpty()) return i;
  }
  const DWORD mask = GetDisabledDeviceMask(printer);
  for (int i = first; i <= last; ++i) {
    const DWORD bits = mask & (3u << (2 * i));
    if (bits == (static_cast<DWORD>(kDisabledState) << (2 * i)) || bits == 0) return i;
  }
  return kNoFontDevice;
}

DWORD GetDisabledDeviceMask(GDriverInstance* printer) {
  GOSFactory* factory = GOSFactory::GetInstance();
  return factory != nullptr ? DisabledDeviceMask(factory, printer) : 0;
}

void SetDisabledDeviceMask(GDriverInstance* printer, DWORD mask) {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory != nullptr) factory->SetPrinterDataDword(printer, kDisabledDevices, mask);
}

int IsMassStorageFontsPresent(GDriverInstance* printer) {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return 0;
  return factory->GetPrinterDataDword(printer, kFontsPresent, 0) == 1 ? 1 : 0;
}

void SetMassStorageFontsPresent(int flag, GDriverInstance* printer) {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return;
  factory->SetPrinterDataDword(printer, kFontsPresent, flag == 1 ? 1 : 0);
}

int UpdateMassStorageFontsPresent(GDriverInstance* printer) {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr) return 0;
  const DWORD mask = DisabledDeviceMask(factory, printer);
  int present = 0;
  for (int i = 0; i < kFontDeviceCount && !present; ++i) {
    RWWString path;
    GetFontDeviceFilePath(&path, printer, i);
    if (path.IsEmpty()) continue;
    // A DIMM counts only while it is not disabled; the other devices always.
    const bool disabled = (mask & (static_cast<DWORD>(kDisabledState) << (2 * i))) != 0;
    if (i < kFirstDimmDevice || !disabled) present = 1;
  }
  if (present == IsMassStorageFontsPresent(printer)) return 0;
  SetMassStorageFontsPresent(present, printer);
  return 1;
}

int GetFontDeviceState(GDriverInstance* printer, int deviceIndex) {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr || !ValidIndex(deviceIndex)) return 0;
  return static_cast<int>((DisabledDeviceMask(factory, printer) >> (2 * deviceIndex)) & 3u);
}

int SetFontDeviceState(GDriverInstance* printer, int deviceIndex, int state) {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr || !ValidIndex(deviceIndex)) return 0;
  const int shift = 2 * deviceIndex;
  DWORD mask = DisabledDeviceMask(factory, printer);
  mask = (mask & ~(3u << shift)) | ((static_cast<DWORD>(state) & 3u) << shift);
  factory->SetPrinterDataDword(printer, kDisabledDevices, mask);
  return 1;
}
