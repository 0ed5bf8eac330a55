// The common property-sheet UI of the stand-in: the order of the sheet
// function's reasons, the pages a driver adds and the scripted result.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/CompStui.h"
#include "w32test/Testing.h"

namespace {

struct SheetLog {
  std::vector<WORD> reasons;
  std::vector<std::string> pageEvents;
  LPARAM setResult = -99;
  LPARAM destroyParam = -99;
  LPARAM initParam = 0;
  LONG initAnswer = 1;
  int pagesToAdd = 1;
  HANDLE lastPage = nullptr;
};
SheetLog* g_log = nullptr;

UINT PageCallback(HWND, UINT message, PROPSHEETPAGEW* page) {
  g_log->pageEvents.push_back((message == PSPCB_CREATE ? "create " : "release ") +
                              std::to_string(static_cast<long>(page->lParam)));
  return message == PSPCB_CREATE ? 1 : 0;
}

LONG SheetFunction(PROPSHEETUI_INFO* info, LPARAM lParam) {
  g_log->reasons.push_back(info->Reason);
  switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT:
      g_log->initParam = info->lParamInit;
      for (int i = 0; i < g_log->pagesToAdd; ++i) {
        PROPSHEETPAGEW page{};
        page.dwSize = sizeof(PROPSHEETPAGEW);
        page.dwFlags = PSP_USECALLBACK;
        page.pfnCallback = &PageCallback;
        page.pszTitle = i == 0 ? u"Paper" : u"Finishing";
        page.lParam = i;
        g_log->lastPage = reinterpret_cast<HANDLE>(
            info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW, reinterpret_cast<LPARAM>(&page), 0));
      }
      return g_log->initAnswer;
    case PROPSHEETUI_REASON_GET_INFO_HEADER: {
      auto* header = reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(lParam);
      EXPECT_EQ(header->cbSize, sizeof(PROPSHEETUI_INFO_HEADER));
      return 1;
    }
    case PROPSHEETUI_REASON_SET_RESULT:
      g_log->setResult = reinterpret_cast<SETRESULT_INFO*>(lParam)->Result;
      return 1;
    case PROPSHEETUI_REASON_DESTROY:
      g_log->destroyParam = lParam;
      return 1;
  }
  return -1;
}

class CompStuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w32test::Reset();
    g_log = &log_;
  }
  void TearDown() override {
    g_log = nullptr;
    w32test::Reset();
  }
  SheetLog log_;
};

TEST_F(CompStuiTest, SheetRunsTheReasonsInOrderAndEndsWithOk) {
  DWORD result = 77;
  EXPECT_EQ(CommonPropertySheetUIW(nullptr, &SheetFunction, 1234, &result), 1);
  EXPECT_EQ(result, static_cast<DWORD>(CPSUI_OK));
  EXPECT_EQ(log_.initParam, 1234);
  const std::vector<WORD> expected = {PROPSHEETUI_REASON_INIT, PROPSHEETUI_REASON_GET_INFO_HEADER,
                                      PROPSHEETUI_REASON_SET_RESULT, PROPSHEETUI_REASON_DESTROY};
  EXPECT_EQ(log_.reasons, expected);
  EXPECT_EQ(w32test::SheetReasons(), expected);
  EXPECT_EQ(log_.setResult, CPSUI_OK);
  EXPECT_EQ(log_.destroyParam, 1);
  // Pages are created during the run and released before DESTROY.
  EXPECT_EQ(log_.pageEvents, (std::vector<std::string>{"create 0", "release 0"}));
  ASSERT_EQ(w32test::SheetPages().size(), 1u);
  EXPECT_EQ(w32test::SheetPages()[0].title, u"Paper");
  EXPECT_EQ(w32test::SheetPages()[0].page, log_.lastPage);
}

TEST_F(CompStuiTest, ScriptedCancelReachesSetResultAndTheCaller) {
  w32test::QueueSheetResult(CPSUI_CANCEL);
  HANDLE seen = nullptr;
  w32test::SetSheetAction([&](HANDLE sheet) { seen = sheet; });
  DWORD result = 77;
  EXPECT_EQ(CommonPropertySheetUIW(nullptr, &SheetFunction, 0, &result), 1);
  EXPECT_EQ(result, static_cast<DWORD>(CPSUI_CANCEL));
  EXPECT_EQ(log_.setResult, CPSUI_CANCEL);
  EXPECT_EQ(log_.destroyParam, 0);
  EXPECT_NE(seen, nullptr);
  EXPECT_EQ(w32test::SheetPages()[0].sheet, seen);
  // The queue is used up: the next sheet ends with OK again.
  EXPECT_EQ(CommonPropertySheetUIW(nullptr, &SheetFunction, 0, &result), 1);
  EXPECT_EQ(result, static_cast<DWORD>(CPSUI_OK));
}

TEST_F(CompStuiTest, FailedInitGoesStraightToDestroy) {
  log_.initAnswer = 0;
  log_.pagesToAdd = 0;
  DWORD result = 77;
  EXPECT_EQ(CommonPropertySheetUIW(nullptr, &SheetFunction, 0, &result), ERR_CPSUI_GETLASTERROR);
  EXPECT_EQ(log_.reasons, (std::vector<WORD>{PROPSHEETUI_REASON_INIT, PROPSHEETUI_REASON_DESTROY}));
  EXPECT_EQ(result, 77u);
}

TEST_F(CompStuiTest, HostRefusesAPageOfAnotherSizeAndKeepsTheStartPage) {
  HANDLE sheet = w32test::NewHostSheet();
  PFNCOMPROPSHEET host = w32test::HostFunction();
  PROPSHEETPAGEW page{};
  page.dwSize = 48;  // a 32-bit record size
  EXPECT_EQ(host(sheet, CPSFUNC_ADD_PROPSHEETPAGEW, reinterpret_cast<LPARAM>(&page), 0), 0);
  page.dwSize = sizeof(PROPSHEETPAGEW);
  const LONG_PTR first = host(sheet, CPSFUNC_ADD_PROPSHEETPAGEW, reinterpret_cast<LPARAM>(&page), 0);
  const LONG_PTR second = host(sheet, CPSFUNC_ADD_PROPSHEETPAGEW, reinterpret_cast<LPARAM>(&page), 0);
  ASSERT_NE(first, 0);
  ASSERT_NE(second, 0);
  EXPECT_NE(first, second);
  EXPECT_EQ(host(sheet, CPSFUNC_GET_PAGECOUNT, 0, 0), 2);
  EXPECT_EQ(w32test::SheetStartPage(sheet), nullptr);
  EXPECT_EQ(host(sheet, CPSFUNC_SET_HSTARTPAGE, second, 0), 1);
  EXPECT_EQ(w32test::SheetStartPage(sheet), reinterpret_cast<HANDLE>(second));
  // A handle of another sheet is not a page of this one.
  EXPECT_EQ(host(w32test::NewHostSheet(), CPSFUNC_SET_HSTARTPAGE, first, 0), 0);
  EXPECT_EQ(host(sheet, CPSFUNC_SET_RESULT, first, CPSUI_OK), 1);
  ASSERT_EQ(w32test::SheetResults().size(), 1u);
  EXPECT_EQ(w32test::SheetResults()[0].result, CPSUI_OK);
}

}  // namespace
