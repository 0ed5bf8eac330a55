#include "ui/framework/GFeatureTipAccessor.h"

#include "rw/RWWString.h"
#include "ui/framework/GRuleCatalogue.h"
#include "ui/framework/UIResources.h"

GFeatureTipAccessor::GFeatureTipAccessor(GUISession* session, const int32_t* availabilityKey,
                                         const int32_t* reasonKey)
    : GFeatureAccessor(session),
      availabilityKey_(availabilityKey != nullptr ? *availabilityKey : 0),
      reasonKey_(reasonKey != nullptr ? *reasonKey : 0) {}

GFeatureTipAccessor::~GFeatureTipAccessor() = default;

int16_t GFeatureTipAccessor::GetReason() const { return reasonKey_ != 0 ? ReadValue(&reasonKey_) : 0; }

int16_t GFeatureTipAccessor::GetAvailability() {
  if ((GetAccess() & 1) != 0) return 2;
  const int16_t availability = availabilityKey_ != 0 ? ReadValue(&availabilityKey_) : 0;
  const int16_t reason = GetReason();
  int16_t shown = 2;
  if (availability == 1) {
    shown = reason == GRuleReasons::kDisabledWithoutTip ? 2 : 0;
  } else {
    shown = reason >= GRuleReasons::kFirstNote && reason <= GRuleReasons::kLastNote ? 0 : 2;
  }
  // A reason with no text (none stored, or an id the string table lacks,
  // as a damaged stored UI state may hold) would show an empty box.
  if (shown == 0) {
    RWWString text;
    if (reason <= 0 || LoadUIString(reason, &text) == 0) shown = 2;
  }
  return shown;
}
