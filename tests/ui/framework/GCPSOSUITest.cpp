// The property-sheet bridge: UI providers loaded from the settings, the two
// passes that collect their pages, the pages handed to a host or run in a
// sheet of its own, the start page and the page callbacks.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GStringAttribute.h"
#include "ui/framework/GCPSOSUI.h"
#include "ui/framework/GExtensionUIManager.h"
#include "win32/CompStui.h"
#include "win32/Module.h"
#include "w32test/Testing.h"
#include "winnt40/nt40qddi.h"
#include "support/AttributeBuilders.h"

namespace {

// A scripted provider module: pass 1 announces `announce` pages, pass 2
// fills `fill` pages from the start index, titled "<name> <n>".
struct ProviderScript {
  const char* name = "";
  int16_t announce = 0;
  int16_t fill = 0;
  int16_t configAnswer = 0;
  std::vector<int16_t> starts;  // the start index of every pass-2 call
  int destroyed = 0;
  GUIData* lastData = nullptr;
};
ProviderScript g_providers[2];

template <int N>
int Version() {
  return 2;
}
template <int N>
int16_t Initialize(GUIData* data, int16_t start) {
  ProviderScript& p = g_providers[N];
  p.lastData = data;
  if (data->pages == nullptr) return p.announce;
  p.starts.push_back(start);
  int16_t filled = 0;
  for (int16_t i = 0; i < p.fill && start + i < data->pageCount; ++i) {
    const std::string title = std::string(p.name) + " " + std::to_string(i);
    auto* text = new WCHAR[title.size() + 1];
    for (size_t c = 0; c <= title.size(); ++c) text[c] = static_cast<WCHAR>(title.c_str()[c]);
    data->pages[start + i].pszTitle = text;
    ++filled;
  }
  return p.fill;
}
template <int N>
int16_t Destroy(GUIData*) {
  ++g_providers[N].destroyed;
  return 0;
}
template <int N>
int16_t ConfigToSettings(GUIData*) {
  return g_providers[N].configAnswer;
}
int16_t SettingsToConfig(GUIData*) { return 0; }
int OldVersion() { return 1; }

template <int N>
void InstallProvider(const char16_t* path, bool complete = true) {
  w32test::ModuleSpec spec;
  spec.name = path;
  spec.exports["UI_INTERFACEVERSION"] = w32test::Export(&Version<N>);
  spec.exports["UI_INITIALIZE"] = w32test::Export(&Initialize<N>);
  spec.exports["UI_DESTROY"] = w32test::Export(&Destroy<N>);
  spec.exports["UI_CONFIGTOSETTINGS"] = w32test::Export(&ConfigToSettings<N>);
  if (complete) spec.exports["UI_SETTINGSTOCONFIG"] = w32test::Export(&SettingsToConfig);
  w32test::InstallModule(spec);
}

using qvtest::Group;
using qvtest::Text;

class GCPSOSUITest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    for (auto& p : g_providers) p = ProviderScript();
    g_providers[0].name = "A";
    g_providers[1].name = "B";
    InstallProvider<0>(u"C:\\WINDOWS\\SYSTEM32\\QVPROVA.DLL");
    InstallProvider<1>(u"C:\\WINDOWS\\SYSTEM32\\QVPROVB.DLL");
    driver_ = std::make_unique<GNT40Driver>(nullptr, RWWString(u"Front Desk"), RWWString(u"Quarrin 4700"),
                                            RWWString(u"LPT1:"));
    settings_.reset(Group(360));
    GAttributeComposite* providers = Group(GFeatureIds::kUIProviders);
    providers->AddChild(Text(0, "QVPROVA.DLL"));
    providers->AddChild(Text(0, "MISSING.DLL"));  // skipped silently
    providers->AddChild(Text(0, "QVPROVB.DLL"));
    settings_->AddChild(providers);
    request_.size = sizeof(SheetRequest);
    request_.host = driver_.get();
    request_.settings = settings_.get();
    request_.sheetKind = 3;
    request_.hostHandle = w32test::NewHostSheet();
    request_.hostCallback = w32test::HostFunction();
  }
  void TearDown() override {
    driver_.reset();
    w32test::Reset();
  }

  std::vector<std::u16string> HostTitles() {
    std::vector<std::u16string> titles;
    for (const auto& page : w32test::SheetPages())
      if (page.sheet == request_.hostHandle) titles.push_back(page.title);
    return titles;
  }

  std::unique_ptr<GNT40Driver> driver_;
  std::unique_ptr<GAttributeComposite> settings_;
  SheetRequest request_;
};

TEST_F(GCPSOSUITest, ProvidersFillTheirPagesInOrderAndTheHostGetsThem) {
  g_providers[0].announce = g_providers[0].fill = 6;
  g_providers[1].announce = g_providers[1].fill = 2;
  GCPSOSUI bridge;
  EXPECT_EQ(bridge.OpenSheet(&request_, 0), 8);
  EXPECT_EQ(bridge.GetProviderCount(), 2);
  ASSERT_NE(request_.uiData, nullptr);
  GUIData* data = request_.uiData;
  EXPECT_EQ(data->size, static_cast<int>(sizeof(GUIData)));
  EXPECT_EQ(data->host, driver_.get());
  EXPECT_EQ(data->settings, settings_.get());
  EXPECT_EQ(data->request, &request_);
  EXPECT_EQ(data->sheetKind, 3);
  EXPECT_EQ(data->pageCount, 8);
  EXPECT_EQ(std::u16string(data->printerName), u"Front Desk");
  EXPECT_EQ(std::u16string(data->driverName), u"Quarrin 4700");
  EXPECT_EQ(std::u16string(data->portName), u"LPT1:");
  EXPECT_EQ(g_providers[0].starts, std::vector<int16_t>{0});
  EXPECT_EQ(g_providers[1].starts, std::vector<int16_t>{6});
  const std::vector<std::u16string> expected = {u"A 0", u"A 1", u"A 2", u"A 3", u"A 4", u"A 5", u"B 0", u"B 1"};
  EXPECT_EQ(HostTitles(), expected);
  // Every page carries its link and the bridge's page callback.
  for (int i = 0; i < data->pageCount; ++i) {
    const PROPSHEETPAGEW& page = data->pages[i];
    EXPECT_EQ(page.dwSize, sizeof(PROPSHEETPAGEW));
    EXPECT_NE(page.dwFlags & PSP_USECALLBACK, 0u);
    EXPECT_EQ(page.pfnCallback, &GCPSOSUI::PropPageCallback);
    auto* link = reinterpret_cast<PageLink*>(page.lParam);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->data, data);
    EXPECT_EQ(link->pageHandle, w32test::SheetPages()[static_cast<size_t>(i)].page);
  }
  EXPECT_EQ(bridge.CloseSheet(&request_), 0);
  EXPECT_EQ(request_.uiData, nullptr);
  EXPECT_EQ(g_providers[0].destroyed, 1);
  EXPECT_EQ(g_providers[1].destroyed, 1);
}

TEST_F(GCPSOSUITest, ProviderThatFillsMoreThanItAnnouncedLosesItsPages) {
  g_providers[0].announce = g_providers[0].fill = 6;
  g_providers[1].announce = 2;
  g_providers[1].fill = 3;
  GCPSOSUI bridge;
  EXPECT_EQ(bridge.OpenSheet(&request_, 0), 6);
  EXPECT_EQ(g_providers[1].destroyed, 1);
  EXPECT_EQ(HostTitles().size(), 6u);
  bridge.CloseSheet(&request_);
}

TEST_F(GCPSOSUITest, RequestOfAnotherSizeOrWithoutPagesOpensNothing) {
  GCPSOSUI bridge;
  request_.size = 56;
  EXPECT_EQ(bridge.OpenSheet(&request_, 0), 0);
  EXPECT_EQ(request_.uiData, nullptr);
  request_.size = sizeof(SheetRequest);
  EXPECT_EQ(bridge.OpenSheet(&request_, 0), 0);  // the providers announce no pages
  EXPECT_TRUE(w32test::SheetPages().empty());
  bridge.CloseSheet(&request_);
  EXPECT_EQ(request_.uiData, nullptr);
}

TEST_F(GCPSOSUITest, LastPageTitleChoosesTheStartPage) {
  g_providers[0].announce = g_providers[0].fill = 3;
  GAttributeComposite* last = Group(GFeatureIds::kDocumentSettings2);
  last->AddChild(Text(GFeatureIds::kLastPageTitle, "A 2"));
  settings_->AddChild(last);
  GCPSOSUI bridge;
  ASSERT_EQ(bridge.OpenSheet(&request_, 0), 3);
  ASSERT_EQ(w32test::SheetPages().size(), 3u);
  EXPECT_EQ(w32test::SheetStartPage(request_.hostHandle), w32test::SheetPages()[2].page);
  bridge.CloseSheet(&request_);
}

TEST_F(GCPSOSUITest, PageCallbackMarksCreationAndHandsReplacedSettingsBack) {
  g_providers[0].announce = g_providers[0].fill = 1;
  GCPSOSUI bridge;
  ASSERT_EQ(bridge.OpenSheet(&request_, 0), 1);
  PROPSHEETPAGEW* page = &request_.uiData->pages[0];
  auto* link = reinterpret_cast<PageLink*>(page->lParam);
  EXPECT_EQ(GCPSOSUI::PropPageCallback(nullptr, PSPCB_CREATE, page), 1u);
  EXPECT_EQ(link->created, 1);
  // The session replaced the settings during the sheet.
  std::unique_ptr<GAttributeComposite> replaced(Group(360));
  request_.uiData->settings = replaced.get();
  EXPECT_EQ(GCPSOSUI::PropPageCallback(nullptr, PSPCB_RELEASE, page), 0u);
  EXPECT_EQ(link->released, 1);
  EXPECT_EQ(request_.settings, replaced.get());
  bridge.CloseSheet(&request_);
}

TEST_F(GCPSOSUITest, SinglePageModeAsksTheFirstProviderWithTheMode) {
  g_providers[0].fill = 1;
  GCPSOSUI bridge;
  EXPECT_EQ(bridge.OpenSheet(&request_, GSheetMode::kPromptPage), 1);
  EXPECT_EQ(request_.uiData->pageCount, 1);
  EXPECT_EQ(g_providers[0].starts, std::vector<int16_t>{GSheetMode::kPromptPage});
  EXPECT_TRUE(g_providers[1].starts.empty());
  bridge.CloseSheet(&request_);
}

LONG g_runs = 0;
LONG CountingSheet(PROPSHEETUI_INFO* info, LPARAM) {
  if (info->Reason == PROPSHEETUI_REASON_INIT) ++g_runs;
  return 1;
}

TEST_F(GCPSOSUITest, WithoutHostTheBridgeRunsASheetOfItsOwn) {
  g_providers[0].announce = g_providers[0].fill = 1;
  request_.hostCallback = nullptr;
  request_.sheetFunction = &CountingSheet;
  g_runs = 0;
  GCPSOSUI bridge;
  EXPECT_EQ(bridge.OpenSheet(&request_, 0), CPSUI_OK);
  EXPECT_EQ(g_runs, 1);
  w32test::QueueSheetResult(CPSUI_CANCEL);
  bridge.CloseSheet(&request_);
  EXPECT_EQ(bridge.OpenSheet(&request_, 0), 0);
  bridge.CloseSheet(&request_);
}

TEST_F(GCPSOSUITest, ConfigToSettingsAnswersTheLastNonZeroResult) {
  GUIData data;
  data.size = sizeof(GUIData);
  data.settings = settings_.get();
  GCPSOSUI bridge;
  EXPECT_EQ(bridge.ConfigToSettings(&data), 0);
  g_providers[0].configAnswer = 3;
  EXPECT_EQ(bridge.ConfigToSettings(&data), 3);
  g_providers[1].configAnswer = 4;
  EXPECT_EQ(bridge.ConfigToSettings(&data), 4);
}

TEST(GExtensionUIManagerTest, ProviderMustAnswerVersionTwoAndExportEveryEntry) {
  w32test::Reset();
  InstallProvider<0>(u"C:\\WINDOWS\\SYSTEM32\\GOOD.DLL");
  InstallProvider<0>(u"C:\\WINDOWS\\SYSTEM32\\PARTIAL.DLL", false);
  w32test::ModuleSpec old;
  old.name = u"C:\\WINDOWS\\SYSTEM32\\OLD.DLL";
  old.exports["UI_INTERFACEVERSION"] = w32test::Export(&OldVersion);
  w32test::InstallModule(old);
  EXPECT_EQ(GExtensionUIManager(RWWString(u"GOOD.DLL")).IsLoaded(), 1);
  EXPECT_EQ(GExtensionUIManager(RWWString(u"PARTIAL.DLL")).IsLoaded(), 0);
  GExtensionUIManager oldProvider{RWWString(u"OLD.DLL")};
  EXPECT_EQ(oldProvider.IsLoaded(), 0);
  EXPECT_EQ(oldProvider.Initialize(nullptr, 0), 0);
  // A provider that fails to load leaves no reference behind.
  EXPECT_EQ(w32test::ModuleLoadCount(u"C:\\WINDOWS\\SYSTEM32\\OLD.DLL"), 0u);
  // The built-in host of extension pages loads by its name alone.
  EXPECT_EQ(GExtensionUIManager(RWWString(u"GExtensionUIManager")).IsLoaded(), 1);
  w32test::Reset();
}

}  // namespace
