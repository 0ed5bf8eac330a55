// The UI session on a sheet opened through the bridge on a real driver
// object: the provider makes the session from the sheet's record in its
// first pass and deletes it when the sheet closes, as the module's own
// provider does. The session reaches the host, the model, the dialog hook
// and the module-wide hooks from that record.
#include <gtest/gtest.h>

#include <string>

#include "driver/GExternalModule.h"
#include "model/GCustomMediaSize.h"
#include "model/GFeatureIds.h"
#include "support/DriverObjectTestSupport.h"
#include "support/ScopedUpwardServices.h"
#include "ui/framework/GCPSOSUI.h"
#include "ui/framework/GUIRule.h"
#include "ui/framework/GUISession.h"
#include "win32/CompStui.h"
#include "win32/Dialog.h"
#include "win32/Process.h"
#include "win32/Window.h"
#include "w32test/Testing.h"

namespace qvdrv {
namespace {

GUISession* g_session = nullptr;
int SheetVersion() { return 2; }
int16_t SheetInitialize(GUIData* data, int16_t) {
  if (data->pages == nullptr) {
    g_session = new GUISession(data);
    data->providerData = g_session;
  }
  return 2;
}
int16_t UISessionSheetDestroy(GUIData* data) {
  delete static_cast<GUISession*>(data->providerData);
  data->providerData = nullptr;
  g_session = nullptr;
  return 0;
}
int16_t SheetNoOp(GUIData*) { return 0; }

// The module-wide hooks, recording what they were asked.
struct HookLog {
  int loads = 0;
  std::vector<std::pair<int, GDriverInstance*>> saves;
  std::vector<GUIData*> configs;
} g_hooks;
GAttributeComposite* LoadPool(GQuickSetAccessor*, int* loaded) {
  ++g_hooks.loads;
  *loaded = 0;
  const int32_t id = GFeatureIds::kQuickSetPool;
  return new GAttributeComposite(&id);
}
int SavePool(GAttributeComposite* pool, int perUser, GDriverInstance* host) {
  EXPECT_NE(pool, nullptr);
  g_hooks.saves.emplace_back(perUser, host);
  return 1;
}
int16_t ConfigToSettings(GUIData* data) {
  g_hooks.configs.push_back(data);
  return 0;
}

// A rule that records what the session looked like when it ran.
class WatchingRule : public GUIRule {
 public:
  using GUIRule::GUIRule;
  void Init() override { ++inits; }
  void OnChange(const std::list<int32_t>&, int force) override {
    ++changes;
    forced += force;
    context = session_->GetUpdateContext();
  }
  int inits = 0;
  int changes = 0;
  int forced = 0;
  HWND context = nullptr;
};

// The agent's installer as the launcher hook makes it.
class FakeLauncher : public GExternalModule {
 public:
  FakeLauncher(const RWWString& name, bool loaded) : GExternalModule(name, nullptr) { SetLoaded(loaded ? 1 : 0); }
  int Start() override { return 1; }
  int Stop() override { return 1; }
};
bool g_launcherLoaded = false;
std::vector<std::u16string> g_launcherPrinters;
std::vector<std::optional<w32test::RegistryValue>> g_requestAtLaunch;
GExternalModule* CreateLauncher(const RWWString& printer, HANDLE) {
  g_launcherPrinters.push_back(Text16(printer));
  g_requestAtLaunch.push_back(w32test::ReadPrinterData(u"Front Desk", u"QvrdbUpdateRequest"));
  return new FakeLauncher(printer, g_launcherLoaded);
}

class GUISessionSheetTest : public DriverObjectTest {
 protected:
  void SetUp() override {
    g_launcherLoaded = false;
    g_launcherPrinters.clear();
    g_requestAtLaunch.clear();
    DriverObjectTest::SetUp();
    g_hooks = HookLog();
    GUISessionHooks hooks;
    hooks.loadQuickSetPool = &LoadPool;
    hooks.saveQuickSetPool = &SavePool;
    hooks.configToSettings = &ConfigToSettings;
    services_.Change([&](GUpwardServices& s) { s.uiSession = hooks; });
    w32test::ModuleSpec provider;
    provider.name = u"C:\\WINDOWS\\SYSTEM32\\QVUIPROV.DLL";
    provider.exports["UI_INTERFACEVERSION"] = w32test::Export(&SheetVersion);
    provider.exports["UI_INITIALIZE"] = w32test::Export(&SheetInitialize);
    provider.exports["UI_DESTROY"] = w32test::Export(&UISessionSheetDestroy);
    provider.exports["UI_CONFIGTOSETTINGS"] = w32test::Export(&SheetNoOp);
    provider.exports["UI_SETTINGSTOCONFIG"] = w32test::Export(&SheetNoOp);
    w32test::InstallModule(provider);

    settings_ = Group(360, {Group(GFeatureIds::kUIProviders, {Text(0, "QVUIPROV.DLL")}),
                            Group(GFeatureIds::kDocumentSettings2, {Text(GFeatureIds::kLastPageTitle, "")}),
                            Group(366, {Value(940, 1), Value(1500, 9)}), Group(362, {Value(259, 3)})});
    request_.size = sizeof(SheetRequest);
    request_.host = &MakeDriver();
    request_.settings = settings_;
    request_.printer = driver_->FindPrinter();
    request_.sheetKind = 3;
    request_.accessFlags = GUIAccess::kChangesAllowed | GUIAccess::kPerUser;
    request_.hostHandle = w32test::NewHostSheet();
    request_.hostCallback = w32test::HostFunction();
    ASSERT_EQ(bridge_.OpenSheet(&request_, 0), 2);
    ASSERT_NE(g_session, nullptr);
  }
  void TearDown() override {
    bridge_.CloseSheet(&request_);
    delete request_.settings;
    DriverObjectTest::TearDown();
  }

  // A page window as the page procedure leaves it.
  HWND PageWindow(int i) {
    HWND page = w32test::CreateTestWindow(u"#32770", u"", nullptr, nullptr);
    SetWindowLongPtrW(page, DWL_USER, reinterpret_cast<LONG_PTR>(&request_.uiData->pages[i]));
    return page;
  }

  GAttributeComposite* settings_ = nullptr;
  SheetRequest request_;
  GCPSOSUI bridge_;
};

TEST_F(GUISessionSheetTest, TheSessionWorksOnTheSheetsSettingsAndThePrintersModel) {
  GUISession& session = *g_session;
  EXPECT_EQ(session.GetUIData(), request_.uiData);
  EXPECT_EQ(session.GetHost(), driver_.get());
  EXPECT_EQ(session.GetSettings(), settings_);
  EXPECT_EQ(session.GetModel(), driver_->GetPrinterConfiguration());
  EXPECT_EQ(session.GetPaperMappingList(), driver_->GetPaperMappings());
  EXPECT_EQ(session.GetSourceMappingList(), driver_->GetSourceMappings());
  ASSERT_NE(session.GetUIState(), nullptr);
  EXPECT_EQ(Child(settings_, GFeatureIds::kUIState), session.GetUIState());
  ASSERT_NE(session.GetReferenceSettings(), nullptr) << "fresh settings of the host";
  EXPECT_NE(session.GetReferenceSettings(), settings_);

  // The model is read-only and is the printer's configuration.
  int value = -1;
  const int32_t variantSwitch = 958;
  EXPECT_EQ(session.GetModelView().GetInt(&variantSwitch, &value), 1);
  EXPECT_EQ(session.GetModelView().SetInt(&variantSwitch, 1), 0);
  EXPECT_EQ(session.GetEffectiveAccess(), GUIAccess::kChangesAllowed);
  EXPECT_EQ(session.IsPerUserMode(), GUIAccess::kPerUser);
}

TEST_F(GUISessionSheetTest, TheFirstPageMessageRunsTheRulesOnceAndEveryMessageReachesTheHook) {
  auto* rule = new WatchingRule(g_session);
  g_session->AddRule(rule);
  HWND page = PageWindow(1);
  NMHDR apply{page, 0, static_cast<UINT>(PSN_APPLY)};
  g_session->OnPageMessage(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&apply));
  EXPECT_EQ(rule->inits, 1);
  EXPECT_EQ(rule->changes, 1);
  EXPECT_EQ(rule->forced, 1);
  EXPECT_EQ(rule->context, page) << "the page serves as update context for the first run";
  EXPECT_EQ(g_session->GetUpdateContext(), nullptr);
  EXPECT_EQ(request_.applied, 1) << "the sheet's dialog hook saw the message";
  ASSERT_EQ(w32test::SheetResults().size(), 1u);

  g_session->OnPageMessage(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&apply));
  EXPECT_EQ(rule->inits, 1);
  EXPECT_EQ(w32test::SheetResults().size(), 2u);
}

TEST_F(GUISessionSheetTest, TheFirstMessageKeepsAnUpdateContextThatIsAlreadySet) {
  auto* rule = new WatchingRule(g_session);
  g_session->AddRule(rule);
  HWND owner = w32test::CreateTestWindow(u"#32770", u"Custom Paper Size");
  g_session->BeginUpdate(owner);
  g_session->OnPageMessage(PageWindow(0), WM_INITDIALOG, 0, 0);
  EXPECT_EQ(rule->context, owner);
  EXPECT_EQ(g_session->GetUpdateContext(), owner);
  g_session->EndUpdate();
}

TEST_F(GUISessionSheetTest, TheQuickSetPoolIsLoadedOnceAndSavedWhenTheSheetCloses) {
  int loaded = -1;
  EXPECT_EQ(g_session->GetQuickSetPool(nullptr, &loaded), nullptr) << "no accessor, nothing loaded";
  EXPECT_EQ(loaded, 1);
  auto* accessor = reinterpret_cast<GQuickSetAccessor*>(0x1);  // only handed on
  GAttributeComposite* pool = g_session->GetQuickSetPool(accessor, &loaded);
  ASSERT_NE(pool, nullptr);
  EXPECT_EQ(loaded, 0) << "nothing was stored";
  EXPECT_EQ(g_session->GetQuickSetPool(accessor, &loaded), pool);
  EXPECT_EQ(g_hooks.loads, 1);
  EXPECT_TRUE(g_hooks.saves.empty());

  bridge_.CloseSheet(&request_);
  ASSERT_EQ(g_hooks.saves.size(), 1u);
  EXPECT_EQ(g_hooks.saves[0].first, 1) << "per-user mode";
  EXPECT_EQ(g_hooks.saves[0].second, driver_.get());
}

TEST_F(GUISessionSheetTest, ReloadingKeepsTheSheetGroupsAndTheUIStateAndReachesTheDriverObject) {
  const int32_t key = 0x4000001C;
  g_session->GetUIStateView().SetInt(&key, 2);
  GAttributeComposite* state = g_session->GetUIState();
  GAttributeComposite* before = g_session->GetSettings();
  g_session->SetRefreshNeeded(0);

  ASSERT_EQ(g_session->ReloadSettings(), 1);
  GAttributeComposite* fresh = g_session->GetSettings();
  ASSERT_NE(fresh, before);
  EXPECT_EQ(request_.uiData->settings, fresh);
  EXPECT_EQ(g_session->GetRefreshNeeded(), 1);
  EXPECT_EQ(g_session->GetUIState(), state) << "the UI state moved over";
  EXPECT_EQ(Get(fresh, key), 2);
  MPersistentObject* preferences = Child(fresh, 366);
  ASSERT_NE(preferences, nullptr);
  EXPECT_EQ(Get(preferences, 940), 1) << "the user's value stays";
  EXPECT_EQ(Get(preferences, 1500), 9);
  EXPECT_NE(Child(preferences, 378), nullptr) << "what the fresh settings add comes in";
  EXPECT_EQ(preferences->GetEntryCount(), 3) << "nothing twice";
  EXPECT_NE(Child(fresh, 365), nullptr) << "other groups are the fresh ones";
  EXPECT_NE(Get(fresh, 259), 3) << "the old job group is gone";

  // The driver object learns of the new settings when the pages go.
  PROPSHEETPAGEW& page = request_.uiData->pages[0];
  GCPSOSUI::PropPageCallback(nullptr, PSPCB_RELEASE, &page);
  EXPECT_EQ(request_.settings, fresh);
}

TEST_F(GUISessionSheetTest, UpdateFromPrinterStartsTheStatusProgramAndRunsTheAutoConfiguration) {
  // A launcher is at hand, but a printer that is not bidirectional never asks for it.
  services_.Change([](GUpwardServices& s) { s.miniInstaller = &CreateLauncher; });
  g_session->SetRefreshNeeded(0);
  EXPECT_EQ(g_session->UpdateFromPrinter(), 603) << "no provider answers";
  const auto started = w32test::StartedCommands();
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].commandLine,
            "C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVBSnwLt.exe  /G /P \"Front Desk\" /D \"LPT1:\"");
  EXPECT_EQ(started[0].showCommand, static_cast<UINT>(SW_HIDE));
  EXPECT_EQ(g_hooks.configs, std::vector<GUIData*>{request_.uiData});
  EXPECT_EQ(g_session->GetRefreshNeeded(), 1);
  EXPECT_TRUE(g_launcherPrinters.empty());

  w32test::FailCall("WinExec", 2);
  EXPECT_EQ(g_session->UpdateFromPrinter(), 603) << "a failed start changes nothing";
}

TEST_F(GUISessionSheetTest, ABidirectionalPrinterIsUpdatedThroughTheAgentsInstaller) {
  GConfiguration* model = driver_->GetPrinterConfiguration();
  model->AddChild(Value(GFeatureIds::kBidiUpdateAvailable, 1));
  services_.Change([](GUpwardServices& s) { s.miniInstaller = &CreateLauncher; });
  g_launcherPrinters.clear();
  g_requestAtLaunch.clear();

  // Without the agent's value in group 364 nothing is asked of the printer.
  EXPECT_EQ(g_session->UpdateFromPrinter(), 0);
  EXPECT_TRUE(g_launcherPrinters.empty());

  model->AddChild(Group(GFeatureIds::kDocumentSettings2, {Value(GFeatureIds::kAgentUpdate, 1)}));
  struct Case {
    bool loaded;
    int result;
  } cases[] = {{false, 0}, {true, 603}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.loaded);
    g_launcherLoaded = c.loaded;
    g_launcherPrinters.clear();
    g_requestAtLaunch.clear();
    EXPECT_EQ(g_session->UpdateFromPrinter(), c.result);
    EXPECT_EQ(g_launcherPrinters, std::vector<std::u16string>{u"Front Desk"});
    ASSERT_TRUE(g_requestAtLaunch[0].has_value());
    EXPECT_EQ(g_requestAtLaunch[0]->data, (std::vector<BYTE>{1, 0, 0, 0})) << "asked while the installer starts";
    ASSERT_TRUE(Data(u"QvrdbUpdateRequest").has_value());
    EXPECT_EQ(Data(u"QvrdbUpdateRequest")->data, (std::vector<BYTE>{0, 0, 0, 0})) << "and withdrawn after";
  }
  EXPECT_EQ(g_hooks.configs.size(), 3u) << "the configuration is taken into the settings every time";
}

TEST_F(GUISessionSheetTest, ModelAndHostQuestions) {
  RWCString help;
  g_session->GetHelpFilePath(&help);
  EXPECT_EQ(std::string(help.Data(), help.Length()), "C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVHELP.HLP");

  GConfiguration* model = driver_->GetPrinterConfiguration();
  EXPECT_EQ(g_session->GetUniformResolution(), 0x7FFF) << "no resolution list";
  EXPECT_EQ(g_session->GetAutoConfigurationState(), 0);
  model->AddChild(Group(228, {Value(313, 2)}));
  EXPECT_EQ(g_session->GetAutoConfigurationState(), 2);
  auto* resolutions = Group(206, {Group(0, {Value(323, 600), Value(324, 600)})});
  model->AddChild(resolutions);
  EXPECT_EQ(g_session->GetUniformResolution(), 600);
  delete model->RemoveChildById(206);
  model->AddChild(Group(206, {Group(0, {Value(323, 1200), Value(324, 600)})}));
  EXPECT_EQ(g_session->GetUniformResolution(), 0x7FFF);

  EXPECT_EQ(g_session->QueryHost(1), 1);
  EXPECT_EQ(g_session->QueryHost(0x4000), 0) << "a custom size the spooler has no medium for";
  EXPECT_EQ(g_session->ApplySettingsToModel(), 1);
  EXPECT_EQ(g_session->GetDefaultPaperSize(), driver_->GetDefaultPaperId());

  EXPECT_EQ(g_session->LoadAdminQuickSets(), nullptr);
  auto* admin = Group(0, {Value(259, 2)});
  ASSERT_EQ(GOSFactory::GetInstance()->StoreObject(driver_.get(), RWWString(u"DMCQuickset"), admin), 1);
  delete admin;
  std::unique_ptr<MPersistentObject> loaded(g_session->LoadAdminQuickSets());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(Get(loaded.get(), 259), 2);
}

}  // namespace
}  // namespace qvdrv
