#include "ui/framework/GCPSOSUI.h"

#include <atomic>
#include <memory>
#include <vector>

#include "driver/GDriverInstance.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GStringAttribute.h"
#include "model/GStringConversion.h"
#include "model/MPersistentIterator.h"
#include "ui/framework/GExtensionUIManager.h"
#include "ui/framework/GTimedDialog.h"
#include "ui/framework/QVDrvInterface.h"
#include "ui/framework/UIResources.h"
#include "win32/Dialog.h"
#include "win32/Module.h"
#include "win32/Window.h"

using namespace GFeatureIds;

namespace {

WCHAR* HeapCopy(const RWWString& text) {
  auto* copy = new WCHAR[text.Length() + 1];
  for (size_t i = 0; i < text.Length(); ++i) copy[i] = text.Data()[i];
  copy[text.Length()] = 0;
  return copy;
}

std::vector<MPersistentObject*> ChildrenOf(MPersistentObject* object) {
  std::vector<MPersistentObject*> children;
  if (object == nullptr) return children;
  std::unique_ptr<MPersistentIterator> it(object->CreateIterator());
  while (it != nullptr && it->Advance() != 0) children.push_back(it->Current());
  return children;
}

bool IsStringTitle(LPCWSTR title) { return reinterpret_cast<uintptr_t>(title) >= 0x10000; }

bool SameText(LPCWSTR a, const RWWString& b) {
  size_t i = 0;
  for (; i < b.Length(); ++i)
    if (a[i] != b.Data()[i]) return false;
  return a[i] == 0;
}

GSheetBridge* NewBridge() { return new GCPSOSUI; }

// Whether the sheet's title has had its suffix; cleared by every bridge.
std::atomic<bool> g_titleSuffixApplied{false};

constexpr int kTitleChars = 80;

// The sheet window's title followed by " - " and string 13620 of the host's
// resource module, when that string exists.
void AddTitleSuffix(HWND sheet, GDriverInstance* host) {
  if (sheet == nullptr || host == nullptr) return;
  const RWWString moduleName = host->GetResourceModulePath();
  if (moduleName.IsEmpty()) return;
  HMODULE module = LoadLibraryW(moduleName.Data());
  if (module == nullptr) return;
  WCHAR suffix[kTitleChars] = {};
  const int suffixLength = LoadStringW(module, GCPSOSUI::kTitleSuffixString, suffix, kTitleChars);
  if (suffixLength > 0) {
    WCHAR title[kTitleChars] = {};
    const int titleLength = GetWindowTextW(sheet, title, kTitleChars);
    std::u16string text(title, static_cast<size_t>(titleLength > 0 ? titleLength : 0));
    text += u" - ";
    text.append(suffix, static_cast<size_t>(suffixLength));
    SetWindowTextW(sheet, text.c_str());
  }
  FreeLibrary(module);
}

// The settings' LastPageTitle, written in place: leaving a page is no
// change of the user's.
void RememberPage(GAttributeComposite* settings, LPCWSTR title) {
  if (settings == nullptr || title == nullptr || !IsStringTitle(title)) return;
  MPersistentObject* group = settings->FindById(GFeatureIds::kDocumentSettings2);
  auto* last =
      dynamic_cast<GStringAttribute*>(group != nullptr ? group->FindById(GFeatureIds::kLastPageTitle) : nullptr);
  if (last == nullptr) return;
  RWCString narrow;
  ToNarrowString(RWWString(title), narrow);
  last->SetString(narrow);
}

}  // namespace

GCPSOSUI::GCPSOSUI() {
  InitProviders();
  g_titleSuffixApplied = false;
}

GCPSOSUI::~GCPSOSUI() { FreeProviders(); }

void GCPSOSUI::InitProviders() {
  providerCount_ = 0;
  providers_ = nullptr;
}

void GCPSOSUI::FreeProviders() {
  if (providers_ != nullptr) {
    for (int i = 0; i < providerCount_; ++i) delete providers_[i];
    delete[] providers_;
  }
  InitProviders();
}

int GCPSOSUI::LoadProviders(GUIData* data) {
  FreeProviders();
  if (data == nullptr || data->settings == nullptr) return 0;
  std::vector<GExtensionUIManager*> loaded;
  for (MPersistentObject* entry : ChildrenOf(data->settings->FindById(kUIProviders))) {
    auto* name = dynamic_cast<GStringAttribute*>(entry);
    if (name == nullptr) continue;
    RWWString wide;
    ToWideString(name->GetString(), wide);
    auto* provider = new GExtensionUIManager(wide);
    if (provider->IsLoaded() != 0) {
      loaded.push_back(provider);
    } else {
      delete provider;
    }
  }
  if (loaded.empty()) return 0;
  providers_ = new GExtensionUIManager*[loaded.size()];
  for (size_t i = 0; i < loaded.size(); ++i) providers_[i] = loaded[i];
  providerCount_ = static_cast<int>(loaded.size());
  return providerCount_;
}

void GCPSOSUI::AllocatePages(GUIData* data, int16_t count) {
  data->pageCount = count;
  data->pages = new PROPSHEETPAGEW[static_cast<size_t>(count)]();
  for (int16_t i = 0; i < count; ++i) {
    auto* link = new PageLink;
    link->size = sizeof(PageLink);
    link->data = data;
    data->pages[i].dwSize = sizeof(PROPSHEETPAGEW);
    data->pages[i].lParam = reinterpret_cast<LPARAM>(link);
  }
}

int16_t GCPSOSUI::OpenSheet(SheetRequest* request, int16_t mode) {
  if (request == nullptr || request->size != static_cast<int>(sizeof(SheetRequest))) return 0;

  auto* data = new GUIData;
  data->size = sizeof(GUIData);
  data->host = request->host;
  data->settings = request->settings;
  data->printer = request->printer;
  data->ownerWindow = request->ownerWindow;
  data->sheetKind = request->sheetKind;
  data->accessFlags = request->accessFlags;
  data->dialogHook = &GCPSOSUI::DlgProcHook;
  data->request = request;
  if (request->host != nullptr) {
    data->driverName = HeapCopy(request->host->GetDriverName());
    data->printerName = HeapCopy(request->host->GetPrinterName());
    data->portName = HeapCopy(request->host->GetPortName());
  }
  request->uiData = data;

  int16_t filled = 0;
  if (mode == GSheetMode::kPromptPage || mode == GSheetMode::kSecondPromptPage) {
    // A single page of the first provider, told the mode in place of the
    // start index.
    if (providerCount_ == 0) LoadProviders(data);
    if (providerCount_ == 0) return 0;
    AllocatePages(data, 1);
    providers_[0]->Initialize(data, mode);
    filled = 1;
  } else {
    if (providerCount_ == 0) LoadProviders(data);
    // Pass 1: every provider announces its pages.
    int16_t announced = 0;
    for (int i = 0; i < providerCount_; ++i) announced = static_cast<int16_t>(announced + providers_[i]->Initialize(data, 0));
    if (announced <= 0) return 0;
    AllocatePages(data, announced);
    // Pass 2: each fills its pages from the running start index; one that
    // fills more than there is room for loses its pages.
    int16_t start = 0;
    for (int i = 0; i < providerCount_; ++i) {
      const int16_t count = providers_[i]->Initialize(data, start);
      if (count <= 0) continue;
      if (start + count > announced) {
        providers_[i]->Destroy(data);
      } else {
        start = static_cast<int16_t>(start + count);
      }
    }
    filled = start;
  }
  if (filled <= 0) return filled;

  if (request->hostCallback != nullptr) return AddPagesToHost(request, data, filled) != 0 ? filled : 0;

  DWORD result = 0;
  const LONG run = CommonPropertySheetUIW(request->sheetWindow, request->sheetFunction, request->sheetParameter,
                                          &result);
  return run > 0 ? static_cast<int16_t>(result) : 0;
}

int GCPSOSUI::AddPagesToHost(SheetRequest* request, GUIData* data, int16_t filled) {
  RWWString lastTitle;
  if (data->settings != nullptr) {
    MPersistentObject* group = data->settings->FindById(kDocumentSettings2);
    if (auto* title = dynamic_cast<GStringAttribute*>(group != nullptr ? group->FindById(kLastPageTitle) : nullptr)) {
      ToWideString(title->GetString(), lastTitle);
    }
  }
  // Only the pages the providers filled: pages past them belong to a
  // provider that was told to destroy what it built.
  int accepted = 0;
  for (int16_t i = 0; i < filled && i < data->pageCount; ++i) {
    PROPSHEETPAGEW& page = data->pages[i];
    page.dwFlags |= PSP_USECALLBACK;
    page.pfnCallback = &GCPSOSUI::PropPageCallback;
    const LONG_PTR handle = request->hostCallback(request->hostHandle, CPSFUNC_ADD_PROPSHEETPAGEW,
                                                  reinterpret_cast<LPARAM>(&page), 0);
    auto* link = reinterpret_cast<PageLink*>(page.lParam);
    if (link != nullptr) link->pageHandle = reinterpret_cast<HANDLE>(handle);
    if (handle == 0) continue;
    ++accepted;
    if (page.pszTitle != nullptr && IsStringTitle(page.pszTitle) && !lastTitle.IsEmpty() &&
        SameText(page.pszTitle, lastTitle)) {
      request->hostCallback(request->hostHandle, CPSFUNC_SET_HSTARTPAGE, handle, 0);
    }
  }
  return -accepted;
}

int16_t GCPSOSUI::CloseSheet(SheetRequest* request) {
  if (request == nullptr || request->uiData == nullptr) return 0;
  GUIData* data = request->uiData;
  for (int i = 0; i < providerCount_; ++i) providers_[i]->Destroy(data);
  if (data->pages != nullptr) {
    for (int16_t i = 0; i < data->pageCount; ++i) {
      if (IsStringTitle(data->pages[i].pszTitle)) delete[] data->pages[i].pszTitle;
      delete reinterpret_cast<PageLink*>(data->pages[i].lParam);
    }
    delete[] data->pages;
  }
  delete[] data->driverName;
  delete[] data->printerName;
  delete[] data->portName;
  delete data;
  FreeProviders();
  request->uiData = nullptr;
  return 0;
}

int16_t GCPSOSUI::ConfigToSettings(GUIData* data) {
  if (providerCount_ == 0) LoadProviders(data);
  int16_t result = 0;
  for (int i = 0; i < providerCount_; ++i) {
    const int16_t answer = providers_[i]->ConfigToSettings(data);
    if (answer != 0) result = answer;
  }
  return result;
}

UINT GCPSOSUI::PropPageCallback(HWND, UINT message, PROPSHEETPAGEW* page) {
  auto* link = page != nullptr ? reinterpret_cast<PageLink*>(page->lParam) : nullptr;
  if (link == nullptr) return 0;
  if (message == PSPCB_RELEASE) {
    GUIData* data = link->data;
    // Settings replaced during the sheet reach the driver object.
    if (data != nullptr && data->request != nullptr && data->settings != data->request->settings) {
      data->request->settings = data->settings;
    }
    link->released = 1;
    return 0;
  }
  if (message == PSPCB_CREATE) {
    link->created = 1;
    return 1;
  }
  return 0;
}

WORD GCPSOSUI::DlgProcHook(HWND window, UINT message, WPARAM, LPARAM lParam, GUIData* data) {
  auto* page = reinterpret_cast<PROPSHEETPAGEW*>(GetWindowLongPtrW(window, DWL_USER));
  auto* link = page != nullptr ? reinterpret_cast<PageLink*>(page->lParam) : nullptr;
  if (link == nullptr || data == nullptr) return 0;
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header == nullptr) return 0;
    if (header->code == PSN_APPLY) {
      SheetRequest* request = data->request;
      if (request != nullptr) {
        request->applied = 1;
        if (request->hostCallback != nullptr) {
          request->hostCallback(request->hostHandle, CPSFUNC_SET_RESULT, reinterpret_cast<LPARAM>(link->pageHandle),
                                CPSUI_OK);
        }
      }
    } else if (header->code == PSN_KILLACTIVE) {
      RememberPage(data->settings, page->pszTitle);
    }
  } else if (message == WM_INITDIALOG) {
    if (!g_titleSuffixApplied.exchange(true)) AddTitleSuffix(GetParent(window), data->host);
    link->window = window;
  }
  return 0;
}

void AddUIFrameworkServices(GUpwardServices* services) {
  if (services == nullptr) return;
  services->ui.createSheetBridge = &NewBridge;
  services->ui.loadUIString = &LoadUIString;
  services->ui.createTimedMessage = &CreateTimedDialogMessage;
  // Driver extensions receive the UI-side interface at job start.
  services->extensionInterface = reinterpret_cast<void*>(&QVDrv_QueryInterface);
}
