// The layout, quality, job and configuration rules. Pages per sheet,
// scaling, printing on another size and TrueType as bitmaps exclude one
// another (GPagesPerSheetRule, GScalingRule, GPrintDocumentOnRule,
// GTrueTypeAsBitmapsRule; the first also lays out its group of the
// Finishing page); GZepRule, GSparetoneRule, GPJLRequiredRule and
// GPJLJobCommandsRule tie the print-quality features to the PJL job
// commands that carry them; GJobRetentionRule keeps job retention to a
// printer with a disk; GAutoConfigurationRule tells whether the discovered
// configuration can be refreshed; GWatermarkEditRule greys the watermark
// editing without the permission to change the printer.
#pragma once

#include <cstdint>
#include <list>

#include "ui/framework/GRuleCatalogue.h"
#include "ui/framework/GUIRule.h"

class GDialog;

// The three layout features that exclude one another: each takes the
// first reason of its chain.
class GLayoutChainRule : public GUIRule {
 public:
  // Links of a chain, tested in the order given.
  enum Link { kIfScaled, kIfTrueTypeBitmaps, kIfBooklet, kIfOtherSize, kIfNUp, kEnd };
  GLayoutChainRule(GUISession* session, GRuleKeyPair keys, const Link* chain);
  void Init() override;
  void OnChange(const std::list<int32_t>& changedIds, int force) override;

 protected:
  // The first link of the chain that holds; 0 when none does.
  int16_t FirstReason() const;

 private:
  GRuleKeyPair keys_;
  const Link* chain_;
};

class GPagesPerSheetRule : public GLayoutChainRule {
 public:
  GPagesPerSheetRule(GUISession* session, GDialog* finishingPage);
  void OnChange(const std::list<int32_t>& changedIds, int force) override;

 private:
  // Moves the Pages per Sheet group below the Staple check box.
  void LayOutGroup();
  GDialog* page_;
};

class GScalingRule : public GLayoutChainRule {
 public:
  explicit GScalingRule(GUISession* session);
};

class GPrintDocumentOnRule : public GLayoutChainRule {
 public:
  explicit GPrintDocumentOnRule(GUISession* session);
};

class GTrueTypeAsBitmapsRule : public GUIRule {
 public:
  using GUIRule::GUIRule;
  void Init() override;
  void OnChange(const std::list<int32_t>& changedIds, int force) override;
};

// The base of the rules that read the model's PJLJobCommandsNeeded once.
class GPJLDependentRule : public GUIRule {
 public:
  GPJLDependentRule(GUISession* session, GRuleKeyPair keys);
  // Clears only the availability: the reason keeps its last value.
  void Init() override;
  // Disables the control with 5154 while the PJL job commands are missing.
  void OnChange(const std::list<int32_t>& changedIds, int force) override;

 protected:
  // 1 when the model needs the PJL job commands and they are off.
  int PJLJobCommandsMissing() const;
  GRuleKeyPair keys_;
  int16_t pjlJobCommandsNeeded_ = 0;
};

class GZepRule : public GPJLDependentRule {
 public:
  explicit GZepRule(GUISession* session);
  void OnChange(const std::list<int32_t>& changedIds, int force) override;
};

class GSparetoneRule : public GPJLDependentRule {
 public:
  explicit GSparetoneRule(GUISession* session);
};

class GPJLRequiredRule : public GPJLDependentRule {
 public:
  explicit GPJLRequiredRule(GUISession* session);
};

class GPJLJobCommandsRule : public GPJLDependentRule {
 public:
  explicit GPJLJobCommandsRule(GUISession* session);
  void OnChange(const std::list<int32_t>& changedIds, int force) override;
};

class GJobRetentionRule : public GUIRule {
 public:
  using GUIRule::GUIRule;
  void OnChange(const std::list<int32_t>& changedIds, int force) override;
};

class GAutoConfigurationRule : public GUIRule {
 public:
  using GUIRule::GUIRule;
  void Init() override;
  void OnChange(const std::list<int32_t>& changedIds, int force) override;
};

class GWatermarkEditRule : public GUIRule {
 public:
  using GUIRule::GUIRule;
  void Init() override;
  void OnChange(const std::list<int32_t>& changedIds, int force) override;
};
