// GUIRule: the base of the setting rules. A rule watches some features of
// the sheet settings and reacts when they change: it resolves a conflict by
// changing another setting (after telling the user why in a message box), or
// records in the UI state that a control must be greyed or hidden and why.
// The UI session owns the rules and runs them in Revalidate (Init once per
// run that calls the rules, then OnChange with the ids that changed until
// nothing changes any more).
//
// Result keys live in the session's UI state in pairs: an availability (0
// shown and enabled, 1 shown and disabled, 2 hidden) and a reason, the
// string-table id of the text that explains it. Writing a key goes through a
// settings view, so a real change is logged and can wake other rules, and
// creating a missing key is not. Only UI session keys (ids with bit 30 set)
// are ever written into the UI state: a key write can never plant a copy of
// a real setting there, where the settings' depth-first look-up would find
// it.
//
// The protected helpers are the conventions every rule shares: reading the
// settings (a missing feature reads as 0 or ""), starting its keys afresh in
// Init, publishing availability and reason, the prompts with the caption
// "Incompatible Options" whose Cancel takes back the update cycle, and the
// paper measure.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <list>

#include "rw/RWCString.h"
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

  // ---- Virtual operations, in slot order ----
  // Called in the first round of every revalidation that calls the rules;
  // rules start their keys afresh here. The base does nothing.
  virtual void Init();
  // The ids changed since the last call (newest first), and whether the run
  // is forced.
  virtual void OnChange(const std::list<int32_t>& changedIds, int force) = 0;
  // Reserved; answers 0 and is never called.
  virtual int Reserved();
  // Raises the UI-state key to level when level is higher than its value;
  // a missing key is created with level (not logged). Ids that are no UI
  // session key are left alone.
  virtual void RaiseValue(const int32_t* id, int16_t level);
  // Sets the key to 0; a missing key is created with 0 (not logged). Ids
  // that are no UI session key are left alone.
  virtual void ClearValue(const int32_t* id);
  // 1 when the settings' locked-features list (1102) has an entry whose
  // value is the feature id; 0 without such an entry or such a list.
  virtual int IsFeatureLocked(const int32_t* featureId);

  GUISession* GetSession() const { return session_; }

  // The rules' message box (UIMessageBox).
  static int ShowMessageBox(HWND owner, const RWWString& text, const RWWString& caption, int flags);

  // The caption of every conflict message: "Incompatible Options".
  static constexpr int kConflictCaption = 5100;
  // Prompts that announce a change: OK and Cancel with the information
  // icon. Notices that refuse a choice: OK with the information icon.
  static constexpr int kAskStyle = 65;
  static constexpr int kNoticeStyle = 64;
  // The message-box answer that takes the update cycle back.
  static constexpr int kCancelAnswer = 2;
  // UI session keys: bit 30 set, from the first key upwards.
  static constexpr int32_t kFirstUISessionKey = 0x40000017;

  // 1 for a UI session key (0x40000017 to 0x7FFFFFFF).
  static int IsUISessionKey(int32_t id);
  // 1 when the id is in the changed-id list.
  static int Changed(const std::list<int32_t>& changedIds, int32_t id);
  // 1 when force is set or one of the ids is in the list: the test of a
  // step that watches those ids (a step skipped otherwise counts as
  // passed).
  static int Watched(const std::list<int32_t>& changedIds, int force, std::initializer_list<int32_t> ids);
  // 1 for the envelopes: 8 to 16, 50, 52, 59, 60 and 73.
  static int PaperSizeIsEnvelope(int paperId);

 protected:
  // ---- The sheet settings ----
  // The 16-bit value of the feature; 0 when it is missing.
  int ReadInt(int32_t id) const;
  // The stored text of the feature; "" when it is missing.
  RWCString ReadText(int32_t id) const;
  // Written through the settings view (logged when it changes); 1 when
  // written or already equal, 0 when the settings lack the feature.
  int WriteInt(int32_t id, int16_t value);
  int WriteText(int32_t id, const RWCString& text);
  // 1 when the feature was changed in the current update cycle.
  int HasChanged(int32_t id) const;

  // ---- Keys ----
  // Init's start: the reason 0 (created when missing), the availability
  // cleared.
  void ResetKeys(int32_t availabilityKey, int32_t reasonKey);
  // Writes the reason key in the UI state (created when missing).
  void SetReason(int32_t reasonKey, int16_t reason);
  // Raises the availability to level, then stores the reason.
  void Publish(int32_t availabilityKey, int16_t level, int32_t reasonKey, int16_t reason);

  // ---- Prompts ----
  // Asks the user with text textId (OK and Cancel). 1 when the rule may
  // apply its resolution; 0 when the user cancelled, in which case every
  // change of the current update cycle has been taken back. A question
  // already answered in the running revalidation is not asked again: the
  // earlier answer holds.
  int Ask(int textId);
  // Tells the user that the choice is refused (OK only), then takes back
  // the current update cycle.
  void Refuse(int textId);
  // Takes back every change of the current update cycle; outside an
  // update cycle there is none, and nothing is undone.
  void UndoUpdateCycle();

  // ---- Paper ----
  // The short and long side in inches of the paper at the settings'
  // resolution (the smaller of x and y picks the medium of the model). 0
  // when there is no resolution or no such medium.
  int MeasurePaper(int16_t paperId, double* shortSide, double* longSide) const;

  // ---- Shared tests ----
  // 1 when TrueType text is sent as bitmaps (293) while the device model's
  // capability set (135 under 112) lacks bit 0.
  int TrueTypeBitmapsConflict() const;
  // The paper the job prints on: TargetSizeChoice when the fit-to choice
  // (270) is 1 (or, with anyFit, non-zero), else PaperSize.
  int16_t PrintedPaper(bool anyFit) const;

  GUISession* session_;

 private:
  // Shows the conflict message (or recalls its answer in this
  // revalidation); the answer.
  int Prompt(int textId, int style);
};
