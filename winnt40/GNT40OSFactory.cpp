#include "winnt40/GNT40OSFactory.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <vector>

#include "driver/GDriverInstanceAccess.h"
#include "driver/GUpwardServices.h"
#include "driver/NumberedValueStore.h"
#include "model/GLocaleInfo.h"
#include "model/GPersistInStream.h"
#include "model/GPersistOutStream.h"
#include "model/GStringConversion.h"
#include "win32/Environment.h"
#include "win32/File.h"
#include "win32/Kernel.h"
#include "win32/Module.h"
#include "win32/Spooler.h"
#include "win32/Time.h"
#include "winnt40/GSemaphoreLock.h"
#include "winnt40/GNT40TakenDevMode.h"

namespace {

const WCHAR kPrintersKey[] = u"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
const WCHAR kPrinterDataSubkey[] = u"PrinterDriverData";
const WCHAR kSpoolDirectory[] = u"\\SystemRoot\\System32\\Spool\\Printers";
const WCHAR kInternationalKey[] = u"Control Panel\\International";

// Bounds of what is read from printer data, the registry and the spooler:
// a value larger than this is taken as damage.
constexpr DWORD kMaxTextBytes = 1u << 20;
constexpr DWORD kMaxDriverInfoBytes = 1u << 20;

// ---- Little-endian bytes ----

void FactoryPutDword(BYTE* bytes, DWORD value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(value >> (8 * i));
}

DWORD GetDword(const BYTE* bytes) {
  return static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 | static_cast<DWORD>(bytes[2]) << 16 |
         static_cast<DWORD>(bytes[3]) << 24;
}

// The characters of text as little-endian bytes, with a terminator when asked.
std::vector<BYTE> TextBytes(const RWWString& text, bool terminated) {
  std::vector<BYTE> bytes;
  const size_t n = text.Length();
  bytes.reserve(2 * n + 2);
  for (size_t i = 0; i < n; ++i) {
    bytes.push_back(static_cast<BYTE>(text[i] & 0xFF));
    bytes.push_back(static_cast<BYTE>(text[i] >> 8));
  }
  if (terminated) {
    bytes.push_back(0);
    bytes.push_back(0);
  }
  return bytes;
}

// Text from little-endian bytes, up to the first 0 character.
RWWString BytesText(const BYTE* bytes, size_t size) {
  std::vector<WCHAR> chars;
  for (size_t i = 0; i + 1 < size; i += 2) {
    const WCHAR c = static_cast<WCHAR>(bytes[i] | bytes[i + 1] << 8);
    if (c == 0) break;
    chars.push_back(c);
  }
  return RWWString(chars.data(), chars.size());
}

// "N:i", the name of chunk i of the value N.
RWWString ChunkName(const RWWString& name, DWORD index) {
  char digits[16];
  std::snprintf(digits, sizeof digits, ":%lu", static_cast<unsigned long>(index));
  RWWString result = name;
  for (const char* p = digits; *p != 0; ++p) result.AppendRepeated(static_cast<WCHAR>(*p), 1);
  return result;
}

// The printer's registry key below the Printers key.
RWWString PrinterKeyPath(const RWWString& printerName, const WCHAR* subkey) {
  RWWString path(kPrintersKey);
  path.AppendText(printerName.Data());
  path.AppendText(u"\\");
  path.AppendText(subkey);
  return path;
}

// The C runtime's decimal conversion: leading blanks, a sign, digits; 0
// when there are none. Values beyond 32 bits are clamped.
long DecimalValue(const RWWString& text) {
  RWCString narrow;
  ToNarrowString(text, narrow);
  errno = 0;
  long value = std::strtol(narrow.Data(), nullptr, 10);
  if (value > 2147483647L) value = 2147483647L;
  if (value < -2147483647L - 1) value = -2147483647L - 1;
  return value;
}

// ---- Registry reads ----

// A REG_SZ value with non-empty data, read whole.
bool QueryText(HKEY key, const RWWString& name, RWWString* out) {
  DWORD type = 0;
  DWORD size = 0;
  LONG status = RegQueryValueExW(key, name.Data(), nullptr, &type, nullptr, &size);
  if (status != ERROR_SUCCESS || type != REG_SZ || size == 0 || size > kMaxTextBytes) return false;
  std::vector<BYTE> bytes(size + 2, 0);
  DWORD read = size;
  status = RegQueryValueExW(key, name.Data(), nullptr, &type, bytes.data(), &read);
  if (status != ERROR_SUCCESS || type != REG_SZ || read == 0 || read > size) return false;
  *out = BytesText(bytes.data(), read);
  return true;
}

bool QueryDword(HKEY key, const RWWString& name, DWORD* out) {
  BYTE bytes[4] = {};
  DWORD type = 0;
  DWORD size = sizeof bytes;
  if (RegQueryValueExW(key, name.Data(), nullptr, &type, bytes, &size) != ERROR_SUCCESS) return false;
  if (type != REG_DWORD || size != 4) return false;
  *out = GetDword(bytes);
  return true;
}

RWWString ReadRegistryText(HKEY root, const RWWString& path, const RWWString& name, const RWWString& defaultText) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.Data(), 0, KEY_READ, &key) != ERROR_SUCCESS) return defaultText;
  RWWString text;
  const bool found = QueryText(key, name, &text);
  RegCloseKey(key);
  return found ? text : defaultText;
}

DWORD ReadRegistryDword(HKEY root, const RWWString& path, const RWWString& name, DWORD defaultValue) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.Data(), 0, KEY_READ, &key) != ERROR_SUCCESS) return defaultValue;
  DWORD value = defaultValue;
  if (!QueryDword(key, name, &value)) value = defaultValue;
  RegCloseKey(key);
  return value;
}

int RegistryKeyOpens(HKEY root, const RWWString& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.Data(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  RegCloseKey(key);
  return 1;
}

int WriteRegistryValue(HKEY root, const RWWString& path, REGSAM access, const RWWString& name, DWORD type,
                       const BYTE* data, DWORD size) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path.Data(), 0, u"", 0, access, nullptr, &key, nullptr) != ERROR_SUCCESS) return 0;
  const LONG status = RegSetValueExW(key, name.Data(), 0, type, data, size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? 1 : 0;
}

// ---- The two places of a chunked blob value ----

class ChunkPlace {
 public:
  virtual ~ChunkPlace() = default;
  // The stored chunk count; false when there is none.
  virtual bool ReadCount(const RWWString& name, DWORD* count) = 0;
  virtual bool WriteCount(const RWWString& name, DWORD count) = 0;
  virtual bool WriteChunk(const RWWString& name, const BYTE* data, DWORD size) = 0;
  // Reads a REG_BINARY chunk of at most capacity bytes; false for a missing
  // chunk, another type or a larger one.
  virtual bool ReadChunk(const RWWString& name, BYTE* data, DWORD capacity, DWORD* size) = 0;
  // true when the value was there and is gone.
  virtual bool DeleteValue(const RWWString& name) = 0;
};

class RegistryChunks : public ChunkPlace {
 public:
  explicit RegistryChunks(HKEY key) : key_(key) {}
  bool ReadCount(const RWWString& name, DWORD* count) override { return QueryDword(key_, name, count); }
  bool WriteCount(const RWWString& name, DWORD count) override {
    BYTE bytes[4];
    FactoryPutDword(bytes, count);
    return RegSetValueExW(key_, name.Data(), 0, REG_DWORD, bytes, 4) == ERROR_SUCCESS;
  }
  bool WriteChunk(const RWWString& name, const BYTE* data, DWORD size) override {
    return RegSetValueExW(key_, name.Data(), 0, REG_BINARY, data, size) == ERROR_SUCCESS;
  }
  bool ReadChunk(const RWWString& name, BYTE* data, DWORD capacity, DWORD* size) override {
    DWORD type = 0;
    DWORD read = capacity;
    if (RegQueryValueExW(key_, name.Data(), nullptr, &type, data, &read) != ERROR_SUCCESS) return false;
    if (type != REG_BINARY || read > capacity) return false;
    *size = read;
    return true;
  }
  bool DeleteValue(const RWWString& name) override { return RegDeleteValueW(key_, name.Data()) == ERROR_SUCCESS; }

 private:
  HKEY key_;
};

class PrinterChunks : public ChunkPlace {
 public:
  PrinterChunks(GNT40OSFactoryBase* factory, GDriverInstance* instance, HANDLE printer)
      : factory_(factory), instance_(instance), printer_(printer) {}
  // The count goes through the factory's own DWORD operations.
  bool ReadCount(const RWWString& name, DWORD* count) override {
    *count = factory_->GetPrinterDataDword(instance_, name, 0);
    return *count != 0;
  }
  bool WriteCount(const RWWString& name, DWORD count) override {
    return factory_->SetPrinterDataDword(instance_, name, count) == 1;
  }
  bool WriteChunk(const RWWString& name, const BYTE* data, DWORD size) override {
    const GNT40TakenDevMode::PrinterWrite noteWrite;
    return SetPrinterDataW(printer_, name.Data(), REG_BINARY, data, size) == ERROR_SUCCESS;
  }
  bool ReadChunk(const RWWString& name, BYTE* data, DWORD capacity, DWORD* size) override {
    DWORD type = 0;
    DWORD needed = 0;
    if (GetPrinterDataW(printer_, name.Data(), &type, data, capacity, &needed) != ERROR_SUCCESS) return false;
    if (type != REG_BINARY || needed > capacity) return false;
    *size = needed;
    return true;
  }
  bool DeleteValue(const RWWString& name) override { return factory_->DeletePrinterDataValue(instance_, name) == 1; }

 private:
  GNT40OSFactoryBase* factory_;
  GDriverInstance* instance_;
  HANDLE printer_;
};

// Writes the chunks first and the count last, so that a count is never left
// promising chunks that were not written: when a chunk or the count fails
// after something was written, the count is removed and the value reads as
// missing. Chunks beyond the new count are then deleted.
int WriteChunks(ChunkPlace& place, const RWWString& name, const BYTE* data, DWORD size) {
  const DWORD chunkSize = GNT40OSFactoryBase::kBlobChunkSize;
  const DWORD count = size / chunkSize + 1;
  DWORD old = 0;
  if (!place.ReadCount(name, &old)) old = 0;
  DWORD offset = 0;
  for (DWORD i = 0; i < count; ++i) {
    const DWORD n = size - offset < chunkSize ? size - offset : chunkSize;
    if (!place.WriteChunk(ChunkName(name, i), data + offset, n)) {
      if (i > 0) place.DeleteValue(name);
      return 0;
    }
    offset += n;
  }
  if (!place.WriteCount(name, count)) {
    place.DeleteValue(name);
    return 0;
  }
  // Chunks run without gaps, so the first one missing ends the run; a
  // damaged old count does not make this loop run for ever.
  const DWORD last = old < GNT40OSFactoryBase::kMaxBlobChunks ? old : GNT40OSFactoryBase::kMaxBlobChunks;
  for (DWORD i = count; i < last; ++i) {
    if (!place.DeleteValue(ChunkName(name, i))) break;
  }
  return 1;
}

int ReadChunks(ChunkPlace& place, const RWWString& name, void* buffer, DWORD capacity, DWORD* size) {
  const DWORD chunkSize = GNT40OSFactoryBase::kBlobChunkSize;
  DWORD count = 0;
  if (size != nullptr) *size = 0;
  if (!place.ReadCount(name, &count) || count == 0 || count > GNT40OSFactoryBase::kMaxBlobChunks) return 0;
  const DWORD needed = count * chunkSize;
  if (buffer == nullptr || capacity == 0) {
    if (size != nullptr) *size = needed;
    return 1;
  }
  if (capacity < needed) {
    if (size != nullptr) *size = needed;
    return 0;
  }
  BYTE* bytes = static_cast<BYTE*>(buffer);
  DWORD position = 0;
  for (DWORD i = 0; i < count; ++i) {
    DWORD read = 0;
    // Each chunk holds at most one chunk's bytes; a longer one is damage.
    if (!place.ReadChunk(ChunkName(name, i), bytes + position, chunkSize, &read)) return 0;
    position += read;
  }
  if (size != nullptr) *size = position;
  return 1;
}

// The printer handle for printer-data calls: the instance's own, else the
// printer opened by name with full access for the length of the call.
class PrinterAccess {
 public:
  PrinterAccess(GNT40OSFactoryBase* factory, GDriverInstance* instance) {
    handle_ = factory->GetPrinterHandle(instance);
    if (handle_ != nullptr) return;
    const RWWString name = InstancePrinterName(instance);
    if (name.IsEmpty()) return;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE opened = nullptr;
    if (OpenPrinterW(name.Data(), &opened, &defaults)) {
      handle_ = opened;
      owned_ = true;
    }
  }
  ~PrinterAccess() {
    if (owned_) ClosePrinter(handle_);
  }
  PrinterAccess(const PrinterAccess&) = delete;
  PrinterAccess& operator=(const PrinterAccess&) = delete;
  HANDLE Handle() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
  bool owned_ = false;
};

// ---- Calendar ----

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 400 == 0 || year % 100 != 0); }

int DaysInMonth(int year, int month) {
  switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    case 2:
      return IsLeapYear(year) ? 29 : 28;
    default:
      return 31;
  }
}

void MoveDayForward(GDateTime* t) {
  if (++t->day > DaysInMonth(t->year, t->month)) {
    t->day = 1;
    if (++t->month > 12) {
      t->month = 1;
      ++t->year;
    }
  }
}

void MoveDayBack(GDateTime* t) {
  if (--t->day < 1) {
    if (--t->month < 1) {
      t->month = 12;
      --t->year;
    }
    t->day = static_cast<int16_t>(DaysInMonth(t->year, t->month));
  }
}

// ---- The user's regional settings ----

struct LocaleNumber {
  const WCHAR* name;
  void (GLocaleInfo::*set)(int);
};

struct LocaleText {
  const WCHAR* name;
  void (GLocaleInfo::*set)(const char*);
};

const LocaleNumber kLocaleNumbers[] = {
    {u"iCountry", &GLocaleInfo::SetCountry},
    {u"iCurrDigits", &GLocaleInfo::SetCurrencyDigits},
    {u"iCurrency", &GLocaleInfo::SetCurrencyFormat},
    {u"iDate", &GLocaleInfo::SetDateOrder},
    {u"iDigits", &GLocaleInfo::SetDigits},
    {u"iLZero", &GLocaleInfo::SetLeadingZero},
    {u"iMeasure", &GLocaleInfo::SetMeasure},
    {u"iNegCurr", &GLocaleInfo::SetNegativeCurrency},
    {u"iTime", &GLocaleInfo::SetTimeFormat},
    {u"iTLZero", &GLocaleInfo::SetTimeLeadingZero},
    // The text is hexadecimal ("00000409") but goes through the decimal
    // conversion like the others, so the number reads as 409.
    {u"Locale", &GLocaleInfo::SetLocale},
};

const LocaleText kLocaleTexts[] = {
    {u"s1159", &GLocaleInfo::SetAMSymbol},
    {u"s2359", &GLocaleInfo::SetPMSymbol},
    {u"sCountry", &GLocaleInfo::SetCountryName},
    {u"sCurrency", &GLocaleInfo::SetCurrencySymbol},
    {u"sDate", &GLocaleInfo::SetDateSeparator},
    {u"sDecimal", &GLocaleInfo::SetDecimalSeparator},
    {u"sLanguage", &GLocaleInfo::SetLanguage},
    {u"sList", &GLocaleInfo::SetListSeparator},
    {u"sLongDate", &GLocaleInfo::SetLongDateFormat},
    {u"sShortDate", &GLocaleInfo::SetShortDateFormat},
    {u"sThousand", &GLocaleInfo::SetThousandSeparator},
    {u"sTime", &GLocaleInfo::SetTimeSeparator},
};

// A regional setting read as text into a buffer of 128 bytes; false when it
// is missing, not text, or longer than the buffer.
bool ReadLocaleText(HKEY key, const WCHAR* name, RWWString* out) {
  BYTE bytes[128 + 2] = {};
  DWORD type = 0;
  DWORD size = 128;
  if (RegQueryValueExW(key, name, nullptr, &type, bytes, &size) != ERROR_SUCCESS) return false;
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || size > 128) return false;
  *out = BytesText(bytes, size);
  return true;
}

}  // namespace

// ---- GNT40OSFactoryBase ----

GNT40OSFactoryBase::GNT40OSFactoryBase() { SetFactoryLock(CreateLock()); }

GNT40OSFactoryBase::~GNT40OSFactoryBase() = default;

GDriverInstance* GNT40OSFactoryBase::CreateDriver(GPrinterKey*) { return nullptr; }
GDriverInstance* GNT40OSFactoryBase::CreateRenderInstance(GPrinterKey*) { return nullptr; }
void* GNT40OSFactoryBase::CreateRenderCompanion(GDriverInstance*) { return nullptr; }
int GNT40OSFactoryBase::QueryPlatformValue(void*, void*, void*) { return 0; }
void* GNT40OSFactoryBase::GetPlatformContext() { return nullptr; }
void* GNT40OSFactoryBase::CreateFontSource() { return nullptr; }
GCodePageConverter* GNT40OSFactoryBase::CreateCodePageConverter() { return nullptr; }

void GNT40OSFactoryBase::SetTimeOffset(int16_t minutes) { timeOffset_.store(minutes); }

int GNT40OSFactoryBase::GetDateTime(GDateTime* local, GDateTime* shifted, int16_t* offsetMinutes) {
  const int16_t offset = timeOffset_.load();
  if (local != nullptr) *local = GDateTime();
  if (shifted != nullptr) *shifted = GDateTime();
  if (offsetMinutes != nullptr) *offsetMinutes = offset;

  crt::_timeb now{};
  crt::_ftime(&now);
  std::tm* t = crt::localtime(&now.time);
  if (t == nullptr) return 0;

  GDateTime current;
  current.year = static_cast<int16_t>(t->tm_year + 1900);
  current.month = static_cast<int16_t>(t->tm_mon + 1);
  current.day = static_cast<int16_t>(t->tm_mday);
  current.hour = static_cast<int16_t>(t->tm_hour);
  current.minute = static_cast<int16_t>(t->tm_min);
  current.second = static_cast<int16_t>(t->tm_sec);
  current.dayOfWeek = static_cast<int16_t>(t->tm_wday);
  if (local != nullptr) *local = current;

  // The same date and time moved by the offset; the day of week stays.
  GDateTime moved = current;
  int hour = current.hour + offset / 60;
  int minute = current.minute + offset % 60;
  if (minute < 0) {
    minute += 60;
    --hour;
  } else if (minute >= 60) {
    minute -= 60;
    ++hour;
  }
  // An offset of more than a day moves the date by as many days.
  while (hour < 0) {
    hour += 24;
    MoveDayBack(&moved);
  }
  while (hour >= 24) {
    hour -= 24;
    MoveDayForward(&moved);
  }
  moved.hour = static_cast<int16_t>(hour);
  moved.minute = static_cast<int16_t>(minute);
  if (shifted != nullptr) *shifted = moved;
  return 1;
}

GPersistInStream* GNT40OSFactoryBase::OpenInputStream(const void* data, size_t length, int format) {
  return new (std::nothrow) GPersistInStream(data, length, format);
}

GPersistInStream* GNT40OSFactoryBase::OpenFileInStream(const RWWString& fileName, int format) {
  return new (std::nothrow) GPersistInStream(fileName, format);
}

GPersistOutStream* GNT40OSFactoryBase::OpenOutputStream(void* buffer, size_t capacity, int format) {
  return new (std::nothrow) GPersistOutStream(buffer, capacity, format);
}

GPersistOutStream* GNT40OSFactoryBase::OpenFileOutStream(const RWWString& fileName, int format) {
  return new (std::nothrow) GPersistOutStream(fileName, format);
}

GLocaleInfo* GNT40OSFactoryBase::CreateLocaleInfo() {
  auto* info = new GLocaleInfo;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kInternationalKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return info;
  for (const LocaleNumber& number : kLocaleNumbers) {
    RWWString text;
    if (ReadLocaleText(key, number.name, &text)) (info->*number.set)(static_cast<int>(DecimalValue(text)));
  }
  for (const LocaleText& entry : kLocaleTexts) {
    RWWString text;
    if (!ReadLocaleText(key, entry.name, &text)) continue;
    RWCString narrow;
    ToNarrowString(text, narrow);
    (info->*entry.set)(narrow.Data());
  }
  RegCloseKey(key);
  return info;
}

RWWString GNT40OSFactoryBase::GetTempDirectory(GDriverInstance* instance) {
  RWWString directory = GetPrinterDataString(instance, u"TempDirectoryLocation", RWWString());
  if (!directory.IsEmpty()) return directory;
  for (const WCHAR* variable : {u"TMP", u"TEMP"}) {
    const DWORD needed = GetEnvironmentVariableW(variable, nullptr, 0);
    if (needed == 0 || needed > kMaxTextBytes) continue;
    std::vector<WCHAR> value(needed + 1, 0);
    const DWORD length = GetEnvironmentVariableW(variable, value.data(), needed + 1);
    if (length != 0 && length <= needed) return RWWString(value.data(), length);
  }
  return RWWString(kSpoolDirectory);
}

RWWString GNT40OSFactoryBase::GetDriverDirectory() {
  std::lock_guard<std::mutex> guard(driverDirectoryMutex_);
  if (driverDirectory_.IsEmpty()) {
    WCHAR path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(GetModuleHandle(), path, MAX_PATH);
    if (length != 0) {
      RWWString file(path, length < MAX_PATH ? length : MAX_PATH - 1);
      const size_t cut = file.FindLastChar(GetPathSeparator());
      // Without a separator the directory is empty.
      if (cut != RW_NPOS) driverDirectory_ = RWWString(file.Data(), cut);
    }
  }
  return driverDirectory_;
}

void GNT40OSFactoryBase::SeedRandom() { std::srand(static_cast<unsigned>(crt::time(nullptr))); }

int GNT40OSFactoryBase::Random() { return std::rand() & 0x7FFF; }

int GNT40OSFactoryBase::FileExists(const RWWString& path) {
  HANDLE file = CreateFileW(path.Data(), 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  CloseHandle(file);
  return 1;
}

int GNT40OSFactoryBase::CreateEmptyFile(const RWWString& path) {
  HANDLE file = CreateFileW(path.Data(), 0, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  CloseHandle(file);
  return 1;
}

NumberedValueStore* GNT40OSFactoryBase::CreateNumberedValueStore(GDriverInstance* instance) {
  return new NumberedValueStore(instance);
}

// ---- Printer data ----

int GNT40OSFactoryBase::SetPrinterDataDword(GDriverInstance* instance, const RWWString& name, DWORD value) {
  PrinterAccess printer(this, instance);
  if (printer.Handle() == nullptr) return 0;
  const GNT40TakenDevMode::PrinterWrite noteWrite;
  BYTE bytes[4];
  FactoryPutDword(bytes, value);
  return SetPrinterDataW(printer.Handle(), name.Data(), REG_DWORD, bytes, 4) == ERROR_SUCCESS ? 1 : 0;
}

int GNT40OSFactoryBase::SetPrinterDataString(GDriverInstance* instance, const RWWString& name,
                                             const RWWString& text) {
  HANDLE printer = GetPrinterHandle(instance);
  if (printer == nullptr) return 0;
  const GNT40TakenDevMode::PrinterWrite noteWrite;
  // Stored without a terminator; readers add one.
  const std::vector<BYTE> bytes = TextBytes(text, false);
  return SetPrinterDataW(printer, name.Data(), REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size())) ==
                 ERROR_SUCCESS
             ? 1
             : 0;
}

DWORD GNT40OSFactoryBase::GetPrinterDataDword(GDriverInstance* instance, const RWWString& name,
                                              DWORD defaultValue) {
  PrinterAccess printer(this, instance);
  if (printer.Handle() == nullptr) return defaultValue;
  BYTE bytes[4] = {};
  DWORD type = 0;
  DWORD needed = 0;
  if (GetPrinterDataW(printer.Handle(), name.Data(), &type, bytes, 4, &needed) != ERROR_SUCCESS) return defaultValue;
  return type == REG_DWORD && needed == 4 ? GetDword(bytes) : defaultValue;
}

RWWString GNT40OSFactoryBase::GetPrinterDataString(GDriverInstance* instance, const RWWString& name,
                                                   const RWWString& defaultText) {
  HANDLE printer = GetPrinterHandle(instance);
  if (printer == nullptr) return defaultText;
  DWORD type = 0;
  DWORD needed = 0;
  const DWORD status = GetPrinterDataW(printer, name.Data(), &type, nullptr, 0, &needed);
  if ((status != ERROR_SUCCESS && status != ERROR_MORE_DATA) || type != REG_SZ || needed == 0 ||
      needed > kMaxTextBytes) {
    return defaultText;
  }
  // Room for a terminator the stored text may lack, and slack for an odd size.
  std::vector<BYTE> bytes(needed + 4, 0);
  DWORD read = 0;
  if (GetPrinterDataW(printer, name.Data(), &type, bytes.data(), needed, &read) != ERROR_SUCCESS) return defaultText;
  if (type != REG_SZ || read == 0 || read > needed) return defaultText;
  return BytesText(bytes.data(), read);
}

int GNT40OSFactoryBase::DeletePrinterDataValue(GDriverInstance* instance, const RWWString& name) {
  const RWWString printerName = InstancePrinterName(instance);
  if (printerName.IsEmpty()) return 0;
  const GNT40TakenDevMode::PrinterWrite noteWrite;
  HKEY key = nullptr;
  const RWWString path = PrinterKeyPath(printerName, kPrinterDataSubkey);
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.Data(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 0;
  const LONG status = RegDeleteValueW(key, name.Data());
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? 1 : 0;
}

RWWString GNT40OSFactoryBase::ReadPrinterKeyString(GDriverInstance* instance, const RWWString& subkey,
                                                   const RWWString& name, const RWWString& defaultText) {
  const RWWString printerName = InstancePrinterName(instance);
  if (printerName.IsEmpty()) return defaultText;
  return ReadRegistryText(HKEY_LOCAL_MACHINE, PrinterKeyPath(printerName, subkey.Data()), name, defaultText);
}

int GNT40OSFactoryBase::WritePrinterKeyString(GDriverInstance* instance, const RWWString& subkey,
                                              const RWWString& name, const RWWString& text) {
  const RWWString printerName = InstancePrinterName(instance);
  if (printerName.IsEmpty()) return 0;
  const RWWString path = PrinterKeyPath(printerName, subkey.Data());
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.Data(), 0, u"", 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return 0;
  }
  LONG status = ERROR_SUCCESS;
  if (!text.IsEmpty()) {
    const std::vector<BYTE> bytes = TextBytes(text, true);
    status = RegSetValueExW(key, name.Data(), 0, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
  }
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? 1 : 0;
}

// ---- Chunked blob values ----

int GNT40OSFactoryBase::IsRegistryLocation(const RWWString& name) {
  return name.Length() >= 3 && name[0] == u'?' && name[1] == u'?' && name[2] == u'?' ? 1 : 0;
}

int GNT40OSFactoryBase::OpenRegistryLocation(const RWWString& location, HKEY* key, RWWString* valueName) {
  if (key == nullptr) return 0;
  *key = nullptr;
  // "???\<root>\<subkey>\<value>": the root between the first two
  // backslashes, the value after the last one.
  const size_t first = location.FindChar(u'\\');
  if (first == RW_NPOS) return 0;
  size_t second = RW_NPOS;
  for (size_t i = first + 1; i < location.Length(); ++i) {
    if (location[i] == u'\\') {
      second = i;
      break;
    }
  }
  const size_t last = location.FindLastChar(u'\\');
  if (second == RW_NPOS || last == RW_NPOS) return 0;
  const long root = DecimalValue(RWWString(location.Data() + first + 1, second - first - 1));
  const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(root)));
  const RWWString subkey = last > second ? RWWString(location.Data() + second + 1, last - second - 1) : RWWString();
  if (valueName != nullptr) *valueName = RWWString(location.Data() + last + 1);
  HKEY opened = nullptr;
  if (RegCreateKeyExW(rootKey, subkey.Data(), 0, u"", 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr) !=
      ERROR_SUCCESS) {
    return 0;
  }
  *key = opened;
  return 1;
}

int GNT40OSFactoryBase::WriteBlob(GDriverInstance* instance, const RWWString& name, const void* data, DWORD size) {
  if (data == nullptr && size != 0) return 0;
  const BYTE* bytes = static_cast<const BYTE*>(data);
  if (IsRegistryLocation(name)) {
    HKEY key = nullptr;
    RWWString valueName;
    if (!OpenRegistryLocation(name, &key, &valueName)) return 0;
    RegistryChunks place(key);
    const int result = WriteChunks(place, valueName, bytes, size);
    RegCloseKey(key);
    return result;
  }
  PrinterAccess printer(this, instance);
  if (printer.Handle() == nullptr) return 0;
  PrinterChunks place(this, instance, printer.Handle());
  return WriteChunks(place, name, bytes, size);
}

int GNT40OSFactoryBase::ReadBlob(GDriverInstance* instance, const RWWString& name, void* buffer, DWORD capacity,
                                 DWORD* size) {
  if (IsRegistryLocation(name)) {
    HKEY key = nullptr;
    RWWString valueName;
    if (!OpenRegistryLocation(name, &key, &valueName)) {
      if (size != nullptr) *size = 0;
      return 0;
    }
    RegistryChunks place(key);
    const int result = ReadChunks(place, valueName, buffer, capacity, size);
    RegCloseKey(key);
    return result;
  }
  PrinterAccess printer(this, instance);
  if (printer.Handle() == nullptr) {
    if (size != nullptr) *size = 0;
    return 0;
  }
  PrinterChunks place(this, instance, printer.Handle());
  return ReadChunks(place, name, buffer, capacity, size);
}

// ---- Machine and user registry values ----

RWWString GNT40OSFactoryBase::ReadMachineString(const RWWString& keyPath, const RWWString& name,
                                                const RWWString& defaultText) {
  return ReadRegistryText(HKEY_LOCAL_MACHINE, keyPath, name, defaultText);
}

DWORD GNT40OSFactoryBase::ReadMachineDword(const RWWString& keyPath, const RWWString& name, DWORD defaultValue) {
  return ReadRegistryDword(HKEY_LOCAL_MACHINE, keyPath, name, defaultValue);
}

LONG GNT40OSFactoryBase::CreateMachineDwordIfMissing(const RWWString& keyPath, const RWWString& name, DWORD value) {
  HKEY key = nullptr;
  const LONG status = RegOpenKeyW(HKEY_LOCAL_MACHINE, keyPath.Data(), &key);
  if (status != ERROR_SUCCESS) return status;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, name.Data(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    BYTE bytes[4];
    FactoryPutDword(bytes, value);
    RegSetValueExW(key, name.Data(), 0, REG_DWORD, bytes, 4);
  }
  return RegCloseKey(key);
}

int GNT40OSFactoryBase::MachineKeyExists(const RWWString& keyPath) {
  return RegistryKeyOpens(HKEY_LOCAL_MACHINE, keyPath);
}

RWWString GNT40OSFactoryBase::ReadUserString(const RWWString& keyPath, const RWWString& name,
                                             const RWWString& defaultText) {
  return ReadRegistryText(HKEY_CURRENT_USER, keyPath, name, defaultText);
}

int GNT40OSFactoryBase::WriteUserString(const RWWString& keyPath, const RWWString& name, const RWWString& text) {
  const std::vector<BYTE> bytes = TextBytes(text, true);
  return WriteRegistryValue(HKEY_CURRENT_USER, keyPath, KEY_WRITE, name, REG_SZ, bytes.data(),
                            static_cast<DWORD>(bytes.size()));
}

DWORD GNT40OSFactoryBase::ReadUserDword(const RWWString& keyPath, const RWWString& name, DWORD defaultValue) {
  return ReadRegistryDword(HKEY_CURRENT_USER, keyPath, name, defaultValue);
}

int GNT40OSFactoryBase::UserKeyExists(const RWWString& keyPath) { return RegistryKeyOpens(HKEY_CURRENT_USER, keyPath); }

int GNT40OSFactoryBase::WriteUserDword(const RWWString& keyPath, const RWWString& name, DWORD value) {
  BYTE bytes[4];
  FactoryPutDword(bytes, value);
  return WriteRegistryValue(HKEY_CURRENT_USER, keyPath, KEY_WRITE, name, REG_DWORD, bytes, 4);
}

GLock* GNT40OSFactoryBase::CreateLock() { return new GSemaphoreLock; }

// ---- GNT40OSFactory ----

GNT40OSFactory::GNT40OSFactory() = default;

GNT40OSFactory::~GNT40OSFactory() = default;

GDriverInstance* GNT40OSFactory::CreateDriver(GPrinterKey* key) {
  const auto create = UpwardServices().nt40Driver.createDriver;
  return create != nullptr && key != nullptr ? create(key) : nullptr;
}

HANDLE GNT40OSFactory::GetPrinterHandle(GDriverInstance* instance) {
  const auto handle = UpwardServices().nt40Driver.printerHandle;
  return handle != nullptr && instance != nullptr ? handle(instance) : nullptr;
}

GExternalModule* GNT40OSFactory::CreateMiniInstallerLauncher(const RWWString& printerName, HANDLE printer,
                                                             void*) {
  const GMiniInstallerCreator create = UpwardServices().miniInstaller;
  return create != nullptr ? create(printerName, printer) : nullptr;
}

RWWString GNT40OSFactory::GetDriverDataFile(GDriverInstance* instance) {
  const auto keyInfo = UpwardServices().nt40Driver.keyInfo;
  if (keyInfo == nullptr || instance == nullptr) return RWWString();
  RWWString printerName;
  HANDLE printer = nullptr;
  if (!keyInfo(instance, &printerName, &printer)) return RWWString();
  bool opened = false;
  if (printer == nullptr) {
    if (printerName.IsEmpty() || !OpenPrinterW(printerName.Data(), &printer, nullptr)) return RWWString();
    opened = true;
  }
  RWWString dataFile;
  DWORD needed = 0;
  GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
  if (needed >= sizeof(DRIVER_INFO_2W) && needed <= kMaxDriverInfoBytes) {
    // Aligned for the record at the start of the buffer.
    std::vector<uint64_t> buffer((needed + sizeof(uint64_t) - 1) / sizeof(uint64_t));
    LPBYTE bytes = reinterpret_cast<LPBYTE>(buffer.data());
    if (GetPrinterDriverW(printer, nullptr, 2, bytes, needed, &needed)) {
      const auto* info = reinterpret_cast<const DRIVER_INFO_2W*>(bytes);
      if (info->pDataFile != nullptr) dataFile = RWWString(info->pDataFile);
    }
  }
  if (opened) ClosePrinter(printer);
  return dataFile;
}
