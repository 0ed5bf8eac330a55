#include "ui/framework/GFeatureTipWrapper.h"

GFeatureTipWrapper::GFeatureTipWrapper(GFeatureTipAccessor* accessor, const GControlRow* table, int16_t iconKind)
    : GWrapper(accessor, table), tip_(accessor, iconKind) {}

GFeatureTipWrapper::~GFeatureTipWrapper() {
  // The button deletes the accessor; the base must not delete it again.
  accessor_ = nullptr;
}

int GFeatureTipWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return tip_.OnMessage(GetDialogHwnd(), GetControlId(0), message, wParam, lParam);
}

void GFeatureTipWrapper::OnAttach() { tip_.OnAttach(); }

void GFeatureTipWrapper::SetControlFromFeature(int) {}

void GFeatureTipWrapper::ReadControlIntoFeature() {}

void GFeatureTipWrapper::RefreshAvailability() { ApplyAvailability(tip_.GetAvailability()); }
