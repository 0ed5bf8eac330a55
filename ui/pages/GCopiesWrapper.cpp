#include "ui/pages/GCopiesWrapper.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "model/GFeatureIds.h"
#include "ui/framework/GAboutFeature.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "win32/Dialog.h"
#include "win32/Window.h"

using namespace GFeatureIds;

namespace {

constexpr int kCopiesReadLimit = 15;

bool IsPortrait(int angle) { return angle == 0 || angle == 180; }

}  // namespace

// ---- Copies ----

GCopiesAccessor::GCopiesAccessor(GUISession* session) : GRangeFeatureAccessor(session, &kCopies, &kCopiesRange) {}

GCopiesWrapper::GCopiesWrapper(GCopiesAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table),
      maximum_(accessor != nullptr ? accessor->GetMaximum() : 0),
      minimum_(accessor != nullptr ? accessor->GetMinimum() : 0),
      step_(accessor != nullptr ? accessor->GetStep() : 0) {}

GCopiesAccessor* GCopiesWrapper::Copies() const { return static_cast<GCopiesAccessor*>(GetAccessor()); }

int16_t GCopiesWrapper::Clamp(int64_t value) const {
  return static_cast<int16_t>(std::clamp<int64_t>(value, minimum_, std::max(minimum_, maximum_)));
}

void GCopiesWrapper::OnAttach() {
  HWND arrows = GetControl(1);
  if (arrows == nullptr || Copies() == nullptr) return;
  SendMessageW(arrows, UDM_SETRANGE, 0, MAKELPARAM(maximum_, minimum_));
  SendMessageW(arrows, UDM_SETPOS, 0, MAKELPARAM(Copies()->GetRangeValue(), 0));
}

void GCopiesWrapper::SetControlFromFeature(int force) {
  if (Copies() == nullptr || dialog_ == nullptr || (force == 0 && Copies()->HasChanged() == 0)) return;
  const int16_t copies = Copies()->GetValue();
  char text[16];
  std::snprintf(text, sizeof text, "%d", copies);
  SetDlgItemTextIfChanged(dialog_, GetControlId(0), RWWString(text).Data());
  ShowControl(2, copies == 1 ? 1 : 0);
  ShowControl(3, copies == 1 ? 0 : 1);
}

void GCopiesWrapper::ReadControlIntoFeature() {
  int64_t value = 0;
  if (Copies() == nullptr || dialog_ == nullptr || ReadDlgItemNumber(dialog_, GetControlId(0), kCopiesReadLimit, &value) == 0) return;
  Copies()->SetValue(Clamp(value));
}

void GCopiesWrapper::RefreshAvailability() {
  if (Copies() != nullptr) ApplyAvailability(Copies()->GetAvailability());
}

void GCopiesWrapper::Step(int delta) {
  if (Copies() == nullptr) return;
  ReadControlIntoFeature();
  Copies()->SetValue(Clamp(static_cast<int64_t>(Copies()->GetValue()) + delta));
  SetControlFromFeature(1);
}

int GCopiesWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsPageLeaving(message, lParam) != 0) {
    ReadControlIntoFeature();
    return 1;
  }
  if (const NMUPDOWN* change = UpDownChange(message, lParam, 1)) {
    Step(change->iDelta >= 1 ? step_ : -step_);
    return 1;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == GetControlId(0) && HIWORD(wParam) == EN_KILLFOCUS) {
    ReadControlIntoFeature();
    // Unreadable text gives way to the stored value again.
    SetControlFromFeature(1);
    return 1;
  }
  if (message == WM_VSCROLL) SendMessageW(GetControl(0), EM_SETSEL, 0, 0);
  return 0;
}

// ---- Orientation ----

GOrientationAccessor::GOrientationAccessor(GUISession* session) : GKeyedFeatureAccessor(session, &kOrientation) {}

int16_t GOrientationAccessor::GetAvailability() { return 0; }

int GOrientationAccessor::IsOrientationAvailable(int16_t angle) {
  if (session_ == nullptr) return 0;
  const int16_t resolution = session_->GetUniformResolution();
  return session_->GetModelView().FindMediaForResolution(ReadValue(&kPaperSize), angle, resolution) != nullptr ? 1 : 0;
}

void GOrientationAccessor::SwapDuplexEdge() {
  if (session_ == nullptr) return;
  const int16_t duplex = ReadValue(&kDuplex);
  if (duplex != 1 && duplex != 2) return;
  session_->GetSettingsView().SetInt(&kDuplex, static_cast<int16_t>(3 - duplex));
}

GOrientationWrapper::GOrientationWrapper(GOrientationAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table) {}

GOrientationAccessor* GOrientationWrapper::Orientation() const {
  return static_cast<GOrientationAccessor*>(GetAccessor());
}

void GOrientationWrapper::ReadControlIntoFeature() {
  if (Orientation() == nullptr || dialog_ == nullptr) return;
  const int16_t before = Orientation()->GetValue();
  const bool rotated = IsDlgButtonChecked(dialog_, GetControlId(2)) == BST_CHECKED;
  int16_t after = before;
  if (IsDlgButtonChecked(dialog_, GetControlId(1)) == BST_CHECKED) {
    after = rotated ? 270 : 90;
  } else if (IsDlgButtonChecked(dialog_, GetControlId(0)) == BST_CHECKED) {
    after = rotated && Orientation()->IsOrientationAvailable(180) != 0 ? 180 : 0;
  }
  // Turning between portrait and landscape starts unrotated.
  if (before == 270 && after == 180) after = 0;
  if (before == 180 && after == 270) after = 90;
  if (after == before) return;
  Orientation()->SetValue(after);
  if (IsPortrait(before) != IsPortrait(after)) Orientation()->SwapDuplexEdge();
}

void GOrientationWrapper::SetControlFromFeature(int force) {
  if (Orientation() == nullptr || dialog_ == nullptr || (force == 0 && Orientation()->HasChanged() == 0)) return;
  const int16_t angle = Orientation()->GetValue();
  const int portrait = GetControlId(0);
  const int landscape = GetControlId(1);
  const int rotate = GetControlId(2);
  if (Orientation()->IsOrientationAvailable(180) != 0) {
    CheckDlgButton(dialog_, portrait, IsPortrait(angle) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog_, landscape, IsPortrait(angle) ? BST_UNCHECKED : BST_CHECKED);
    CheckDlgButton(dialog_, rotate, angle == 180 || angle == 270 ? BST_CHECKED : BST_UNCHECKED);
    EnableControl(2, 1);
  } else if (angle == 0) {
    CheckDlgButton(dialog_, portrait, BST_CHECKED);
    CheckDlgButton(dialog_, landscape, BST_UNCHECKED);
    CheckDlgButton(dialog_, rotate, BST_UNCHECKED);
    EnableControl(2, 0);
  } else {
    CheckDlgButton(dialog_, portrait, BST_UNCHECKED);
    CheckDlgButton(dialog_, landscape, BST_CHECKED);
    EnableControl(2, 1);
    CheckDlgButton(dialog_, rotate, angle == 270 ? BST_CHECKED : BST_UNCHECKED);
  }
}

int GOrientationWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND || dialog_ == nullptr || HIWORD(wParam) != BN_CLICKED) return 0;
  const int id = LOWORD(wParam);
  if (id == GetControlId(0) || id == GetControlId(1)) {
    CheckDlgButton(dialog_, GetControlId(0), id == GetControlId(0) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog_, GetControlId(1), id == GetControlId(1) ? BST_CHECKED : BST_UNCHECKED);
  } else if (id != GetControlId(2)) {
    return 0;
  }
  ReadControlIntoFeature();
  return 1;
}

void GOrientationWrapper::RefreshAvailability() {
  if (Orientation() != nullptr) ApplyAvailability(Orientation()->GetAvailability());
}

// ---- About link ----

GAboutLinkWrapper::GAboutLinkWrapper(GAboutFeature* about, const GControlRow* table) : GWrapper(about, table) {}

void GAboutLinkWrapper::SetControlFromFeature(int) {}

void GAboutLinkWrapper::ReadControlIntoFeature() {}

void GAboutLinkWrapper::RefreshAvailability() {}

int GAboutLinkWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND || LOWORD(wParam) != GetControlId(0) || HIWORD(wParam) != BN_CLICKED) return 0;
  if (auto* about = static_cast<GAboutFeature*>(GetAccessor())) about->ShowAboutBox(dialog_, kAboutBox);
  // The focus stays with the link: the about box is modal over the page.
  return 0;
}
