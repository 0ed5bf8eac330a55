// The sheet's dialog hook on the pages of a sheet opened through the bridge:
// page windows keep their PROPSHEETPAGEW in DWL_USER, as the page procedure
// leaves them, and are owned by the sheet window.
#include <gtest/gtest.h>

#include <string>

#include "model/GFeatureIds.h"
#include "support/DriverObjectTestSupport.h"
#include "ui/framework/GCPSOSUI.h"
#include "win32/CompStui.h"
#include "win32/Dialog.h"
#include "win32/Window.h"
#include "w32test/Testing.h"

namespace qvdrv {
namespace {

constexpr const char16_t* kResources = u"C:\\WINNT\\System32\\spool\\DRIVERS\\W32X86\\2\\QVRES.DLL";

// The provider: three pages titled "Paper", "Finishing" and an untitled one.
int Version() { return 2; }
int16_t Initialize(GUIData* data, int16_t start) {
  if (data->pages == nullptr) return 3;
  const char16_t* titles[] = {u"Paper", u"Finishing"};
  for (int i = 0; i < 2; ++i) {
    const std::u16string title(titles[i]);
    auto* text = new WCHAR[title.size() + 1];
    for (size_t c = 0; c <= title.size(); ++c) text[c] = title.c_str()[c];
    data->pages[start + i].pszTitle = text;
  }
  return 3;
}
int16_t NoOp(GUIData*) { return 0; }

class DlgProcHookTest : public DriverObjectTest {
 protected:
  void SetUp() override {
    DriverObjectTest::SetUp();
    w32test::ModuleSpec provider;
    provider.name = u"C:\\WINDOWS\\SYSTEM32\\QVUIPROV.DLL";
    provider.exports["UI_INTERFACEVERSION"] = w32test::Export(&Version);
    provider.exports["UI_INITIALIZE"] = w32test::Export(&Initialize);
    provider.exports["UI_DESTROY"] = w32test::Export(&NoOp);
    provider.exports["UI_CONFIGTOSETTINGS"] = w32test::Export(&NoOp);
    provider.exports["UI_SETTINGSTOCONFIG"] = w32test::Export(&NoOp);
    w32test::InstallModule(provider);
    InstallResources(u"Quarrin 4700 PCL XL");

    settings_.reset(Group(360, {Group(GFeatureIds::kUIProviders, {Text(0, "QVUIPROV.DLL")}),
                                Group(GFeatureIds::kDocumentSettings2, {Text(GFeatureIds::kLastPageTitle, "")})}));
    request_.size = sizeof(SheetRequest);
    request_.host = &MakeDriver();
    request_.settings = settings_.get();
    request_.sheetKind = 3;
    request_.hostHandle = w32test::NewHostSheet();
    request_.hostCallback = w32test::HostFunction();
    sheet_ = w32test::CreateTestWindow(u"#32770", u"Front Desk Document Properties");
  }
  void TearDown() override {
    settings_.reset();
    DriverObjectTest::TearDown();
  }

  void InstallResources(const char16_t* suffix) {
    w32test::ModuleSpec resources;
    resources.name = kResources;
    if (suffix != nullptr) resources.strings[GCPSOSUI::kTitleSuffixString] = suffix;
    w32test::InstallModule(resources);
  }

  // The window of page i, as the page procedure leaves it at WM_INITDIALOG.
  HWND PageWindow(int i) {
    HWND page = w32test::CreateTestWindow(u"#32770", u"", nullptr, sheet_);
    SetWindowLongPtrW(page, DWL_USER, reinterpret_cast<LONG_PTR>(&request_.uiData->pages[i]));
    return page;
  }
  PageLink* Link(int i) { return reinterpret_cast<PageLink*>(request_.uiData->pages[i].lParam); }
  WORD Hook(HWND page, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    GUIData* data = request_.uiData;
    return data->dialogHook(page, message, wParam, lParam, data);
  }
  WORD Notify(HWND page, UINT code) {
    NMHDR header{page, 0, code};
    return Hook(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
  }
  std::u16string SheetTitle() {
    WCHAR title[256] = {};
    GetWindowTextW(sheet_, title, 256);
    return title;
  }
  std::string LastPage() {
    return TextOf(Child(settings_.get(), GFeatureIds::kDocumentSettings2), GFeatureIds::kLastPageTitle);
  }

  std::unique_ptr<GAttributeComposite> settings_;
  SheetRequest request_;
  HWND sheet_ = nullptr;
};

TEST_F(DlgProcHookTest, TheFirstPageInitialisedGivesTheSheetTitleItsSuffixOnce) {
  GCPSOSUI bridge;
  ASSERT_EQ(bridge.OpenSheet(&request_, 0), 3);
  ASSERT_EQ(request_.uiData->dialogHook, &GCPSOSUI::DlgProcHook);
  HWND first = PageWindow(0);
  HWND second = PageWindow(1);
  EXPECT_EQ(Hook(first, WM_INITDIALOG), 0);
  EXPECT_EQ(Hook(second, WM_INITDIALOG), 0);
  EXPECT_EQ(SheetTitle(), u"Front Desk Document Properties - Quarrin 4700 PCL XL");
  EXPECT_EQ(Link(0)->window, first);
  EXPECT_EQ(Link(1)->window, second);
  EXPECT_EQ(Link(2)->window, nullptr);
  EXPECT_EQ(w32test::ModuleLoadCount(kResources), 0u) << "the resource module is freed again";
  bridge.CloseSheet(&request_);

  // The next bridge's sheet gets it again.
  GCPSOSUI next;
  ASSERT_EQ(next.OpenSheet(&request_, 0), 3);
  SetWindowTextW(sheet_, u"Front Desk Properties");
  Hook(PageWindow(2), WM_INITDIALOG);
  EXPECT_EQ(SheetTitle(), u"Front Desk Properties - Quarrin 4700 PCL XL");
  next.CloseSheet(&request_);
}

TEST_F(DlgProcHookTest, TheSuffixNeedsItsStringAndTheTitleIsReadUpTo79Characters) {
  const std::u16string longTitle(100, u'T');
  struct Case {
    const char* what;
    const char16_t* suffix;
    std::u16string title;
    std::u16string expected;
  } cases[] = {
      {"no string 13620", nullptr, u"Front Desk Properties", u"Front Desk Properties"},
      {"empty string 13620", u"", u"Front Desk Properties", u"Front Desk Properties"},
      {"long title", u"XL", longTitle, std::u16string(79, u'T') + u" - XL"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InstallResources(c.suffix);
    SetWindowTextW(sheet_, c.title.c_str());
    GCPSOSUI bridge;
    ASSERT_EQ(bridge.OpenSheet(&request_, 0), 3);
    Hook(PageWindow(0), WM_INITDIALOG);
    InstallResources(u"late");  // the flag is set whether or not the string existed
    Hook(PageWindow(1), WM_INITDIALOG);
    EXPECT_EQ(SheetTitle(), c.expected);
    EXPECT_NE(Link(1)->window, nullptr);
    bridge.CloseSheet(&request_);
  }
}

TEST_F(DlgProcHookTest, ApplyIsReportedToTheHost) {
  GCPSOSUI bridge;
  ASSERT_EQ(bridge.OpenSheet(&request_, 0), 3);
  HWND page = PageWindow(1);
  EXPECT_EQ(Notify(page, PSN_APPLY), 0);
  EXPECT_EQ(request_.applied, 1);
  ASSERT_EQ(w32test::SheetResults().size(), 1u);
  EXPECT_EQ(w32test::SheetResults()[0].sheet, request_.hostHandle);
  EXPECT_EQ(w32test::SheetResults()[0].page, Link(1)->pageHandle);
  EXPECT_EQ(w32test::SheetResults()[0].result, CPSUI_OK);

  // Without a host callback the request still learns of it.
  request_.applied = 0;
  request_.hostCallback = nullptr;
  Notify(page, PSN_APPLY);
  EXPECT_EQ(request_.applied, 1);
  EXPECT_EQ(w32test::SheetResults().size(), 1u);
  request_.hostCallback = w32test::HostFunction();
  bridge.CloseSheet(&request_);
}

TEST_F(DlgProcHookTest, TheNextSheetOpensOnThePageTheUserLeftLast) {
  GCPSOSUI bridge;
  ASSERT_EQ(bridge.OpenSheet(&request_, 0), 3);
  Notify(PageWindow(0), PSN_KILLACTIVE);
  EXPECT_EQ(LastPage(), "Paper");
  Notify(PageWindow(1), PSN_KILLACTIVE);
  EXPECT_EQ(LastPage(), "Finishing");
  Notify(PageWindow(2), PSN_KILLACTIVE);  // no title: nothing to remember
  EXPECT_EQ(LastPage(), "Finishing");
  Notify(PageWindow(0), PSN_SETACTIVE);
  EXPECT_EQ(LastPage(), "Finishing");
  bridge.CloseSheet(&request_);

  GCPSOSUI next;
  ASSERT_EQ(next.OpenSheet(&request_, 0), 3);
  const auto& pages = w32test::SheetPages();
  ASSERT_EQ(pages.size(), 6u);
  EXPECT_EQ(w32test::SheetStartPage(request_.hostHandle), pages[4].page);
  next.CloseSheet(&request_);
}

TEST_F(DlgProcHookTest, WindowsWithoutAPageAreLeftAlone) {
  GCPSOSUI bridge;
  ASSERT_EQ(bridge.OpenSheet(&request_, 0), 3);
  HWND bare = w32test::CreateTestWindow(u"#32770", u"", nullptr, sheet_);
  HWND plain = w32test::CreateTestWindow(u"AppWindow", u"Editor");
  for (HWND window : {bare, plain, static_cast<HWND>(nullptr)}) {
    EXPECT_EQ(Hook(window, WM_INITDIALOG), 0);
    EXPECT_EQ(Notify(window, PSN_APPLY), 0);
  }
  EXPECT_EQ(Hook(PageWindow(0), WM_NOTIFY, 0, 0), 0) << "a notification without its header";
  EXPECT_EQ(request_.applied, 0);
  EXPECT_EQ(SheetTitle(), u"Front Desk Document Properties");
  EXPECT_EQ(GCPSOSUI::DlgProcHook(PageWindow(0), WM_INITDIALOG, 0, 0, nullptr), 0);
  bridge.CloseSheet(&request_);
}

}  // namespace
}  // namespace qvdrv
