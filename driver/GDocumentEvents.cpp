#include "driver/GDocumentEvents.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "driver/GDriverInstance.h"
#include "model/GAttributeComposite.h"
#include "model/GBinaryData.h"
#include "model/GConfiguration.h"
#include "model/GFeatureIds.h"
#include "model/GSettingQuery.h"
#include "model/GStringAttribute.h"
#include "model/GStringConversion.h"
#include "win32/Environment.h"
#include "win32/Kernel.h"
#include "win32/Module.h"
#include "win32/Registry.h"
#include "win32/Rpc.h"
#include "win32/Spooler.h"
#include "win32/Time.h"
#include "win32/Version.h"
#include "win32/VersionInfo.h"

using namespace GFeatureIds;

namespace {

constexpr UINT kUntitledUpper = 12111;  // "UNTITLED"
constexpr UINT kUntitled = 11029;       // "Untitled"
constexpr size_t kUserNameChars = 42;
constexpr size_t kPreparedNameChars = 16;
constexpr size_t kRegistryTextBytes = 32;
constexpr int kJobNameAnswerBytes = 512;
constexpr DWORD kModulePathChars = 256;

// Process-wide job state: one set serves the jobs of a process.
std::mutex g_jobLock;
int g_jobPageCount = 0;
int g_pagesPerSheet = 0;
HANDLE g_noticeThread = nullptr;
GDocumentEvents* g_noticeOwner = nullptr;

size_t WLen(const WCHAR* text) {
  size_t n = 0;
  while (text != nullptr && text[n] != 0) ++n;
  return n;
}

uint16_t Read16(const BYTE* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

MPersistentObject* Settings(MDocumentEventHost* host) { return host->GetJobSettings(); }

// Sends narrow zero-terminated text: the input size is its length + 1.
void SendText(HDC dc, int code, const RWCString& text) {
  ExtEscape(dc, code, static_cast<int>(text.Length() + 1), text.Data(), 0, nullptr);
}

RWCString Narrow(const RWWString& wide) {
  RWCString out;
  ToNarrowString(wide, out);
  return out;
}

// A REG_SZ text of at most 32 bytes; false when it cannot be read.
bool ReadRegistryText(HKEY root, LPCWSTR path, LPCWSTR name, RWWString* out) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  BYTE buffer[kRegistryTextBytes + 2] = {};
  DWORD size = kRegistryTextBytes;
  DWORD type = 0;
  LONG rc = RegQueryValueExW(key, name, nullptr, &type, buffer, &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  // The text need not carry its terminator; the buffer's spare units end it.
  size_t units = size / 2;
  const WCHAR* text = reinterpret_cast<const WCHAR*>(buffer);
  size_t length = 0;
  while (length < units && text[length] != 0) ++length;
  *out = RWWString(text, length);
  return true;
}

// The value of the version block, or false.
bool VersionString(const std::vector<BYTE>& block, const WCHAR* name, WORD language, WORD codePage,
                   RWWString* out) {
  char key[96];
  std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\", language, codePage);
  RWWString path(key);
  path.AppendText(name);
  LPVOID value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), path.Data(), &value, &length) || value == nullptr) return false;
  const WCHAR* text = static_cast<const WCHAR*>(value);
  size_t n = 0;
  while (n < length && text[n] != 0) ++n;
  *out = RWWString(text, n);
  return true;
}

// The ASCII form of a name; false when it has nothing left.
RWWString AsciiForm(const RWWString& name, bool* clean) {
  RWWString out;
  *clean = true;
  for (size_t i = 0; i < name.Length(); ++i) {
    WCHAR c = name[i];
    if (c < 32 || c > 126 || c == u'"') {
      *clean = false;
      break;
    }
    if (out.Length() >= kPreparedNameChars) break;
    if (c >= u'a' && c <= u'z') c = static_cast<WCHAR>(c - u'a' + u'A');
    out.AppendText(RWWString(&c, 1).Data());
  }
  return out;
}

}  // namespace

GDocumentEvents::GDocumentEvents(MDocumentEventHost* host) : host_(host) {}

GDocumentEvents::~GDocumentEvents() {
  std::lock_guard<std::mutex> g(g_jobLock);
  if (g_noticeOwner == this && g_noticeThread != nullptr) {
    WaitForSingleObject(g_noticeThread, INFINITE);
    CloseHandle(g_noticeThread);
    g_noticeThread = nullptr;
    g_noticeOwner = nullptr;
  }
}

int GDocumentEvents::GetJobPageCount() {
  std::lock_guard<std::mutex> g(g_jobLock);
  return g_jobPageCount;
}

int GDocumentEvents::GetPagesPerSheet() {
  std::lock_guard<std::mutex> g(g_jobLock);
  return g_pagesPerSheet;
}

// ---- Helpers ----

int GDocumentEvents::IsCharCovered(WCHAR c, const BYTE* map, size_t length) {
  // language, segCountX2, searchRange, entrySelector, rangeShift, endCode[],
  // reservedPad, startCode[]: the announced segment count must fit.
  if (map == nullptr || length < 4) return 0;
  const size_t segments = Read16(map + 2) / 2;
  const size_t ends = 10;
  const size_t starts = ends + 2 * segments + 2;
  if (segments == 0 || length < starts + 2 * segments) return 0;
  for (size_t i = 0; i < segments; ++i) {
    if (Read16(map + ends + 2 * i) >= c) return Read16(map + starts + 2 * i) <= c ? 1 : 0;
  }
  return 0;
}

RWWString GDocumentEvents::PrepareUserName(const RWWString& name, const BYTE* map, size_t mapLength, bool withMap) {
  if (withMap) {
    if (name.IsEmpty()) return host_->LoadResourceString(kUntitled);
    RWWString out;
    size_t replaced = 0;
    for (size_t i = 0; i < name.Length(); ++i) {
      WCHAR c = name[i];
      if (!IsCharCovered(c, map, mapLength)) {
        c = u'~';
        ++replaced;
      }
      out.AppendText(RWWString(&c, 1).Data());
    }
    if (replaced == name.Length()) out = host_->LoadResourceString(kUntitledUpper);
    if (out.Length() > kPreparedNameChars) out = RWWString(out.Data(), kPreparedNameChars);
    return out;
  }
  bool clean = true;
  RWWString out = AsciiForm(name, &clean);
  if (!out.IsEmpty()) return out;
  RWWString fallback = AsciiForm(host_->LoadUIString(kUntitled), &clean);
  if (!clean || fallback.IsEmpty()) fallback = host_->LoadUIString(kUntitledUpper);
  return fallback;
}

RWWString GDocumentEvents::NextJobStorageId(const RWWString& stored) {
  // The stored number is read in full: a 16-bit reading turned values of
  // 32768 and more negative and gave ids of 0 and below.
  long value = 0;
  for (size_t i = 0; i < stored.Length(); ++i) {
    WCHAR c = stored[i];
    if (c < u'0' || c > u'9') break;
    value = value * 10 + (c - u'0');
    if (value > 1000000000L) value %= 999;
  }
  char text[16];
  std::snprintf(text, sizeof text, "%ld", value % 999 + 1);
  return RWWString(text);
}

RWCString GDocumentEvents::OsInfoText() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExW(&info)) return RWCString();
  char text[96];
  std::snprintf(text, sizeof text, "OS Info: %s%lu.%lu;%lu;",
                info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion <= 4 ? "WinNT Kernel;" : "",
                static_cast<unsigned long>(info.dwMajorVersion), static_cast<unsigned long>(info.dwMinorVersion),
                static_cast<unsigned long>(info.dwBuildNumber & 0xFFFF));
  return RWCString(text);
}

std::vector<BYTE> GDocumentEvents::StampedCopy(const BYTE* devMode, bool stamp, uint32_t appFlags) {
  std::vector<BYTE> copy;
  if (devMode == nullptr) return copy;
  const size_t used = static_cast<size_t>(Read16(devMode + 68)) + Read16(devMode + 70);
  copy.assign(used < 262 ? 264 : used, 0);
  std::memcpy(copy.data(), devMode, used);
  if (stamp) {
    for (int i = 0; i < 4; ++i) copy[256 + i] = static_cast<BYTE>((appFlags >> (8 * i)) & 0xFF);
    LONG bias = 0;
    TIME_ZONE_INFORMATION zone{};
    if (GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID) {
      bias = zone.Bias;
    } else {
      long seconds = 0;
      int daylight = 0;
      crt::_get_timezone(&seconds);
      crt::_get_daylight(&daylight);
      bias = static_cast<LONG>(seconds / 60) - (daylight ? 60 : 0);
    }
    copy[260] = static_cast<BYTE>(bias & 0xFF);
    copy[261] = static_cast<BYTE>((bias >> 8) & 0xFF);
  }
  return copy;
}

// ---- Events ----

INT GDocumentEvents::DocumentEvent(HANDLE, HDC dc, INT event, ULONG inSize, void* in, ULONG, void* out) {
  void** args = static_cast<void**>(in);
  // A given input size bounds the pointers read; without one the array is
  // taken as the event defines it.
  const size_t argCount = args == nullptr ? 0 : (inSize != 0 ? inSize / sizeof(void*) : 4);
  auto arg = [&](size_t i) -> void* { return i < argCount ? args[i] : nullptr; };
  GDriverInstance* instance = host_->GetInstance();

  switch (event) {
    case DOCUMENTEVENT_CREATEDCPRE:
    case DOCUMENTEVENT_RESETDCPRE: {
      const bool create = event == DOCUMENTEVENT_CREATEDCPRE;
      auto* devMode = static_cast<const BYTE*>(arg(create ? 2 : 0));
      if (out == nullptr) return DOCUMENTEVENT_SUCCESS;
      if (devMode == nullptr) {
        *static_cast<void**>(out) = nullptr;
        return DOCUMENTEVENT_SUCCESS;
      }
      const bool stamp = !create || arg(3) == nullptr;
      devModeCopy_ = StampedCopy(devMode, stamp, instance != nullptr ? instance->GetAppFlags() : 0);
      *static_cast<void**>(out) = devModeCopy_.data();
      return DOCUMENTEVENT_SUCCESS;
    }
    case DOCUMENTEVENT_CREATEDCPOST:
    case DOCUMENTEVENT_RESETDCPOST: {
      INT result = DOCUMENTEVENT_FAILURE;
      if (host_->LoadDevMode(arg(0))) {
        if (Settings(host_) == nullptr || (host_->GetDevModeState() & 1)) host_->RebuildDocumentSettings();
        result = Settings(host_) != nullptr ? DOCUMENTEVENT_SUCCESS : DOCUMENTEVENT_FAILURE;
      }
      devModeCopy_.clear();
      devModeCopy_.shrink_to_fit();
      return result;
    }
    case DOCUMENTEVENT_STARTDOC:
      StartDoc(dc, args, argCount);
      return DOCUMENTEVENT_SUCCESS;
    case DOCUMENTEVENT_STARTPAGE:
      ++pageCounter_;
      return DOCUMENTEVENT_SUCCESS;
    case DOCUMENTEVENT_ENDPAGE: {
      {
        std::lock_guard<std::mutex> g(g_jobLock);
        ++g_jobPageCount;
      }
      const INT result = watermark_.EndPageWatermark(dc, pageCounter_) ? DOCUMENTEVENT_SUCCESS : DOCUMENTEVENT_FAILURE;
      accounting_.EndPage(instance, host_->GetJobSettings());
      return result;
    }
    case DOCUMENTEVENT_ENDDOC:
      PromptQuery(dc, 1);
      return DOCUMENTEVENT_UNSUPPORTED;
    case DOCUMENTEVENT_ABORTDOC:
      accounting_.AbortJob(instance, host_->GetJobSettings());
      return DOCUMENTEVENT_UNSUPPORTED;
    case DOCUMENTEVENT_ENDDOCPOST:
      EndDocPost();
      return DOCUMENTEVENT_UNSUPPORTED;
    case DOCUMENTEVENT_STARTDOCPOST:
      StartDocPost(dc);
      return DOCUMENTEVENT_UNSUPPORTED;
    default:
      return DOCUMENTEVENT_UNSUPPORTED;
  }
}

void GDocumentEvents::StartDoc(HDC dc, void** args, size_t argCount) {
  {
    std::lock_guard<std::mutex> g(g_jobLock);
    g_jobPageCount = 0;
    g_pagesPerSheet = 0;
  }
  GDriverInstance* instance = host_->GetInstance();
  if (instance != nullptr && instance->IsRemotePrinter() == 0) host_->CanWritePrinterData();
  if (instance != nullptr) delete instance->LoadAddedFonts();
  MPersistentObject* settings = Settings(host_);

  // User name.
  WCHAR user[kUserNameChars] = {};
  DWORD userSize = kUserNameChars;
  if (GetUserNameW(user, &userSize)) {
    user[kUserNameChars - 1] = 0;
    RWWString name(user, WLen(user));
    if (GSettingQuery::Find(settings, kDocumentSettings) != nullptr) {
      const bool withMap = GSettingQuery::Find(settings, kUserNameByMap) != nullptr;
      const BYTE* map = nullptr;
      size_t mapLength = 0;
      if (withMap && instance != nullptr) {
        auto* data =
            dynamic_cast<GBinaryData*>(GSettingQuery::Find(instance->GetPrinterConfiguration(), kDisplayCharMap));
        if (data != nullptr) {
          map = data->GetData();
          mapLength = data->GetLength();
        }
      }
      name = PrepareUserName(name, map, mapLength, withMap);
    }
    SendText(dc, kEscUser, Narrow(name));
  }

  RWWString text;
  if (ReadRegistryText(HKEY_LOCAL_MACHINE, u"System\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
                       u"ComputerName", &text))
    SendText(dc, kEscComputer, Narrow(text));
  const WCHAR* winlogon = u"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
  if (ReadRegistryText(HKEY_LOCAL_MACHINE, winlogon, u"CachePrimaryDomain", &text) ||
      ReadRegistryText(HKEY_LOCAL_MACHINE, winlogon, u"DefaultDomainName", &text))
    SendText(dc, kEscDomain, Narrow(text));

  UUID uuid{};
  RPC_CSTR uuidText = nullptr;
  if (UuidCreate(&uuid) == RPC_S_OK && UuidToStringA(&uuid, &uuidText) == RPC_S_OK && uuidText != nullptr) {
    char payload[37] = {};
    std::strncpy(payload, reinterpret_cast<const char*>(uuidText), 36);
    ExtEscape(dc, kEscUuid, 37, payload, 0, nullptr);
    RpcStringFreeA(&uuidText);
  }

  RWCString os = OsInfoText();
  if (!os.IsEmpty()) SendText(dc, kEscOs, os);

  // The host application.
  WCHAR path[kModulePathChars] = {};
  DWORD pathLength = GetModuleFileNameW(nullptr, path, kModulePathChars);
  if (pathLength >= kModulePathChars) pathLength = kModulePathChars - 1;
  path[pathLength] = 0;
  RWWString description, product, version;
  bool haveDescription = false, haveAll = false;
  DWORD handle = 0;
  const DWORD blockSize = GetFileVersionInfoSizeW(path, &handle);
  if (blockSize != 0) {
    std::vector<BYTE> block(blockSize);
    LPVOID translations = nullptr;
    UINT translationBytes = 0;
    if (GetFileVersionInfoW(path, handle, blockSize, block.data()) &&
        VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &translations, &translationBytes) &&
        translations != nullptr && translationBytes >= 4) {
      const BYTE* last = static_cast<const BYTE*>(translations) + (translationBytes / 4 - 1) * 4;
      const WORD language = Read16(last), codePage = Read16(last + 2);
      haveDescription = VersionString(block, u"FileDescription", language, codePage, &description);
      const bool haveProduct = VersionString(block, u"ProductName", language, codePage, &product);
      const bool haveVersion = VersionString(block, u"ProductVersion", language, codePage, &version);
      haveAll = haveDescription && haveProduct && haveVersion;
    }
  }
  if (haveDescription) SendText(dc, kEscDescription, Narrow(description));
  std::string application("Application Context not Available");
  if (haveAll) {
    application = "Application Info: ";
    for (const RWWString* part : {&description, &product, &version}) {
      RWCString narrow = Narrow(*part);
      application.append(narrow.Data(), narrow.Length());
      application += ";";
    }
  }
  SendText(dc, kEscApplication, RWCString(application.data(), application.size()));

  const WCHAR* name = path;
  for (const WCHAR* p = path; *p != 0; ++p)
    if (*p == u'\\') name = p + 1;
  SendText(dc, kEscExecutable, Narrow(RWWString(name)));
  SendText(dc, kEscPort, Narrow(instance != nullptr ? instance->GetPortName() : RWWString()));

  host_->ReleaseAdminHandle();

  const DOCINFOW* docInfo = argCount > 0 ? static_cast<const DOCINFOW*>(args[0]) : nullptr;
  accounting_.BeginJob(instance, host_->GetJobSettings(), docInfo);
}

void GDocumentEvents::StartDocPost(HDC dc) {
  watermark_.StartDocWatermark(host_->GetJobSettings());
  host_->RebuildDocumentSettings();
  MPersistentObject* group = GSettingQuery::Find(Settings(host_), kDocumentSettings);

  // Job storage id.
  int32_t storageOn = 0;
  RWCString storageId;
  auto* idAttribute = dynamic_cast<GStringAttribute*>(GSettingQuery::Find(group, kJobStorageId));
  if (GSettingQuery::NumberAt(group, kJobStorageOn, &storageOn) && storageOn == 1 && idAttribute != nullptr &&
      idAttribute->GetString().IsEmpty()) {
    WCHAR uuid[64] = {};
    DWORD type = 0, needed = 0;
    RWWString printerUuid;
    if (GetPrinterDataW(host_->GetPrinterHandle(), u"PrinterUUID", &type, reinterpret_cast<LPBYTE>(uuid),
                        sizeof uuid - sizeof(WCHAR), &needed) == ERROR_SUCCESS)
      printerUuid = RWWString(uuid, std::min<size_t>(needed / 2, 63));
    RWWString keyPath(u"Software\\Quorvale\\");
    keyPath.AppendText(RWWString(printerUuid.Data(), WLen(printerUuid.Data())).Data());
    keyPath.AppendText(u"\\LocalJobStorageData");
    // The stored number (default "1"); the next one is given to the job even
    // when the key cannot be opened or written.
    HKEY key = nullptr;
    RWWString stored(u"1");
    const bool opened = RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.Data(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                        &key, nullptr) == ERROR_SUCCESS;
    if (opened) {
      BYTE buffer[66] = {};
      DWORD size = 64;
      DWORD valueType = 0;
      if (RegQueryValueExW(key, u"JobStorageUniqueID", nullptr, &valueType, buffer, &size) == ERROR_SUCCESS &&
          valueType == REG_SZ) {
        const WCHAR* text = reinterpret_cast<const WCHAR*>(buffer);
        size_t n = 0;
        while (n < size / 2 && text[n] != 0) ++n;
        stored = RWWString(text, n);
      }
    }
    RWWString next = NextJobStorageId(stored);
    idAttribute->SetString(Narrow(next));
    if (opened) {
      RegSetValueExW(key, u"JobStorageUniqueID", 0, REG_SZ, reinterpret_cast<const BYTE*>(next.Data()),
                     static_cast<DWORD>((next.Length() + 1) * sizeof(WCHAR)));
      RegCloseKey(key);
    }
  }

  // Job-storage notice.
  GDriverInstance* instance = host_->GetInstance();
  DWORD noticeOff = 0;
  if (instance != nullptr) {
    HKEY key = nullptr;
    RWWString path = instance->GetJobStorageKeyPath();
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.Data(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
      DWORD size = sizeof noticeOff, type = 0;
      if (RegQueryValueExW(key, u"LocalJobStorage", nullptr, &type, reinterpret_cast<BYTE*>(&noticeOff), &size) !=
              ERROR_SUCCESS ||
          type != REG_DWORD)
        noticeOff = 0;
      RegCloseKey(key);
    }
  }
  if (noticeOff == 0) {
    host_->RebuildDocumentSettings();
    group = GSettingQuery::Find(Settings(host_), kDocumentSettings);
    int32_t wanted = 0, useJobName = 0;
    if (GSettingQuery::NumberAt(group, kJobRetentionModeChoice, &wanted) && wanted != 0 &&
        GSettingQuery::NumberAt(group, kJobNameSource, &useJobName)) {
      if (useJobName != 0) {
        RWCString jobName;
        GSettingQuery::TextAt(group, kJobName, &jobName, GSettingQuery::kString);
        RWWString wide;
        ToWideString(jobName, wide);
        host_->SetJobDisplayName(wide);
      } else {
        // The answer is not trusted to hold its terminator.
        char answer[kJobNameAnswerBytes + 1] = {};
        if (ExtEscape(dc, kEscDescription, 0, nullptr, kJobNameAnswerBytes, answer) > 0) {
          RWWString wide;
          ToWideString(RWCString(answer, strnlen(answer, kJobNameAnswerBytes)), wide);
          host_->SetJobDisplayName(wide);
        }
      }
      StartNoticeThread();
    }
  }

  pageCounter_ = 0;
  int32_t nup = 0;
  if (GSettingQuery::NumberAt(GSettingQuery::Find(Settings(host_), kNUpLayout), kNUpChoice, &nup)) {
    std::lock_guard<std::mutex> g(g_jobLock);
    g_pagesPerSheet = nup;
  }
}

bool GDocumentEvents::EndOfJobSheetWanted() {
  GDriverInstance* instance = host_->GetInstance();
  MPersistentObject* settings = Settings(host_);
  if (instance == nullptr || GSettingQuery::Find(settings, kDriverDecidesSheet) == nullptr) return false;
  int pages = 0, perSheet = 0;
  {
    std::lock_guard<std::mutex> g(g_jobLock);
    pages = g_jobPageCount;
    perSheet = g_pagesPerSheet;
  }
  // A job without its n-up value prints one page per sheet; the count is
  // never divided by 0.
  if (perSheet <= 0) perSheet = 1;
  const bool moreThanOneSheet = pages / perSheet > 1 || (pages / perSheet == 1 && pages % perSheet != 0);
  bool show = (pages != 1 && moreThanOneSheet) || GSettingQuery::NumberOr(settings, kBookletPrintingChoice, 0) != 0;
  if (!show) return false;

  RWCString mediaType;
  GSettingQuery::TextAt(settings, kMediaType, &mediaType, GSettingQuery::kString);
  int32_t mediaCheck = -1;
  if (instance->IsMediaTypeAllowed(mediaType) && GSettingQuery::NumberAt(settings, kStraightPaperPath, &mediaCheck) &&
      mediaCheck == 0) {
    const int32_t paperSize = GSettingQuery::NumberOr(settings, kPaperSize, 0);
    int32_t paper = paperSize;
    if (GSettingQuery::NumberOr(settings, kFitToOtherSizeChoice, 0) != 0 || paperSize == 21 || paperSize == 22 ||
        paperSize == 39 || paperSize == 44)
      paper = GSettingQuery::NumberOr(settings, kTargetSizeChoice, 0);
    auto* composite = dynamic_cast<GAttributeComposite*>(settings);
    if (paper > 0x4000) paper = instance->ResolvePaperId(composite, static_cast<int16_t>(paper));
    if (GSettingQuery::NumberOr(settings, kDuplexUnit, 0) == 1) {
      auto* list = dynamic_cast<GAttributeComposite*>(
          GSettingQuery::Find(instance->GetPrinterConfiguration(), kDuplexUnitPaperSizes));
      const int count = list != nullptr ? list->GetEntryCount() : 0;
      for (int i = 0; i < count; ++i) {
        int32_t value = 0;
        if (GSettingQuery::Number(list->ChildAt(static_cast<size_t>(i)), &value) && value == paper) show = false;
      }
      if (paper >= 0x4000 && instance->IsMediaSizeWithinLimits(static_cast<int16_t>(paper), composite)) show = false;
    }
  }
  return show;
}

void GDocumentEvents::EndDocPost() {
  JoinNoticeThread();
  GDriverInstance* instance = host_->GetInstance();
  if (instance != nullptr && instance->GetEventValue() == 1) host_->SetLocalJobStorage(1);
  accounting_.EndJob(instance, host_->GetJobSettings());
  if (EndOfJobSheetWanted()) ShowPromptSheet();
  std::lock_guard<std::mutex> g(g_jobLock);
  g_jobPageCount = 0;
  g_pagesPerSheet = 0;
}

int GDocumentEvents::PromptQuery(HDC dc, int phase) {
  MPersistentObject* settings = Settings(host_);
  int32_t duplex = 0, manual = 0;
  if (!GSettingQuery::NumberAt(settings, kDuplex, &duplex) || duplex == 0 ||
      !GSettingQuery::NumberAt(settings, kManualDuplex, &manual) || manual == 0)
    return 1;
  char payload[12] = {};
  const uint32_t words[3] = {kPromptMarker, static_cast<uint32_t>(phase), 0};
  for (int w = 0; w < 3; ++w)
    for (int i = 0; i < 4; ++i) payload[w * 4 + i] = static_cast<char>((words[w] >> (8 * i)) & 0xFF);
  const int answer = ExtEscape(dc, kEscPrompt, sizeof payload, payload, 0, nullptr);
  if (phase == 1 && answer == 1 && GSettingQuery::Find(settings, kDriverDecidesSheet) == nullptr) ShowPromptSheet();
  return 1;
}

int GDocumentEvents::ShowPromptSheet() {
  MPersistentObject* settings = Settings(host_);
  int32_t duplex = 0, manual = 0;
  if (!GSettingQuery::NumberAt(settings, kDuplex, &duplex) || duplex == 0 ||
      !GSettingQuery::NumberAt(settings, kManualDuplex, &manual) || manual == 0)
    return 1;
  host_->OpenPromptSheet();
  host_->ReleaseAdminHandle();
  return 1;
}

// ---- The job-storage notice ----

void GDocumentEvents::StartNoticeThread() {
  JoinNoticeThread();
  HANDLE thread = CreateThread(nullptr, 0, &GDocumentEvents::NoticeThread, this, 0, nullptr);
  std::lock_guard<std::mutex> g(g_jobLock);
  g_noticeThread = thread;
  g_noticeOwner = thread != nullptr ? this : nullptr;
}

void GDocumentEvents::JoinNoticeThread() {
  HANDLE thread = nullptr;
  {
    std::lock_guard<std::mutex> g(g_jobLock);
    thread = g_noticeThread;
    g_noticeThread = nullptr;
    g_noticeOwner = nullptr;
  }
  if (thread == nullptr) return;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

DWORD GDocumentEvents::NoticeThread(void* self) {
  auto* events = static_cast<GDocumentEvents*>(self);
  MDocumentEventHost* host = events->host_;
  GDriverInstance* instance = host->GetInstance();
  if (instance == nullptr) return 1;
  MPersistentObject* group = GSettingQuery::Find(host->GetJobSettings(), kDocumentSettings);
  RWWString user;
  RWCString narrowUser;
  int32_t useLogin = -1;
  if (GSettingQuery::NumberAt(group, kUserNameSource, &useLogin) && useLogin == 0) {
    WCHAR login[kUserNameChars] = {};
    DWORD size = kUserNameChars;
    if (GetUserNameW(login, &size)) {
      size_t n = WLen(login);
      user = RWWString(login, n < kPreparedNameChars ? n : kPreparedNameChars);
    }
  } else if (GSettingQuery::TextAt(group, kJobUserName, &narrowUser, GSettingQuery::kString)) {
    ToWideString(narrowUser, user);
  }
  std::vector<RWWString> texts = {instance->GetPrinterName(), instance->GetPortName(), user,
                                  host->GetJobDisplayName(), host->GetPrinterLocation()};
  if (host->RunJobStorageNotice(texts) == 0) instance->SetEventValue(1);
  return 1;
}
