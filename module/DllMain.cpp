// The module's entry point and its composition root: at process attach it
// builds the platform factory, registers every layer's persistent classes
// and installs the upward services (GUpwardServices) as one record, then
// starts the process-wide services in a fixed order; at process detach it
// takes them down.
#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

#include "config/ConfigClasses.h"
#include "config/GMiniInstallerLauncher.h"
#include "config/GNRAProvider.h"
#include "config/GNT40DMCClient.h"
#include "config/GProviderRegistry.h"
#include "printpath/GSpoolerOutputChannel.h"
#include "driver/DriverClasses.h"
#include "driver/GUpwardServices.h"
#include "driver/GModuleKeeper.h"
#include "driver/drvrsrvr.h"
#include "driver/newhndlr.h"
#include "driver/osfactry.h"
#include "graphics/GraphicsClasses.h"
#include "model/GConfiguration.h"
#include "model/ModelClasses.h"
#include "module/GPrinterHandleTable.h"
#include "module/ModuleFonts.h"
#include "module/ModuleState.h"
#include "pdl/GeneratorClasses.h"
#include "printpath/GOutputChannelSource.h"
#include "printpath/PrintPathClasses.h"
#include "rw/RWLibraryClasses.h"
#include "ui/framework/GCPSOSUI.h"
#include "ui/pages/FontCatalogSource.h"
#include "ui/pages/UIProvider.h"
#include "win32/CRuntime.h"
#include "win32/Module.h"
#include "winnt40/GNT40OSFactory.h"
#include "winnt40/nt40qddi.h"

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

// The exported device sheet entry (Exports.cpp).
extern "C" LONG DrvDevicePropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam);

namespace {

// The platform factory the module made at its first attach; the module's
// static destruction deletes it.
struct FactoryOwner {
  GOSFactory* factory = nullptr;
  ~FactoryOwner() { delete factory; }
};
FactoryOwner g_factory;

HINSTANCE g_module = nullptr;
std::atomic<uint32_t> g_appFlags{0};
std::atomic<GDriverServer*> g_server{nullptr};
std::atomic<GPrinterHandleTable*> g_printerHandles{nullptr};
GNRAProvider* g_provider = nullptr;

// Constructed when the module is loaded; its semaphore is closed at unload.
GModuleKeeper g_keeper(GModuleKeeper::kDefaultPeriodMs);

// The persistent classes are registered with the class factory at the first
// attach and unregistered when the module is unloaded; the owner of that
// state, which can undo it.
class ClassRegistration {
 public:
  void Register() {
    std::lock_guard<std::mutex> hold(lock_);
    if (registered_) return;
    RWRegisterLibraryClasses();
    RegisterModelClasses();
    RegisterDriverClasses();
    RegisterPrintPathClasses();
    RegisterGraphicsClasses();
    RegisterGeneratorClasses();
    RegisterConfigClasses();
    registered_ = true;
  }
  void Unregister() {
    std::lock_guard<std::mutex> hold(lock_);
    if (!registered_) return;
    UnregisterConfigClasses();
    UnregisterGeneratorClasses();
    UnregisterGraphicsClasses();
    UnregisterPrintPathClasses();
    UnregisterDriverClasses();
    UnregisterModelClasses();
    RWUnregisterLibraryClasses();
    registered_ = false;
  }
  ~ClassRegistration() { Unregister(); }

 private:
  std::mutex lock_;
  bool registered_ = false;
};
ClassRegistration g_classes;

// The registered providers of the services, for the document sheets.
int CountProviders(unsigned services) {
  return GProviderRegistry::GetInstance()->CountProviders(static_cast<int>(services));
}

// The driver instance's update sessions come from the provider registry.
GUpdateSession* CreateUpdateSession(GDriverInstance* instance, const RWWString& portName, int services) {
  return GProviderRegistry::GetInstance()->CreateSession(instance, portName, services);
}

// The print path's output channels come from the provider registry, asked
// with the printer configuration of the job's driver instance. When no
// registered provider gives one, the job goes to the spooler: a channel
// that writes the bytes into a spooler job of the instance's printer.
GOutputChannel* OpenProviderChannel(GDriverInstance* instance, const RWWString& portName, int services) {
  MPersistentObject* settings = instance != nullptr ? instance->GetPrinterConfiguration() : nullptr;
  if (GOutputChannel* channel = GProviderRegistry::GetInstance()->OpenOutputChannel(settings, portName, services))
    return channel;
  if (instance == nullptr || instance->GetPrinterName().Length() == 0) return nullptr;
  return new (std::nothrow) GSpoolerOutputChannel(instance->GetPrinterName());
}

// "QVBAFD32.DLL" beside this module: its "GetAppFlags", or 0.
uint32_t ReadCompanionFlags(HINSTANCE module) {
  static const char kCompanion[] = "QVBAFD32.DLL";
  char path[260] = {};
  const DWORD length = GetModuleFileNameA(module, path, sizeof path);
  size_t directory = 0;  // characters kept before the companion's name
  if (length != 0 && length < sizeof path) {
    if (const char* slash = std::strrchr(path, '\\')) directory = static_cast<size_t>(slash - path) + 1;
  }
  if (directory + sizeof kCompanion > sizeof path) directory = 0;
  std::memcpy(path + directory, kCompanion, sizeof kCompanion);

  HMODULE companion = LoadLibraryA(path);
  if (companion == nullptr) return 0;
  uint32_t flags = 0;
  using GetAppFlagsProc = DWORD (*)();
  if (FARPROC proc = GetProcAddress(companion, "GetAppFlags")) flags = reinterpret_cast<GetAppFlagsProc>(proc)();
  FreeLibrary(companion);
  return flags;
}

// Every upward service, each from the layer that implements it.
GUpwardServices ModuleServices(GOSFactory* factory) {
  GUpwardServices services;
  services.factory = factory;
  services.criticalShutdown = &GDriverServer::RunCriticalShutdown;
  services.updateSession = &CreateUpdateSession;
  // The driver instances read the mass-storage devices' fonts from their
  // descriptor files.
  services.fontCatalog = &CreateFontCatalog;
  AddUIFrameworkServices(&services);
  // The session's "Update Now" takes what the printer reported into the
  // sheet through the module's own provider.
  services.uiSession.configToSettings = &UIConfigToSettings;
  services.nt40Driver = NT40DriverHooks();
  services.miniInstaller = &NewMiniInstallerLauncher;
  services.documents.countProviders = &CountProviders;
  services.documents.update = &GNT40DMCClient::RunUpdate;
  services.documents.restoreFactory = &GNT40DMCClient::RunRestoreFactory;
  services.devicePropertySheets = &DrvDevicePropertySheets;
  services.outputChannel = &OpenProviderChannel;
  // The print-side instance's font database and graphics state, the
  // spooling filters' fonts and the font pool's reset.
  qvmodule::AddFontServices(&services);
  return services;
}

BOOL ProcessAttach(HINSTANCE module) {
  g_module = module;

  if (g_factory.factory == nullptr) g_factory.factory = new (std::nothrow) GNT40OSFactory;
  GOSFactory* factory = g_factory.factory;
  if (factory == nullptr) return FALSE;
  g_classes.Register();
  InstallUpwardServices(ModuleServices(factory));
  qvmodule::StartFontPool();

  MemoryReserve::Install(MemoryReserve::kDefaultSize);
  factory->SetModuleHandle(module);

  GDriverServer* server = GDriverServer::CreateInstance();
  if (server == nullptr) return FALSE;
  g_server.store(server);

  auto* table = new (std::nothrow) GPrinterHandleTable;
  if (table == nullptr) return FALSE;
  g_printerHandles.store(table);

  g_provider = new (std::nothrow) GNRAProvider;
  if (g_provider != nullptr) GProviderRegistry::GetInstance()->Register(g_provider, GNRAProvider::kRegisteredName, 0);

  // The stand-in's C runtime keeps one locale for every category, so the
  // choice between all categories (Chinese, Japanese and Korean systems) and
  // the character classes alone comes to the same call.
  crt::setlocale(".ACP");

  g_keeper.Start(module);

  const uint32_t flags = ReadCompanionFlags(module);
  g_appFlags.store(flags);
  SetProcessAppFlags(flags);
  return TRUE;
}

BOOL ProcessDetach() {
  // The entries' server handles are not closed: emptying the server below
  // deletes their instances.
  if (GPrinterHandleTable* table = g_printerHandles.exchange(nullptr)) {
    table->DiscardAll();
    delete table;
  }
  if (GDriverServer* server = g_server.load()) {
    server->DropCaches();
    server->EmptyTables();
  }
  // No print-side instance is left to use a pooled font.
  qvmodule::StopFontPool();
  if (g_provider != nullptr) {
    GProviderRegistry::GetInstance()->Unregister(GNRAProvider::kRegisteredName);
    delete g_provider;
    g_provider = nullptr;
  }
  // No instance reads a descriptor file after detach.
  GUpwardServices services = UpwardServices();
  services.fontCatalog = nullptr;
  InstallUpwardServices(services);
  g_module = nullptr;
  g_appFlags.store(0);
  SetProcessAppFlags(0);
  MemoryReserve::Remove();
  return TRUE;
}

}  // namespace

namespace qvmodule {

GModuleKeeper& Keeper() { return g_keeper; }
GDriverServer* Server() { return g_server.load(); }
GPrinterHandleTable* PrinterHandles() { return g_printerHandles.load(); }
uint32_t AppFlags() { return g_appFlags.load(); }

}  // namespace qvmodule

QV_EXPORT BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      return ProcessAttach(module);
    case DLL_PROCESS_DETACH:
      return ProcessDetach();
    default:
      return TRUE;
  }
}
