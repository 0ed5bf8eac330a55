#include "config/GDMCLibrary.h"

#include "driver/osfactry.h"
#include "model/GStringConversion.h"
#include "rw/RWCString.h"
#include "win32/Process.h"

namespace {

enum EntryIndex {
  kStartConfig,
  kStartExport,
  kSetListSeparator,
  kSetContextRelative,
  kSetContext,
  kSetExport,
  kGetOptionAttribute,
  kGetNamedOptionAttribute,
  kGetNamedFeatureAttribute,
  kGetListSeparator,
  kGetFeatureAttribute,
  kGetContext,
  kGet,
  kGetPRV,
  kEnumOptions,
  kEnumOptionAttributes,
  kEnumListToken,
  kEnumFeatures,
  kEnumFeatureAttributes,
  kEndConfig,
  kEndExport,
  kCharToWide,
  kWideToChar,
};

template <class F>
F As(FARPROC entry) {
  return reinterpret_cast<F>(entry);
}

// Puts the capacity terminator back into a buffer the library wrote.
template <class C>
void Terminate(C* buffer, size_t count) {
  if (buffer != nullptr && count != 0) buffer[count - 1] = 0;
}

}  // namespace

const char* const GDMCLibrary::kEntryNames[GDMCLibrary::kEntryCount] = {
    "DMCStartConfig",        "DMCStartExport",
    "DMCSetListSeparator",   "DMCSetContextRelative",
    "DMCSetContext",         "DMCSetExport",
    "DMCGetOptionAttribute", "DMCGetNamedOptionAttribute",
    "DMCGetNamedFeatureAttribute", "DMCGetListSeparator",
    "DMCGetFeatureAttribute", "DMCGetContext",
    "DMCGet",                "DMCGetPRV",
    "DMCEnumOptions",        "DMCEnumOptionAttributes",
    "DMCEnumListToken",      "DMCEnumFeatures",
    "DMCEnumFeatureAttributes", "DMCEndConfig",
    "DMCEndExport",          "DMCCharToWide",
    "DMCWideToChar",
};

GDMCLibrary::GDMCLibrary() {
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory != nullptr) path_ = factory->GetDriverDirectory();
  path_.AppendText(u"\\");
  path_.AppendText(kFileName);

  // The library registers itself; its answer does not matter here.
  RWWString command(u"regsvr32 /s ");
  command.AppendText(path_.Data());
  RWCString narrow;
  ToNarrowString(command, narrow);
  WinExec(narrow.Data(), SW_SHOWNORMAL);

  module_ = LoadLibraryW(path_.Data());
  if (module_ == nullptr) return;
  loaded_ = 1;
  ResolveEntries();
}

GDMCLibrary::~GDMCLibrary() {
  if (module_ != nullptr) FreeLibrary(module_);
}

void GDMCLibrary::ResolveEntries() {
  for (int i = 0; i < kEntryCount; ++i) entries_[i] = GetProcAddress(module_, kEntryNames[i]);
  entriesResolved_ = 1;
}

int GDMCLibrary::IsSameText(LPCWSTR a, LPCWSTR b) {
  if (a == nullptr) a = u"";
  if (b == nullptr) b = u"";
  while (*a != 0 && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b ? 1 : 0;
}

int GDMCLibrary::DMCStartConfig(LPCWSTR connection, int updateType, LPCWSTR client, int reserved) {
  if (Entry(kStartConfig) == nullptr) return 0;
  return As<StartConfigProc>(Entry(kStartConfig))(connection, updateType, client, reserved);
}

int GDMCLibrary::DMCStartExport(LPCWSTR target, LPCWSTR client, int mode) {
  // The entry is looked up afresh each time.
  entries_[kStartExport] = module_ != nullptr ? GetProcAddress(module_, kEntryNames[kStartExport]) : nullptr;
  if (Entry(kStartExport) == nullptr) return 0;
  return As<StartExportProc>(Entry(kStartExport))(target, client, mode);
}

int GDMCLibrary::DMCSetListSeparator(void* first) {
  if (Entry(kSetListSeparator) == nullptr) return 0;
  return As<OneArgumentProc>(Entry(kSetListSeparator))(first);
}

int GDMCLibrary::DMCSetContextRelative(void* first) {
  if (Entry(kSetContextRelative) == nullptr) return 0;
  return As<OneArgumentProc>(Entry(kSetContextRelative))(first);
}

int GDMCLibrary::DMCSetContext(LPCWSTR path) {
  if (Entry(kSetContext) == nullptr) return 0;
  return As<SetContextProc>(Entry(kSetContext))(path);
}

int GDMCLibrary::DMCSetExport(LPCWSTR path, LPCWSTR option) {
  if (Entry(kSetExport) == nullptr) return 0;
  return As<SetExportProc>(Entry(kSetExport))(path, option);
}

int GDMCLibrary::DMCGetOptionAttribute(void* first, void* second) {
  if (Entry(kGetOptionAttribute) == nullptr) return 0;
  return As<TwoArgumentProc>(Entry(kGetOptionAttribute))(first, second);
}

int GDMCLibrary::DMCGetNamedOptionAttribute(void* first, void* second, void* third) {
  if (Entry(kGetNamedOptionAttribute) == nullptr) return 0;
  return As<ThreeArgumentProc>(Entry(kGetNamedOptionAttribute))(first, second, third);
}

int GDMCLibrary::DMCGetNamedFeatureAttribute(LPCWSTR path, LPCWSTR attribute, LPWSTR text, size_t textChars) {
  if (Entry(kGetNamedFeatureAttribute) == nullptr) return 0;
  const int result = As<GetNamedFeatureAttributeProc>(Entry(kGetNamedFeatureAttribute))(path, attribute, text);
  Terminate(text, textChars);
  return result;
}

int GDMCLibrary::DMCGetListSeparator(void* first) {
  if (Entry(kGetListSeparator) == nullptr) return 0;
  return As<OneArgumentProc>(Entry(kGetListSeparator))(first);
}

int GDMCLibrary::DMCGetFeatureAttribute(void* first, void* second) {
  if (Entry(kGetFeatureAttribute) == nullptr) return 0;
  return As<TwoArgumentProc>(Entry(kGetFeatureAttribute))(first, second);
}

int GDMCLibrary::DMCGetContext(void* first) {
  if (Entry(kGetContext) == nullptr) return 0;
  return As<OneArgumentProc>(Entry(kGetContext))(first);
}

int GDMCLibrary::DMCGet(LPCWSTR path, LPWSTR text, size_t textChars) {
  if (Entry(kGet) == nullptr) return 0;
  const int result = As<GetProc>(Entry(kGet))(path, text);
  Terminate(text, textChars);
  return result;
}

int GDMCLibrary::DMCGetPRV(void* first, void* second) {
  if (Entry(kGetPRV) == nullptr) return 0;
  return As<TwoArgumentProc>(Entry(kGetPRV))(first, second);
}

int GDMCLibrary::DMCEnumOptions(void* first, void* second) {
  if (Entry(kEnumOptions) == nullptr) return 0;
  return As<TwoArgumentProc>(Entry(kEnumOptions))(first, second);
}

int GDMCLibrary::DMCEnumOptionAttributes(void* first, void* second) {
  if (Entry(kEnumOptionAttributes) == nullptr) return 0;
  return As<TwoArgumentProc>(Entry(kEnumOptionAttributes))(first, second);
}

int GDMCLibrary::DMCEnumListToken(LPWSTR token, size_t tokenChars, LPWSTR list, size_t listChars) {
  if (Entry(kEnumListToken) == nullptr) return 0;
  const int result = As<EnumListTokenProc>(Entry(kEnumListToken))(token, list);
  Terminate(token, tokenChars);
  Terminate(list, listChars);
  return result;
}

int GDMCLibrary::DMCEnumFeatures(LPCWSTR context, LPWSTR list, size_t listChars) {
  if (Entry(kEnumFeatures) == nullptr) return 0;
  const int result = As<EnumFeaturesProc>(Entry(kEnumFeatures))(context, list);
  Terminate(list, listChars);
  return result;
}

int GDMCLibrary::DMCEnumFeatureAttributes(void* first, void* second) {
  if (Entry(kEnumFeatureAttributes) == nullptr) return 0;
  return As<TwoArgumentProc>(Entry(kEnumFeatureAttributes))(first, second);
}

int GDMCLibrary::DMCEndConfig() {
  if (Entry(kEndConfig) == nullptr) return 0;
  return As<EndProc>(Entry(kEndConfig))();
}

int GDMCLibrary::DMCEndExport() {
  if (Entry(kEndExport) == nullptr) return 0;
  return As<EndProc>(Entry(kEndExport))();
}

LPWSTR GDMCLibrary::DMCCharToWide(LPWSTR out, size_t outChars, const char* text) {
  if (Entry(kCharToWide) == nullptr) return nullptr;
  As<CharToWideProc>(Entry(kCharToWide))(out, text);
  Terminate(out, outChars);
  return out;
}

int GDMCLibrary::DMCWideToChar(char* out, size_t outBytes, LPCWSTR text) {
  if (Entry(kWideToChar) == nullptr) return 0;
  const int result = As<WideToCharProc>(Entry(kWideToChar))(out, text);
  Terminate(out, outBytes);
  return result;
}
