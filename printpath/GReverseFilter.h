// GReverseFilter: sends the pages of a document last page first (a
// back-to-front page order). In letterhead duplex jobs it also inserts
// blank pages so that a page on other media or from another tray starts a
// new sheet, and keeps the sheet count even.
#pragma once

#include <cstdint>

#include "model/GCountedPtr.h"
#include "printpath/GSpoolingFilter.h"
#include "rw/RWCString.h"
#include "rw/RWMembers.h"

constexpr RWClassID GReverseFilterClassId = 1109;

class GReverseFilter : public GSpoolingFilter {
 public:
  explicit GReverseFilter(const int32_t* id = nullptr);
  GReverseFilter(const GReverseFilter& other);
  GReverseFilter& operator=(const GReverseFilter& other);
  ~GReverseFilter() override;

  static RWClassID StaticClassId() { return GReverseFilterClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_KIND(GReverseFilter);
  // After the peripheral part: version 1.
  RW_STORED_MEMBERS();

  int SupportsScaling() override { return 1; }
  GRealPair GetScale(GState*, GState*, int32_t, int32_t*) override { return GRealPair{1.0f, 1.0f}; }
  // 4 while in a document, else 0.
  int GetEffectFlags() override { return inDocument_ != 0 ? 4 : 0; }
  int16_t DocumentStart(GDocumentStart* command) override;
  int16_t DocumentEnd(GDocumentEnd* command) override;
  // The same as the document end, with the break in its place.
  int16_t DocumentBreak(GCommand* command) override;
  int16_t PageStart(GPageStart* command) override;
  int16_t PageEnd(GPageEnd* command) override;
  int16_t JobAbort(GJobAbort* command) override;

  int IsLetterheadMode() const { return letterhead_; }

 protected:
  void Reset() override;
  bool UnpacksComposite(GCommand* composite) override { return inDocument_ == 0; }
  int UnpackNested(GCommand* whole, GCommand* member, GCountedPtr& result) override;
  int PrepareUnpackedStart(GCommand* pageStart) override;
  void TakeUnpackedPage(const GCountedPtr& page, int whole) override;

 private:
  int16_t EndOfDocument(GCommand* command);

  uint32_t pageCount_ = 0;
  int inDocument_ = 0;
  int letterhead_ = 0;
  GCountedPtr firstPageSettings_;
  int16_t lastTray_ = 0;
  int hasLastTray_ = 0;
  RWCString lastMediaName_;
  int insertBlank_ = 0;
};

RWCollectable* GReverseFilterCreate();
