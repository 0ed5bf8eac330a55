// GJobAbort: replaces the tail of an aborted job. Its dispatch reaches the
// peripheral's JobAbort, which returns the stage to idle and aborts the
// output channel it owns.
#pragma once

#include <cstdint>

#include "model/GCommand.h"

constexpr RWClassID GJobAbortClassId = 713;

class GJobAbort : public GCommand {
 public:
  explicit GJobAbort(const int32_t* id = nullptr);
  GJobAbort(const GJobAbort& other);
  GJobAbort& operator=(const GJobAbort& other);
  ~GJobAbort() override;

  static RWClassID StaticClassId() { return GJobAbortClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_KIND(GJobAbort);
  // The same object; else the same class and the command parts match.
  int Matches(const MPersistentObject* other) const override;

  RW_STORED_MEMBERS();

  // The peripheral's JobAbort with this command.
  int16_t Dispatch(GPeripheral* peripheral) override;
};

RWCollectable* GJobAbortCreate();
