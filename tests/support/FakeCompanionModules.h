// Test fakes of the companion modules in the stand-in's module table: the
// job-accounting library "qvkeys32.dll", which records every call of its
// entry points, "QVBAFD32.DLL", which answers scripted application flags,
// and the agent's mini-installer "QVBMINI.DLL", which records its starts and
// stops. A test installs them with the entries it wants and reads the calls.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "win32/Module.h"
#include "w32test/Testing.h"

namespace qvtest {

struct AccountingCall {
  std::string entry;  // "ksBeginJobEx", "ksBeginJob", "ksEndPage", "ksEndJob"
  std::vector<std::u16string> texts;  // the text arguments in order
  std::string record;                 // the record's bytes (28 for a job, 16 for a page)
  DWORD job = 0;                      // the job handle passed in
  int aborted = -1;                   // ksEndJob's flag
};

struct FakeAccounting {
  std::vector<AccountingCall> calls;
  DWORD nextJob = 77;  // the job handle the begin entries answer (0 refuses)
};

inline FakeAccounting& Accounting() {
  static FakeAccounting state;
  return state;
}

namespace fakeacct {
inline std::u16string Text(LPCWSTR s) { return s ? std::u16string(s) : std::u16string(u"<null>"); }
inline DWORD BeginJobEx(LPCWSTR app, LPCWSTR doc, LPCWSTR printer, LPCWSTR out1, LPCWSTR out2, BYTE* record) {
  AccountingCall c;
  c.entry = "ksBeginJobEx";
  c.texts = {Text(app), Text(doc), Text(printer), Text(out1), Text(out2)};
  c.record.assign(reinterpret_cast<const char*>(record), 28);
  Accounting().calls.push_back(c);
  return Accounting().nextJob;
}
inline DWORD BeginJob(LPCWSTR doc, LPCWSTR out1, LPCWSTR out2, BYTE* record) {
  AccountingCall c;
  c.entry = "ksBeginJob";
  c.texts = {Text(doc), Text(out1), Text(out2)};
  c.record.assign(reinterpret_cast<const char*>(record), 28);
  Accounting().calls.push_back(c);
  return Accounting().nextJob;
}
inline int EndPage(DWORD job, BYTE* record) {
  AccountingCall c;
  c.entry = "ksEndPage";
  c.job = job;
  c.record.assign(reinterpret_cast<const char*>(record), 16);
  Accounting().calls.push_back(c);
  return 1;
}
inline int EndJob(DWORD job, int aborted) {
  AccountingCall c;
  c.entry = "ksEndJob";
  c.job = job;
  c.aborted = aborted;
  Accounting().calls.push_back(c);
  return 1;
}
}  // namespace fakeacct

// Installs "qvkeys32.dll" with the named entries (all four by default) and
// clears the recorded calls.
inline HMODULE InstallAccountingLibrary(
    const std::vector<std::string>& entries = {"ksBeginJob", "ksBeginJobEx", "ksEndPage", "ksEndJob"}) {
  Accounting() = FakeAccounting();
  w32test::ModuleSpec spec;
  spec.name = u"qvkeys32.dll";
  for (const std::string& e : entries) {
    if (e == "ksBeginJob") spec.exports[e] = w32test::Export(&fakeacct::BeginJob);
    if (e == "ksBeginJobEx") spec.exports[e] = w32test::Export(&fakeacct::BeginJobEx);
    if (e == "ksEndPage") spec.exports[e] = w32test::Export(&fakeacct::EndPage);
    if (e == "ksEndJob") spec.exports[e] = w32test::Export(&fakeacct::EndJob);
  }
  return w32test::InstallModule(spec);
}

// "QVBAFD32.DLL" answering GetAppFlags with the given flags.
inline DWORD& FakeAppFlags() {
  static DWORD flags = 0;
  return flags;
}
namespace fakebafd {
inline DWORD GetAppFlags() { return FakeAppFlags(); }
}  // namespace fakebafd
inline HMODULE InstallAppFlagsModule(DWORD flags) {
  FakeAppFlags() = flags;
  w32test::ModuleSpec spec;
  spec.name = u"QVBAFD32.DLL";
  spec.exports["GetAppFlags"] = w32test::Export(&fakebafd::GetAppFlags);
  return w32test::InstallModule(spec);
}

// "QVBMINI.DLL": every call of its two entries, and what they answer.
struct MiniInstallerCall {
  std::string entry;  // "InitializeMiniInstaller" or "KillMiniInstaller"
  HANDLE printer = nullptr;
  std::u16string printerName;  // "<null>" when none was given
  int mode = 0;
};

struct FakeMiniInstallerState {
  std::vector<MiniInstallerCall> calls;
  int initializeResult = 1;  // 0 and 1 count as started
  int killResult = 0;
  size_t Count(const std::string& entry) const {
    size_t n = 0;
    for (const MiniInstallerCall& c : calls) n += c.entry == entry ? 1 : 0;
    return n;
  }
};

inline FakeMiniInstallerState& MiniInstaller() {
  static FakeMiniInstallerState state;
  return state;
}

namespace fakemini {
inline int Record(const char* entry, HANDLE printer, const WCHAR* name, int mode) {
  MiniInstallerCall c;
  c.entry = entry;
  c.printer = printer;
  c.printerName = name != nullptr ? std::u16string(name) : std::u16string(u"<null>");
  c.mode = mode;
  MiniInstaller().calls.push_back(c);
  return 0;
}
inline int Initialize(HANDLE printer, const WCHAR* name, int mode) {
  Record("InitializeMiniInstaller", printer, name, mode);
  return MiniInstaller().initializeResult;
}
inline int Kill(HANDLE printer, const WCHAR* name, int mode) {
  Record("KillMiniInstaller", printer, name, mode);
  return MiniInstaller().killResult;
}
}  // namespace fakemini

// Installs "QVBMINI.DLL" in the driver directory with the named entries
// (both by default) and clears the recorded calls. Returns the module's
// full path.
inline std::u16string InstallMiniInstaller(const std::u16string& driverDirectory,
                                           const std::vector<std::string>& entries = {"InitializeMiniInstaller",
                                                                                      "KillMiniInstaller"}) {
  MiniInstaller() = FakeMiniInstallerState();
  w32test::ModuleSpec spec;
  spec.name = driverDirectory + u"\\QVBMINI.DLL";
  for (const std::string& e : entries) {
    if (e == "InitializeMiniInstaller") spec.exports[e] = w32test::Export(&fakemini::Initialize);
    if (e == "KillMiniInstaller") spec.exports[e] = w32test::Export(&fakemini::Kill);
  }
  w32test::InstallModule(spec);
  return spec.name;
}

}  // namespace qvtest
