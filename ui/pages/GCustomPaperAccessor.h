// GCustomPaperAccessor: the custom paper sizes behind the Paper page's
// "Custom..." button and its dialog. It keeps the custom paper being edited
// in the session's UI state (logged before every change, so the sheet's
// Cancel undoes it), bounds its width and height by the smallest and
// largest paper the printer takes, converts everything to the dialog's unit
// and hands saved and deleted papers to the host, which keeps them as
// spooler forms and files them in CustomPaperList.
#pragma once

#include <cstdint>
#include <memory>

#include "model/GCustomMediaSize.h"
#include "rw/RWCString.h"
#include "ui/framework/GFeatureAccessor.h"

class GAttributeComposite;

class GCustomPaperAccessor : public GKeyedFeatureAccessor {
 public:
  // The host's built-in form callback: (form name, context) -> 0 ends the walk.
  using FormNameCallback = int (*)(const RWWString& name, void* context);

  explicit GCustomPaperAccessor(GUISession* session);
  ~GCustomPaperAccessor() override;

  int16_t GetAvailability() override;
  int SetValue(int16_t paperId) override;
  int HasChanged() override;

  int ListChanged();
  // PaperSize := the paper without the size-change handling.
  void SelectPaperSize(int16_t paperId);

  // The dialog's unit (reading it also converts everything to it), and
  // the switch to another unit, which MeasurementSystem follows.
  int32_t GetUnit();
  void SetUnit(int32_t unit);

  uint32_t GetMinWidth() const { return minSize_.width; }
  uint32_t GetMaxWidth() const { return maxSize_.width; }
  uint32_t GetMinHeight() const { return minSize_.height; }
  uint32_t GetMaxHeight() const { return maxSize_.height; }
  uint32_t GetCurrentWidth();
  uint32_t GetCurrentHeight();
  void SetCurrentWidth(uint32_t width);
  void SetCurrentHeight(uint32_t height);
  RWCString GetCurrentName();
  void SetCurrentName(const RWCString& name);
  int16_t GetCurrentPaperId();

  // The saved custom papers, in list order.
  void RewindList() { next_ = 0; }
  // The next saved paper's name and id and 1; 0 at the end.
  int NextPaper(RWCString* name, int16_t* paperId);
  GAttributeComposite* GetCustomPaperList() const;
  // Ignoring case; null when none.
  GCustomMediaSize* FindByName(const RWCString& name) const;
  GCustomMediaSize* FindByPaperId(int16_t paperId) const;
  int CurrentExists();
  // The edited name is the name of a built-in spooler form.
  int IsBuiltInFormName();
  int EnumerateStandardPapers(FormNameCallback callback, void* context);
  // The user may save system settings (UI value 0x40000049 is 0).
  int IsCustomButtonEnabled();

  // The edited paper becomes a copy of the saved paper p, or for a
  // standard paper a fresh "Untitled" record of p's size.
  void LoadCurrent(int16_t paperId);
  // Hands the edited paper (in portrait order) to the host; its result.
  int SaveCurrent();
  // Deletes the saved paper of the edited name.
  void DeleteCurrent();
  // Sizes the record from the paper's medium (1/100 inch, rounded).
  void SetSizeFromPaper(GCustomMediaSize* record, int16_t paperId);

  // The edited paper in the UI state; null while none is loaded.
  GCustomMediaSize* Current() const;

 private:
  // The limits of the printer's media; the second pair when the limit
  // tray is not installed.
  void LoadLimits();
  int IsTrayInstalled(int16_t trayId) const;
  int Changed(int32_t id) const;
  void LogCurrent();
  // Replaces the edited paper (taken over).
  void PutCurrent(GCustomMediaSize* record);

  GCustomMediaSize::Pair minSize_;
  GCustomMediaSize::Pair maxSize_;
  int32_t limitsUnit_ = GCustomMediaSize::kHundredthInch;
  size_t next_ = 0;
};
