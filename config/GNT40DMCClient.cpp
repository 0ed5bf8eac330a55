#include "config/GNT40DMCClient.h"

#include "config/GDMCLibrary.h"
#include "driver/osfactry.h"

namespace {
// The operating-system family that keeps per-user connections out of the
// configuration library.
constexpr int kOldFamilyCode = 4;
}  // namespace

GNT40DMCClient::GNT40DMCClient(GAttributeComposite* settings, GDriverInstance* instance)
    : GDMCClient(settings, instance) {}

int GNT40DMCClient::Update(const RWWString& printerName, int mode) {
  updateType_ = mode;
  if (library_->IsLoaded() == 0) {
    SetPrinterString(u"DMCLastUpdate", RWWString(u"ERROR"));
    return 0;
  }
  SetConnectionName(printerName);
  if (IsStale() != 0) {
    SetPrinterString(u"DMCLastUpdate", RWWString(u"ERROR"));
    return 0;
  }
  if (library_->DMCStartConfig(connectionName_.Data(), updateType_, clientName_, reserved_) == 0) return 0;

  int result = 0;
  switch (mode) {
    case kMachineUpdate:
      if (IsAutoConfigured() != 0) {
        ImportPrinting();
        result = 1;
      } else if (ImportPhysical() != 0) {
        result = ImportPrinting() != 0 ? 1 : 0;
      }
      break;
    case kUserConnectionUpdate: {
      GOSFactory* factory = GOSFactory::GetInstance();
      const int family = factory != nullptr ? factory->GetOSVersion().GetFamilyCode() : 0;
      if (family != kOldFamilyCode) result = ImportPrinting() != 0 ? 1 : 0;
      break;
    }
    default:
      break;
  }
  WriteLastUpdate(result);
  library_->DMCEndConfig();
  return result;
}

int GNT40DMCClient::RestoreFactory(const RWWString& printerName) {
  if (library_->DMCStartExport(printerName.Data(), clientName_, 1) == 0) return 0;
  int result = ExportContext(RWWString(u"factory/physical"));
  if (result == 1) result = ExportContext(RWWString(u"factory/printing"));
  library_->DMCEndExport();
  return result;
}

int GNT40DMCClient::RunUpdate(GAttributeComposite* settings, GDriverInstance* instance, const RWWString& printerName,
                              int mode) {
  GNT40DMCClient client(settings, instance);
  return client.Update(printerName, mode);
}

int GNT40DMCClient::RunRestoreFactory(GAttributeComposite* settings, GDriverInstance* instance,
                                      const RWWString& printerName) {
  GNT40DMCClient client(settings, instance);
  return client.RestoreFactory(printerName);
}
