#include "ui/pages/GCustomPaperAccessor.h"


#include "model/GAttributeComposite.h"
#include "model/GEnumAttribute.h"
#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GSettingQuery.h"
#include "model/GTray.h"
#include "ui/framework/GRuleCatalogue.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "ui/pages/GPaperSizeAccessor.h"

namespace {

using namespace GFeatureIds;

constexpr int16_t kLargestPaper = 17384;
constexpr int16_t kSmallestPaper = 17385;
constexpr int16_t kLargestWithoutTray = 17386;
constexpr int16_t kSmallestWithoutTray = 17387;
constexpr int16_t kDefaultLimitTray = 6;

bool IsStandardPaper(int16_t paperId) {
  return paperId < GSettingsView::kFirstCustomPaper || paperId > GSettingsView::kLastCustomPaper;
}

void ConvertPair(GCustomMediaSize::Pair* pair, int32_t from, int32_t to) {
  pair->width = GCustomMediaSize::ConvertValue(pair->width, from, to);
  pair->height = GCustomMediaSize::ConvertValue(pair->height, from, to);
}

}  // namespace

GCustomPaperAccessor::GCustomPaperAccessor(GUISession* session) : GKeyedFeatureAccessor(session, &kPaperSize) {
  LoadLimits();
}

GCustomPaperAccessor::~GCustomPaperAccessor() = default;

int GCustomPaperAccessor::Changed(int32_t id) const {
  return session_ != nullptr && session_->GetSettingsView().HasChanged(&id) != 0 ? 1 : 0;
}

int16_t GCustomPaperAccessor::GetAvailability() {
  GPaperSizeAccessor papers(session_);
  return papers.GetAvailability();
}

int GCustomPaperAccessor::HasChanged() {
  return Changed(kPaperSize) || Changed(kCustomPaperList) || Changed(kUseDiffFirstPageChoice) ||
                 Changed(kCustomSizeTemplate)
             ? 1
             : 0;
}

int GCustomPaperAccessor::ListChanged() { return Changed(kCustomPaperList); }

int GCustomPaperAccessor::SetValue(int16_t paperId) {
  GPaperSizeAccessor papers(session_);
  return papers.SetValue(paperId);
}

void GCustomPaperAccessor::SelectPaperSize(int16_t paperId) {
  GPaperSizeAccessor papers(session_);
  papers.GKeyedFeatureAccessor::SetValue(paperId);
}

GAttributeComposite* GCustomPaperAccessor::GetCustomPaperList() const {
  return session_ != nullptr ? session_->GetSettingsView().FindCustomPaperList() : nullptr;
}

GCustomMediaSize* GCustomPaperAccessor::Current() const {
  return session_ != nullptr ? dynamic_cast<GCustomMediaSize*>(session_->FindUIStateAttribute(kCustomSizeTemplate))
                             : nullptr;
}

void GCustomPaperAccessor::LogCurrent() {
  if (GCustomMediaSize* current = Current()) session_->LogChange(current, std::unique_ptr<GChangePath>());
}

void GCustomPaperAccessor::PutCurrent(GCustomMediaSize* record) {
  if (session_ == nullptr) {
    delete record;
    return;
  }
  delete session_->TakeUIStateAttribute(kCustomSizeTemplate);
  record->SetFeatureId(kCustomSizeTemplate);
  session_->AddUIStateAttribute(record);
}

// ---- Limits and unit ----

int GCustomPaperAccessor::IsTrayInstalled(int16_t trayId) const {
  int found = 0;
  GSettingQuery::ForEachChild(GSettingQuery::Find(session_->GetModel(), kPaperHandlingDevices),
                              [&](MPersistentObject* child) {
                                auto* device = dynamic_cast<GPaperHandlingDevice*>(child);
                                if (device == nullptr || (device->IsInstallable() != 0 && device->IsInstalled() == 0))
                                  return true;
                                GSettingQuery::ForEachChild(device, [&](MPersistentObject* item) {
                                  auto* tray = dynamic_cast<GTray*>(item);
                                  if (tray != nullptr && tray->GetTrayNumber() == trayId) found = 1;
                                  return found == 0;
                                });
                                return found == 0;
                              });
  return found;
}

void GCustomPaperAccessor::LoadLimits() {
  if (session_ == nullptr) return;
  int16_t largest = kLargestPaper;
  int16_t smallest = kSmallestPaper;
  int16_t tray = kDefaultLimitTray;
  if (GSettingQuery::ShortAt(session_->GetSettings(), kCustomSizeLimitTray, &tray) && IsTrayInstalled(tray) == 0) {
    largest = kLargestWithoutTray;
    smallest = kSmallestWithoutTray;
  }
  GCustomMediaSize record;
  SetSizeFromPaper(&record, largest);
  record.GetSize(maxSize_);
  record = GCustomMediaSize();
  SetSizeFromPaper(&record, smallest);
  record.GetSize(minSize_);
  limitsUnit_ = GCustomMediaSize::kHundredthInch;
}

int32_t GCustomPaperAccessor::GetUnit() {
  int32_t unit = GCustomMediaSize::kMicrometre;
  switch (ReadValue(&kMeasurementSystem)) {
    case 1:
      unit = GCustomMediaSize::kHundredthInch;
      break;
    case 2:
      unit = GCustomMediaSize::kMicrometre;
      break;
    default:
      unit = GPaperSizeAccessor::LocaleUsesInches() ? GCustomMediaSize::kHundredthInch : GCustomMediaSize::kMicrometre;
      break;
  }
  SetUnit(unit);
  return unit;
}

void GCustomPaperAccessor::SetUnit(int32_t unit) {
  if (unit < GCustomMediaSize::kHundredthInch || unit > GCustomMediaSize::kMicrometre || session_ == nullptr) return;
  if (GCustomMediaSize* current = Current(); current != nullptr && current->GetUnit() != unit) {
    LogCurrent();
    current->ConvertToUnit(unit);
  }
  ConvertPair(&minSize_, limitsUnit_, unit);
  ConvertPair(&maxSize_, limitsUnit_, unit);
  limitsUnit_ = unit;
  GSettingQuery::ForEachChild(GetCustomPaperList(), [&](MPersistentObject* entry) {
    if (auto* paper = dynamic_cast<GCustomMediaSize*>(entry)) paper->ConvertToUnit(unit);
    return true;
  });
  session_->GetSettingsView().SetInt(&kMeasurementSystem, unit != GCustomMediaSize::kHundredthInch ? 2 : 1);
}

// ---- The edited paper ----

uint32_t GCustomPaperAccessor::GetCurrentWidth() {
  GCustomMediaSize::Pair size;
  if (GCustomMediaSize* current = Current()) current->GetSize(size);
  return size.width;
}

uint32_t GCustomPaperAccessor::GetCurrentHeight() {
  GCustomMediaSize::Pair size;
  if (GCustomMediaSize* current = Current()) current->GetSize(size);
  return size.height;
}

void GCustomPaperAccessor::SetCurrentWidth(uint32_t width) {
  GCustomMediaSize* current = Current();
  if (current == nullptr || GetCurrentWidth() == width) return;
  LogCurrent();
  current->SetSize(width, GetCurrentHeight());
}

void GCustomPaperAccessor::SetCurrentHeight(uint32_t height) {
  GCustomMediaSize* current = Current();
  if (current == nullptr || GetCurrentHeight() == height) return;
  LogCurrent();
  current->SetSize(GetCurrentWidth(), height);
}

RWCString GCustomPaperAccessor::GetCurrentName() {
  GCustomMediaSize* current = Current();
  return current != nullptr ? current->GetName() : RWCString();
}

void GCustomPaperAccessor::SetCurrentName(const RWCString& name) {
  GCustomMediaSize* current = Current();
  if (current == nullptr || current->GetName() == name) return;
  LogCurrent();
  current->SetName(name);
}

int16_t GCustomPaperAccessor::GetCurrentPaperId() {
  GCustomMediaSize* current = Current();
  return current != nullptr ? current->GetPaperId() : 0;
}

// ---- The saved papers ----

int GCustomPaperAccessor::NextPaper(RWCString* name, int16_t* paperId) {
  GAttributeComposite* list = GetCustomPaperList();
  while (list != nullptr && next_ < static_cast<size_t>(list->GetEntryCount())) {
    auto* paper = dynamic_cast<GCustomMediaSize*>(list->ChildAt(next_++));
    if (paper == nullptr) continue;
    if (name != nullptr) *name = paper->GetName();
    if (paperId != nullptr) *paperId = paper->GetPaperId();
    return 1;
  }
  return 0;
}

GCustomMediaSize* GCustomPaperAccessor::FindByName(const RWCString& name) const {
  GCustomMediaSize* found = nullptr;
  GSettingQuery::ForEachChild(GetCustomPaperList(), [&](MPersistentObject* entry) {
    auto* paper = dynamic_cast<GCustomMediaSize*>(entry);
    if (paper != nullptr && paper->GetName().Compare(name, 1) == 0) found = paper;
    return found == nullptr;
  });
  return found;
}

GCustomMediaSize* GCustomPaperAccessor::FindByPaperId(int16_t paperId) const {
  GCustomMediaSize* found = nullptr;
  GSettingQuery::ForEachChild(GetCustomPaperList(), [&](MPersistentObject* entry) {
    auto* paper = dynamic_cast<GCustomMediaSize*>(entry);
    if (paper != nullptr && paper->GetPaperId() == paperId) found = paper;
    return found == nullptr;
  });
  return found;
}

int GCustomPaperAccessor::CurrentExists() { return FindByName(GetCurrentName()) != nullptr ? 1 : 0; }

int GCustomPaperAccessor::IsBuiltInFormName() {
  GCustomMediaSize* current = Current();
  return current != nullptr && session_->IsBuiltInFormName(current) != 0 ? 1 : 0;
}

int GCustomPaperAccessor::EnumerateStandardPapers(FormNameCallback callback, void* context) {
  return session_ != nullptr ? session_->EnumerateForms(callback, context, 0) : 0;
}

int GCustomPaperAccessor::IsCustomButtonEnabled() {
  return ReadValue(&GRuleKeys::kCustomPaperSize.availability) == 0 ? 1 : 0;
}

void GCustomPaperAccessor::SetSizeFromPaper(GCustomMediaSize* record, int16_t paperId) {
  if (record == nullptr || session_ == nullptr) return;
  const int32_t unit = record->GetUnit();
  record->ConvertToUnit(GCustomMediaSize::kHundredthInch);
  const int16_t resolution = GSettingQuery::ShortOr(session_->GetSettings(), kXResolution, 600);
  const GMedia* medium = session_->GetModelView().FindMediaForResolution(paperId, 0, resolution);
  // A medium without a resolution measures nothing.
  if (medium != nullptr && medium->GetXResolution() != 0 && medium->GetYResolution() != 0) {
    const double width = static_cast<double>(medium->GetSize()->x) / medium->GetXResolution() * 100 + 0.5;
    const double height = static_cast<double>(medium->GetSize()->y) / medium->GetYResolution() * 100 + 0.5;
    record->SetSize(width > 0 ? static_cast<uint32_t>(width) : 0, height > 0 ? static_cast<uint32_t>(height) : 0);
  }
  record->ConvertToUnit(unit);
}

void GCustomPaperAccessor::LoadCurrent(int16_t paperId) {
  if (session_ == nullptr) return;
  LogCurrent();
  GCustomMediaSize* record = nullptr;
  if (IsStandardPaper(paperId)) {
    record = new GCustomMediaSize(0, RWCString(""), GCustomMediaSize::kHundredthInch, 0, 0, &kCustomSizeTemplate);
    SetSizeFromPaper(record, paperId);
  } else if (GetCustomPaperList() != nullptr) {
    if (GCustomMediaSize* saved = FindByPaperId(paperId)) {
      record = new GCustomMediaSize(*saved);
    } else {
      record = new GCustomMediaSize(0, RWCString(""), GCustomMediaSize::kHundredthInch, 0, 0, &kCustomSizeTemplate);
      SetSizeFromPaper(record, 1);
    }
  }
  if (record != nullptr) {
    PutCurrent(record);
  } else {
    delete session_->TakeUIStateAttribute(kCustomSizeTemplate);
  }
}

int GCustomPaperAccessor::SaveCurrent() {
  GCustomMediaSize* current = Current();
  GAttributeComposite* list = GetCustomPaperList();
  if (current == nullptr || list == nullptr) return 0;
  GCustomMediaSize::Pair size;
  current->GetSize(size);
  // Custom papers are stored in portrait order.
  if (size.height < size.width) {
    LogCurrent();
    current->SetSize(size.height, size.width);
  }
  LogCurrent();
  auto* record = dynamic_cast<GCustomMediaSize*>(session_->TakeUIStateAttribute(kCustomSizeTemplate));
  session_->LogChange(list, std::unique_ptr<GChangePath>());
  record->SetFeatureId(0);
  const int result = session_->AddCustomPaper(record, list);
  if (result == 1) {
    // The host files the record in the list (or leaves it to us).
    bool filed = false;
    for (size_t i = 0; i < static_cast<size_t>(list->GetEntryCount()); ++i) filed = filed || list->ChildAt(i) == record;
    auto* copy = new GCustomMediaSize(*record);
    if (!filed) delete record;
    PutCurrent(copy);
  } else {
    PutCurrent(record);
  }
  return result;
}

void GCustomPaperAccessor::DeleteCurrent() {
  if (session_ == nullptr) return;
  GCustomMediaSize* saved = FindByName(GetCurrentName());
  GAttributeComposite* list = GetCustomPaperList();
  if (saved == nullptr || list == nullptr) return;
  GAttributeComposite* reference = session_->GetReferenceSettings();
  const int16_t referencePaper = GSettingQuery::ShortOr(reference, kPaperSize, 1);
  if (saved->GetPaperId() == ReadValue(&kPaperSize)) SetValue(referencePaper);
  if (saved->GetPaperId() == ReadValue(&kTargetSizeChoice))
    session_->GetSettingsView().SetInt(&kTargetSizeChoice, referencePaper);
  session_->LogChange(list, std::unique_ptr<GChangePath>());
  const int16_t paper = ReadValue(&kPaperSize);
  if (IsStandardPaper(paper)) {
    session_->DeleteCustomPaper(saved, list);
    return;
  }
  // Deleting a form renumbers the custom papers: the current one is found
  // again by its name.
  GCustomMediaSize* currentPaper = FindByPaperId(paper);
  const RWCString name = currentPaper != nullptr ? currentPaper->GetName() : RWCString();
  session_->DeleteCustomPaper(saved, list);
  if (GCustomMediaSize* again = FindByName(name)) SetValue(again->GetPaperId());
}
