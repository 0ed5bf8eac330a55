// GLetterheadFilter: prepares duplex jobs on letterhead paper that go
// through the duplex unit: for such a job it asks for back-to-front page
// order (which a reverse-order filter later in the chain carries out) and
// turns every page by 180 degrees. It spools nothing and swallows nothing.
#pragma once

#include <cstdint>

#include "model/GPeripheral.h"
#include "rw/RWMembers.h"

constexpr RWClassID GLetterheadFilterClassId = 1114;

class GLetterheadFilter : public GPeripheral {
 public:
  explicit GLetterheadFilter(const int32_t* id = nullptr);
  GLetterheadFilter(const GLetterheadFilter& other);
  GLetterheadFilter& operator=(const GLetterheadFilter& other);
  ~GLetterheadFilter() override;

  static RWClassID StaticClassId() { return GLetterheadFilterClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_KIND(GLetterheadFilter);
  // After the peripheral part: version 1.
  RW_STORED_MEMBERS();

  // Nothing is dispatched; the document start decides the job, every page
  // start is turned, everything is returned.
  GCountedPtr Filter(GCommand* command) override;
  void MergeSettings(GState*) override {}
  void ApplyChangedAttributes(int32_t) override {}
  int GetEffectFlags() override { return 0; }

  // Activates the filter for a letterhead duplex job (PageOrder set to 1).
  void DecideJob(GDocumentStart* start);
  // Orientation turned by 180 degrees.
  static void TurnPage(GState* settings);
};

RWCollectable* GLetterheadFilterCreate();
