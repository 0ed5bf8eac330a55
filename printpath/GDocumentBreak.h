// GDocumentBreak: an intermediate end of document. It stands between the
// last page and the document end where a job must be cut in two (the
// manual-duplex pass); its dispatch reaches the peripheral's DocumentBreak,
// which the spooling filters implement and every other stage ignores.
#pragma once

#include <cstdint>

#include "model/GCommand.h"

class GDocumentBreak : public GCommand {
 public:
  explicit GDocumentBreak(const int32_t* id = nullptr);
  GDocumentBreak(const GDocumentBreak& other);
  GDocumentBreak& operator=(const GDocumentBreak& other);
  ~GDocumentBreak() override;

  static RWClassID StaticClassId() { return GDocumentBreakClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GDocumentBreak);
  // The same object; else the same class and the command parts match.
  int Matches(const MPersistentObject* other) const override;

  RW_STORED_MEMBERS();

  // The peripheral's DocumentBreak with this command.
  int16_t Dispatch(GPeripheral* peripheral) override;
};

RWCollectable* GDocumentBreakCreate();
