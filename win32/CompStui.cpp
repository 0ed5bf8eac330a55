#include "win32/CompStui.h"
#include "w32test/CompStui.h"

#include <deque>
#include <map>
#include <mutex>

#include "win32/Kernel.h"
#include "w32detail/Kernel.h"
#include "w32detail/Dialog.h"
#include "w32detail/Platform.h"

namespace {

struct SheetState {
  std::recursive_mutex mutex;
  std::vector<w32test::SheetPageRecord> pages;
  std::map<HANDLE, HANDLE> startPages;
  std::vector<w32test::SheetResultRecord> results;
  std::vector<WORD> reasons;
  std::deque<LONG> scriptedResults;
  std::function<void(HANDLE)> action;
  uintptr_t nextHandle = 0x5000;
};

SheetState& Sheets() {
  static SheetState* state = [] {
    auto* s = new SheetState;
    w32detail::RegisterReset([s] {
      std::lock_guard<std::recursive_mutex> lock(s->mutex);
      s->pages.clear();
      s->startPages.clear();
      s->results.clear();
      s->reasons.clear();
      s->scriptedResults.clear();
      s->action = nullptr;
    });
    return s;
  }();
  return *state;
}

HANDLE NextHandle(SheetState& state) {
  state.nextHandle += 4;
  return reinterpret_cast<HANDLE>(state.nextHandle);
}

// A title is a string unless it is an integer resource id (below 0x10000).
std::u16string TitleOf(LPCWSTR title) {
  if (reinterpret_cast<uintptr_t>(title) < 0x10000) return std::u16string();
  return std::u16string(title);
}

LONG_PTR HostCall(HANDLE sheet, UINT function, LPARAM lParam1, LPARAM lParam2) {
  SheetState& state = Sheets();
  switch (function) {
    case CPSFUNC_ADD_PROPSHEETPAGEW: {
      auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lParam1);
      if (page == nullptr || page->dwSize != sizeof(PROPSHEETPAGEW)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      std::lock_guard<std::recursive_mutex> lock(state.mutex);
      w32test::SheetPageRecord record;
      record.sheet = sheet;
      record.page = NextHandle(state);
      record.record = *page;
      record.title = TitleOf(page->pszTitle);
      state.pages.push_back(record);
      return reinterpret_cast<LONG_PTR>(record.page);
    }
    case CPSFUNC_SET_HSTARTPAGE: {
      std::lock_guard<std::recursive_mutex> lock(state.mutex);
      for (const auto& record : state.pages) {
        if (record.sheet == sheet && record.page == reinterpret_cast<HANDLE>(lParam1)) {
          state.startPages[sheet] = record.page;
          return 1;
        }
      }
      return 0;
    }
    case CPSFUNC_GET_PAGECOUNT: {
      std::lock_guard<std::recursive_mutex> lock(state.mutex);
      LONG_PTR count = 0;
      for (const auto& record : state.pages) count += record.sheet == sheet ? 1 : 0;
      return count;
    }
    case CPSFUNC_SET_RESULT: {
      std::lock_guard<std::recursive_mutex> lock(state.mutex);
      state.results.push_back({sheet, reinterpret_cast<HANDLE>(lParam1), lParam2});
      return 1;
    }
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
  }
}

// The pages of one sheet, copied so that callbacks may add further pages.
std::vector<w32test::SheetPageRecord> PagesOf(HANDLE sheet) {
  SheetState& state = Sheets();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  std::vector<w32test::SheetPageRecord> pages;
  for (const auto& record : state.pages)
    if (record.sheet == sheet) pages.push_back(record);
  return pages;
}

void CallPages(HANDLE sheet, UINT message) {
  for (auto& record : PagesOf(sheet)) {
    if ((record.record.dwFlags & PSP_USECALLBACK) != 0 && record.record.pfnCallback != nullptr) {
      record.record.pfnCallback(nullptr, message, &record.record);
    }
  }
}

LONG CallSheet(PFNPROPSHEETUI function, PROPSHEETUI_INFO* info, WORD reason, LPARAM lParam) {
  {
    SheetState& state = Sheets();
    std::lock_guard<std::recursive_mutex> lock(state.mutex);
    state.reasons.push_back(reason);
  }
  info->Reason = reason;
  return function(info, lParam);
}

}  // namespace

LONG CommonPropertySheetUIW(HWND owner, PFNPROPSHEETUI sheetFunction, LPARAM lParam, LPDWORD result) {
  if (sheetFunction == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return ERR_CPSUI_GETLASTERROR;
  }
  SheetState& state = Sheets();
  HANDLE sheet;
  {
    std::lock_guard<std::recursive_mutex> lock(state.mutex);
    sheet = NextHandle(state);
  }

  PROPSHEETUI_INFO info{};
  info.cbSize = sizeof(PROPSHEETUI_INFO);
  info.Version = 0x0100;
  info.hComPropSheet = sheet;
  info.pfnComPropSheet = &HostCall;
  info.lParamInit = lParam;

  if (CallSheet(sheetFunction, &info, PROPSHEETUI_REASON_INIT, lParam) <= 0) {
    CallSheet(sheetFunction, &info, PROPSHEETUI_REASON_DESTROY, 0);
    return ERR_CPSUI_GETLASTERROR;
  }

  PROPSHEETUI_INFO_HEADER header{};
  header.cbSize = sizeof(PROPSHEETUI_INFO_HEADER);
  header.hWndParent = owner;
  CallSheet(sheetFunction, &info, PROPSHEETUI_REASON_GET_INFO_HEADER, reinterpret_cast<LPARAM>(&header));

  // The run: the pages come to life, the user acts.
  CallPages(sheet, PSPCB_CREATE);
  std::function<void(HANDLE)> action;
  LONG answer = CPSUI_OK;
  {
    std::lock_guard<std::recursive_mutex> lock(state.mutex);
    action = state.action;
    if (!state.scriptedResults.empty()) {
      answer = state.scriptedResults.front();
      state.scriptedResults.pop_front();
    }
  }
  if (action) action(sheet);
  // A person looking at the sheet sees its pages.
  {
    std::vector<w32test::SheetPageRecord> shown;
    {
      std::lock_guard<std::recursive_mutex> lock(state.mutex);
      for (const w32test::SheetPageRecord& page : state.pages)
        if (page.sheet == sheet) shown.push_back(page);
    }
    w32detail::ShowPagePictures(shown);
  }

  SETRESULT_INFO setResult{};
  setResult.cbSize = sizeof(SETRESULT_INFO);
  setResult.hSetResult = sheet;
  setResult.Result = answer;
  CallSheet(sheetFunction, &info, PROPSHEETUI_REASON_SET_RESULT, reinterpret_cast<LPARAM>(&setResult));

  CallPages(sheet, PSPCB_RELEASE);
  CallSheet(sheetFunction, &info, PROPSHEETUI_REASON_DESTROY, answer == CPSUI_OK ? 1 : 0);

  if (result != nullptr) *result = static_cast<DWORD>(answer);
  return 1;
}

namespace w32test {

const std::vector<SheetPageRecord>& SheetPages() { return Sheets().pages; }

HANDLE SheetStartPage(HANDLE sheet) {
  SheetState& state = Sheets();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  auto it = state.startPages.find(sheet);
  return it != state.startPages.end() ? it->second : nullptr;
}

const std::vector<SheetResultRecord>& SheetResults() { return Sheets().results; }

const std::vector<WORD>& SheetReasons() { return Sheets().reasons; }

void QueueSheetResult(LONG result) {
  SheetState& state = Sheets();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  state.scriptedResults.push_back(result);
}

void SetSheetAction(std::function<void(HANDLE sheet)> action) {
  SheetState& state = Sheets();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  state.action = std::move(action);
}

HANDLE NewHostSheet() {
  SheetState& state = Sheets();
  std::lock_guard<std::recursive_mutex> lock(state.mutex);
  return NextHandle(state);
}

PFNCOMPROPSHEET HostFunction() { return &HostCall; }

}  // namespace w32test
