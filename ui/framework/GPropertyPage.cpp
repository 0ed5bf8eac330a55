#include "ui/framework/GPropertyPage.h"

#include "ui/framework/GCPSOSUI.h"
#include "ui/framework/GUISession.h"
#include "win32/Dialog.h"
#include "win32/Window.h"

namespace {

// The page object of a page; null when the page carries no link.
GPropertyPage* PageObjectOf(const PROPSHEETPAGEW* page) {
  if (page == nullptr) return nullptr;
  auto* link = reinterpret_cast<PageLink*>(page->lParam);
  if (link == nullptr || link->size != static_cast<int>(sizeof(PageLink))) return nullptr;
  return link->pageObject;
}

}  // namespace

GPropertyPage::GPropertyPage(PROPSHEETPAGEW* page, HINSTANCE resources, int16_t dialogId, GUISession* session,
                             int hasHelp, int16_t helpContext)
    : GDialog(dialogId, session, hasHelp, helpContext), page_(page) {
  if (page_ == nullptr) return;
  page_->dwFlags = hasHelp != 0 ? kPageFlagsWithHelp : kPageFlags;
  page_->hInstance = resources;
  page_->pszTemplate = MAKEINTRESOURCEW(dialogId);
  page_->pfnDlgProc = &GPropertyPage::PropertyPageProc;
  auto* link = reinterpret_cast<PageLink*>(page_->lParam);
  if (link != nullptr && link->size == static_cast<int>(sizeof(PageLink))) link->pageObject = this;
}

void GPropertyPage::SetHwnd(HWND window) { GDialog::SetHwnd(window); }

INT_PTR GPropertyPage::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const INT_PTR result = GDialog::DialogProc(message, wParam, lParam);
  if (session_ != nullptr) session_->OnPageMessage(window_, message, wParam, lParam);
  return result;
}

INT_PTR GPropertyPage::PropertyPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  PROPSHEETPAGEW* page = nullptr;
  GPropertyPage* object = nullptr;
  if (message == WM_INITDIALOG) {
    page = reinterpret_cast<PROPSHEETPAGEW*>(lParam);
    object = PageObjectOf(page);
    if (object == nullptr) return 0;
    object->SetHwnd(window);
    SetWindowLongPtrW(window, DWL_USER, lParam);
  } else {
    page = reinterpret_cast<PROPSHEETPAGEW*>(GetWindowLongPtrW(window, DWL_USER));
    object = PageObjectOf(page);
    if (object == nullptr) return 0;
  }
  const INT_PTR result = object->DialogProc(message, wParam, lParam);
  if (message == WM_DESTROY) SetWindowLongPtrW(window, DWL_USER, 0);
  return result;
}
