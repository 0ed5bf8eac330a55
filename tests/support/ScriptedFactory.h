// A platform factory for the driver core's tests: every platform operation
// is answered from memory (files that exist, a scripted random sequence,
// blob values, a lock that can be made to fail), so the base class's own
// algorithms can be watched call by call.
#pragma once

#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "driver/GLock.h"
#include "driver/osfactry.h"
#include "model/GPersistInStream.h"
#include "model/GPersistOutStream.h"
#include "support/ScopedUpwardServices.h"

namespace qvtest {

// A lock that counts its calls and fails when told to.
class FakeLock : public GLock {
 public:
  static inline int live = 0;
  FakeLock() { ++live; }
  ~FakeLock() override { --live; }
  int Lock() override {
    ++locks;
    return failLock ? -1 : 0;
  }
  int Unlock() override {
    ++unlocks;
    return failUnlock ? -2 : 0;
  }
  int locks = 0;
  int unlocks = 0;
  bool failLock = false;
  bool failUnlock = false;
};

inline std::u16string Text(const RWWString& s) { return std::u16string(s.Data(), s.Length()); }

class ScriptedFactory : public GOSFactory {
 public:
  static inline int live = 0;
  explicit ScriptedFactory(FakeLock* factoryLock = nullptr) {
    ++live;
    if (factoryLock != nullptr) SetFactoryLock(factoryLock);
  }
  ~ScriptedFactory() override { --live; }

  // ---- What the tests script ----
  std::deque<int> randoms;          // taken in order; 0 once used up
  std::set<std::u16string> files;   // names that exist
  bool canCreate = true;
  std::vector<std::u16string> existsAsked;
  std::vector<std::u16string> created;
  int seeds = 0;
  std::map<std::u16string, std::vector<BYTE>> blobs;
  std::vector<std::u16string> blobWrites;
  bool failBlobWrite = false;
  int locksCreated = 0;

  GDriverInstance* CreateDriver(GPrinterKey*) override { return nullptr; }
  GDriverInstance* CreateRenderInstance(GPrinterKey*) override { return nullptr; }
  void* CreateRenderCompanion(GDriverInstance*) override { return nullptr; }
  int GetDateTime(GDateTime*, GDateTime*, int16_t*) override { return 0; }
  int QueryPlatformValue(void*, void*, void*) override { return 0; }
  void* GetPlatformContext() override { return nullptr; }
  void* CreateFontSource() override { return nullptr; }
  GCodePageConverter* CreateCodePageConverter() override { return nullptr; }
  GPersistInStream* OpenInputStream(const void* data, size_t length, int format) override {
    return new GPersistInStream(data, length, format);
  }
  GPersistInStream* OpenFileInStream(const RWWString& name, int format) override {
    return new GPersistInStream(name, format);
  }
  GPersistOutStream* OpenOutputStream(void* buffer, size_t capacity, int format) override {
    capacities.push_back(capacity);
    return new GPersistOutStream(buffer, capacity, format);
  }
  GPersistOutStream* OpenFileOutStream(const RWWString& name, int format) override {
    return new GPersistOutStream(name, format);
  }
  RWWString GetDriverDataFile(GDriverInstance*) override { return RWWString(); }
  GLocaleInfo* CreateLocaleInfo() override { return nullptr; }
  RWWString GetTempDirectory(GDriverInstance*) override { return RWWString(); }
  RWWString GetDriverDirectory() override { return RWWString(u"C:\\Drivers"); }
  void SeedRandom() override { ++seeds; }
  int Random() override {
    if (randoms.empty()) return 0;
    const int r = randoms.front();
    randoms.pop_front();
    return r;
  }
  int FileExists(const RWWString& path) override {
    existsAsked.push_back(Text(path));
    return files.count(Text(path)) ? 1 : 0;
  }
  int CreateEmptyFile(const RWWString& path) override {
    if (!canCreate) return 0;
    created.push_back(Text(path));
    files.insert(Text(path));
    return 1;
  }
  NumberedValueStore* CreateNumberedValueStore(GDriverInstance*) override { return nullptr; }
  int SetPrinterDataDword(GDriverInstance*, const RWWString&, DWORD) override { return 0; }
  int SetPrinterDataString(GDriverInstance*, const RWWString&, const RWWString&) override { return 0; }
  int WriteBlob(GDriverInstance*, const RWWString& name, const void* data, DWORD size) override {
    blobWrites.push_back(Text(name));
    if (failBlobWrite) return 0;
    const BYTE* bytes = static_cast<const BYTE*>(data);
    blobs[Text(name)] = std::vector<BYTE>(bytes, bytes + size);
    return 1;
  }
  DWORD GetPrinterDataDword(GDriverInstance*, const RWWString&, DWORD d) override { return d; }
  RWWString GetPrinterDataString(GDriverInstance*, const RWWString&, const RWWString& d) override { return d; }
  int ReadBlob(GDriverInstance*, const RWWString& name, void* buffer, DWORD capacity, DWORD* size) override {
    auto it = blobs.find(Text(name));
    if (it == blobs.end()) {
      *size = 0;
      return 0;
    }
    *size = static_cast<DWORD>(it->second.size());
    if (buffer == nullptr || capacity == 0) return 1;
    if (capacity < it->second.size()) return 0;
    std::copy(it->second.begin(), it->second.end(), static_cast<BYTE*>(buffer));
    return 1;
  }
  int WritePrinterKeyString(GDriverInstance*, const RWWString&, const RWWString&, const RWWString&) override {
    return 0;
  }
  RWWString ReadPrinterKeyString(GDriverInstance*, const RWWString&, const RWWString&, const RWWString& d) override {
    return d;
  }
  int DeletePrinterDataValue(GDriverInstance*, const RWWString&) override { return 0; }
  RWWString ReadMachineString(const RWWString&, const RWWString&, const RWWString& d) override { return d; }
  DWORD ReadMachineDword(const RWWString&, const RWWString&, DWORD d) override { return d; }
  LONG CreateMachineDwordIfMissing(const RWWString&, const RWWString&, DWORD) override { return 0; }
  int MachineKeyExists(const RWWString&) override { return 0; }
  RWWString ReadUserString(const RWWString&, const RWWString&, const RWWString& d) override { return d; }
  int WriteUserString(const RWWString&, const RWWString&, const RWWString&) override { return 0; }
  DWORD ReadUserDword(const RWWString&, const RWWString&, DWORD d) override { return d; }
  int UserKeyExists(const RWWString&) override { return 0; }
  int WriteUserDword(const RWWString&, const RWWString&, DWORD) override { return 0; }
  GLock* CreateLock() override {
    ++locksCreated;
    return new FakeLock;
  }

  std::vector<size_t> capacities;  // of every output stream opened
};

// Records every fatal-error report while it lives, and counts the critical
// shut-downs; the process is not ended.
class FatalErrorRecorder {
 public:
  FatalErrorRecorder() {
    Reports().clear();
    shutdowns = 0;
    previous_ = SetFatalErrorHandler(&Record);
    services_.Change([](GUpwardServices& s) { s.criticalShutdown = &Shutdown; });
  }
  ~FatalErrorRecorder() { SetFatalErrorHandler(previous_); }
  static std::vector<GFatalErrorReport>& Reports() {
    static std::vector<GFatalErrorReport> reports;
    return reports;
  }
  static inline int shutdowns = 0;

 private:
  static void Record(const GFatalErrorReport& report) { Reports().push_back(report); }
  static void Shutdown() { ++shutdowns; }
  ScopedUpwardServices services_;
  GFatalErrorHandler previous_;
};

}  // namespace qvtest
