// GCPSOSUI: the bridge between the per-printer driver object and the common
// property-sheet UI for one sheet. It builds the GUIData record of the
// sheet, loads the UI providers that the settings name (UIProviders, 63),
// asks them in two passes for their pages, hands the pages to the host
// through its callback (or runs a sheet of its own through
// CommonPropertySheetUIW when there is no host) and tears everything down
// again. Its page callback follows each page's life.
//
// Providers fill the pages of the GUIData; a page title they set is a
// new[]-allocated text that the bridge frees when the sheet closes. The
// title suffix is applied once per bridge: a process-wide flag that every
// bridge's constructor clears.
#pragma once

#include <cstdint>

#include "driver/GUIServices.h"
#include "driver/GUpwardServices.h"

class GExtensionUIManager;
class GPropertyPage;

// What every page's lParam points to.
struct PageLink {
  int size = 0;  // sizeof(PageLink)
  HWND window = nullptr;
  HANDLE pageHandle = nullptr;  // what the host answered for the page
  GUIData* data = nullptr;
  int created = 0;
  int released = 0;
  GPropertyPage* pageObject = nullptr;  // the page object that fills the page
};

class GCPSOSUI : public GSheetBridge {
 public:

  // No providers loaded.
  GCPSOSUI();
  GCPSOSUI(const GCPSOSUI&) = delete;
  GCPSOSUI& operator=(const GCPSOSUI&) = delete;
  // Frees the providers.
  ~GCPSOSUI() override;

  int16_t OpenSheet(SheetRequest* request, int16_t mode) override;
  int16_t CloseSheet(SheetRequest* request) override;
  int16_t ConfigToSettings(GUIData* data) override;

  void InitProviders();
  void FreeProviders();
  // Loads the providers the settings name; the number loaded.
  int LoadProviders(GUIData* data);
  int GetProviderCount() const { return providerCount_; }

  // The page callback the bridge gives every page it hands to a host.
  static UINT PropPageCallback(HWND window, UINT message, PROPSHEETPAGEW* page);

  // The sheet's dialog hook (GUIData::dialogHook), called after every
  // message of a page whose window keeps its PROPSHEETPAGEW in DWL_USER:
  // Apply is reported to the host, the page the user leaves is remembered
  // in the settings (LastPageTitle), and the first page initialised gives
  // the sheet's title the suffix of the host's resource module (string
  // 13620) and records its window in its link. Always 0.
  static WORD DlgProcHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam, GUIData* data);
  static constexpr UINT kTitleSuffixString = 13620;

 private:
  // Hands the first `filled` pages to the host; minus the number of pages
  // it accepted.
  int AddPagesToHost(SheetRequest* request, GUIData* data, int16_t filled);
  // Allocates count zeroed pages with their links.
  void AllocatePages(GUIData* data, int16_t count);

  int providerCount_ = 0;
  GExtensionUIManager** providers_ = nullptr;
};

// Fills in the framework's part of the upward services: the bridge, the UI
// string loader and the print-time dialog, and the UI-side extension
// interface ("QVDrv_QueryInterface") that the driver extensions receive.
void AddUIFrameworkServices(GUpwardServices* services);
