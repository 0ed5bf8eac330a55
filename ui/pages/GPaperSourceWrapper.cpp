#include "ui/pages/GPaperSourceWrapper.h"

#include <vector>

#include "model/GFeatureIds.h"
#include "ui/framework/GTimedModalDialog.h"
#include "ui/framework/UIResources.h"
#include "win32/Dialog.h"

GPaperSourceWrapper::GPaperSourceWrapper(GPaperSourceAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table) {}

GPaperSourceWrapper::~GPaperSourceWrapper() = default;

GPaperSourceAccessor* GPaperSourceWrapper::Sources() const { return static_cast<GPaperSourceAccessor*>(accessor_); }

void GPaperSourceWrapper::FillList() {
  combo_.ResetContent();
  GPaperSourceAccessor* sources = Sources();
  if (sources == nullptr) return;
  std::vector<int16_t> ids;
  std::vector<RWWString> names;
  sources->EnumerateSources(&ids, &names);
  for (size_t i = 0; i < ids.size() && i < names.size(); ++i) combo_.AddStringWithData(names[i], ids[i]);
  if (sources->ReadValue(&GFeatureIds::kMediaTypesInSourceList) == 1) {
    for (int16_t id = GPaperSourceAccessor::kFirstListedType; id <= GPaperSourceAccessor::kLastListedType; ++id) {
      RWWString name;
      if (LoadUIString(id, &name) != 0 && name.Length() != 0) combo_.AddStringWithData(name, id);
    }
  }
}

void GPaperSourceWrapper::OnAttach() {
  combo_.Attach(dialog_, static_cast<int16_t>(GetControlId(0)));
  FillList();
}

void GPaperSourceWrapper::SetControlFromFeature(int) {
  if (Sources() == nullptr) return;
  FillList();
  combo_.SelectByItemData(Sources()->GetValue());
}

void GPaperSourceWrapper::ReadControlIntoFeature() {
  if (Sources() == nullptr) return;
  // Nothing selected stores the automatic source.
  const int16_t index = combo_.GetCurSel();
  Sources()->SetValue(index >= 0 ? static_cast<int16_t>(combo_.GetItemData(index)) : GPaperSourceAccessor::kTypeChosen);
}

void GPaperSourceWrapper::RefreshAvailability() {
  if (accessor_ != nullptr) ApplyAvailability(accessor_->GetAvailability());
}

int GPaperSourceWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  const int changed = OnComboSelectionChange(message, wParam);
  if (changed != 0) {
    const int16_t index = combo_.GetCurSel();
    if (index >= 0 && combo_.GetItemData(index) == kNoticeSource) ShowSourceNotice();
  }
  return changed;
}

void GPaperSourceWrapper::ShowSourceNotice() {
  if (Sources() == nullptr || Sources()->ReadValue(&GFeatureIds::kSourceNoticeEnabled) != 1) return;
  GTimedModalDialog notice(kNoticeDialog, Sources()->GetSession(), kNoticeSeconds, &GFeatureIds::kSourceNoticeEnabled,
                           0, 0);
  notice.DoModal(dialog_, 0);
}
