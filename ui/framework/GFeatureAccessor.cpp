#include "ui/framework/GFeatureAccessor.h"

#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"

// ---- GFeatureAccessor ----

GFeatureAccessor::~GFeatureAccessor() = default;

int16_t GFeatureAccessor::GetAvailability() { return 0; }

int GFeatureAccessor::GetAccess() { return session_ != nullptr ? session_->GetAccessFlags() : 0; }

int16_t GFeatureAccessor::ReadValue(const int32_t* id) const {
  if (session_ == nullptr || id == nullptr) return 0;
  int value = 0;
  session_->GetSettingsView().GetInt(id, &value);
  return static_cast<int16_t>(value);
}

// ---- GKeyedFeatureAccessor ----

GKeyedFeatureAccessor::GKeyedFeatureAccessor(GUISession* session, const int32_t* id)
    : GFeatureAccessor(session), featureId_(id != nullptr ? *id : 0) {}

GKeyedFeatureAccessor::~GKeyedFeatureAccessor() = default;

int GKeyedFeatureAccessor::SetValue(int16_t value) {
  if (session_ == nullptr) return 0;
  return session_->GetSettingsView().SetInt(&featureId_, value);
}

int GKeyedFeatureAccessor::HasChanged() {
  if (session_ == nullptr) return 0;
  return session_->IsChangeLogged(&featureId_, nullptr);
}

int16_t GKeyedFeatureAccessor::GetValue() {
  if (session_ == nullptr) return 0;
  int value = 0;
  session_->GetSettingsView().GetInt(&featureId_, &value);
  return static_cast<int16_t>(value);
}

// ---- GRangeFeatureAccessor ----

GRangeFeatureAccessor::GRangeFeatureAccessor(GUISession* session, const int32_t* valueId, const int32_t* rangeId)
    : GKeyedFeatureAccessor(session, valueId), rangeId_(rangeId != nullptr ? *rangeId : 0) {}

GRangeFeatureAccessor::~GRangeFeatureAccessor() = default;

namespace {

// One member of the model's range attribute; 0 when there is none.
template <class Read>
int16_t RangeMember(GUISession* session, const int32_t* rangeId, Read read) {
  if (session == nullptr) return 0;
  const GSettingsView model = session->GetModelView();
  int16_t value = 0;
  if ((model.*read)(rangeId, &value) == 0) return 0;
  return value;
}

}  // namespace

int16_t GRangeFeatureAccessor::GetMaximum() const {
  return RangeMember(session_, &rangeId_, &GSettingsView::GetRangeMaximum);
}

int16_t GRangeFeatureAccessor::GetMinimum() const {
  return RangeMember(session_, &rangeId_, &GSettingsView::GetRangeMinimum);
}

int16_t GRangeFeatureAccessor::GetStep() const { return RangeMember(session_, &rangeId_, &GSettingsView::GetRangeStep); }

int16_t GRangeFeatureAccessor::GetRangeValue() const {
  return RangeMember(session_, &rangeId_, &GSettingsView::GetRangeValue);
}
