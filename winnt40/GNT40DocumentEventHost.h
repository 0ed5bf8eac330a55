// GNT40DocumentEventHost: the NT 4.0 driver object as the document events
// see it. It owns the object's GDocumentEvents (watermark, job accounting,
// page counter, the DEVMODE copy of the PRE events) and answers their
// questions from the driver object: its names and settings, its printer
// handle, the job display name and the module's strings.
#pragma once

#include <vector>

#include "driver/GDocumentEvents.h"
#include "rw/RWWString.h"

class GNT40Driver;

class GNT40DocumentEventHost : public MDocumentEventHost {
 public:
  explicit GNT40DocumentEventHost(GNT40Driver* driver);
  ~GNT40DocumentEventHost() override;

  GDocumentEvents& Events() { return events_; }

  GDriverInstance* GetInstance() override;
  // The settings the driver object holds (not a fresh build).
  GAttributeComposite* GetJobSettings() override;
  HANDLE GetPrinterHandle() override;
  int LoadDevMode(const void* devMode) override;
  int GetDevModeState() override;
  void RebuildDocumentSettings() override;
  int CanWritePrinterData() override;
  void ReleaseAdminHandle() override;
  void SetLocalJobStorage(int flag) override;
  void SetJobDisplayName(const RWWString& name) override;
  RWWString GetJobDisplayName() override;
  RWWString GetPrinterLocation() override;
  void OpenPromptSheet() override;
  int RunJobStorageNotice(const std::vector<RWWString>& texts) override;
  RWWString LoadUIString(UINT id) override;
  RWWString LoadResourceString(UINT id) override;

 private:
  GNT40Driver* driver_;
  GDocumentEvents events_;  // last: it may use the members above until it ends
};
