#include "ui/pages/GMediaTypeWrapper.h"

#include "model/GAttributeComposite.h"
#include "model/GFeatureIds.h"
#include "model/GFormToTrayDatabase.h"
#include "model/GStringAttribute.h"
#include "model/GStringConversion.h"
#include "model/MPersistentIterator.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "ui/framework/GMediaTypeNames.h"
#include "win32/Dialog.h"
#include "win32/Window.h"

using namespace GFeatureIds;

// ---- GMediaTypeAccessor ----

GMediaTypeAccessor::GMediaTypeAccessor(GUISession* session) : GFeatureAccessor(session) {}

GMediaTypeAccessor::~GMediaTypeAccessor() { delete names_; }

int16_t GMediaTypeAccessor::GetAvailability() { return 0; }

int GMediaTypeAccessor::GetAccess() { return GFeatureAccessor::GetAccess(); }

GFormToTrayDatabase* GMediaTypeAccessor::FindFormToTray() const {
  if (session_ == nullptr) return nullptr;
  return dynamic_cast<GFormToTrayDatabase*>(
      session_->GetSettingsView().FindOfClass(&kFormToTrayDatabase, GSettingsView::kFormToTrayClass));
}

int GMediaTypeAccessor::HasFormToTrayAssignments() const {
  const GFormToTrayDatabase* database = FindFormToTray();
  return database != nullptr && database->HasAssignments() ? 1 : 0;
}

int16_t GMediaTypeAccessor::CurrentPaper() const {
  return ReadValue(&kFitToOtherSizeChoice) != 0 ? ReadValue(&kTargetSizeChoice) : ReadValue(&kPaperSize);
}

int GMediaTypeAccessor::IsMediaAllowed(int16_t id) const {
  const GFormToTrayDatabase* database = FindFormToTray();
  return database != nullptr && database->IsPaperAndMediaAssigned(CurrentPaper(), id) ? 1 : 0;
}

void GMediaTypeAccessor::ResetReportedNames() {
  delete names_;
  names_ = nullptr;
  if (session_ == nullptr) return;
  GAttributeComposite* list = session_->GetSettingsView().FindComposite(&kDiscoveredMediaNames);
  if (list != nullptr) names_ = list->CreateIterator();
}

int GMediaTypeAccessor::NextReportedName(RWWString& out) {
  if (names_ == nullptr) return 0;
  // Members of another class than a string are passed over.
  while (names_->Advance() != 0) {
    const auto* name = dynamic_cast<const GStringAttribute*>(names_->Current());
    if (name == nullptr) continue;
    out = RWWString();
    ToWideString(name->GetString(), out);
    return 1;
  }
  return 0;
}

void GMediaTypeAccessor::GetCurrentText(RWCString& out) const {
  out = RWCString();
  if (session_ == nullptr) return;
  const int32_t feature = ReadValue(&GFeatureIds::kPaperPageTab) == 0 ? kMediaType : kMediaTypeRest;
  session_->GetSettingsView().GetNarrowString(&feature, &out);
  const int16_t id = MediaTypeNameToStringId(out);
  if (id >= kAutoSelectMediaId && id <= kLastTableMediaId) {
    RWWString shown;
    if (LoadUIString(id, &shown) != 0) ToNarrowString(shown, out);
  }
}

void GMediaTypeAccessor::SetMedia(const RWCString& text, int16_t id) {
  if (session_ == nullptr) return;
  RWCString name(text);
  MediaTypeStringIdToName(id, name);
  GSettingsView view = session_->GetSettingsView();
  if (ReadValue(&GFeatureIds::kPaperPageTab) == 0) {
    view.SetNarrowString(&kMediaType, name);
    if (ReadValue(&kUseDiffFirstPageChoice) == 0) view.SetNarrowString(&kMediaTypeRest, name);
  } else {
    view.SetNarrowString(&kMediaTypeRest, name);
  }
}

int GMediaTypeAccessor::Changed(int32_t id) const {
  return session_ != nullptr && session_->GetSettingsView().HasChanged(&id) != 0 ? 1 : 0;
}

int GMediaTypeAccessor::NeedsRefresh() const {
  if (Changed(GFeatureIds::kPaperPageTab) || Changed(kMediaType) || Changed(kMediaTypeRest) || Changed(kUseDiffFirstPageChoice) ||
      Changed(kDiscoveredMediaNames)) {
    return 1;
  }
  return HasFormToTrayAssignments() != 0 && Changed(kPaperSize) ? 1 : 0;
}

// ---- GMediaTypeWrapper ----

GMediaTypeWrapper::GMediaTypeWrapper(GMediaTypeAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table) {}

GMediaTypeWrapper::~GMediaTypeWrapper() = default;

GMediaTypeAccessor* GMediaTypeWrapper::Media() const { return static_cast<GMediaTypeAccessor*>(accessor_); }

void GMediaTypeWrapper::FillList() {
  GMediaTypeAccessor* media = Media();
  combo_.ResetContent();
  if (media == nullptr) return;
  const int assigned = media->HasFormToTrayAssignments();
  for (int16_t id = kAutoSelectMediaId; id <= kLastTableMediaId; ++id) {
    RWWString shown;
    // A type whose name the string table lacks is not offered.
    if (LoadUIString(id, &shown) == 0 || shown.Length() == 0) continue;
    if (assigned == 0 || id == kAutoSelectMediaId || media->IsMediaAllowed(id) != 0) {
      combo_.AddStringWithData(shown, id);
    }
  }
  media->ResetReportedNames();
  RWWString name;
  for (int i = 0; i < kMaxReportedMediaNames && media->NextReportedName(name) != 0; ++i) {
    const auto id = static_cast<int16_t>(kFirstReportedMediaId + i);
    // An empty reported name could not be told from automatic selection.
    if (name.Length() == 0) continue;
    if (assigned == 0 || media->IsMediaAllowed(id) != 0) combo_.AddStringWithData(name, id);
  }
}

void GMediaTypeWrapper::OnAttach() {
  combo_.Attach(dialog_, static_cast<int16_t>(GetControlId(0)));
  FillList();
}

void GMediaTypeWrapper::SetControlFromFeature(int force) {
  GMediaTypeAccessor* media = Media();
  if (media == nullptr) return;
  if (force == 0 && media->NeedsRefresh() == 0) return;
  FillList();
  RWCString current;
  media->GetCurrentText(current);
  combo_.SelectByText(current);
}

void GMediaTypeWrapper::ReadControlIntoFeature() {
  GMediaTypeAccessor* media = Media();
  if (media == nullptr) return;
  RWCString text;
  if (combo_.GetSelectedText(&text) == 0) return;
  const int data = combo_.GetSelectedItemData();
  // Only the ids the list itself gives are stored.
  if (data < kAutoSelectMediaId || data >= kFirstReportedMediaId + kMaxReportedMediaNames ||
      (data > kLastTableMediaId && data < kFirstReportedMediaId)) {
    return;
  }
  media->SetMedia(text, static_cast<int16_t>(data));
}

int GMediaTypeWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return OnComboSelectionChange(message, wParam);
}

void GMediaTypeWrapper::RefreshAvailability() {
  if (accessor_ != nullptr) ApplyAvailability(accessor_->GetAvailability());
}
