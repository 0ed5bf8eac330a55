#include "driver/GUpwardServices.h"

#include <gtest/gtest.h>

#include <memory>

#include "driver/GDriverInstanceAccess.h"
#include "driver/GUIServices.h"
#include "driver/drvrsrvr.h"
#include "support/ScopedUpwardServices.h"
#include "support/DriverInstanceTestSupport.h"
#include "support/ScriptedFactory.h"

namespace {

using qvtest::ScopedUpwardServices;

int LoadNothing(int, RWWString*) { return 7; }
RWWString NameOf(GDriverInstance*) { return RWWString(u"Stand-in"); }

// Whether every member of the record is null.
bool IsEmpty(const GUpwardServices& s) {
  return s.factory == nullptr && s.instance.printerName == nullptr && s.instance.printerConfiguration == nullptr &&
         s.instance.createDefaultSettings == nullptr && s.ui.createSheetBridge == nullptr &&
         s.ui.loadUIString == nullptr && s.ui.createTimedMessage == nullptr && s.extensionInterface == nullptr &&
         s.updateSession == nullptr && s.fontCatalog == nullptr && s.criticalShutdown == nullptr &&
         s.fontPoolReset == nullptr && s.nt40Driver.createDriver == nullptr &&
         s.nt40Driver.printerHandle == nullptr && s.nt40Driver.keyInfo == nullptr && s.miniInstaller == nullptr &&
         s.documents.countProviders == nullptr && s.documents.update == nullptr &&
         s.documents.restoreFactory == nullptr && s.devicePropertySheets == nullptr &&
         s.uiSession.loadQuickSetPool == nullptr && s.uiSession.saveQuickSetPool == nullptr &&
         s.uiSession.configToSettings == nullptr && s.outputChannel == nullptr;
}

class UpwardServicesTest : public ::testing::Test {
 protected:
  // Every case starts from an empty record and leaves the one it found.
  ScopedUpwardServices outer_{GUpwardServices()};
};

TEST_F(UpwardServicesTest, InstallReplacesTheWholeRecordAndAnswersThePreviousOne) {
  qvtest::ScriptedFactory factory;
  GUpwardServices first;
  first.factory = &factory;
  first.ui.loadUIString = &LoadNothing;
  EXPECT_TRUE(IsEmpty(InstallUpwardServices(first)));
  EXPECT_EQ(GOSFactory::GetInstance(), &factory);
  RWWString text;
  EXPECT_EQ(LoadUIStringService(1, &text), 7);

  GUpwardServices second;
  second.instance.printerName = &NameOf;
  const GUpwardServices previous = InstallUpwardServices(second);
  EXPECT_EQ(previous.factory, &factory);
  EXPECT_EQ(previous.ui.loadUIString, &LoadNothing);
  EXPECT_EQ(GOSFactory::GetInstance(), nullptr) << "members left out of a record are not kept from the one before";
  EXPECT_EQ(LoadUIStringService(1, &text), 0);
}

TEST_F(UpwardServicesTest, ScopesPutBackWhatWasInstalledBeforeThem) {
  qvtest::ScriptedFactory a;
  qvtest::ScriptedFactory b;
  {
    ScopedUpwardServices first;
    first.Change([&](GUpwardServices& s) { s.factory = &a; });
    {
      ScopedUpwardServices second;
      second.Change([&](GUpwardServices& s) { s.factory = &b; });
      second.Change([](GUpwardServices& s) { s.fontPoolReset = [] {}; });
      EXPECT_EQ(GOSFactory::GetInstance(), &b) << "a change keeps the members it does not touch";
    }
    EXPECT_EQ(GOSFactory::GetInstance(), &a);
    EXPECT_EQ(UpwardServices().fontPoolReset, nullptr);
    first.Restore();
    EXPECT_EQ(GOSFactory::GetInstance(), nullptr);
  }
  EXPECT_TRUE(IsEmpty(UpwardServices()));
}

TEST_F(UpwardServicesTest, ConstructionInstallsNothing) {
  {
    qvtest::ScriptedFactory factory;
    qvtest::TestDriverInstance instance;
    qvtest::TestDriverInstance another;
    EXPECT_TRUE(IsEmpty(UpwardServices())) << "neither a factory nor a driver instance installs anything";
  }
  EXPECT_TRUE(IsEmpty(UpwardServices()));
}

TEST_F(UpwardServicesTest, ADeletedFactoryIsNeverHandedOut) {
  auto installed = std::make_unique<qvtest::ScriptedFactory>();
  auto other = std::make_unique<qvtest::ScriptedFactory>();
  ScopedUpwardServices scope;
  scope.Change([&](GUpwardServices& s) { s.factory = installed.get(); });
  other.reset();
  EXPECT_EQ(GOSFactory::GetInstance(), installed.get());
  installed.reset();
  EXPECT_EQ(GOSFactory::GetInstance(), nullptr);
}

TEST_F(UpwardServicesTest, WithoutInstanceAccessorsTheInstanceAnswersItself) {
  qvtest::TestDriverInstance instance;
  EXPECT_EQ(InstancePrinterName(&instance), RWWString(u"Test Printer"));
  EXPECT_EQ(InstancePrinterConfiguration(&instance), nullptr);
  EXPECT_EQ(InstanceDefaultSettings(&instance), nullptr);
  EXPECT_TRUE(InstancePrinterName(nullptr).IsEmpty());

  ScopedUpwardServices scope;
  scope.Change([](GUpwardServices& s) { s.instance.printerName = &NameOf; });
  EXPECT_EQ(InstancePrinterName(&instance), RWWString(u"Stand-in"));
  EXPECT_TRUE(InstancePrinterName(nullptr).IsEmpty()) << "no accessor is asked about no instance";
}

TEST_F(UpwardServicesTest, TheDriverServerInstallsNoCriticalShutDown) {
  qvtest::ScriptedFactory factory;
  ScopedUpwardServices scope;
  scope.Change([&](GUpwardServices& s) { s.factory = &factory; });
  GDriverServer* server = GDriverServer::CreateInstance();
  ASSERT_NE(server, nullptr);
  EXPECT_EQ(UpwardServices().criticalShutdown, nullptr);
  delete server;
  EXPECT_EQ(GDriverServer::GetInstance(), nullptr);
  // Run with no server, the module's shut-down does nothing.
  GDriverServer::RunCriticalShutdown();
}

}  // namespace
