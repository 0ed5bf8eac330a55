#include "ui/pages/GPSOptionsWrapper.h"

#include "driver/GDriverInstance.h"
#include "model/GFeatureIds.h"
#include "ui/framework/GModalDialog.h"
#include "ui/framework/GFeatureTipAccessor.h"
#include "ui/framework/GFeatureTipWrapper.h"
#include "ui/framework/GRuleCatalogue.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "ui/pages/DisplayStringText.h"
#include "win32/Dialog.h"

namespace {

using namespace GFeatureIds;

constexpr int kType42Name = 13501;
constexpr int kBitmapsName = 13502;
constexpr int kOutlinesName = 13503;
constexpr int kFasterName = 13508;
constexpr int kPortableName = 13509;
constexpr int32_t kAdvancedFeatures[] = {kPsLeadingControlD, kPsTrailingControlD, kPjlJobCommands, kPsAscii85,
                                         kPsErrorHandler};
constexpr int16_t kPjlJobCommandsRow = 2;

bool IsCheckCommand(UINT message, WPARAM wParam, int id) {
  return message == WM_COMMAND && LOWORD(wParam) == id && HIWORD(wParam) == BN_CLICKED;
}

int16_t CheckedValue(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0; }

void Check(HWND dialog, int id, int16_t value) { CheckDlgButton(dialog, id, value == 1 ? BST_CHECKED : BST_UNCHECKED); }

int SettingChanged(GUISession* session, int32_t id) {
  return session != nullptr && session->GetSettingsView().HasChanged(&id) != 0 ? 1 : 0;
}

void WriteSetting(GUISession* session, int32_t id, int16_t value) {
  if (session != nullptr) session->GetSettingsView().SetInt(&id, value);
}

}  // namespace

// ---- Fonts ----

GPSFontOptionsAccessor::GPSFontOptionsAccessor(GUISession* session) : GFeatureAccessor(session) {
  GDriverInstance* host = session != nullptr ? session->GetHost() : nullptr;
  bitmapsRequired_ = host != nullptr && host->IsTrueTypeBitmapRequired() != 0 ? 1 : 0;
}

void GPSFontOptionsAccessor::SetTrueTypeFormat(int16_t value) {
  WriteSetting(session_, kTrueTypeDownloadChoice, value);
  WriteSetting(session_, kTTAsBitmapSetting, value == kBitmaps || bitmapsRequired_ != 0 ? 1 : 0);
}

int16_t GPSFontOptionsAccessor::GetTrueTypeFormat() {
  return bitmapsRequired_ != 0 ? kBitmaps : ReadValue(&kTrueTypeDownloadChoice);
}

int16_t GPSFontOptionsAccessor::GetSubstitution() { return ReadValue(&kSecondFontChoice); }

void GPSFontOptionsAccessor::SetSubstitution(int16_t value) { WriteSetting(session_, kSecondFontChoice, value); }

int GPSFontOptionsAccessor::HasChanged() {
  return SettingChanged(session_, kTrueTypeDownloadChoice) || SettingChanged(session_, kSecondFontChoice) ||
         SettingChanged(session_, kPsLevel2Fonts);
}

GPSFontOptionsWrapper::GPSFontOptionsWrapper(GPSFontOptionsAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table) {}

void GPSFontOptionsWrapper::OnAttach() {
  formats_.Attach(dialog_, static_cast<int16_t>(GetControlId(1)));
  substitutions_.Attach(dialog_, static_cast<int16_t>(GetControlId(3)));
  if (Fonts() == nullptr) return;
  const RWWString outlines = UIStringOrEmpty(kOutlinesName);
  if (outlines.Length() == 0) Fonts()->SetTrueTypeFormat(GPSFontOptionsAccessor::kBitmaps);
  formats_.ResetContent();
  if (Fonts()->BitmapsRequired() == 0) {
    if (outlines.Length() != 0) formats_.AddStringWithData(outlines, GPSFontOptionsAccessor::kOutlines);
    const RWWString type42 = UIStringOrEmpty(kType42Name);
    if (type42.Length() != 0) formats_.AddStringWithData(type42, GPSFontOptionsAccessor::kType42);
  }
  formats_.AddStringWithData(UIStringOrEmpty(kBitmapsName), GPSFontOptionsAccessor::kBitmaps);
  substitutions_.ResetContent();
  for (int16_t value : {0, 2, 1}) substitutions_.AddStringWithData(UIStringOrEmpty(13504 + value), value);
}

int GPSFontOptionsWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && Fonts() != nullptr) {
    if (LOWORD(wParam) == GetControlId(1)) {
      const int selected = formats_.GetSelectedItemData();
      const int16_t fallback = UIStringOrEmpty(kOutlinesName).Length() != 0 ? GPSFontOptionsAccessor::kOutlines
                                                                            : GPSFontOptionsAccessor::kBitmaps;
      Fonts()->SetTrueTypeFormat(selected >= 0 ? static_cast<int16_t>(selected) : fallback);
      return 1;
    }
    if (LOWORD(wParam) == GetControlId(3)) {
      const int selected = substitutions_.GetSelectedItemData();
      Fonts()->SetSubstitution(static_cast<int16_t>(selected >= 0 ? selected : 0));
      return 1;
    }
    // The Level 2 fonts box is shown only; nothing reads it.
    if (LOWORD(wParam) == GetControlId(4)) return 0;
  }
  return GWrapper::OnMessage(message, wParam, lParam);
}

void GPSFontOptionsWrapper::SetControlFromFeature(int force) {
  if (Fonts() == nullptr || (force == 0 && Fonts()->HasChanged() == 0)) return;
  formats_.SelectByItemData(Fonts()->GetTrueTypeFormat());
  substitutions_.SelectByItemData(Fonts()->GetSubstitution());
}

void GPSFontOptionsWrapper::RefreshAvailability() {
  if (Fonts() != nullptr) ApplyAvailability(Fonts()->GetAvailability());
}

// ---- Output options ----

void GPSOptionsAccessor::Set(int32_t id, int16_t value) { WriteSetting(session_, id, value); }

int GPSOptionsAccessor::HasChanged() {
  return SettingChanged(session_, kPsBinaryTransferOff) || SettingChanged(session_, kPsMirror) ||
         SettingChanged(session_, kPsNegative);
}

GPSOptionsWrapper::GPSOptionsWrapper(GPSOptionsAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table) {}

void GPSOptionsWrapper::OnAttach() {
  optimize_.Attach(dialog_, static_cast<int16_t>(GetControlId(1)));
  optimize_.ResetContent();
  optimize_.AddStringWithData(UIStringOrEmpty(kFasterName), 0);
  optimize_.AddStringWithData(UIStringOrEmpty(kPortableName), 1);
}

int GPSOptionsWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && Options() != nullptr) {
    if (LOWORD(wParam) == GetControlId(1)) {
      const int selected = optimize_.GetSelectedItemData();
      Options()->Set(kPsBinaryTransferOff, static_cast<int16_t>(selected >= 0 ? selected : 0));
      return 1;
    }
    if (IsCheckCommand(message, wParam, GetControlId(2))) {
      Options()->Set(kPsMirror, CheckedValue(dialog_, GetControlId(2)));
      return 1;
    }
    if (IsCheckCommand(message, wParam, GetControlId(3))) {
      Options()->Set(kPsNegative, CheckedValue(dialog_, GetControlId(3)));
      return 1;
    }
  }
  return GWrapper::OnMessage(message, wParam, lParam);
}

void GPSOptionsWrapper::SetControlFromFeature(int force) {
  if (Options() == nullptr || (force == 0 && Options()->HasChanged() == 0)) return;
  optimize_.SelectByItemData(Options()->Get(kPsBinaryTransferOff));
  Check(dialog_, GetControlId(2), Options()->Get(kPsMirror));
  Check(dialog_, GetControlId(3), Options()->Get(kPsNegative));
}

void GPSOptionsWrapper::RefreshAvailability() {
  if (Options() != nullptr) ApplyAvailability(Options()->GetAvailability());
}

// ---- Advanced PS ----

int16_t GPSAdvancedAccessor::GetAvailability() { return ReadValue(&GRuleKeys::kPJLJobCommands.availability); }

int GPSAdvancedAccessor::HasChanged() {
  for (int32_t id : kAdvancedFeatures) {
    if (SettingChanged(session_, id) != 0) return 1;
  }
  return 0;
}

GPSAdvancedWrapper::GPSAdvancedWrapper(GPSAdvancedAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table) {}

void GPSAdvancedWrapper::SetControlFromFeature(int force) {
  if (Advanced() == nullptr || (force == 0 && Advanced()->HasChanged() == 0)) return;
  for (int16_t row = 0; row < 5; ++row) Check(dialog_, GetControlId(row), Advanced()->Get(kAdvancedFeatures[row]));
}

void GPSAdvancedWrapper::ReadControlIntoFeature() {
  if (Advanced() == nullptr) return;
  for (int16_t row = 0; row < 5; ++row) Advanced()->Set(kAdvancedFeatures[row], CheckedValue(dialog_, GetControlId(row)));
}

void GPSAdvancedWrapper::RefreshAvailability() {
  if (Advanced() == nullptr) return;
  ApplyAvailability(0);
  // Only the PJL job commands follow the rule.
  EnableControl(kPjlJobCommandsRow, Advanced()->GetAvailability() == 1 ? 0 : 1);
}

int GPSAdvancedButtonWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  if (!IsCheckCommand(message, wParam, GetControlId(0)) || accessor_ == nullptr) return 0;
  GUISession* session = accessor_->GetSession();
  GModalDialog dialog(kDialog, session, 0, kDialogHelp);
  static const GControlRow kTip[] = {{6707, -1}, {0, 0}};
  static const GControlRow kOptions[] = {{6704, 813}, {6705, 814}, {6706, 815}, {6701, 810}, {6702, 811}, {0, 0}};
  dialog.AddWrapper(new GFeatureTipWrapper(new GFeatureTipAccessor(session, &GRuleKeys::kPJLJobCommands.availability,
                                                                   &GRuleKeys::kPJLJobCommands.reason),
                                           kTip, 0));
  dialog.AddWrapper(new GPSAdvancedWrapper(new GPSAdvancedAccessor(session), kOptions));
  return dialog.DoModal(dialog_, 1) == GModalDialog::kOk ? 1 : 0;
}

// ---- Debugging boxes ----

void GPSDebugCheckWrapper::SetControlFromFeature(int force) {
  auto* keyed = static_cast<GKeyedFeatureAccessor*>(accessor_);
  if (keyed == nullptr || (force == 0 && keyed->HasChanged() == 0)) return;
  Check(dialog_, GetControlId(0), keyed->GetValue());
}

void GPSDebugCheckWrapper::ReadControlIntoFeature() {
  auto* keyed = static_cast<GKeyedFeatureAccessor*>(accessor_);
  if (keyed != nullptr) keyed->SetValue(CheckedValue(dialog_, GetControlId(0)));
}

void GPSDebugCheckWrapper::RefreshAvailability() {
  if (accessor_ != nullptr) ApplyAvailability(accessor_->GetAvailability());
}
