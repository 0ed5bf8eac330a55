#include "ui/pages/GPaperSizeWrapper.h"

#include "ui/framework/UIResources.h"
#include "ui/pages/GCustomPaperAccessor.h"
#include "ui/pages/GPaperSizeAccessor.h"
#include "win32/Dialog.h"
#include "win32/User.h"
#include "win32/Window.h"

GPaperSizeWrapper::GPaperSizeWrapper(GPaperSizeAccessor* accessor, GCustomPaperAccessor* customPapers,
                                     const GControlRow* table)
    : GWrapper(accessor, table), customPapers_(customPapers) {}

GPaperSizeWrapper::~GPaperSizeWrapper() { delete customPapers_; }

GPaperSizeAccessor* GPaperSizeWrapper::Papers() const { return static_cast<GPaperSizeAccessor*>(accessor_); }

void GPaperSizeWrapper::OnAttach() {
  combo_.Attach(dialog_, static_cast<int16_t>(GetControlId(0)));
  FillList();
  cursor_ = LoadCursorW(GetUIResourceInstance(), MAKEINTRESOURCEW(kSizeTextCursor));
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

void GPaperSizeWrapper::FillList() {
  combo_.ResetContent();
  if (Papers() != nullptr) Papers()->EnumeratePapers(this);
}

int GPaperSizeWrapper::AddPaper(int16_t paperId, const RWWString& name) {
  combo_.AddStringWithData(name, paperId);
  return 1;
}

void GPaperSizeWrapper::SetControlFromFeature(int force) {
  GPaperSizeAccessor* papers = Papers();
  if (papers == nullptr) return;
  const int customChanged = customPapers_ != nullptr ? customPapers_->HasChanged() : 0;
  if (force == 0 && customChanged == 0 && papers->HasChanged() == 0) return;
  if (force != 0 || customChanged != 0) FillList();
  // A paper the list does not offer gives way to the saved target size; a
  // host that offers no papers at all changes nothing.
  if (combo_.SelectByItemData(papers->GetValue()) == 0 && combo_.GetCount() > 0) papers->SetValue(0);
  RWWString text;
  papers->GetSizeText(&text, 1);
  if (dialog_ != nullptr) SetDlgItemTextIfChanged(dialog_, GetControlId(1), text.Data());
}

void GPaperSizeWrapper::ReadControlIntoFeature() {
  if (Papers() == nullptr) return;
  const int16_t index = combo_.GetCurSel();
  Papers()->SetValue(index >= 0 ? static_cast<int16_t>(combo_.GetItemData(index)) : 1);
}

void GPaperSizeWrapper::RefreshAvailability() {
  if (accessor_ != nullptr) ApplyAvailability(accessor_->GetAvailability());
}

int GPaperSizeWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (accessor_ == nullptr || (accessor_->GetAccess() & 1) != 0) return 0;
  switch (message) {
    case WM_COMMAND:
      return OnComboSelectionChange(message, wParam);
    case WM_MOUSEMOVE:
      if (accessor_->GetAvailability() == kShownEnabled) SetCursor(cursor_);
      return 0;
    case WM_LBUTTONDOWN: {
      // A click on the size text switches between inches and millimetres.
      const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (accessor_->GetAvailability() != kShownEnabled || dialog_ == nullptr ||
          ChildWindowFromPoint(dialog_, point) != GetControl(1))
        return 0;
      Papers()->ToggleMeasurementSystem();
      SetCursor(cursor_);
      return 1;
    }
    default:
      return 0;
  }
}
