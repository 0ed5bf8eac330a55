#include "win32/Spooler.h"
#include "w32detail/Spooler.h"

#include <cstring>
#include <map>
#include <mutex>

#include "win32/Kernel.h"
#include "w32detail/Kernel.h"
#include "w32detail/Platform.h"

namespace {

struct Form {
  std::u16string name;
  DWORD flags = FORM_USER;
  SIZEL size{};
  RECTL area{};
};

// The built-in forms, sizes in micrometres; form n is DMPAPER number n.
struct BuiltinForm {
  const char16_t* name;
  LONG width;
  LONG length;
};
constexpr BuiltinForm kBuiltinForms[] = {
    {u"Letter", 215900, 279400},                 // 1
    {u"Letter Small", 215900, 279400},           // 2
    {u"Tabloid", 279400, 431800},                // 3
    {u"Ledger", 431800, 279400},                 // 4
    {u"Legal", 215900, 355600},                  // 5
    {u"Statement", 139700, 215900},              // 6
    {u"Executive", 184150, 266700},              // 7
    {u"A3", 297000, 420000},                     // 8
    {u"A4", 210000, 297000},                     // 9
    {u"A4 Small", 210000, 297000},               // 10
    {u"A5", 148000, 210000},                     // 11
    {u"B4 (JIS)", 257000, 364000},               // 12
    {u"B5 (JIS)", 182000, 257000},               // 13
    {u"Folio", 215900, 330200},                  // 14
    {u"Quarto", 215000, 275000},                 // 15
    {u"10x14", 254000, 355600},                  // 16
    {u"11x17", 279400, 431800},                  // 17
    {u"Note", 215900, 279400},                   // 18
    {u"Envelope #9", 98425, 225425},             // 19
    {u"Envelope #10", 104775, 241300},           // 20
    {u"Envelope #11", 114300, 263525},           // 21
    {u"Envelope #12", 120650, 279400},           // 22
    {u"Envelope #14", 127000, 292100},           // 23
    {u"C size sheet", 431800, 558800},           // 24
    {u"D size sheet", 558800, 863600},           // 25
    {u"E size sheet", 863600, 1117600},          // 26
    {u"Envelope DL", 110000, 220000},            // 27
    {u"Envelope C5", 162000, 229000},            // 28
    {u"Envelope C3", 324000, 458000},            // 29
    {u"Envelope C4", 229000, 324000},            // 30
    {u"Envelope C6", 114000, 162000},            // 31
    {u"Envelope C65", 114000, 229000},           // 32
    {u"Envelope B4", 250000, 353000},            // 33
    {u"Envelope B5", 176000, 250000},            // 34
    {u"Envelope B6", 176000, 125000},            // 35
    {u"Envelope", 110000, 230000},               // 36
    {u"Envelope Monarch", 98425, 190500},        // 37
    {u"6 3/4 Envelope", 92075, 165100},          // 38
    {u"US Std Fanfold", 377825, 279400},         // 39
    {u"German Std Fanfold", 215900, 304800},     // 40
    {u"German Legal Fanfold", 215900, 330200},   // 41
};

struct Printer {
  w32test::PrinterSetup setup;
  DWORD refused = 0;
  std::vector<DWORD> directoryActions;
};

struct SpoolerHandle {
  std::u16string printer;  // upper-cased name
  ACCESS_MASK access = 0;
  DWORD job = 0;  // the job in progress on this handle, 0 when none
};

struct SpoolerState {
  std::mutex mutex;
  std::map<std::u16string, Printer> printers;         // by upper-cased name
  std::map<uintptr_t, SpoolerHandle> handles;
  std::map<std::u16string, std::vector<Form>> forms;  // added forms by upper-cased server name
  std::map<std::u16string, std::vector<w32test::PrintJob>> jobs;  // by upper-cased printer name
  uintptr_t nextHandle = 0x20000;
  DWORD nextJob = 1;
};

SpoolerState& spoolerState() {
  static SpoolerState* s = [] {
    auto* st = new SpoolerState;
    w32detail::RegisterReset([st] {
      std::lock_guard<std::mutex> g(st->mutex);
      st->printers.clear();
      st->handles.clear();
      st->forms.clear();
      st->jobs.clear();
      st->nextJob = 1;
    });
    return st;
  }();
  return *s;
}

std::u16string SpoolerFold(std::u16string_view s) {
  std::u16string out(s);
  for (auto& c : out) c = w32detail::UpcaseChar(c);
  return out;
}

std::u16string_view SpoolerView(LPCWSTR s) {
  if (!s) return {};
  size_t n = 0;
  while (s[n]) ++n;
  return std::u16string_view(s, n);
}

// The printer-data key: backslashes of a connection's name become commas,
// as the registry keeps such names.
std::u16string DataKey(const std::u16string& printer) {
  std::u16string name = printer;
  for (auto& c : name)
    if (c == u'\\') c = u',';
  return u"System\\CurrentControlSet\\Control\\Print\\Printers\\" + name + u"\\PrinterDriverData";
}

Printer* FindPrinter(SpoolerState& s, std::u16string_view name) {
  auto it = s.printers.find(SpoolerFold(name));
  return it == s.printers.end() ? nullptr : &it->second;
}

// The printer of a handle, or null with ERROR_INVALID_HANDLE as the error.
Printer* FromHandle(SpoolerState& s, HANDLE h, ACCESS_MASK* access = nullptr) {
  auto it = s.handles.find(reinterpret_cast<uintptr_t>(h));
  if (it == s.handles.end()) return nullptr;
  auto p = s.printers.find(it->second.printer);
  if (p == s.printers.end()) return nullptr;
  if (access) *access = it->second.access;
  return &p->second;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// ---- Buffer packing: the record first, then its DEVMODE (8-byte aligned),
// then its strings. Empty strings may be answered as null pointers.

size_t StringBytes(const std::u16string& s, bool nullIfEmpty) {
  return (s.empty() && nullIfEmpty) ? 0 : (s.size() + 1) * sizeof(WCHAR);
}

size_t Round8(size_t n) { return (n + 7) & ~size_t{7}; }

class Packer {
 public:
  Packer(BYTE* buffer, size_t offset) : buffer_(buffer), offset_(offset) {}

  LPWSTR String(const std::u16string& s, bool nullIfEmpty) {
    if (s.empty() && nullIfEmpty) return nullptr;
    BYTE* at = buffer_ + offset_;
    std::memcpy(at, s.data(), s.size() * sizeof(WCHAR));
    std::memset(at + s.size() * sizeof(WCHAR), 0, sizeof(WCHAR));
    offset_ += (s.size() + 1) * sizeof(WCHAR);
    return reinterpret_cast<LPWSTR>(at);
  }

  BYTE* Block(const std::vector<BYTE>& data) {
    if (data.empty()) return nullptr;
    BYTE* at = buffer_ + offset_;
    std::memcpy(at, data.data(), data.size());
    offset_ += Round8(data.size());
    return at;
  }

 private:
  BYTE* buffer_;
  size_t offset_;
};

// Checks the caller's buffer against the size needed.
bool Fits(size_t needed, LPBYTE buffer, DWORD size, LPDWORD neededOut) {
  if (!neededOut) return Fail(ERROR_INVALID_PARAMETER);
  if (needed > 0xFFFFFFFFu) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  *neededOut = static_cast<DWORD>(needed);
  if (size < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  if (!buffer) return Fail(ERROR_INVALID_PARAMETER);
  return true;
}

std::u16string DriverFile(const w32test::PrinterSetup& p, const std::u16string& file) {
  if (file.empty() || file.find(u'\\') != std::u16string::npos) return file;
  return p.driverDirectory + u"\\" + file;
}

// ---- Forms

std::vector<Form> AllForms(SpoolerState& s, const Printer& p) {
  std::vector<Form> all;
  for (const auto& b : kBuiltinForms) all.push_back(Form{b.name, FORM_BUILTIN, {b.width, b.length}, {0, 0, b.width, b.length}});
  auto it = s.forms.find(SpoolerFold(p.setup.serverName));
  if (it != s.forms.end()) all.insert(all.end(), it->second.begin(), it->second.end());
  return all;
}

bool IsBuiltinName(std::u16string_view name) {
  for (const auto& b : kBuiltinForms)
    if (w32detail::EqualNoCase(b.name, name)) return true;
  return false;
}

size_t FormsSize(const std::vector<Form>& forms) {
  size_t n = forms.size() * sizeof(FORM_INFO_1W);
  for (const auto& f : forms) n += StringBytes(f.name, false);
  return n;
}

void PackForms(const std::vector<Form>& forms, LPBYTE buffer) {
  Packer pack(buffer, forms.size() * sizeof(FORM_INFO_1W));
  for (size_t i = 0; i < forms.size(); ++i) {
    FORM_INFO_1W r{};
    r.Flags = forms[i].flags;
    r.pName = pack.String(forms[i].name, false);
    r.Size = forms[i].size;
    r.ImageableArea = forms[i].area;
    std::memcpy(buffer + i * sizeof(FORM_INFO_1W), &r, sizeof r);
  }
}

// Reads a caller's FORM_INFO_1W and checks its size and imageable area.
bool ReadForm(LPBYTE info, Form* out) {
  if (!info) return Fail(ERROR_INVALID_PARAMETER);
  FORM_INFO_1W r;
  std::memcpy(&r, info, sizeof r);
  if (r.Size.cx <= 0 || r.Size.cy <= 0 || r.ImageableArea.right <= r.ImageableArea.left ||
      r.ImageableArea.bottom <= r.ImageableArea.top)
    return Fail(ERROR_INVALID_FORM_SIZE);
  out->name = std::u16string(SpoolerView(r.pName));
  out->flags = r.Flags;
  out->size = r.Size;
  out->area = r.ImageableArea;
  return true;
}

std::vector<Form>::iterator FindAddedForm(std::vector<Form>& forms, std::u16string_view name) {
  for (auto it = forms.begin(); it != forms.end(); ++it)
    if (w32detail::EqualNoCase(it->name, name)) return it;
  return forms.end();
}

}  // namespace

BOOL OpenPrinterW(LPCWSTR printerName, LPHANDLE printer, const PRINTER_DEFAULTSW* defaults) {
  if (printer) *printer = nullptr;
  if (w32detail::ShouldFail("OpenPrinterW")) return FALSE;
  if (!printer) return Fail(ERROR_INVALID_PARAMETER);
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  Printer* p = FindPrinter(s, SpoolerView(printerName));
  if (!p || SpoolerView(printerName).empty()) return Fail(ERROR_INVALID_PRINTER_NAME);
  ACCESS_MASK access = defaults ? defaults->DesiredAccess : 0;
  if (access == 0) access = PRINTER_ACCESS_USE;
  if (access & p->refused) return Fail(ERROR_ACCESS_DENIED);
  uintptr_t h = s.nextHandle;
  s.nextHandle += 8;
  s.handles[h] = SpoolerHandle{SpoolerFold(p->setup.name), access};
  *printer = reinterpret_cast<HANDLE>(h);
  return TRUE;
}

namespace {

// The job in progress on the handle, or null.
w32test::PrintJob* JobOf(SpoolerState& s, const SpoolerHandle& handle) {
  if (handle.job == 0) return nullptr;
  auto list = s.jobs.find(handle.printer);
  if (list == s.jobs.end()) return nullptr;
  for (auto& job : list->second)
    if (job.id == handle.job) return &job;
  return nullptr;
}

SpoolerHandle* HandleOf(SpoolerState& s, HANDLE h) {
  auto it = s.handles.find(reinterpret_cast<uintptr_t>(h));
  if (it == s.handles.end() || s.printers.find(it->second.printer) == s.printers.end()) return nullptr;
  return &it->second;
}

// Ends the handle's job with the status; false when it has none.
bool FinishJob(SpoolerState& s, SpoolerHandle& handle, w32test::PrintJob::Status status) {
  w32test::PrintJob* job = JobOf(s, handle);
  handle.job = 0;
  if (job == nullptr) return false;
  job->status = status;
  return true;
}

}  // namespace

BOOL ClosePrinter(HANDLE printer) {
  if (w32detail::ShouldFail("ClosePrinter")) return FALSE;
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto it = s.handles.find(reinterpret_cast<uintptr_t>(printer));
  if (it == s.handles.end()) return Fail(ERROR_INVALID_HANDLE);
  FinishJob(s, it->second, w32test::PrintJob::Status::kCancelled);
  s.handles.erase(it);
  return TRUE;
}

DWORD StartDocPrinterW(HANDLE printer, DWORD level, LPBYTE docInfo) {
  if (w32detail::ShouldFail("StartDocPrinterW")) return 0;
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  SpoolerHandle* handle = HandleOf(s, printer);
  if (!handle) return Fail(ERROR_INVALID_HANDLE);
  if (level != 1) return Fail(ERROR_INVALID_LEVEL);
  if (!docInfo) return Fail(ERROR_INVALID_PARAMETER);
  if (handle->job != 0) return Fail(ERROR_INVALID_PRINTER_STATE);
  const auto* info = reinterpret_cast<const DOC_INFO_1W*>(docInfo);
  w32test::PrintJob job;
  job.id = s.nextJob++;
  job.documentName = std::u16string(SpoolerView(info->pDocName));
  job.outputFile = std::u16string(SpoolerView(info->pOutputFile));
  job.datatype = std::u16string(SpoolerView(info->pDatatype));
  s.jobs[handle->printer].push_back(job);
  handle->job = job.id;
  return job.id;
}

BOOL WritePrinter(HANDLE printer, LPVOID buffer, DWORD count, LPDWORD written) {
  if (written) *written = 0;
  if (w32detail::ShouldFail("WritePrinter")) return FALSE;
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  SpoolerHandle* handle = HandleOf(s, printer);
  if (!handle) return Fail(ERROR_INVALID_HANDLE);
  if (!written || (count != 0 && !buffer)) return Fail(ERROR_INVALID_PARAMETER);
  w32test::PrintJob* job = JobOf(s, *handle);
  if (!job) return Fail(ERROR_SPL_NO_STARTDOC);
  job->bytes.append(static_cast<const char*>(buffer), count);
  *written = count;
  return TRUE;
}

BOOL EndDocPrinter(HANDLE printer) {
  if (w32detail::ShouldFail("EndDocPrinter")) return FALSE;
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  SpoolerHandle* handle = HandleOf(s, printer);
  if (!handle) return Fail(ERROR_INVALID_HANDLE);
  if (!FinishJob(s, *handle, w32test::PrintJob::Status::kComplete)) return Fail(ERROR_SPL_NO_STARTDOC);
  return TRUE;
}

BOOL AbortPrinter(HANDLE printer) {
  if (w32detail::ShouldFail("AbortPrinter")) return FALSE;
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  SpoolerHandle* handle = HandleOf(s, printer);
  if (!handle) return Fail(ERROR_INVALID_HANDLE);
  if (!FinishJob(s, *handle, w32test::PrintJob::Status::kCancelled)) return Fail(ERROR_SPL_NO_STARTDOC);
  return TRUE;
}

DWORD GetPrinterDataW(HANDLE printer, LPCWSTR valueName, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed) {
  if (w32detail::ShouldFail("GetPrinterDataW")) return GetLastError();
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  Printer* p = FromHandle(s, printer);
  if (!p) return ERROR_INVALID_HANDLE;
  if (!needed) return ERROR_INVALID_PARAMETER;
  DWORD t = REG_NONE;
  std::vector<BYTE> bytes;
  LONG r = w32detail::RegistryRead(HKEY_LOCAL_MACHINE, DataKey(p->setup.name), SpoolerView(valueName), &t, &bytes);
  if (r != ERROR_SUCCESS) return static_cast<DWORD>(r);
  if (type) *type = t;
  *needed = static_cast<DWORD>(bytes.size());
  if (size < bytes.size()) return ERROR_MORE_DATA;
  if (!bytes.empty()) {
    if (!data) return ERROR_INVALID_PARAMETER;
    std::memcpy(data, bytes.data(), bytes.size());
  }
  return ERROR_SUCCESS;
}

DWORD SetPrinterDataW(HANDLE printer, LPCWSTR valueName, DWORD type, const BYTE* data, DWORD size) {
  if (w32detail::ShouldFail("SetPrinterDataW")) return GetLastError();
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  ACCESS_MASK access = 0;
  Printer* p = FromHandle(s, printer, &access);
  if (!p) return ERROR_INVALID_HANDLE;
  if (!(access & PRINTER_ACCESS_ADMINISTER)) return ERROR_ACCESS_DENIED;
  if (!data && size) return ERROR_INVALID_PARAMETER;
  return static_cast<DWORD>(
      w32detail::RegistryWrite(HKEY_LOCAL_MACHINE, DataKey(p->setup.name), SpoolerView(valueName), type, data, size));
}

DWORD DeletePrinterDataW(HANDLE printer, LPCWSTR valueName) {
  if (w32detail::ShouldFail("DeletePrinterDataW")) return GetLastError();
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  ACCESS_MASK access = 0;
  Printer* p = FromHandle(s, printer, &access);
  if (!p) return ERROR_INVALID_HANDLE;
  if (!(access & PRINTER_ACCESS_ADMINISTER)) return ERROR_ACCESS_DENIED;
  return static_cast<DWORD>(
      w32detail::RegistryRemoveValue(HKEY_LOCAL_MACHINE, DataKey(p->setup.name), SpoolerView(valueName)));
}

BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
  if (w32detail::ShouldFail("GetPrinterW")) return FALSE;
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  Printer* p = FromHandle(s, printer);
  if (!p) return Fail(ERROR_INVALID_HANDLE);
  const w32test::PrinterSetup& in = p->setup;
  if (level == 2) {
    const std::u16string* strings[] = {&in.serverName, &in.name,    &in.shareName,      &in.portName,
                                       &in.driverName, &in.comment, &in.location,       &in.printProcessor,
                                       &in.datatype};
    size_t total = sizeof(PRINTER_INFO_2W) + Round8(in.devMode.size());
    for (const auto* str : strings) total += StringBytes(*str, true);
    if (!Fits(total, buffer, size, needed)) return FALSE;
    Packer pack(buffer, sizeof(PRINTER_INFO_2W));
    PRINTER_INFO_2W r{};
    r.pDevMode = reinterpret_cast<LPDEVMODEW>(pack.Block(in.devMode));
    r.pServerName = pack.String(in.serverName, true);
    r.pPrinterName = pack.String(in.name, true);
    r.pShareName = pack.String(in.shareName, true);
    r.pPortName = pack.String(in.portName, true);
    r.pDriverName = pack.String(in.driverName, true);
    r.pComment = pack.String(in.comment, true);
    r.pLocation = pack.String(in.location, true);
    r.pPrintProcessor = pack.String(in.printProcessor, true);
    r.pDatatype = pack.String(in.datatype, true);
    r.Attributes = in.attributes;
    r.Priority = 1;
    r.DefaultPriority = 1;
    std::memcpy(buffer, &r, sizeof r);
    return TRUE;
  }
  if (level == 7) {
    size_t total = sizeof(PRINTER_INFO_7W) + StringBytes(in.objectGuid, true);
    if (!Fits(total, buffer, size, needed)) return FALSE;
    Packer pack(buffer, sizeof(PRINTER_INFO_7W));
    PRINTER_INFO_7W r{};
    r.pszObjectGUID = pack.String(in.objectGuid, true);
    r.dwAction = in.directoryAction;
    std::memcpy(buffer, &r, sizeof r);
    return TRUE;
  }
  return Fail(ERROR_INVALID_LEVEL);
}

BOOL SetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD command) {
  if (w32detail::ShouldFail("SetPrinterW")) return FALSE;
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  ACCESS_MASK access = 0;
  Printer* p = FromHandle(s, printer, &access);
  if (!p) return Fail(ERROR_INVALID_HANDLE);
  if (!(access & PRINTER_ACCESS_ADMINISTER)) return Fail(ERROR_ACCESS_DENIED);
  if (level != 2 && level != 7) return Fail(ERROR_INVALID_LEVEL);
  if (command != 0 || !info) return Fail(ERROR_INVALID_PARAMETER);
  if (level == 2) {
    PRINTER_INFO_2W r;
    std::memcpy(&r, info, sizeof r);
    std::vector<BYTE> devMode;
    if (r.pDevMode) {
      // The DEVMODE's extent is dmSize (offset 68) plus dmDriverExtra (offset 70).
      const BYTE* dm = reinterpret_cast<const BYTE*>(r.pDevMode);
      size_t publicSize = dm[68] | (dm[69] << 8);
      size_t extra = dm[70] | (dm[71] << 8);
      if (publicSize < 72) return Fail(ERROR_INVALID_PARAMETER);
      devMode.assign(dm, dm + publicSize + extra);
    }
    if (r.pDevMode) p->setup.devMode = std::move(devMode);
    if (r.pComment) p->setup.comment = std::u16string(SpoolerView(r.pComment));
    if (r.pLocation) p->setup.location = std::u16string(SpoolerView(r.pLocation));
    return TRUE;
  }
  PRINTER_INFO_7W r;
  std::memcpy(&r, info, sizeof r);
  if (r.dwAction != DSPRINT_PUBLISH && r.dwAction != DSPRINT_UPDATE && r.dwAction != DSPRINT_UNPUBLISH &&
      r.dwAction != DSPRINT_REPUBLISH)
    return Fail(ERROR_INVALID_PARAMETER);
  p->directoryActions.push_back(r.dwAction);
  return TRUE;
}

BOOL GetPrinterDriverW(HANDLE printer, LPCWSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                       LPDWORD needed) {
  if (w32detail::ShouldFail("GetPrinterDriverW")) return FALSE;
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  Printer* p = FromHandle(s, printer);
  if (!p) return Fail(ERROR_INVALID_HANDLE);
  if (level != 2) return Fail(ERROR_INVALID_LEVEL);
  const w32test::PrinterSetup& in = p->setup;
  if (environment && !w32detail::EqualNoCase(SpoolerView(environment), in.environment))
    return Fail(ERROR_UNKNOWN_PRINTER_DRIVER);
  std::u16string driverPath = DriverFile(in, in.driverPath);
  std::u16string dataFile = DriverFile(in, in.dataFile);
  std::u16string configFile = DriverFile(in, in.configFile);
  size_t total = sizeof(DRIVER_INFO_2W) + StringBytes(in.driverName, false) + StringBytes(in.environment, false) +
                 StringBytes(driverPath, false) + StringBytes(dataFile, false) + StringBytes(configFile, false);
  if (!Fits(total, buffer, size, needed)) return FALSE;
  Packer pack(buffer, sizeof(DRIVER_INFO_2W));
  DRIVER_INFO_2W r{};
  r.cVersion = in.driverVersion;
  r.pName = pack.String(in.driverName, false);
  r.pEnvironment = pack.String(in.environment, false);
  r.pDriverPath = pack.String(driverPath, false);
  r.pDataFile = pack.String(dataFile, false);
  r.pConfigFile = pack.String(configFile, false);
  std::memcpy(buffer, &r, sizeof r);
  return TRUE;
}

BOOL EnumFormsW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
  if (returned) *returned = 0;
  if (w32detail::ShouldFail("EnumFormsW")) return FALSE;
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  Printer* p = FromHandle(s, printer);
  if (!p) return Fail(ERROR_INVALID_HANDLE);
  if (level != 1) return Fail(ERROR_INVALID_LEVEL);
  if (!returned) return Fail(ERROR_INVALID_PARAMETER);
  std::vector<Form> forms = AllForms(s, *p);
  if (!Fits(FormsSize(forms), buffer, size, needed)) return FALSE;
  PackForms(forms, buffer);
  *returned = static_cast<DWORD>(forms.size());
  return TRUE;
}

BOOL GetFormW(HANDLE printer, LPCWSTR formName, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
  if (w32detail::ShouldFail("GetFormW")) return FALSE;
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  Printer* p = FromHandle(s, printer);
  if (!p) return Fail(ERROR_INVALID_HANDLE);
  if (level != 1) return Fail(ERROR_INVALID_LEVEL);
  for (const Form& f : AllForms(s, *p)) {
    if (!w32detail::EqualNoCase(f.name, SpoolerView(formName))) continue;
    std::vector<Form> one{f};
    if (!Fits(FormsSize(one), buffer, size, needed)) return FALSE;
    PackForms(one, buffer);
    return TRUE;
  }
  return Fail(ERROR_INVALID_FORM_NAME);
}

BOOL AddFormW(HANDLE printer, DWORD level, LPBYTE form) {
  if (w32detail::ShouldFail("AddFormW")) return FALSE;
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  Printer* p = FromHandle(s, printer);
  if (!p) return Fail(ERROR_INVALID_HANDLE);
  if (level != 1) return Fail(ERROR_INVALID_LEVEL);
  Form f;
  if (!ReadForm(form, &f)) return FALSE;
  if (f.name.empty()) return Fail(ERROR_INVALID_FORM_NAME);
  if (f.flags != FORM_USER && f.flags != FORM_PRINTER) return Fail(ERROR_INVALID_PARAMETER);
  std::vector<Form>& added = s.forms[SpoolerFold(p->setup.serverName)];
  if (IsBuiltinName(f.name) || FindAddedForm(added, f.name) != added.end()) return Fail(ERROR_FILE_EXISTS);
  added.push_back(std::move(f));
  return TRUE;
}

BOOL SetFormW(HANDLE printer, LPCWSTR formName, DWORD level, LPBYTE form) {
  if (w32detail::ShouldFail("SetFormW")) return FALSE;
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  Printer* p = FromHandle(s, printer);
  if (!p) return Fail(ERROR_INVALID_HANDLE);
  if (level != 1) return Fail(ERROR_INVALID_LEVEL);
  if (IsBuiltinName(SpoolerView(formName))) return Fail(ERROR_INVALID_PARAMETER);
  std::vector<Form>& added = s.forms[SpoolerFold(p->setup.serverName)];
  auto it = FindAddedForm(added, SpoolerView(formName));
  if (it == added.end()) return Fail(ERROR_INVALID_FORM_NAME);
  Form f;
  if (!ReadForm(form, &f)) return FALSE;
  // The form keeps its name and kind; its size and imageable area change.
  it->size = f.size;
  it->area = f.area;
  return TRUE;
}

BOOL DeleteFormW(HANDLE printer, LPCWSTR formName) {
  if (w32detail::ShouldFail("DeleteFormW")) return FALSE;
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  Printer* p = FromHandle(s, printer);
  if (!p) return Fail(ERROR_INVALID_HANDLE);
  if (IsBuiltinName(SpoolerView(formName))) return Fail(ERROR_INVALID_PARAMETER);
  std::vector<Form>& added = s.forms[SpoolerFold(p->setup.serverName)];
  auto it = FindAddedForm(added, SpoolerView(formName));
  if (it == added.end()) return Fail(ERROR_INVALID_FORM_NAME);
  added.erase(it);
  return TRUE;
}

namespace w32test {

void AddPrinter(const PrinterSetup& printer) {
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  Printer& p = s.printers[SpoolerFold(printer.name)];
  p.setup = printer;
  // The printer's key and its (possibly empty) printer-data key exist from installation on.
  w32detail::RegistryCreateKey(HKEY_LOCAL_MACHINE, DataKey(printer.name));
}

void RefuseAccess(const std::u16string& printer, DWORD rights) {
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  if (Printer* p = FindPrinter(s, printer)) p->refused |= rights;
}

std::optional<RegistryValue> ReadPrinterData(const std::u16string& printer, const std::u16string& name) {
  return ReadRegistryValue(HKEY_LOCAL_MACHINE, DataKey(printer), name);
}

void WritePrinterData(const std::u16string& printer, const std::u16string& name, DWORD type, std::vector<BYTE> data) {
  SetRegistryValue(HKEY_LOCAL_MACHINE, DataKey(printer), name, type, std::move(data));
}

std::vector<std::u16string> PrinterDataNames(const std::u16string& printer) {
  return w32detail::RegistryValueNames(HKEY_LOCAL_MACHINE, DataKey(printer));
}

std::u16string PrinterDataKey(const std::u16string& printer) { return DataKey(printer); }

std::vector<BYTE> PrinterDevMode(const std::u16string& printer) {
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  Printer* p = FindPrinter(s, printer);
  return p ? p->setup.devMode : std::vector<BYTE>{};
}

std::vector<DWORD> DirectoryActions(const std::u16string& printer) {
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  Printer* p = FindPrinter(s, printer);
  return p ? p->directoryActions : std::vector<DWORD>{};
}

size_t OpenPrinterCount() {
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  return s.handles.size();
}

std::vector<PrintJob> PrintJobs(const std::u16string& printer) {
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  auto it = s.jobs.find(SpoolerFold(printer));
  return it == s.jobs.end() ? std::vector<PrintJob>{} : it->second;
}

}  // namespace w32test

namespace w32detail {

SpoolerSnapshot TakeSpoolerSnapshot() {
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  SpoolerSnapshot out;
  for (const auto& [folded, p] : s.printers) out.printers.push_back({p.setup, p.refused, p.directoryActions});
  for (const auto& [server, forms] : s.forms)
    for (const Form& f : forms) out.forms.push_back({server, f.name, f.flags, f.size, f.area});
  return out;
}

void RestoreSpooler(const SpoolerSnapshot& snapshot) {
  SpoolerState& s = spoolerState();
  std::lock_guard<std::mutex> g(s.mutex);
  s.printers.clear();
  s.handles.clear();
  s.forms.clear();
  for (const auto& p : snapshot.printers) {
    Printer& printer = s.printers[SpoolerFold(p.setup.name)];
    printer.setup = p.setup;
    printer.refused = p.refused;
    printer.directoryActions = p.directoryActions;
  }
  for (const auto& f : snapshot.forms) s.forms[SpoolerFold(f.server)].push_back(Form{f.name, f.flags, f.size, f.area});
}

}  // namespace w32detail
