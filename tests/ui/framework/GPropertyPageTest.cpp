// A property page fills its PROPSHEETPAGEW and links itself to it; the page
// procedure finds the page object through the link, keeps the page in
// DWL_USER for the window's life, and hands every message to the session
// after the page's own handling (first revalidation, the sheet's hook).
#include "ui/framework/GPropertyPage.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/ModalDialogFixture.h"
#include "ui/framework/GCPSOSUI.h"
#include "ui/framework/GFeatureAccessor.h"
#include "ui/framework/GWrapper.h"
#include "w32test/Testing.h"

namespace uisession {
namespace {

using w32test::ControlKind;
using w32test::DialogAction;

constexpr UINT kPageTemplate = 7100;
constexpr int kPropertyPageDuplexCheck = 7101;

struct HookCall {
  HWND window;
  UINT message;
  LONG_PTR userSlot;  // DWL_USER when the hook ran
};
std::vector<HookCall>* g_hookCalls = nullptr;

WORD RecordingHook(HWND window, UINT message, WPARAM, LPARAM, GUIData*) {
  if (g_hookCalls != nullptr) g_hookCalls->push_back({window, message, GetWindowLongPtrW(window, DWL_USER)});
  return 0;
}

// A check box bound to a 0/1 feature.
class PropertyPageCheckWrapper : public GWrapper {
 public:
  PropertyPageCheckWrapper(GKeyedFeatureAccessor* accessor, const GControlRow* table) : GWrapper(accessor, table), keyed_(accessor) {}
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND && HIWORD(wParam) != BN_CLICKED) return 0;
    return GWrapper::OnMessage(message, wParam, lParam);
  }
  void SetControlFromFeature(int) override {
    CheckDlgButton(GetDialogHwnd(), GetControlId(0), keyed_->GetValue() != 0 ? BST_CHECKED : BST_UNCHECKED);
  }
  void ReadControlIntoFeature() override {
    keyed_->SetValue(IsDlgButtonChecked(GetDialogHwnd(), GetControlId(0)) == BST_CHECKED ? 1 : 0);
  }
  void RefreshAvailability() override {}

 private:
  GKeyedFeatureAccessor* keyed_;
};
const GControlRow kPropertyPageDuplexRows[] = {{kPropertyPageDuplexCheck, 1001}, {0, 0}};

class GPropertyPageTest : public ModalDialogTest {
 protected:
  void SetUp() override {
    ModalDialogTest::SetUp();
    LoadLibraryWith({{kPageTemplate, w32test::DialogSpec{u"Finishing",
                                                         {{kPropertyPageDuplexCheck, ControlKind::kCheckBox, u"Both sides"}}}}});
    link_.size = sizeof(PageLink);
    link_.data = &data_;
    page_.dwSize = sizeof(PROPSHEETPAGEW);
    page_.lParam = reinterpret_cast<LPARAM>(&link_);
    data_.dialogHook = &RecordingHook;
    g_hookCalls = &hookCalls_;
  }
  void TearDown() override {
    g_hookCalls = nullptr;
    ModalDialogTest::TearDown();
  }
  // Runs the page as the sheet does: its template and procedure, the page
  // record as the WM_INITDIALOG parameter.
  w32test::DialogRun RunPage(std::vector<DialogAction> script) {
    w32test::QueueDialogScript(std::move(script));
    DialogBoxParamW(page_.hInstance, page_.pszTemplate, nullptr, page_.pfnDlgProc, reinterpret_cast<LPARAM>(&page_));
    return LastRunOf(kPageTemplate);
  }

  PageLink link_;
  PROPSHEETPAGEW page_{};
  std::vector<HookCall> hookCalls_;
};

TEST_F(GPropertyPageTest, FillsItsPageAndLinksItself) {
  HINSTANCE resources = GetUIResourceInstance();
  GPropertyPage page(&page_, resources, static_cast<int16_t>(kPageTemplate), session_.get(), 0, 5);
  EXPECT_EQ(page_.dwFlags, 0x10u);
  EXPECT_EQ(page_.hInstance, resources);
  EXPECT_EQ(page_.pszTemplate, MAKEINTRESOURCEW(kPageTemplate));
  EXPECT_EQ(page_.pfnDlgProc, &GPropertyPage::PropertyPageProc);
  EXPECT_EQ(link_.pageObject, &page);
  EXPECT_EQ(page.GetPage(), &page_);

  PROPSHEETPAGEW other{};
  PageLink otherLink;
  otherLink.size = sizeof(PageLink);
  other.lParam = reinterpret_cast<LPARAM>(&otherLink);
  GPropertyPage withHelp(&other, resources, 12, session_.get(), 1, 5);
  EXPECT_EQ(other.dwFlags, 0x30u) << "PSP_HASHELP";
  EXPECT_EQ(otherLink.pageObject, &withHelp);

  GPropertyPage noPage(nullptr, resources, 12, session_.get(), 1, 5);  // nothing to fill, no crash
}

TEST_F(GPropertyPageTest, ThePageRunsItsWrappersAndTellsTheSession) {
  GPropertyPage page(&page_, GetUIResourceInstance(), static_cast<int16_t>(kPageTemplate), session_.get(), 1, 5);
  page.AddWrapper(new PropertyPageCheckWrapper(new GKeyedFeatureAccessor(session_.get(), &kDuplex), kPropertyPageDuplexRows));
  HWND window = nullptr;
  const w32test::DialogRun run = RunPage({DialogAction::Inspect([&](HWND dialog) {
                                            window = dialog;
                                            EXPECT_EQ(GetWindowLongPtrW(dialog, DWL_USER),
                                                      reinterpret_cast<LONG_PTR>(&page_));
                                            EXPECT_EQ(page.GetHwnd(), dialog);
                                          }),
                                          DialogAction::Click(kPropertyPageDuplexCheck), DialogAction::Close(IDOK)});
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(ValueOf(kDuplex), 1) << "the click reached the wrapper";
  EXPECT_EQ(session_->GetUpdateNesting(), 0);
  ASSERT_FALSE(hookCalls_.empty());
  EXPECT_EQ(hookCalls_.front().message, static_cast<UINT>(WM_INITDIALOG));
  EXPECT_EQ(hookCalls_.front().userSlot, reinterpret_cast<LONG_PTR>(&page_)) << "the hook finds the page";
  EXPECT_EQ(hookCalls_.back().message, static_cast<UINT>(WM_DESTROY));
  EXPECT_EQ(hookCalls_.back().userSlot, reinterpret_cast<LONG_PTR>(&page_)) << "cleared only after the hook";
  for (const HookCall& call : hookCalls_) EXPECT_EQ(call.window, window);
}

TEST_F(GPropertyPageTest, MessagesWithoutAPageObjectAnswerNothing) {
  OwnerRun([&](HWND window) {
    // Before WM_INITDIALOG the window keeps no page.
    EXPECT_EQ(GPropertyPage::PropertyPageProc(window, WM_COMMAND, IDOK, 0), 0);
    // A page whose link names no page object, and a page without a link.
    EXPECT_EQ(GPropertyPage::PropertyPageProc(window, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&page_)), 0);
    PROPSHEETPAGEW bare{};
    EXPECT_EQ(GPropertyPage::PropertyPageProc(window, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&bare)), 0);
    EXPECT_EQ(GPropertyPage::PropertyPageProc(window, WM_INITDIALOG, 0, 0), 0);
    EXPECT_EQ(GetWindowLongPtrW(window, DWL_USER), 0);
  });
  EXPECT_TRUE(hookCalls_.empty());
}

}  // namespace
}  // namespace uisession
