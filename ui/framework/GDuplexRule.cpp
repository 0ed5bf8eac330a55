#include "ui/framework/GDuplexRule.h"

#include <algorithm>
#include <initializer_list>

#include "model/GAttributeComposite.h"
#include "model/GCustomMediaSize.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GSettingQuery.h"
#include "model/GValueAttribute.h"
#include "rw/RWWString.h"
#include "ui/framework/GRuleCatalogue.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"

using namespace GFeatureIds;

namespace {

// Messages and reasons.
constexpr int kDuplexTypeAsk = 5101;
constexpr int kDuplexSizeAsk = 5102;
constexpr int kScaleNot100 = 5108;
constexpr int kPagesPerSheetNot1 = 5109;
constexpr int kTrueTypeBitmaps = 5110;
constexpr int kDuplexSizeReason = 5111;
constexpr int kDuplexTypeReason = 5112;
constexpr int kBookletOn = 5115;
constexpr int kLetterOrA4Only = 5116;
constexpr int kStapleOn = 5117;
constexpr int kStapleSizeAsk = 5118;
constexpr int kPrintDocumentOn = 5135;
constexpr int kStapleTypeAsk = 5138;
constexpr int kBinSizeAsk = 5140;
constexpr int kBinTypeAsk = 5141;
constexpr int kStapleTypeReason = 5145;
constexpr int kStapleOrientationAsk = 5152;
constexpr int kPjlJobCommandsOff = 5154;
constexpr int kStapler20Note = 5302;
constexpr int kStapler50Note = 5303;
constexpr int kDefaultQuickSetName = 11052;
constexpr int kExecutiveJisName = 10121;
constexpr int k8KName = 10122;
constexpr int k16KName = 10093;

// Output accessories.
constexpr const char* kStapler20 = "K5203";
constexpr const char* kMailbox = "K5204";
constexpr const char* kMailbox2 = "K5205";
constexpr const char* kStapler50 = "K5206";
constexpr const char* kStacker = "K5207";
constexpr const char* kBookletMaker = "VXN-62";
constexpr const char* kPlainStacker = "2500SHEET OUTPUT TRAY";

constexpr int16_t kNoStaple = 7;
constexpr int16_t kOneStaple = 1;
constexpr int16_t kAngledStaple = 2;

bool In(int value, std::initializer_list<int> values) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

bool IsOneOf(const RWCString& text, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (text == RWCString(name)) return true;
  }
  return false;
}

bool RefusedForDuplex(const RWCString& media) { return IsOneOf(media, {"Transparency", "Labels"}); }
bool RefusedForFinishing(const RWCString& media) { return IsOneOf(media, {"Transparency", "Card Stock", "Labels"}); }
bool IsBuiltInBin(int bin) { return bin == GRuleBins::kTopBin || bin == GRuleBins::kSecondBuiltIn; }

bool InRange(double value, double low, double high) { return value >= low && value <= high; }

RWCString UIText(int id) {
  RWWString text;
  LoadUIString(id, &text);
  return text.ToMultibyte();
}

}  // namespace

// ---- GDuplexRule ----

void GDuplexRule::Init() { ResetKeys(GRuleKeys::kDuplex.availability, GRuleKeys::kDuplex.reason); }

int GDuplexRule::PaperCanBeDuplexed(int16_t paperId, int16_t source) {
  if (PaperSizeIsEnvelope(paperId) != 0) return 0;
  if (In(paperId, {1, 6, 17, 21, 22, 23, 27, 39, 40})) return 1;
  if (In(paperId, {41, 42, 43, 44})) return 0;
  if (session_->QueryHost(paperId) != 2) return 0;
  if (source == 3) return 1;
  if (source == 20 && ReadText(kOptionalPaperSources) == RWCString("K5202")) return 1;
  double shortSide = 0;
  double longSide = 0;
  if (MeasurePaper(paperId, &shortSide, &longSide) == 0) return 0;
  return shortSide >= 5.0 && longSide >= 7.5 ? 1 : 0;
}

void GDuplexRule::OnChange(const std::list<int32_t>& changedIds, int force) {
  const GRuleKeyPair keys = GRuleKeys::kDuplex;
  int16_t reason = 0;
  if (ReadInt(kDuplexUnit) == 0) {
    RaiseValue(&keys.availability, 2);
  } else {
    bool sizeHolds = false;
    if (Watched(changedIds, force, {kDuplex, kPaperSize, kInputBin, kFitToOtherSizeChoice, kTargetSizeChoice}) != 0) {
      if (ReadInt(kDuplex) != 0 &&
          PaperCanBeDuplexed(PrintedPaper(true), static_cast<int16_t>(ReadInt(kInputBin))) == 0 &&
          Ask(kDuplexSizeAsk) != 0) {
        WriteInt(kDuplex, 0);
      }
      sizeHolds = PaperCanBeDuplexed(PrintedPaper(true), static_cast<int16_t>(ReadInt(kInputBin))) == 0;
    }
    if (sizeHolds) {
      RaiseValue(&keys.availability, 1);
      reason = kDuplexSizeReason;
    } else {
      if (Watched(changedIds, force, {kDuplex, kMediaType}) != 0 && ReadInt(kDuplex) != 0 &&
          RefusedForDuplex(ReadText(kMediaType)) && Ask(kDuplexTypeAsk) != 0) {
        WriteInt(kDuplex, 0);
      }
      if (RefusedForDuplex(ReadText(kMediaType))) {
        RaiseValue(&keys.availability, 1);
        reason = kDuplexTypeReason;
      }
    }
  }
  SetReason(keys.reason, reason);
}

// ---- GBookletRule ----

void GBookletRule::Init() { ResetKeys(GRuleKeys::kBooklet.availability, GRuleKeys::kBooklet.reason); }

void GBookletRule::TurnBookletOff() {
  if (ReadInt(kBookletPrintingChoice) == 0) return;
  WriteInt(kBookletPrintingChoice, 0);
  if (ReadInt(kDuplex) != 0) WriteInt(kDuplex, 2);
}

void GBookletRule::OnChange(const std::list<int32_t>&, int) {
  const GRuleKeyPair keys = GRuleKeys::kBooklet;
  if (ReadInt(kDuplexUnit) != 1) {
    RaiseValue(&keys.availability, 2);
    TurnBookletOff();
    return;
  }
  const RWCString accessory = ReadText(kAccessoryOutputBins);
  int16_t reason = 0;
  if (ReadInt(kDuplex) == 0) {
    reason = GRuleReasons::kDisabledWithoutTip;
  } else if (ReadInt(kScaleChoice) != 100) {
    reason = kScaleNot100;
  } else if (accessory != RWCString(kBookletMaker) && ReadInt(kStaplerChoice) == 1) {
    reason = kStapleOn;
  } else if (ReadInt(kNUpChoice) != 1) {
    reason = kPagesPerSheetNot1;
  } else if (TrueTypeBitmapsConflict() != 0) {
    reason = kTrueTypeBitmaps;
  } else if (ReadInt(kFitToOtherSizeChoice) == 1) {
    reason = kPrintDocumentOn;
  } else if (!In(ReadInt(kPaperSize), {1, 6, 23})) {
    reason = kLetterOrA4Only;
  }
  if (reason != 0) {
    RaiseValue(&keys.availability, 1);
    TurnBookletOff();
    SetReason(keys.reason, reason);
  } else {
    ClearValue(&keys.availability);
  }
  const bool bookletBin = accessory == RWCString(kBookletMaker) && ReadInt(kOutputBin) == GRuleBins::kBookletMaker;
  WriteInt(kBookletSheetOrder, bookletBin ? 1 : 0);
}

// ---- GStapleRule ----

void GStapleRule::Init() { ResetKeys(GRuleKeys::kStaple.availability, GRuleKeys::kStaple.reason); }

int GStapleRule::DiagonalStapleAllowed(GUISession* session) {
  if (session == nullptr) return 0;
  GSettingsView settings = session->GetSettingsView();
  auto read = [&](int32_t id) {
    int value = 0;
    settings.GetInt(&id, &value);
    return value;
  };
  const int paper = read(read(kFitToOtherSizeChoice) == 1 ? kTargetSizeChoice : kPaperSize);
  if (paper == GRulePapers::kLegal) return 0;
  int orientation = read(kOrientation);
  const int nup = read(kNUpChoice);
  if (nup == 2 || nup == 6) orientation = orientation == 0 ? 90 : 0;
  const bool letterLike = paper == GRulePapers::kLetter || paper == GRulePapers::kA4;
  if (orientation == 0) return letterLike ? 1 : 0;
  if (orientation == 90 || orientation == 270) return letterLike ? 0 : 1;
  return 0;
}

int GStapleRule::AccessoryStaples(const RWCString& accessory, int16_t paperId) {
  double shortSide = 0;
  double longSide = 0;
  if (accessory == RWCString(kStapler20)) return In(paperId, {1, 23}) ? 1 : 0;
  if (accessory == RWCString(kStapler50)) {
    if (PaperSizeIsEnvelope(paperId) != 0 || paperId == 41) return 0;
    if (In(paperId, {1, 6, 17, 21, 22, 23, 27, 39, 40, 42, 43, 44})) return 1;
    if (MeasurePaper(paperId, &shortSide, &longSide) == 0) return 0;
    return InRange(shortSide, 5.83, 11.69) && InRange(longSide, 7.48, 18.11) ? 1 : 0;
  }
  if (accessory == RWCString(kBookletMaker)) {
    if (PaperSizeIsEnvelope(paperId) != 0 || paperId == 41) return 0;
    if (In(paperId, {1, 6, 21, 22, 23, 39})) return 1;
    if (MeasurePaper(paperId, &shortSide, &longSide) == 0) return 0;
    return InRange(shortSide, 8.5, 11.0) && InRange(longSide, 11.0, 17.0) ? 1 : 0;
  }
  return 1;
}

void GStapleRule::ApplyDefaultStapling(const RWCString& accessory) {
  int16_t stapling = kNoStaple;
  if (accessory == RWCString(kStapler50)) {
    if (ReadInt(kStapling) == kNoStaple) WriteInt(kStapling, kOneStaple);
    if (DiagonalStapleAllowed(session_) == 0 && ReadInt(kStapling) == kAngledStaple) WriteInt(kStapling, kOneStaple);
    stapling = kOneStaple;
  } else {
    WriteInt(kStapling, kNoStaple);
  }
  AlignDefaultQuickSet(stapling);
}

void GStapleRule::AlignDefaultQuickSet(int16_t stapling) {
  // Only a pool the session already holds: this rule never loads it.
  int loaded = 0;
  GAttributeComposite* pool = session_->GetQuickSetPool(nullptr, &loaded);
  if (pool == nullptr) return;
  const RWCString defaultName = UIText(kDefaultQuickSetName);
  GSettingQuery::ForEachChild(pool, [&](MPersistentObject* child) {
    RWCString name;
    auto* set = dynamic_cast<GAttributeComposite*>(child);
    if (set == nullptr || !GSettingQuery::TextAt(set, kModelEntryName, &name) || name != defaultName) return true;
    auto* value = dynamic_cast<GValueAttribute*>(GSettingQuery::Find(set, kStapling));
    if (value != nullptr && value->GetValue() != stapling) value->SetValue(stapling);
    return false;
  });
}

void GStapleRule::BinFollowsStapling(const std::list<int32_t>& changedIds, const RWCString& accessory) {
  const int16_t staplingBin = accessory == RWCString(kBookletMaker) ? GRuleBins::kBookletMaker : GRuleBins::kStapling;
  const int bin = ReadInt(kOutputBin);
  const bool stapling = ReadInt(kStaplerChoice) == 1;
  if (Changed(changedIds, kOutputBin) != 0) {
    if (stapling && bin != staplingBin) WriteInt(kStaplerChoice, 0);
    if (!stapling && bin == GRuleBins::kStapling) WriteInt(kStaplerChoice, 1);
  } else if (stapling) {
    WriteInt(kOutputBin, staplingBin);
  } else if (bin == GRuleBins::kStapling) {
    WriteInt(kOutputBin, GRuleBins::kTopBin);
  }
}

void GStapleRule::OrientationWarning(const std::list<int32_t>& changedIds, const RWCString& accessory) {
  if (Watched(changedIds, 0, {kDuplex, kStaplerChoice, kPaperSize, kStapling}) == 0) return;
  const int duplex = ReadInt(kDuplex);
  if (accessory != RWCString(kStapler50) || duplex == 0 || ReadInt(kStaplerChoice) != 1 ||
      !In(ReadInt(kStapling), {3, 4, 5, 6})) {
    return;
  }
  const int16_t resolution = session_->GetUniformResolution();
  if (resolution <= 0) return;
  const GMedia* medium = session_->GetModelView().FindMediaForResolution(
      static_cast<int16_t>(ReadInt(kPaperSize)), static_cast<int16_t>(ReadInt(kOrientation)), resolution);
  // Without a medium there is nothing to compare.
  if (medium == nullptr || medium->GetSize() == nullptr) return;
  // The limit is 11.7 inches in pixels; counted in 32 bits so that a large
  // or mixed resolution (0x7FFF) cannot wrap it.
  const int32_t limit = static_cast<int32_t>(resolution / 100) * 1170;
  const bool small = medium->GetSize()->x < limit && medium->GetSize()->y < limit;
  if ((duplex == 2 && !small) || (duplex == 1 && small)) Ask(kStapleOrientationAsk);
}

int GStapleRule::SizeTestFails(const RWCString& accessory) {
  if (ReadInt(kStaplerChoice) != 1) return 0;
  if (AccessoryStaples(accessory, PrintedPaper(true)) != 0) return 0;
  Ask(kStapleSizeAsk);
  if (AccessoryStaples(accessory, PrintedPaper(true)) != 0) return 0;
  WriteInt(kStaplerChoice, 0);
  return 1;
}

int GStapleRule::TypeTestFails(int32_t mediaId) {
  if (ReadInt(kStaplerChoice) == 1 && RefusedForFinishing(ReadText(mediaId))) Ask(kStapleTypeAsk);
  if (!RefusedForFinishing(ReadText(mediaId))) return 0;
  WriteInt(kStaplerChoice, 0);
  return 1;
}

int GStapleRule::TypeTestFails() {
  const int first = TypeTestFails(kMediaType);
  const int rest = TypeTestFails(kMediaTypeRest);
  return first != 0 || rest != 0 ? 1 : 0;
}

void GStapleRule::OnChange(const std::list<int32_t>& changedIds, int force) {
  const GRuleKeyPair keys = GRuleKeys::kStaple;
  const RWCString accessory = ReadText(kAccessoryOutputBins);
  if (!IsOneOf(accessory, {kStapler20, kStapler50, kBookletMaker})) {
    if (ReadInt(kStaplerInstalled) != 0) {
      WriteInt(kStaplerInstalled, 0);
      WriteInt(kStapling, kNoStaple);
    }
    RaiseValue(&keys.availability, 2);
    WriteInt(kStaplerChoice, 0);
    if (ReadInt(kOutputBin) == GRuleBins::kStapling) WriteInt(kOutputBin, GRuleBins::kTopBin);
    return;
  }
  if (ReadInt(kStaplerInstalled) != 1) WriteInt(kStaplerInstalled, 1);
  if (Watched(changedIds, force,
              {kStaplerInstalled, kStaplerChoice, kMediaType, kMediaTypeRest, kPaperSize, kFitToOtherSizeChoice,
               kOutputBin, kDuplex, kAccessoryOutputBins, kBookletPrintingChoice, kStapling, kOrientation,
               kTargetSizeChoice, kBookletTargetSize, kModelEntryName}) == 0) {
    return;
  }
  ApplyDefaultStapling(accessory);
  BinFollowsStapling(changedIds, accessory);
  OrientationWarning(changedIds, accessory);

  int16_t reason = 0;
  if (IsOneOf(accessory, {kStapler50, kStapler20}) && ReadInt(kBookletPrintingChoice) != 0) {
    reason = kBookletOn;
  } else if (SizeTestFails(accessory) != 0) {
    reason = kLetterOrA4Only;
  } else if (TypeTestFails() != 0) {
    reason = kStapleTypeReason;
  }
  if (reason != 0) {
    Publish(keys.availability, 1, keys.reason, reason);
    return;
  }
  const bool stapling = ReadInt(kStaplerChoice) == 1;
  if (accessory == RWCString(kBookletMaker)) {
    WriteText(kCustomPJLCommands, RWCString(stapling ? "@PJL SET OUTBINPROCESS =0 \r\n" : "@PJL SET OUTBINPROCESS =1 \r\n"));
  }
  // The notes keep the control enabled and show its tip.
  if (stapling && accessory == RWCString(kStapler20)) {
    SetReason(keys.reason, kStapler20Note);
  } else if (stapling && accessory == RWCString(kStapler50)) {
    SetReason(keys.reason, kStapler50Note);
  } else {
    ClearValue(&keys.availability);
    SetReason(keys.reason, 0);
  }
}

// ---- GOutputBinRule ----

GOutputBinRule::GOutputBinRule(GUISession* session) : GUIRule(session) {
  if (session == nullptr) return;
  int needed = 0;
  session->GetModelView().GetInt(&kPJLJobCommandsNeeded, &needed);
  pjlJobCommandsNeeded_ = static_cast<int16_t>(needed);
}

void GOutputBinRule::Init() { ResetKeys(GRuleKeys::kOutputBin.availability, GRuleKeys::kOutputBin.reason); }

int GOutputBinRule::PaperFitsAccessoryBin(int16_t paperId, const RWCString& accessory) {
  if (paperId >= GRulePapers::kFirstCustom) {
    // Custom papers named as the Asian sizes count as those sizes.
    RWCString name;
    GSettingQuery::ForEachChild(GSettingQuery::Find(session_->GetSettings(), kCustomPaperList), [&](MPersistentObject* child) {
      auto* size = dynamic_cast<GCustomMediaSize*>(child);
      if (size == nullptr || size->GetPaperId() != paperId) return true;
      name = size->GetName();
      return false;
    });
    if (!name.IsEmpty()) {
      if (name == UIText(kExecutiveJisName)) paperId = GRulePapers::kExecutiveJis;
      else if (name == UIText(k8KName)) paperId = GRulePapers::k8K;
      else if (name == UIText(k16KName)) paperId = GRulePapers::k16K;
    }
  }
  if (In(paperId, {1, 6, 23})) return 1;
  if (In(paperId, {17, 40})) return IsOneOf(accessory, {kBookletMaker, kStapler50, kStacker, kMailbox}) ? 0 : 1;
  if (In(paperId, {21, 22, 39})) return accessory != RWCString(kMailbox) ? 1 : 0;
  if (paperId == 41) return 0;
  if (In(paperId, {42, 43, 44})) return IsOneOf(accessory, {kMailbox2, kMailbox}) ? 1 : 0;
  if (accessory == RWCString(kBookletMaker) && PaperSizeIsEnvelope(paperId) == 0) {
    double shortSide = 0;
    double longSide = 0;
    if (MeasurePaper(paperId, &shortSide, &longSide) == 0) return 0;
    return InRange(shortSide, 8.5, 11.0) && InRange(longSide, 11.0, 17.0) ? 1 : 0;
  }
  return 0;
}

int GOutputBinRule::TypeTestHolds(const std::list<int32_t>& changedIds, int force) {
  const int bin = ReadInt(kOutputBin);
  if (Watched(changedIds, force, {kMediaType, kOutputBin}) != 0 && (bin > 2 || bin < 0) &&
      RefusedForFinishing(ReadText(kMediaType))) {
    Ask(kBinTypeAsk);
  }
  return !IsBuiltInBin(bin) && RefusedForFinishing(ReadText(kMediaType)) ? 1 : 0;
}

int GOutputBinRule::SizeTestHolds() {
  const RWCString accessory = ReadText(kAccessoryOutputBins);
  const int bin = ReadInt(kOutputBin);
  if ((bin > 2 || bin < 0) && PaperFitsAccessoryBin(PrintedPaper(true), accessory) == 0) Ask(kBinSizeAsk);
  return !IsBuiltInBin(bin) && PaperFitsAccessoryBin(PrintedPaper(true), accessory) == 0 ? 1 : 0;
}

void GOutputBinRule::OnChange(const std::list<int32_t>& changedIds, int force) {
  const GRuleKeyPair keys = GRuleKeys::kOutputBin;
  const RWCString accessory = ReadText(kAccessoryOutputBins);
  if (Watched(changedIds, force, {kAccessoryOutputBins, kOutputBin}) != 0 &&
      (accessory.IsEmpty() || accessory == RWCString(kPlainStacker)) && !IsBuiltInBin(ReadInt(kOutputBin))) {
    WriteInt(kOutputBin, GRuleBins::kTopBin);
  }
  if (Watched(changedIds, force, {kPrinterHardDisk, kJobRetentionModeChoice}) != 0 && ReadInt(kPrinterHardDisk) == 0 &&
      In(ReadInt(kJobRetentionModeChoice), {1, 3})) {
    WriteInt(kJobRetentionModeChoice, 0);
  }
  const bool pjlNeeded = pjlJobCommandsNeeded_ != 0 && ReadInt(kPjlJobCommands) == 0;
  if (IsOneOf(accessory, {kStapler20, kMailbox, kMailbox2, kBookletMaker, kStapler50, kStacker})) {
    if (TypeTestHolds(changedIds, force) != 0 || SizeTestHolds() != 0) WriteInt(kOutputBin, GRuleBins::kTopBin);
  }
  if (pjlNeeded) {
    if (!IsBuiltInBin(ReadInt(kOutputBin))) WriteInt(kOutputBin, GRuleBins::kTopBin);
    Publish(keys.availability, 1, keys.reason, kPjlJobCommandsOff);
  }
}
