// GUIRule: the base of the setting rules. A rule watches some features of
// the sheet settings and reacts when they change: it resolves a conflict by
// changing another setting, or records in the UI state that a control must
// be greyed or hidden and why. The UI session owns the rules and runs them
// in Revalidate (Init once per forced run, then OnChange with the ids that
// changed until nothing changes any more).
//
// Result keys live in the session's UI state, one 16-bit value per key;
// writing a key goes through a settings view, so a real change is logged and
// can wake other rules, and creating a missing key is not.
#pragma once

#include <cstdint>
#include <list>

#include "rw/RWWString.h"
#include "win32/Types.h"

class GUISession;

class GUIRule {
 public:
  explicit GUIRule(GUISession* session) : session_(session) {}
  GUIRule(const GUIRule&) = delete;
  GUIRule& operator=(const GUIRule&) = delete;
  // The session deletes its rules through this base.
  virtual ~GUIRule();

  // Called once at the start of a forced revalidation; rules clear their
  // keys here. The base does nothing.
  virtual void Init();
  // The ids changed since the last call (newest first), and whether the run
  // is forced.
  virtual void OnChange(const std::list<int32_t>& changedIds, int force) = 0;
  // Reserved; answers 0.
  virtual int Reserved();
  // Raises the UI-state key to level when level is higher than its value;
  // a missing key is created with level.
  virtual void RaiseValue(const int32_t* id, int16_t level);
  // Sets the key to 0; a missing key is created with 0.
  virtual void ClearValue(const int32_t* id);
  // 1 when the settings' locked-features list (1102) has an entry whose
  // value is the feature id.
  virtual int IsFeatureLocked(const int32_t* featureId);

  GUISession* GetSession() const { return session_; }

  // The rules' message box (UIMessageBox): conflict prompts use the caption
  // "Incompatible Options" and the session's update context as owner.
  static int ShowMessageBox(HWND owner, const RWWString& text, const RWWString& caption, int flags);

  static constexpr int32_t kLockedFeatures = 1102;

 protected:
  GUISession* session_;
};
