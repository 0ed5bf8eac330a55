// GCopyPageFilter: makes the copies of a document in the driver when the
// printer cannot: every page is spooled once and sent on as many times as
// copies were asked, each page repeated before the next (uncollated), and
// the copy request is taken out of the settings so that no later stage
// multiplies again.
#pragma once

#include <cstddef>
#include <cstdint>

#include "printpath/GSpoolingFilter.h"
#include "rw/RWMembers.h"

constexpr RWClassID GCopyPageFilterClassId = 1113;

class GCopyPageFilter : public GSpoolingFilter {
 public:
  explicit GCopyPageFilter(const int32_t* id = nullptr);
  GCopyPageFilter(const GCopyPageFilter& other);
  GCopyPageFilter& operator=(const GCopyPageFilter& other);
  ~GCopyPageFilter() override;

  static RWClassID StaticClassId() { return GCopyPageFilterClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_KIND(GCopyPageFilter);
  // After the peripheral part: version 1.
  RW_STORED_MEMBERS();

  // 4 while copying, else 0.
  int GetEffectFlags() override { return copying_ != 0 ? 4 : 0; }
  int16_t DocumentStart(GDocumentStart* command) override;
  int16_t DocumentEnd(GDocumentEnd* command) override;
  int16_t DocumentBreak(GCommand* command) override;
  int16_t PageStart(GPageStart* command) override;
  int16_t PageEnd(GPageEnd* command) override;
  int16_t JobAbort(GJobAbort* command) override;

  // PageCopies of the command's settings: its value (set back to 1 when
  // above 1), or the filter's copy count when there is none.
  uint16_t TakePageCopies(GCommand* command);
  uint16_t GetCopyCount() const { return copyCount_; }

 protected:
  void Reset() override;
  bool UnpacksComposite(GCommand* composite) override;
  int UnpackNested(GCommand* whole, GCommand* member, GCountedPtr& result) override;
  void TakeUnpackedPage(const GCountedPtr& page, int whole) override;
  bool ClosesUnpackedStore() const override { return false; }
  void OnUnpackedBreak() override { unpackedBreak_ = 1; }

 private:
  // Appends the entries not yet sent to the holder.
  void Flush();
  void ClearJob();

  uint16_t copyCount_ = 1;
  int copying_ = 0;
  uint32_t pageCounter_ = 0;
  int breakSeen_ = 0;
  int unpackedBreak_ = 0;
  // Entries of the page list already sent with a document break.
  size_t flushed_ = 0;
};

RWCollectable* GCopyPageFilterCreate();
