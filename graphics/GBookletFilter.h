// GBookletFilter: prints a document as a booklet. It spools the pages,
// pads them to a multiple of four with blank pages, orders them as the
// folded sheets need them (two pages a side, both sides long-edge), gives
// the cover sheet the tray and media of the first page and the inner
// sheets those of the second, and hands the ordered document to an n-up
// filter of its own that puts two pages on each side.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/GNupFilter.h"
#include "model/GCountedPtr.h"
#include "printpath/GSpoolingFilter.h"
#include "rw/RWCString.h"
#include "rw/RWMembers.h"

constexpr RWClassID GBookletFilterClassId = 1105;

class GBookletFilter : public GSpoolingFilter {
 public:
  explicit GBookletFilter(const int32_t* id = nullptr);
  GBookletFilter(const GBookletFilter& other);
  GBookletFilter& operator=(const GBookletFilter& other);
  ~GBookletFilter() override;

  static RWClassID StaticClassId() { return GBookletFilterClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_KIND(GBookletFilter);
  // After the peripheral part: version 1.
  RW_STORED_MEMBERS();

  // The base rebuild; the inner n-up filter goes.
  void RebuildCurrentState() override;
  // The spooling filters' recording, except that a document end after a
  // document break passes unchanged: the break carried the booklet.
  GCountedPtr Filter(GCommand* command) override;
  int SupportsScaling() override { return 1; }
  // The inner n-up filter's scale for the job's changed settings (the
  // code then says the page has its scale); (0, 0) before a booklet job
  // or when an earlier stage gave the scale.
  GRealPair GetScale(GState* jobState, GState* pageSettings, int32_t pageNumber, int32_t* code) override;
  // 62 from the first booklet job on.
  int GetEffectFlags() override { return effectFlags_; }
  int16_t DocumentStart(GDocumentStart* command) override;
  int16_t DocumentEnd(GDocumentEnd* command) override;
  int16_t DocumentBreak(GCommand* command) override;
  int16_t PageStart(GPageStart* command) override;
  int16_t PageEnd(GPageEnd* command) override;
  int16_t JobAbort(GJobAbort* command) override;

  // The booklet order of n pages (a multiple of four): the page numbers,
  // from 1, two a side in the order the sides are printed.
  static std::vector<uint32_t> OutermostFirst(uint32_t n, int16_t binding);
  static std::vector<uint32_t> InnermostFirst(uint32_t n, int16_t binding);

 protected:
  void Reset() override;
  // The booklet takes whole-job composites member by member.
  bool UnpacksComposite(GCommand*) override { return false; }

 private:
  int16_t EndOfDocument(GCommand* command);
  GNupFilter* GetNupFilter();
  // Gives the cover sheet page 1's tray and media and the inner sheets
  // page 2's (step 0 reads page 1, step 1 page 2, step 2 page 3); returns
  // whether the cover and the inner values differ.
  int MatchCoverSheet(int step, uint32_t pageA, uint32_t pageB);
  void ImposeOutermostFirst();
  void ImposeInnermostFirst();

  uint32_t pageCount_ = 0;
  int16_t binding_ = 0;
  int16_t sheetOrder_ = 0;
  int16_t outputBin_ = 0;
  int breakSeen_ = 0;
  GCountedPtr firstPageSettings_;
  GCountedPtr settingsCopy_;
  std::unique_ptr<GNupFilter> nup_;
  int effectFlags_ = 0;
  int16_t coverTray_ = 0;
  int16_t innerTray_ = 0;
  RWCString coverMedia_;
  RWCString innerMedia_;
};

RWCollectable* GBookletFilterCreate();
