#include "ui/pages/GPagesPerSheetWrapper.h"

#include <cstdio>

#include "model/GFeatureIds.h"
#include "rw/RWCString.h"
#include "ui/framework/GRuleCatalogue.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "win32/Dialog.h"
#include "win32/Window.h"

using namespace GFeatureIds;

namespace {

constexpr int16_t kLayouts[] = {1, 2, 4, 6, 9, 16};
constexpr int kReadLimit = 15;

int16_t UIKey(GUISession* session, int32_t id) {
  int value = 0;
  if (session != nullptr) session->GetUIStateView().GetInt(&id, &value);
  return static_cast<int16_t>(value);
}

}  // namespace

// ---- GPagesPerSheetAccessor ----

GPagesPerSheetAccessor::GPagesPerSheetAccessor(GUISession* session) : GKeyedFeatureAccessor(session, &kNUpChoice) {}

int16_t GPagesPerSheetAccessor::GetAvailability() { return UIKey(session_, GRuleKeys::kPagesPerSheet.availability); }

int GPagesPerSheetAccessor::HasChanged() {
  if (session_ == nullptr) return 0;
  GSettingsView settings = session_->GetSettingsView();
  return settings.HasChanged(&kNUpChoice) || settings.HasChanged(&kNUpBordersChoice) ||
                 settings.HasChanged(&kNUpPageOrderChoice)
             ? 1
             : 0;
}

int16_t GPagesPerSheetAccessor::GetValue() {
  int value = 1;
  if (session_ != nullptr) session_->GetSettingsView().GetInt(&kNUpChoice, &value);
  return static_cast<int16_t>(value);
}

int16_t GPagesPerSheetAccessor::GetBorders() const { return ReadValue(&kNUpBordersChoice); }

void GPagesPerSheetAccessor::SetBorders(int16_t borders) {
  if (session_ != nullptr) session_->GetSettingsView().SetInt(&kNUpBordersChoice, borders);
}

int16_t GPagesPerSheetAccessor::GetOrder() const { return ReadValue(&kNUpPageOrderChoice); }

void GPagesPerSheetAccessor::SetOrder(int16_t order) {
  if (session_ != nullptr) session_->GetSettingsView().SetInt(&kNUpPageOrderChoice, order);
}

std::vector<int16_t> GPagesPerSheetAccessor::ListOrders() {
  RWWString text;
  LoadUIString(11051, &text);
  const bool four = text.Length() > 0 && text.Data()[0] > u'2' && text.Data()[0] <= u'9';
  return four ? std::vector<int16_t>{0, 1, 2, 3} : std::vector<int16_t>{0, 1};
}

// ---- GPagesPerSheetWrapper ----

GPagesPerSheetWrapper::GPagesPerSheetWrapper(GPagesPerSheetAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table) {}

GPagesPerSheetAccessor* GPagesPerSheetWrapper::Pages() const {
  return static_cast<GPagesPerSheetAccessor*>(GetAccessor());
}

int16_t GPagesPerSheetWrapper::SnapToValid(int64_t n) {
  for (int16_t layout : kLayouts) {
    if (n == layout) return layout;
  }
  if (n <= 0) return 1;
  if (n < 4) return 4;
  if (n < 8) return 6;
  if (n > 12) return 16;
  return 9;
}

int16_t GPagesPerSheetWrapper::NextValue(int16_t value, bool up) {
  constexpr int count = sizeof(kLayouts) / sizeof(kLayouts[0]);
  for (int i = 0; i < count; ++i) {
    if (kLayouts[i] != value) continue;
    return kLayouts[up ? (i + 1) % count : (i + count - 1) % count];
  }
  return value;
}

void GPagesPerSheetWrapper::OnAttach() {
  if (HWND arrows = GetControl(1)) {
    SendMessageW(arrows, UDM_SETRANGE, 0, MAKELPARAM(16, 1));
    SendMessageW(arrows, UDM_SETPOS, 0, MAKELPARAM(1, 0));
  }
  orders_.Attach(dialog_, static_cast<int16_t>(GetControlId(5)));
  orders_.ResetContent();
  for (int16_t order : GPagesPerSheetAccessor::ListOrders()) {
    RWWString label;
    if (LoadUIString(11047 + order, &label) != 0) orders_.AddStringWithData(label, order);
  }
}

void GPagesPerSheetWrapper::EnableDetails(bool enable) {
  EnableControl(3, enable ? 1 : 0);
  EnableControl(4, enable ? 1 : 0);
  EnableControl(5, enable ? 1 : 0);
}

void GPagesPerSheetWrapper::SetControlFromFeature(int force) {
  if (Pages() == nullptr || dialog_ == nullptr || (force == 0 && Pages()->HasChanged() == 0)) return;
  const int16_t value = Pages()->GetValue();
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  SetDlgItemTextIfChanged(dialog_, GetControlId(0), RWWString(text).Data());
  if (value == 1) {
    CheckDlgButton(dialog_, GetControlId(3), BST_UNCHECKED);
    EnableDetails(false);
    if (Pages()->GetOrder() != 0) Pages()->SetOrder(0);
  } else {
    EnableDetails(true);
    CheckDlgButton(dialog_, GetControlId(3), Pages()->GetBorders() == 1 ? BST_CHECKED : BST_UNCHECKED);
  }
  orders_.SelectByItemData(value == 1 ? 0 : Pages()->GetOrder());
}

void GPagesPerSheetWrapper::ReadControlIntoFeature() {
  if (Pages() == nullptr || dialog_ == nullptr) return;
  int64_t typed = 0;
  if (ReadDlgItemNumber(dialog_, GetControlId(0), kReadLimit, &typed) == 0) return;
  Pages()->SetValue(SnapToValid(typed));
  if (typed > 1) {
    Pages()->SetBorders(IsDlgButtonChecked(dialog_, GetControlId(3)) == BST_CHECKED ? 1 : 0);
    Pages()->SetOrder(static_cast<int16_t>(orders_.GetCurSel() >= 0 ? orders_.GetSelectedItemData() : 0));
  }
}

void GPagesPerSheetWrapper::Step(bool up) {
  if (Pages() == nullptr) return;
  ReadControlIntoFeature();
  Pages()->SetValue(NextValue(Pages()->GetValue(), up));
  SetControlFromFeature(1);
}

void GPagesPerSheetWrapper::RefreshAvailability() {
  if (Pages() == nullptr) return;
  const int16_t availability = Pages()->GetAvailability();
  ApplyAvailability(availability);
  if (availability == 0) EnableDetails(Pages()->GetValue() != 1);
}

int GPagesPerSheetWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsPageLeaving(message, lParam) != 0) {
    ReadControlIntoFeature();
    return 1;
  }
  if (const NMUPDOWN* change = UpDownChange(message, lParam, 1)) {
    Step(change->iDelta > 0);
    return 1;
  }
  if (message == WM_VSCROLL) {
    SendMessageW(GetControl(0), EM_SETSEL, 0, 0);
    return 0;
  }
  if (message != WM_COMMAND) return 0;
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (id == GetControlId(0)) {
    if (code == EN_CHANGE) {
      ReadControlIntoFeature();
      return 1;
    }
    if (code == EN_KILLFOCUS) {
      ReadControlIntoFeature();
      SetControlFromFeature(1);
      return 1;
    }
    return 0;
  }
  if (id == GetControlId(3) || id == GetControlId(5)) {
    if (code == BN_DOUBLECLICKED) {
      int64_t typed = 0;
      if (ReadDlgItemNumber(dialog_, GetControlId(0), kReadLimit, &typed) != 0 && typed == 1) EnableDetails(false);
      return 0;
    }
    if (code < 2) {
      ReadControlIntoFeature();
      return 1;
    }
  }
  return 0;
}

// ---- The check boxes ----

GFeatureCheckWrapper::GFeatureCheckWrapper(GUISession* session, int32_t featureId, int32_t availabilityKey,
                                           const GControlRow* table)
    : GWrapper(new GKeyedFeatureAccessor(session, &featureId), table), availabilityKey_(availabilityKey) {}

void GFeatureCheckWrapper::SetControlFromFeature(int force) {
  auto* feature = static_cast<GKeyedFeatureAccessor*>(GetAccessor());
  if (feature == nullptr || dialog_ == nullptr || (force == 0 && feature->HasChanged() == 0)) return;
  CheckDlgButton(dialog_, GetControlId(0), feature->GetValue() == 1 ? BST_CHECKED : BST_UNCHECKED);
}

void GFeatureCheckWrapper::ReadControlIntoFeature() {
  auto* feature = static_cast<GKeyedFeatureAccessor*>(GetAccessor());
  if (feature == nullptr || dialog_ == nullptr) return;
  feature->SetValue(IsDlgButtonChecked(dialog_, GetControlId(0)) == BST_CHECKED ? 1 : 0);
}

void GFeatureCheckWrapper::RefreshAvailability() {
  ApplyAvailability(availabilityKey_ != 0 && GetAccessor() != nullptr ? UIKey(GetAccessor()->GetSession(), availabilityKey_)
                                                                      : 0);
}

GStapleWrapper::GStapleWrapper(GUISession* session, const GControlRow* table)
    : GFeatureCheckWrapper(session, kStaplerChoice, GRuleKeys::kStaple.availability, table) {}

GSparetoneWrapper::GSparetoneWrapper(GUISession* session, const GControlRow* table)
    : GFeatureCheckWrapper(session, kSparetone, GRuleKeys::kSparetone.availability, table) {}

GStaplingButtonWrapper::GStaplingButtonWrapper(GUISession* session, const GControlRow* table)
    : GWrapper(new GKeyedFeatureAccessor(session, &kStaplerChoice), table) {}

void GStaplingButtonWrapper::SetControlFromFeature(int) {}

void GStaplingButtonWrapper::ReadControlIntoFeature() {}

void GStaplingButtonWrapper::RefreshAvailability() {
  auto* stapler = static_cast<GKeyedFeatureAccessor*>(GetAccessor());
  GUISession* session = stapler != nullptr ? stapler->GetSession() : nullptr;
  RWCString accessory;
  if (session != nullptr) session->GetSettingsView().GetNarrowString(&kAccessoryOutputBins, &accessory);
  if (accessory != RWCString("K5206")) {
    ApplyAvailability(kHidden);
    return;
  }
  ApplyAvailability(stapler->GetValue() == 1 ? kShownEnabled : kShownDisabled);
}
