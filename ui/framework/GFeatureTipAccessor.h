// GFeatureTipAccessor: the accessor behind a feature-tip button, the small
// button beside a control that a setting rule may grey out or hide. It reads
// the rule's pair of UI session keys: the availability of the governed
// control and the reason, the string-table id of the text that explains it.
// The tip itself is shown when there is something to explain: beside a
// disabled control, or beside an enabled one whose reason is a note (53xx).
#pragma once

#include <cstdint>

#include "ui/framework/GFeatureAccessor.h"

class GFeatureTipAccessor : public GFeatureAccessor {
 public:
  // The keys are copied; a null key reads 0.
  GFeatureTipAccessor(GUISession* session, const int32_t* availabilityKey, const int32_t* reasonKey);
  ~GFeatureTipAccessor() override;

  // 2 (hidden) for a user without permission; else, beside a disabled
  // control (availability 1) 0, beside an enabled or hidden one 0 only for
  // a note. A reason that disables without a tip (11902), or one whose text
  // the UI resource library lacks, hides the tip: there is nothing to show.
  int16_t GetAvailability() override;
  // The reason key's value; 0 when it is missing.
  int16_t GetReason() const;

  int32_t GetAvailabilityKey() const { return availabilityKey_; }
  int32_t GetReasonKey() const { return reasonKey_; }

 private:
  int32_t availabilityKey_;
  int32_t reasonKey_;
};
