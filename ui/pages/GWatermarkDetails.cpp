#include "ui/pages/GWatermarkDetails.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "model/GFeatureIds.h"
#include "model/GMedia.h"
#include "model/GStringConversion.h"
#include "ui/framework/GFeatureTipAccessor.h"
#include "ui/framework/GFeatureTipWrapper.h"
#include "ui/framework/GModalDialog.h"
#include "ui/framework/GRuleCatalogue.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "ui/pages/GWatermarkAccessor.h"
#include "win32/Dialog.h"
#include "win32/User.h"
#include "win32/Window.h"

namespace {

using namespace GFeatureIds;

constexpr int kGrayText = 11067;
constexpr int kFirstColourText = 11083;  // "Red" .. "Magenta" (11088)
constexpr int kLastColourText = 11088;
constexpr int kFirstShadeText = 11089;  // "Lightest" .. "Darkest" (11097)
constexpr int kLastShadeText = 11097;
constexpr int kFirstStyleText = 11061;  // "Regular" .. "Bold Italic" (11064)
constexpr int kLastStyleText = 11064;
constexpr int kSizeChars = 15;
constexpr int kKeyUp = 0x26;    // kKeyUp
constexpr int kKeyDown = 0x28;  // kKeyDown
constexpr int kHighlightColour = 13;  // kHighlightColour
constexpr int kAngleChars = 15;

RWWString Loaded(int id) {
  RWWString text;
  LoadUIString(id, &text);
  return text;
}

bool Same(const RWWString& a, const RWWString& b) { return a.Compare(b, 0) == 0; }

// At most limit characters of the control's text.
RWWString ControlText(HWND dialog, int id, int limit) {
  std::vector<WCHAR> buffer(static_cast<size_t>(limit) + 1, 0);
  const UINT n = GetDlgItemTextW(dialog, id, buffer.data(), limit + 1);
  return RWWString(buffer.data(), std::min<size_t>(n, static_cast<size_t>(limit)));
}

void ShowText(HWND dialog, int id, const RWWString& text) {
  const std::u16string copy(text.Data() != nullptr ? text.Data() : u"", text.Length());
  SetDlgItemTextIfChanged(dialog, id, copy.c_str());
}

RWWString Decimal(int value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d", value);
  return RWWString(digits);
}

// 1 and the value when the whole text is an unsigned decimal number.
int ParseUnsigned(const RWWString& text, long* value) {
  if (text.IsEmpty()) return 0;
  long v = 0;
  for (size_t i = 0; i < text.Length(); ++i) {
    const char16_t c = text.Data()[i];
    if (c < u'0' || c > u'9') return 0;
    v = v * 10 + (c - u'0');
    if (v > 0xFFFF) v = 0xFFFF;
  }
  *value = v;
  return 1;
}

RWWString StripTrailingBlanks(const RWWString& text) {
  size_t n = text.Length();
  while (n > 0 && (text.Data()[n - 1] == u' ' || text.Data()[n - 1] == u'\t')) --n;
  return RWWString(text.Data(), n);
}

RWWString Upper(const RWWString& text) {
  std::u16string out(text.Data() != nullptr ? text.Data() : u"", text.Length());
  for (char16_t& c : out) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return RWWString(out.c_str(), out.size());
}

int16_t FindComboText(const GComboBox& box, const RWWString& text) {
  for (int16_t i = 0; i < box.GetCount(); ++i) {
    RWWString item;
    if (box.GetItemText(i, &item) != 0 && Same(item, text)) return i;
  }
  return -1;
}

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

}  // namespace

// ---- "Ed&it..." ----

GWatermarkEditButtonWrapper::GWatermarkEditButtonWrapper(GWatermarkAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table) {}

GWatermarkEditButtonWrapper::~GWatermarkEditButtonWrapper() = default;

int GWatermarkEditButtonWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED || LOWORD(wParam) != GetControlId(0)) return 0;
  RunDialog();
  return 1;
}

int GWatermarkEditButtonWrapper::RunDialog() {
  auto* marks = static_cast<GWatermarkAccessor*>(accessor_);
  if (marks == nullptr) return 0;
  GUISession* session = marks->GetSession();
  marks->SelectCurrent();
  RWWString remembered;
  marks->GetSelectedName(&remembered);

  GModalDialog dialog(kDialog, session, 0, kDialogHelp);
  static const GControlRow kList[] = {{5002, 510}, {5003, 511}, {5004, 512}, {5006, 521}, {0, 0}};
  static const GControlRow kFont[] = {{5012, 515}, {5014, 516}, {5019, 517}, {5024, 5150}, {0, 0}};
  static const GControlRow kSize[] = {{5016, 518}, {5017, 518}, {0, 0}};
  static const GControlRow kAngle[] = {{5008, 513}, {5009, 514}, {5021, 519}, {5022, 520}, {5025, 524}, {0, 0}};
  static const GControlRow kEditTip[] = {{6533, -1}, {0, 0}};
  static const GControlRow kNewTip[] = {{5020, -1}, {0, 0}};
  dialog.AddWrapper(new GWatermarkListWrapper(new GWatermarkAccessor(session), kList));
  dialog.AddWrapper(new GWMFontWrapper(new GWatermarkAccessor(session), kFont));
  dialog.AddWrapper(new GWMSizeWrapper(new GWatermarkAccessor(session), kSize));
  dialog.AddWrapper(new GWMAngleWrapper(new GWatermarkAccessor(session), kAngle));
  const GRuleKeyPair editKeys = GRuleKeys::kWatermarkEdit;
  const int32_t newAvailability = GWatermarkAccessor::kNewTipAvailability;
  const int32_t newReason = GWatermarkAccessor::kNewTipReason;
  dialog.AddWrapper(new GFeatureTipWrapper(
      new GFeatureTipAccessor(session, &editKeys.availability, &editKeys.reason), kEditTip, 0));
  dialog.AddWrapper(
      new GFeatureTipWrapper(new GFeatureTipAccessor(session, &newAvailability, &newReason), kNewTip, 0));
  const int result = dialog.DoModal(dialog_, 0);

  const int16_t state = marks->GetState();
  if (result == GModalDialog::kOk) {
    if (state == GWatermarkAccessor::kNewRecord || state == GWatermarkAccessor::kNewTyped ||
        state == GWatermarkAccessor::kStoredChanged)
      marks->Commit();
    marks->SetEditable(0);
    RWWString selected;
    marks->GetSelectedName(&selected);
    marks->SetFirstPageByName(selected);
  } else {
    RWCString narrow;
    ToNarrowString(remembered, narrow);
    if (marks->FindByName(narrow) != nullptr) marks->SelectByName(remembered);
    marks->SetState(remembered.IsEmpty() ? GWatermarkAccessor::kNoneSelected : GWatermarkAccessor::kStoredUnchanged);
    marks->SetEditable(0);
  }
  if (session != nullptr) session->SetRefreshNeeded(1);
  return result;
}

void GWatermarkEditButtonWrapper::SetControlFromFeature(int) {}

void GWatermarkEditButtonWrapper::ReadControlIntoFeature() {}

void GWatermarkEditButtonWrapper::RefreshAvailability() {
  ApplyAvailability(kShownEnabled);
  auto* marks = static_cast<GWatermarkAccessor*>(accessor_);
  GUISession* session = marks != nullptr ? marks->GetSession() : nullptr;
  if (session != nullptr && marks->ReadValue(&kNoSystemSave) != 0 && session->IsFlag8Set() == 0)
    EnableControl(0, 0);
}

// ---- The list, "&New", "D&elete" and the message ----

int GWatermarkListWrapper::noneTyped_ = 0;

GWatermarkListWrapper::GWatermarkListWrapper(GWatermarkAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table) {}

GWatermarkListWrapper::~GWatermarkListWrapper() = default;

GWatermarkAccessor* GWatermarkListWrapper::Marks() const { return static_cast<GWatermarkAccessor*>(accessor_); }

void GWatermarkListWrapper::OnAttach() {
  list_.Attach(dialog_, static_cast<int16_t>(GetControlId(0)));
  SendDlgItemMessageW(dialog_, GetControlId(3), EM_LIMITTEXT, kTextLimit, 0);
  noneTyped_ = 0;
}

RWWString GWatermarkListWrapper::EditText() const { return ControlText(dialog_, GetControlId(3), kTextLimit); }

void GWatermarkListWrapper::FillList() {
  GWatermarkAccessor* marks = Marks();
  list_.ResetContent();
  const RWWString none = Loaded(GWatermarkAccessor::kNoneText);
  const int16_t state = marks->GetState();
  RWWString selected;
  marks->GetSelectedName(&selected);
  std::vector<std::pair<RWWString, int>> lines;
  marks->StartWalk();
  RWWString name;
  int flag = 0;
  while (marks->NextListEntry(&name, &flag) != 0) {
    if (state == GWatermarkAccessor::kStoredChanged && !selected.IsEmpty() && Same(name, selected)) continue;
    if (name.IsEmpty())
      lines.emplace_back(none, 0);
    else
      lines.emplace_back(name, flag);
  }
  if (state == GWatermarkAccessor::kNewRecord || state == GWatermarkAccessor::kNewTyped ||
      state == GWatermarkAccessor::kStoredChanged) {
    marks->GetName(&name);
    if (!name.IsEmpty()) lines.emplace_back(name, 0);
  }
  // The list box shows its lines sorted, ignoring case.
  std::stable_sort(lines.begin(), lines.end(),
                   [](const auto& a, const auto& b) { return Upper(a.first).Compare(Upper(b.first), 0) < 0; });
  for (const auto& [text, data] : lines) list_.AddStringWithData(text, data);
}

void GWatermarkListWrapper::SelectWorkingLine() {
  RWWString name;
  Marks()->GetName(&name);
  list_.SelectByText(name.IsEmpty() ? Loaded(GWatermarkAccessor::kNoneText) : name);
}

void GWatermarkListWrapper::SetControlFromFeature(int force) {
  GWatermarkAccessor* marks = Marks();
  if (force != 0) FillList();
  if (force == 0 && marks->SelectionChanged() == 0) return;
  SelectWorkingLine();
  RWWString text;
  marks->GetText(&text);
  ShowText(dialog_, GetControlId(3), text);
  marks->SetEditable(0);
  if (marks->IsForeign() != 0) {
    if (marks->GetSession() != nullptr && marks->GetSession()->IsFlag8Set() != 0) {
      EnableControl(2, 0);
      EnableControl(3, 0);
    }
    return;
  }
  if (marks->GetState() != GWatermarkAccessor::kNoneSelected) EnableControl(2, 1);
  EnableControl(3, 1);
  if (marks->IsListFull() != 0 && marks->GetState() == GWatermarkAccessor::kNoneSelected) EnableControl(3, 0);
  marks->SetEditable(1);
}

void GWatermarkListWrapper::ReadControlIntoFeature() {}

void GWatermarkListWrapper::RefreshAvailability() {
  GWatermarkAccessor* marks = Marks();
  ApplyAvailability(marks->GetEditAvailability());
  const int16_t state = marks->GetState();
  EnableControl(2, state != GWatermarkAccessor::kNoneSelected ? 1 : 0);
  if (marks->IsListFull() == 0) {
    EnableControl(1, 1);
  } else {
    EnableControl(1, 0);
    if (state != GWatermarkAccessor::kNoneSelected) EnableControl(3, 1);
  }
}

int GWatermarkListWrapper::OnSelectionChange() {
  GWatermarkAccessor* marks = Marks();
  const int16_t state = marks->GetState();
  if ((state == GWatermarkAccessor::kNewRecord || state == GWatermarkAccessor::kNewTyped ||
       state == GWatermarkAccessor::kStoredChanged) &&
      !EditText().IsEmpty())
    marks->Commit();
  RWWString line;
  const int16_t index = list_.GetCurSel();
  if (index >= 0) list_.GetItemText(index, &line);
  if (Same(line, Loaded(GWatermarkAccessor::kNoneText))) line = RWWString();
  marks->SelectByName(line);
  marks->SelectCurrent();
  if (marks->GetSession() != nullptr) marks->GetSession()->SetRefreshNeeded(1);
  return 1;
}

int GWatermarkListWrapper::OnKeyToItem(int key) {
  const int16_t count = list_.GetCount();
  if (count <= 0) return 0;
  const int16_t current = list_.GetCurSel();
  int16_t next = current;
  if (key == kKeyUp) next = current < 0 ? static_cast<int16_t>(count - 1) : static_cast<int16_t>(current > 0 ? current - 1 : 0);
  if (key == kKeyDown) {
    if (current < 0)
      next = static_cast<int16_t>(count > 1 ? 1 : 0);
    else
      next = static_cast<int16_t>(current + 1 < count ? current + 1 : 0);
  }
  list_.SetCurSel(next);
  return OnSelectionChange();
}

int GWatermarkListWrapper::OnNew() {
  GWatermarkAccessor* marks = Marks();
  marks->Commit();
  marks->SetState(GWatermarkAccessor::kNewRecord);
  marks->SetText(Loaded(kUntitledText));
  marks->SetNameFromText();
  marks->MarkOwn();
  FillList();
  if (marks->GetSession() != nullptr) marks->GetSession()->SetRefreshNeeded(1);
  return 1;
}

int GWatermarkListWrapper::OnDelete() {
  GWatermarkAccessor* marks = Marks();
  if (UIMessageBox(dialog_, Loaded(kDeleteQuestion), Loaded(kWarningTitle), MB_OKCANCEL | MB_ICONEXCLAMATION) !=
      IDOK)
    return 0;
  marks->DeleteSelected();
  marks->SetState(GWatermarkAccessor::kNoneSelected);
  marks->SelectCurrent();
  if (marks->GetSession() != nullptr) marks->GetSession()->SetRefreshNeeded(1);
  return 1;
}

int GWatermarkListWrapper::TakeText(const RWWString& typed) {
  GWatermarkAccessor* marks = Marks();
  const RWWString text = StripTrailingBlanks(typed);
  if (Same(text, Loaded(GWatermarkAccessor::kNoneText))) {
    noneTyped_ = 1;
    return 0;
  }
  marks->SetText(text);
  marks->SetNameFromText();
  marks->MarkOwn();
  const int16_t state = marks->GetState();
  if (state == GWatermarkAccessor::kNoneSelected || state == GWatermarkAccessor::kNewRecord)
    marks->SetState(GWatermarkAccessor::kNewTyped);
  if (state == GWatermarkAccessor::kStoredUnchanged) marks->SetState(GWatermarkAccessor::kStoredChanged);
  FillList();
  SelectWorkingLine();
  return 1;
}

int GWatermarkListWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_VKEYTOITEM) {
    if (reinterpret_cast<HWND>(lParam) != GetDlgItem(dialog_, GetControlId(0))) return 0;
    const int key = LOWORD(wParam);
    return key == kKeyUp || key == kKeyDown ? OnKeyToItem(key) : 0;
  }
  if (message != WM_COMMAND) return 0;
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (id == GetControlId(0)) return code == LBN_SELCHANGE ? OnSelectionChange() : 0;
  if (id == GetControlId(1)) return code == BN_CLICKED ? OnNew() : 0;
  if (id == GetControlId(2)) return code == BN_CLICKED ? OnDelete() : 0;
  if (id != GetControlId(3)) return 0;
  GWatermarkAccessor* marks = Marks();
  SendDlgItemMessageW(dialog_, id, EM_LIMITTEXT, kTextLimit, 0);
  RWWString current;
  marks->GetText(&current);
  if (code == EN_CHANGE) {
    const RWWString typed = EditText();
    if (!Same(typed, current)) return TakeText(typed);
    if (marks->GetState() == GWatermarkAccessor::kNewRecord) SendDlgItemMessageW(dialog_, id, EM_SETSEL, 0, -1);
    return 0;
  }
  if (code == EN_KILLFOCUS) {
    const RWWString typed = StripTrailingBlanks(EditText());
    if (noneTyped_ != 0) {
      UIMessageBox(dialog_, Loaded(kNoneRefused), Loaded(kWarningTitle), MB_OK | MB_ICONEXCLAMATION);
      noneTyped_ = 0;
      return 0;
    }
    if (!Same(typed, current)) return TakeText(typed);
  }
  return 0;
}

// ---- Font name, shading, style and colour ----

GWMFontWrapper::GWMFontWrapper(GWatermarkAccessor* accessor, const GControlRow* table) : GWrapper(accessor, table) {}

GWMFontWrapper::~GWMFontWrapper() = default;

GWatermarkAccessor* GWMFontWrapper::Marks() const { return static_cast<GWatermarkAccessor*>(accessor_); }

int GWMFontWrapper::EnumMethodWrapper(const LOGFONTW* font, const TEXTMETRICW*, DWORD fontType, LPARAM lParam) {
  auto* wrapper = reinterpret_cast<GWMFontWrapper*>(lParam);
  if (wrapper != nullptr && font != nullptr) wrapper->AddFace(*font, fontType);
  return 1;
}

void GWMFontWrapper::AddFace(const LOGFONTW& font, DWORD fontType) {
  if ((fontType & TRUETYPE_FONTTYPE) == 0) return;
  size_t n = 0;
  while (n < LF_FACESIZE && font.lfFaceName[n] != 0) ++n;
  names_.AddStringWithData(RWWString(font.lfFaceName, n), font.lfCharSet);
}

void GWMFontWrapper::OnAttach() {
  names_.Attach(dialog_, static_cast<int16_t>(GetControlId(0)));
  shades_.Attach(dialog_, static_cast<int16_t>(GetControlId(1)));
  styles_.Attach(dialog_, static_cast<int16_t>(GetControlId(2)));
  colours_.Attach(dialog_, static_cast<int16_t>(GetControlId(3)));
  names_.ResetContent();
  HWND screen = GetDlgItem(dialog_, GetControlId(0));
  if (HDC dc = GetDC(screen)) {
    EnumFontFamiliesW(dc, nullptr, &GWMFontWrapper::EnumMethodWrapper, reinterpret_cast<LPARAM>(this));
    ReleaseDC(screen, dc);
  }
  shades_.ResetContent();
  for (int id = kFirstShadeText; id <= kLastShadeText; ++id) shades_.AddStringWithData(Loaded(id), id);
  colours_.ResetContent();
  colours_.AddStringWithData(Loaded(kGrayText), kGrayText);
  if (Marks()->IsColorDevice() != 0) {
    for (int id = kFirstColourText; id <= kLastColourText; ++id) colours_.AddStringWithData(Loaded(id), id);
  }
  styles_.ResetContent();
  for (int id = kFirstStyleText; id <= kLastStyleText; ++id) styles_.AddStringWithData(Loaded(id), id);
}

void GWMFontWrapper::SetControlFromFeature(int force) {
  GWatermarkAccessor* marks = Marks();
  if (force == 0 && marks->HasChanged() == 0) return;
  RWWString face;
  marks->GetFont(&face);
  int16_t index = FindComboText(names_, face);
  if (index < 0) {
    // A face the system lacks: "Arial", else the first face, which the
    // record then takes.
    index = FindComboText(names_, RWWString("Arial"));
    if (index < 0 && names_.GetCount() > 0) index = 0;
    if (index >= 0) {
      RWWString chosen;
      names_.GetItemText(index, &chosen);
      const int charSet = names_.GetItemData(index);
      marks->SetFont(chosen);
      marks->SetCharSet(static_cast<int16_t>(charSet == -1 ? 1 : charSet));
    }
  }
  names_.SetCurSel(index);
  styles_.SelectByItemData(marks->GetStyleTextId());
  shades_.SelectByItemData(marks->GetShadeTextId());
  if (marks->IsColorDevice() != 0) colours_.SelectByItemData(marks->GetColorTextId());
}

void GWMFontWrapper::ReadControlIntoFeature() {}

int GWMFontWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  if (message == WM_DRAWITEM) {
    if (id != GetControlId(3)) return 0;
    DrawColourItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    return 0;
  }
  if (message != WM_COMMAND || HIWORD(wParam) != CBN_SELCHANGE) return 0;
  GWatermarkAccessor* marks = Marks();
  if (id == GetControlId(0)) {
    const int16_t index = names_.GetCurSel();
    if (index < 0) return 0;
    RWWString face;
    names_.GetItemText(index, &face);
    marks->SetFont(face);
    const int charSet = names_.GetItemData(index);
    marks->SetCharSet(static_cast<int16_t>(charSet == -1 ? 1 : charSet));
    return 1;
  }
  if (id == GetControlId(1)) {
    marks->SetShade(shades_.GetSelectedItemData());
    return 1;
  }
  if (id == GetControlId(3)) {
    if (marks->IsColorDevice() == 0) return 0;
    marks->SetColor(colours_.GetSelectedItemData());
    return 1;
  }
  if (id == GetControlId(2)) {
    marks->SetStyle(styles_.GetSelectedItemData());
    return 1;
  }
  return 0;
}

COLORREF GWMFontWrapper::SwatchColour(int textId) {
  switch (textId) {
    case 11083: return RGB(255, 0, 0);
    case 11084: return RGB(255, 255, 0);
    case 11085: return RGB(0, 255, 0);
    case 11086: return RGB(0, 255, 255);
    case 11087: return RGB(0, 0, 255);
    case 11088: return RGB(255, 0, 255);
    default: return RGB(0x7F, 0x7F, 0x7F);
  }
}

void GWMFontWrapper::DrawColourItem(const DRAWITEMSTRUCT* item) {
  if (item == nullptr || item->hDC == nullptr || item->itemID == static_cast<UINT>(-1)) return;
  const RECT& r = item->rcItem;
  const int textId = colours_.GetItemData(static_cast<int16_t>(item->itemID));
  const bool selected = (item->itemState & ODS_SELECTED) != 0;
  // The rest of the item first, in the highlight or window colour.
  HBRUSH back = CreateSolidBrush(GetSysColor(selected ? kHighlightColour : COLOR_WINDOW));
  FillRect(item->hDC, &r, back);
  DeleteObject(back);
  // The swatch in the left quarter, inset 2 by 3 pixels, framed black one
  // pixel outside.
  const LONG quarter = (r.right - r.left) / 4;
  RECT swatch{r.left + 2, r.top + 3, r.left + quarter - 2, r.bottom - 3};
  RECT frame{swatch.left - 1, swatch.top - 1, swatch.right + 1, swatch.bottom + 1};
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  FillRect(item->hDC, &frame, black);
  DeleteObject(black);
  HBRUSH fill = CreateSolidBrush(SwatchColour(textId));
  FillRect(item->hDC, &swatch, fill);
  DeleteObject(fill);
  RWWString text;
  colours_.GetItemText(static_cast<int16_t>(item->itemID), &text);
  const int oldMode = SetBkMode(item->hDC, TRANSPARENT);
  const std::u16string copy(text.Data() != nullptr ? text.Data() : u"", text.Length());
  ExtTextOutW(item->hDC, r.left + quarter, r.top + ((r.bottom - r.top) - 16) / 2, 0, nullptr, copy.c_str(),
              static_cast<UINT>(copy.size()), nullptr);
  SetBkMode(item->hDC, oldMode);
}

void GWMFontWrapper::RefreshAvailability() { ApplyAvailability(Marks()->GetEditAvailability()); }

// ---- Size ----

GWMSizeWrapper::GWMSizeWrapper(GWatermarkAccessor* accessor, const GControlRow* table)
    : GWrapper(accessor, table), minimum_(accessor->GetSizeMinimum()), maximum_(accessor->GetSizeMaximum()) {}

GWMSizeWrapper::~GWMSizeWrapper() = default;

GWatermarkAccessor* GWMSizeWrapper::Marks() const { return static_cast<GWatermarkAccessor*>(accessor_); }

void GWMSizeWrapper::OnAttach() {
  // The wrapper steps the value itself; the arrows only report a direction.
  SendDlgItemMessageW(dialog_, GetControlId(1), UDM_SETRANGE, 0, MAKELPARAM(1, 0));
}

void GWMSizeWrapper::Show() {
  ShowText(dialog_, GetControlId(0), Decimal(static_cast<uint16_t>(Marks()->GetSize())));
}

void GWMSizeWrapper::SetControlFromFeature(int force) {
  if (force != 0 || Marks()->HasChanged() != 0) Show();
}

void GWMSizeWrapper::ReadControlIntoFeature() {
  long value = 0;
  if (ParseUnsigned(ControlText(dialog_, GetControlId(0), kSizeChars), &value) != 0 && value >= 1 &&
      value <= maximum_)
    Marks()->SetSize(static_cast<int16_t>(std::max<long>(value, minimum_)));
  Show();
}

void GWMSizeWrapper::Step(int delta) {
  ReadControlIntoFeature();
  const int v = Marks()->GetSize() + delta;
  Marks()->SetSize(static_cast<int16_t>(v < minimum_ ? minimum_ : std::min<int>(v, maximum_)));
  Show();
}

int GWMSizeWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == GetControlId(0)) {
    if (HIWORD(wParam) != EN_KILLFOCUS) return 0;
    ReadControlIntoFeature();
    return 1;
  }
  if (message == WM_VSCROLL) {
    const int request = LOWORD(wParam);
    if (request == SB_LINEUP) Step(1);
    else if (request == SB_LINEDOWN) Step(-1);
    else return 0;
    return 1;
  }
  if (message == WM_NOTIFY) {
    const auto* change = reinterpret_cast<const NMUPDOWN*>(lParam);
    if (change == nullptr || change->hdr.code != UDN_DELTAPOS) return 0;
    Step(change->iDelta > 0 ? 1 : -1);
    return 1;
  }
  return 0;
}

void GWMSizeWrapper::RefreshAvailability() { ApplyAvailability(Marks()->GetEditAvailability()); }

// ---- Escapement and angle ----

GWMAngleWrapper::GWMAngleWrapper(GWatermarkAccessor* accessor, const GControlRow* table) : GWrapper(accessor, table) {}

GWMAngleWrapper::~GWMAngleWrapper() = default;

GWatermarkAccessor* GWMAngleWrapper::Marks() const { return static_cast<GWatermarkAccessor*>(accessor_); }

int16_t GWMAngleWrapper::DiagonalAngle(int width, int height) {
  if (width <= 0) return 0;
  constexpr double kPi = 3.14159265358979323846;
  return static_cast<int16_t>(std::atan(static_cast<double>(height) / width) * 180.0 / kPi);
}

int16_t GWMAngleWrapper::CurrentDiagonal() const {
  GUISession* session = Marks()->GetSession();
  if (session == nullptr) return 0;
  int paper = 0;
  int orientation = 0;
  GSettingsView settings = session->GetSettingsView();
  settings.GetInt(&kPaperSize, &paper);
  settings.GetInt(&kOrientation, &orientation);
  const int16_t resolution = session->GetUniformResolution();
  GMedia* medium = session->GetModelView().FindMediaForResolution(static_cast<int16_t>(paper),
                                                                  static_cast<int16_t>(orientation), resolution);
  if (medium == nullptr)
    medium = settings.FindMediaForResolution(static_cast<int16_t>(paper), static_cast<int16_t>(orientation), resolution);
  if (medium == nullptr) return 0;
  int width = medium->GetSize()->x;
  int height = medium->GetSize()->y;
  // A landscape page is wider than tall, whatever the pool stores.
  if (orientation == 1 && width < height) std::swap(width, height);
  return DiagonalAngle(width, height);
}

void GWMAngleWrapper::OnAttach() {
  SendDlgItemMessageW(dialog_, GetControlId(4), UDM_SETRANGE, 0, MAKELPARAM(kMaximum, kMinimum));
}

void GWMAngleWrapper::SetControlFromFeature(int force) {
  GWatermarkAccessor* marks = Marks();
  if (force == 0 && marks->HasChanged() == 0) return;
  const int16_t escapement = marks->GetEscapement();
  CheckDlgButton(dialog_, GetControlId(0), escapement == 1 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog_, GetControlId(1), escapement == 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog_, GetControlId(2), escapement != 0 && escapement != 1 ? BST_CHECKED : BST_UNCHECKED);
  if (escapement == 1 || escapement == 0) {
    EnableControl(3, 0);
    EnableControl(4, 0);
    ShowText(dialog_, GetControlId(3), Decimal(escapement == 1 ? CurrentDiagonal() : 0));
    return;
  }
  EnableControl(3, 1);
  EnableControl(4, 1);
  SendDlgItemMessageW(dialog_, GetControlId(4), UDM_SETPOS, 0, MAKELPARAM(marks->GetCustomAngle(), 0));
  ShowText(dialog_, GetControlId(3), Decimal(marks->GetCustomAngle()));
}

void GWMAngleWrapper::ReadControlIntoFeature() {
  GWatermarkAccessor* marks = Marks();
  int16_t escapement = 4;
  int16_t angle = marks->GetCustomAngle();
  if (IsChecked(dialog_, GetControlId(0))) {
    escapement = 1;
    angle = CurrentDiagonal();
  } else if (IsChecked(dialog_, GetControlId(1))) {
    escapement = 0;
    angle = 0;
  } else {
    long value = 0;
    if (ParseUnsigned(ControlText(dialog_, GetControlId(3), kAngleChars), &value) != 0)
      angle = static_cast<int16_t>(std::min<long>(value, kMaximum));
  }
  marks->SetEscapement(escapement);
  marks->SetCustomAngle(angle);
}

int GWMAngleWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_VSCROLL) {
    if (reinterpret_cast<HWND>(lParam) != GetDlgItem(dialog_, GetControlId(4))) return 0;
    SendDlgItemMessageW(dialog_, GetControlId(3), EM_SETSEL, static_cast<WPARAM>(-1), 0);
    const LRESULT position = SendDlgItemMessageW(dialog_, GetControlId(4), UDM_GETPOS, 0, 0);
    const int angle = std::clamp(static_cast<int>(static_cast<int16_t>(LOWORD(position))), 0, 360);
    Marks()->SetCustomAngle(static_cast<int16_t>(angle));
    Marks()->SetEscapement(4);
    return 1;
  }
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header == nullptr || static_cast<int>(header->idFrom) != GetControlId(4)) return 0;
    ReadControlIntoFeature();
    return 1;
  }
  if (message != WM_COMMAND) return 0;
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (code == BN_CLICKED && (id == GetControlId(0) || id == GetControlId(1) || id == GetControlId(2))) {
    // The three choices act as one group of radio buttons.
    for (int16_t row = 0; row < 3; ++row)
      CheckDlgButton(dialog_, GetControlId(row), GetControlId(row) == id ? BST_CHECKED : BST_UNCHECKED);
    ReadControlIntoFeature();
    return 1;
  }
  if (id == GetControlId(3) && code == EN_KILLFOCUS) {
    ReadControlIntoFeature();
    return 1;
  }
  return 0;
}

void GWMAngleWrapper::RefreshAvailability() { ApplyAvailability(Marks()->GetEditAvailability()); }
