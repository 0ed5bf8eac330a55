// The finishing rules: GDuplexRule keeps two-sided printing to the papers
// and paper types the duplex unit takes, GBookletRule switches booklet
// printing off while the job cannot be printed as a booklet, GStapleRule
// keeps stapling, its staple pattern and the stapling bin to what the
// installed output accessory can do, and GOutputBinRule keeps the
// destination bin to the bins that take the job's paper and type. Each
// publishes its controls' availability and reason in the UI state.
#pragma once

#include <cstdint>
#include <list>

#include "rw/RWCString.h"
#include "ui/framework/GUIRule.h"

class GUISession;

class GDuplexRule : public GUIRule {
 public:
  using GUIRule::GUIRule;
  void Init() override;
  void OnChange(const std::list<int32_t>& changedIds, int force) override;

  // 1 when the duplex unit takes the paper fed from the source.
  int PaperCanBeDuplexed(int16_t paperId, int16_t source);
};

class GBookletRule : public GUIRule {
 public:
  using GUIRule::GUIRule;
  void Init() override;
  void OnChange(const std::list<int32_t>& changedIds, int force) override;

 private:
  void TurnBookletOff();
};

class GStapleRule : public GUIRule {
 public:
  using GUIRule::GUIRule;
  void Init() override;
  void OnChange(const std::list<int32_t>& changedIds, int force) override;

  // 1 when one angled staple suits the printed paper in the printed
  // orientation (pages per sheet 2 and 6 turn the sheet).
  static int DiagonalStapleAllowed(GUISession* session);
  // 1 when the installed accessory staples the paper.
  int AccessoryStaples(const RWCString& accessory, int16_t paperId);

 private:
  void ApplyDefaultStapling(const RWCString& accessory);
  void AlignDefaultQuickSet(int16_t stapling);
  void BinFollowsStapling(const std::list<int32_t>& changedIds, const RWCString& accessory);
  void OrientationWarning(const std::list<int32_t>& changedIds, const RWCString& accessory);
  // 1 when the size test fails (stapling was switched off).
  int SizeTestFails(const RWCString& accessory);
  // 1 when the type test fails for the first page or the other pages.
  int TypeTestFails();
  int TypeTestFails(int32_t mediaId);
};

class GOutputBinRule : public GUIRule {
 public:
  explicit GOutputBinRule(GUISession* session);
  void Init() override;
  void OnChange(const std::list<int32_t>& changedIds, int force) override;

  // 1 when a bin of the accessory takes the paper.
  int PaperFitsAccessoryBin(int16_t paperId, const RWCString& accessory);

 private:
  int TypeTestHolds(const std::list<int32_t>& changedIds, int force);
  int SizeTestHolds();

  int16_t pjlJobCommandsNeeded_ = 0;
};
