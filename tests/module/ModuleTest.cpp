// The module loaded as the spooler loads it: dlopen, DllMain with process
// attach, the exported entry points, process detach, dlclose.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "model/GPersistOutStream.h"
#include "model/GResourceMappingList.h"
#include "model/MPersistentComposite.h"
#include "rw/RWPersistence.h"
#include "support/FakeAgent.h"
#include "support/FakeCompanionModules.h"
#include "win32/DriverUI.h"
#include "win32/Gdi.h"
#include "win32/Registry.h"
#include "win32/Rpc.h"
#include "win32/Environment.h"
#include "win32/File.h"
#include "win32/Kernel.h"
#include "win32/Module.h"
#include "win32/Spooler.h"
#include "w32test/Testing.h"
#include "win32/Window.h"

namespace {

constexpr const char16_t* kModulePath = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVUI.DLL";
constexpr const char16_t* kCompanionPath = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVBAFD32.DLL";
constexpr const char16_t* kDataFile = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QUARRIN.DAT";
constexpr const char16_t* kDriver = u"Quarrin 4700";

using DllMainProc = BOOL (*)(HINSTANCE, DWORD, LPVOID);
using RegisterExtensionProc = DWORD (*)(LPCSTR, LPVOID, LPCSTR, int);
using DocumentEventProc = INT (*)(HANDLE, HDC, INT, ULONG, LPVOID, ULONG, LPVOID);
using UpgradePrinterProc = BOOL (*)(DWORD, DRIVER_UPGRADE_INFO_1*);
using DevQueryPrintExProc = BOOL (*)(DEVQUERYPRINT_INFO*);
using PropertySheetsProc = LONG (*)(PROPSHEETUI_INFO*, LPARAM);

int g_appFlagCalls = 0;
DWORD GetAppFlags() {
  ++g_appFlagCalls;
  return 0x40;
}

// A small driver data file: the device model root and the mapping lists.
void WriteDataFile() {
  MPersistentComposite root;
  root.AddChild(new MPersistentComposite(353));
  root.AddChild(new GResourceMappingList(191));
  root.AddChild(new GResourceMappingList(84));
  GPersistOutStream out(RWWString(kDataFile), 1);
  ASSERT_NE(out.GetStream(), nullptr);
  RWWriteObjectPointer(*out.GetStream(), &root);
}

void AddPrinter(const char16_t* name, const char16_t* driver, const char16_t* dataFile) {
  w32test::PrinterSetup setup;
  setup.name = name;
  setup.driverName = driver;
  setup.dataFile = dataFile;
  w32test::AddPrinter(setup);
}

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    w32test::ModuleSpec self;
    self.name = kModulePath;
    self.loadCount = 1;
    module_ = reinterpret_cast<HINSTANCE>(w32test::InstallModule(self));
    w32test::ModuleSpec companion;
    companion.name = kCompanionPath;
    companion.exports["GetAppFlags"] = w32test::Export(&GetAppFlags);
    w32test::InstallModule(companion);
    g_appFlagCalls = 0;

    WriteDataFile();
    AddPrinter(u"Front Desk", kDriver, kDataFile);
    AddPrinter(u"Back Office", kDriver, kDataFile);
    AddPrinter(u"Plotter", u"Other Driver", u"C:\\Nowhere\\OTHER.DAT");

    library_ = dlopen(QV_MODULE_FILE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    dllMain_ = Symbol<DllMainProc>("DllMain");
    ASSERT_NE(dllMain_, nullptr);
  }

  void TearDown() override {
    if (attached_) Detach();
    // The keeper thread gives its reference back within a period or two.
    for (int i = 0; i < 1000 && w32test::ModuleLoadCount(kModulePath) > 1; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(w32test::ModuleLoadCount(kModulePath), 1u) << "the keeper still holds the module";
    if (library_ != nullptr) dlclose(library_);
  }

  template <class Proc>
  Proc Symbol(const char* name) {
    return reinterpret_cast<Proc>(dlsym(library_, name));
  }

  void Attach() {
    ASSERT_EQ(dllMain_(module_, 1, nullptr), TRUE);
    attached_ = true;
  }
  void Detach() {
    EXPECT_EQ(dllMain_(module_, 0, nullptr), TRUE);
    attached_ = false;
  }

  // QVDrv_RegisterExtension: without a driver object it answers 1; with
  // one and an empty extension name, the driver's extension setting (0 in
  // the small data file); with a name, that setting 0 gives 5 and any other
  // the result of loading the extension, which does not exist.
  DWORD Resolve(const char* printer, const char* extension = "") {
    auto registerExtension = Symbol<RegisterExtensionProc>("QVDrv_RegisterExtension");
    return registerExtension(printer, nullptr, extension, 0);
  }

  void* library_ = nullptr;
  HINSTANCE module_ = nullptr;
  DllMainProc dllMain_ = nullptr;
  bool attached_ = false;
};

TEST_F(ModuleTest, ExportsTheEntryPointsOnly) {
  for (const char* name :
       {"DllMain", "DrvDeviceCapabilities", "DrvDocumentProperties", "DrvAdvancedDocumentProperties",
        "PrinterProperties", "DrvDocumentPropertySheets", "DrvConvertDevMode", "DrvDevicePropertySheets",
        "DevQueryPrintEx", "DrvUpgradePrinter", "DrvPrinterEvent", "DrvDocumentEvent", "QVDrv_RegisterExtension",
        "QVDrv_GetValue", "QVDrv_GetExtSettings", "QVDrv_SetExtSettings", "PropertyPageProc",
        "UI_INTERFACEVERSION", "UI_INITIALIZE", "UI_DESTROY", "UI_CONFIGTOSETTINGS", "UI_SETTINGSTOCONFIG"})
    EXPECT_NE(dlsym(library_, name), nullptr) << name;
  EXPECT_EQ(dlsym(library_, "_ZN13GDriverServer11GetInstanceEv"), nullptr) << "internals are hidden";
}

// Extensions call back through these exports with the context they were
// given; a context that is no live extension, or no place for the answer,
// is refused, and settings cannot be set at print time.
TEST_F(ModuleTest, ExtensionCallbacksRefuseWhatTheyCannotServe) {
  Attach();
  using GetValueProc = SHORT (*)(INT, SHORT*, LPVOID);
  using SetSettingsProc = SHORT (*)(LPCSTR, UINT, LPCSTR, LPVOID);
  SHORT value = 0;
  int notAnExtension = 0;
  EXPECT_EQ(Symbol<GetValueProc>("QVDrv_GetValue")(1, nullptr, &notAnExtension), 1);
  EXPECT_EQ(Symbol<GetValueProc>("QVDrv_GetValue")(1, &value, &notAnExtension), 1);
  EXPECT_EQ(Symbol<SetSettingsProc>("QVDrv_SetExtSettings")("x", 1, "id", &notAnExtension), 5);
  Detach();
}

TEST_F(ModuleTest, ResolvesAPrinterTwiceWithOneReadOfTheDataFileAndLeavesNothingBehind) {
  Attach();
  EXPECT_EQ(Resolve("Front Desk"), 0u);
  // The data file is gone: another printer of the same driver is still
  // served by the instance the server kept from the first call.
  ASSERT_TRUE(DeleteFileW(kDataFile));
  EXPECT_EQ(Resolve("Back Office"), 0u);
  // A printer of another driver needs its own data file, which is missing.
  EXPECT_EQ(Resolve("Plotter"), 1u);
  EXPECT_EQ(Resolve("Front Desk"), 0u) << "the cached instance outlives a failed open";
  Detach();

  // Detach emptied the server: attached again, nothing is left to reuse.
  Attach();
  EXPECT_EQ(Resolve("Front Desk"), 1u);
  WriteDataFile();
  EXPECT_EQ(Resolve("Front Desk"), 0u);
  Detach();
  EXPECT_EQ(w32test::OpenPrinterCount(), 0u);
}

TEST_F(ModuleTest, AttachReadsTheCompanionFlagsAndFreesTheCompanion) {
  Attach();
  EXPECT_EQ(g_appFlagCalls, 1);
  EXPECT_EQ(w32test::ModuleLoadCount(kCompanionPath), 0u);
  EXPECT_EQ(dllMain_(module_, 2, nullptr), TRUE);
  EXPECT_EQ(dllMain_(module_, 3, nullptr), TRUE);
}

TEST_F(ModuleTest, AttachWithoutTheCompanionStillSucceeds) {
  w32test::RemoveModule(kCompanionPath);
  Attach();
  EXPECT_EQ(Resolve("Front Desk"), 0u);
}

TEST_F(ModuleTest, TheKeeperHoldsTheModuleWhileItIsUsed) {
  Attach();
  EXPECT_EQ(w32test::ModuleLoadCount(kModulePath), 2u) << "the keeper took a reference at attach";
  // TearDown checks that the reference is given back once the module is idle.
}

TEST_F(ModuleTest, ArgumentChecksAnswerWithoutADriverObject) {
  Attach();
  auto upgrade = Symbol<UpgradePrinterProc>("DrvUpgradePrinter");
  WCHAR printer[] = u"Front Desk";
  WCHAR directory[] = u"C:\\OLD";
  DRIVER_UPGRADE_INFO_1 good{printer, directory};
  DRIVER_UPGRADE_INFO_1 noDirectory{printer, nullptr};
  struct Case {
    DWORD level;
    DRIVER_UPGRADE_INFO_1* info;
  } cases[] = {{2, &good}, {1, nullptr}, {1, &noDirectory}};
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(upgrade(c.level, c.info), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  EXPECT_EQ(Symbol<DevQueryPrintExProc>("DevQueryPrintEx")(nullptr), FALSE);
  EXPECT_EQ(Symbol<PropertySheetsProc>("DrvDevicePropertySheets")(nullptr, 0), -1);
  EXPECT_EQ(Symbol<PropertySheetsProc>("DrvDocumentPropertySheets")(nullptr, 0), -1);
  // A page message before WM_INITDIALOG, or an initialisation without a page.
  using PageProc = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);
  EXPECT_EQ(Symbol<PageProc>("PropertyPageProc")(nullptr, WM_COMMAND, 1, 0), 0);
  EXPECT_EQ(Symbol<PageProc>("PropertyPageProc")(nullptr, WM_INITDIALOG, 0, 0), 0);
}

TEST_F(ModuleTest, DocumentEventsWithoutCreateDcPreFindNoDriver) {
  Attach();
  auto documentEvent = Symbol<DocumentEventProc>("DrvDocumentEvent");
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(u"Front Desk", &printer, nullptr));
  for (INT event : {2, 3, 10}) EXPECT_EQ(documentEvent(printer, nullptr, event, 0, nullptr, 0, nullptr), -1);
  ClosePrinter(printer);
}

// A whole job through the export: the job information reaches the device
// context as escapes, the accounting library sees the job, and delete-DC
// removes the printer's entry.
TEST_F(ModuleTest, AJobThroughTheDocumentEvents) {
  Attach();
  auto documentEvent = Symbol<DocumentEventProc>("DrvDocumentEvent");
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(u"Front Desk", &printer, nullptr));
  w32test::SetUserName(u"ann");
  w32test::SetRegistryString(HKEY_LOCAL_MACHINE, u"System\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
                             u"ComputerName", u"DESK1");
  UUID uuid{1, 2, 0x4003, {0x80, 0, 0, 0, 0, 0, 0, 9}};
  w32test::QueueUuid(uuid);
  qvtest::InstallAccountingLibrary();
  HDC dc = w32test::CreateRecordingDC();

  std::vector<BYTE> devMode(220, 0);
  devMode[68] = 220;
  void* createIn[4] = {nullptr, nullptr, devMode.data(), nullptr};
  void* copy = nullptr;
  EXPECT_EQ(documentEvent(printer, dc, 1, sizeof createIn, createIn, sizeof copy, &copy), 1);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(static_cast<const BYTE*>(copy)[256], 0x40) << "the application flags are stamped";
  void* postIn[1] = {copy};
  documentEvent(printer, dc, 2, sizeof postIn, postIn, 0, nullptr);
  DOCINFOW doc{sizeof(DOCINFOW), u"Minutes", nullptr, nullptr, 0};
  void* startIn[1] = {&doc};
  EXPECT_EQ(documentEvent(printer, dc, 5, sizeof startIn, startIn, 0, nullptr), 1);
  EXPECT_EQ(documentEvent(printer, dc, 13, 0, nullptr, 0, nullptr), 0);
  EXPECT_EQ(documentEvent(printer, dc, 6, 0, nullptr, 0, nullptr), 1);
  EXPECT_EQ(documentEvent(printer, dc, 7, 0, nullptr, 0, nullptr), 1);
  EXPECT_EQ(documentEvent(printer, dc, 8, 0, nullptr, 0, nullptr), 0);
  EXPECT_EQ(documentEvent(printer, dc, 12, 0, nullptr, 0, nullptr), 0);
  EXPECT_EQ(documentEvent(printer, dc, 10, 0, nullptr, 0, nullptr), 0);

  std::vector<std::pair<int, std::string>> got;
  for (auto& e : w32test::DcEscapes(dc)) got.emplace_back(e.code, e.input);
  auto z = [](const std::string& text) { return text + std::string(1, '\0'); };
  std::vector<std::pair<int, std::string>> want = {
      {0x303EB8EF, z("ANN")},  // the printable-ASCII form of the settings' user name
      {0x303EB8EC, z("DESK1")},
      {0x303EB8F1, z("00000001-0002-4003-8000-000000000009")},
      {0x303EB8F0, z("OS Info: WinNT Kernel;4.0;1381;")},
      {0x303EB8E9, z("Application Context not Available")},
      {0x303EB8F9, z("SPOOLSV.EXE")},
      {0x303EB8E8, z("LPT1:")},
  };
  EXPECT_EQ(got, want);
  std::vector<std::string> entries;
  for (auto& c : qvtest::Accounting().calls) entries.push_back(c.entry);
  EXPECT_EQ(entries, (std::vector<std::string>{"ksBeginJobEx", "ksEndPage", "ksEndJob"}));
  EXPECT_EQ(qvtest::Accounting().calls[0].texts[1], u"Minutes");
  EXPECT_EQ(qvtest::Accounting().calls[0].texts[2], u"Front Desk");
  // Delete-DC took the entry out: later events find no driver object.
  EXPECT_EQ(documentEvent(printer, dc, 6, 0, nullptr, 0, nullptr), -1);
  ClosePrinter(printer);
}

// Start-up installs the font descriptor reader: the start of a job reads
// the fonts of a disk's descriptor file in the driver directory into the
// printer's cache, and enables the disk.
TEST_F(ModuleTest, AJobReadsTheDescriptorFilesOfTheFontDevices) {
  // One font, "Disk Serif", revision 4, in the layout of a descriptor file.
  std::string file(36, '\0');
  auto put = [&file](size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  const std::string names = std::string("D\0V\0", 4);
  put(4, 36 + 4, 4);
  put(8, 4, 4);
  put(12, 2, 2);
  put(14, 36, 4);
  put(18, 2, 2);
  put(20, 38, 4);
  put(24, 0x10000, 4);
  put(28, 1, 4);
  put(32, 40, 4);
  file += names;
  std::string entry(28, '\0');
  file += entry;
  const size_t at = 40;
  put(at + 0, 28, 4);
  put(at + 4, 11, 2);
  put(at + 6, 28, 4);
  put(at + 10, 2, 2);
  put(at + 12, 39, 4);
  put(at + 16, 400, 2);
  put(at + 20, 0x21, 1);
  put(at + 21, 2, 1);
  put(at + 24, 1, 2);
  put(at + 26, 210, 2);
  file += std::string("Disk Serif\0s\0QVD", 16);
  ASSERT_TRUE(w32test::PutFile(u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\qvdsk001.qvd", file));
  std::vector<BYTE> value;
  for (char16_t c : std::u16string(u"qvdsk001.qvd")) value.insert(value.end(), {static_cast<BYTE>(c), 0});
  w32test::WritePrinterData(u"Front Desk", u"DiskFonts1", REG_SZ, value);

  Attach();
  auto documentEvent = Symbol<DocumentEventProc>("DrvDocumentEvent");
  HANDLE printer = nullptr;
  PRINTER_DEFAULTSW all{nullptr, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterW(u"Front Desk", &printer, &all));
  HDC dc = w32test::CreateRecordingDC();
  void* createIn[4] = {nullptr, nullptr, nullptr, nullptr};
  void* copy = nullptr;
  EXPECT_EQ(documentEvent(printer, dc, 1, sizeof createIn, createIn, sizeof copy, &copy), 1);
  DOCINFOW doc{sizeof(DOCINFOW), u"Fonts", nullptr, nullptr, 0};
  void* startIn[1] = {&doc};
  EXPECT_EQ(documentEvent(printer, dc, 5, sizeof startIn, startIn, 0, nullptr), 1);
  EXPECT_EQ(documentEvent(printer, dc, 10, 0, nullptr, 0, nullptr), 0);
  ClosePrinter(printer);

  auto dword = [](const char16_t* name) -> int64_t {
    auto data = w32test::ReadPrinterData(u"Front Desk", name);
    if (!data || data->data.size() != 4) return -1;
    return data->data[0] | data->data[1] << 8 | data->data[2] << 16 | static_cast<int64_t>(data->data[3]) << 24;
  };
  EXPECT_EQ(dword(u"DisabledMSDs"), 0x10) << "the disk's state is enabled";
  EXPECT_EQ(dword(u"MassStorageFonts"), 1);
  bool cached = false;
  for (const std::u16string& name : w32test::PrinterDataNames(u"Front Desk"))
    cached = cached || name.rfind(u"AddedFonts", 0) == 0;
  EXPECT_TRUE(cached) << "the fonts are cached in the printer data";
}

// Without the accounting library the same job runs and nothing is called.
TEST_F(ModuleTest, AJobWithoutTheAccountingLibrary) {
  Attach();
  auto documentEvent = Symbol<DocumentEventProc>("DrvDocumentEvent");
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(u"Front Desk", &printer, nullptr));
  qvtest::Accounting() = qvtest::FakeAccounting();
  HDC dc = w32test::CreateRecordingDC();
  void* createIn[4] = {nullptr, nullptr, nullptr, nullptr};
  void* copy = reinterpret_cast<void*>(1);
  EXPECT_EQ(documentEvent(printer, dc, 1, sizeof createIn, createIn, sizeof copy, &copy), 1);
  EXPECT_EQ(copy, nullptr);
  for (INT event : {5, 13, 6, 7, 9, 12}) documentEvent(printer, dc, event, 0, nullptr, 0, nullptr);
  EXPECT_EQ(documentEvent(printer, dc, 10, 0, nullptr, 0, nullptr), 0);
  EXPECT_TRUE(qvtest::Accounting().calls.empty());
  ClosePrinter(printer);
}

TEST_F(ModuleTest, PropertySheetsKeepTheDriverObjectFromInitToDestroy) {
  Attach();
  auto sheets = Symbol<PropertySheetsProc>("DrvDocumentPropertySheets");
  HANDLE printer = nullptr;
  ASSERT_TRUE(OpenPrinterW(u"Front Desk", &printer, nullptr));
  DOCUMENTPROPERTYHEADER header{};
  header.cbSize = sizeof header;
  header.hPrinter = printer;
  PROPSHEETUI_INFO info{};
  info.cbSize = sizeof info;
  info.lParamInit = reinterpret_cast<LPARAM>(&header);
  info.Reason = PROPSHEETUI_REASON_INIT;
  sheets(&info, 0);
  EXPECT_NE(info.UserData, 0u) << "the driver object travels in UserData";
  const ULONG_PTR driver = info.UserData;
  info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
  sheets(&info, 0);
  EXPECT_EQ(info.UserData, driver);
  info.Reason = PROPSHEETUI_REASON_DESTROY;
  sheets(&info, 0);
  EXPECT_EQ(info.UserData, 0u) << "the record no longer leads to the returned object";
  // A later call without a driver object answers 0.
  info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
  EXPECT_EQ(sheets(&info, 0), 0);
  ClosePrinter(printer);
}

#ifdef QV_SAMPLE_MODEL_FILE
// The sample device model that the build writes: the module restores it
// (every persistent class of the device model registered at attach) and
// serves both printers of its driver from the one read.
TEST_F(ModuleTest, TheSampleDataFileServesBothPrintersOfItsDriver) {
  std::ifstream file(QV_SAMPLE_MODEL_FILE, std::ios::binary);
  ASSERT_TRUE(file) << QV_SAMPLE_MODEL_FILE;
  std::stringstream bytes;
  bytes << file.rdbuf();
  ASSERT_TRUE(w32test::PutFile(kDataFile, bytes.str()));
  // A resolved printer answers the sample model's extension value (2); one
  // that cannot be resolved answers 1.
  Attach();
  EXPECT_EQ(Resolve("Front Desk"), 2u);
  ASSERT_TRUE(DeleteFileW(kDataFile));
  EXPECT_EQ(Resolve("Back Office"), 2u);
  Detach();
  Attach();
  EXPECT_EQ(Resolve("Back Office"), 1u);
}

// The printer set-up as the spooler runs it on the sample model, which asks
// for the agent's installer and the auto-configuration: the module's own
// launcher starts "QVBMINI.DLL" and stops it again, the provider the module
// registered wakes the agent, and the outcome is stamped.
class AgentSetUpTest : public ModuleTest {
 protected:
  static constexpr const char16_t* kDriverDirectory = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2";
  using PrinterEventProc = BOOL (*)(LPWSTR, INT, DWORD, LPARAM);

  void PutSampleModel() {
    std::ifstream file(QV_SAMPLE_MODEL_FILE, std::ios::binary);
    ASSERT_TRUE(file) << QV_SAMPLE_MODEL_FILE;
    std::stringstream bytes;
    bytes << file.rdbuf();
    ASSERT_TRUE(w32test::PutFile(kDataFile, bytes.str()));
  }
  BOOL SetUpPrinter() {
    WCHAR name[] = u"Front Desk";
    return Symbol<PrinterEventProc>("DrvPrinterEvent")(name, 3, 0, 0);
  }
  static std::u16string DataText(const std::u16string& name) {
    auto value = w32test::ReadPrinterData(u"Front Desk", name);
    if (!value) return u"<missing>";
    std::u16string text;
    for (size_t i = 0; i + 1 < value->data.size(); i += 2)
      text.push_back(static_cast<char16_t>(value->data[i] | value->data[i + 1] << 8));
    while (!text.empty() && text.back() == 0) text.pop_back();
    return text;
  }
};

TEST_F(AgentSetUpTest, TheSetUpConfiguresThePrinterThroughTheAgent) {
  PutSampleModel();
  const std::u16string installer = qvtest::InstallMiniInstaller(kDriverDirectory);
  qvtest::FakeAgent agent(u"Front Desk");
  agent.Start();
  agent.AnswerText(u"MODEL_NAME", u"QUARRIN 4700DN");
  agent.AnswerDword(u"hrMemorySize", 131072);
  Attach();
  EXPECT_EQ(SetUpPrinter(), TRUE);

  std::vector<std::string> calls;
  for (const qvtest::MiniInstallerCall& c : qvtest::MiniInstaller().calls) calls.push_back(c.entry);
  EXPECT_EQ(calls, (std::vector<std::string>{"InitializeMiniInstaller", "KillMiniInstaller"}));
  EXPECT_NE(qvtest::MiniInstaller().calls[0].printer, nullptr);
  EXPECT_EQ(w32test::ModuleLoadCount(installer.c_str()), 0u);

  EXPECT_EQ(agent.requests, (std::vector<LPARAM>{6, 1}));
  EXPECT_EQ(agent.wakes, 1);
  EXPECT_EQ(DataText(u"EACLastUpdate"), DataText(u"LastUpdated"));
  EXPECT_NE(DataText(u"EACLastUpdate"), u"<missing>");
  EXPECT_EQ(DataText(u"LastUpdateType"), u"Auto");
  EXPECT_EQ(DataText(u"RegistryAgentName"), u"QVNRA");
  Detach();
  EXPECT_EQ(w32test::OpenPrinterCount(), 0u);
}

TEST_F(AgentSetUpTest, AnInstallerThatDoesNotLoadIsStampedAsAnError) {
  PutSampleModel();
  Attach();
  EXPECT_EQ(SetUpPrinter(), TRUE);
  EXPECT_EQ(DataText(u"EACLastUpdate"), u"ERROR");
  EXPECT_EQ(DataText(u"LastUpdateType"), u"Default");
  // The launcher created the printer's request, cleared; the session left
  // it cleared after the agent did not answer.
  auto request = w32test::ReadPrinterData(u"Front Desk", u"QvrdbUpdateRequest");
  ASSERT_TRUE(request.has_value());
  EXPECT_EQ(request->data, (std::vector<BYTE>{0, 0, 0, 0}));
}
#endif

}  // namespace
