// A test fake of the configuration library "QVCDMC32.dll" for the stand-in's
// module table: an in-memory tree of features (full paths such as
// "printing/Duplex") with their option texts and named attributes, exported
// through the library's entry points. Like a real library it learns the
// size of every buffer it is handed from the terminator at its end and never
// writes past it; it records each buffer it saw (capacity, whether it came
// blank-filled), every call and every exported value. Modes make it behave
// badly on purpose (texts without terminator, a list walk that never ends).
//
// The feature list that DMCEnumFeatures writes is the feature names, each
// followed by ';'. DMCEnumListToken takes the first name off the list in
// the caller's buffer and moves the rest to the front.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "win32/Module.h"
#include "w32test/Testing.h"

namespace qvtest {

struct FakeDMCFeature {
  std::u16string path;    // "printing/Duplex"
  std::u16string option;  // current option text
  std::map<std::u16string, std::u16string> attributes;  // "lock" -> "TRUE"
};

// A buffer as the fake found it when a call handed it over.
struct FakeDMCBuffer {
  std::string entry;         // "DMCGet", "DMCEnumFeatures", ...
  size_t capacityUnits = 0;  // characters (bytes for narrow buffers) before the terminator, plus 1
  bool blankFilled = true;   // every unit before the terminator was the fill
};

struct FakeDMCState {
  std::vector<FakeDMCFeature> features;  // in listing order
  std::u16string current;                // current feature path
  std::vector<std::string> calls;        // entry names in order
  std::vector<std::pair<std::u16string, std::u16string>> exports;  // DMCSetExport (path, option)
  std::vector<FakeDMCBuffer> buffers;
  std::vector<std::u16string> startConfig;  // connection names of DMCStartConfig
  std::vector<int> startConfigTypes;
  std::vector<std::u16string> startExport;  // target names of DMCStartExport
  int startConfigResult = 1;
  int startExportResult = 1;
  int enumFeaturesResult = 1;        // answer when the context has features
  int lockAnswer = 1;                // DMCGetNamedFeatureAttribute's answer for an existing attribute
  std::vector<std::u16string> refusedExports;  // "path=option" that DMCSetExport refuses
  std::vector<std::u16string> unknownContexts;  // contexts DMCEnumFeatures refuses
  bool noTerminators = false;        // texts fill the whole buffer, terminator slot included
  bool endlessTokens = false;        // DMCEnumListToken always answers a token
};

inline FakeDMCState& FakeDMC() {
  static FakeDMCState state;
  return state;
}

namespace fakedmc {

inline std::u16string Str(LPCWSTR s) { return s != nullptr ? std::u16string(s) : std::u16string(); }

inline FakeDMCFeature* Find(const std::u16string& path) {
  for (auto& f : FakeDMC().features)
    if (f.path == path) return &f;
  return nullptr;
}

// Measures a buffer by its terminator and records it.
template <class C>
size_t Measure(const char* entry, const C* buffer, C fill) {
  FakeDMCBuffer seen;
  seen.entry = entry;
  size_t n = 0;
  // A buffer larger than any the driver uses would be a fault of its own.
  while (n < 4096 && buffer[n] != 0) {
    if (buffer[n] != fill) seen.blankFilled = false;
    ++n;
  }
  seen.capacityUnits = n + 1;
  FakeDMC().buffers.push_back(seen);
  return n + 1;
}

// Writes text into a buffer of capacity units: cut to fit, terminated
// (or, in the no-terminator mode, filling every unit).
template <class C, class S>
void Write(C* buffer, size_t capacity, const S& text) {
  if (FakeDMC().noTerminators) {
    for (size_t i = 0; i < capacity; ++i) buffer[i] = static_cast<C>(i < text.size() ? text[i] : C('X'));
    return;
  }
  size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
  for (size_t i = 0; i < n; ++i) buffer[i] = static_cast<C>(text[i]);
  buffer[n] = 0;
}

inline int StartConfig(LPCWSTR connection, int type, LPCWSTR client, int reserved) {
  FakeDMC().calls.push_back("DMCStartConfig");
  FakeDMC().startConfig.push_back(Str(connection));
  FakeDMC().startConfigTypes.push_back(type);
  if (Str(client) != u"DMC_DRIVER" || reserved != 0) return 0;
  return FakeDMC().startConfigResult;
}
inline int StartExport(LPCWSTR target, LPCWSTR client, int mode) {
  FakeDMC().calls.push_back("DMCStartExport");
  FakeDMC().startExport.push_back(Str(target));
  if (Str(client) != u"DMC_DRIVER" || mode != 1) return 0;
  return FakeDMC().startExportResult;
}
inline int EndConfig() {
  FakeDMC().calls.push_back("DMCEndConfig");
  return 1;
}
inline int EndExport() {
  FakeDMC().calls.push_back("DMCEndExport");
  return 1;
}
inline int SetContext(LPCWSTR path) {
  FakeDMC().calls.push_back("DMCSetContext");
  if (Find(Str(path)) == nullptr) return 0;
  FakeDMC().current = Str(path);
  return 1;
}
inline int Get(LPCWSTR path, LPWSTR text) {
  FakeDMC().calls.push_back("DMCGet");
  const size_t capacity = Measure<WCHAR>("DMCGet", text, u' ');
  FakeDMCFeature* f = Find(path != nullptr ? Str(path) : FakeDMC().current);
  if (f == nullptr) return 0;
  Write(text, capacity, f->option);
  return 1;
}
inline int SetExport(LPCWSTR path, LPCWSTR option) {
  FakeDMC().calls.push_back("DMCSetExport");
  FakeDMC().exports.emplace_back(Str(path), Str(option));
  for (const auto& r : FakeDMC().refusedExports)
    if (r == Str(path) + u"=" + Str(option)) return 0;
  return 1;
}
inline int GetNamedFeatureAttribute(LPCWSTR path, LPCWSTR name, LPWSTR text) {
  FakeDMC().calls.push_back("DMCGetNamedFeatureAttribute");
  const size_t capacity = Measure<WCHAR>("DMCGetNamedFeatureAttribute", text, u' ');
  FakeDMCFeature* f = Find(Str(path));
  if (f == nullptr) return 0;
  auto it = f->attributes.find(Str(name));
  if (it == f->attributes.end()) return 0;
  Write(text, capacity, it->second);
  return FakeDMC().lockAnswer;
}
inline int EnumFeatures(LPCWSTR context, LPWSTR list) {
  FakeDMC().calls.push_back("DMCEnumFeatures");
  const size_t capacity = Measure<WCHAR>("DMCEnumFeatures", list, WCHAR(0x2020));
  const std::u16string prefix = Str(context) + u"/";
  for (const auto& c : FakeDMC().unknownContexts)
    if (c == Str(context)) return 0;
  std::u16string names;
  bool any = false;
  for (const auto& f : FakeDMC().features) {
    if (f.path.compare(0, prefix.size(), prefix) != 0) continue;
    const std::u16string name = f.path.substr(prefix.size());
    if (name.find(u'/') != std::u16string::npos) continue;
    names += name + u";";
    any = true;
  }
  Write(list, capacity, names);
  return any ? FakeDMC().enumFeaturesResult : 0;
}
inline int EnumListToken(LPWSTR token, LPWSTR list) {
  FakeDMC().calls.push_back("DMCEnumListToken");
  const size_t tokenCapacity = Measure<WCHAR>("DMCEnumListToken", token, u' ');
  if (FakeDMC().endlessTokens) {
    Write(token, tokenCapacity, std::u16string(u"Copies"));
    return 1;
  }
  std::u16string rest;
  for (size_t i = 0; i < 4096 && list[i] != 0; ++i) rest += list[i];
  const size_t cut = rest.find(u';');
  if (rest.empty() || cut == std::u16string::npos) return 0;
  Write(token, tokenCapacity, rest.substr(0, cut));
  const std::u16string after = rest.substr(cut + 1);
  for (size_t i = 0; i < after.size(); ++i) list[i] = after[i];
  list[after.size()] = 0;
  return 1;
}
inline LPWSTR CharToWide(LPWSTR out, const char* text) {
  FakeDMC().calls.push_back("DMCCharToWide");
  // The wide buffers of the conversions are not blank-filled: the widened
  // text is written as it is, as the library's own conversions do.
  std::u16string wide;
  for (const char* p = text; p != nullptr && *p != 0; ++p) wide += static_cast<char16_t>(static_cast<unsigned char>(*p));
  for (size_t i = 0; i < wide.size(); ++i) out[i] = wide[i];
  out[wide.size()] = 0;
  return out;
}
inline int WideToChar(char* out, LPCWSTR text) {
  FakeDMC().calls.push_back("DMCWideToChar");
  const size_t capacity = Measure<char>("DMCWideToChar", out, ' ');
  std::string narrow;
  for (LPCWSTR p = text; p != nullptr && *p != 0; ++p) narrow += static_cast<char>(*p < 0x100 ? *p : '?');
  Write(out, capacity, narrow);
  return 1;
}
inline int Unused1(void*) { return 0; }
inline int Unused2(void*, void*) { return 0; }
inline int Unused3(void*, void*, void*) { return 0; }

}  // namespace fakedmc

// Every entry name the fake exports.
inline std::vector<std::string> AllDMCEntries() {
  return {"DMCStartConfig",        "DMCStartExport",         "DMCSetListSeparator",  "DMCSetContextRelative",
          "DMCSetContext",         "DMCSetExport",           "DMCGetOptionAttribute", "DMCGetNamedOptionAttribute",
          "DMCGetNamedFeatureAttribute", "DMCGetListSeparator", "DMCGetFeatureAttribute", "DMCGetContext",
          "DMCGet",                "DMCGetPRV",              "DMCEnumOptions",       "DMCEnumOptionAttributes",
          "DMCEnumListToken",      "DMCEnumFeatures",        "DMCEnumFeatureAttributes", "DMCEndConfig",
          "DMCEndExport",          "DMCCharToWide",          "DMCWideToChar"};
}

// The module-table entry of the fake as "<directory>\QVCDMC32.dll" with the
// named entries.
inline w32test::ModuleSpec FakeConfigLibrarySpec(const std::u16string& directory,
                                                 const std::vector<std::string>& entries = AllDMCEntries()) {
  w32test::ModuleSpec spec;
  spec.name = u"QVCDMC32.dll";
  spec.path = directory + u"\\QVCDMC32.dll";
  for (const std::string& e : entries) {
    using namespace fakedmc;
    FARPROC p = nullptr;
    if (e == "DMCStartConfig") p = w32test::Export(&StartConfig);
    else if (e == "DMCStartExport") p = w32test::Export(&StartExport);
    else if (e == "DMCSetContext") p = w32test::Export(&SetContext);
    else if (e == "DMCSetExport") p = w32test::Export(&SetExport);
    else if (e == "DMCGetNamedFeatureAttribute") p = w32test::Export(&GetNamedFeatureAttribute);
    else if (e == "DMCGet") p = w32test::Export(&Get);
    else if (e == "DMCEnumListToken") p = w32test::Export(&EnumListToken);
    else if (e == "DMCEnumFeatures") p = w32test::Export(&EnumFeatures);
    else if (e == "DMCEndConfig") p = w32test::Export(&EndConfig);
    else if (e == "DMCEndExport") p = w32test::Export(&EndExport);
    else if (e == "DMCCharToWide") p = w32test::Export(&CharToWide);
    else if (e == "DMCWideToChar") p = w32test::Export(&WideToChar);
    else if (e == "DMCGetNamedOptionAttribute") p = w32test::Export(&Unused3);
    else if (e == "DMCSetListSeparator" || e == "DMCSetContextRelative" || e == "DMCGetListSeparator" ||
             e == "DMCGetContext")
      p = w32test::Export(&Unused1);
    else p = w32test::Export(&Unused2);
    spec.exports[e] = p;
  }
  return spec;
}

// Installs the fake with the named entries (all by default) and clears its
// state.
inline HMODULE InstallFakeConfigLibrary(const std::u16string& directory,
                                        const std::vector<std::string>& entries = AllDMCEntries()) {
  FakeDMC() = FakeDMCState();
  return w32test::InstallModule(FakeConfigLibrarySpec(directory, entries));
}

// Adds (or replaces) a feature of the fake's tree.
inline void SetDMCFeature(const std::u16string& path, const std::u16string& option,
                          std::map<std::u16string, std::u16string> attributes = {}) {
  if (FakeDMCFeature* f = fakedmc::Find(path)) {
    f->option = option;
    f->attributes = std::move(attributes);
    return;
  }
  FakeDMC().features.push_back({path, option, std::move(attributes)});
}

}  // namespace qvtest
