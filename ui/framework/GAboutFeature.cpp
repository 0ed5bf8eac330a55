#include "ui/framework/GAboutFeature.h"

#include <cstdio>
#include <string>

#include "driver/osfactry.h"
#include "model/GAttributeComposite.h"
#include "model/GDisplayStringAttribute.h"
#include "model/GStringConversion.h"
#include "model/GFeatureIds.h"
#include "rw/RWCString.h"
#include "ui/framework/GSettingsView.h"
#include "ui/framework/GUISession.h"
#include "ui/framework/UIBitmapDrawing.h"
#include "ui/framework/UIResources.h"
#include "win32/Dialog.h"
#include "win32/Gdi.h"
#include "win32/User.h"
#include "win32/Window.h"

using namespace GFeatureIds;

namespace {

// Moves the dialog so that its centre lies on its parent's, without
// repainting; a dialog without a parent stays where it is.
void CentreOverParent(HWND dialog) {
  HWND parent = GetParent(dialog);
  RECT outer{};
  RECT own{};
  if (parent == nullptr || !GetWindowRect(parent, &outer) || !GetWindowRect(dialog, &own)) return;
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  const int x = outer.left + ((outer.right - outer.left) - width) / 2;
  const int y = outer.top + ((outer.bottom - outer.top) - height) / 2;
  MoveWindow(dialog, x, y, width, height, FALSE);
}

// A narrow text as it fits a field of that many bytes with its terminator.
std::string Field(const GSettingsView& view, int32_t id, size_t bytes) {
  RWCString text;
  if (view.GetNarrowString(&id, &text) == 0) return std::string();
  std::string out(text.Data() != nullptr ? text.Data() : "");
  if (out.size() > bytes - 1) out.resize(bytes - 1);
  return out;
}

// A formatted line, cut to the width of a line field, widened.
RWWString Line(const std::string& text) {
  std::string line = text;
  if (line.size() > GAboutFeature::kLineBytes - 1) line.resize(GAboutFeature::kLineBytes - 1);
  return RWWString(line.c_str(), RWMultibyte);
}

RWWString String(int id) {
  RWWString text;
  LoadUIString(id, &text);
  return text;
}

RWWString Joined(int id, const RWWString& value) {
  RWWString text = String(id);
  text.AppendText(u" ");
  text.AppendText(value.Data());
  return text;
}

}  // namespace

GAboutFeature::GAboutFeature(GUISession* session) : GFeatureAccessor(session) {}

GAboutFeature::~GAboutFeature() = default;

void GAboutFeature::CollectExtensionLines() {
  extensionLines_.clear();
  if (session_ == nullptr) return;
  GAttributeComposite* extensions = session_->GetSettingsView().FindComposite(&kRegisteredExtensions);
  if (extensions == nullptr) return;
  const int count = extensions->GetEntryCount();
  for (int i = 0; i < count; ++i) {
    GAttribute* entry = extensions->ChildAt(static_cast<size_t>(i));
    if (entry == nullptr) continue;
    const GSettingsView view(entry, session_);
    const std::string name = Field(view, kExtensionId, 40);
    if (name.empty()) continue;
    extensionLines_.push_back(Line(name + "   " + Field(view, kExtensionVersion, 32)));
    extensionLines_.push_back(Line("   " + Field(view, kExtensionVendor, 40)));
    extensionLines_.push_back(Line("   Extension support: " + Field(view, kExtensionSupport, 40)));
    extensionLines_.push_back(Line("   " + Field(view, kExtensionNote, 40)));
    extensionLines_.push_back(Line(std::string(70, '-')));
  }
}

RWWString GAboutFeature::ReadPrinterData(const char* name) const {
  const RWWString failed("FAILED");
  GOSFactory* factory = GOSFactory::GetInstance();
  if (factory == nullptr || session_ == nullptr || session_->GetHost() == nullptr) return failed;
  return factory->GetPrinterDataString(session_->GetHost(), RWWString(name), failed);
}

void GAboutFeature::CollectUpdateLines() {
  updateLines_.clear();
  if (ReadValue(&kAgentUpdate) == 1) {
    const RWWString value = ReadPrinterData("EACLastUpdate");
    if (value.CompareText(u"ERROR", 0) == 0) updateLines_.push_back(String(14115));
    else if (value.CompareText(u"FAILED", 0) == 0) updateLines_.push_back(String(14114));
    else updateLines_.push_back(Joined(14113, value));
  }
  if (ReadValue(&kConfigurationLibrary) == 1) {
    const RWWString value = ReadPrinterData("DMCLastUpdate");
    if (value.CompareText(u"ERROR", 0) == 0) updateLines_.push_back(String(14112));
    else if (value.CompareText(u"FAILED", 0) == 0) updateLines_.push_back(String(14111));
    else updateLines_.push_back(Joined(14110, value));
  }
  updateLines_.push_back(Joined(14116, ReadPrinterData("LastUpdated")));
  const RWWString kind = ReadPrinterData("LastUpdateType");
  int kindId = 14117;
  if (kind.CompareText(u"User", 0) == 0) kindId = 14118;
  else if (kind.CompareText(u"Auto", 0) == 0) kindId = 14113;
  else if (kind.CompareText(u"Admin", 0) == 0) kindId = 14119;
  updateLines_.push_back(String(kindId));
}

INT_PTR GAboutFeature::ShowAboutBox(HWND parent, short dialogId) {
  CollectExtensionLines();
  CollectUpdateLines();
  return DialogBoxParamW(GetUIResourceInstance(), MAKEINTRESOURCEW(static_cast<uint16_t>(dialogId)), parent,
                         &GAboutFeature::AboutBoxProc, reinterpret_cast<LPARAM>(this));
}

namespace {

// A product line of the settings: a display string shows its string from
// the UI resource library, or its own text when it names none or the
// library lacks it; a plain text setting shows itself.
RWWString ProductText(GUISession* session, int32_t id) {
  RWWString text;
  GAttributeComposite* settings = session->GetSettings();
  if (auto* display = dynamic_cast<GDisplayStringAttribute*>(settings != nullptr ? settings->FindById(id) : nullptr)) {
    const GDisplayString& string = display->GetDisplayString();
    if (string.GetResourceId() != 0) LoadUIString(static_cast<uint16_t>(string.GetResourceId()), &text);
    if (text.Length() == 0) ToWideString(string.GetText(), text);
    return text;
  }
  if (session->GetSettingsView().GetString(&id, &text) == 0) text = RWWString();
  return text;
}

}  // namespace

void GAboutFeature::InitDialog(HWND window, GAboutFeature* feature) {
  CentreOverParent(window);
  RWWString version = String(11015);
  version.AppendText(String(11016).Data());
  version.AppendText(u" ");
  version.AppendText(String(11017).Data());
  if (feature != nullptr && feature->session_ != nullptr) {
    int dek = 0;
    feature->session_->GetSettingsView().GetInt(&kDEKVersion2, &dek);
    if (dek == 0 && feature->session_->GetModel() != nullptr) {
      GSettingsView(feature->session_->GetModel()).GetInt(&kDEKVersion2, &dek);
    }
    if (dek == 1) version.AppendText(u" (DEK 2.0)");
  }
  SetDlgItemTextW(window, kVersionLine, version.Data());

  const RWWString second = String(11019);
  if (second.Length() != 0 && GetDlgItem(window, kSecondVersionLine) != nullptr) {
    SetDlgItemTextW(window, kSecondVersionLine, second.Data());
  }

  RWWString product1;
  RWWString product2;
  if (feature != nullptr && feature->session_ != nullptr) {
    product1.AppendText(ProductText(feature->session_, kProductText1).Data());
    product1.AppendText(ProductText(feature->session_, kProductText2).Data());
    product2.AppendText(ProductText(feature->session_, kProductText3).Data());
  }
  const RWWString trailer = String(13620);
  if (trailer.Length() != 0) {
    product2.AppendText(u" - ");
    product2.AppendText(trailer.Data());
  }
  SetDlgItemTextW(window, kProductLine1, product1.Data());
  SetDlgItemTextW(window, kProductLine2, product2.Data());

  HWND extensions = GetDlgItem(window, kExtensionList);
  HWND updates = GetDlgItem(window, kUpdateList);
  if (feature == nullptr) {
    if (extensions != nullptr) EnableWindow(extensions, FALSE);
    if (updates != nullptr) EnableWindow(updates, FALSE);
    return;
  }
  // The lists are handed over to the list boxes and emptied.
  if (extensions != nullptr) {
    for (const RWWString& line : feature->extensionLines_) {
      SendMessageW(extensions, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.Data()));
    }
  }
  feature->extensionLines_.clear();
  if (updates != nullptr) {
    for (const RWWString& line : feature->updateLines_) {
      SendMessageW(updates, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.Data()));
    }
  }
  feature->updateLines_.clear();
}

INT_PTR GAboutFeature::AboutBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(window, DWL_USER, lParam);
      InitDialog(window, reinterpret_cast<GAboutFeature*>(lParam));
      return 1;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      HWND logo = GetDlgItem(window, kLogo);
      if (item != nullptr && logo != nullptr && item->CtlID == static_cast<UINT>(kLogo) &&
          (item->itemAction & ODA_DRAWENTIRE) != 0) {
        DrawControlBitmap(logo, 11255, 11256, 0, 2);
      }
      return 0;
    }
    case WM_COMMAND: {
      const WORD id = LOWORD(wParam);
      if (id == IDOK || id == IDCANCEL) {
        EndDialog(window, id);
        return 1;
      }
      return 0;
    }
    default:
      return 0;
  }
}

// ---- GAboutButtonWrapper ----

GAboutButtonWrapper::GAboutButtonWrapper(GAboutFeature* feature, const GControlRow* table)
    : GWrapper(feature, table) {}

GAboutButtonWrapper::~GAboutButtonWrapper() = default;

void GAboutButtonWrapper::SetControlFromFeature(int) {}

void GAboutButtonWrapper::ReadControlIntoFeature() {}

void GAboutButtonWrapper::RefreshAvailability() { ApplyAvailability(0); }

int GAboutButtonWrapper::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const int controlId = GetControlId(0);
  if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (item == nullptr || item->CtlID != static_cast<UINT>(controlId)) return 0;
    if ((item->itemAction & ODA_DRAWENTIRE) != 0) {
      DrawControlBitmap(GetControl(0), 11251, 11252, 1, 2);
      return 1;
    }
    if ((item->itemAction & (ODA_FOCUS | ODA_SELECT)) != 0) {
      RECT focus = item->rcItem;
      focus.right = focus.left + 40;
      DrawFocusRect(item->hDC, &focus);
    }
    return 0;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == controlId && HIWORD(wParam) == BN_CLICKED) {
    auto* feature = static_cast<GAboutFeature*>(GetAccessor());
    if (feature != nullptr) feature->ShowAboutBox(GetDialogHwnd(), GAboutFeature::kTemplate);
    return 0;
  }
  return 0;
}
