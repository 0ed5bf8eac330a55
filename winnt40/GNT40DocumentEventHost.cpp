#include "winnt40/GNT40DocumentEventHost.h"

#include "win32/Module.h"
#include "winnt40/nt40qddi.h"

namespace {

constexpr int kStringChars = 256;

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

}  // namespace

GNT40DocumentEventHost::GNT40DocumentEventHost(GNT40Driver* driver) : driver_(driver), events_(this) {}

GNT40DocumentEventHost::~GNT40DocumentEventHost() = default;

GDriverInstance* GNT40DocumentEventHost::GetInstance() { return driver_; }

GAttributeComposite* GNT40DocumentEventHost::GetJobSettings() { return driver_->StoredDocumentSettings(); }

HANDLE GNT40DocumentEventHost::GetPrinterHandle() { return driver_->GetCreationPrinterHandle(); }

// The DEVMODE operations, the administrative handle, the local job storage
// flag, the instruction sheet and the notice dialog belong to the settings
// base and the UI services of the driver object; this frame of the object
// has none of them, so a load fails and the rest do nothing.
int GNT40DocumentEventHost::LoadDevMode(const void*) { return 0; }

int GNT40DocumentEventHost::GetDevModeState() { return 0; }

// GetDocumentSettings builds a new tree that the driver object then holds.
void GNT40DocumentEventHost::RebuildDocumentSettings() {
  driver_->SetStoredDocumentSettings(driver_->GetDocumentSettings());
}

int GNT40DocumentEventHost::CanWritePrinterData() { return 0; }

void GNT40DocumentEventHost::ReleaseAdminHandle() {}

void GNT40DocumentEventHost::SetLocalJobStorage(int) {}

void GNT40DocumentEventHost::SetJobDisplayName(const RWWString& name) { jobDisplayName_ = name; }

RWWString GNT40DocumentEventHost::GetJobDisplayName() { return jobDisplayName_; }

RWWString GNT40DocumentEventHost::GetPrinterLocation() {
  RWWString location;
  driver_->GetPrinterLocation(location);
  return location;
}

void GNT40DocumentEventHost::OpenPromptSheet() {}

// Without the dialog the notice stays on for the next job.
int GNT40DocumentEventHost::RunJobStorageNotice(const std::vector<RWWString>&) { return 1; }

RWWString GNT40DocumentEventHost::LoadUIString(UINT id) { return LoadModuleString(driver_->GetResourceModulePath(), id); }

RWWString GNT40DocumentEventHost::LoadResourceString(UINT id) {
  return LoadModuleString(driver_->GetResourceModulePath(), id);
}
