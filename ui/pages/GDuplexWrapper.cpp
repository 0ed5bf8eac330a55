#include "ui/pages/GDuplexWrapper.h"

#include "model/GFeatureIds.h"
#include "ui/framework/GRuleCatalogue.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIResources.h"
#include "win32/Dialog.h"
#include "win32/Window.h"

using namespace GFeatureIds;

namespace {

// Booklet items: the binding (1 left, 2 right) and the paper.
struct BookletItem {
  int16_t binding;
  int16_t paper;
  int labelId;
};
// Items 11-14 (the JIS sizes) have no label in the string table and are not
// offered.
constexpr BookletItem kItems[] = {
    {0, 0, 11032},  {1, 1, 11033},  {1, 21, 11034}, {1, 23, 11035}, {1, 22, 11036},
    {2, 1, 11037},  {2, 21, 11038}, {2, 23, 11039}, {2, 22, 11040}, {1, 6, 13524},
    {2, 6, 13525},
};
constexpr int16_t kItemCount = static_cast<int16_t>(sizeof(kItems) / sizeof(kItems[0]));

int16_t Read(GUISession* session, int32_t id) {
  int value = 0;
  if (session != nullptr) session->GetSettingsView().GetInt(&id, &value);
  return static_cast<int16_t>(value);
}

int16_t UIKey(GUISession* session, int32_t id) {
  int value = 0;
  if (session != nullptr) session->GetUIStateView().GetInt(&id, &value);
  return static_cast<int16_t>(value);
}

bool Changed(GUISession* session, int32_t id) {
  return session != nullptr && session->GetSettingsView().HasChanged(&id) != 0;
}

// The number string 11051 gives (how many booklet bindings the printer
// offers per paper).
int BookletBindings() {
  RWWString text;
  LoadUIString(11051, &text);
  int n = 0;
  for (size_t i = 0; i < text.Length() && text.Data()[i] >= u'0' && text.Data()[i] <= u'9' && n < 1000; ++i)
    n = n * 10 + (text.Data()[i] - u'0');
  return n;
}

}  // namespace

// ---- GBookletAccessor ----

GBookletAccessor::GBookletAccessor(GUISession* session) : GKeyedFeatureAccessor(session, &kBookletPrintingChoice) {}

int16_t GBookletAccessor::GetAvailability() { return UIKey(session_, GRuleKeys::kBooklet.availability); }

int GBookletAccessor::HasChanged() {
  return Changed(session_, kBookletPrintingChoice) || Changed(session_, kBookletTargetSize) ? 1 : 0;
}

int16_t GBookletAccessor::GetValue() {
  const int16_t binding = Read(session_, kBookletPrintingChoice);
  if (binding == 0) return 0;
  const int16_t paper = Read(session_, kBookletTargetSize);
  for (int16_t i = 1; i < kItemCount; ++i) {
    if (kItems[i].binding == binding && kItems[i].paper == paper) return i;
  }
  return 0;
}

int GBookletAccessor::SetValue(int16_t item) {
  if (session_ == nullptr) return 0;
  GSettingsView settings = session_->GetSettingsView();
  if (item <= 0 || item >= kItemCount) return settings.SetInt(&kBookletPrintingChoice, 0);
  settings.SetInt(&kBookletTargetSize, kItems[item].paper);
  return settings.SetInt(&kBookletPrintingChoice, kItems[item].binding);
}

int GBookletAccessor::LabelId(int16_t item) { return item >= 0 && item < kItemCount ? kItems[item].labelId : 0; }

std::vector<int16_t> GBookletAccessor::ListItems() {
  std::vector<int16_t> items{0};
  if (session_ == nullptr) return items;
  const GSettingsView model = session_->GetModelView();
  const bool large = model.FindMediaForResolution(GRulePapers::k11x17, 0, 600) != nullptr &&
                     model.FindMediaForResolution(GRulePapers::kA3, 0, 600) != nullptr;
  const int n = BookletBindings();
  const int16_t paper = Read(session_, kPaperSize);
  if (paper == GRulePapers::kLetter) {
    items.push_back(1);
    if (n > 2) {
      items.push_back(5);
      items.push_back(9);
      if (large) items.push_back(10);
    }
    if (large) {
      items.push_back(2);
      items.push_back(6);
    }
  } else if (paper == GRulePapers::kLegal) {
    items.push_back(9);
    if (large) items.push_back(10);
  } else {
    items.push_back(3);
    if (n > 2) items.push_back(7);
    if (large) {
      items.push_back(4);
      items.push_back(8);
    }
  }
  return items;
}

// ---- GDuplexAccessor ----

GDuplexAccessor::GDuplexAccessor(GUISession* session)
    : GKeyedFeatureAccessor(session, &kDuplex), booklet_(std::make_unique<GBookletAccessor>(session)) {}

int16_t GDuplexAccessor::GetAvailability() { return UIKey(session_, GRuleKeys::kDuplex.availability); }

int GDuplexAccessor::HasChanged() {
  return Changed(session_, kDuplex) || Changed(session_, kBookletPrintingChoice) ? 1 : 0;
}

int GDuplexAccessor::IsPortrait() const {
  const int16_t orientation = Read(session_, kOrientation);
  return orientation == 0 || orientation == 180 ? 1 : 0;
}

int16_t GDuplexAccessor::GetValue() {
  const int16_t duplex = Read(session_, kDuplex);
  if (IsPortrait() != 0 && (duplex == 1 || duplex == 2)) return static_cast<int16_t>(3 - duplex);
  return duplex;
}

int GDuplexAccessor::SetValue(int16_t value) {
  if (value == 0) {
    booklet_->SetValue(0);
    return GKeyedFeatureAccessor::SetValue(0);
  }
  const int16_t stored = IsPortrait() != 0 ? static_cast<int16_t>(3 - value) : value;
  return GKeyedFeatureAccessor::SetValue(value == 1 || value == 2 ? stored : value);
}

// ---- GDuplexWrapper ----

GDuplexWrapper::GDuplexWrapper(GDuplexAccessor* accessor, const GControlRow* table) : GWrapper(accessor, table) {}

GDuplexAccessor* GDuplexWrapper::Duplex() const { return static_cast<GDuplexAccessor*>(GetAccessor()); }

void GDuplexWrapper::ReadControlIntoFeature() {
  if (Duplex() == nullptr || dialog_ == nullptr) return;
  if (IsDlgButtonChecked(dialog_, GetControlId(0)) != BST_CHECKED) {
    Duplex()->SetValue(0);
    return;
  }
  Duplex()->SetValue(IsDlgButtonChecked(dialog_, GetControlId(1)) == BST_CHECKED ? 2 : 1);
}

void GDuplexWrapper::SetControlFromFeature(int force) {
  if (Duplex() == nullptr || dialog_ == nullptr || (force == 0 && Duplex()->HasChanged() == 0)) return;
  const int16_t value = Duplex()->GetValue();
  CheckDlgButton(dialog_, GetControlId(0), value != 0 ? BST_CHECKED : BST_UNCHECKED);
  // A booklet fixes the binding: "Flip Pages Up" is left off then.
  const bool flipAllowed = value != 0 && Duplex()->Booklet().GetValue() == 0;
  CheckDlgButton(dialog_, GetControlId(1), flipAllowed && value == 2 ? BST_CHECKED : BST_UNCHECKED);
  EnableControl(1, flipAllowed ? 1 : 0);
}

void GDuplexWrapper::RefreshAvailability() {
  if (Duplex() != nullptr) ApplyAvailability(Duplex()->GetAvailability());
}

// ---- GBookletWrapper ----

GBookletWrapper::GBookletWrapper(GBookletAccessor* accessor, const GControlRow* table) : GWrapper(accessor, table) {}

GBookletAccessor* GBookletWrapper::Booklet() const { return static_cast<GBookletAccessor*>(GetAccessor()); }

void GBookletWrapper::OnAttach() {
  list_.Attach(dialog_, static_cast<int16_t>(GetControlId(1)));
  Fill();
}

void GBookletWrapper::Fill() {
  if (Booklet() == nullptr || dialog_ == nullptr) return;
  list_.ResetContent();
  for (int16_t item : Booklet()->ListItems()) {
    RWWString label;
    if (LoadUIString(GBookletAccessor::LabelId(item), &label) == 0) continue;
    list_.AddStringWithData(label, item);
  }
  list_.SelectByItemData(Booklet()->GetValue());
}

void GBookletWrapper::SetControlFromFeature(int force) {
  // The list depends on the paper as well as on the booklet setting.
  if (Booklet() == nullptr ||
      (force == 0 && Booklet()->HasChanged() == 0 && Changed(Booklet()->GetSession(), kPaperSize) == 0)) {
    return;
  }
  Fill();
}

void GBookletWrapper::ReadControlIntoFeature() {
  if (Booklet() == nullptr) return;
  const int data = list_.GetCurSel() >= 0 ? list_.GetSelectedItemData() : 0;
  Booklet()->SetValue(static_cast<int16_t>(data));
}

void GBookletWrapper::RefreshAvailability() {
  if (Booklet() != nullptr) ApplyAvailability(Booklet()->GetAvailability());
}

int GBookletWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND || LOWORD(wParam) != GetControlId(1) || HIWORD(wParam) != CBN_SELCHANGE) return 0;
  ReadControlIntoFeature();
  return 1;
}
