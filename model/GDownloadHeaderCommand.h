// GDownloadHeaderCommand: asks the printer-language generator to download
// one of its headers; the header kind says which. Front ends send it; the
// generators handle it.
#pragma once

#include <cstdint>

#include "model/GCommand.h"

constexpr RWClassID GDownloadHeaderCommandClassId = 610;

class GDownloadHeaderCommand : public GCommand {
 public:
  GDownloadHeaderCommand(int32_t headerKind, const int32_t* id);
  GDownloadHeaderCommand(const GDownloadHeaderCommand& other);
  GDownloadHeaderCommand& operator=(const GDownloadHeaderCommand& other);
  ~GDownloadHeaderCommand() override;

  static RWClassID StaticClassId() { return GDownloadHeaderCommandClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GDownloadHeaderCommand);
  // Same class, same header kind, matching command parts.
  int Matches(const MPersistentObject* other) const override;

  RW_STORED_MEMBERS();

  // The peripheral's DownloadHeader with this command.
  int16_t Dispatch(GPeripheral* peripheral) override;

  int32_t GetHeaderKind() const { return headerKind_; }

 private:
  int32_t headerKind_;
};

RWCollectable* GDownloadHeaderCommandCreate();
