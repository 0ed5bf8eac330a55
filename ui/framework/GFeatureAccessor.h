// GFeatureAccessor: the model side of one control binding. An accessor knows
// which feature of the sheet settings a control stands for, reads and writes
// it through settings views of the UI session, tells whether it changed in
// the current update cycle and whether the control may be enabled. Every
// control wrapper owns exactly one accessor; the per-feature accessors of the
// pages derive from the keyed and range accessors below.
//
// A feature the settings (or the model) lack is no error: it reads 0, a
// write of it does nothing and answers 0.
#pragma once

#include <cstdint>

class GUISession;

class GFeatureAccessor {
 public:
  explicit GFeatureAccessor(GUISession* session) : session_(session) {}
  GFeatureAccessor(const GFeatureAccessor&) = delete;
  GFeatureAccessor& operator=(const GFeatureAccessor&) = delete;

  // ---- Virtual operations, in slot order ----
  virtual ~GFeatureAccessor();
  // 0 shown and enabled, 1 shown and disabled, 2 hidden and disabled. The
  // base answers 0.
  virtual int16_t GetAvailability();
  // The sheet's access flags masked with 3: bit 0 no permission to change
  // printer-wide settings, bit 1 changes allowed. 0 without a session.
  virtual int GetAccess();

  // The 16-bit value of that feature in the session's settings (depth
  // first, so UI-state keys are found too); 0 when it is missing.
  int16_t ReadValue(const int32_t* id) const;

  GUISession* GetSession() const { return session_; }

 protected:
  GUISession* session_;
};

// An accessor bound to one feature id of the settings, read and written as a
// 16-bit value.
class GKeyedFeatureAccessor : public GFeatureAccessor {
 public:
  // The id is copied; a null id binds to nothing (id 0).
  GKeyedFeatureAccessor(GUISession* session, const int32_t* id);
  ~GKeyedFeatureAccessor() override;

  // ---- Virtual operations after those of the base ----
  // Writes the bound feature through the session's settings view (a real
  // change is logged and drives the next revalidation). 1 written or
  // already equal, 0 when the settings lack the feature.
  virtual int SetValue(int16_t value);
  // 1 when the change log of the current update cycle holds the bound
  // feature (with no path).
  virtual int HasChanged();
  // The bound feature's value; 0 when it is missing.
  virtual int16_t GetValue();

  int32_t GetFeatureId() const { return featureId_; }

 protected:
  int32_t featureId_;
};

// A keyed accessor whose value is bounded by a range attribute of the device
// model.
class GRangeFeatureAccessor : public GKeyedFeatureAccessor {
 public:
  GRangeFeatureAccessor(GUISession* session, const int32_t* valueId, const int32_t* rangeId);
  ~GRangeFeatureAccessor() override;

  // The members of the model's range attribute; each 0 when the model has
  // no range attribute of that id.
  int16_t GetMaximum() const;
  int16_t GetMinimum() const;
  int16_t GetStep() const;
  int16_t GetRangeValue() const;

  int32_t GetRangeId() const { return rangeId_; }

 protected:
  int32_t rangeId_;
};
