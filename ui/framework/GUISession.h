// GUISession: the object behind one open property sheet of this module.
// It works on the sheet's settings, records every change made to them (the
// change log of the current update cycle and the undo levels of modal
// dialogs), can undo an update cycle or everything done since a modal dialog
// opened, and after each change runs the setting rules again until they stop
// changing anything. The rules' results (availability and reason of
// controls) live in the UI state, a composite of its own inside the
// settings, so they travel with the settings. It also keeps the quick-set
// pool and carries the update-from-printer command of the Configure page.
//
// The module's UI provider creates one per sheet and keeps it in the
// GUIData; every page, dialog, accessor, wrapper and rule of the sheet holds
// a pointer to it. Nothing of the session is stored. It runs on the thread
// of the sheet's message loop and takes no locks.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <utility>
#include <vector>

#include "rw/RWCString.h"
#include "rw/RWWString.h"
#include "driver/GSpoolerFormServices.h"
#include "driver/GUpwardServices.h"
#include "model/GMedia.h"
#include "ui/framework/GSettingsView.h"
#include "win32/Gdi.h"
#include "win32/Types.h"

class GAttribute;
class GAttributeComposite;
class GCustomMediaSize;
class GDriverInstance;
class GMedia;
class GQuickSetAccessor;
class GResourceMappingList;
class GUIRule;
struct GUIData;

// One logged change: a deep copy of the attribute as it was before the
// change, and the composite ids leading to it (none: the settings root or
// the view's composite).
class GChangeRecord {
 public:
  // Takes both over.
  GChangeRecord(GAttribute* oldValue, std::unique_ptr<GChangePath> path);
  GChangeRecord(const GChangeRecord&) = delete;
  GChangeRecord& operator=(const GChangeRecord&) = delete;
  virtual ~GChangeRecord();

  GAttribute* GetOldValue() const { return oldValue_; }
  const GChangePath* GetPath() const { return path_.get(); }
  // The feature id of the old value (0 without one).
  int32_t GetFeatureId() const;
  // The same feature id and equal paths.
  bool Equals(const GChangeRecord& other) const;
  // Both missing, or the same entries.
  static bool SamePath(const GChangePath* a, const GChangePath* b);

 private:
  GAttribute* oldValue_;
  std::unique_ptr<GChangePath> path_;
};

using GChangeList = std::list<GChangeRecord*>;

// The drawing objects every printer picture of a sheet shares: the memory
// device context, the composed picture selected into it and the bitmap it
// held before, how many picture controls use them and the accessory flags
// the picture was composed for (-1 before the first). They are GDI handles,
// so they live here beside the session and not in the settings' UI state:
// nothing truncates them to 16-bit values and undoing settings never
// touches them.
struct GPictureSurface {
  HDC dc = nullptr;
  HBITMAP composed = nullptr;
  HBITMAP previous = nullptr;
  int wrappers = 0;
  int32_t composedFlags = -1;
};

// What the session reaches of the layers built on it (the quick-set storage
// and the module's own provider entry) is the upward services' uiSession
// (GUISessionHooks).
class GUISession {
 public:
  // Model values.
  // Revalidate gives up after this many rounds of OnChange past the first.
  static constexpr int kRevalidateLimit = 100;

  // Everything from the record: the model is the printer's configuration,
  // the settings are the record's (an empty UI state is added to them), the
  // mapping lists and fresh reference settings come from the host.
  explicit GUISession(GUIData* data);
  GUISession(const GUISession&) = delete;
  GUISession& operator=(const GUISession&) = delete;

  // ---- Virtual operations, in slot order ----
  // Deletes the rules, the logs and the reference settings and saves and
  // deletes the quick-set pool.
  virtual ~GUISession();
  // Runs the rules until they change nothing; see the source.
  virtual void Revalidate(int force);
  // The session owns the rule from then on.
  virtual void AddRule(GUIRule* rule);
  virtual void BeginUpdate(HWND window);
  // The nesting count left.
  virtual int16_t EndUpdate();
  // Puts every logged old value back; 1.
  virtual int ApplyAttributeList(const GChangeList& list);
  // Puts the values of the update cycle back and empties its log.
  virtual void UndoChanges();
  // Called by every page after its own dialog procedure.
  virtual void OnPageMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Replaces the settings by fresh ones from the host, keeping groups 367
  // and 366 and the UI state; 1, or 0 when the host gives none.
  virtual int ReloadSettings();
  // Called by every writer of a setting before the change is made; takes
  // the path over.
  virtual void LogChange(const GAttribute* attribute, std::unique_ptr<GChangePath> path);
  virtual int SetRefreshNeeded(int needed);
  virtual void PushUndoLevel();
  // Closes the newest level, putting its values back when restore is 1.
  virtual void PopUndoLevel(int restore);
  virtual int IsPerUserMode();
  // The Configure page's "Update Now": starts the status program and runs
  // the auto-configuration; its 16-bit result.
  virtual int UpdateFromPrinter();
  virtual int ApplySettingsToModel();
  virtual int GetAccessFlags();
  virtual int GetEffectiveAccess();
  virtual int IsFlag8Set();
  virtual GResourceMappingList* GetPaperMappingList();
  virtual GResourceMappingList* GetSourceMappingList();
  virtual HWND GetUpdateContext();
  virtual int GetRefreshNeeded();
  // 1 or 2 as the host answers for the paper, anything else 0.
  virtual int QueryHost(int16_t code);

  // ---- Views over the session's composites ----
  GSettingsView GetSettingsView();
  GSettingsView GetModelView();
  GSettingsView GetUIStateView();
  GSettingsView GetReferenceSettingsView();

  // ---- Change log ----
  // 1 when the log of the update cycle has a record of that id and path.
  int IsChangeLogged(const int32_t* id, const GChangePath* path) const;
  const GChangeList& GetChangeLog() const { return changeLog_; }
  const std::list<int32_t>& GetChangedIds() const { return changedIds_; }
  size_t GetUndoDepth() const { return undoLevels_.size(); }
  int16_t GetUpdateNesting() const { return updateNesting_; }

  // ---- Host, model and settings ----
  GDriverInstance* GetHost() const;
  GUIData* GetUIData() const { return data_; }
  GAttributeComposite* GetSettings() const { return settings_; }
  MPersistentObject* GetModel() const { return model_; }
  GAttributeComposite* GetReferenceSettings() const { return referenceSettings_; }
  GAttributeComposite* GetUIState() const;
  // The model's help file name (374) after the directory of this module's
  // file.
  void GetHelpFilePath(RWCString* out);
  // The x resolution of the first entry of the model's resolution list
  // when its y resolution is the same, else 0x7FFF.
  int16_t GetUniformResolution();
  // AutoConfigurationState (313) of AutoConfiguration (228); 0 when missing.
  int16_t GetAutoConfigurationState();
  GAttribute* FindWatermarkList();
  GAttribute* FindAvailableMediaNames();
  GAttribute* FindAttribute314();

  // ---- UI state ----
  // Takes the attribute over; deleted when there is no UI state.
  void AddUIStateAttribute(GAttribute* attribute);
  // Removed from the UI state; the caller owns it.
  GAttribute* TakeUIStateAttribute(int32_t id);
  GAttribute* FindUIStateAttribute(int32_t id);

  // ---- Media and papers ----
  // The medium of a custom paper size at that resolution, kept in the UI
  // state under 0x40000017 (borrowed, valid while the session lives). Null
  // without a custom-paper list; an unknown id selects Letter and gives
  // null.
  GMedia* MakeCustomMedia(int16_t paperId, int16_t xResolution, int16_t yResolution);
  // The host's paper and form walks with the session's settings; the
  // callbacks are the driver core's (GSpoolerFormServices.h).
  int EnumeratePapers(GPaperNameCallback callback, void* context, int flag);
  int EnumerateAllPapers(GPaperNameCallback callback, void* context, int flag);
  int EnumerateForms(GBuiltinFormCallback callback, void* context, int flag);
  int16_t GetDefaultPaperSize();
  int AddCustomPaper(GCustomMediaSize* record, GAttributeComposite* list);
  int DeleteCustomPaper(GCustomMediaSize* record, GAttributeComposite* list);
  int IsBuiltInFormName(GCustomMediaSize* record);

  // ---- Quick sets ----
  // The administrator's stored "DMCQuickset", or null; the caller owns it.
  MPersistentObject* LoadAdminQuickSets();
  // *out = 1; the pool, loaded with the accessor on first use.
  GAttributeComposite* GetQuickSetPool(GQuickSetAccessor* accessor, int* out);
  // Stores the pool now; 1 on success.
  int SaveQuickSetPool();

  // ---- Shared drawing objects ----
  GPictureSurface& GetPictureSurface() { return pictureSurface_; }

  // ---- Rule prompts ----
  // The answer a rule's conflict message got earlier in the running
  // revalidation, 0 when it was not shown; each revalidation starts with
  // none.
  int FindRulePromptAnswer(int textId) const;
  void RememberRulePromptAnswer(int textId, int answer);

 private:
  void ClearChangeLog();
  static void DeleteRecords(GChangeList& list);
  void ReadSettingsResolution(int16_t* x, int16_t* y, int32_t* orientation);

  MPersistentObject* model_ = nullptr;
  GAttributeComposite* settings_ = nullptr;
  GAttributeComposite* referenceSettings_ = nullptr;
  GAttributeComposite* quickSetPool_ = nullptr;
  GUIData* data_ = nullptr;
  std::vector<GUIRule*> rules_;
  GChangeList changeLog_;
  std::list<int32_t> changedIds_;
  std::list<GChangeList> undoLevels_;  // newest first
  int16_t updateNesting_ = 0;
  int firstMessageDone_ = 0;
  int refreshNeeded_ = 0;
  int revalidating_ = 0;
  // Conflict messages answered in the running revalidation: {text, answer}.
  std::vector<std::pair<int, int>> rulePromptAnswers_;
  HWND updateContext_ = nullptr;
  GResourceMappingList* paperMappings_ = nullptr;
  GResourceMappingList* sourceMappings_ = nullptr;
  // Custom media replaced in the UI state, kept for callers that still
  // hold them.
  std::vector<std::unique_ptr<GMedia>> retiredMedia_;
  GPictureSurface pictureSurface_;
};
