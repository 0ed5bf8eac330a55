// GPJL: the peripheral of the print path that wraps each printer job in
// Printer Job Language. The printer holds it as its child with feature id
// 106, beside the page-description generator (101). Besides the
// composite's parts it keeps a state of the media it was given, the job
// name of the current job and its progress flag; its current and default
// states carry the graphics, page and job sections from construction.
#pragma once

#include <cstdint>

#include "model/GState.h"
#include "printpath/GPeripheralComposite.h"
#include "rw/RWCString.h"

constexpr RWClassID GPJLClassId = 769;

// The state sections a PJL peripheral's states start with.
constexpr int32_t GGraphicsStateId = 244;  // GraphicsState
constexpr int32_t GPageStateId = 256;      // PageState
constexpr int32_t GJobSettingsId = 246;    // JobSettings

class GPJL : public GPeripheralComposite {
 public:
  // Empty media state and job name, progress flag 1; empty sections 244,
  // 256 and 246 in the current and in the default state.
  GPJL();
  explicit GPJL(const int32_t* id);
  // The composite's full constructor; each section is added to the current
  // state only, and only when it has none with that id.
  GPJL(const RWCString& name, GState* defaultState, GConfiguration* configuration, const int32_t* id,
       int32_t addOnListId, int32_t addOnKind, int32_t addOnMode);
  // Copies the composite part, the media state (sharing its attributes),
  // the job name and the progress flag.
  GPJL(const GPJL& other);
  GPJL& operator=(const GPJL& other);
  ~GPJL() override;

  static RWClassID StaticClassId() { return GPJLClassId; }
  static uint32_t ClassVersion() { return 1; }

  GPJL* CreateSameKind() const override;
  GPJL* Clone() const override;
  RWClassID ClassId() const override;
  int DerivesFrom(RWClassID classId) const override;

  // Stored body after the composite's: version 1, the media state as one
  // object, the job name. The progress flag is not stored.
  uint32_t MembersStoreSize() const override;
  void RestoreMembers(RWVirtualInStream& stream) override;
  void RestoreMembersFromFile(RWBinaryFile& file) override;
  void SaveMembers(RWVirtualOutStream& stream) const override;
  void SaveMembersToFile(RWBinaryFile& file) const override;

  // The embedded media state itself.
  GState& GetMediaState() { return mediaState_; }
  const GState& GetMediaState() const { return mediaState_; }
  const RWCString& GetJobName() const { return jobName_; }
  void SetJobName(const RWCString& name) { jobName_ = name; }
  int32_t GetProgressFlag() const { return progress_; }

 private:
  // Adds the three sections (to the current state only, when missing).
  void AddSections(bool currentOnlyWhenMissing);

  GState mediaState_;
  RWCString jobName_;
  int32_t progress_;
};

RWCollectable* GPJLCreate();
