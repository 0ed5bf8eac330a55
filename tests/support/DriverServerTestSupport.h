// Test support for the driver server and the new-handler: a driver instance
// that counts what the server does with it, a platform factory that creates
// those instances and names a data file, and a writer of small data files.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/GDriverInstance.h"
#include "driver/drvrsrvr.h"
#include "model/GPersistOutStream.h"
#include "model/GResourceMappingList.h"
#include "model/MPersistentComposite.h"
#include "rw/RWPersistence.h"
#include "support/ScopedUpwardServices.h"
#include "support/ScriptedFactory.h"
#include "win32/File.h"
#include "w32test/Testing.h"

namespace qvtest {

// A driver instance that records the server's calls.
class CountingInstance : public GDriverInstance {
 public:
  static inline int live = 0;
  static inline int created = 0;
  // The Release count of every instance deleted, in order.
  static inline std::vector<int> releasesAtDeath;

  explicit CountingInstance(const GPrinterKey& key) : printer(key.GetPrinterHandle()) {
    ++live;
    ++created;
    SetNames(key.GetPrinterName(), key.GetDriverName(), key.GetPortName());
  }
  ~CountingInstance() override {
    --live;
    releasesAtDeath.push_back(releases);
  }

  void RefreshAppFlags() override {}
  void* GetRenderObject() override { return this; }
  void* GetDriverObject() override { return this; }
  GAttributeComposite* CreateDefaultSettings() override { return nullptr; }
  GAttributeComposite* GetDocumentSettings() override { return nullptr; }
  void Rebind(GPrinterKey* key) override {
    GDriverInstance::Rebind(key);
    ++rebinds;
    SetNames(key->GetPrinterName(), key->GetDriverName(), key->GetPortName());
  }
  void Release() override { ++releases; }
  int ReleaseMemory() override {
    ++memoryAsked;
    return memoryAnswer;
  }
  GPrinterKey* GetPrinterKey() override {
    return new GPrinterKey(printer, GetPrinterName(), GetDriverName(), GetPortName(), 0);
  }
  RWWString GetJobStorageKeyPath() override { return RWWString(); }
  GAttributeComposite* GetDevModeSettings() override { return nullptr; }

  HANDLE printer;
  int rebinds = 0;
  int releases = 0;
  int memoryAsked = 0;
  int memoryAnswer = 0;
};

// Creates CountingInstances for both tables; every instance reads the data
// file at dataFile.
class ServerFactory : public ScriptedFactory {
 public:
  std::u16string dataFile = u"C:\\Drivers\\MODEL.DAT";
  int dataFileReads = 0;
  bool refuseCreate = false;
  std::vector<FakeLock*> locks;  // every lock handed out, in order

  GDriverInstance* CreateDriver(GPrinterKey* key) override {
    return refuseCreate ? nullptr : new CountingInstance(*key);
  }
  GDriverInstance* CreateRenderInstance(GPrinterKey* key) override {
    return refuseCreate ? nullptr : new CountingInstance(*key);
  }
  RWWString GetDriverDataFile(GDriverInstance*) override { return RWWString(dataFile.c_str()); }
  GPersistInStream* OpenFileInStream(const RWWString& name, int format) override {
    ++dataFileReads;
    return ScriptedFactory::OpenFileInStream(name, format);
  }
  GLock* CreateLock() override {
    auto* lock = new FakeLock;
    locks.push_back(lock);
    return lock;
  }
};

// Writes a data file: a root holding a device model (353), paper (191) and
// source (84) mappings and, when asked, capability mappings (194).
inline void WriteDataFile(const std::u16string& path, bool withCapabilities) {
  MPersistentComposite root;
  root.AddChild(new MPersistentComposite(353));
  root.AddChild(new GResourceMappingList(191));
  root.AddChild(new GResourceMappingList(84));
  if (withCapabilities) root.AddChild(new GResourceMappingList(194));
  ASSERT_TRUE(w32test::MakeDirectories(path.substr(0, path.rfind(u'\\')).c_str()));
  GPersistOutStream out(RWWString(path.c_str()), 1);
  ASSERT_NE(out.GetStream(), nullptr);
  RWWriteObjectPointer(*out.GetStream(), &root);
  ASSERT_TRUE(out.GetStream()->Good());
}

// A fresh stand-in, a ServerFactory as the process-wide factory, a data
// file and a new driver server; everything is taken down again.
class DriverServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    CountingInstance::live = 0;
    CountingInstance::created = 0;
    factory = new ServerFactory;
    // As the module composes them: the factory, and the server's critical
    // shut-down for fatal errors.
    services_.Change([&](GUpwardServices& s) {
      s.factory = factory;
      s.criticalShutdown = &GDriverServer::RunCriticalShutdown;
    });
    WriteDataFile(factory->dataFile, true);
    server = GDriverServer::CreateInstance();
    ASSERT_NE(server, nullptr);
  }
  void TearDown() override {
    delete GDriverServer::GetInstance();
    EXPECT_EQ(CountingInstance::live, 0) << "the server left instances behind";
    services_.Restore();
    delete factory;
  }

  // A key for a printer of the given driver that is not installed.
  static GPrinterKey* Key(const char16_t* printer, const char16_t* driver) {
    return new GPrinterKey(nullptr, RWWString(printer), RWWString(driver), RWWString(u"LPT1:"), 0);
  }

  ScopedUpwardServices services_;
  ServerFactory* factory = nullptr;
  GDriverServer* server = nullptr;
};

}  // namespace qvtest
