// GBackCoverFilter: ends a document with a back cover, an empty page on
// the paper the user picked (the first page's tray and media type, or a
// tray and media type of its own). It follows the pages to keep the last
// page's settings and, in duplex, which side of a sheet the last page fell
// on, so that the back cover starts a sheet of its own.
#pragma once

#include <cstdint>

#include "model/GCountedPtr.h"
#include "model/GPeripheral.h"
#include "rw/RWCString.h"
#include "rw/RWMembers.h"

constexpr RWClassID GBackCoverFilterClassId = 1111;

class GBackCoverFilter : public GPeripheral {
 public:
  explicit GBackCoverFilter(const int32_t* id = nullptr);
  // A copy has no kept settings and empty names.
  GBackCoverFilter(const GBackCoverFilter& other);
  GBackCoverFilter& operator=(const GBackCoverFilter& other);
  ~GBackCoverFilter() override;

  static RWClassID StaticClassId() { return GBackCoverFilterClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_KIND(GBackCoverFilter);
  // After the peripheral part: version 1.
  RW_STORED_MEMBERS();
  // Equal class ids and the peripheral parts match.
  int Matches(const MPersistentObject* other) const override;

  // The document start decides the job even while the filter is inactive;
  // page starts are followed; the document end comes back with the back
  // cover (and a blank before it when the last sheet's back is free).
  GCountedPtr Filter(GCommand* command) override;
  int16_t DocumentStart(GDocumentStart* command) override;
  void MergeSettings(GState*) override {}
  void ApplyChangedAttributes(int32_t) override {}
  int SupportsScaling() override { return 1; }
  GRealPair GetScale(GState*, GState*, int32_t, int32_t*) override { return GRealPair(1.0f, 1.0f); }
  int GetEffectFlags() override { return 0; }

  int16_t GetMode() const { return mode_; }
  int32_t GetSideCounter() const { return sides_; }

 private:
  void FollowPage(GCommand* pageStart);
  GCountedPtr EndDocument(GCommand* end);

  GCountedPtr kept_;
  int32_t sides_ = 0;
  int16_t mode_ = 0;
  int16_t duplex_ = 0;
  int16_t coverTray_ = 0;
  RWCString coverMedia_;
  int16_t lastPaper_ = 0;
  int16_t lastTray_ = 0;
  RWCString lastMedia_;
  int32_t manualDuplex_ = 0;
};

RWCollectable* GBackCoverFilterCreate();
