#include "ui/framework/GUIRule.h"

#include <algorithm>
#include <memory>

#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GSettingQuery.h"
#include "model/GValueAttribute.h"
#include "model/MPersistentIterator.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "win32/User.h"

using namespace GFeatureIds;

namespace {


}  // namespace

GUIRule::~GUIRule() = default;

void GUIRule::Init() {}

int GUIRule::Reserved() { return 0; }

int GUIRule::IsUISessionKey(int32_t id) { return id >= kFirstUISessionKey ? 1 : 0; }

void GUIRule::RaiseValue(const int32_t* id, int16_t level) {
  if (session_ == nullptr || id == nullptr || IsUISessionKey(*id) == 0) return;
  GSettingsView view = session_->GetUIStateView();
  int current = 0;
  if (view.GetInt(id, &current) != 0 && level <= current) return;
  view.SetInt(id, level);
}

void GUIRule::ClearValue(const int32_t* id) {
  if (session_ == nullptr || id == nullptr || IsUISessionKey(*id) == 0) return;
  GSettingsView view = session_->GetUIStateView();
  view.SetInt(id, 0);
}

int GUIRule::IsFeatureLocked(const int32_t* featureId) {
  if (session_ == nullptr || featureId == nullptr) return 0;
  GSettingsView view = session_->GetSettingsView();
  GAttributeComposite* locked = view.FindComposite(&kLockedFeatures);
  if (locked == nullptr) return 0;
  std::unique_ptr<MPersistentIterator> it(locked->CreateIterator());
  while (it != nullptr && it->Advance() != 0) {
    auto* entry = dynamic_cast<GValueAttribute*>(it->Current());
    if (entry != nullptr && entry->GetValue() == *featureId) return 1;
  }
  return 0;
}

int GUIRule::ShowMessageBox(HWND owner, const RWWString& text, const RWWString& caption, int flags) {
  return UIMessageBox(owner, text, caption, flags);
}

int GUIRule::Changed(const std::list<int32_t>& changedIds, int32_t id) {
  return std::find(changedIds.begin(), changedIds.end(), id) != changedIds.end() ? 1 : 0;
}

int GUIRule::Watched(const std::list<int32_t>& changedIds, int force, std::initializer_list<int32_t> ids) {
  if (force != 0) return 1;
  for (int32_t id : ids) {
    if (Changed(changedIds, id) != 0) return 1;
  }
  return 0;
}

int GUIRule::PaperSizeIsEnvelope(int paperId) {
  return (paperId >= 8 && paperId <= 16) || paperId == 50 || paperId == 52 || paperId == 59 || paperId == 60 ||
                 paperId == 73
             ? 1
             : 0;
}

// ---- The sheet settings ----

int GUIRule::ReadInt(int32_t id) const {
  if (session_ == nullptr) return 0;
  int value = 0;
  session_->GetSettingsView().GetInt(&id, &value);
  return value;
}

RWCString GUIRule::ReadText(int32_t id) const {
  RWCString text;
  if (session_ != nullptr) session_->GetSettingsView().GetNarrowString(&id, &text);
  return text;
}

int GUIRule::WriteInt(int32_t id, int16_t value) {
  return session_ != nullptr ? session_->GetSettingsView().SetInt(&id, value) : 0;
}

int GUIRule::WriteText(int32_t id, const RWCString& text) {
  return session_ != nullptr ? session_->GetSettingsView().SetNarrowString(&id, text) : 0;
}

int GUIRule::HasChanged(int32_t id) const {
  return session_ != nullptr ? session_->GetSettingsView().HasChanged(&id) : 0;
}

// ---- Keys ----

void GUIRule::ResetKeys(int32_t availabilityKey, int32_t reasonKey) {
  SetReason(reasonKey, 0);
  ClearValue(&availabilityKey);
}

void GUIRule::SetReason(int32_t reasonKey, int16_t reason) {
  if (session_ == nullptr || IsUISessionKey(reasonKey) == 0) return;
  session_->GetUIStateView().SetInt(&reasonKey, reason);
}

void GUIRule::Publish(int32_t availabilityKey, int16_t level, int32_t reasonKey, int16_t reason) {
  RaiseValue(&availabilityKey, level);
  SetReason(reasonKey, reason);
}

// ---- Prompts ----

int GUIRule::Prompt(int textId, int style) {
  if (session_ == nullptr) return IDOK;
  // Rules that keep finding the same conflict (settings that were already
  // inconsistent, or a Cancel that brings the conflict back) would ask the
  // same question in every round of the revalidation: the first answer
  // stands for the rest of it.
  int answer = session_->FindRulePromptAnswer(textId);
  if (answer != 0) return answer;
  RWWString text;
  RWWString caption;
  // A message the string table lacks is never shown as an empty box; the
  // rule goes on as if it had been acknowledged.
  if (LoadUIString(textId, &text) == 0) {
    answer = IDOK;
  } else {
    LoadUIString(kConflictCaption, &caption);
    answer = ShowMessageBox(session_->GetUpdateContext(), text, caption, style);
    // A box that could not be shown (0) is no Cancel.
    if (answer == 0) answer = IDOK;
  }
  session_->RememberRulePromptAnswer(textId, answer);
  return answer;
}

int GUIRule::Ask(int textId) {
  if (Prompt(textId, kAskStyle) != kCancelAnswer) return 1;
  UndoUpdateCycle();
  return 0;
}

void GUIRule::Refuse(int textId) {
  Prompt(textId, kNoticeStyle);
  UndoUpdateCycle();
}

void GUIRule::UndoUpdateCycle() {
  // The change log outside an update cycle still holds the last finished
  // cycle, which the user has long accepted: a forced revalidation (a page
  // opening or coming to the front) has no change of the user's to take
  // back.
  if (session_ == nullptr || session_->GetUpdateNesting() <= 0) return;
  session_->UndoChanges();
}

// ---- Paper ----

int GUIRule::MeasurePaper(int16_t paperId, double* shortSide, double* longSide) const {
  if (shortSide != nullptr) *shortSide = 0;
  if (longSide != nullptr) *longSide = 0;
  if (session_ == nullptr) return 0;
  GSettingsView settings = session_->GetSettingsView();
  if (settings.Descend(&kResolution) == 0) return 0;
  int x = 0;
  int y = 0;
  settings.GetInt(&kXResolution, &x);
  settings.GetInt(&kYResolution, &y);
  // A damaged resolution measures nothing rather than dividing by zero.
  if (x <= 0 || y <= 0) return 0;
  const GSettingsView model = session_->GetModelView();
  const GMedia* medium = model.FindMediaForResolution(paperId, 0, static_cast<int16_t>(std::min(x, y)));
  if (medium == nullptr) return 0;
  const double width = static_cast<double>(medium->GetSize()->x) / x;
  const double height = static_cast<double>(medium->GetSize()->y) / y;
  if (shortSide != nullptr) *shortSide = std::min(width, height);
  if (longSide != nullptr) *longSide = std::max(width, height);
  return 1;
}

// ---- Shared tests ----

int GUIRule::TrueTypeBitmapsConflict() const {
  if (ReadInt(GFeatureIds::kTTAsBitmapSetting) == 0) return 0;
  MPersistentObject* capabilities = session_ != nullptr ? GSettingQuery::FindPath(session_->GetModel(), {GFeatureIds::kPrinterCapabilityGroup, GFeatureIds::kPrinterCapabilities}) : nullptr;
  int16_t bits = 0;
  GSettingQuery::Short(capabilities, &bits);
  return (bits & 1) == 0 ? 1 : 0;
}

int16_t GUIRule::PrintedPaper(bool anyFit) const {
  const int fit = ReadInt(GFeatureIds::kFitToOtherSizeChoice);
  const bool target = anyFit ? fit != 0 : fit == 1;
  return static_cast<int16_t>(ReadInt(target ? GFeatureIds::kTargetSizeChoice : GFeatureIds::kPaperSize));
}
