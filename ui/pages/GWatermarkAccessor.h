// GWatermarkAccessor: the door through which every watermark control reads
// and changes the document sheet's watermark pool (WatermarkPool, a list of
// named watermark records in the driver preferences) and the job's selected
// watermark. The record being shown and edited is a working copy kept in an
// edit state that all watermark accessors of one UI session share; edits go
// to the working copy and reach the pool only when committed.
//
// The shared state is kept in a table of this module and found through two
// 16-bit UI-state values of the session (low and high half of its key), so
// that every accessor of a session reaches the same one; the last accessor
// to go deletes it.
//
// Changes of the working copy are logged in the session so that controls
// see them (HasChanged), under a path into the UI state where the working
// copy does not stand: undoing an update cycle never writes them into a
// pool record or the job's watermark settings.
#pragma once

#include <cstdint>

#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "ui/framework/GFeatureAccessor.h"
#include "ui/framework/GSettingsView.h"

class GAttribute;
class GAttributeComposite;
struct GWatermarkEditState;

class GWatermarkAccessor : public GFeatureAccessor {
 public:
  // Edit states of the working copy.
  static constexpr int16_t kNoneSelected = 0;
  static constexpr int16_t kNewRecord = 1;
  static constexpr int16_t kNewTyped = 2;
  static constexpr int16_t kStoredUnchanged = 3;
  static constexpr int16_t kStoredChanged = 4;

  // Records in the pool, the none record included.
  static constexpr int16_t kListLimit = 31;
  // Shade of new default records when the settings hold no default.
  static constexpr int16_t kDefaultShade = 224;

  // UI-state keys.
  static constexpr int32_t kNewTipAvailability = 0x4000005E;
  static constexpr int32_t kNewTipReason = 0x4000005F;
  static constexpr int32_t kEditAvailability = 0x400000E2;
  static constexpr int32_t kStateKeyLow = 0x4000006E;
  static constexpr int32_t kStateKeyHigh = 0x4000006D;

  // String ids.
  static constexpr int kNoneText = 11060;
  static constexpr int kConfidentialText = 11074;
  static constexpr int kDraftText = 11075;
  static constexpr int kSampleText = 11076;
  static constexpr int kListFullText = 11081;
  static constexpr int kNumberSeparatorText = 11072;

  explicit GWatermarkAccessor(GUISession* session);
  ~GWatermarkAccessor() override;

  // ---- Selection ----
  // Reloads the working copy from the selected record (making the default
  // records first when the pool is empty); 1.
  int SelectCurrent();
  // WatermarkBuiltIn for the name, then SelectedWatermark := name.
  void SelectByName(const RWWString& name);
  void GetSelectedName(RWWString* out);
  // 0 for " (none)" and the empty name, 1/2/3 for the built-in texts, else
  // 999.
  static int16_t BuiltInIndexFor(const RWWString& name);

  // ---- The working copy ----
  void GetName(RWWString* out);
  void GetText(RWWString* out);
  void GetFont(RWWString* out);
  int16_t GetCharSet();
  int16_t GetEscapement();
  int16_t GetCustomAngle();
  int16_t GetSize();
  int GetStyleTextId();
  int GetShadeTextId();
  int GetColorTextId();

  void SetCharSet(int16_t value);
  void SetEscapement(int16_t value);
  void SetCustomAngle(int16_t value);
  // 0 when the working copy has no size.
  int SetSize(int16_t value);
  void SetFont(const RWWString& face);
  void SetStyle(int textId);
  void SetShade(int textId);
  void SetColor(int textId);
  void SetText(const RWWString& text);
  // Names the working copy after its text, unique in the pool.
  void SetNameFromText();
  // The user's own record when the sheet's access flag 8 is set.
  void MarkOwn();

  // ---- The pool ----
  // Adds the working copy to the pool (replacing the selected record when it
  // was a changed stored one) and selects it.
  void Commit();
  // Removes the selected record; then selects no watermark.
  void DeleteSelected();
  // The pool record of that name (same bytes), else null.
  GAttributeComposite* FindByName(const RWCString& name);
  void StartWalk();
  // The next record's name and 0 for the user's own record, else 1; 0
  // after the last.
  int NextListEntry(RWWString* name, int* flag);
  int IsForeign();
  int IsListFull();
  int GetPoolCount();

  // ---- Job settings ----
  void SetEditable(int16_t flag);
  void SetFirstPageByName(const RWWString& name);

  // ---- Queries ----
  int16_t GetEditAvailability();
  int HasChanged();
  int SelectionChanged();
  int NameChanged();
  int PoolChanged();
  int IsColorDevice();
  int16_t GetSizeMinimum();
  int16_t GetSizeMaximum();
  int16_t GetState();
  void SetState(int16_t value);

  // The working copy (borrowed; null while none is loaded).
  GAttributeComposite* WorkingCopy() const;
  GAttributeComposite* GetPool() const;

 private:
  void MakeDefaultRecords(GAttributeComposite* pool);
  GAttributeComposite* FindByWideName(const RWWString& name);
  // Changes a short member of the working copy in place; 0 when missing.
  int ChangeMember(int32_t id, int16_t value, int log);
  void ReplaceString(int32_t id, const RWWString& text);
  void LogWorkingMember(const GAttribute* attribute);
  // The job's watermark group; a view over nothing when there is none.
  GSettingsView JobView() const;
  void MarkChanged();
  int WorkingValue(int32_t id, int16_t fallback);
  void WorkingString(int32_t id, RWWString* out);
  void SetUIValue(int32_t id, int16_t value);
  int Changed(int32_t id);
  int WorkingChanged(int32_t id);

  GWatermarkEditState* state_ = nullptr;
  uint32_t key_ = 0;
};
