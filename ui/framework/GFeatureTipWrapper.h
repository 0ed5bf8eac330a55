// GFeatureTipWrapper: the control wrapper over a feature-tip button. It
// writes nothing into the settings: it hands the button's messages (drawing,
// clicks, the cursor) to its GFeatureTipButton and shows, greys or hides the
// button as the tip's accessor says.
#pragma once

#include <cstdint>

#include "ui/framework/GFeatureTipButton.h"
#include "ui/framework/GWrapper.h"

class GFeatureTipWrapper : public GWrapper {
 public:
  // Takes the accessor over; the table's first row is the tip button.
  GFeatureTipWrapper(GFeatureTipAccessor* accessor, const GControlRow* table, int16_t iconKind);
  ~GFeatureTipWrapper() override;

  // The button's answer (GFeatureTipButton::OnMessage) for its own control.
  int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnAttach() override;
  void SetControlFromFeature(int force) override;
  void ReadControlIntoFeature() override;
  void RefreshAvailability() override;

  GFeatureTipButton& GetButton() { return tip_; }

 private:
  GFeatureTipButton tip_;  // owns the accessor the base also refers to
};
