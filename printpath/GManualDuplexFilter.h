// GManualDuplexFilter: prints a two-sided document on a printer that cannot
// turn the sheets itself, or on paper that its duplex unit cannot take: the
// pages are spooled, the pages of one side are sent first and, after the
// document break that the job's producer sends after the last page, the
// pages of the other side for the user to feed again. The side, the order,
// the trays and the rotation follow from the installed trays and output
// bins.
#pragma once

#include <cstdint>

#include "model/GCountedPtr.h"
#include "printpath/GSpoolingFilter.h"
#include "rw/RWMembers.h"

constexpr RWClassID GManualDuplexFilterClassId = 1110;

class GManualDuplexFilter : public GSpoolingFilter {
 public:
  explicit GManualDuplexFilter(const int32_t* id = nullptr);
  GManualDuplexFilter(const GManualDuplexFilter& other);
  GManualDuplexFilter& operator=(const GManualDuplexFilter& other);
  ~GManualDuplexFilter() override;

  static RWClassID StaticClassId() { return GManualDuplexFilterClassId; }
  static uint32_t ClassVersion() { return 1; }
  QV_PERSISTENT_KIND(GManualDuplexFilter);
  // After the peripheral part: version 1, the fixed tray (16-bit).
  RW_STORED_MEMBERS();

  // 4 while in a document, else 0.
  int GetEffectFlags() override { return inDocument_ != 0 ? 4 : 0; }
  int16_t DocumentStart(GDocumentStart* command) override;
  int16_t DocumentEnd(GDocumentEnd* command) override;
  int16_t DocumentBreak(GCommand* command) override;
  int16_t PageStart(GPageStart* command) override;
  int16_t PageEnd(GPageEnd* command) override;
  int16_t JobAbort(GJobAbort* command) override;

  int16_t GetFixedTray() const { return fixedTray_; }
  void SetFixedTray(int16_t tray) { fixedTray_ = tray; }
  int GetFirstKind() const { return firstKind_; }
  int GetSecondKind() const { return secondKind_; }

 protected:
  bool UnpacksComposite(GCommand*) override { return inDocument_ == 0; }
  int UnpackNested(GCommand* whole, GCommand* member, GCountedPtr& result) override;
  int PrepareUnpackedStart(GCommand* pageStart) override;
  void TakeUnpackedPage(const GCountedPtr& page, int whole) override;

 private:
  void PreparePage(GState* settings, uint32_t index);
  void ChoosePasses();
  int FindInputTray(int16_t tray);
  int FindOutputBin(int16_t bin);
  int HasTray6();
  void EmitPass(int kind);
  void EmitPage(uint32_t entry, int kind, uint32_t position);
  void PrepareEmittedPage(GCommand* page, int kind, uint32_t position);
  void SetPageTray(GCommand* page);
  // The break's steps: the blank page of an odd count and the first pass.
  void EmitFirstPass();

  int16_t fixedTray_ = 0;
  int16_t firstPageTray_ = 0;
  int16_t thirdPageTray_ = 0;
  int16_t refeedTray_ = 0;
  int16_t workingTray_ = 0;
  int16_t outputBin_ = 0;
  int16_t duplex_ = 0;
  int mode_ = 0;
  int firstKind_ = 0;
  int secondKind_ = 0;
  int trayCapacity_ = 0;
  GCountedPtr savedSettings_;
  uint32_t pageCount_ = 0;
  uint32_t countAtBreak_ = 0;
  int final_ = 0;
  int inDocument_ = 0;
  int copies_ = 1;
};

RWCollectable* GManualDuplexFilterCreate();
