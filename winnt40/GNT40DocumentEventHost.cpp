#include "winnt40/GNT40DocumentEventHost.h"

#include <memory>

#include "driver/GUIServices.h"
#include "driver/osfactry.h"
#include "model/GStringConversion.h"
#include "win32/DevMode.h"
#include "win32/Module.h"
#include "winnt40/nt40qddi.h"

namespace {

constexpr int kStringChars = 256;
constexpr int kNoticeDialog = 11540;
constexpr int kNoticePeriod = 10;
// The sheet value of the prompt sheet: a document sheet.
constexpr int kPromptSheetKind = 3;

// The module's string, or the text it has in the module's string table
// when the resource module does not answer.
RWWString LoadModuleString(const RWWString& modulePath, UINT id) {
  WCHAR buffer[kStringChars] = {};
  HMODULE module = modulePath.IsEmpty() ? nullptr : LoadLibraryW(modulePath.Data());
  int length = module != nullptr ? LoadStringW(module, id, buffer, kStringChars) : 0;
  if (module != nullptr) FreeLibrary(module);
  if (length > 0) return RWWString(buffer, static_cast<size_t>(length));
  return RWWString(id == 12111 ? u"UNTITLED" : id == 11029 ? u"Untitled" : u"");
}

// The host function of the prompt sheet: the module's own stand-in callback.
LONG_PTR PromptSheetHost(HANDLE sheet, UINT function, LPARAM lParam1, LPARAM lParam2) {
  return static_cast<LONG_PTR>(NonPropPageSheet(sheet, function, lParam1, lParam2));
}

}  // namespace

GNT40DocumentEventHost::GNT40DocumentEventHost(GNT40Driver* driver) : driver_(driver), events_(this) {}

GNT40DocumentEventHost::~GNT40DocumentEventHost() = default;

GDriverInstance* GNT40DocumentEventHost::GetInstance() { return driver_; }

GAttributeComposite* GNT40DocumentEventHost::GetJobSettings() { return driver_->StoredDocumentSettings(); }

HANDLE GNT40DocumentEventHost::GetPrinterHandle() { return driver_->GetCreationPrinterHandle(); }

int GNT40DocumentEventHost::LoadDevMode(const void* devMode) {
  return driver_->LoadDevMode(static_cast<const DEVMODEW*>(devMode));
}

int GNT40DocumentEventHost::GetDevModeState() { return driver_->GetDevModeState(); }

// GetDocumentSettings builds a new tree that the driver object then holds.
void GNT40DocumentEventHost::RebuildDocumentSettings() {
  driver_->SetStoredDocumentSettings(driver_->GetDocumentSettings());
}

int GNT40DocumentEventHost::CanWritePrinterData() { return driver_->CanWritePrinterData(); }

void GNT40DocumentEventHost::ReleaseAdminHandle() {
  if (driver_->GetAdminPrinterHandle() == nullptr) return;
  driver_->SetUseAdminHandle(0);
  driver_->CloseAdminPrinterHandle();
}

void GNT40DocumentEventHost::SetLocalJobStorage(int flag) { driver_->SetLocalJobStorage(flag); }

void GNT40DocumentEventHost::SetJobDisplayName(const RWWString& name) { driver_->SetJobDisplayName(name); }

RWWString GNT40DocumentEventHost::GetJobDisplayName() { return driver_->GetJobDisplayName(); }

RWWString GNT40DocumentEventHost::GetPrinterLocation() {
  RWWString location;
  driver_->GetPrinterLocation(location);
  return location;
}

// The instruction sheet: a document sheet request whose host is this module
// and whose host function is NonPropPageSheet, so that the bridge builds the
// first UI provider's prompt page and hands it over as to a property sheet;
// then the sheet is closed and everything made for it is freed.
void GNT40DocumentEventHost::OpenPromptSheet() {
  SheetRequest* request = driver_->CreateSheetRequest();
  if (request == nullptr) return;
  std::unique_ptr<GSheetBridge> bridge(CreateSheetBridge());
  if (bridge != nullptr) {
    GOSFactory* factory = GOSFactory::GetInstance();
    request->hostHandle = factory != nullptr ? static_cast<HANDLE>(factory->GetModuleHandle()) : nullptr;
    request->hostCallback = &PromptSheetHost;
    request->sheetKind = kPromptSheetKind;
    request->accessFlags = 0;
    bridge->OpenSheet(request, GSheetMode::kPromptPage);
    bridge->CloseSheet(request);
  }
  driver_->FreeSheetRequest(request);
}

// Dialog 11540 of the resource module with its five texts, without an owner;
// its answer is the user's show-again choice. Without the UI services (or
// with fewer texts) nothing is shown and the notice stays on.
int GNT40DocumentEventHost::RunJobStorageNotice(const std::vector<RWWString>& texts) {
  if (texts.size() < 5) return 1;
  std::unique_ptr<GTimedMessage> dialog(
      CreateTimedMessage(kNoticeDialog, kNoticePeriod, texts[0], texts[1], texts[2], texts[3], texts[4]));
  if (dialog == nullptr) return 1;
  RWWString helpFile;
  driver_->GetHelpFileName(helpFile);
  RWCString narrowHelpFile;
  ToNarrowString(helpFile, narrowHelpFile);
  dialog->SetHelpFile(narrowHelpFile);
  dialog->DoModal(nullptr, driver_->GetResourceModulePath());
  return dialog->GetShowAgain();
}

RWWString GNT40DocumentEventHost::LoadUIString(UINT id) {
  RWWString text;
  if (LoadUIStringService(static_cast<int>(id), &text) > 0 && !text.IsEmpty()) return text;
  return LoadModuleString(driver_->GetResourceModulePath(), id);
}

RWWString GNT40DocumentEventHost::LoadResourceString(UINT id) {
  return LoadModuleString(driver_->GetResourceModulePath(), id);
}
