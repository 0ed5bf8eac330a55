// GPropertyPage: a page of the property sheet. It fills the PROPSHEETPAGEW
// the sheet gives it (template, resource instance, help flag, window
// procedure) and links itself to the page through the page's PageLink, so
// that the page procedure finds it; after its own handling every message
// goes to the UI session (OnPageMessage), which runs the first revalidation
// and the sheet's dialog hook.
#pragma once

#include <cstdint>

#include "ui/framework/GDialog.h"
#include "win32/CompStui.h"
#include "win32/Types.h"

class GPropertyPage : public GDialog {
 public:
  // Page flags: the page has a callback (the bridge's), and Help.
  static constexpr DWORD kPageFlags = 0x10;
  static constexpr DWORD kPageFlagsWithHelp = 0x30;

  // A null page, or one without a PageLink, is left alone.
  GPropertyPage(PROPSHEETPAGEW* page, HINSTANCE resources, int16_t dialogId, GUISession* session, int hasHelp,
                int16_t helpContext);

  // GDialog's handling, then the session's OnPageMessage; GDialog's result.
  INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void SetHwnd(HWND window) override;

  PROPSHEETPAGEW* GetPage() const { return page_; }

  // The page's window procedure: on WM_INITDIALOG (lParam the page) it finds
  // the page object through the PageLink, gives it the window and keeps the
  // page in DWL_USER until WM_DESTROY. A message without a page or page
  // object answers 0.
  static INT_PTR PropertyPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  PROPSHEETPAGEW* page_;
};
