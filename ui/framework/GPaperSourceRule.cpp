#include "ui/framework/GPaperSourceRule.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "driver/GUIServices.h"
#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GFormToTrayDatabase.h"
#include "ui/framework/GMediaTypeNames.h"
#include "ui/framework/GPaperSourceAccessor.h"
#include "ui/framework/GRuleCatalogue.h"
#include "ui/framework/GUISession.h"

namespace {

using GFeatureIds::kBackCoverMediaTypeSetting;
using GFeatureIds::kEnvFeeder;
using GFeatureIds::kBackCoverTrayChoice;
using GFeatureIds::kFitToOtherSizeChoice;
using GFeatureIds::kFormToTrayDatabase;
using GFeatureIds::kIncludeTypesInSourceList;
using GFeatureIds::kInputBin;
using GFeatureIds::kInputBinRest;
using GFeatureIds::kMediaType;
using GFeatureIds::kMediaTypeRest;
using GFeatureIds::kOptionalPaperSources;
using GFeatureIds::kPaperSize;
using GFeatureIds::kTargetSizeChoice;
using GFeatureIds::kUseDiffFirstPageChoice;

// Messages.
constexpr int kTypeRefused = 5105;    // the tray cannot take the paper type
constexpr int kTypeMovesTray = 5103;  // the paper type moves the source to Tray 1
constexpr int kSizeRefused = 5106;
constexpr int kSizeMovesTray = 5104;
constexpr int kOtherSizeNote = 5301;
constexpr int kNoPermission = 5137;
constexpr int kFormsAssigned = 5166;

// Sources.
constexpr int16_t kFirstTray = GRuleSources::kTray1;
constexpr int16_t kUpperTray = 1;
constexpr int16_t kLowerTray = 3;
constexpr int16_t kEnvelopeFeeder = GRuleSources::kEnvelopesOnly;
constexpr int16_t kOptionalTray = 13;
constexpr int16_t kSecondOptionalTray = 20;
constexpr int16_t kManualFeed = 18;

bool In(int16_t value, std::initializer_list<int16_t> values) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

bool Is(const RWCString& text, const char* name) { return text == RWCString(name); }

// The settings' form-to-tray database, null without one.
GFormToTrayDatabase* FormToTray(GUISession* session) {
  GAttributeComposite* settings = session != nullptr ? session->GetSettings() : nullptr;
  return dynamic_cast<GFormToTrayDatabase*>(settings != nullptr ? settings->FindById(kFormToTrayDatabase) : nullptr);
}

}  // namespace

// ---- GPaperSourceRule ----

GPaperSourceRule::GPaperSourceRule(GUISession* session)
    : GUIRule(session), sources_(std::make_unique<GPaperSourceAccessor>(session)) {}

GPaperSourceRule::~GPaperSourceRule() = default;

void GPaperSourceRule::Init() {
  ClearValue(&GRuleKeys::kPaperSource.availability);
  ClearValue(&GRuleKeys::kPaperSourceRest.availability);
}

int GPaperSourceRule::PaperFitsSource(int16_t paperId, int16_t source) {
  // Letter, Legal, A4 and B4 (JIS) go everywhere a sheet tray takes them;
  // the larger trays add 11x17 and A3.
  const std::initializer_list<int16_t> basic = {1, 6, 23, 39};
  const std::initializer_list<int16_t> large = {1, 6, 21, 22, 23, 39};
  const RWCString accessory = ReadText(kOptionalPaperSources);
  auto fits = [&](std::initializer_list<int16_t> papers) { return In(paperId, papers) ? 1 : 0; };
  auto fitsOrHost = [&](std::initializer_list<int16_t> papers) {
    return In(paperId, papers) || session_->QueryHost(paperId) == 2 ? 1 : 0;
  };
  switch (source) {
    case kUpperTray:
      return fits(basic);
    case kLowerTray:
      return fitsOrHost(large);
    case kEnvelopeFeeder:
      return fits({8, 13, 14, 15, 16, 41});
    case kFirstTray:
    case kManualFeed:
    case GRuleSources::kPrinterSelect:
      return 1;
    default:
      break;
  }
  if (source == kOptionalTray && Is(accessory, "K5201")) return fits(large);
  if (source == kOptionalTray && Is(accessory, "K5202")) return fits(basic);
  if (source == kSecondOptionalTray && Is(accessory, "K5202")) return fitsOrHost(large);
  if (Is(accessory, "SILOTRAK 4-BIN") || Is(accessory, "SILOTRAK 6-BIN")) return fits({1, 6, 21, 22, 23});
  return 1;
}

int GPaperSourceRule::MediaFitsSource(const RWCString& media, int16_t source) {
  const bool transparency = Is(media, "Transparency");
  const bool labels = Is(media, "Labels");
  const bool card = Is(media, "Card Stock");
  switch (source) {
    case kUpperTray:
    case kLowerTray:
      return transparency || labels ? 0 : 1;
    case kEnvelopeFeeder:
      return transparency ? 0 : 1;
    case kOptionalTray:
    case kSecondOptionalTray:
      return transparency || labels || card ? 0 : 1;
    default:
      return 1;
  }
}

int16_t GPaperSourceRule::CurrentPaper() {
  return static_cast<int16_t>(ReadInt(kFitToOtherSizeChoice) != 0 ? ReadInt(kTargetSizeChoice) : ReadInt(kPaperSize));
}

void GPaperSourceRule::CheckMediaAgainstSource(const std::list<int32_t>& changedIds) {
  int32_t sourceId = 0;
  int32_t mediaId = 0;
  if (Changed(changedIds, kInputBin) || Changed(changedIds, kMediaType)) {
    sourceId = kInputBin;
    mediaId = kMediaType;
  } else if (Changed(changedIds, kInputBinRest) || Changed(changedIds, kMediaTypeRest)) {
    sourceId = kInputBinRest;
    mediaId = kMediaTypeRest;
  } else if (Changed(changedIds, kBackCoverTrayChoice) || Changed(changedIds, kBackCoverMediaTypeSetting)) {
    sourceId = kBackCoverTrayChoice;
    mediaId = kBackCoverMediaTypeSetting;
  } else {
    return;
  }
  const int16_t source = static_cast<int16_t>(ReadInt(sourceId));
  if (source == kFirstTray || MediaFitsSource(ReadText(mediaId), source) != 0) return;
  if (HasChanged(kInputBin) != 0) {
    Refuse(kTypeRefused);
  } else {
    Ask(kTypeMovesTray);
  }
  // Whatever was taken back, a type the source read before still refuses
  // moves the pair to Tray 1.
  if (MediaFitsSource(ReadText(mediaId), source) == 0) WriteInt(sourceId, kFirstTray);
}

void GPaperSourceRule::CheckSizeAgainstSources(const std::list<int32_t>& changedIds, int force) {
  if (Watched(changedIds, force, {kPaperSize, kInputBin, kInputBinRest, kFitToOtherSizeChoice, kTargetSizeChoice}) ==
      0) {
    return;
  }
  int16_t paper = CurrentPaper();
  int16_t first = static_cast<int16_t>(ReadInt(kInputBin));
  int16_t rest = static_cast<int16_t>(ReadInt(kInputBinRest));
  const bool differentFirst = ReadInt(kUseDiffFirstPageChoice) != 0;
  if (PaperFitsSource(paper, first) == 0 || (differentFirst && PaperFitsSource(paper, rest) == 0)) {
    if (HasChanged(kInputBin) != 0 || HasChanged(kInputBinRest) != 0) {
      Refuse(kSizeRefused);
    } else {
      Ask(kSizeMovesTray);
    }
    paper = CurrentPaper();
    first = static_cast<int16_t>(ReadInt(kInputBin));
    rest = static_cast<int16_t>(ReadInt(kInputBinRest));
    if (PaperFitsSource(paper, first) == 0) {
      WriteInt(kInputBin, kFirstTray);
      if (differentFirst && PaperFitsSource(paper, rest) == 0) WriteInt(kInputBinRest, kFirstTray);
    }
  }
  // The other pages' source always takes the paper, whether or not a
  // different first page is used.
  if (PaperFitsSource(CurrentPaper(), static_cast<int16_t>(ReadInt(kInputBinRest))) == 0) {
    WriteInt(kInputBinRest, kFirstTray);
  }
}

void GPaperSourceRule::CheckInstalledSources(const std::list<int32_t>& changedIds, int force) {
  if (Watched(changedIds, force, {kOptionalPaperSources, kInputBin, kInputBinRest, kEnvFeeder}) == 0) return;
  std::vector<int16_t> sources;
  if (sources_->EnumerateSources(&sources, nullptr) == 0) return;
  // A source the installed trays do not offer becomes the automatic one.
  const auto source = static_cast<int16_t>(ReadInt(kInputBin));
  if (std::find(sources.begin(), sources.end(), source) == sources.end()) {
    WriteInt(kInputBin, GRuleSources::kPrinterSelect);
  }
}

void GPaperSourceRule::OnChange(const std::list<int32_t>& changedIds, int force) {
  CheckInstalledSources(changedIds, force);
  CheckMediaAgainstSource(changedIds);
  CheckSizeAgainstSources(changedIds, force);
}

// ---- GPaperSizeRule ----

void GPaperSizeRule::Init() { ResetKeys(GRuleKeys::kPaperSize.availability, GRuleKeys::kPaperSize.reason); }

void GPaperSizeRule::OnChange(const std::list<int32_t>&, int) {
  int tab = 0;
  session_->GetUIStateView().GetInt(&GFeatureIds::kPaperPageTab, &tab);
  if (ReadInt(kFitToOtherSizeChoice) == 1 && ReadInt(kPaperSize) != ReadInt(kTargetSizeChoice) && tab == 0) {
    Publish(GRuleKeys::kPaperSize.availability, 1, GRuleKeys::kPaperSize.reason, kOtherSizeNote);
  }
}

// ---- GCustomPaperSizeRule ----

void GCustomPaperSizeRule::Init() {
  // The quick-set pair is not started afresh here.
  ResetKeys(GRuleKeys::kCustomPaperSize.availability, GRuleKeys::kCustomPaperSize.reason);
}

void GCustomPaperSizeRule::OnChange(const std::list<int32_t>&, int) {
  // Custom sizes are stored as the printer's forms: without the right to
  // change the printer they cannot be defined.
  if ((session_->GetAccessFlags() & GUIAccess::kNoPrinterChanges) != 0) {
    Publish(GRuleKeys::kCustomPaperSize.availability, 1, GRuleKeys::kCustomPaperSize.reason, kNoPermission);
  } else {
    ClearValue(&GRuleKeys::kCustomPaperSize.availability);
  }
  if ((session_->GetEffectiveAccess() & GUIAccess::kNoPrinterChanges) != 0) {
    Publish(GRuleKeys::kQuickSets.availability, 1, GRuleKeys::kQuickSets.reason, kNoPermission);
  } else {
    ClearValue(&GRuleKeys::kQuickSets.availability);
  }
}

// ---- GFormToTrayRule ----

void GFormToTrayRule::Init() {
  GFormToTrayDatabase* forms = FormToTray(session_);
  active_ = forms != nullptr && forms->HasAssignments() != 0 ? 1 : 0;
}

void GFormToTrayRule::KeepMediaAssigned(int32_t mediaId, int16_t paper) {
  GFormToTrayDatabase* forms = FormToTray(session_);
  const int16_t media = MediaTypeNameToStringId(ReadText(mediaId));
  if (forms != nullptr && media != kAutoSelectMediaId && forms->IsPaperAndMediaAssigned(paper, media) == 0) {
    WriteText(mediaId, RWCString());
  }
}

void GFormToTrayRule::OnChange(const std::list<int32_t>& changedIds, int force) {
  if (active_ == 0) return;
  // With forms in the trays the printer picks the tray: the source is
  // automatic and the source lists are disabled.
  const bool differentFirst = ReadInt(kUseDiffFirstPageChoice) != 0;
  WriteInt(kInputBin, GRuleSources::kPrinterSelect);
  if (differentFirst) {
    WriteInt(kInputBinRest, GRuleSources::kPrinterSelect);
    RaiseValue(&GRuleKeys::kPaperSourceRest.availability, 1);
  }
  RaiseValue(&GRuleKeys::kPaperSource.availability, 1);

  if (Watched(changedIds, force,
              {kMediaType, kMediaTypeRest, kPaperSize, kFitToOtherSizeChoice, kTargetSizeChoice,
               kUseDiffFirstPageChoice}) == 0) {
    return;
  }
  GFormToTrayDatabase* forms = FormToTray(session_);
  if (forms == nullptr) return;
  const int16_t paper =
      static_cast<int16_t>(ReadInt(kFitToOtherSizeChoice) != 0 ? ReadInt(kTargetSizeChoice) : ReadInt(kPaperSize));
  if (forms->IsPaperSizeAssigned(paper) == 0) {
    // A size no tray holds gives way to the first size a tray holds.
    if (ReadInt(kFitToOtherSizeChoice) != 0) WriteInt(kFitToOtherSizeChoice, 0);
    WriteInt(kPaperSize, forms->GetFirstAssignedPaperSize());
  }
  KeepMediaAssigned(kMediaType, paper);
  if (differentFirst) KeepMediaAssigned(kMediaTypeRest, paper);
}

// ---- GTypesInSourceListRule ----

void GTypesInSourceListRule::Init() {
  ResetKeys(GRuleKeys::kTypesInSourceList.availability, GRuleKeys::kTypesInSourceList.reason);
}

void GTypesInSourceListRule::OnChange(const std::list<int32_t>&, int) {
  GFormToTrayDatabase* forms = FormToTray(session_);
  if (forms == nullptr || forms->HasAssignments() == 0) return;
  WriteInt(kIncludeTypesInSourceList, 0);
  Publish(GRuleKeys::kTypesInSourceList.availability, 1, GRuleKeys::kTypesInSourceList.reason, kFormsAssigned);
}
