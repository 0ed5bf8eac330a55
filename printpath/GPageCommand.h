// GPageCommand: the commands that mark the start and the end of a page on
// its way down the print path. They carry the page's settings, a GState
// stamped 256 (PageState).
#pragma once

#include <cstdint>

#include "model/GCommand.h"

class GState;

constexpr RWClassID GPageCommandClassId = 708;
constexpr RWClassID GPageStartClassId = 709;
constexpr RWClassID GPageEndClassId = 710;

// Abstract: the two page boundaries.
class GPageCommand : public GCommand {
 public:
  GPageCommand(const GPageCommand& other);
  GPageCommand& operator=(const GPageCommand& other);
  ~GPageCommand() override;

  static RWClassID StaticClassId() { return GPageCommandClassId; }
  static uint32_t ClassVersion() { return 1; }

  QV_PERSISTENT_ID();

  RW_STORED_MEMBERS();

  // Only a GState is taken, stamped 256; anything else is destroyed (unless
  // a handle holds it) and the old settings stay.
  void SetSettings(MPersistentObject* settings) override;

 protected:
  // Settings stamped 256; without settings a fresh GState with id 256.
  GPageCommand(GState* settings, const int32_t* id);
};

class GPageStart : public GPageCommand {
 public:
  explicit GPageStart(GState* settings = nullptr, const int32_t* id = nullptr);
  GPageStart(const GPageStart& other);
  GPageStart& operator=(const GPageStart& other);
  ~GPageStart() override;

  static RWClassID StaticClassId() { return GPageStartClassId; }

  QV_PERSISTENT_KIND(GPageStart);
  // The same object; else the same class and the command parts match.
  int Matches(const MPersistentObject* other) const override;

  RW_STORED_MEMBERS();

  // The peripheral's PageStart with this command.
  int16_t Dispatch(GPeripheral* peripheral) override;
};

class GPageEnd : public GPageCommand {
 public:
  explicit GPageEnd(GState* settings = nullptr, const int32_t* id = nullptr);
  GPageEnd(const GPageEnd& other);
  GPageEnd& operator=(const GPageEnd& other);
  ~GPageEnd() override;

  static RWClassID StaticClassId() { return GPageEndClassId; }

  QV_PERSISTENT_KIND(GPageEnd);
  int Matches(const MPersistentObject* other) const override;

  RW_STORED_MEMBERS();

  // The peripheral's PageEnd with this command.
  int16_t Dispatch(GPeripheral* peripheral) override;
};

RWCollectable* GPageStartCreate();
RWCollectable* GPageEndCreate();
