#include "ui/framework/GPagesPerSheetRule.h"

#include "model/GFeatureIds.h"
#include "model/GSettingQuery.h"
#include "ui/framework/GDialog.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "win32/Dialog.h"
#include "win32/Window.h"

using namespace GFeatureIds;

namespace {

// Reasons.
constexpr int16_t kScaleNot100 = 5108;
constexpr int16_t kPagesPerSheetNot1 = 5109;
constexpr int16_t kTrueTypeBitmaps = 5110;
constexpr int16_t kBookletOn = 5115;
constexpr int16_t kPrintDocumentOn = 5135;
constexpr int16_t kConfigurationDiscovered = 5136;
constexpr int16_t kNoBidirectional = 5144;
constexpr int16_t kPageAsRaster = 5153;
constexpr int16_t kPjlJobCommandsOff = 5154;
constexpr int16_t kZepOff = 5155;
constexpr int16_t kBinNotTop = 5156;
constexpr int16_t kRetentionOn = 5157;
constexpr int16_t kSparetoneOn = 5158;
constexpr int16_t kNoPermission = 5159;

constexpr int16_t kSendPageAsRaster = 3;
constexpr int16_t kDiscoveredConfiguration = 2;

using Link = GLayoutChainRule::Link;
constexpr Link kPagesPerSheetChain[] = {Link::kIfScaled, Link::kIfTrueTypeBitmaps, Link::kIfBooklet,
                                        Link::kIfOtherSize, Link::kEnd};
constexpr Link kScalingChain[] = {Link::kIfNUp, Link::kIfTrueTypeBitmaps, Link::kIfBooklet, Link::kIfOtherSize,
                                  Link::kEnd};
constexpr Link kPrintDocumentOnChain[] = {Link::kIfNUp, Link::kIfTrueTypeBitmaps, Link::kIfBooklet, Link::kIfScaled,
                                          Link::kEnd};

int16_t ReadModelShort(GUISession* session, int32_t id) {
  if (session == nullptr) return 0;
  int value = 0;
  session->GetModelView().GetInt(&id, &value);
  return static_cast<int16_t>(value);
}

}  // namespace

// ---- The layout chains ----

GLayoutChainRule::GLayoutChainRule(GUISession* session, GRuleKeyPair keys, const Link* chain)
    : GUIRule(session), keys_(keys), chain_(chain) {}

void GLayoutChainRule::Init() { ResetKeys(keys_.availability, keys_.reason); }

int16_t GLayoutChainRule::FirstReason() const {
  for (const Link* link = chain_; link != nullptr && *link != kEnd; ++link) {
    switch (*link) {
      case kIfScaled:
        if (ReadInt(kScaleChoice) != 100) return kScaleNot100;
        break;
      case kIfTrueTypeBitmaps:
        if (TrueTypeBitmapsConflict() != 0) return kTrueTypeBitmaps;
        break;
      case kIfBooklet:
        if (ReadInt(kBookletPrintingChoice) != 0) return kBookletOn;
        break;
      case kIfOtherSize:
        if (ReadInt(kFitToOtherSizeChoice) == 1) return kPrintDocumentOn;
        break;
      case kIfNUp:
        if (ReadInt(kNUpChoice) != 1) return kPagesPerSheetNot1;
        break;
      case kEnd:
        break;
    }
  }
  return 0;
}

void GLayoutChainRule::OnChange(const std::list<int32_t>&, int) {
  const int16_t reason = FirstReason();
  if (reason != 0) Publish(keys_.availability, 1, keys_.reason, reason);
}

GPagesPerSheetRule::GPagesPerSheetRule(GUISession* session, GDialog* finishingPage)
    : GLayoutChainRule(session, GRuleKeys::kPagesPerSheet, kPagesPerSheetChain), page_(finishingPage) {}

void GPagesPerSheetRule::OnChange(const std::list<int32_t>& changedIds, int force) {
  GLayoutChainRule::OnChange(changedIds, force);
  LayOutGroup();
}

void GPagesPerSheetRule::LayOutGroup() {
  HWND dialog = page_ != nullptr ? page_->GetHwnd() : nullptr;
  if (dialog == nullptr) return;
  struct Move {
    int control;
    int anchor;
    int offset;
  };
  const int firstOffset = ReadInt(kStaplerInstalled) == 1 ? 18 : 12;
  const Move moves[] = {{3015, 3027, firstOffset}, {3016, 3015, 0}, {3018, 3015, 0},  {3017, 3015, 1},
                        {3019, 3015, 16},          {3040, 3019, 12}, {3041, 3040, 10}};
  for (const Move& move : moves) {
    HWND control = GetDlgItem(dialog, move.control);
    HWND anchor = GetDlgItem(dialog, move.anchor);
    RECT controlRect{};
    RECT anchorRect{};
    if (control == nullptr || anchor == nullptr || GetWindowRect(control, &controlRect) == FALSE ||
        GetWindowRect(anchor, &anchorRect) == FALSE) {
      continue;
    }
    POINT topLeft{controlRect.left, controlRect.top};
    POINT anchorTop{anchorRect.left, anchorRect.top};
    ScreenToClient(dialog, &topLeft);
    ScreenToClient(dialog, &anchorTop);
    RECT offset{0, move.offset, 0, 0};
    MapDialogRect(dialog, &offset);
    MoveWindow(control, topLeft.x, anchorTop.y + offset.top, controlRect.right - controlRect.left,
               controlRect.bottom - controlRect.top, FALSE);
  }
}

GScalingRule::GScalingRule(GUISession* session) : GLayoutChainRule(session, GRuleKeys::kScaling, kScalingChain) {}

GPrintDocumentOnRule::GPrintDocumentOnRule(GUISession* session)
    : GLayoutChainRule(session, GRuleKeys::kPrintDocumentOn, kPrintDocumentOnChain) {}

// ---- GTrueTypeAsBitmapsRule ----

void GTrueTypeAsBitmapsRule::Init() {
  ResetKeys(GRuleKeys::kTrueTypeAsBitmaps.availability, GRuleKeys::kTrueTypeAsBitmaps.reason);
}

void GTrueTypeAsBitmapsRule::OnChange(const std::list<int32_t>&, int) {
  MPersistentObject* capabilities =
      GSettingQuery::FindPath(session_->GetModel(), {kPrinterCapabilityGroup, kPrinterCapabilities});
  int16_t bits = 0;
  GSettingQuery::Short(capabilities, &bits);
  int16_t reason = 0;
  if ((bits & 1) != 0) {
    if (ReadInt(kRasterizationChoice) == kSendPageAsRaster) reason = kPageAsRaster;
  } else if (ReadInt(kScaleChoice) != 100) {
    reason = kScaleNot100;
  } else if (ReadInt(kNUpChoice) != 1) {
    reason = kPagesPerSheetNot1;
  } else if (ReadInt(kFitToOtherSizeChoice) == 1) {
    reason = kPrintDocumentOn;
  } else if (ReadInt(kBookletPrintingChoice) != 0) {
    reason = kBookletOn;
  }
  if (reason == 0) return;
  const GRuleKeyPair keys = GRuleKeys::kTrueTypeAsBitmaps;
  Publish(keys.availability, 1, keys.reason, reason);
  WriteInt(kPresetTTAsBitmapSetting, 0);
}

// ---- The PJL-dependent rules ----

GPJLDependentRule::GPJLDependentRule(GUISession* session, GRuleKeyPair keys)
    : GUIRule(session), keys_(keys), pjlJobCommandsNeeded_(ReadModelShort(session, kPJLJobCommandsNeeded)) {}

void GPJLDependentRule::Init() { ClearValue(&keys_.availability); }

int GPJLDependentRule::PJLJobCommandsMissing() const {
  return pjlJobCommandsNeeded_ != 0 && ReadInt(kPjlJobCommands) == 0 ? 1 : 0;
}

void GPJLDependentRule::OnChange(const std::list<int32_t>&, int) {
  if (PJLJobCommandsMissing() != 0) Publish(keys_.availability, 1, keys_.reason, kPjlJobCommandsOff);
}

GZepRule::GZepRule(GUISession* session) : GPJLDependentRule(session, GRuleKeys::kZep) {}

void GZepRule::OnChange(const std::list<int32_t>& changedIds, int force) {
  GSettingsView resolution = session_->GetSettingsView();
  int x = 0;
  int y = 0;
  if (resolution.Descend(&kResolution) != 0) {
    resolution.GetInt(&kXResolution, &x);
    resolution.GetInt(&kYResolution, &y);
  }
  if (x == 1200 && y == 1200) RaiseValue(&keys_.availability, 1);
  GPJLDependentRule::OnChange(changedIds, force);
}

GSparetoneRule::GSparetoneRule(GUISession* session) : GPJLDependentRule(session, GRuleKeys::kSparetone) {}

GPJLRequiredRule::GPJLRequiredRule(GUISession* session) : GPJLDependentRule(session, GRuleKeys::kPJLRequired) {}

GPJLJobCommandsRule::GPJLJobCommandsRule(GUISession* session)
    : GPJLDependentRule(session, GRuleKeys::kPJLJobCommands) {}

void GPJLJobCommandsRule::OnChange(const std::list<int32_t>&, int) {
  int16_t reason = 0;
  if (ReadInt(kSparetone) == 1) {
    reason = kSparetoneOn;
  } else if (ReadInt(kZepChoice) == 0) {
    reason = kZepOff;
  } else if (ReadInt(kJobRetentionModeChoice) != 0) {
    reason = kRetentionOn;
  } else if (ReadInt(kOutputBin) != 1) {
    reason = kBinNotTop;
  }
  if (reason == 0) return;
  if (pjlJobCommandsNeeded_ != 0) {
    WriteInt(kPjlJobCommands, 1);
    RaiseValue(&keys_.availability, 1);
  }
  SetReason(keys_.reason, reason);
}

// ---- GJobRetentionRule ----

void GJobRetentionRule::OnChange(const std::list<int32_t>& changedIds, int force) {
  if (Watched(changedIds, force, {kPrinterHardDisk, kJobRetentionAvailable}) == 0) return;
  const GSettingsView reference = session_->GetReferenceSettingsView();
  const int disk = ReadInt(kPrinterHardDisk);
  if (disk == 1) {
    int available = 0;
    if (reference.GetInt(&kJobRetentionAvailable, &available) != 0) {
      WriteInt(kJobRetentionAvailable, static_cast<int16_t>(available));
    }
    return;
  }
  int needsDisk = 0;
  reference.GetInt(&kJobRetentionNeedsDisk, &needsDisk);
  if (disk == 0 && needsDisk != 0) WriteInt(kJobRetentionModeChoice, 0);
}

// ---- GAutoConfigurationRule ----

void GAutoConfigurationRule::Init() {
  ResetKeys(GRuleKeys::kPaperHandlingOptions.availability, GRuleKeys::kPaperHandlingOptions.reason);
  ResetKeys(GRuleKeys::kAutomaticConfiguration.availability, GRuleKeys::kAutomaticConfiguration.reason);
}

void GAutoConfigurationRule::OnChange(const std::list<int32_t>&, int) {
  const int16_t state = session_->GetAutoConfigurationState();
  if (state == kDiscoveredConfiguration) {
    SetReason(GRuleKeys::kPaperHandlingOptions.reason, kConfigurationDiscovered);
  } else if (state == 0) {
    const GRuleKeyPair keys = GRuleKeys::kAutomaticConfiguration;
    Publish(keys.availability, 1, keys.reason, kNoBidirectional);
  }
}

// ---- GWatermarkEditRule ----

void GWatermarkEditRule::Init() { ResetKeys(GRuleKeys::kWatermarkEdit.availability, GRuleKeys::kWatermarkEdit.reason); }

void GWatermarkEditRule::OnChange(const std::list<int32_t>&, int) {
  int32_t customKey = GRuleKeys::kCustomPaperSize.availability;
  int customLevel = 0;
  if (session_->GetUIStateView().GetInt(&customKey, &customLevel) == 0) return;
  if ((session_->IsFlag8Set() != 0 || customLevel != 0) && ReadInt(kWatermarkEditable) == 0) {
    const GRuleKeyPair keys = GRuleKeys::kWatermarkEdit;
    Publish(keys.availability, 1, keys.reason, kNoPermission);
  }
}
