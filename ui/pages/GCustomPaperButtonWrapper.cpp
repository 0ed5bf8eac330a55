#include "ui/pages/GCustomPaperButtonWrapper.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "model/GCustomMediaSize.h"
#include "model/GStringConversion.h"
#include "ui/framework/GModalDialog.h"
#include "ui/framework/UIResources.h"
#include "ui/pages/GCustomPaperAccessor.h"
#include "ui/pages/GPaperSizeAccessor.h"
#include "win32/Dialog.h"
#include "win32/User.h"
#include "win32/Window.h"

namespace {

constexpr int kReadLimit = 15;  // characters of the edit that are read
constexpr int kTitleUntitled = 11029;

std::string Ascii(const RWWString& text) {
  std::string out;
  for (size_t i = 0; i < text.Length(); ++i) {
    const char16_t c = text.Data()[i];
    out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  }
  return out;
}

RWWString Wide(const std::string& text) { return RWWString(text.c_str()); }

RWWString Text(int id) {
  RWWString text;
  LoadUIString(id, &text);
  return text;
}

RWWString WindowText(HWND dialog, int id, int limit) {
  WCHAR buffer[64] = {};
  const UINT copied = GetDlgItemTextW(dialog, id, buffer, limit + 1);
  return RWWString(buffer, copied);
}

RWCString Trimmed(const RWCString& text) {
  size_t begin = 0;
  size_t end = text.Length();
  while (begin < end && std::isspace(static_cast<unsigned char>(text.Data()[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text.Data()[end - 1]))) --end;
  return RWCString(text.Data() + begin, end - begin);
}

}  // namespace

// ---- Width and height ----

GCustomPaperSizeWrapper::GCustomPaperSizeWrapper(GCustomPaperAccessor* accessor, const GControlRow* table,
                                                 Dimension dimension)
    : GWrapper(accessor, table), dimension_(dimension) {}

GCustomPaperSizeWrapper::~GCustomPaperSizeWrapper() = default;

GCustomPaperAccessor* GCustomPaperSizeWrapper::Papers() const { return static_cast<GCustomPaperAccessor*>(accessor_); }

uint32_t GCustomPaperSizeWrapper::Current() const {
  return dimension_ == kWidth ? Papers()->GetCurrentWidth() : Papers()->GetCurrentHeight();
}
uint32_t GCustomPaperSizeWrapper::Minimum() const {
  return dimension_ == kWidth ? Papers()->GetMinWidth() : Papers()->GetMinHeight();
}
uint32_t GCustomPaperSizeWrapper::Maximum() const {
  return dimension_ == kWidth ? Papers()->GetMaxWidth() : Papers()->GetMaxHeight();
}
void GCustomPaperSizeWrapper::Store(uint32_t value) {
  const uint32_t low = Minimum();
  const uint32_t high = Maximum();
  if (value < low) value = low;
  // A printer that names no largest paper bounds nothing from above.
  if (high != 0 && high >= low && value > high) value = high;
  if (dimension_ == kWidth) {
    Papers()->SetCurrentWidth(value);
  } else {
    Papers()->SetCurrentHeight(value);
  }
}

int GCustomPaperSizeWrapper::ParseSize(const RWWString& text, int32_t unit, const RWWString& separator,
                                       uint32_t* value) {
  std::string number = Ascii(text).substr(0, kReadLimit);
  if (unit != GCustomMediaSize::kMicrometre) {
    const std::string mark = Ascii(separator);
    const size_t at = mark.empty() ? std::string::npos : number.find(mark);
    if (at != std::string::npos) number.replace(at, mark.size(), ".");
  }
  // The number is read as a signed figure so that "-3" is a negative
  // number, not a huge unsigned one, and checked before it is converted.
  const char* begin = number.c_str();
  char* end = nullptr;
  const double figure = std::strtod(begin, &end);
  if (end == begin || !std::isfinite(figure) || figure < 0) return 0;
  double scaled = 0;
  if (unit == GCustomMediaSize::kMicrometre) {
    scaled = std::floor(figure) * 1000.0;  // whole millimetres
  } else {
    scaled = std::floor(figure * 100.0 + 0.5);
  }
  if (scaled > static_cast<double>(std::numeric_limits<uint32_t>::max())) return 0;
  *value = static_cast<uint32_t>(scaled);
  return 1;
}

RWWString GCustomPaperSizeWrapper::FormatSize(uint32_t value, int32_t unit, const RWWString& separator) {
  char text[48];
  if (unit == GCustomMediaSize::kMicrometre) {
    std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>((static_cast<uint64_t>(value) + 500) / 1000));
    return Wide(text);
  }
  std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(value / 100));
  RWWString out = Wide(text);
  out.AppendText(separator.Data());
  std::snprintf(text, sizeof text, "%02lu", static_cast<unsigned long>(value % 100));
  out.AppendText(Wide(text).Data());
  return out;
}

void GCustomPaperSizeWrapper::Display() {
  if (dialog_ == nullptr || Papers() == nullptr) return;
  const int32_t unit = Papers()->GetUnit();
  const RWWString text = FormatSize(Current(), unit, GPaperSizeAccessor::LocaleDecimalSeparator());
  SetDlgItemTextIfChanged(dialog_, GetControlId(0), text.Data());
}

void GCustomPaperSizeWrapper::ParseEdit() {
  if (dialog_ == nullptr || Papers() == nullptr) return;
  const int32_t unit = Papers()->GetUnit();
  uint32_t value = 0;
  if (ParseSize(WindowText(dialog_, GetControlId(0), kReadLimit), unit, GPaperSizeAccessor::LocaleDecimalSeparator(),
                &value) != 0)
    Store(value);
  Display();
}

void GCustomPaperSizeWrapper::OnAttach() {
  HWND arrows = GetControl(1);
  if (arrows != nullptr) SendMessageW(arrows, UDM_SETRANGE, 0, 1);
  SetControlFromFeature(1);
}

void GCustomPaperSizeWrapper::SetControlFromFeature(int force) {
  if (Papers() == nullptr || (force == 0 && Papers()->HasChanged() == 0)) return;
  // The dialog works in 1/100 inch or in micrometres.
  int32_t unit = Papers()->GetUnit();
  if (unit == GCustomMediaSize::kTenThousandthInch) Papers()->SetUnit(GCustomMediaSize::kHundredthInch);
  if (unit == GCustomMediaSize::kMillimetre) Papers()->SetUnit(GCustomMediaSize::kMicrometre);
  unit = Papers()->GetUnit();
  ShowControl(2, unit != GCustomMediaSize::kMicrometre ? 1 : 0);
  ShowControl(3, unit == GCustomMediaSize::kMicrometre ? 1 : 0);
  Display();
}

void GCustomPaperSizeWrapper::ReadControlIntoFeature() {}

void GCustomPaperSizeWrapper::RefreshAvailability() {}

int GCustomPaperSizeWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (Papers() == nullptr) return 0;
  if (message == WM_COMMAND && LOWORD(wParam) == GetControlId(0)) {
    switch (HIWORD(wParam)) {
      case EN_KILLFOCUS:
        ParseEdit();
        return 1;
      case EN_SETFOCUS:
        SendMessageW(GetControl(0), EM_SETSEL, 0, -1);
        return 0;
      default:
        return 0;
    }
  }
  if (message == WM_NOTIFY) {
    const auto* change = reinterpret_cast<const NMUPDOWN*>(lParam);
    if (change == nullptr || change->hdr.code != UDN_DELTAPOS || change->hdr.hwndFrom != GetControl(1)) return 0;
    ParseEdit();
    const int64_t step = change->iDelta > 0 ? 1 : -1;
    const int32_t unit = Papers()->GetUnit();
    int64_t value = static_cast<int64_t>(Current());
    if (unit == GCustomMediaSize::kMicrometre) {
      value += step * 1000;
    } else {
      value += step * 10;
      value -= value % 10;  // the arrows move to whole tenths of an inch
    }
    if (value < 0) value = 0;
    if (value > static_cast<int64_t>(std::numeric_limits<uint32_t>::max())) value = std::numeric_limits<uint32_t>::max();
    Store(static_cast<uint32_t>(value));
    Display();
    return 1;
  }
  if (message == WM_VSCROLL) {
    SendMessageW(GetControl(0), EM_SETSEL, 0, 0);
    return 0;
  }
  return 0;
}

GCustomPaperWidthWrapper::GCustomPaperWidthWrapper(GCustomPaperAccessor* accessor, const GControlRow* table)
    : GCustomPaperSizeWrapper(accessor, table, kWidth) {}
GCustomPaperHeightWrapper::GCustomPaperHeightWrapper(GCustomPaperAccessor* accessor, const GControlRow* table)
    : GCustomPaperSizeWrapper(accessor, table, kHeight) {}

// ---- Unit button ----

GCustomPaperUnitWrapper::GCustomPaperUnitWrapper(GCustomPaperAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table) {}

GCustomPaperUnitWrapper::~GCustomPaperUnitWrapper() = default;

int GCustomPaperUnitWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  auto* papers = static_cast<GCustomPaperAccessor*>(accessor_);
  if (papers == nullptr || message != WM_COMMAND || LOWORD(wParam) != GetControlId(0)) return 0;
  papers->SetUnit(papers->GetUnit() == GCustomMediaSize::kMicrometre ? GCustomMediaSize::kHundredthInch
                                                                     : GCustomMediaSize::kMicrometre);
  return 1;
}

void GCustomPaperUnitWrapper::SetControlFromFeature(int) {
  auto* papers = static_cast<GCustomPaperAccessor*>(accessor_);
  if (papers == nullptr || dialog_ == nullptr) return;
  const RWWString text = Text(papers->GetUnit() == GCustomMediaSize::kMicrometre ? 11002 : 11003);
  SetDlgItemTextIfChanged(dialog_, GetControlId(0), text.Data());
}

void GCustomPaperUnitWrapper::ReadControlIntoFeature() {}

void GCustomPaperUnitWrapper::RefreshAvailability() {
  if (accessor_ != nullptr) ApplyAvailability(accessor_->GetAvailability());
}

// ---- Name box and action button ----

GCustomPaperNameWrapper::GCustomPaperNameWrapper(GCustomPaperAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table) {}

GCustomPaperNameWrapper::~GCustomPaperNameWrapper() = default;

GCustomPaperAccessor* GCustomPaperNameWrapper::Papers() const { return static_cast<GCustomPaperAccessor*>(accessor_); }

void GCustomPaperNameWrapper::OnAttach() {
  combo_.Attach(dialog_, static_cast<int16_t>(GetControlId(0)));
  FillList();
  if (Papers() == nullptr) return;
  const int16_t paper = Papers()->GetValue();
  if (paper < 0x4000 || paper > 17383) {
    ResetToUntitled();
    SetMode(kSave);
  } else {
    SetMode(kDelete);
    combo_.SelectByItemData(paper);
    Papers()->LoadCurrent(paper);
  }
}

void GCustomPaperNameWrapper::FillList() {
  combo_.ResetContent();
  if (Papers() == nullptr) return;
  Papers()->RewindList();
  RWCString name;
  int16_t paperId = 0;
  while (Papers()->NextPaper(&name, &paperId) != 0) combo_.AddStringWithData(RWWString(name), paperId);
}

void GCustomPaperNameWrapper::ResetToUntitled() {
  if (Papers() == nullptr) return;
  RWCString name;
  ToNarrowString(Text(kTitleUntitled), name);
  Papers()->SetCurrentName(name);
  combo_.SetEditText(RWWString(name));
}

void GCustomPaperNameWrapper::SetModeValue(int16_t mode) {
  mode_ = mode;
  if (dialog_ != nullptr) {
    SendMessageW(dialog_, DM_SETDEFID, static_cast<WPARAM>(mode == kDelete ? GModalDialog::kThirdButton : GetControlId(1)),
                 0);
  }
}

void GCustomPaperNameWrapper::SetMode(int16_t mode) {
  SetModeValue(mode);
  if (dialog_ != nullptr) SetDlgItemTextIfChanged(dialog_, GetControlId(1), Text(mode).Data());
}

void GCustomPaperNameWrapper::SetControlFromFeature(int force) {
  GCustomPaperAccessor* papers = Papers();
  if (papers == nullptr || (force == 0 && papers->HasChanged() == 0)) return;
  if (papers->IsBuiltInFormName() == 0) {
    if (papers->ListChanged() != 0) FillList();
    if (mode_ == kDelete && papers->CurrentExists() == 0) {
      mode_ = kSave;
      ResetToUntitled();
    } else if (mode_ == kRename && papers->FindByName(nameBeforeEdit_) == nullptr) {
      mode_ = kSave;
    }
    if (GCustomMediaSize* saved = papers->FindByName(papers->GetCurrentName())) {
      combo_.SelectByItemData(saved->GetPaperId());
    }
  }
  SetMode(mode_);
}

void GCustomPaperNameWrapper::ReadControlIntoFeature() {}

void GCustomPaperNameWrapper::RefreshAvailability() {
  if (accessor_ != nullptr) ApplyAvailability(accessor_->GetAvailability());
}

void GCustomPaperNameWrapper::TakeEditedName(bool trim) {
  RWCString name;
  combo_.GetEditText(&name);
  if (name.Length() == 0) {
    ResetToUntitled();
    combo_.GetEditText(&name);
  }
  if (trim) {
    name = Trimmed(name);
    combo_.SetEditText(RWWString(name));
  }
  Papers()->SetCurrentName(name);
}

int GCustomPaperNameWrapper::RefuseBuiltInName() {
  if (Papers()->IsBuiltInFormName() == 0) return 0;
  UIMessageBox(dialog_, Text(11007), Text(11011), MB_OK | MB_ICONSTOP);
  ResetToUntitled();
  return 1;
}

void GCustomPaperNameWrapper::Save() {
  GCustomPaperAccessor* papers = Papers();
  if (RefuseBuiltInName() != 0) return;
  if (papers->CurrentExists() != 0) {
    if (UIMessageBox(dialog_, Text(11008), Text(11011), MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    papers->DeleteCurrent();
  }
  if (papers->SaveCurrent() == 1) {
    SetMode(kDelete);
  } else {
    UIMessageBox(dialog_, Text(11010), Text(11011), MB_OK | MB_ICONSTOP);
  }
}

void GCustomPaperNameWrapper::Rename() {
  GCustomPaperAccessor* papers = Papers();
  if (RefuseBuiltInName() != 0) return;
  if (papers->CurrentExists() != 0) {
    UIMessageBox(dialog_, Text(11009), Text(11011), MB_OK | MB_ICONSTOP);
    return;
  }
  const RWCString newName = papers->GetCurrentName();
  papers->SetCurrentName(nameBeforeEdit_);
  if (papers->FindByName(nameBeforeEdit_) != nullptr) papers->DeleteCurrent();
  papers->SetCurrentName(newName);
  Save();
}

void GCustomPaperNameWrapper::Delete() {
  Papers()->DeleteCurrent();
  ResetToUntitled();
}

int GCustomPaperNameWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  GCustomPaperAccessor* papers = Papers();
  if (papers == nullptr || message != WM_COMMAND) return 0;
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (id == GetControlId(0)) {
    switch (code) {
      case CBN_SELCHANGE: {
        const int16_t index = combo_.GetCurSel();
        if (index < 0) return 0;
        SetModeValue(kDelete);
        papers->LoadCurrent(static_cast<int16_t>(combo_.GetItemData(index)));
        return 1;
      }
      case CBN_KILLFOCUS:
        TakeEditedName(false);
        return 1;
      case CBN_EDITCHANGE:
        if (mode_ == kDelete) {
          nameBeforeEdit_ = papers->GetCurrentName();
          SetModeValue(kRename);
        }
        return 1;
      default:
        return 0;
    }
  }
  if (id == GetControlId(1) && code == BN_CLICKED) {
    TakeEditedName(mode_ != kDelete);
    if (mode_ == kSave) {
      Save();
    } else if (mode_ == kRename) {
      Rename();
    } else if (UIMessageBox(dialog_, Text(13600), Text(13601), MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK) {
      Delete();
    }
    return 1;
  }
  if (id == GModalDialog::kThirdButton && mode_ == kDelete) {
    // Closing with a saved paper shown chooses it.
    const int16_t index = combo_.GetCurSel();
    if (index >= 0) papers->SetValue(static_cast<int16_t>(combo_.GetItemData(index)));
    return 1;
  }
  return 0;
}

int GCustomPaperNameWrapper::MediaNameCallback(const RWWString& name, void* wrapper) {
  auto* self = static_cast<GCustomPaperNameWrapper*>(wrapper);
  if (self == nullptr || self->Papers() == nullptr) return 0;
  RWCString narrow;
  ToNarrowString(name, narrow);
  return narrow.Compare(self->Papers()->GetCurrentName(), 1) == 0 ? 1 : 0;
}

// ---- The page's button ----

GCustomPaperButtonWrapper::GCustomPaperButtonWrapper(GCustomPaperAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table) {}

GCustomPaperButtonWrapper::~GCustomPaperButtonWrapper() = default;

int GCustomPaperButtonWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  auto* papers = static_cast<GCustomPaperAccessor*>(accessor_);
  if (papers == nullptr || message != WM_COMMAND || LOWORD(wParam) != GetControlId(0)) return 0;
  GUISession* session = papers->GetSession();
  papers->LoadCurrent(papers->GetValue());
  GModalDialog dialog(kDialog, session, 0, kDialogHelp);
  static const GControlRow kName[] = {{2050, 218}, {2051, 217}, {8, -1}, {0, 0}};
  static const GControlRow kHeight[] = {{11421, 211}, {11422, 211}, {11431, -1}, {11433, -1}, {0, 0}};
  static const GControlRow kWidth[] = {{11411, 212}, {11412, 212}, {11430, -1}, {11432, -1}, {0, 0}};
  static const GControlRow kUnit[] = {{2052, 213}, {0, 0}};
  dialog.AddWrapper(new GCustomPaperNameWrapper(new GCustomPaperAccessor(session), kName));
  dialog.AddWrapper(new GCustomPaperHeightWrapper(new GCustomPaperAccessor(session), kHeight));
  dialog.AddWrapper(new GCustomPaperWidthWrapper(new GCustomPaperAccessor(session), kWidth));
  dialog.AddWrapper(new GCustomPaperUnitWrapper(new GCustomPaperAccessor(session), kUnit));
  dialog.DoModal(dialog_, 0);
  return 1;
}

void GCustomPaperButtonWrapper::SetControlFromFeature(int) {}

void GCustomPaperButtonWrapper::ReadControlIntoFeature() {}

void GCustomPaperButtonWrapper::RefreshAvailability() {
  auto* papers = static_cast<GCustomPaperAccessor*>(accessor_);
  if (papers == nullptr) return;
  ApplyAvailability(papers->GetAvailability());
  if (papers->IsCustomButtonEnabled() == 0) EnableControl(0, 0);
}
